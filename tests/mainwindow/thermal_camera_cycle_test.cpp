// The REST thermal camera in the whole program: found by discovery at its address, its raw stream
// running, its readouts inside the machine cycle, with the IO board simulator polled all along.
#include "cameras/cameradiscovery.h"
#include "cameras/fotric/camerafotric.h"
#include "cameras/fotric/thermalrestclient.h"
#include "core/texttable.h"
#include "platform/restc/restc_testcontrol.h"
#include "platform/streamsdk/streamsdk_testcontrol.h"
#include "tests/core/logcapture.h"
#include "tests/mainwindow/cyclefixture.h"
#include "tests/support/fakethermalcamera.h"
#include "tests/support/modalanswer.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <thread>

namespace {

constexpr int kSensorWidth = 8;  // the fake camera's sensor
constexpr int kSensorHeight = 6;
constexpr int kTemperatureRegions = 10;

bool logged(LogCapture& log, const std::string& part)
{
    const std::vector<std::string> lines = log.lines();
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

class ThermalCycleTest : public CycleTest {
protected:
    void SetUp() override
    {
        CycleTest::SetUp();
        streamsdk_test_reset();
        qputenv("MONITOR_FOTRIC_ADDRESSES", QByteArray::fromStdString(fake.address()));
        CameraDiscovery::setDriverFamilies(
            {{0x100, "fotriccamera", []() -> CameraInterface* { return new CameraFotric; }}});
    }
    void TearDown() override
    {
        stopStream = true;
        if (pusher.joinable())
            pusher.join();
        // The program never deletes its cameras; closing this one ends its stream's thread.
        for (int c = 0; window && c < cameraCount; ++c)
            window->cameraViews[c]->closeCamera();
        CycleTest::TearDown();
        qunsetenv("MONITOR_FOTRIC_ADDRESSES");
        streamsdk_test_reset();
    }

    // The camera streams a raw frame every 30 ms from now on.
    void startStreaming()
    {
        pusher = std::thread([this] {
            const std::vector<unsigned short> raw(size_t(kSensorWidth) * kSensorHeight, 1500);
            while (!stopStream) {
                streamsdk_test_push_frame("127.0.0.1", ThermalRestClient::streamPort, raw.data(), kSensorWidth,
                                          kSensorHeight);
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
            }
        });
    }

    FakeThermalCamera fake;
    std::thread pusher;
    std::atomic<bool> stopStream{false};
};

// Limits of the temperature regions (degrees). A silent camera's regions read 0 and must be NG
// whatever the limits, also when 0 lies inside them.
struct TemperatureLimits {
    const char* name;
    int lower;
    int upper;
};

void PrintTo(const TemperatureLimits& limits, std::ostream* os)
{
    *os << limits.lower << ".." << limits.upper;
}

class ThermalSilenceTest : public ThermalCycleTest, public ::testing::WithParamInterface<TemperatureLimits> {};

TEST_P(ThermalSilenceTest, SilentCameraCostsTheCheckOneWaitAndTheBoardIsPolledThroughout)
{
    const TemperatureLimits& limits = GetParam();
    fillTextTable();
    currentLanguage = 0;
    params->triggerDelay[0] = 5;
    params->triggerDelay[1] = 5;
    startStreaming();
    build(1);
    ASSERT_EQ(window->cameraViews[0]->thermal, true);
    // Temperature regions of the product check, emissivity 0.95.
    for (int k = 0; k < kTemperatureRegions; ++k)
        addRegion(0, 0, QRect(1, 1, 4, 3), 9, 95, limits.lower, limits.upper);
    for (int k = 0; k < kTemperatureRegions; ++k)
        fake.setReply("GET", "/isp/instrument/objects/points/P" + std::to_string(k) + "?value",
                      {200, "", FakeThermalCamera::Mode::Silent});
    fake.clearRequests();
    LogCapture log;
    const size_t pollsBefore = board.hostFrameCount();

    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return window->delayTimers[0]->isActive(); }, kPatientWaitMs)) << "no cycle started";
    ASSERT_TRUE(waitFor([this] { return window->pendingCams[0] == 0 && !window->delayTimers[0]->isActive(); }, kPatientWaitMs))
        << "the product check never ran";

    // One readout waited; the other regions were not asked and read NG without a value.
    size_t readouts = 0;
    for (const auto& request : fake.requests())
        readouts += request.path.find("?value") != std::string::npos ? 1 : 0;
    EXPECT_EQ(readouts, 1u);
    CammerWidget* view = window->cameraViews[0];
    for (int k = 0; k < kTemperatureRegions; ++k)
        EXPECT_EQ(view->roiOk[k], 0) << "region " << k;
    EXPECT_FALSE(view->tempRoisOk);
    EXPECT_FALSE(view->detectOk);
    // The IO thread never fell silent, and the board saw polls after the check.
    EXPECT_FALSE(logged(log, "main_thread > 10s"));
    EXPECT_TRUE(board.waitForHostFrames(-1, pollsBefore + 20, kPatientWaitMs)) << "the board was not polled after the check";
    const auto lines = log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.find("gives no reading") != std::string::npos; }),
              1);
}

INSTANTIATE_TEST_SUITE_P(Limits, ThermalSilenceTest,
                         ::testing::Values(TemperatureLimits{"AboveZero", 20, 60},
                                           TemperatureLimits{"LowerLimitAdmitsZero", 0, 60}),
                         [](const ::testing::TestParamInfo<TemperatureLimits>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ThermalCycleTest, CameraReportingAnUnusableSensorSizeIsLeftOutAndTheMonitorRuns)
{
    for (const char* size : {R"({"w":46341,"h":46341})", R"({"w":0,"h":5})"}) {
        SCOPED_TRACE(size);
        fake.setJson("GET", "/sensor/dimension", size);
        LogCapture log;
        // No camera opened: the simulated ones stand in after the serial question.
        ModalAnswer::pressWhenShown(QStringLiteral("取消"));
        window = new MoJuWizard;
        EXPECT_TRUE(simulatedCameraFlag);
        EXPECT_EQ(cameraCount, 2);
        const QJsonObject dimension = QJsonDocument::fromJson(size).object();
        const std::string named = fake.address() + " refused: it reports a sensor of " +
                                  std::to_string(dimension.value("w").toInt()) + " x " +
                                  std::to_string(dimension.value("h").toInt());
        EXPECT_TRUE(logged(log, named)) << named;
        closeProgram();
        simulatedCameraFlag = false;
    }
}

}  // namespace
