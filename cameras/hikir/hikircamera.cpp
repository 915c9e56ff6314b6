// Lifecycle of the network thermal camera driver: enumeration, open and close, preview, the
// SDK and player callbacks, frame hand-off and the exception reports.
#include "cameras/hikir/hikircamera.h"

#include "cameras/cameradiscovery.h"
#include "cameras/hikir/hkhotcamerathread.h"
#include "cameras/hikir/recordbytes.h"
#include "cameras/hikir/yv12convert.h"
#include "platform/hcnetsdk/hcnetsdk.h"
#include "platform/playctrl/playctrl.h"

#include <QStringList>
#include <QWidget>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

constexpr char kIid[] = "hikircamera_IID";
constexpr char kIrKind[] = "IRCamera";
constexpr char kRgbKind[] = "RGBCamera";

// Login of the probe and of open.
constexpr unsigned short kDevicePort = 8000;
constexpr char kUserName[] = "admin";
constexpr char kPassword[] = "wqmz5817";
// The probed host on each local subnet: 192.168.<third number of the local address>.<this>.
constexpr int kProbeHost = 64;

// Channel information: byte 124 is 2 on a two-channel (visible and thermal) device.
constexpr unsigned kChannelInfoCommand = 100;
constexpr unsigned kChannelInfoBytes = 132;
constexpr unsigned kChannelCountAt = 124;
// Image record: read with 3368, byte 28 cleared, written with 3369 (size in its first field).
constexpr unsigned kImageGetCommand = 3368;
constexpr unsigned kImageSetCommand = 3369;
constexpr unsigned kImageBytes = 492;
constexpr unsigned kImageFlagAt = 28;
// Realtime thermometry subscription and its condition record.
constexpr unsigned kRealtimeThermometryCommand = 3629;
constexpr unsigned kConditionBytes = 72;
// Stream configuration: condition and result records; the resolution code.
constexpr unsigned kStreamCommand = 3216;
constexpr unsigned kStreamInBytes = 112;
constexpr unsigned kStreamOutBytes = 116;
constexpr unsigned kStreamInSecondAt = 4;
constexpr unsigned kStreamInSecondValue = 72;
constexpr unsigned kStreamInChannelAt = 40;
constexpr unsigned kResolutionWideAt = 36;
constexpr unsigned kResolutionByteAt = 9;
constexpr unsigned kPreviewRecordBytes = 288;
constexpr unsigned kPlayerBufferBytes = 46086480;
constexpr unsigned kStatusBufferBytes = 8192;
// Player error: its input buffer is full.
constexpr unsigned kPlayerInputFull = 11;

struct Resolution {
    unsigned code;
    int width;
    int height;
};
constexpr Resolution kResolutions[] = {
    {1, 352, 288},    {3, 704, 576},     {12, 384, 288},   {16, 640, 480},   {17, 1600, 1200},
    {18, 800, 600},   {19, 1280, 720},   {20, 1280, 960},  {76, 640, 512},   {98, 2688, 1520},
};

// Exception reports of the SDK and what they do to the camera of the login.
enum class ExceptionEffect { None, Lost, Back };
struct ExceptionReport {
    unsigned type;
    const char* line;
    ExceptionEffect effect;
};
constexpr ExceptionReport kExceptionReports[] = {
    {0x8000, "用户交互时异常", ExceptionEffect::None},
    {0x8005, "预览时重连", ExceptionEffect::Lost},
    {0x8015, "预览时重连成功", ExceptionEffect::Back},
    {0x8017, "用户交互恢复", ExceptionEffect::None},
    {0x8040, "用户重登陆", ExceptionEffect::None},
    {0x8041, "用户重登陆成功", ExceptionEffect::None},
};

const ExceptionReport* exceptionReport(unsigned type)
{
    for (const ExceptionReport& report : kExceptionReports) {
        if (report.type == type)
            return &report;
    }
    return nullptr;
}

// Player port -> camera: inserted by the preview data callback, removed by stopGrab, looked up by
// the display callback.
std::mutex portMapMutex;
std::map<int, HikIRCamera*> portMap;

