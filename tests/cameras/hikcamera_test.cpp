// HikCamera against the MVS stand-in: which devices it serves, how it binds and opens them, how it
// maps the settings' levels onto the camera's ranges and back.
#include "cameras/hik/hikcamera.h"
#include "platform/mvs/mvs_testcontrol.h"
#include "tests/cameras/drivertestkit.h"
#include "tests/core/logcapture.h"

using namespace drivertest;
using virtualcam::DeviceDescription;
using virtualcam::Feature;
using virtualcam::Layout;
using virtualcam::Scene;

namespace {

class HikCameraTest : public DriverTest<hikKit> {
protected:
    static DeviceDescription device(const std::string& maker, const std::string& serial, const std::string& model = "MV-CA013-20GC")
    {
        return {maker, serial, model, kWidth, kHeight, Layout::BayerRG8};
    }
};

TEST_F(HikCameraTest, EnumerateListsOnlyTheMakesHikAndGev)
{
    bus().addDevice(device("Hikrobot", "DA0000001"));
    bus().addDevice(device("Basler", "BA0000002"));
    bus().addDevice(device("GEV Vision", "GE0000003"));
    bus().addDevice(device("hikvision", "HV0000004"));  // the make is matched case-sensitively

    HikCamera prototype;
    const QList<CameraInfo*> found = prototype.enumerate();
    ASSERT_EQ(found.size(), 2);
    EXPECT_STREQ(found[0]->sn, "DA0000001");
    EXPECT_STREQ(found[1]->sn, "GE0000003");
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(found[i]->index, i);
        EXPECT_EQ(found[i]->deviceNo, -1);
        EXPECT_EQ(found[i]->iid, QStringLiteral("hikcamera_IID"));
        EXPECT_STREQ(found[i]->address, "");
        EXPECT_TRUE(found[i]->kind.isEmpty());
    }

    std::unique_ptr<CameraInterface> camera(prototype.create(*found[1]));
    EXPECT_STREQ(camera->info().sn, "GE0000003");
    EXPECT_EQ(camera->info().index, 1);
    EXPECT_EQ(camera->serial(), QStringLiteral("GE0000003"));
    EXPECT_EQ(camera->iid(), QStringLiteral("hikcamera_IID"));
    EXPECT_EQ(camera->cameraType(), CAMERA_VISIBLE);
    EXPECT_EQ(camera->deviceCount(), 12);
    EXPECT_TRUE(camera->autoAdjust(false).isEmpty());
    ASSERT_TRUE(camera->open());
    EXPECT_NE(bus().holder("GE0000003"), 0);
    qDeleteAll(found);
}

TEST_F(HikCameraTest, ShortSerialOpensTheFirstDeviceThatOpensAndAdoptsItsSerial)
{
    bus().addDevice(device("Hikrobot", "DA0000001"));
    bus().addDevice(device("Hikrobot", "DA0000002"));
    HikCamera prototype;
    qDeleteAll(prototype.enumerate());

    CameraInfo shortSerial;
    shortSerial.index = 0;
    shortSerial.iid = QStringLiteral("hikcamera_IID");
    setInfoText(shortSerial.sn, "12345678");
    std::unique_ptr<CameraInterface> first(prototype.create(shortSerial));
    std::unique_ptr<CameraInterface> second(prototype.create(shortSerial));
    ASSERT_TRUE(first->open());
    EXPECT_EQ(first->serial(), QStringLiteral("DA0000001"));
    // The first device is held: the second instance moves on to the next.
    ASSERT_TRUE(second->open());
    EXPECT_EQ(second->serial(), QStringLiteral("DA0000002"));
    std::unique_ptr<CameraInterface> third(prototype.create(shortSerial));
    EXPECT_FALSE(third->open());
    EXPECT_EQ(bus().liveHandles(), 2);
}

TEST_F(HikCameraTest, FailedOpenLogsTheSdkCodeAsSignedHex)
{
    bus().addDevice(device("Hikrobot", "DA0000001"));
    auto camera = opened(false);
    HikCamera prototype;
    const QList<CameraInfo*> found = prototype.enumerate();
    std::unique_ptr<CameraInterface> second(prototype.create(*found[0]));
    qDeleteAll(found);

    LogCapture log;
    EXPECT_FALSE(second->open());
    bus().failNext("MV_CC_OpenDevice", 0x1234);
    camera->release();
    EXPECT_FALSE(camera->open());
    EXPECT_EQ(log.lines(), std::vector<std::string>({"camera open error : -7ffffdfd", "camera open error : 00001234"}));
    EXPECT_EQ(bus().liveHandles(), 0);
}

