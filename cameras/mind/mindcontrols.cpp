// MindCamera: the parameter setters and their mappings, the automatic exposure of the settings,
// and the camera's defaults written back as levels.
#include "cameras/mind/mindcamera.h"

#include "core/systemparam.h"

#include <QJsonObject>

#include <cmath>
#include <cstddef>

namespace {

// Automatic exposure as the settings' adjustment runs it.
constexpr int kAeTarget = 120;
constexpr double kAeMaxMicroseconds = 100000;

}  // namespace

void MindCamera::setTrigger(bool on)
{
    CameraSetTriggerMode(m_handle, on ? CAMERA_TRIGGER_HARDWARE : CAMERA_TRIGGER_CONTINUOUS);
}

void MindCamera::setExposureTime(int milliseconds)
{
    CameraSetExposureTime(m_handle, milliseconds * 1000.0);
}

void MindCamera::setGain(int level)
{
    int minimum = 0;
    int maximum = 0;
    if (CameraGetAeAnalogGainRange(m_handle, &minimum, &maximum) != CAMERA_STATUS_SUCCESS)
        return;
    CameraSetAnalogGain(m_handle, static_cast<int>(std::trunc((maximum - minimum) * 0.015625 * level + minimum)));
}

void MindCamera::setSharpness(int level)
{
    CameraSetSharpness(m_handle, step(m_capability.sharpnessMin, m_capability.sharpnessMax, 100) * level + m_capability.sharpnessMin);
}

void MindCamera::setContrast(int level)
{
    CameraSetContrast(m_handle, step(m_capability.contrastMin, m_capability.contrastMax, 200) * level + m_capability.contrastMin);
}

void MindCamera::setGamma(int level)
{
    CameraSetGamma(m_handle, step(m_capability.gammaMin, m_capability.gammaMax, 250) * level + m_capability.gammaMin);
}

void MindCamera::setWdr(bool on)
{
    CameraCommonCall(m_handle, on ? "set_awdr_enable(true)" : "set_awdr_enable(false)", nullptr, 0);
}

void MindCamera::whiteBalanceOnce()
{
    CameraSetOnceWB(m_handle);
}

void MindCamera::setMirror(bool horizontal, bool vertical)
{
    CameraSetMirror(m_handle, 0, horizontal ? 1 : 0);
    CameraSetMirror(m_handle, 1, vertical ? 1 : 0);
}

void MindCamera::setFrameRateLevel(int level)
{
    CameraSetFrameSpeed(m_handle, m_colour ? level + 1 : level);
}

QJsonObject MindCamera::autoAdjust(bool on)
{
    if (on) {
        CameraSetAeState(m_handle, 1);
        CameraSetAeTarget(m_handle, kAeTarget);
        CameraSetAeExposureRange(m_handle, 0, kAeMaxMicroseconds);
        CameraSetAntiFlick(m_handle, 1);
        return QJsonObject();
    }
    CameraSetAeState(m_handle, 0);
    double exposure = 0;
    int gain = 0;
    CameraGetExposureTime(m_handle, &exposure);
    CameraGetAnalogGain(m_handle, &gain);
    return QJsonObject{{QStringLiteral("ExposureTime"), exposure}, {QStringLiteral("Gain"), gain}};
}

void MindCamera::loadDefaults(int* params, int camera)
{
    constexpr int kAutoExposure = offsetof(SystemParam, autoExposure) / sizeof(int);
    constexpr int kAcquisitionSpeed = offsetof(SystemParam, acquisitionSpeed) / sizeof(int);

    stopGrab();
    CameraLoadParameter(m_handle, CAMERA_PARAMETER_TEAM_DEFAULT);
    setFullResolution();
    if (m_colourSensor)
        CameraSetWbMode(m_handle, 0);
    setOutputFormat();
    CameraSetAeState(m_handle, params[kAutoExposure] != 0 ? 1 : 0);
    CameraSetMirror(m_handle, 0, 0);
    CameraSetMirror(m_handle, 1, 0);
    CameraSetFrameSpeed(m_handle, 0);

    // A field whose value cannot be read stays as it was.
    double exposure = 0;
    if (CameraGetExposureTime(m_handle, &exposure) == CAMERA_STATUS_SUCCESS)
        params[camera] = static_cast<int>(exposure / 1000);
    int minimum = 0;
    int maximum = 0;
    int gain = 0;
    if (CameraGetAeAnalogGainRange(m_handle, &minimum, &maximum) == CAMERA_STATUS_SUCCESS
        && CameraGetAnalogGain(m_handle, &gain) == CAMERA_STATUS_SUCCESS)
        params[8 + camera] = levelFromValue<double>(gain, minimum, (maximum - minimum) * 0.015625);
    const CAMERA_CAPABILITY& c = m_capability;
    int value = 0;
    if (CameraGetSharpness(m_handle, &value) == CAMERA_STATUS_SUCCESS)
        params[16 + camera] = levelFromValue(value, c.sharpnessMin, step(c.sharpnessMin, c.sharpnessMax, 100));
    if (CameraGetContrast(m_handle, &value) == CAMERA_STATUS_SUCCESS)
        params[24 + camera] = levelFromValue(value, c.contrastMin, step(c.contrastMin, c.contrastMax, 200));
    if (CameraGetGamma(m_handle, &value) == CAMERA_STATUS_SUCCESS)
        params[32 + camera] = levelFromValue(value, c.gammaMin, step(c.gammaMin, c.gammaMax, 250));

    setFrameRateLevel(params[kAcquisitionSpeed]);
    startGrab();
}