// SDK user handle -> camera: the exception callback is one for the process, so reports are
// routed by the login they name. Entries live from open to close.
std::mutex userMapMutex;
std::map<int, HikIRCamera*> userMap;

// Logs in to `address` with the driver's credentials; the user handle (negative on failure).
int login(const QByteArray& address, NET_DVR_DEVICEINFO_V40& device)
{
    NET_DVR_USER_LOGIN_INFO record;
    std::memset(&record, 0, sizeof record);
    std::strncpy(record.sDeviceAddress, address.constData(), sizeof record.sDeviceAddress - 1);
    record.wPort = kDevicePort;
    std::strncpy(record.sUserName, kUserName, sizeof record.sUserName - 1);
    std::strncpy(record.sPassword, kPassword, sizeof record.sPassword - 1);
    std::memset(&device, 0, sizeof device);
    return NET_DVR_Login_V40(&record, &device);
}

bool readDvrConfig(int user, unsigned command, int channel, ByteRecord& record)
{
    unsigned returned = 0;
    return NET_DVR_GetDVRConfig(user, command, channel, record.data(), static_cast<unsigned>(record.size()), &returned) != 0;
}

// Whether the device behind `user` carries a visible and a thermal channel.
bool isTwoChannelDevice(int user)
{
    ByteRecord info(kChannelInfoBytes, 0);
    return readDvrConfig(user, kChannelInfoCommand, 1, info) && info[kChannelCountAt] == 2;
}

// The probe address on the subnet of a local address; empty when it is no dotted address.
QByteArray probeAddress(const char* localAddress)
{
    const QList<QByteArray> parts = QByteArray(localAddress).split('.');
    bool ok = false;
    const int third = parts.size() == 4 ? parts[2].toInt(&ok) : -1;
    if (!ok || third < 0 || third > 255)
        return {};
    return QByteArray("192.168.") + QByteArray::number(third) + '.' + QByteArray::number(kProbeHost);
}

CameraInfo* newRecord(const QByteArray& serial, const QByteArray& address, const char* kind)
{
    auto* info = new CameraInfo;
    info->index = -1;
    info->iid = QString::fromLatin1(kIid);
    info->kind = QString::fromLatin1(kind);
    setInfoText(info->sn, serial);
    setInfoText(info->address, address);
    return info;
}

}  // namespace

// The C callbacks of the SDK and the player, routed to their camera.
struct HikIRCallbacks {
    static void previewData(int, unsigned type, unsigned char* data, unsigned size, void* user)
    {
        static_cast<HikIRCamera*>(user)->handlePreviewData(type, data, size);
    }

    static void display(const PLAYM4_DISPLAY_INFO* info)
    {
        HikIRCamera* camera = nullptr;
        {
            std::lock_guard<std::mutex> lock(portMapMutex);
            auto it = portMap.find(info->nPort);
            if (it != portMap.end())
                camera = it->second;
        }
        if (camera)
            camera->keepPicture(info->pBuf, info->nBufLen);
    }

    static void thermometry(unsigned type, void* data, unsigned size, void* user)
    {
        static_cast<HikIRCamera*>(user)->handleThermometry(type, data, size);
    }

    static void exception(unsigned type, int userId, int, void*)
    {
        const ExceptionReport* report = exceptionReport(type);
        if (report)
            qInfo("%s", report->line);
        else
            qInfo("事件：0x%x", type);
        std::lock_guard<std::mutex> lock(userMapMutex);
        auto it = userMap.find(userId);
        if (it != userMap.end())
            it->second->handleException(type);
    }
};

HikIRCamera::HikIRCamera(QObject* parent)
    : CameraInterface(parent)
{
    m_info.index = -1;
    m_info.deviceNo = -1;
}

HikIRCamera::~HikIRCamera()
{
    {
        std::lock_guard<std::mutex> lock(userMapMutex);
        for (auto it = userMap.begin(); it != userMap.end();)
            it = it->second == this ? userMap.erase(it) : std::next(it);
    }
    {
        std::lock_guard<std::mutex> lock(portMapMutex);
        for (auto it = portMap.begin(); it != portMap.end();)
            it = it->second == this ? portMap.erase(it) : std::next(it);
    }
    stopConverter();
}

