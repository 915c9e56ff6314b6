// The network thermal camera driver against the SDK stand-in: enumeration, channels, open, frames,
// exceptions and reconnection, stop and close.
#include "hikirdevice.h"

#include "cameras/cameradiscovery.h"
#include "cameras/hikir/yv12convert.h"
#include "platform/playctrl/playctrl_framing.h"
#include "tests/core/logcapture.h"

#include <QElapsedTimer>

namespace {

QString kinds(const QList<CameraInfo*>& records)
{
    QStringList out;
    for (const CameraInfo* r : records)
        out << QStringLiteral("%1 %2 %3 %4 %5 %6")
                   .arg(r->deviceNo)
                   .arg(r->index)
                   .arg(r->kind, QString::fromLatin1(infoText(r->sn)), QString::fromLatin1(infoText(r->address)), r->iid);
    return out.join(QLatin1String("; "));
}

using HikIREnumeration = HikIRTest;

TEST_F(HikIREnumeration, ProbesEachLocalSubnetAndListsEveryChannel)
{
    const char* local[] = {"10.0.5.7", "192.168.7.10", "not-an-address", "172.16.9.3"};
    HCSim_SetLocalAddresses(local, 4);
    addDevice("192.168.5.64", "DS-TWO-CHANNEL", 2);
    addDevice("192.168.7.64", "DS-LOCKED", 1, kResolution640x480, "other-password");
    addDevice("192.168.9.64", "DS-ONE-CHANNEL", 1);

    HikIRCamera prototype;
    const QList<CameraInfo*> found = prototype.enumerate();
    EXPECT_EQ(kinds(found),
              "0 -1 IRCamera DS-TWO-CHANNEL 192.168.5.64 hikircamera_IID; "
              "1 -1 RGBCamera DS-TWO-CHANNEL 192.168.5.64 hikircamera_IID; "
              "2 -1 IRCamera DS-ONE-CHANNEL 192.168.9.64 hikircamera_IID");
    qDeleteAll(found);

    const QStringList log = calls();
    EXPECT_EQ(log.filter(QStringLiteral("NET_DVR_SetValidIP")),
              QStringList({"NET_DVR_SetValidIP 0 0", "NET_DVR_SetValidIP 1 0", "NET_DVR_SetValidIP 2 0", "NET_DVR_SetValidIP 3 0"}));
    EXPECT_EQ(log.filter(QStringLiteral("NET_DVR_Login_V40")),
              QStringList({"NET_DVR_Login_V40 192.168.5.64 8000 admin", "NET_DVR_Login_V40 192.168.7.64 8000 admin",
                           "NET_DVR_Login_V40 192.168.9.64 8000 admin"}));
    EXPECT_EQ(log.filter(QStringLiteral("NET_DVR_Logout")).size(), 2);
    EXPECT_FALSE(log.contains(QStringLiteral("NET_DVR_Cleanup")));
    EXPECT_EQ(log.mid(log.size() - 2), QStringList({"NET_DVR_SetLogToFile 0 ./sdkLog1 0", "NET_DVR_SetLogPrint 0"}));
    EXPECT_EQ(prototype.deviceCount(), 3);
    EXPECT_EQ(prototype.iid(), QStringLiteral("hikircamera_IID"));
}

TEST_F(HikIREnumeration, FindingNothingReleasesTheSdk)
{
    struct Case {
        const char* what;
        bool localAddressesFail;
    };
    for (const Case& c : {Case{"no device on the subnet", false}, Case{"local addresses unknown", true}}) {
        SCOPED_TRACE(c.what);
        HCSim_Reset();
        const char* local[] = {"192.168.3.20"};
        HCSim_SetLocalAddresses(local, 1);
        HCSim_FailLocalAddresses(c.localAddressesFail);
        HikIRCamera prototype;
        EXPECT_TRUE(prototype.enumerate().isEmpty());
        const QStringList log = calls();
        EXPECT_TRUE(log.contains(QStringLiteral("NET_DVR_Cleanup")));
        EXPECT_EQ(log.mid(log.size() - 2), QStringList({"NET_DVR_SetLogToFile 0 ./sdkLog1 0", "NET_DVR_SetLogPrint 0"}));
    }
}

TEST_F(HikIRTest, EachChannelOpensAsItsOwnCamera)
{
    struct Case {
        const char* kind;
        int channels;
        int channel;
        int type;
    };
    const Case cases[] = {
        {"IRCamera", 2, 2, CAMERA_THERMAL},
        {"RGBCamera", 2, 1, CAMERA_VISIBLE},
        {"IRCamera", 1, 1, CAMERA_THERMAL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 of a %2-channel device").arg(c.kind).arg(c.channels).toStdString());
        TearDown();
        SetUp();
        const int device = addDevice("192.168.1.64", "DS-1", c.channels);
        HikIRCamera* cam = camera("192.168.1.64", c.kind);
        ASSERT_TRUE(cam->open());
        EXPECT_EQ(cam->cameraType(), c.type);
        EXPECT_TRUE(cam->isConnected());

        // Image record: byte 28 cleared, size in the first field, the rest as read.
        Bytes image = patterned(492, c.channel);
        image[28] = 0;
        setFieldOf<unsigned>(image, 0, 492);
        EXPECT_EQ(written(device, 3369, c.channel, 492), image);
        // Subscription to realtime thermometry of the channel.
        Bytes subscription(72, 0);
        setFieldOf<unsigned>(subscription, 0, 72);
        setFieldOf<unsigned>(subscription, 4, static_cast<unsigned>(c.channel));
        EXPECT_EQ(condition(device, 3629, c.channel, 72), subscription);
        // Stream configuration request of the channel.
        Bytes stream(112, 0);
        setFieldOf<unsigned>(stream, 0, 112);
        setFieldOf<unsigned>(stream, 4, 72);
        setFieldOf<unsigned>(stream, 40, static_cast<unsigned>(c.channel));
        EXPECT_EQ(condition(device, 3216, c.channel, 112), stream);
        // Only the thermal channel is set up for thermometry.
        EXPECT_EQ(!callsStartingWith(QStringLiteral("NET_DVR_SetSTDConfig 6766")).isEmpty(), c.type == CAMERA_THERMAL);

        ASSERT_TRUE(cam->startGrab());
        EXPECT_EQ(HCSim_LastPreviewChannel(device), c.channel);
        EXPECT_EQ(calls().filter(QStringLiteral("NET_DVR_FocusOnePush")).size(), 0);
        EXPECT_TRUE(cam->autoAdjust(true).isEmpty());
        EXPECT_TRUE(cam->autoAdjust(false).isEmpty());
        EXPECT_EQ(calls().filter(QStringLiteral("NET_DVR_FocusOnePush")),
                  QStringList(QStringLiteral("NET_DVR_FocusOnePush %1 %2").arg(userOf(device)).arg(c.channel)));
    }
}

TEST_F(HikIRTest, OpenFailsWhenTheLoginFails)
{
    addDevice("192.168.1.64", "DS-1", 1, kResolution640x480, "changed");
    HikIRCamera* cam = camera("192.168.1.64");
    EXPECT_FALSE(cam->open());
    EXPECT_FALSE(cam->startGrab());
    HikIRCamera* absent = camera("192.168.2.64");
    EXPECT_FALSE(absent->open());
    EXPECT_EQ(calls().filter(QStringLiteral("NET_DVR_SetConnectTime 3000 3")).size(), 2);
    EXPECT_EQ(calls().filter(QStringLiteral("NET_DVR_SetReconnect 10000 1")).size(), 2);
}

TEST_F(HikIRTest, TheFrameSizeFollowsTheStreamResolution)
{
    struct Case {
        const char* what;
        unsigned byteCode;
        unsigned wideCode;
        int width;
        int height;
    };
    const Case cases[] = {
        {"code 98", 98, 0, 2688, 1520},
        {"code 76", 76, 0, 640, 512},
        {"code 1", 1, 254, 352, 288},
        {"unlisted code keeps full HD", 5, 0, 1920, 1080},
        {"a wide code wins over the byte", 16, 300, 1920, 1080},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool colour : {false, true}) {
            TearDown();
            SetUp();
            const int device = addDevice("192.168.1.64", "DS-1", 1);
            Bytes stream(116, 0);
            stream[9] = static_cast<unsigned char>(c.byteCode);
            setFieldOf<unsigned>(stream, 36, c.wideCode);
            HCSim_SetRecord(device, 3216, 1, stream.data(), 116);
            HikIRCamera* cam = camera("192.168.1.64", "IRCamera", colour);
            ASSERT_TRUE(cam->open());
            int w = 0;
            int h = 0;
            cam->size(&w, &h);
            EXPECT_EQ(w, c.width);
            EXPECT_EQ(h, c.height);
            EXPECT_EQ(cam->colorMode(), colour);

            // The stream's pictures fill exactly one frame of that size.
            const Bytes picture = gradientPicture(w, h, 1);
            HCSim_SetStreamPicture(device, 1, w, h, picture.data());
            ASSERT_TRUE(cam->startGrab());
            const std::size_t frameBytes = static_cast<std::size_t>(w) * h * (colour ? 4 : 1);
            Bytes frame(frameBytes + 16, 0xAA);
            ASSERT_TRUE(waitFor([&] { return cam->grabFrame(frame.data()); }));
            Bytes expected(frameBytes);
            if (colour)
                yv12ToBgr32(picture.data(), expected.data(), w, h);
            else
                yv12ToGray(picture.data(), expected.data(), w, h);
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), frame.begin()));
            EXPECT_EQ(Bytes(frame.begin() + static_cast<long>(frameBytes), frame.end()), Bytes(16, 0xAA));
        }
    }
}

