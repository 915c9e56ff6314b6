// The REST thermal camera driver against the fake camera and the in-process raw stream:
// discovery at the candidate addresses, open, the parameter setters, measurement objects and
// region temperatures, and the rendering of raw frames into colour and grey images.
#include "cameras/cameradiscovery.h"
#include "cameras/camerainfo.h"
#include "cameras/fotric/camerafotric.h"
#include "cameras/fotric/thermalrestclient.h"
#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/circle.h"
#include "detection/clustomrect.h"
#include "detection/pixelconvert.h"
#include "detection/repolygon.h"
#include "platform/planck/planck_testcontrol.h"
#include "platform/restc/restc_testcontrol.h"
#include "platform/streamsdk/streamsdk_testcontrol.h"
#include "tests/core/logcapture.h"
#include "tests/support/fakethermalcamera.h"

#include <QJsonObject>
#include <QMap>
#include <QVariant>

#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/value.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kLoopback = "127.0.0.1";
constexpr int kWidth = 8;  // the fake camera's sensor
constexpr int kHeight = 6;
constexpr int kPixels = kWidth * kHeight;

Json::Value parse(const std::string& text)
{
    Json::Value value;
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, nullptr)) << text;
    return value;
}

CameraInfo recordFor(const std::string& address)
{
    CameraInfo info;
    info.index = 0;
    info.iid = QStringLiteral("fotriccamera_IID");
    setInfoText(info.sn, QByteArray::fromStdString(address));
    setInfoText(info.address, QByteArray::fromStdString(address));
    return info;
}

class FotricCamera : public ::testing::Test {
protected:
    void SetUp() override
    {
        planck_test_reset();
        streamsdk_test_reset();
        restc_test_set_default_timeout(200);
        m_savedAddresses = qgetenv("MONITOR_FOTRIC_ADDRESSES");
    }
    void TearDown() override
    {
        cameraUnderTest.reset();
        restc_test_set_default_timeout(0);
        streamsdk_test_reset();
        qputenv("MONITOR_FOTRIC_ADDRESSES", m_savedAddresses);
        activeParams = nullptr;
    }

    // A bound driver for the fake camera, opened in the given mode.
    CameraFotric* openCamera(bool colour)
    {
        CameraFotric prototype;
        cameraUnderTest.reset(static_cast<CameraFotric*>(prototype.create(recordFor(camera.address()))));
        cameraUnderTest->setColorMode(colour);
        EXPECT_TRUE(cameraUnderTest->open());
        return cameraUnderTest.get();
    }

    // Hands a frame to the running stream and waits until the driver has it.
    static void feed(const std::vector<unsigned short>& raw, int width = kWidth, int height = kHeight)
    {
        ASSERT_EQ(streamsdk_test_push_frame(kLoopback, ThermalRestClient::streamPort, raw.data(), width, height), 0);
        ASSERT_EQ(streamsdk_test_wait_delivered(kLoopback, ThermalRestClient::streamPort, 2000), 0);
    }

    FakeThermalCamera camera;
    std::unique_ptr<CameraFotric> cameraUnderTest;

private:
    QByteArray m_savedAddresses;
};

TEST_F(FotricCamera, EnumeratesTheCamerasThatAnswerAtTheCandidateAddresses)
{
    FakeThermalCamera second;
    FakeThermalCamera silent;
    silent.setReply("GET", "/sensor/dimension", {200, "", FakeThermalCamera::Mode::Silent});
    silent.setReply("GET", "/admin/boot-id", {200, "", FakeThermalCamera::Mode::Silent});
    const std::string nobody = "127.0.0.1:" + std::to_string(FakeThermalCamera::closedPort());
    qputenv("MONITOR_FOTRIC_ADDRESSES",
            QByteArray::fromStdString(camera.address() + "," + nobody + ", " + silent.address() + "," + second.address()));

    const auto start = Clock::now();
    CameraFotric prototype;
    const QList<CameraInfo*> found = prototype.enumerate();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2500));
    ASSERT_EQ(found.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const std::string address = i == 0 ? camera.address() : second.address();
        EXPECT_EQ(found[i]->index, i);
        EXPECT_EQ(found[i]->deviceNo, -1);
        EXPECT_EQ(found[i]->iid, QStringLiteral("fotriccamera_IID"));
        EXPECT_EQ(infoText(found[i]->sn).toStdString(), address);
        EXPECT_EQ(infoText(found[i]->address).toStdString(), address);
        EXPECT_TRUE(found[i]->kind.isEmpty());
    }
    qDeleteAll(found);
    // Two requests per probe: the size query and the boot id.
    EXPECT_EQ(silent.requests().size(), 2u);
}

