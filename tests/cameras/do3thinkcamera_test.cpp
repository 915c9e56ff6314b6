// Do3thinkCamera against the DVP stand-in: enumeration, open by friendly name, levels passed
// unchanged, frame dropping by level, frames that do not fit, and the defaults read back.
#include "cameras/do3think/do3thinkcamera.h"
#include "core/systemparam.h"
#include "platform/dvp/dvp_testcontrol.h"
#include "tests/cameras/drivertestkit.h"
#include "tests/core/logcapture.h"

#include <algorithm>

using namespace drivertest;
using virtualcam::DeviceDescription;
using virtualcam::Layout;
using virtualcam::Scene;

namespace {

const char* const kSerial = "DT0000001";

class Do3thinkCameraTest : public DriverTest<do3thinkKit> {
protected:
    static DeviceDescription device(const std::string& serial = kSerial)
    {
        return {"Do3think", serial, "M3ST130-H", kWidth, kHeight, Layout::BayerRG8};
    }
    static double value(const char* feature) { return bus().feature(kSerial, feature).value; }
};

TEST_F(Do3thinkCameraTest, EnumerateTakesTheFirstSixteenDevices)
{
    for (int i = 0; i < 17; ++i)
        bus().addDevice(device("DT00000" + std::to_string(10 + i)));
    Do3thinkCamera prototype;
    const QList<CameraInfo*> found = prototype.enumerate();
    ASSERT_EQ(found.size(), 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(found[i]->index, i);
        EXPECT_EQ(found[i]->deviceNo, -1);
        EXPECT_EQ(found[i]->iid, QStringLiteral("do3thinkcamera_IID"));
        EXPECT_EQ(QByteArray(found[i]->sn), QByteArray("DT00000") + QByteArray::number(10 + i));
    }
    EXPECT_EQ(prototype.deviceCount(), 17);
    EXPECT_FALSE(bus().wasCalled("dvpEnum 16"));
    qDeleteAll(found);
}

TEST_F(Do3thinkCameraTest, EnumerationFailuresAreLoggedAndSkipped)
{
    bus().addDevice(device("DT0000001"));
    bus().addDevice(device("DT0000002"));
    bus().addDevice(device("DT0000003"));
    Do3thinkCamera prototype;
    LogCapture log;
    bus().failNext("dvpRefresh", DVP_STATUS_NO_DEVICE);
    const QList<CameraInfo*> none = prototype.enumerate();
    bus().failNext("dvpEnum", DVP_STATUS_NO_DEVICE);
    const QList<CameraInfo*> found = prototype.enumerate();

    EXPECT_TRUE(none.isEmpty());
    ASSERT_EQ(found.size(), 2);
    EXPECT_STREQ(found[0]->sn, "DT0000002");
    EXPECT_EQ(found[0]->index, 0);
    EXPECT_STREQ(found[1]->sn, "DT0000003");
    EXPECT_EQ(found[1]->index, 1);
    EXPECT_EQ(log.lines(), std::vector<std::string>({"Do3thinkCamera find camera fail", "Do3thinkCamera Enumerate fail!"}));
    // Each index names its own device.
    std::unique_ptr<CameraInterface> camera(prototype.create(*found[1]));
    ASSERT_TRUE(camera->open());
    EXPECT_NE(bus().holder("DT0000003"), 0);
    qDeleteAll(found);
}

TEST_F(Do3thinkCameraTest, OpenByFriendlyNameSetsUpTheImageProcessing)
{
    bus().addDevice(device());
    bus().setFeature(kSerial, "RoiWidth", {40, 1, kWidth, {}});
    bus().setFeature(kSerial, "RoiHeight", {30, 1, kHeight, {}});
    bus().setFeature(kSerial, "AeOperation", {1, 0, 2, {}});
    auto camera = opened(true);
    EXPECT_TRUE(bus().wasCalled("dvpOpenByName " + dvp_test::friendlyNameOf(kSerial) + " 1"));
    int width = 0, height = 0;
    camera->size(&width, &height);
    EXPECT_EQ(width, 40);
    EXPECT_EQ(height, 30);
    EXPECT_EQ(value("GammaState"), 1);
    EXPECT_EQ(value("ContrastState"), 1);
    EXPECT_EQ(value("SharpnessState"), 1);
    EXPECT_EQ(value("TargetFormat"), DVP_FORMAT_RGB24);
    EXPECT_EQ(value("AeOperation"), 0);
    EXPECT_EQ(value("LinkTimeout"), 500);
    EXPECT_EQ(bus().feature(kSerial, "HdrEnable").text, "false");
    EXPECT_TRUE(camera->isConnected());
}

TEST_F(Do3thinkCameraTest, ParameterLevelsArePassedUnchanged)
{
    expectMappings(do3thinkKit(), device(), {
        {"exposure in microseconds", {}, [](CameraInterface& c) { c.setExposureTime(12); }, "Exposure", 12000},
        {"gain level as gain", {}, [](CameraInterface& c) { c.setGain(9); }, "AnalogGain", 9},
        {"sharpness level", {}, [](CameraInterface& c) { c.setSharpness(44); }, "Sharpness", 44},
        {"contrast level", {}, [](CameraInterface& c) { c.setContrast(150); }, "Contrast", 150},
        {"gamma level", {}, [](CameraInterface& c) { c.setGamma(220); }, "Gamma", 220},
        {"trigger on", {}, [](CameraInterface& c) { c.setTrigger(true); }, "TriggerState", 1},
        {"trigger on takes input line 1", {}, [](CameraInterface& c) { c.setTrigger(true); }, "TriggerSource", 1},
        {"trigger off", {}, [](CameraInterface& c) {
             c.setTrigger(true);
             c.setTrigger(false);
         }, "TriggerState", 0},
    });
    auto camera = opened(false);
    camera->setWdr(true);
    EXPECT_EQ(bus().feature(kSerial, "HdrEnable").text, "true");
}

TEST_F(Do3thinkCameraTest, FrameRateLevelKeepsEveryLevelPlusOnethFrame)
{
    bus().addDevice({"Do3think", kSerial, "M3ST130M-H", kWidth, kHeight, Layout::Mono8});
    auto camera = opened(false);
    camera->setFrameRateLevel(2);
    ASSERT_TRUE(camera->startGrab());
    std::vector<Scene> six;
    for (int i = 1; i <= 6; ++i)
        six.push_back(Scene::greyRamp(kWidth, kHeight, i));
    ASSERT_TRUE(bus().deliver(kSerial, six));
    int frames = 0;
    EXPECT_TRUE(camera->frameDelta(&frames));
    EXPECT_EQ(frames, 2);  // frames 3 and 6
    std::vector<unsigned char> frame(kWidth * kHeight);
    ASSERT_TRUE(camera->grabFrame(frame.data()));
    EXPECT_EQ(frame, greyOf(six[5]));
}

TEST_F(Do3thinkCameraTest, FrameThatDoesNotFitIsDroppedUncounted)
{
    struct Case {
        const char* name;
        bool colour;
        double targetFormat;  // what the SDK delivers
        Scene scene;
    };
    const Case cases[] = {
        {"grey frame in colour mode", true, DVP_FORMAT_MONO8, Scene::uniform(kWidth, kHeight, 9, 9, 9)},
        {"colour frame in grey mode", false, DVP_FORMAT_RGB24, Scene::uniform(kWidth, kHeight, 9, 9, 9)},
        {"smaller frame", false, DVP_FORMAT_MONO8, Scene::uniform(kWidth / 2, kHeight, 9, 9, 9)},
        {"larger frame in colour mode", true, DVP_FORMAT_RGB24, Scene::uniform(kWidth, kHeight * 2, 9, 9, 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bus().reset();
        bus().addDevice(device());
        auto camera = opened(c.colour);
        ASSERT_TRUE(camera->startGrab());
        bus().setFeature(kSerial, "TargetFormat", {c.targetFormat, 0, 0, {}});
        ASSERT_TRUE(bus().deliver(kSerial, {c.scene}));
        int frames = 0;
        EXPECT_FALSE(camera->frameDelta(&frames));
        std::vector<unsigned char> frame = markedBuffer(kWidth * kHeight * 4);
        EXPECT_FALSE(camera->grabFrame(frame.data()));
        EXPECT_TRUE(markedFrom(frame, 0));
    }
}

TEST_F(Do3thinkCameraTest, DefaultsAreReadBackUnmapped)
{
    bus().addDevice(device());
    bus().setFeature(kSerial, "Exposure", {15999, 10, 1000000, {}});
    bus().setFeature(kSerial, "AnalogGain", {3.75, 1, 16, {}});
    bus().setFeature(kSerial, "Sharpness", {12, 0, 100, {}});
    bus().setFeature(kSerial, "Contrast", {-5, -100, 100, {}});
    bus().setFeature(kSerial, "Gamma", {110, 1, 250, {}});
    bus().setFeature(kSerial, "RoiWidth", {40, 1, kWidth, {}});
    auto camera = opened(true);
    ASSERT_TRUE(camera->startGrab());
    camera->setGamma(7);
    camera->setContrast(9);

    SystemParam params{};
    params.autoWdr = 1;
    constexpr int kCamera = 5;
    camera->loadDefaults(reinterpret_cast<int*>(&params), kCamera);
    EXPECT_TRUE(bus().wasCalled("dvpLoadDefault"));
    EXPECT_EQ(params.exposure[kCamera], 15);
    EXPECT_EQ(params.gain[kCamera], 3);
    EXPECT_EQ(params.sharpness[kCamera], 12);
    EXPECT_EQ(params.contrast[kCamera], -5);
    EXPECT_EQ(params.gamma[kCamera], 110);
    EXPECT_EQ(bus().feature(kSerial, "HdrEnable").text, "true");
    EXPECT_EQ(value("TargetFormat"), DVP_FORMAT_RGB24);
    EXPECT_EQ(value("GammaState"), 1);
    EXPECT_EQ(value("AeOperation"), 0);
    EXPECT_TRUE(bus().wasCalled("dvpSetRoi 0,0 40x48"));
    EXPECT_TRUE(bus().streaming(kSerial));
}

TEST_F(Do3thinkCameraTest, StartGrabOnAStartedStreamKeepsIt)
{
    bus().addDevice(device());
    auto camera = opened(false);
    ASSERT_TRUE(camera->startGrab());
    bus().clearCalls();
    EXPECT_TRUE(camera->startGrab());
    EXPECT_FALSE(bus().wasCalled("dvpStart"));
    camera->stopGrab();
    camera->stopGrab();
    const std::vector<std::string> calls = bus().calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), std::string("dvpStop")), 1);
    camera->close();
    EXPECT_FALSE(camera->startGrab());
}

}  // namespace