TEST_F(HikIRTest, FramesArePolledOnceAndCounted)
{
    const int device = addDevice("192.168.1.64", "DS-1", 1);
    HikIRCamera* cam = camera("192.168.1.64");
    ASSERT_TRUE(cam->open());
    Bytes frame(640 * 480, 0xAA);
    int frames = -1;
    EXPECT_FALSE(cam->grabFrame(frame.data()));
    EXPECT_EQ(frame, Bytes(640 * 480, 0xAA));
    EXPECT_FALSE(cam->frameDelta(&frames));
    EXPECT_EQ(frames, 0);

    const Bytes picture = gradientPicture(640, 480, 2);
    HCSim_SetStreamPicture(device, 1, 640, 480, picture.data());
    ASSERT_TRUE(cam->startGrab());
    EXPECT_TRUE(cam->startGrab());  // already previewing: no second preview
    EXPECT_EQ(HCSim_PreviewCount(), 1);
    ASSERT_TRUE(waitFor([&] { return cam->frameDelta(&frames) && frames > 0; }));
    cam->stopGrab();
    EXPECT_EQ(HCSim_PreviewCount(), 0);
    // The newest converted frame is still delivered once; nothing more arrives.
    EXPECT_TRUE(cam->grabFrame(frame.data()));
    EXPECT_FALSE(cam->grabFrame(frame.data()));
    cam->frameDelta(&frames);
    QThread::msleep(100);
    EXPECT_FALSE(cam->frameDelta(&frames));
    EXPECT_EQ(frames, 0);
}