// Cameras that answer badly at start are left out, each with one log line that names its
// address and why; the cameras that answer keep their order. All are probed at once, so the
// bad ones do not add up (the time is measured, not asserted).
TEST_F(FotricCamera, ACameraLeftOutAtStartIsLoggedWithItsAddressAndTheReason)
{
    struct Case {
        const char* what;
        FakeThermalCamera::Mode mode;
        const char* reason;
        const char* orReason = nullptr;  // the other reason a case may meet first
    };
    const Case cases[] = {
        {"silent", FakeThermalCamera::Mode::Silent, "no whole answer within the deadline"},
        {"dripping", FakeThermalCamera::Mode::Drip, "no whole answer within the deadline"},
        // A flood meets the deadline or, on a fast machine, the bound on a reply's size first.
        {"endless head", FakeThermalCamera::Mode::EndlessHeaders, "no whole answer within the deadline",
         "larger than 64 MiB"},
        {"100 MB announced", FakeThermalCamera::Mode::HugeLength, "larger than 64 MiB"},
        {"hangs up", FakeThermalCamera::Mode::Close, "is not HTTP"},
        {"refuses the boot id", FakeThermalCamera::Mode::Answer, "answered HTTP 503"},
    };
    std::vector<std::unique_ptr<FakeThermalCamera>> bad;
    std::string addresses = camera.address();
    for (const Case& c : cases) {
        bad.push_back(std::make_unique<FakeThermalCamera>());
        const int status = c.mode == FakeThermalCamera::Mode::Answer ? 503 : 200;
        bad.back()->setReply("GET", "/sensor/dimension", {200, R"({"w":8,"h":6})", c.mode});
        bad.back()->setReply("GET", "/admin/boot-id", {status, "1", c.mode});
        addresses += "," + bad.back()->address();
    }
    FakeThermalCamera second;
    addresses += "," + second.address();
    qputenv("MONITOR_FOTRIC_ADDRESSES", QByteArray::fromStdString(addresses));

    LogCapture log;
    const auto start = Clock::now();
    CameraFotric prototype;
    const QList<CameraInfo*> found = prototype.enumerate();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(infoText(found[0]->sn).toStdString(), camera.address());
    EXPECT_EQ(infoText(found[1]->sn).toStdString(), second.address());
    qDeleteAll(found);

    for (std::size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        int lines = 0;
        for (const std::string& line : log.lines()) {
            if (line.find(" " + bad[i]->address() + " left out: ") == std::string::npos)
                continue;
            ++lines;
            EXPECT_TRUE(line.find(cases[i].reason) != std::string::npos ||
                        (cases[i].orReason && line.find(cases[i].orReason) != std::string::npos))
                << line;
        }
        EXPECT_EQ(lines, 1);
    }
    for (const std::string& good : {camera.address(), second.address()})
        EXPECT_FALSE(log.contains(" " + good + " left out")) << good;
    std::printf("[ measured ] enumeration of %zu cameras, %zu of them answering badly: %lld ms\n", bad.size() + 2,
                bad.size(), static_cast<long long>(took));
}

