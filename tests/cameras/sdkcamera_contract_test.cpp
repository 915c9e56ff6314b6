// The frame hand-off, connection loss and reconnection that every industrial camera driver
// keeps, run against each driver's SDK stand-in with virtual devices.
#include "tests/cameras/drivertestkit.h"

#include <chrono>
#include <thread>

using namespace drivertest;
using virtualcam::Layout;
using virtualcam::Scene;

namespace {

const DriverKit kDrivers[] = {hikKit(), mindKit(), do3thinkKit()};

class SdkCameraContract : public ::testing::TestWithParam<DriverKit> {
protected:
    void SetUp() override { bus().reset(); }
    void TearDown() override { bus().reset(); }
    virtualcam::Bus& bus() { return GetParam().bus(); }
    const DriverKit& kit() { return GetParam(); }
};

TEST_P(SdkCameraContract, BayerFrameOfAKnownColourArrivesAsThatColourFromTheDeviceThread)
{
    bus().addDevice(colourDevice(kit(), "SN000000001"));
    auto camera = openOnly(kit(), true);
    ASSERT_TRUE(camera->startGrab());

    const Scene orange = Scene::uniform(kWidth, kHeight, 200, 100, 50);
    ASSERT_TRUE(bus().deliver("SN000000001", {orange}));
    EXPECT_NE(bus().lastDeliveryThread("SN000000001"), std::this_thread::get_id());

    std::vector<unsigned char> frame = markedBuffer(kWidth * kHeight * 4);
    ASSERT_TRUE(camera->grabFrame(frame.data()));
    EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + kWidth * kHeight * 4, bgr0Of(orange).begin()));
    EXPECT_TRUE(markedFrom(frame, kWidth * kHeight * 4));
}

TEST_P(SdkCameraContract, ColourFrameKeepsEveryPixelInPlace)
{
    bus().addDevice(colourDevice(kit(), "SN000000001", Layout::Rgb8));
    auto camera = openOnly(kit(), true);
    ASSERT_TRUE(camera->startGrab());
    const Scene ramp = Scene::colourRamp(kWidth, kHeight, 5);
    ASSERT_TRUE(bus().deliver("SN000000001", {ramp}));
    std::vector<unsigned char> frame(kWidth * kHeight * 4);
    ASSERT_TRUE(camera->grabFrame(frame.data()));
    EXPECT_EQ(frame, bgr0Of(ramp));
}

TEST_P(SdkCameraContract, DeviceReportingAnUnusableImageSizeIsRefused)
{
    const struct {
        int width;
        int height;
    } sizes[] = {{46341, 46341}, {0, 5}, {16385, 8}, {8193, 8192}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
        bus().reset();
        bus().addDevice({kit().maker, "SN000000001", kit().monoModel, size.width, size.height, Layout::Mono8});
        auto cameras = createAll(kit());
        ASSERT_EQ(cameras.size(), 1u);
        EXPECT_FALSE(cameras[0]->open());
        // Nothing is left open: a device of usable size opens afterwards.
        bus().reset();
        bus().addDevice(monoDevice(kit(), "SN000000001"));
        auto usable = createAll(kit());
        ASSERT_EQ(usable.size(), 1u);
        EXPECT_TRUE(usable[0]->open());
        usable[0]->close();
    }
}

TEST_P(SdkCameraContract, GreyCameraFillsExactlyWidthTimesHeight)
{
    bus().addDevice(monoDevice(kit(), "SN000000001"));
    auto camera = openOnly(kit(), false);
    int width = 0, height = 0;
    camera->size(&width, &height);
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
    ASSERT_TRUE(camera->startGrab());

    const Scene ramp = Scene::greyRamp(kWidth, kHeight, 9);
    ASSERT_TRUE(bus().deliver("SN000000001", {ramp}));
    std::vector<unsigned char> frame = markedBuffer(kWidth * kHeight);
    ASSERT_TRUE(camera->grabFrame(frame.data()));
    EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + kWidth * kHeight, greyOf(ramp).begin()));
    EXPECT_TRUE(markedFrom(frame, kWidth * kHeight));
}