TEST_F(HikIRTest, PictureLargerThanThePlayerBufferResetsThePlayerInsteadOfStallingIt)
{
    const int device = addDevice("192.168.1.64", "DS-1", 1);
    HikIRCamera* cam = camera("192.168.1.64");
    ASSERT_TRUE(cam->open());
    const Bytes picture = gradientPicture(640, 480, 2);
    HCSim_SetStreamPicture(device, 1, 640, 480, picture.data());
    LogCapture log;
    ASSERT_TRUE(cam->startGrab());
    int frames = 0;
    ASSERT_TRUE(waitFor([&] { return cam->frameDelta(&frames) && frames > 0; }));

    // The device sends pictures of 47 040 000 bytes, more than the player's buffer holds.
    {
        const Bytes huge = gradientPicture(5600, 5600, 3);
        HCSim_SetStreamPicture(device, 1, 5600, 5600, huge.data());
    }
    const auto stallLines = [&log] {
        int n = 0;
        for (const std::string& line : log.lines())
            n += line.find("camera SN: its stream holds a picture larger than the player's buffer") != std::string::npos;
        return n;
    };
    ASSERT_TRUE(waitFor([&] { return stallLines() > 0; }, 30000)) << "the stalled player was never noticed";

    // Pictures of the usual size reach the driver again, and the stall was logged once.
    HCSim_SetStreamPicture(device, 1, 640, 480, picture.data());
    cam->frameDelta(&frames);
    ASSERT_TRUE(waitFor([&] { return cam->frameDelta(&frames) && frames > 0; }, 30000)) << "the stream stayed stalled";
    EXPECT_EQ(stallLines(), 1);
    EXPECT_TRUE(cam->isConnected());
}