TEST_F(FotricCamera, CandidateAddresses)
{
    qputenv("MONITOR_FOTRIC_ADDRESSES", "");
    const QStringList defaults = CameraFotric::candidateAddresses();
    ASSERT_EQ(defaults.size(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(defaults[i].startsWith(QStringLiteral("192.168.%1.").arg(i + 1))) << qPrintable(defaults[i]);
    qputenv("MONITOR_FOTRIC_ADDRESSES", " 10.0.0.5 ,,10.0.0.6:8080");
    EXPECT_EQ(CameraFotric::candidateAddresses(), (QStringList{"10.0.0.5", "10.0.0.6:8080"}));
}

TEST_F(FotricCamera, DiscoveryFindsAndOpensTheCamera)
{
    qputenv("MONITOR_FOTRIC_ADDRESSES", QByteArray::fromStdString(camera.address()));
    cameraDriverMask = 0x100;
    CameraDiscovery::setDriverFamilies({});
    cameraDrivers.clear();
    qDeleteAll(cameraInfoList);
    cameraInfoList.clear();
    CameraDiscovery::discoverCameras();
    ASSERT_EQ(cameraInfoList.size(), 1);
    ASSERT_TRUE(cameraDrivers.contains(QStringLiteral("fotriccamera_IID")));
    cameraUnderTest.reset(static_cast<CameraFotric*>(CameraDiscovery::createCamera(*cameraInfoList[0], true)));
    ASSERT_NE(cameraUnderTest, nullptr);
    EXPECT_EQ(cameraUnderTest->serial().toStdString(), camera.address());
    EXPECT_EQ(cameraUnderTest->cameraType(), CAMERA_THERMAL);
    EXPECT_TRUE(cameraUnderTest->colorMode());
    delete cameraDrivers.take(QStringLiteral("fotriccamera_IID"));
    qDeleteAll(cameraInfoList);
    cameraInfoList.clear();
    cameraDriverMask = 0;
}

TEST_F(FotricCamera, OpenReadsTheSizeLoadsTheTableAndCalibratesAutomatically)
{
    CameraFotric* thermal = openCamera(false);
    int width = 0, height = 0;
    thermal->size(&width, &height);
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
    EXPECT_EQ(planck_test_calls(nullptr), 1);
    const auto cali = camera.requests("PUT", "/sensor/cali-mode");
    ASSERT_EQ(cali.size(), 1u);
    EXPECT_EQ(cali[0].body, "\"auto\"\n");
    EXPECT_TRUE(camera.requests("GET", "/stream/video/raw").empty()) << "the stream starts only with startGrab";
}

TEST_F(FotricCamera, OpenFailsCleanlyOnACameraThatCannotServe)
{
    struct Case {
        const char* what;
        const char* path;
        FakeThermalCamera::Reply reply;
    };
    const Case cases[] = {
        {"boot id refused", "/admin/boot-id", {503, ""}},
        {"silent camera", "/admin/boot-id", {200, "", FakeThermalCamera::Mode::Silent}},
        {"width 0", "/sensor/dimension", {200, R"({"w":0,"h":6})"}},
        {"negative height", "/sensor/dimension", {200, R"({"w":8,"h":-6})"}},
        {"size missing", "/sensor/dimension", {200, "{}"}},
        {"size as a list", "/sensor/dimension", {200, "[8,6]"}},
        {"size unanswered", "/sensor/dimension", {200, "", FakeThermalCamera::Mode::Silent}},
        {"46341 x 46341", "/sensor/dimension", {200, R"({"w":46341,"h":46341})"}},
        {"0 x 5", "/sensor/dimension", {200, R"({"w":0,"h":5})"}},
        {"a side above the bound", "/sensor/dimension", {200, R"({"w":2561,"h":8})"}},
        {"more pixels than the bound", "/sensor/dimension", {200, R"({"w":2560,"h":2049})"}},
        {"empty table list", "/sensor/luts/3?list", {200, "[]"}},
        {"table list as text", "/sensor/luts/3?list", {200, R"("none")"}},
        {"configuration refused", "/isp/instrument/jconfig", {401, ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeThermalCamera broken;
        broken.setReply("GET", c.path, c.reply);
        CameraFotric prototype;
        std::unique_ptr<CameraInterface> thermal(prototype.create(recordFor(broken.address())));
        const auto start = Clock::now();
        EXPECT_FALSE(thermal->open());
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2500));
        // No client is kept: nothing else goes to the camera.
        broken.clearRequests();
        EXPECT_FALSE(thermal->startGrab());
        thermal->setExposureTime(95);
        QVariant result(7);
        thermal->readValue(QJsonObject{{"detect", 0}, {"funcNO", 0}}, &result, 0);
        EXPECT_EQ(result, QVariant(7));
        EXPECT_TRUE(broken.requests().empty());
        int width = 0, height = 0;
        thermal->size(&width, &height);
        EXPECT_EQ(width, 1920);
        EXPECT_EQ(height, 1080);
    }
}

TEST_F(FotricCamera, SettersPutTheWholeConfigurationWithOneMemberChanged)
{
    struct Case {
        const char* what;
        void (CameraInterface::*setter)(int);
        int value;
        const char* key;
        const char* expected;  // JSON of the new member
    };
    const Case cases[] = {
        {"emissivity in hundredths", &CameraInterface::setExposureTime, 95, "emissivity", "0.95"},
        {"reflected temperature", &CameraInterface::setGain, 25, "reflect-t", "25"},
        {"ambient temperature", &CameraInterface::setSharpness, -5, "ambient-t", "-5"},
        {"distance in hundredths", &CameraInterface::setGamma, 250, "distance", "2.5"},
    };
    CameraFotric* thermal = openCamera(false);
    const Json::Value original =
        parse(R"({"ambient-t":23,"distance":2.5,"emissivity":0.95,"model":"TC","reflect-t":25,"rh":0.45})");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        camera.clearRequests();
        (thermal->*c.setter)(c.value);
        const auto puts = camera.requests("PUT", "/isp/instrument/jconfig");
        ASSERT_EQ(puts.size(), 1u);
        Json::Value expected = original;
        expected[c.key] = parse(c.expected);
        EXPECT_EQ(parse(puts[0].body), expected) << puts[0].body;
    }
    const auto body = camera.requests("PUT", "/isp/instrument/jconfig").front().body;
    EXPECT_NE(body.find("\"distance\":2.5,"), std::string::npos) << body;
}

TEST_F(FotricCamera, ASetterSendsNothingWithoutTheCurrentConfiguration)
{
    CameraFotric* thermal = openCamera(false);
    const FakeThermalCamera::Reply replies[] = {
        {500, R"({"emissivity":0.9})"},
        {200, R"([1,2])"},
        {200, "emissivity"},
        {200, "", FakeThermalCamera::Mode::Silent},
    };
    for (const auto& reply : replies) {
        camera.setReply("GET", "/isp/instrument/jconfig", reply);
        camera.clearRequests();
        thermal->setGain(30);
        EXPECT_TRUE(camera.requests("PUT", "/isp/instrument/jconfig").empty()) << reply.body;
    }
}

TEST_F(FotricCamera, AutoAdjustCalibratesOnce)
{
    CameraFotric* thermal = openCamera(false);
    camera.clearRequests();
    EXPECT_TRUE(thermal->autoAdjust(true).isEmpty());
    EXPECT_TRUE(thermal->autoAdjust(false).isEmpty());
    const auto requests = camera.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method + requests[0].path, "POST/sensor/cali");
}

