// HikCamera: the parameter setters and their mappings onto the camera's ranges, and the
// camera's defaults written back as levels.
#include "cameras/hik/hikcamera.h"

#include <algorithm>
#include <cmath>

namespace {

// Frame-rate factors of levels 0..5.
constexpr float frameRateRatios[] = {1.0f, 0.66f, 0.5f, 0.33f, 0.25f, 0.125f};
constexpr int kFrameRateLevels = sizeof(frameRateRatios) / sizeof(frameRateRatios[0]);

}  // namespace

void HikCamera::setTrigger(bool on)
{
    if (!m_handle)
        return;
    MV_CC_SetEnumValue(m_handle, "TriggerMode", on ? 1 : 0);
    if (on)
        MV_CC_SetEnumValue(m_handle, "TriggerSource", 0);
}

void HikCamera::setExposureTime(int milliseconds)
{
    if (m_handle)
        MV_CC_SetFloatValue(m_handle, "ExposureTime", milliseconds * 1000.0f);
}

void HikCamera::setGain(int level)
{
    MV_FLOAT_VALUE gain{};
    if (!m_handle || MV_CC_GetGain(m_handle, &gain) != MV_OK)
        return;
    MV_CC_SetEnumValue(m_handle, "GainAuto", 0);
    MV_CC_SetFloatValue(m_handle, "Gain", (gain.maximum - gain.minimum) * 0.015625f * level + gain.minimum);
}

void HikCamera::setSharpness(int level)
{
    MV_INT_VALUE sharpness{};
    if (!m_handle || MV_CC_GetSharpness(m_handle, &sharpness) != MV_OK)
        return;
    const double step = (sharpness.maximum - sharpness.minimum) / 100.0;
    MV_CC_SetIntValue(m_handle, "Sharpness", static_cast<long long>(std::trunc(step * level + sharpness.minimum)));
}

void HikCamera::setGamma(int level)
{
    MV_FLOAT_VALUE gamma{};
    if (!m_handle || MV_CC_GetGamma(m_handle, &gamma) != MV_OK)
        return;
    MV_CC_SetFloatValue(m_handle, "Gamma", (gamma.maximum - gamma.minimum) / 250 * level + gamma.minimum);
}

void HikCamera::setFrameRateLevel(int level)
{
    MV_FLOAT_VALUE rate{};
    if (!m_handle || MV_CC_GetFloatValue(m_handle, "AcquisitionFrameRate", &rate) != MV_OK)
        return;
    const int index = std::clamp(level, 0, kFrameRateLevels - 1);
    MV_CC_SetFloatValue(m_handle, "AcquisitionFrameRate", frameRateRatios[index] * rate.maximum);
}

void HikCamera::loadDefaults(int* params, int camera)
{
    if (!m_handle)
        return;
    stopGrab();
    MV_CC_SetEnumValue(m_handle, "UserSetSelector", 0);
    MV_CC_SetCommandValue(m_handle, "UserSetLoad");
    MV_CC_SetEnumValue(m_handle, "PixelFormat", m_colour && m_colourSensor ? MV_PIXEL_BAYER_RG8 : MV_PIXEL_MONO8);
    startGrab();

    // Levels in single precision; a field whose value cannot be read stays as it was.
    MV_FLOAT_VALUE exposure{};
    if (MV_CC_GetFloatValue(m_handle, "ExposureTime", &exposure) == MV_OK)
        params[camera] = static_cast<int>(exposure.current / 1000);
    MV_FLOAT_VALUE gain{};
    if (MV_CC_GetGain(m_handle, &gain) == MV_OK)
        params[8 + camera] = levelFromValue(gain.current, gain.minimum, (gain.maximum - gain.minimum) * 0.015625f);
    MV_INT_VALUE sharpness{};
    if (MV_CC_GetSharpness(m_handle, &sharpness) == MV_OK) {
        params[16 + camera] = levelFromValue(static_cast<float>(sharpness.current), static_cast<float>(sharpness.minimum),
                                             static_cast<float>((sharpness.maximum - sharpness.minimum) / 100.0));
    }
    MV_FLOAT_VALUE gamma{};
    if (MV_CC_GetGamma(m_handle, &gamma) == MV_OK)
        params[32 + camera] = levelFromValue(gamma.current, gamma.minimum, (gamma.maximum - gamma.minimum) / 250);
}