QString HikIRCamera::iid() const
{
    return QString::fromLatin1(kIid);
}

CameraInterface* HikIRCamera::create(CameraInfo info)
{
    auto* camera = new HikIRCamera;
    camera->m_info = info;
    camera->m_serial = QString::fromLatin1(infoText(info.sn));
    return camera;
}

QList<CameraInfo*> HikIRCamera::enumerate()
{
    QList<CameraInfo*> result;
    NET_DVR_Init();
    char local[16][16] = {};
    unsigned localCount = 0;
    int bind = 0;
    if (!NET_DVR_GetLocalIP(local, &localCount, &bind)) {
        qInfo("NET_DVR_GetLocalIP failed, error code: %u", NET_DVR_GetLastError());
        localCount = 0;
    }
    int deviceNo = 0;
    for (unsigned i = 0; i < std::min(localCount, 16u); ++i) {
        NET_DVR_SetValidIP(i, 0);
        const QByteArray address = probeAddress(local[i]);
        if (address.isEmpty())
            continue;
        NET_DVR_DEVICEINFO_V40 device;
        const int user = login(address, device);
        if (user < 0) {
            qInfo("Login DVR failed %s, error code: %u", address.constData(), NET_DVR_GetLastError());
            continue;
        }
        const QByteArray serial(device.sSerialNumber, static_cast<int>(strnlen(device.sSerialNumber, sizeof device.sSerialNumber)));
        QList<CameraInfo*> found{newRecord(serial, address, kIrKind)};
        if (isTwoChannelDevice(user))
            found.append(newRecord(serial, address, kRgbKind));
        NET_DVR_Logout(user);
        for (CameraInfo* info : found) {
            info->deviceNo = deviceNo++;
            result.append(info);
        }
    }
    if (result.isEmpty())
        NET_DVR_Cleanup();
    NET_DVR_SetLogToFile(0, "./sdkLog1", 0);
    NET_DVR_SetLogPrint(0);
    return result;
}

int HikIRCamera::frameBytes() const
{
    return width * height * (m_colour ? 4 : 1);
}

void HikIRCamera::setColorMode(bool colour)
{
    m_colour = colour;
    // Never called while grabbing; after open the output frame follows the new layout.
    if (m_frames.frameBytes() != 0)
        m_frames.allocate(static_cast<std::size_t>(frameBytes()));
}

void HikIRCamera::size(int* w, int* h) const
{
    *w = width;
    *h = height;
}

void HikIRCamera::setViewWidget(QWidget* widget)
{
    m_viewWidget = widget;
}

void HikIRCamera::setCameraSlot(int slot)
{
    m_cameraSlot = slot >= 0 && slot < 8 ? slot : -1;
}

QJsonObject HikIRCamera::autoAdjust(bool on)
{
    if (on)
        NET_DVR_FocusOnePush(userId, channel);
    return {};
}