// A region set of camera slot 2 with temperature regions on detects 0 and 1.
class RegionSet {
public:
    RegionSet()
        : set(2)
    {
        set.rois = QList<QList<ROIInterface*>>() << QList<ROIInterface*>() << QList<ROIInterface*>()
                                                 << QList<ROIInterface*>();
        addRect(0, QRect(10, 20, 30, 40), 9);
        addRect(0, QRect(50, 50, 10, 10), 1);  // a defect region: no object
        addRect(1, QRect(100, 110, 21, 11), 9);
        const QPoint triangle[] = {{5, 5}, {40, 5}, {20, 30}};
        add(1, new RePolygon(3, triangle), ShapePolygon, 9);
        auto* circle = new Circle;
        circle->setRect(60, 60, 20, 20);
        add(1, circle, ShapeCircle, 9);
        addRect(2, QRect(1, 1, 5, 5), 9);  // detect 2: never an object
        // Region P0: emissivity 0.95, offset -3, reflected 40; R0: maximum, emissivity 0.9.
        set.minWH[0] = static_cast<int>(0xFFFDu << 16) | 95;
        set.area[0] = 40 << 16;
        set.sensitivity[50] = (2 << 16) | 7;
        set.minWH[50] = 90;
        set.area[50] = static_cast<int>(0xFFF6u << 16);
    }

