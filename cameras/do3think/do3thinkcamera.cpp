// Do3thinkCamera: enumeration, open by friendly name, grabbing, the stream and event callbacks,
// reconnection, the parameter setters and the SDK defaults written back.
#include "cameras/do3think/do3thinkcamera.h"

#include "core/systemparam.h"
#include "detection/pixelconvert.h"

#include <QByteArray>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

const char* const kIid = "do3thinkcamera_IID";
constexpr unsigned int kMaxDevices = 16;

// Device records of the last enumerate; create copies entry `index`.
std::vector<DVP_CAMERA_RECORD> do3thinkDeviceList;

}  // namespace

Do3thinkCamera::Do3thinkCamera(QObject* parent)
    : SdkCamera(parent)
{
}

Do3thinkCamera::~Do3thinkCamera()
{
    release();
}

QString Do3thinkCamera::iid() const
{
    return QString::fromLatin1(kIid);
}

QList<CameraInfo*> Do3thinkCamera::enumerate()
{
    QList<CameraInfo*> found;
    unsigned int count = 0;
    if (dvpRefresh(&count) != DVP_STATUS_OK) {
        qInfo("Do3thinkCamera find camera fail");
        return found;
    }
    // Filled from empty, so that an index is a position in this enumeration's records.
    do3thinkDeviceList.clear();
    for (unsigned int i = 0; i < std::min(count, kMaxDevices); ++i) {
        DVP_CAMERA_RECORD record;
        if (dvpEnum(i, &record) != DVP_STATUS_OK) {
            qInfo("Do3thinkCamera Enumerate fail!");
            continue;
        }
        auto* info = new CameraInfo;
        info->index = static_cast<int>(do3thinkDeviceList.size());
        info->iid = iid();
        setInfoText(info->sn, QByteArray(record.serialNumber, static_cast<int>(strnlen(record.serialNumber, sizeof(record.serialNumber)))));
        do3thinkDeviceList.push_back(record);
        found << info;
    }
    return found;
}

int Do3thinkCamera::deviceCount()
{
    unsigned int count = 0;
    return dvpRefresh(&count) == DVP_STATUS_OK ? static_cast<int>(count) : 0;
}

CameraInterface* Do3thinkCamera::create(CameraInfo info)
{
    auto* camera = new Do3thinkCamera;
    camera->bind(info);
    if (info.index >= 0 && info.index < static_cast<int>(do3thinkDeviceList.size()))
        camera->m_device = do3thinkDeviceList[static_cast<size_t>(info.index)];
    return camera;
}

bool Do3thinkCamera::open()
{
    // A handle still held from an earlier open would keep the device to itself.
    release();
    if (dvpOpenByName(m_device.friendlyName, DVP_OPEN_NORMAL, &m_handle) != DVP_STATUS_OK)
        return false;
    m_open = true;
    DVP_SENSOR_INFO sensor;
    dvpGetSensorInfo(m_handle, &sensor);
    applyImageSettings();
    dvpSetConfigString(m_handle, "HdrEnable", "false");
    dvpGetRoi(m_handle, &m_roi);
    dvpSetLinkTimeout(m_handle, 500);
    dvpRegisterEventCallback(m_handle, &Do3thinkCamera::onEvent, DVP_EVENT_DISCONNECTED, this);
    dvpRegisterStreamCallback(m_handle, &Do3thinkCamera::onStream, DVP_STREAM_FRAME_READY, this);

    if (!allocateFrames(m_roi.width, m_roi.height)) {
        release();
        return false;
    }
    m_connected = true;
    m_staging.assign(static_cast<size_t>(m_frameLength), 0);
    return true;
}

void Do3thinkCamera::applyImageSettings()
{
    dvpSetGammaState(m_handle, 1);
    dvpSetContrastState(m_handle, 1);
    dvpSetSharpnessState(m_handle, 1);
    dvpSetTargetFormat(m_handle, m_colour ? DVP_FORMAT_RGB24 : DVP_FORMAT_MONO8);
    dvpSetAeOperation(m_handle, 0);
}

void Do3thinkCamera::close()
{
    if (!m_open)
        return;
    dvpClose(m_handle);
    m_open = false;
}

bool Do3thinkCamera::streamState(int* state)
{
    int valid = 0;
    return m_open && dvpIsValid(m_handle, &valid) == DVP_STATUS_OK && valid && dvpGetStreamState(m_handle, state) == DVP_STATUS_OK;
}

