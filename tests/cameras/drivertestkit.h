// What the industrial camera driver tests share: one description per driver of how to reach its
// SDK stand-in, and helpers that turn a scene into the frame bytes a driver must hand over.
#pragma once

#include "cameras/camerainterface.h"
#include "cameras/do3think/do3thinkcamera.h"
#include "cameras/hik/hikcamera.h"
#include "cameras/mind/mindcamera.h"
#include "platform/dvp/dvp_testcontrol.h"
#include "platform/mvs/mvs_testcontrol.h"
#include "platform/mvsdk/mvsdk_testcontrol.h"
#include "platform/virtualcam/virtualcam.h"

#include <QList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace drivertest {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// One driver family with its SDK stand-in.
struct DriverKit {
    const char* name;
    std::function<virtualcam::Bus&()> bus;
    std::function<CameraInterface*()> prototype;
    // A maker whose devices the driver serves, and model names of a colour and a mono camera.
    std::string maker;
    std::string colourModel;
    std::string monoModel;
    // The SDK call that starts the stream, and a failure code for it.
    std::string startCall;
    int startFailure;
};

inline const DriverKit& hikKit()
{
    static const DriverKit kit{"Hik", mvs_test::bus, [] { return new HikCamera; }, "Hikrobot", "MV-CA013-20GC",
                               "MV-CA013-20GM", "MV_CC_StartGrabbing", MV_E_NODEVICE};
    return kit;
}

inline const DriverKit& mindKit()
{
    static const DriverKit kit{"Mind", mvsdk_test::bus, [] { return new MindCamera; }, "MindVision", "MV-GE134GC",
                               "MV-GE134GM", "CameraPlay", CAMERA_STATUS_NO_DEVICE};
    return kit;
}

inline const DriverKit& do3thinkKit()
{
    static const DriverKit kit{"Do3think", dvp_test::bus, [] { return new Do3thinkCamera; }, "Do3think", "M3ST130-H",
                               "M3ST130M-H", "dvpStart", DVP_STATUS_NO_DEVICE};
    return kit;
}

// Test names and failure messages show the driver's name.
inline void PrintTo(const DriverKit& kit, std::ostream* out)
{
    *out << kit.name;
}

inline virtualcam::DeviceDescription colourDevice(const DriverKit& kit, const std::string& serial,
                                           virtualcam::Layout layout = virtualcam::Layout::BayerRG8)
{
    return {kit.maker, serial, kit.colourModel, kWidth, kHeight, layout};
}

inline virtualcam::DeviceDescription monoDevice(const DriverKit& kit, const std::string& serial)
{
    return {kit.maker, serial, kit.monoModel, kWidth, kHeight, virtualcam::Layout::Mono8};
}

// Enumerates with a fresh prototype and returns bound instances for every device found (the
// prototype and the records are freed).
inline std::vector<std::unique_ptr<CameraInterface>> createAll(const DriverKit& kit)
{
    std::unique_ptr<CameraInterface> prototype(kit.prototype());
    std::vector<std::unique_ptr<CameraInterface>> cameras;
    const QList<CameraInfo*> found = prototype->enumerate();
    for (CameraInfo* info : found)
        cameras.emplace_back(prototype->create(*info));
    qDeleteAll(found);
    return cameras;
}

// The one device of the bus, bound, set to `colour` and opened.
inline std::unique_ptr<CameraInterface> openOnly(const DriverKit& kit, bool colour)
{
    auto cameras = createAll(kit);
    if (cameras.size() != 1) {
        ADD_FAILURE() << "expected one device, found " << cameras.size();
        return nullptr;
    }
    cameras[0]->setColorMode(colour);
    EXPECT_TRUE(cameras[0]->open());
    return std::move(cameras[0]);
}

// A fixture over one driver's stand-in: devices, faults and the call log start empty in every
// test, and `opened` gives the bus's one device bound and opened.
template <const DriverKit& (*Kit)()>
class DriverTest : public ::testing::Test {
protected:
    void SetUp() override { bus().reset(); }
    void TearDown() override { bus().reset(); }
    static virtualcam::Bus& bus() { return Kit().bus(); }
    static std::unique_ptr<CameraInterface> opened(bool colour) { return openOnly(Kit(), colour); }
};

// One row of a parameter-mapping table: with `ranges` set on the device and the camera opened in
// colour or grey mode, `apply` leaves `feature` at `expected`.
struct Mapping {
    const char* name;
    std::vector<std::pair<std::string, virtualcam::Feature>> ranges;
    std::function<void(CameraInterface&)> apply;
    std::string feature;
    double expected;
    bool colour = false;
};

// Runs every row on a fresh bus that holds only `device`.
inline void expectMappings(const DriverKit& kit, const virtualcam::DeviceDescription& device, const std::vector<Mapping>& rows)
{
    for (const Mapping& row : rows) {
        SCOPED_TRACE(row.name);
        kit.bus().reset();
        kit.bus().addDevice(device);
        for (const auto& range : row.ranges)
            kit.bus().setFeature(device.serial, range.first, range.second);
        auto camera = openOnly(kit, row.colour);
        row.apply(*camera);
        EXPECT_NEAR(kit.bus().feature(device.serial, row.feature).value, row.expected, 1e-4);
    }
}

// A scene's pixels as the program's 32-bit pixel: blue, green, red, 0.
inline std::vector<unsigned char> bgr0Of(const virtualcam::Scene& scene)
{
    std::vector<unsigned char> out(static_cast<size_t>(scene.width) * scene.height * 4);
    for (size_t i = 0; i * 4 < out.size(); ++i) {
        out[i * 4] = scene.rgb[i * 3 + 2];
        out[i * 4 + 1] = scene.rgb[i * 3 + 1];
        out[i * 4 + 2] = scene.rgb[i * 3];
        out[i * 4 + 3] = 0;
    }
    return out;
}

// A grey scene's pixels as grey bytes.
inline std::vector<unsigned char> greyOf(const virtualcam::Scene& scene)
{
    std::vector<unsigned char> out;
    virtualcam::render(scene, virtualcam::Layout::Mono8, out);
    return out;
}

// A destination bigger than one frame, filled with a marker, to see how much a grab writes.
inline std::vector<unsigned char> markedBuffer(size_t frameBytes)
{
    return std::vector<unsigned char>(frameBytes + 64, 0xA5);
}

inline bool markedFrom(const std::vector<unsigned char>& buffer, size_t from)
{
    for (size_t i = from; i < buffer.size(); ++i) {
        if (buffer[i] != 0xA5)
            return false;
    }
    return true;
}

}  // namespace drivertest