TEST_F(HikCameraTest, DisconnectIsLoggedWithTheSerial)
{
    bus().addDevice(device("Hikrobot", "DA0000001"));
    auto camera = opened(false);
    LogCapture log;
    bus().unplug("DA0000001");
    EXPECT_FALSE(camera->isConnected());
    EXPECT_EQ(log.lines(), std::vector<std::string>({"camera DA0000001 disconnect"}));
}

TEST_F(HikCameraTest, ReconnectFindsOnlyTheBoundSerial)
{
    bus().addDevice(device("Hikrobot", "DA0000001"));
    auto camera = opened(false);
    bus().unplug("DA0000001");
    camera->release();
    bus().addDevice(device("Hikrobot", "DA0000009"));
    EXPECT_FALSE(camera->reconnect());
    EXPECT_EQ(bus().holder("DA0000009"), 0);
}

TEST_F(HikCameraTest, ShortFrameIsCopiedWithItsOwnLength)
{
    bus().addDevice({"Hikrobot", "DA0000001", "MV-CA013-20GM", kWidth, kHeight, Layout::Mono8});
    auto camera = opened(false);
    ASSERT_TRUE(camera->startGrab());
    const Scene full = Scene::greyRamp(kWidth, kHeight, 1);
    const Scene rows = Scene::greyRamp(kWidth, 10, 50);
    ASSERT_TRUE(bus().deliver("DA0000001", {full, rows}));

    std::vector<unsigned char> frame(kWidth * kHeight);
    ASSERT_TRUE(camera->grabFrame(frame.data()));
    std::vector<unsigned char> expected = greyOf(full);
    const std::vector<unsigned char> top = greyOf(rows);
    std::copy(top.begin(), top.end(), expected.begin());
    EXPECT_EQ(frame, expected);
}

TEST_F(HikCameraTest, ColourFrameTheConversionCannotTakeIsDroppedUncounted)
{
    bus().addDevice(device("Hikrobot", "DA0000001"));
    auto camera = opened(true);
    ASSERT_TRUE(camera->startGrab());
    ASSERT_TRUE(bus().deliver("DA0000001", {Scene::uniform(kWidth, kHeight * 2, 1, 2, 3)}));
    int frames = 0;
    EXPECT_FALSE(camera->frameDelta(&frames));
    std::vector<unsigned char> frame = markedBuffer(kWidth * kHeight * 4);
    EXPECT_FALSE(camera->grabFrame(frame.data()));
    EXPECT_TRUE(markedFrom(frame, 0));
}

TEST_F(HikCameraTest, ParameterLevelsMapOntoTheCameraRanges)
{
    expectMappings(hikKit(), device("Hikrobot", "DA0000001"), {
        {"gain 64 is the maximum", {{"Gain", {0, 0, 17, {}}}}, [](CameraInterface& c) { c.setGain(64); }, "Gain", 17},
        {"gain 0 is the minimum", {{"Gain", {5, 2, 18, {}}}}, [](CameraInterface& c) { c.setGain(0); }, "Gain", 2},
        {"gain 32 is half way", {{"Gain", {5, 2, 18, {}}}}, [](CameraInterface& c) { c.setGain(32); }, "Gain", 10},
        {"gain switches automatic gain off", {{"GainAuto", {2, 0, 2, {}}}}, [](CameraInterface& c) { c.setGain(10); }, "GainAuto", 0},
        {"sharpness 50 of 0..200", {{"Sharpness", {0, 0, 200, {}}}}, [](CameraInterface& c) { c.setSharpness(50); }, "Sharpness", 100},
        {"sharpness truncates", {{"Sharpness", {0, 0, 7, {}}}}, [](CameraInterface& c) { c.setSharpness(50); }, "Sharpness", 3},
        {"gamma 125 of 0..4", {{"Gamma", {1, 0, 4, {}}}}, [](CameraInterface& c) { c.setGamma(125); }, "Gamma", 2},
        {"exposure in microseconds", {}, [](CameraInterface& c) { c.setExposureTime(5); }, "ExposureTime", 5000},
        {"frame rate level 2 is half", {{"AcquisitionFrameRate", {30, 1, 60, {}}}}, [](CameraInterface& c) { c.setFrameRateLevel(2); }, "AcquisitionFrameRate", 30},
        {"frame rate level 7 counts as 5", {{"AcquisitionFrameRate", {30, 1, 60, {}}}}, [](CameraInterface& c) { c.setFrameRateLevel(7); }, "AcquisitionFrameRate", 7.5},
        {"frame rate level -1 counts as 0", {{"AcquisitionFrameRate", {30, 1, 60, {}}}}, [](CameraInterface& c) { c.setFrameRateLevel(-1); }, "AcquisitionFrameRate", 60},
        {"trigger on sets the mode", {}, [](CameraInterface& c) { c.setTrigger(true); }, "TriggerMode", 1},
        {"trigger on sets source line 0", {}, [](CameraInterface& c) { c.setTrigger(true); }, "TriggerSource", 0},
        {"trigger off", {{"TriggerMode", {1, 0, 1, {}}}}, [](CameraInterface& c) { c.setTrigger(false); }, "TriggerMode", 0},
    });
}