TEST_P(SdkCameraContract, MonoCameraInColourModeGivesGreyInAllThreeChannels)
{
    bus().addDevice(monoDevice(kit(), "SN000000001"));
    auto camera = openOnly(kit(), true);
    ASSERT_TRUE(camera->startGrab());
    const Scene ramp = Scene::greyRamp(kWidth, kHeight, 3);
    ASSERT_TRUE(bus().deliver("SN000000001", {ramp}));
    std::vector<unsigned char> frame = markedBuffer(kWidth * kHeight * 4);
    ASSERT_TRUE(camera->grabFrame(frame.data()));
    EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + kWidth * kHeight * 4, bgr0Of(ramp).begin()));
    EXPECT_TRUE(markedFrom(frame, kWidth * kHeight * 4));
}

TEST_P(SdkCameraContract, NoFrameBeforeTheFirstOneArrives)
{
    bus().addDevice(monoDevice(kit(), "SN000000001"));
    auto camera = openOnly(kit(), false);
    ASSERT_TRUE(camera->startGrab());
    std::vector<unsigned char> frame = markedBuffer(kWidth * kHeight);
    EXPECT_FALSE(camera->grabFrame(frame.data()));
    EXPECT_TRUE(markedFrom(frame, 0));
    int frames = -1;
    EXPECT_FALSE(camera->frameDelta(&frames));
    EXPECT_EQ(frames, 0);
}

TEST_P(SdkCameraContract, ThreeFramesBetweenTwoPollsDeliverTheNewestOnce)
{
    bus().addDevice(monoDevice(kit(), "SN000000001"));
    auto camera = openOnly(kit(), false);
    ASSERT_TRUE(camera->startGrab());
    const Scene third = Scene::greyRamp(kWidth, kHeight, 3);
    ASSERT_TRUE(bus().deliver("SN000000001", {Scene::greyRamp(kWidth, kHeight, 1), Scene::greyRamp(kWidth, kHeight, 2), third}));

    std::vector<unsigned char> frame(kWidth * kHeight);
    ASSERT_TRUE(camera->grabFrame(frame.data()));
    EXPECT_EQ(frame, greyOf(third));
    std::vector<unsigned char> again = markedBuffer(kWidth * kHeight);
    EXPECT_FALSE(camera->grabFrame(again.data()));
    EXPECT_TRUE(markedFrom(again, 0));

    int frames = 0;
    EXPECT_TRUE(camera->frameDelta(&frames));
    EXPECT_EQ(frames, 3);
    EXPECT_FALSE(camera->frameDelta(&frames));
    EXPECT_EQ(frames, 0);
}

TEST_P(SdkCameraContract, UnpluggedCameraIsLostUntilReplugAndThenStreamsAgain)
{
    bus().addDevice(monoDevice(kit(), "SN000000001"));
    auto camera = openOnly(kit(), false);
    ASSERT_TRUE(camera->startGrab());
    ASSERT_TRUE(bus().deliver("SN000000001", {Scene::greyRamp(kWidth, kHeight, 1)}));
    EXPECT_TRUE(camera->isConnected());

    bus().unplug("SN000000001");
    EXPECT_FALSE(camera->isConnected());
    camera->release();
    EXPECT_FALSE(camera->reconnect());
    EXPECT_FALSE(camera->reconnect());
    EXPECT_FALSE(camera->isConnected());

    bus().replug("SN000000001");
    ASSERT_TRUE(camera->reconnect());
    EXPECT_TRUE(camera->isConnected());
    const Scene after = Scene::greyRamp(kWidth, kHeight, 77);
    ASSERT_TRUE(bus().deliver("SN000000001", {after}));
    std::vector<unsigned char> frame(kWidth * kHeight);
    ASSERT_TRUE(camera->grabFrame(frame.data()));
    EXPECT_EQ(frame, greyOf(after));
    EXPECT_EQ(bus().liveHandles(), 1);
}