bool HikIRCamera::open()
{
    if (userId >= 0)
        close();
    if (m_cameraSlot < 0)
        setCameraSlot(CameraDiscovery::openingPosition());

    NET_DVR_SetConnectTime(3000, 3);
    NET_DVR_SetReconnect(10000, 1);

    const QByteArray address = infoText(m_info.address);
    NET_DVR_DEVICEINFO_V40 device;
    const int user = login(address, device);
    if (user < 0) {
        qInfo("Login DVR failed %s LastError[%u]", address.constData(), NET_DVR_GetLastError());
        return false;
    }
    userId = user;

    channel = 1;
    m_channelKind = 2;
    if (isTwoChannelDevice(userId)) {
        const bool visible = m_info.kind == QLatin1String(kRgbKind);
        channel = visible ? 1 : 2;
        m_channelKind = visible ? 1 : 2;
    }

    ByteRecord image(kImageBytes, 0);
    if (readDvrConfig(userId, kImageGetCommand, channel, image)) {
        image[kImageFlagAt] = 0;
        putField<unsigned>(image, 0, kImageBytes);
        NET_DVR_SetDVRConfig(userId, kImageSetCommand, channel, image.data(), kImageBytes);
    }

    ByteRecord condition(kConditionBytes, 0);
    putField<unsigned>(condition, 0, kConditionBytes);
    putField<unsigned>(condition, 4, static_cast<unsigned>(channel));
    if (NET_DVR_StartRemoteConfig(userId, kRealtimeThermometryCommand, condition.data(), kConditionBytes,
                                  HikIRCallbacks::thermometry, this) < 0)
        std::printf("NET_DVR_GET_REALTIME_THERMOMETRY failed, error code: %u\n", NET_DVR_GetLastError());
    else
        std::printf("NET_DVR_GET_REALTIME_THERMOMETRY is successful!\n");
    std::fflush(stdout);

    {
        std::lock_guard<std::mutex> lock(userMapMutex);
        userMap[userId] = this;
    }
    NET_DVR_SetExceptionCallBack_V30(0, nullptr, HikIRCallbacks::exception, nullptr);

    ByteRecord streamIn(kStreamInBytes, 0);
    putField<unsigned>(streamIn, 0, kStreamInBytes);
    putField<unsigned>(streamIn, kStreamInSecondAt, kStreamInSecondValue);
    putField<unsigned>(streamIn, kStreamInChannelAt, static_cast<unsigned>(channel));
    ByteRecord streamOut(kStreamOutBytes, 0);
    unsigned status = 0;
    NET_DVR_GetDeviceConfig(userId, kStreamCommand, 1, streamIn.data(), kStreamInBytes, &status, streamOut.data(), kStreamOutBytes);
    const unsigned wide = fieldAt<unsigned>(streamOut, kResolutionWideAt);
    const unsigned code = wide >= 255 ? wide : streamOut[kResolutionByteAt];

    stopConverter();
    converter = new HKHotCameraThread(this);

    for (const Resolution& r : kResolutions) {
        if (r.code == code) {
            width = r.width;
            height = r.height;
        }
    }

    statusBuffer.assign(kStatusBufferBytes, 0);
    {
        std::lock_guard<std::mutex> lock(frameMutex);
        yv12.assign(static_cast<std::size_t>(width) * height * 4, 0);
        pendingPicture = false;
    }
    // The frame length follows the size just read, so the buffers fit the frames.
    m_frames.allocate(static_cast<std::size_t>(frameBytes()));

    if (m_channelKind == 2)
        setUpThermometry();

    m_connected = true;
    return true;
}

bool HikIRCamera::startGrab()
{
    if (realPlayHandle >= 0)
        return true;
    NET_DVR_PREVIEWINFO preview;
    static_assert(sizeof preview == kPreviewRecordBytes, "preview record size");
    std::memset(&preview, 0, sizeof preview);
    preview.lChannel = channel;
    const int handle = NET_DVR_RealPlay_V40(userId, &preview, HikIRCallbacks::previewData, this);
    if (handle < 0) {
        qInfo("NET_DVR_RealPlay_V40 failed, error code: %u", NET_DVR_GetLastError());
        return false;
    }
    realPlayHandle = handle;
    if (converter) {
        converter->setRunning(true);
        converter->start();
    }
    return true;
}

void HikIRCamera::stopGrab()
{
    if (realPlayHandle < 0)
        return;
    // When the preview stops, its data callback runs no more; when the player stops, its
    // display callback runs no more.
    NET_DVR_StopRealPlay(realPlayHandle);
    realPlayHandle = -1;
    const int port = playPort.exchange(-1);
    if (port >= 0) {
        PlayM4_Stop(port);
        PlayM4_CloseStream(port);
        PlayM4_FreePort(port);
        std::lock_guard<std::mutex> lock(portMapMutex);
        portMap.erase(port);
    }
    // A startGrab right after must find the converter ended, or it would not start again.
    if (converter) {
        converter->setRunning(false);
        converter->wait();
    }
}

void HikIRCamera::close()
{
    stopGrab();
    if (userId >= 0) {
        {
            std::lock_guard<std::mutex> lock(userMapMutex);
            userMap.erase(userId);
        }
        NET_DVR_Logout(userId);
        userId = -2;
    }
    stopConverter();
    m_connected = false;
}

