// MindCamera: enumeration, open and close, grabbing, the frame and connection callbacks, and
// reconnection.
#include "cameras/mind/mindcamera.h"

#include "detection/pixelconvert.h"

#include <QByteArray>

#include <cstring>

namespace {

const char* const kIid = "mindcamera_IID";
constexpr int kMaxDevices = 12;

// The devices of the last enumeration of this driver (enumerate, deviceCount, reconnect).
CAMERA_DEVICE_RECORD mindDeviceList[kMaxDevices];
int mindDeviceCount = 0;

void enumerateDevices()
{
    mindDeviceCount = kMaxDevices;
    if (CameraEnumerateDevice(mindDeviceList, &mindDeviceCount) != CAMERA_STATUS_SUCCESS)
        mindDeviceCount = 0;
}

QByteArray serialOf(const CAMERA_DEVICE_RECORD& device)
{
    return QByteArray(device.serialNumber, static_cast<int>(strnlen(device.serialNumber, sizeof(device.serialNumber))));
}

}  // namespace

MindCamera::MindCamera(QObject* parent)
    : SdkCamera(parent)
{
}

MindCamera::~MindCamera()
{
    release();
}

QString MindCamera::iid() const
{
    return QString::fromLatin1(kIid);
}

QList<CameraInfo*> MindCamera::enumerate()
{
    CameraSetSysOption("IpCheck", "repair");
    enumerateDevices();
    QList<CameraInfo*> found;
    for (int i = 0; i < mindDeviceCount; ++i) {
        auto* info = new CameraInfo;
        info->index = i;
        info->iid = iid();
        setInfoText(info->sn, serialOf(mindDeviceList[i]));
        found << info;
    }
    return found;
}

int MindCamera::deviceCount()
{
    enumerateDevices();
    return mindDeviceCount;
}

CameraInterface* MindCamera::create(CameraInfo info)
{
    auto* camera = new MindCamera;
    camera->bind(info);
    if (info.index >= 0 && info.index < kMaxDevices)
        camera->m_device = mindDeviceList[info.index];
    return camera;
}

bool MindCamera::open()
{
    // A handle still held from an earlier open would keep the device to itself.
    release();
    if (CameraInit(&m_device, -1, -1, &m_handle) != CAMERA_STATUS_SUCCESS) {
        m_handle = 0;
        return false;
    }
    CameraGetCapability(m_handle, &m_capability);
    m_colourSensor = !m_capability.monoSensor;
    setFullResolution();
    setOutputFormat();
    CameraSetConnectionStatusCallback(m_handle, &MindCamera::onConnectionStatus, this);
    CameraSetCallbackFunction(m_handle, &MindCamera::onFrame, this);
    CameraCommonCall(m_handle, "set_online_detect_interval(500)", nullptr, 0);
    CameraSetAeState(m_handle, 0);
    CameraCommonCall(m_handle, "set_awdr_enable(false)", nullptr, 0);

    if (!allocateFrames(m_width, m_height)) {
        release();
        return false;
    }
    m_isp.assign(static_cast<size_t>(m_pixelCount) * 4, 0);
    m_staging.assign(static_cast<size_t>(m_frameLength), 0);
    return true;
}

void MindCamera::setFullResolution()
{
    CAMERA_RESOLUTION resolution;
    std::memset(&resolution, 0, sizeof(resolution));
    CameraGetImageResolution(m_handle, &resolution);
    resolution.index = CAMERA_RESOLUTION_CUSTOM;
    resolution.offsetX = 0;
    resolution.offsetY = 0;
    resolution.fovWidth = resolution.width = m_capability.maxWidth;
    resolution.fovHeight = resolution.height = m_capability.maxHeight;
    CameraSetImageResolution(m_handle, &resolution);
    m_width = m_capability.maxWidth;
    m_height = m_capability.maxHeight;
}

void MindCamera::setOutputFormat()
{
    if (!m_colourSensor) {
        CameraSetIspOutFormat(m_handle, CAMERA_MEDIA_MONO8);
        CameraSetMonochrome(m_handle, 0);
    } else if (m_colour) {
        CameraSetMediaType(m_handle, 0);
        CameraSetIspOutFormat(m_handle, CAMERA_MEDIA_RGB8);
    } else {
        CameraSetMediaType(m_handle, 1);
        CameraSetIspOutFormat(m_handle, CAMERA_MEDIA_MONO8);
    }
}

void MindCamera::close()
{
    if (m_handle > 0)
        CameraUnInit(m_handle);
    CameraSetCallbackFunction(m_handle, nullptr, nullptr);
    m_handle = 0;
}

bool MindCamera::startGrab()
{
    // A play the SDK refuses leaves the camera without frames: report it, so that a reconnect
    // fails and is tried again instead of passing for a working camera.
    return m_handle > 0 && CameraPlay(m_handle) == CAMERA_STATUS_SUCCESS;
}

void MindCamera::stopGrab()
{
    if (m_handle > 0)
        CameraStop(m_handle);
}

void MindCamera::release()
{
    stopGrab();
    close();
}

bool MindCamera::reconnect()
{
    m_connected = false;
    enumerateDevices();
    const QByteArray bound = m_serial.toLatin1();
    for (int i = 0; i < mindDeviceCount; ++i) {
        if (serialOf(mindDeviceList[i]) == bound) {
            m_device = mindDeviceList[i];
            return openAndStart();
        }
    }
    return false;
}

void MindCamera::onFrame(CameraHandle, unsigned char* raw, CAMERA_FRAME_HEAD* head, void* context)
{
    if (raw && head && context)
        static_cast<MindCamera*>(context)->handleFrame(raw, *head);
}

void MindCamera::handleFrame(unsigned char* raw, const CAMERA_FRAME_HEAD& head)
{
    FrameSlot* slot = frames();
    // The ISP buffer holds one frame of the opened size; another size would overrun it.
    if (!slot || head.width != m_width || head.height != m_height)
        return;
    if (CameraImageProcess(m_handle, raw, m_isp.data(), &head) != CAMERA_STATUS_SUCCESS)
        return;
    if (!m_colour) {
        slot->publish(m_isp.data(), static_cast<size_t>(m_pixelCount));
        return;
    }
    // A mono sensor's ISP output is grey even in colour mode: each byte becomes blue = green = red.
    if (m_colourSensor)
        rgb24ToRgb32(m_staging.data(), m_isp.data(), m_width, m_height);
    else
        grayToRgb32(m_isp.data(), m_staging.data(), m_width, m_height);
    slot->publish(m_staging.data(), m_staging.size());
}

void MindCamera::onConnectionStatus(CameraHandle, unsigned int message, unsigned int, void* context)
{
    if (!context)
        return;
    auto* camera = static_cast<MindCamera*>(context);
    if (message == CAMERA_CONNECTION_LOST)
        camera->m_connected = false;
    else if (message == CAMERA_CONNECTION_RESTORED)
        camera->m_connected = true;
}