TEST_F(HikIRTest, AnExceptionMarksOnlyTheCameraOfItsLogin)
{
    const int a = addDevice("192.168.1.64", "DS-A", 1);
    const int b = addDevice("192.168.2.64", "DS-B", 1);
    HikIRCamera* camA = camera("192.168.1.64");
    HikIRCamera* camB = camera("192.168.2.64");
    ASSERT_TRUE(camA->open());
    ASSERT_TRUE(camB->open());  // opened last: the old driver sent every report here
    ASSERT_TRUE(camA->startGrab());
    ASSERT_TRUE(camB->startGrab());

    HCSim_SetDeviceOnline(a, 0);
    HCSim_WaitIdle();
    EXPECT_FALSE(camA->isConnected());
    EXPECT_FALSE(camA->reconnect());
    EXPECT_TRUE(camB->isConnected());

    // The SDK reconnects by itself; its report brings the camera back.
    HCSim_SetDeviceOnline(a, 1);
    HCSim_WaitIdle();
    EXPECT_TRUE(camA->isConnected());
    EXPECT_TRUE(camA->reconnect());
    const Bytes picture = gradientPicture(640, 480, 3);
    HCSim_SetStreamPicture(a, 1, 640, 480, picture.data());
    int frames = 0;
    camA->frameDelta(&frames);
    EXPECT_TRUE(waitFor([&] { return camA->frameDelta(&frames); }));

    struct Case {
        const char* what;
        unsigned type;
        int user;
        bool aConnected;
        bool bConnected;
    };
    const Case cases[] = {
        {"preview lost on B", 0x8005, userOf(b), true, false},
        {"other reports change nothing", 0x8000, userOf(a), true, false},
        {"a login of no camera", 0x8005, 999, true, false},
        {"preview back on B", 0x8015, userOf(b), true, true},
        {"an unknown report", 0x1234, userOf(a), true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HCSim_RaiseException(c.type, c.user, 0);
        HCSim_WaitIdle();
        EXPECT_EQ(camA->isConnected(), c.aConnected);
        EXPECT_EQ(camB->isConnected(), c.bConnected);
    }

    // A closed camera no longer receives the reports of its former login.
    const int oldUser = userOf(a);
    camA->close();
    EXPECT_FALSE(camA->isConnected());
    HCSim_RaiseException(0x8015, oldUser, 0);
    HCSim_WaitIdle();
    EXPECT_FALSE(camA->isConnected());
}

TEST_F(HikIRTest, AReopenedCameraPreviewsAgain)
{
    const int device = addDevice("192.168.1.64", "DS-1", 1);
    const Bytes picture = gradientPicture(640, 480, 4);
    HCSim_SetStreamPicture(device, 1, 640, 480, picture.data());
    HikIRCamera* cam = camera("192.168.1.64");
    ASSERT_TRUE(cam->open());
    ASSERT_TRUE(cam->startGrab());
    Bytes frame(640 * 480);
    ASSERT_TRUE(waitFor([&] { return cam->grabFrame(frame.data()); }));

    cam->close();  // without stopGrab first
    EXPECT_EQ(HCSim_PreviewCount(), 0);
    EXPECT_EQ(HCSim_UsersOf(device, nullptr, 0), 0);
    ASSERT_TRUE(cam->open());
    ASSERT_TRUE(cam->startGrab());
    EXPECT_EQ(HCSim_PreviewCount(), 1);
    cam->grabFrame(frame.data());
    int frames = 0;
    cam->frameDelta(&frames);
    EXPECT_TRUE(waitFor([&] { return cam->frameDelta(&frames); }));
}

TEST_F(HikIRTest, StopThenStartAtOnceKeepsConverting)
{
    const int device = addDevice("192.168.1.64", "DS-1", 1);
    const Bytes picture = gradientPicture(640, 480, 5);
    HCSim_SetStreamPicture(device, 1, 640, 480, picture.data());
    HikIRCamera* cam = camera("192.168.1.64");
    ASSERT_TRUE(cam->open());
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(cam->startGrab());
        int frames = 0;
        cam->frameDelta(&frames);
        EXPECT_TRUE(waitFor([&] { return cam->frameDelta(&frames); }));
        cam->stopGrab();
    }
}

