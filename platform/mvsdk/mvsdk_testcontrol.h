// Test-only controls of our MVCAMSDK stand-in: the virtual devices behind it. The monitor never
// includes this.
#pragma once

#include "platform/virtualcam/virtualcam.h"

namespace mvsdk_test {

// The devices of the MVCAMSDK stand-in. A device whose layout is mono 8 has a mono sensor; the
// others deliver raw frames of their layout (Bayer RG 8 or RGB 8). Features: "Width", "Height", "OffsetX", "OffsetY",
// "ResolutionIndex", "IspOutFormat", "MediaType", "Monochrome", "ExposureTime" (microseconds),
// "AnalogGain" (its range is the auto-exposure gain range), "Sharpness", "Contrast", "Gamma"
// (their ranges are the capability's), "TriggerMode", "MirrorH", "MirrorV", "FrameSpeed",
// "AeState", "AeTarget", "AeExposureMin", "AeExposureMax", "AntiFlick", "WbMode", "OnceWB" (times
// run), "Awdr", "OnlineDetectInterval". A handle still initialised when its device is replugged
// takes it back and reports the connection restored.
virtualcam::Bus& bus();

}  // namespace mvsdk_test
