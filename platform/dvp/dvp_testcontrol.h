// Test-only controls of our DVP SDK stand-in: the virtual devices behind it. The monitor never
// includes this.
#pragma once

#include "platform/virtualcam/virtualcam.h"

#include <string>

namespace dvp_test {

// The devices of the DVP stand-in. Frames are converted from the sensor's layout to the target
// format before the stream callback. Features: "RoiX", "RoiY", "RoiWidth", "RoiHeight",
// "TargetFormat", "GammaState", "ContrastState", "SharpnessState", "AeOperation", "LinkTimeout",
// "TriggerState", "TriggerSource", "Exposure" (microseconds), "AnalogGain", "Sharpness",
// "Contrast", "Gamma", and the text "HdrEnable".
virtualcam::Bus& bus();

// The friendly name the device of `serial` is opened by ("" for none).
std::string friendlyNameOf(const std::string& serial);

}  // namespace dvp_test
