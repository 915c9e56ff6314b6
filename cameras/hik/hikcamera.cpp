// HikCamera: enumeration, open and close, grabbing, the frame and exception callbacks, and
// reconnection.
#include "cameras/hik/hikcamera.h"

#include "detection/pixelconvert.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>

namespace {

const char* const kIid = "hikcamera_IID";
constexpr unsigned int kTransportLayers = MV_GIGE_DEVICE | MV_USB_DEVICE;
// A bound serial this short names no particular device: open takes the first that opens.
constexpr int kShortSerial = 8;

// The devices the last enumerate kept (records owned by the SDK); open and create look in it.
MV_DEVICE_RECORD_LIST hikDeviceList;

bool servedMaker(const MV_DEVICE_RECORD& device)
{
    const QByteArray maker(device.manufacturerName, static_cast<int>(strnlen(device.manufacturerName, sizeof(device.manufacturerName))));
    return maker.contains("Hik") || maker.contains("GEV");
}

QByteArray serialOf(const MV_DEVICE_RECORD& device)
{
    return QByteArray(device.serialNumber, static_cast<int>(strnlen(device.serialNumber, sizeof(device.serialNumber))));
}

// An SDK code as a signed hexadecimal number at least 8 characters wide: "80000203" is shown as
// "-7ffffdfd".
QString hexCode(int code)
{
    const qint64 value = code;
    const QString digits = QString::number(value < 0 ? -value : value, 16);
    const QString sign = value < 0 ? QStringLiteral("-") : QString();
    return sign + QString(std::max(0, 8 - sign.size() - digits.size()), QLatin1Char('0')) + digits;
}

}  // namespace

HikCamera::HikCamera(QObject* parent)
    : SdkCamera(parent)
{
}

HikCamera::~HikCamera()
{
    release();
}

QString HikCamera::iid() const
{
    return QString::fromLatin1(kIid);
}

QList<CameraInfo*> HikCamera::enumerate()
{
    QList<CameraInfo*> found;
    MV_DEVICE_RECORD_LIST all;
    std::memset(&hikDeviceList, 0, sizeof(hikDeviceList));
    if (MV_CC_EnumDevices(kTransportLayers, &all) != MV_OK)
        return found;
    for (unsigned int i = 0; i < all.count; ++i) {
        if (!all.devices[i] || !servedMaker(*all.devices[i]))
            continue;
        auto* info = new CameraInfo;
        info->index = static_cast<int>(hikDeviceList.count);
        info->iid = iid();
        setInfoText(info->sn, serialOf(*all.devices[i]));
        hikDeviceList.devices[hikDeviceList.count++] = all.devices[i];
        found << info;
    }
    return found;
}

CameraInterface* HikCamera::create(CameraInfo info)
{
    auto* camera = new HikCamera;
    camera->bind(info);
    const QByteArray serial = infoText(info.sn);
    if (serial.size() > kShortSerial) {
        // The last match wins.
        for (unsigned int i = 0; i < hikDeviceList.count; ++i) {
            if (serialOf(*hikDeviceList.devices[i]) == serial) {
                camera->m_device = *hikDeviceList.devices[i];
                camera->m_hasDevice = true;
            }
        }
    }
    return camera;
}

bool HikCamera::openDevice(const MV_DEVICE_RECORD& device)
{
    int rc = MV_CC_CreateHandle(&m_handle, &device);
    if (rc != MV_OK) {
        m_handle = nullptr;
        qInfo("camera open error : %s", qPrintable(hexCode(rc)));
        return false;
    }
    rc = MV_CC_OpenDevice(m_handle, MV_ACCESS_EXCLUSIVE, 0);
    if (rc != MV_OK) {
        qInfo("camera open error : %s", qPrintable(hexCode(rc)));
        MV_CC_DestroyHandle(m_handle);
        m_handle = nullptr;
        return false;
    }
    return true;
}