    void addRect(int d, const QRect& r, int tool)
    {
        auto* rect = new ClustomRect;
        rect->setRect(r.x(), r.y(), r.width(), r.height());
        add(d, rect, ShapeRectangle, tool);
    }
    void add(int d, ROIInterface* shape, int kind, int tool)
    {
        const int k = set.roiCount[d]++;
        set.rois[d].append(shape);
        set.shapeKind[d * 50 + k] = kind;
        set.toolType[d * 50 + k] = tool;
    }

    CammerSingleton set;
};

TEST_F(FotricCamera, RectangularTemperatureRegionsBecomeMeasurementObjects)
{
    SystemParam params;
    params.gamma[2] = 350;
    params.gamma[0] = 999;  // another camera's distance
    activeParams = &params;
    CameraFotric* thermal = openCamera(false);
    RegionSet regions;
    camera.clearRequests();
    thermal->setDetectConfig(QVariant::fromValue(&regions.set), 0);

    const auto requests = camera.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method + requests[0].path, "PUT/isp/instrument/objects/points/P0");
    EXPECT_EQ(parse(requests[0].body), parse(R"({"alarm-t":100,"api-visible":true,"distance":3.5,"emissivity":0.95,
        "label":"P0","mb-slot":0,"offset":-3,"osd-visible":true,"pos":{"x":24,"y":39},"reflect-t":40})"));
    EXPECT_EQ(requests[1].method + requests[1].path, "PUT/isp/instrument/objects/regions/R0");
    EXPECT_EQ(parse(requests[1].body), parse(R"({"alarm-t":100,"api-visible":true,"avg":true,"distance":3.5,
        "emissivity":0.9,"label":"R0","layer":0,"max":true,"mb-slot":0,"min":true,"offset":0,"osd-visible":true,
        "polygon":[{"x":100,"y":110},{"x":100,"y":120},{"x":120,"y":120},{"x":120,"y":110}],"reflect-t":-10})"));

    camera.clearRequests();
    thermal->setDetectConfig(QVariant::fromValue(&regions.set), 1);
    thermal->setDetectConfig(QVariant(5), 0);
    EXPECT_TRUE(camera.requests().empty()) << "flag not 0, or no region set";
}

