// MindCamera against the MVCAMSDK stand-in: enumeration, the output format per sensor and colour
// mode, the parameter mappings, the automatic exposure, the defaults written back as levels, and
// the SDK's own connection notices.
#include "cameras/mind/mindcamera.h"
#include "core/systemparam.h"
#include "platform/mvsdk/mvsdk_testcontrol.h"
#include "tests/cameras/drivertestkit.h"

#include <QJsonObject>

#include <cstddef>

using namespace drivertest;
using virtualcam::DeviceDescription;
using virtualcam::Feature;
using virtualcam::Layout;
using virtualcam::Scene;

namespace {

const char* const kSerial = "MD0000001";

class MindCameraTest : public DriverTest<mindKit> {
protected:
    static DeviceDescription colourSensor(const std::string& serial = kSerial)
    {
        return {"MindVision", serial, "MV-GE134GC", kWidth, kHeight, Layout::BayerRG8};
    }
    static DeviceDescription monoSensor() { return {"MindVision", kSerial, "MV-GE134GM", kWidth, kHeight, Layout::Mono8}; }
    static double value(const char* feature) { return bus().feature(kSerial, feature).value; }
};

TEST_F(MindCameraTest, EnumerateListsAtMostTwelveDevices)
{
    for (int i = 0; i < 13; ++i)
        bus().addDevice(colourSensor("MD00000" + std::to_string(10 + i)));
    MindCamera prototype;
    const QList<CameraInfo*> found = prototype.enumerate();
    EXPECT_TRUE(bus().wasCalled("CameraSetSysOption IpCheck=repair"));
    ASSERT_EQ(found.size(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(found[i]->index, i);
        EXPECT_EQ(found[i]->deviceNo, -1);
        EXPECT_EQ(found[i]->iid, QStringLiteral("mindcamera_IID"));
        EXPECT_EQ(QByteArray(found[i]->sn), QByteArray("MD00000") + QByteArray::number(10 + i));
    }
    EXPECT_EQ(prototype.deviceCount(), 12);

    std::unique_ptr<CameraInterface> camera(prototype.create(*found[4]));
    EXPECT_EQ(camera->serial(), QStringLiteral("MD0000014"));
    EXPECT_EQ(camera->info().index, 4);
    EXPECT_EQ(camera->iid(), QStringLiteral("mindcamera_IID"));
    EXPECT_EQ(camera->cameraType(), CAMERA_VISIBLE);
    ASSERT_TRUE(camera->open());
    EXPECT_NE(bus().holder("MD0000014"), 0);
    qDeleteAll(found);
}

TEST_F(MindCameraTest, OpenSetsFullResolutionAndTheOutputFormatOfSensorAndMode)
{
    struct Case {
        const char* name;
        DeviceDescription device;
        bool colour;
        unsigned int ispFormat;
        double mediaType;
    };
    const Case cases[] = {
        {"colour sensor in colour mode", colourSensor(), true, CAMERA_MEDIA_RGB8, 0},
        {"colour sensor in grey mode", colourSensor(), false, CAMERA_MEDIA_MONO8, 1},
        {"mono sensor in colour mode", monoSensor(), true, CAMERA_MEDIA_MONO8, 0},
        {"mono sensor in grey mode", monoSensor(), false, CAMERA_MEDIA_MONO8, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bus().reset();
        bus().addDevice(c.device);
        bus().setFeature(kSerial, "Width", {32, 1, kWidth, {}});
        bus().setFeature(kSerial, "OffsetX", {8, 0, kWidth, {}});
        auto camera = opened(c.colour);
        int width = 0, height = 0;
        camera->size(&width, &height);
        EXPECT_EQ(width, kWidth);
        EXPECT_EQ(height, kHeight);
        EXPECT_EQ(value("ResolutionIndex"), CAMERA_RESOLUTION_CUSTOM);
        EXPECT_EQ(value("OffsetX"), 0);
        EXPECT_EQ(value("Width"), kWidth);
        EXPECT_EQ(value("IspOutFormat"), c.ispFormat);
        EXPECT_EQ(value("MediaType"), c.mediaType);
        EXPECT_EQ(value("OnlineDetectInterval"), 500);
        EXPECT_EQ(value("AeState"), 0);
        EXPECT_TRUE(bus().wasCalled("CameraCommonCall set_awdr_enable(false)"));
        EXPECT_TRUE(bus().wasCalled("CameraInit -1 -1"));
        // Grabbing starts only with startGrab.
        EXPECT_FALSE(bus().streaming(kSerial));
    }
}

TEST_F(MindCameraTest, ParameterLevelsMapOntoTheCameraRanges)
{
    expectMappings(mindKit(), colourSensor(), {
        {"gain 64 is the maximum", {{"AnalogGain", {20, 16, 64, {}}}}, [](CameraInterface& c) { c.setGain(64); }, "AnalogGain", 64},
        {"gain 32 is half way", {{"AnalogGain", {20, 16, 64, {}}}}, [](CameraInterface& c) { c.setGain(32); }, "AnalogGain", 40},
        {"gain truncates", {{"AnalogGain", {0, 0, 10, {}}}}, [](CameraInterface& c) { c.setGain(10); }, "AnalogGain", 1},
        {"sharpness on 0..100", {{"Sharpness", {0, 0, 100, {}}}}, [](CameraInterface& c) { c.setSharpness(37); }, "Sharpness", 37},
        {"sharpness step drops the remainder", {{"Sharpness", {0, 10, 260, {}}}}, [](CameraInterface& c) { c.setSharpness(10); }, "Sharpness", 30},
        {"contrast on 0..400", {{"Contrast", {0, 0, 400, {}}}}, [](CameraInterface& c) { c.setContrast(100); }, "Contrast", 200},
        {"contrast range 0..100 has step 0", {{"Contrast", {50, 0, 100, {}}}}, [](CameraInterface& c) { c.setContrast(150); }, "Contrast", 0},
        {"gamma on 0..1000", {{"Gamma", {0, 0, 1000, {}}}}, [](CameraInterface& c) { c.setGamma(125); }, "Gamma", 500},
        {"exposure in microseconds", {}, [](CameraInterface& c) { c.setExposureTime(7); }, "ExposureTime", 7000},
        {"trigger on is hardware trigger", {}, [](CameraInterface& c) { c.setTrigger(true); }, "TriggerMode", 2},
        {"trigger off is continuous", {{"TriggerMode", {2, 0, 2, {}}}}, [](CameraInterface& c) { c.setTrigger(false); }, "TriggerMode", 0},
        {"wide dynamic range on", {}, [](CameraInterface& c) { c.setWdr(true); }, "Awdr", 1},
        {"one-shot white balance", {}, [](CameraInterface& c) { c.whiteBalanceOnce(); }, "OnceWB", 1},
        {"mirror horizontal", {}, [](CameraInterface& c) { c.setMirror(true, false); }, "MirrorH", 1},
        {"mirror vertical", {{"MirrorV", {1, 0, 1, {}}}}, [](CameraInterface& c) { c.setMirror(true, false); }, "MirrorV", 0},
        {"frame rate level 2 in colour mode", {}, [](CameraInterface& c) { c.setFrameRateLevel(2); }, "FrameSpeed", 3, true},
        {"frame rate level 2 in grey mode", {}, [](CameraInterface& c) { c.setFrameRateLevel(2); }, "FrameSpeed", 2},
    });
}

TEST_F(MindCameraTest, AutoAdjustRunsAutomaticExposureAndReportsWhatItFound)
{
    bus().addDevice(colourSensor());
    auto camera = opened(true);
    EXPECT_TRUE(camera->autoAdjust(true).isEmpty());
    EXPECT_EQ(value("AeState"), 1);
    EXPECT_EQ(value("AeTarget"), 120);
    EXPECT_EQ(value("AeExposureMin"), 0);
    EXPECT_EQ(value("AeExposureMax"), 100000);
    EXPECT_EQ(value("AntiFlick"), 1);

    // What the camera's automatic exposure settled on.
    bus().setFeature(kSerial, "ExposureTime", {31500, 50, 1000000, {}});
    bus().setFeature(kSerial, "AnalogGain", {37, 16, 64, {}});
    const QJsonObject found = camera->autoAdjust(false);
    EXPECT_EQ(value("AeState"), 0);
    EXPECT_EQ(found.value(QStringLiteral("ExposureTime")).toDouble(), 31500);
    EXPECT_EQ(found.value(QStringLiteral("Gain")).toInt(), 37);
}

TEST_F(MindCameraTest, DefaultsAreWrittenBackAsLevels)
{
    struct Case {
        const char* name;
        Feature gain;
        Feature contrast;
        int gainLevel;
        int contrastLevel;
    };
    const Case cases[] = {
        {"ordinary ranges", {40, 16, 64, {}}, {100, 0, 200, {}}, 32, 100},
        {"contrast range narrower than its levels stores 0", {40, 16, 64, {}}, {60, 0, 100, {}}, 32, 0},
        {"empty gain range stores 0", {16, 16, 16, {}}, {100, 0, 200, {}}, 0, 100},
    };
    constexpr int kCamera = 2;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bus().reset();
        bus().addDevice(colourSensor());
        bus().setFeature(kSerial, "ExposureTime", {20999, 50, 1000000, {}});
        bus().setFeature(kSerial, "AnalogGain", c.gain);
        bus().setFeature(kSerial, "Sharpness", {30, 0, 100, {}});
        bus().setFeature(kSerial, "Contrast", c.contrast);
        bus().setFeature(kSerial, "Gamma", {100, 0, 250, {}});
        auto camera = opened(true);
        ASSERT_TRUE(camera->startGrab());
        camera->setMirror(true, true);
        camera->setExposureTime(3);

        SystemParam params{};
        params.autoExposure = 1;
        params.acquisitionSpeed = 2;
        int* fields = reinterpret_cast<int*>(&params);
        camera->loadDefaults(fields, kCamera);
        EXPECT_TRUE(bus().wasCalled("CameraLoadParameter 255"));
        EXPECT_EQ(params.exposure[kCamera], 20);
        EXPECT_EQ(params.gain[kCamera], c.gainLevel);
        EXPECT_EQ(params.sharpness[kCamera], 30);
        EXPECT_EQ(params.contrast[kCamera], c.contrastLevel);
        EXPECT_EQ(params.gamma[kCamera], 100);
        EXPECT_EQ(value("AeState"), 1);
        EXPECT_EQ(value("MirrorH"), 0);
        EXPECT_EQ(value("MirrorV"), 0);
        EXPECT_EQ(value("WbMode"), 0);
        EXPECT_EQ(value("IspOutFormat"), CAMERA_MEDIA_RGB8);
        EXPECT_EQ(value("FrameSpeed"), 3);  // the record's level 2, in colour mode
        EXPECT_TRUE(bus().deliver(kSerial, {Scene::greyRamp(kWidth, kHeight, 1)}));
    }
}

TEST_F(MindCameraTest, SdkReportsTheCameraBackWithoutAReconnect)
{
    bus().addDevice(colourSensor());
    auto camera = opened(false);
    ASSERT_TRUE(camera->startGrab());
    bus().unplug(kSerial);
    EXPECT_FALSE(camera->isConnected());
    bus().replug(kSerial);
    EXPECT_TRUE(camera->isConnected());
    ASSERT_TRUE(bus().deliver(kSerial, {Scene::greyRamp(kWidth, kHeight, 2)}));
    int frames = 0;
    EXPECT_TRUE(camera->frameDelta(&frames));
}

TEST_F(MindCameraTest, ReconnectWithoutItsSerialChangesNothing)
{
    bus().addDevice(colourSensor());
    auto camera = opened(false);
    bus().unplug(kSerial);
    camera->release();
    bus().addDevice(colourSensor("MD0000099"));
    bus().clearCalls();
    EXPECT_FALSE(camera->reconnect());
    EXPECT_FALSE(bus().wasCalled("CameraInit -1 -1"));
    EXPECT_EQ(bus().liveHandles(), 0);
    EXPECT_FALSE(camera->startGrab()) << "no handle after close";
}

TEST_F(MindCameraTest, FrameOfAnotherSizeIsDroppedUncounted)
{
    bus().addDevice(colourSensor());
    auto camera = opened(true);
    ASSERT_TRUE(camera->startGrab());
    ASSERT_TRUE(bus().deliver(kSerial, {Scene::uniform(kWidth * 2, kHeight, 1, 2, 3)}));
    int frames = 0;
    EXPECT_FALSE(camera->frameDelta(&frames));
    std::vector<unsigned char> frame(kWidth * kHeight * 4);
    EXPECT_FALSE(camera->grabFrame(frame.data()));
}

}  // namespace
