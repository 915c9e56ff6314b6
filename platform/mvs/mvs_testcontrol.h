// Test-only controls of our MVS SDK stand-in: the virtual devices behind it. The monitor never
// includes this.
#pragma once

#include "platform/virtualcam/virtualcam.h"

namespace mvs_test {

// The devices of the MVS stand-in. A device's factory features: "DeviceModelName" (its model),
// "Width", "Height", "PixelFormat" (from its layout), "UserSetSelector", "TriggerMode",
// "TriggerSource", "ExposureTime", "Gain", "GainAuto", "Sharpness", "SharpnessEnable", "Gamma",
// "GammaEnable", "AcquisitionFrameRate", "GevHeartbeatTimeout". A model name ending in "M" is a
// mono sensor: it takes no pixel format but mono 8.
virtualcam::Bus& bus();

}  // namespace mvs_test