TEST_F(HikCameraTest, RangeThatCannotBeReadLeavesTheValueAlone)
{
    bus().addDevice(device("Hikrobot", "DA0000001"));
    bus().setFeature("DA0000001", "Gain", {5, 0, 17, {}});
    bus().setFeature("DA0000001", "GainAuto", {2, 0, 2, {}});
    auto camera = opened(false);
    bus().failNext("MV_CC_GetGain", MV_E_NODEVICE);
    camera->setGain(64);
    EXPECT_EQ(bus().feature("DA0000001", "Gain").value, 5);
    EXPECT_EQ(bus().feature("DA0000001", "GainAuto").value, 2);

    int params[364] = {};
    params[8] = 21;
    bus().failNext("MV_CC_GetGain", MV_E_NODEVICE);
    camera->loadDefaults(params, 0);
    EXPECT_EQ(params[8], 21);
}

TEST_F(HikCameraTest, DefaultsAreWrittenBackAsLevels)
{
    struct Case {
        const char* name;
        std::string model;
        bool colour;
        Feature gain;
        unsigned int pixelFormat;
        int gainLevel;
    };
    const Case cases[] = {
        {"colour camera in colour mode", "MV-CA013-20GC", true, {8.5, 0, 17, {}}, MV_PIXEL_BAYER_RG8, 32},
        {"colour camera in grey mode", "MV-CA013-20GC", false, {8.5, 0, 17, {}}, MV_PIXEL_MONO8, 32},
        {"mono camera in colour mode", "MV-CA013-20GM", true, {8.5, 0, 17, {}}, MV_PIXEL_MONO8, 32},
        {"empty gain range stores 0", "MV-CA013-20GC", true, {5, 5, 5, {}}, MV_PIXEL_BAYER_RG8, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bus().reset();
        bus().addDevice(device("Hikrobot", "DA0000001", c.model));
        bus().setFeature("DA0000001", "ExposureTime", {12345, 15, 1000000, {}});
        bus().setFeature("DA0000001", "Gain", c.gain);
        bus().setFeature("DA0000001", "Sharpness", {25, 0, 100, {}});
        bus().setFeature("DA0000001", "Gamma", {1, 0, 2.5, {}});
        auto camera = opened(c.colour);
        camera->setExposureTime(99);
        camera->setGain(64);

        int params[364] = {};
        params[24 + 3] = 77;  // contrast: this camera has none
        camera->loadDefaults(params, 3);
        EXPECT_EQ(params[3], 12);
        EXPECT_EQ(params[8 + 3], c.gainLevel);
        EXPECT_EQ(params[16 + 3], 25);
        EXPECT_EQ(params[24 + 3], 77);
        EXPECT_EQ(params[32 + 3], 100);
        EXPECT_EQ(bus().feature("DA0000001", "PixelFormat").value, c.pixelFormat);
        EXPECT_TRUE(bus().wasCalled("MV_CC_SetCommandValue UserSetLoad"));
        // Grabbing runs again afterwards.
        EXPECT_TRUE(bus().deliver("DA0000001", {Scene::greyRamp(kWidth, kHeight, 1)}));
    }
}

TEST_F(HikCameraTest, OpenLoadsTheUserSetAndTheCameraSettings)
{
    bus().addDevice(device("Hikrobot", "DA0000001"));
    auto camera = opened(false);
    EXPECT_TRUE(bus().wasCalled("MV_CC_OpenDevice 1 0"));
    EXPECT_TRUE(bus().wasCalled("MV_CC_SetEnumValue UserSetSelector=0"));
    EXPECT_TRUE(bus().wasCalled("MV_CC_SetCommandValue UserSetLoad"));
    EXPECT_EQ(bus().feature("DA0000001", "SharpnessEnable").value, 1);
    EXPECT_EQ(bus().feature("DA0000001", "GammaEnable").value, 1);
    EXPECT_EQ(bus().feature("DA0000001", "GevHeartbeatTimeout").value, 1000);
}

}  // namespace