TEST_F(FotricCamera, ReadValueAnswersTheServedTemperature)
{
    CameraFotric* thermal = openCamera(false);
    camera.setJson("GET", "/isp/instrument/objects/points/P0?value", R"({"t":36.5})");
    camera.setJson("GET", "/isp/instrument/objects/regions/R0?value",
                   R"({"avg":{"t":50.5},"max":{"t":80.25},"min":{"t":30}})");
    camera.setJson("GET", "/isp/instrument/objects/regions/R3?value", R"({"avg":{"t":1},"max":7,"min":{"t":"2"}})");
    camera.setJson("GET", "/isp/instrument/objects/points/P1?value", R"({"t":"36.5"})");
    camera.setJson("GET", "/isp/instrument/objects/points/P2?value", "[36.5]");
    camera.setJson("GET", "/isp/instrument/objects/points/P3?value", R"({"t":36.5})", 500);
    camera.setReply("GET", "/isp/instrument/objects/points/P4?value", {200, "", FakeThermalCamera::Mode::Silent});
    camera.setJson("GET", "/isp/instrument/objects/points/P5?value", R"({"t":36.5)");
    struct Case {
        const char* what;
        QVariantMap request;
        float expected;
    };
    auto request = [](int detect, int region) { return QVariantMap{{"detect", detect}, {"funcNO", region}}; };
    const auto askFirst = [&] {
        const Case before[] = {{"before any region set: the minimum", request(1, 0), 30.0f}};
        for (const Case& c : before) {
            QVariant result(0);
            thermal->readValue(QJsonObject::fromVariantMap(c.request), &result, 0);
            EXPECT_FLOAT_EQ(result.toFloat(), c.expected) << c.what;
        }
    };
    askFirst();

    RegionSet regions;
    thermal->setDetectConfig(QVariant::fromValue(&regions.set), 0);
    const Case cases[] = {
        {"point of detect 0", request(0, 0), 36.5f},
        {"region of detect 1 in its mode (maximum)", request(1, 0), 80.25f},
        {"detect 2 reads the region of detect 1 as minimum", request(2, 0), 30.0f},
        {"region number missing reads region 0", QVariantMap{{"detect", 0}}, 36.5f},
        {"mode member not an object", QVariantMap{{"detect", 1}, {"funcNO", 3}}, 0.0f},
        {"temperature as text", request(0, 1), 0.0f},
        {"reply a list", request(0, 2), 0.0f},
        {"error status", request(0, 3), 0.0f},
        {"reply cut short", request(0, 5), 0.0f},
        {"object unknown to the camera", request(0, 9), 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QVariant result(0);
        const auto start = Clock::now();
        thermal->readValue(QJsonObject::fromVariantMap(c.request), &result, 0);
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
        EXPECT_EQ(result.userType(), QMetaType::Float);
        EXPECT_FLOAT_EQ(result.toFloat(), c.expected);
    }

    // A camera that does not answer gives no reading at all, after one wait.
    QVariant result;
    thermal->readValue(QJsonObject::fromVariantMap(request(0, 4)), &result, 0);
    EXPECT_FALSE(result.isValid());
}

TEST_F(FotricCamera, ReadValueOutsideTheRegionSlotsLeavesTheResult)
{
    CameraFotric* thermal = openCamera(false);
    RegionSet regions;
    thermal->setDetectConfig(QVariant::fromValue(&regions.set), 0);
    camera.clearRequests();
    const std::pair<QJsonObject, int> cases[] = {
        {{{"detect", 8}, {"funcNO", 0}}, 0},  {{{"detect", -1}, {"funcNO", 0}}, 0},
        {{{"detect", 1}, {"funcNO", 50}}, 0}, {{{"detect", 7}, {"funcNO", -1}}, 0},
        {{{"detect", 100000}, {"funcNO", 3}}, 0}, {{{"detect", 0}, {"funcNO", 0}}, 1},
    };
    for (const auto& [request, flag] : cases) {
        QVariant result(7);
        thermal->readValue(request, &result, flag);
        EXPECT_EQ(result, QVariant(7));
    }
    EXPECT_TRUE(camera.requests().empty());
}

TEST_F(FotricCamera, ColourFramesShowThePalette)
{
    // Raw values on the palette's telling rows, spread so that the frame's range is 0..255
    // (plain) or 1000..2020 (scaled by four): each pixel shows the row of its value.
    struct Row {
        unsigned short value;
        unsigned char red, green, blue;
    };
    const Row rows[] = {
        {0, 0, 15, 20},       {16, 18, 0, 102},     {32, 74, 0, 145},     {48, 123, 0, 162},
        {64, 161, 8, 154},    {80, 193, 28, 129},   {96, 215, 54, 93},    {112, 220, 83, 57},
        {128, 220, 114, 22},  {144, 220, 145, 0},   {160, 220, 178, 0},   {176, 220, 206, 14},
        {192, 220, 230, 65},  {208, 220, 230, 157}, {224, 220, 230, 189}, {240, 220, 230, 205},
        {255, 220, 230, 220},
    };
    CameraFotric* thermal = openCamera(true);
    ASSERT_TRUE(thermal->startGrab());
    for (const int scale : {1, 4}) {
        SCOPED_TRACE(scale);
        std::vector<unsigned short> raw(kPixels, static_cast<unsigned short>(1000 * (scale - 1) / 3));
        for (size_t i = 0; i < std::size(rows); ++i)
            raw[i] = static_cast<unsigned short>(rows[i].value * scale + 1000 * (scale - 1) / 3);
        feed(raw);
        std::vector<unsigned char> frame(kPixels * 4, 0xEE);
        ASSERT_TRUE(thermal->grabFrame(frame.data()));
        for (size_t i = 0; i < std::size(rows); ++i) {
            EXPECT_EQ(frame[4 * i], rows[i].blue) << "row " << rows[i].value;
            EXPECT_EQ(frame[4 * i + 1], rows[i].green) << "row " << rows[i].value;
            EXPECT_EQ(frame[4 * i + 2], rows[i].red) << "row " << rows[i].value;
            EXPECT_EQ(frame[4 * i + 3], 0);
        }
    }
}

TEST_F(FotricCamera, AUniformFrameShowsTheFirstPaletteRow)
{
    for (const bool colour : {true, false}) {
        SCOPED_TRACE(colour ? "colour" : "grey");
        CameraFotric* thermal = openCamera(colour);
        ASSERT_TRUE(thermal->startGrab());
        feed(std::vector<unsigned short>(kPixels, 31000));
        const size_t length = kPixels * (colour ? 4 : 1);
        std::vector<unsigned char> frame(length + 4, 0xEE);
        ASSERT_TRUE(thermal->grabFrame(frame.data()));
        const unsigned char firstRow[4] = {20, 15, 0, 0};
        unsigned char grey = 0;
        rgb32ToGray(&grey, firstRow, 1, 1);
        for (size_t i = 0; i < length; ++i)
            ASSERT_EQ(frame[i], colour ? firstRow[i % 4] : grey) << "byte " << i;
        EXPECT_EQ(frame[length], 0xEE) << "nothing beyond the frame";
        cameraUnderTest.reset();
    }
}

TEST_F(FotricCamera, FramesOfAnotherSizeOrWithoutPictureAreDropped)
{
    CameraFotric* thermal = openCamera(false);
    ASSERT_TRUE(thermal->startGrab());
    int frames = 0;
    thermal->frameDelta(&frames);
    feed(std::vector<unsigned short>(kPixels * 4, 500), kWidth * 2, kHeight * 2);
    feed(std::vector<unsigned short>(kPixels / 2, 500), kWidth, kHeight / 2);
    ASSERT_EQ(streamsdk_test_push_status(kLoopback, ThermalRestClient::streamPort, 3), 0);
    ASSERT_EQ(streamsdk_test_wait_delivered(kLoopback, ThermalRestClient::streamPort, 2000), 0);
    std::vector<unsigned char> frame(kPixels, 0xEE);
    EXPECT_FALSE(thermal->grabFrame(frame.data()));
    EXPECT_FALSE(thermal->frameDelta(&frames));
    EXPECT_EQ(frames, 0);
    EXPECT_EQ(frame, std::vector<unsigned char>(kPixels, 0xEE));
    feed(std::vector<unsigned short>(kPixels, 500));
    EXPECT_TRUE(thermal->frameDelta(&frames));
    EXPECT_EQ(frames, 1);
}

TEST_F(FotricCamera, StartGrabFailsWhenTheStreamCannotStart)
{
    CameraFotric* thermal = openCamera(false);
    streamsdk_test_fail_create(kLoopback, 4);
    EXPECT_FALSE(thermal->startGrab());
    streamsdk_test_reset();
    camera.setJson("GET", "/stream/video/raw", R"({"max-packet-size":"big"})");
    EXPECT_FALSE(thermal->startGrab());
    EXPECT_EQ(streamsdk_test_stream_count(kLoopback, ThermalRestClient::streamPort), 0);
    for (const char* size : {R"({"max-packet-size":0})", R"({"max-packet-size":16777217})"}) {
        SCOPED_TRACE(size);
        camera.setJson("GET", "/stream/video/raw", size);
        EXPECT_FALSE(thermal->startGrab());
        EXPECT_EQ(streamsdk_test_stream_count(kLoopback, ThermalRestClient::streamPort), 0);
    }
    camera.setJson("GET", "/stream/video/raw", R"({"max-packet-size":1500})");
    EXPECT_TRUE(thermal->startGrab());
    thermal->stopGrab();
    EXPECT_EQ(streamsdk_test_stream_count(kLoopback, ThermalRestClient::streamPort), 0);
    ASSERT_TRUE(thermal->startGrab());
    thermal->close();
    EXPECT_EQ(streamsdk_test_stream_count(kLoopback, ThermalRestClient::streamPort), 0);
    EXPECT_FALSE(thermal->startGrab()) << "closed: no client";
}

TEST_F(FotricCamera, ASilentStreamCountsAsLostFromTheThirdPoll)
{
    CameraFotric* thermal = openCamera(false);
    ASSERT_TRUE(thermal->startGrab());
    std::vector<unsigned char> frame(kPixels);

    EXPECT_FALSE(thermal->isConnected());
    feed(std::vector<unsigned short>(kPixels, 100));
    EXPECT_TRUE(thermal->isConnected());
    EXPECT_FALSE(thermal->isConnected()) << "third poll: lost, the waiting frame dropped";
    EXPECT_FALSE(thermal->grabFrame(frame.data()));
    EXPECT_FALSE(thermal->reconnect());

    feed(std::vector<unsigned short>(kPixels, 100));
    EXPECT_FALSE(thermal->isConnected());
    feed(std::vector<unsigned short>(kPixels, 100));
    EXPECT_TRUE(thermal->reconnect());
    EXPECT_TRUE(thermal->isConnected());
    EXPECT_TRUE(thermal->grabFrame(frame.data()));
    EXPECT_FALSE(thermal->isConnected());
    EXPECT_FALSE(thermal->isConnected());
}

TEST_F(FotricCamera, FramesArriveWhileThePanelPolls)
{
    CameraFotric* thermal = openCamera(false);
    ASSERT_TRUE(thermal->startGrab());
    constexpr int kFrames = 60;
    std::atomic<bool> done{false};
    std::thread camerathread([&] {
        std::vector<unsigned short> raw(kPixels);
        for (int n = 0; n < kFrames; ++n) {
            for (int i = 0; i < kPixels; ++i)
                raw[static_cast<size_t>(i)] = static_cast<unsigned short>(n * 100 + i);
            streamsdk_test_push_frame(kLoopback, ThermalRestClient::streamPort, raw.data(), kWidth, kHeight);
        }
        streamsdk_test_wait_delivered(kLoopback, ThermalRestClient::streamPort, 5000);
        done = true;
    });
    std::vector<unsigned char> frame(kPixels);
    int total = 0;
    int grabbed = 0;
    while (!done) {
        int frames = 0;
        thermal->frameDelta(&frames);
        total += frames;
        grabbed += thermal->grabFrame(frame.data()) ? 1 : 0;
        thermal->isConnected();
        thermal->reconnect();
    }
    camerathread.join();
    int frames = 0;
    thermal->frameDelta(&frames);
    total += frames;
    EXPECT_EQ(total, kFrames);
    EXPECT_LE(grabbed, kFrames);
    // Every frame is a ramp: the grey image rises along the row.
    thermal->stopGrab();
    EXPECT_LE(frame[0], frame[kWidth - 1]);
}

}  // namespace
