// Discovery with the program's own industrial camera drivers over their SDK stand-ins: devices
// of the three families are found, ordered and opened; without devices the simulated cameras
// stand in.
#include "cameras/cameradiscovery.h"
#include "core/globals.h"
#include "core/systemparam.h"
#include "tests/cameras/drivertestkit.h"

#include <cstring>

using namespace drivertest;

namespace {

// Industrial families only: the thermal drivers are not part of this test.
constexpr int kIndustrialFamilies = 0x08 | 0x04 | 0x200;

class SdkCameraDiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const DriverKit* kit : {&hikKit(), &mindKit(), &do3thinkKit()})
            kit->bus().reset();
        CameraDiscovery::setDriverFamilies({});
        cameraDriverMask = kIndustrialFamilies;
        cameraDrivers.clear();
        qDeleteAll(cameraInfoList);
        cameraInfoList.clear();
        std::memset(cameraSerials, 0, sizeof(cameraSerials));
        cameraCount = 0;
        simulatedCameraFlag = 0;
    }

    void TearDown() override
    {
        for (CameraInterface* camera : CameraDiscovery::openedCameras())
            camera->release();
        for (const DriverKit* kit : {&hikKit(), &mindKit(), &do3thinkKit()})
            kit->bus().reset();
        qDeleteAll(cameraInfoList);
        cameraInfoList.clear();
        cameraDrivers.clear();
    }

    SystemParam m_params{};
};

TEST_F(SdkCameraDiscoveryTest, DevicesOfEveryFamilyAreFoundOrderedAndOpened)
{
    hikKit().bus().addDevice(monoDevice(hikKit(), "HK0000001"));
    mindKit().bus().addDevice(monoDevice(mindKit(), "MD0000001"));
    do3thinkKit().bus().addDevice(colourDevice(do3thinkKit(), "DT0000001"));
    setInfoText(cameraSerials[0], "DT0000001");
    m_params.colourCamera[0] = 1;

    CameraDiscovery::discoverCameras();
    const QList<CameraInterface*> cameras = CameraDiscovery::openCameras(m_params);

    ASSERT_EQ(cameras.size(), 3);
    EXPECT_EQ(cameras[0]->serial(), QStringLiteral("DT0000001"));
    EXPECT_EQ(cameras[0]->iid(), QStringLiteral("do3thinkcamera_IID"));
    EXPECT_TRUE(cameras[0]->colorMode());
    EXPECT_EQ(cameras[1]->serial(), QStringLiteral("HK0000001"));
    EXPECT_FALSE(cameras[1]->colorMode());
    EXPECT_EQ(cameras[2]->serial(), QStringLiteral("MD0000001"));
    EXPECT_EQ(simulatedCameraFlag, 0);
    // Opened, not yet grabbing: the camera view starts them.
    EXPECT_NE(do3thinkKit().bus().holder("DT0000001"), 0);
    EXPECT_FALSE(do3thinkKit().bus().streaming("DT0000001"));
}

TEST_F(SdkCameraDiscoveryTest, WithoutDevicesTheSimulatedCamerasStandIn)
{
    CameraDiscovery::discoverCameras();
    EXPECT_TRUE(cameraInfoList.isEmpty());
    EXPECT_EQ(cameraDrivers.keys(), QStringList({QStringLiteral("do3thinkcamera_IID"), QStringLiteral("hikcamera_IID"),
                                                 QStringLiteral("mindcamera_IID")}));
    const QList<CameraInterface*> cameras = CameraDiscovery::openCameras(m_params);
    ASSERT_EQ(cameras.size(), 2);
    EXPECT_EQ(cameras[0]->cameraType(), CAMERA_SIMULATED);
    EXPECT_EQ(simulatedCameraFlag, 1);
}

}  // namespace