TEST_F(HikIRTest, CloseWithoutPreviewReturnsAtOnce)
{
    addDevice("192.168.1.64", "DS-1", 1);
    HikIRCamera* cam = camera("192.168.1.64");
    ASSERT_TRUE(cam->open());
    QElapsedTimer timer;
    timer.start();
    cam->close();
    EXPECT_LT(timer.elapsed(), 100);
    EXPECT_FALSE(cam->isConnected());
    cam->close();  // a second close does nothing
}

TEST_F(HikIRTest, StopAndCloseWhileFramesStream)
{
    HCSim_SetStreamInterval(1);
    const int a = addDevice("192.168.1.64", "DS-A", 2);
    const int b = addDevice("192.168.2.64", "DS-B", 1);
    const Bytes picture = gradientPicture(640, 480, 6);
    HCSim_SetStreamPicture(a, 1, 640, 480, picture.data());
    HCSim_SetStreamPicture(a, 2, 640, 480, picture.data());
    HCSim_SetStreamPicture(b, 1, 640, 480, picture.data());
    HikIRCamera* cams[] = {camera("192.168.1.64", "IRCamera", true), camera("192.168.1.64", "RGBCamera", false),
                           camera("192.168.2.64", "IRCamera", false)};
    Bytes frame(640 * 480 * 4);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        for (HikIRCamera* cam : cams) {
            ASSERT_TRUE(cam->open());
            ASSERT_TRUE(cam->startGrab());
        }
        for (HikIRCamera* cam : cams)
            EXPECT_TRUE(waitFor([&] { return cam->grabFrame(frame.data()); }));
        // Reports and results arrive while the cameras stop.
        HCSim_SetDeviceOnline(a, 0);
        HCSim_SetDeviceOnline(a, 1);
        if (round % 2)
            cams[0]->stopGrab();
        for (HikIRCamera* cam : cams)
            cam->close();
        HCSim_WaitIdle();
        EXPECT_EQ(HCSim_PreviewCount(), 0);
    }
}

TEST_F(HikIRTest, DiscoveryOpensEveryChannelAtItsPosition)
{
    const char* local[] = {"192.168.1.10", "192.168.2.10"};
    HCSim_SetLocalAddresses(local, 2);
    const int a = addDevice("192.168.1.64", "DS-A", 2);
    const int b = addDevice("192.168.2.64", "DS-B", 1);
    m_params.contrast[0] = 0;  // A's thermal channel
    m_params.contrast[1] = 1;  // A's visible channel: no thermometry
    m_params.contrast[2] = 7;  // B
    m_params.colourCamera[1] = 1;

    const int savedMask = cameraDriverMask;
    cameraDriverMask = 0x10;
    std::memset(cameraSerials, 0, sizeof cameraSerials);
    CameraDiscovery::discoverCameras();
    ASSERT_TRUE(cameraDrivers.contains(QStringLiteral("hikircamera_IID")));
    const QList<CameraInterface*> opened = CameraDiscovery::openCameras(m_params);
    ASSERT_EQ(opened.size(), 3);
    for (CameraInterface* cam : opened)
        m_cameras.push_back(static_cast<HikIRCamera*>(cam));
    EXPECT_EQ(opened[0]->cameraType(), CAMERA_THERMAL);
    EXPECT_EQ(opened[1]->cameraType(), CAMERA_VISIBLE);
    EXPECT_TRUE(opened[1]->colorMode());
    EXPECT_EQ(opened[2]->serial(), QStringLiteral("DS-B"));
    EXPECT_EQ(CameraDiscovery::openingPosition(), -1);
    // Each thermal camera's temperature range comes from its own slot.
    EXPECT_EQ(written(a, 3622, 2, 136).at(7), 0);
    EXPECT_EQ(written(b, 3622, 1, 136).at(7), 2);

    cameraDriverMask = savedMask;
    for (CameraInterface* prototype : cameraDrivers)
        delete prototype;
    cameraDrivers.clear();
    qDeleteAll(cameraInfoList);
    cameraInfoList.clear();
    cameraCount = 0;
}

}  // namespace