bool HikCamera::open()
{
    // A handle still held from an earlier open would keep the device to itself.
    release();
    if (m_hasDevice) {
        if (!openDevice(m_device))
            return false;
    } else {
        // A second instance moves on past devices that another instance holds.
        bool opened = false;
        for (unsigned int i = 0; i < hikDeviceList.count && !opened; ++i) {
            if (openDevice(*hikDeviceList.devices[i])) {
                m_device = *hikDeviceList.devices[i];
                m_hasDevice = true;
                m_serial = QString::fromLatin1(serialOf(m_device));
                opened = true;
            }
        }
        if (!opened)
            return false;
    }

    MV_CC_RegisterImageCallBack(m_handle, &HikCamera::onImage, this);
    MV_CC_RegisterExceptionCallBack(m_handle, &HikCamera::onException, this);

    // A model name ending in "M" marks a monochrome camera.
    MV_STRING_VALUE model{};
    MV_CC_GetStringValue(m_handle, "DeviceModelName", &model);
    const size_t modelLength = strnlen(model.current, sizeof(model.current));
    m_colourSensor = !(modelLength > 0 && model.current[modelLength - 1] == 'M');

    MV_INT_VALUE width{};
    MV_INT_VALUE height{};
    MV_CC_GetIntValue(m_handle, "Width", &width);
    MV_CC_GetIntValue(m_handle, "Height", &height);

    MV_CC_SetEnumValue(m_handle, "UserSetSelector", 0);
    MV_CC_SetCommandValue(m_handle, "UserSetLoad");
    MV_CC_SetBoolValue(m_handle, "SharpnessEnable", 1);
    MV_CC_SetBoolValue(m_handle, "GammaEnable", 1);
    MV_CC_SetIntValue(m_handle, "GevHeartbeatTimeout", 1000);

    if (!allocateFrames(width.current, height.current)) {
        close();
        return false;
    }
    m_convert.assign(static_cast<size_t>(m_frameLength), 0);
    return true;
}

void HikCamera::close()
{
    if (!m_handle)
        return;
    MV_CC_CloseDevice(m_handle);
    MV_CC_DestroyHandle(m_handle);
    m_handle = nullptr;
}

bool HikCamera::startGrab()
{
    return m_handle && MV_CC_StartGrabbing(m_handle) == MV_OK;
}

void HikCamera::stopGrab()
{
    if (m_handle)
        MV_CC_StopGrabbing(m_handle);
}

void HikCamera::release()
{
    stopGrab();
    close();
}

bool HikCamera::reconnect()
{
    m_connected = false;
    MV_DEVICE_RECORD_LIST all;
    if (MV_CC_EnumDevices(kTransportLayers, &all) != MV_OK)
        return false;
    const QByteArray bound = m_serial.toLatin1();
    for (unsigned int i = 0; i < all.count; ++i) {
        if (all.devices[i] && servedMaker(*all.devices[i]) && serialOf(*all.devices[i]) == bound) {
            m_device = *all.devices[i];
            m_hasDevice = true;
            return openAndStart();
        }
    }
    return false;
}

void HikCamera::onImage(unsigned char* data, MV_FRAME_INFO* info, void* user)
{
    if (!data || !info || !user)
        return;
    static_cast<HikCamera*>(user)->handleImage(data, *info);
}

void HikCamera::handleImage(const unsigned char* data, const MV_FRAME_INFO& info)
{
    FrameSlot* slot = frames();
    if (!slot)
        return;
    const int n = static_cast<int>(std::min<qint64>(info.frameLength, m_pixelCount));
    if (n <= 0)
        return;

    if (!m_colour) {
        slot->publish(data, static_cast<size_t>(n));
        return;
    }
    // Colour mode: pixels of the frame, at most the image's.
    const int pixels = static_cast<int>(std::min<qint64>(qint64(info.width) * info.height, m_pixelCount));
    if (!m_colourSensor) {
        // A monochrome camera delivers grey bytes: each becomes blue = green = red.
        slot->publish([data, n](unsigned char* out, size_t) { grayToRgb32(data, out, n, 1); });
        return;
    }
    MV_CONVERT_PARAM convert{};
    convert.width = info.width;
    convert.height = info.height;
    convert.sourcePixelType = info.pixelType;
    convert.sourceData = data;
    convert.sourceLength = info.frameLength;
    convert.destinationPixelType = MV_PIXEL_RGB8_PACKED;
    convert.destination = m_convert.data();
    convert.destinationSize = static_cast<unsigned int>(m_convert.size());
    if (MV_CC_ConvertPixelType(m_handle, &convert) != MV_OK)
        return;  // not a frame of this image: dropped, not counted
    slot->publish([this, pixels](unsigned char* out, size_t) { rgb24ToRgb32(out, m_convert.data(), pixels, 1); });
}

void HikCamera::onException(unsigned int messageType, void* user)
{
    if (!user || messageType != MV_EXCEPTION_DEV_DISCONNECT)
        return;
    auto* camera = static_cast<HikCamera*>(user);
    camera->m_connected = false;
    qInfo("camera %s disconnect", qPrintable(camera->serial()));
}