TEST_P(SdkCameraContract, ReconnectWhoseStartFailsGivesTheDeviceBack)
{
    bus().addDevice(monoDevice(kit(), "SN000000001"));
    auto camera = openOnly(kit(), false);
    ASSERT_TRUE(camera->startGrab());
    bus().unplug("SN000000001");
    camera->release();
    bus().replug("SN000000001");

    bus().failNext(kit().startCall, kit().startFailure);
    EXPECT_FALSE(camera->reconnect());
    EXPECT_FALSE(camera->isConnected());
    EXPECT_EQ(bus().holder("SN000000001"), 0) << "the failed reconnect still holds the device";

    ASSERT_TRUE(camera->reconnect());
    EXPECT_TRUE(camera->isConnected());
    ASSERT_TRUE(bus().deliver("SN000000001", {Scene::greyRamp(kWidth, kHeight, 4)}));
    int frames = 0;
    EXPECT_TRUE(camera->frameDelta(&frames));
    EXPECT_EQ(bus().liveHandles(), 1);
}

TEST_P(SdkCameraContract, ReconnectWithoutReleaseReopensTheSameDevice)
{
    bus().addDevice(monoDevice(kit(), "SN000000001"));
    auto camera = openOnly(kit(), false);
    ASSERT_TRUE(camera->startGrab());
    // The watch found the camera silent and reconnects while the instance still holds it.
    ASSERT_TRUE(camera->reconnect());
    ASSERT_TRUE(camera->open());
    EXPECT_EQ(bus().liveHandles(), 1);
    ASSERT_TRUE(camera->startGrab());
    ASSERT_TRUE(bus().deliver("SN000000001", {Scene::greyRamp(kWidth, kHeight, 4)}));
}

TEST_P(SdkCameraContract, SecondInstanceCannotOpenAnOpenDevice)
{
    bus().addDevice(monoDevice(kit(), "SN000000001"));
    auto first = createAll(kit());
    auto second = createAll(kit());
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    ASSERT_TRUE(first[0]->open());
    EXPECT_FALSE(second[0]->open());
    first[0]->release();
    EXPECT_TRUE(second[0]->open());
}

TEST_P(SdkCameraContract, StopAndCloseWhileFramesStreamAtFullRate)
{
    bus().addDevice(colourDevice(kit(), "SN000000001"));
    bus().setFreeRun("SN000000001", true, Scene::uniform(kWidth, kHeight, 10, 20, 30));
    auto camera = openOnly(kit(), true);
    std::vector<unsigned char> frame(kWidth * kHeight * 4);
    int frames = 0;
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(camera->startGrab());
        // Streams for 20 ms, and at least until a frame came (a busy machine may be slow to start).
        const auto start = std::chrono::steady_clock::now();
        bool grabbed = false;
        while (std::chrono::steady_clock::now() < start + std::chrono::milliseconds(20)
               || (!grabbed && std::chrono::steady_clock::now() < start + std::chrono::seconds(5)))
            grabbed = camera->grabFrame(frame.data()) || grabbed;
        EXPECT_TRUE(grabbed);
        if (round % 2 == 0)
            camera->stopGrab();
        else
            camera->release();
        // Nothing arrives once stopping has returned.
        camera->grabFrame(frame.data());
        camera->frameDelta(&frames);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_FALSE(camera->frameDelta(&frames));
        EXPECT_FALSE(camera->grabFrame(frame.data()));
        if (round % 2 == 1) {
            ASSERT_TRUE(camera->open());
        }
    }
    EXPECT_GT(bus().delivered("SN000000001"), 0u);
    EXPECT_EQ(frame[0], 30);
}

INSTANTIATE_TEST_SUITE_P(Drivers, SdkCameraContract, ::testing::ValuesIn(kDrivers),
                         [](const ::testing::TestParamInfo<DriverKit>& info) { return std::string(info.param.name); });

}  // namespace