bool Do3thinkCamera::startGrab()
{
    int state = 0;
    if (!streamState(&state))
        return false;
    // A start the SDK refuses leaves the camera without frames: report it, so that a reconnect
    // fails and is tried again instead of passing for a working camera.
    return state != DVP_STREAM_STOPPED || dvpStart(m_handle) == DVP_STATUS_OK;
}

void Do3thinkCamera::stopGrab()
{
    int state = 0;
    if (streamState(&state) && state == DVP_STREAM_STARTED)
        dvpStop(m_handle);
}

void Do3thinkCamera::release()
{
    stopGrab();
    close();
}

bool Do3thinkCamera::reconnect()
{
    // Opened again by its friendly name; no enumeration.
    return openAndStart();
}

int Do3thinkCamera::onEvent(dvpHandle, int, void* context)
{
    if (context)
        static_cast<Do3thinkCamera*>(context)->m_connected = false;
    return 0;
}

int Do3thinkCamera::onStream(dvpHandle, int, void* context, DVP_FRAME* frame, void* data)
{
    if (context && frame && data)
        static_cast<Do3thinkCamera*>(context)->handleFrame(*frame, static_cast<const unsigned char*>(data));
    return 0;
}

void Do3thinkCamera::handleFrame(const DVP_FRAME& frame, const unsigned char* data)
{
    FrameSlot* slot = frames();
    // Only a frame of the opened size in the mode's format fits the buffers; any other is
    // dropped without being counted.
    const int format = m_colour ? DVP_FORMAT_RGB24 : DVP_FORMAT_MONO8;
    const size_t bytes = static_cast<size_t>(m_pixelCount) * (m_colour ? 3 : 1);
    if (!slot || frame.format != format || frame.width != m_width || frame.height != m_height || frame.bytes < bytes)
        return;
    if (++m_skipCounter <= m_frameDivider.load())
        return;
    m_skipCounter = 0;
    if (m_colour) {
        rgb24ToRgb32(m_staging.data(), data, m_width, m_height);
        slot->publish(m_staging.data(), m_staging.size());
    } else {
        slot->publish(data, static_cast<size_t>(m_pixelCount));
    }
}

void Do3thinkCamera::setTrigger(bool on)
{
    dvpSetTriggerState(m_handle, on ? 1 : 0);
    dvpSetTriggerSource(m_handle, DVP_TRIGGER_SOURCE_LINE1);
}

void Do3thinkCamera::setExposureTime(int milliseconds)
{
    dvpSetExposure(m_handle, milliseconds * 1000.0);
}

void Do3thinkCamera::setGain(int level)
{
    dvpSetAnalogGain(m_handle, static_cast<float>(level));
}

void Do3thinkCamera::setSharpness(int level)
{
    dvpSetSharpness(m_handle, level);
}

void Do3thinkCamera::setContrast(int level)
{
    dvpSetContrast(m_handle, level);
}

void Do3thinkCamera::setGamma(int level)
{
    dvpSetGamma(m_handle, level);
}

void Do3thinkCamera::setWdr(bool on)
{
    dvpSetConfigString(m_handle, "HdrEnable", on ? "true" : "false");
}

void Do3thinkCamera::setFrameRateLevel(int level)
{
    m_frameDivider = level;
}

void Do3thinkCamera::loadDefaults(int* params, int camera)
{
    constexpr int kAutoWdr = offsetof(SystemParam, autoWdr) / sizeof(int);

    stopGrab();
    dvpLoadDefault(m_handle);
    applyImageSettings();
    dvpSetRoi(m_handle, &m_roi);
    setWdr(params[kAutoWdr] != 0);

    // Read back without mapping; a field whose value cannot be read stays as it was.
    double exposure = 0;
    if (dvpGetExposure(m_handle, &exposure) == DVP_STATUS_OK)
        params[camera] = static_cast<int>(exposure / 1000);
    float gain = 0;
    if (dvpGetAnalogGain(m_handle, &gain) == DVP_STATUS_OK)
        params[8 + camera] = static_cast<int>(gain);
    int value = 0;
    if (dvpGetSharpness(m_handle, &value) == DVP_STATUS_OK)
        params[16 + camera] = value;
    if (dvpGetGamma(m_handle, &value) == DVP_STATUS_OK)
        params[32 + camera] = value;
    if (dvpGetContrast(m_handle, &value) == DVP_STATUS_OK)
        params[24 + camera] = value;
    startGrab();
}