void HikIRCamera::stopConverter()
{
    if (!converter)
        return;
    converter->setRunning(false);
    converter->wait();
    delete converter;
    converter = nullptr;
}

void HikIRCamera::handlePreviewData(unsigned type, const unsigned char* data, unsigned size)
{
    if (type == NET_DVR_SYSHEAD) {
        if (playPort.load() >= 0)
            return;
        int port = -1;
        if (!PlayM4_GetPort(&port))
            return;
        playPort = port;
        if (size == 0)
            return;
        m_streamHeader.assign(data, data + size);
        m_inputSincePicture = 0;
        if (startPlayer(port)) {
            std::lock_guard<std::mutex> lock(portMapMutex);
            portMap[port] = this;
        }
    } else if (type == NET_DVR_STREAMDATA && size > 0) {
        const int port = playPort.load();
        if (port == -1)
            return;
        if (PlayM4_InputData(port, data, size)) {
            m_inputSincePicture += size;
            return;
        }
        if (PlayM4_GetLastError(port) != kPlayerInputFull)
            return;
        // A full buffer that a decoder drains is a moment's congestion; one that filled half
        // way without a picture holds a picture it can never take whole.
        if (m_inputSincePicture.load() >= kPlayerBufferBytes / 2)
            resetStalledPlayer(port);
        else
            QThread::msleep(2);
    }
}

bool HikIRCamera::startPlayer(int port)
{
    const bool playing = PlayM4_SetStreamOpenMode(port, PLAYM4_STREAME_REALTIME)
        && PlayM4_OpenStream(port, m_streamHeader.data(), static_cast<unsigned>(m_streamHeader.size()),
                             kPlayerBufferBytes)
        && PlayM4_SetDisplayCallBackEx(port, HikIRCallbacks::display, -1)
        && PlayM4_SetDisplayBuf(port, 1)
        && PlayM4_Play(port, nullptr);
    if (!playing)
        qInfo("player of camera %s does not start, error code: %u", qPrintable(m_serial), PlayM4_GetLastError(port));
    return playing;
}

void HikIRCamera::resetStalledPlayer(int port)
{
    if (!m_stallLogged.exchange(true))
        qWarning("camera %s: its stream holds a picture larger than the player's buffer of %u bytes; the player is "
                 "reset",
                 qPrintable(m_serial), kPlayerBufferBytes);
    PlayM4_Stop(port);
    PlayM4_CloseStream(port);
    m_inputSincePicture = 0;
    startPlayer(port);
}

void HikIRCamera::keepPicture(const unsigned char* picture, int bytes)
{
    m_inputSincePicture = 0;
    m_stallLogged = false;
    std::lock_guard<std::mutex> lock(frameMutex);
    const std::size_t n = std::min(static_cast<std::size_t>(std::max(bytes, 0)), yv12.size());
    std::memcpy(yv12.data(), picture, n);
    pendingPicture = true;
}

void HikIRCamera::convertPendingPicture()
{
    std::lock_guard<std::mutex> lock(frameMutex);
    if (!pendingPicture)
        return;
    m_frames.publish([this](unsigned char* frame, std::size_t) {
        if (m_colour)
            yv12ToBgr32(yv12.data(), frame, width, height);
        else
            yv12ToGray(yv12.data(), frame, width, height);
    });
    pendingPicture = false;
}

bool HikIRCamera::grabFrame(unsigned char* destination)
{
    return m_frames.take(destination);
}

bool HikIRCamera::frameDelta(int* frames)
{
    return m_frames.frameDelta(frames);
}

void HikIRCamera::handleException(unsigned type)
{
    const ExceptionReport* report = exceptionReport(type);
    if (!report)
        return;
    if (report->effect == ExceptionEffect::Lost && m_connected.exchange(false))
        qInfo("camera %s disconnect", qPrintable(m_serial));
    else if (report->effect == ExceptionEffect::Back) {
        m_connected = true;
        qInfo("camera %s reconnect", qPrintable(m_serial));
    }
}
