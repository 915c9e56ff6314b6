// The thermal camera's REST client against the fake camera: sensor size, liveness, the table
// from raw values to temperatures, the calibration and configuration requests, measurement
// objects and the raw stream; replies of the wrong type and silent cameras end in failures.
#include "cameras/fotric/restconnection.h"
#include "cameras/fotric/thermalrestclient.h"
#include "platform/planck/planck_testcontrol.h"
#include "platform/restc/restc.h"
#include "platform/restc/restc_testcontrol.h"
#include "platform/streamsdk/streamsdk_testcontrol.h"
#include "tests/support/fakethermalcamera.h"

#include <gtest/gtest.h>
#include <json/value.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr float kTolerance = 1e-3f;

class ThermalClient : public ::testing::Test {
protected:
    void SetUp() override
    {
        planck_test_reset();
        streamsdk_test_reset();
        // Requests without their own timeout give up quickly on a silent camera.
        restc_test_set_default_timeout(200);
    }
    void TearDown() override
    {
        restc_test_set_default_timeout(0);
        streamsdk_test_reset();
    }

    ThermalRestClient client() { return ThermalRestClient(camera.address(), "", ""); }

    FakeThermalCamera camera;
};

TEST_F(ThermalClient, ReadsTheSensorSize)
{
    struct Case {
        const char* what;
        FakeThermalCamera::Reply reply;
        int width, height;
    };
    const Case cases[] = {
        {"both sizes", {200, R"({"w":384,"h":288})"}, 384, 288},
        {"height missing", {200, R"({"w":384})"}, 384, 0},
        {"sizes as text", {200, R"({"w":"384","h":"288"})"}, 0, 0},
        {"an array", {200, "[384,288]"}, 0, 0},
        {"a bare number", {200, "384"}, 0, 0},
        {"not JSON", {200, "w=384"}, 0, 0},
        {"error status", {500, R"({"w":384,"h":288})"}, 0, 0},
        {"silent camera", {200, "", FakeThermalCamera::Mode::Silent}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        camera.setReply("GET", "/sensor/dimension", c.reply);
        const auto start = Clock::now();
        ThermalRestClient probe(camera.address(), "", "");
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
        EXPECT_EQ(probe.width, c.width);
        EXPECT_EQ(probe.height, c.height);
    }
}

TEST_F(ThermalClient, IsAliveOnlyWhenTheBootIdAnswers200)
{
    EXPECT_TRUE(client().isAlive());
    camera.setJson("GET", "/admin/boot-id", "{}", 401);
    EXPECT_FALSE(client().isAlive());
    // Only the status counts: a boot id that is plain text, or no body at all, is an answer.
    camera.setReply("GET", "/admin/boot-id", {200, "e3b0c442-98fc-1c14"});
    EXPECT_TRUE(client().isAlive());
    camera.setReply("GET", "/admin/boot-id", {200, ""});
    EXPECT_TRUE(client().isAlive());
    camera.setReply("GET", "/admin/boot-id", {200, "", FakeThermalCamera::Mode::Silent});
    const auto start = Clock::now();
    ThermalRestClient silent = client();
    EXPECT_FALSE(silent.isAlive());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_EQ(camera.requests("GET", "/admin/boot-id").size(), 5u);
}

TEST_F(ThermalClient, AnAddressWithoutUsableHostFailsWithoutTraffic)
{
    for (const char* address : {"camera.local", "127.0.0.1:0", "127.0.0.1:http", ""}) {
        SCOPED_TRACE(address);
        ThermalRestClient probe(address, "", "");
        EXPECT_FALSE(probe.isAlive());
        EXPECT_EQ(probe.width, 0);
        // No request is ever reported as answered.
        Json::Value value;
        EXPECT_LT(probe.putConfig(Json::Value(Json::objectValue)), 0);
        EXPECT_LT(probe.getConfig(value), 0);
        EXPECT_LT(probe.setCaliMode(false), 0);
        EXPECT_LT(probe.calibrate(), 0);
        EXPECT_FALSE(probe.loadLut());
    }
}

TEST_F(ThermalClient, LoadsALongTableAndInterpolates)
{
    // 3000 pairs, a reply of some 60 kB, far beyond a kilobyte and beyond the first buffer the
    // connection allocates: 1000 -> 20 and 2000 -> 30 among them.
    std::vector<std::pair<int, double>> pairs;
    pairs.emplace_back(1000, 20.0);
    pairs.emplace_back(2000, 30.0);
    for (int i = 1; i <= 2998; ++i)
        pairs.emplace_back(2000 + i * 20, 30.0 + i * 0.05);
    camera.setLutPairs(pairs);

    ThermalRestClient thermal = client();
    ASSERT_TRUE(thermal.loadLut());
    EXPECT_EQ(thermal.lutFirst, 1000);
    EXPECT_EQ(thermal.lutLast, 2000 + 2998 * 20);
    EXPECT_NEAR(thermal.lut[0], 20.0f, kTolerance);
    EXPECT_NEAR(thermal.lut[1000], 20.0f, kTolerance);
    EXPECT_NEAR(thermal.lut[1500], 25.0f, kTolerance);
    EXPECT_NEAR(thermal.lut[2000], 30.0f, kTolerance);
    EXPECT_NEAR(thermal.lut[2010], 30.025f, kTolerance);
    EXPECT_NEAR(thermal.lut[61960], 179.9f, kTolerance);
    EXPECT_NEAR(thermal.lut[65535], 179.9f, kTolerance);
    const auto requests = camera.requests();
    ASSERT_GE(requests.size(), 4u);  // the size query, then the requests of the table
    EXPECT_EQ(requests[1].path, "/sensor/lut");
    EXPECT_EQ(requests[2].path, "/sensor/luts/3?list");
    EXPECT_EQ(requests.back().path, "/isp/instrument/jconfig");
}

TEST_F(ThermalClient, TableShapes)
{
    struct Case {
        const char* what;
        std::vector<std::pair<int, double>> pairs;
        int first, last;
        std::vector<std::pair<int, float>> expected;  // raw value, degrees
    };
    const Case cases[] = {
        {"two pairs", {{1000, 20}, {2000, 30}}, 1000, 2000, {{0, 20}, {1500, 25}, {65535, 30}}},
        {"one pair", {{1234, 42.5}}, 1234, 1234, {{0, 42.5f}, {1234, 42.5f}, {65535, 42.5f}}},
        {"values stop rising", {{100, 0}, {200, 10}, {150, 99}, {300, 50}}, 100, 200,
         {{150, 5}, {200, 10}, {250, 10}, {65535, 10}}},
        {"raw values outside the table skipped", {{-500, -40}, {0, -20}, {65535, 300}, {70000, 400}}, 0, 65535,
         {{0, -20}, {65535, 300}}},
        {"negative temperatures", {{0, -40}, {100, -20}}, 0, 100, {{50, -30}, {60000, -20}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        camera.setLutPairs(c.pairs);
        ThermalRestClient thermal = client();
        ASSERT_TRUE(thermal.loadLut());
        EXPECT_EQ(thermal.lutFirst, c.first);
        EXPECT_EQ(thermal.lutLast, c.last);
        for (const auto& [raw, celsius] : c.expected)
            EXPECT_NEAR(thermal.lut[static_cast<size_t>(raw)], celsius, kTolerance) << "raw " << raw;
    }
}

TEST_F(ThermalClient, TheCorrectionGetsTheConfigurationInKelvin)
{
    ThermalRestClient thermal = client();
    ASSERT_TRUE(thermal.loadLut());
    planck_test_call call{};
    ASSERT_EQ(planck_test_calls(&call), 1);
    EXPECT_FLOAT_EQ(call.emissivity, 0.95f);
    EXPECT_FLOAT_EQ(call.reflected_k, 25 + 273.15f);
    EXPECT_FLOAT_EQ(call.ambient_k, 23 + 273.15f);
    EXPECT_FLOAT_EQ(call.distance, 2.5f);
    EXPECT_FLOAT_EQ(call.humidity, 0.45f);
    EXPECT_FLOAT_EQ(call.transmission, 1.0f);
    EXPECT_FLOAT_EQ(call.reference_k, 293.15f);
    EXPECT_EQ(call.first, 0);
    EXPECT_EQ(call.last, 65535);
    EXPECT_NEAR(call.entry_0, 20 + 273.15f, kTolerance);
    EXPECT_NEAR(call.entry_1500, 25 + 273.15f, kTolerance);
    EXPECT_NEAR(call.entry_65535, 30 + 273.15f, kTolerance);
}

TEST_F(ThermalClient, ATableThatCannotBeReadFailsAndKeepsTheOldOne)
{
    struct Case {
        const char* what;
        const char* method;
        const char* path;
        FakeThermalCamera::Reply reply;
    };
    const Case cases[] = {
        {"table number fails", "GET", "/sensor/lut", {404, "3"}},
        {"table number is text", "GET", "/sensor/lut", {200, R"("3")"}},
        {"table number is an object", "GET", "/sensor/lut", {200, R"({"lut":3})"}},
        {"empty list", "GET", "/sensor/luts/3?list", {200, "[]"}},
        {"list is an object", "GET", "/sensor/luts/3?list", {200, R"({"r":1000,"t":20})"}},
        {"raw value as text", "GET", "/sensor/luts/3?list", {200, R"([{"r":"1000","t":20}])"}},
        {"temperature missing", "GET", "/sensor/luts/3?list", {200, R"([{"r":1000}])"}},
        {"entry is a number", "GET", "/sensor/luts/3?list", {200, "[1000,20]"}},
        {"all raw values outside the table", "GET", "/sensor/luts/3?list", {200, R"([{"r":-5,"t":1},{"r":70000,"t":2}])"}},
        {"list cut short", "GET", "/sensor/luts/3?list", {200, R"([{"r":1000,"t":20},{"r":20)"}},
        {"configuration fails", "GET", "/isp/instrument/jconfig", {500, ""}},
        {"configuration is a list", "GET", "/isp/instrument/jconfig", {200, R"([{"r":1000,"t":20}])"}},
        {"emissivity as text", "GET", "/isp/instrument/jconfig",
         {200, R"({"ambient-t":23,"distance":2.5,"emissivity":"0.95","reflect-t":25,"rh":0.45})"}},
        {"silent on the list", "GET", "/sensor/luts/3?list", {200, "", FakeThermalCamera::Mode::Silent}},
        {"hangs up on the configuration", "GET", "/isp/instrument/jconfig", {200, "", FakeThermalCamera::Mode::Close}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeThermalCamera fresh;
        ThermalRestClient thermal(fresh.address(), "", "");
        ASSERT_TRUE(thermal.loadLut());
        // A list that would change the table, unless the failure replaces it.
        fresh.setLutPairs({{0, 70}, {100, 80}});
        fresh.setReply(c.method, c.path, c.reply);
        const auto start = Clock::now();
        EXPECT_FALSE(thermal.loadLut());
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
        EXPECT_EQ(thermal.lutFirst, 1000);
        EXPECT_NEAR(thermal.lut[1500], 25.0f, kTolerance);
    }
}

TEST_F(ThermalClient, ACorrectionThatRefusesTheTableFailsTheLoad)
{
    planck_test_set_result(3);
    EXPECT_FALSE(client().loadLut());
    planck_test_reset();
}

TEST_F(ThermalClient, CalibrationRequests)
{
    ThermalRestClient thermal = client();
    camera.clearRequests();
    EXPECT_EQ(thermal.setCaliMode(false), 200);
    EXPECT_EQ(thermal.setCaliMode(true), 200);
    EXPECT_EQ(thermal.calibrate(), 200);
    const auto requests = camera.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].method + requests[0].path, "PUT/sensor/cali-mode");
    EXPECT_EQ(requests[0].body, "\"auto\"\n");
    EXPECT_EQ(requests[1].body, "\"manual\"\n");
    EXPECT_EQ(requests[2].method + requests[2].path, "POST/sensor/cali");
    EXPECT_EQ(requests[2].body, "null\n");
    camera.setJson("POST", "/sensor/cali", "", 503);
    EXPECT_EQ(thermal.calibrate(), 503);
}

TEST_F(ThermalClient, ConfigurationComesAndGoesWhole)
{
    ThermalRestClient thermal = client();
    Json::Value config;
    ASSERT_EQ(thermal.getConfig(config), 200);
    ASSERT_TRUE(config.isObject());
    EXPECT_EQ(config["model"].asString(), "TC");
    config["emissivity"] = 0.9;
    EXPECT_EQ(thermal.putConfig(config), 200);
    const auto puts = camera.requests("PUT", "/isp/instrument/jconfig");
    ASSERT_EQ(puts.size(), 1u);
    EXPECT_EQ(puts[0].body, R"({"ambient-t":23,"distance":2.5,"emissivity":0.9,"model":"TC","reflect-t":25,"rh":0.45})"
                            "\n");

    camera.setJson("GET", "/isp/instrument/jconfig", R"({"a":1})", 500);
    EXPECT_EQ(thermal.getConfig(config), 500);
    EXPECT_TRUE(config.isNull());
}

TEST_F(ThermalClient, ABodyTooLargeIsReportedNotSent)
{
    ThermalRestClient thermal = client();
    camera.clearRequests();
    Json::Value config(Json::objectValue);
    config["note"] = std::string(RestConnection::kMaxMessageBytes, 'n');
    EXPECT_EQ(thermal.putConfig(config), RestConnection::kTooLarge);
    EXPECT_TRUE(camera.requests().empty());
}

TEST_F(ThermalClient, MeasurementObjects)
{
    ThermalRestClient thermal = client();
    camera.clearRequests();
    Json::Value object(Json::objectValue);
    object["layer"] = 0;
    EXPECT_EQ(thermal.putObject(object, MeasureRegion), 404) << "no label";
    object["label"] = 7;
    EXPECT_EQ(thermal.putObject(object, MeasureRegion), 404) << "label not a text";
    EXPECT_TRUE(camera.requests().empty());

    object["label"] = "R7";
    EXPECT_EQ(thermal.putObject(object, MeasureRegion), 200);
    object["label"] = "P2";
    EXPECT_EQ(thermal.putObject(object, MeasurePoint), 200);
    object["label"] = "L1";
    EXPECT_EQ(thermal.putObject(object, MeasureLine), 200);
    const auto requests = camera.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].path, "/isp/instrument/objects/regions/R7");
    EXPECT_EQ(requests[0].body, "{\"label\":\"R7\",\"layer\":0}\n");
    EXPECT_EQ(requests[1].path, "/isp/instrument/objects/points/P2");
    EXPECT_EQ(requests[2].path, "/isp/instrument/objects/lines/L1");

    camera.setJson("GET", "/isp/instrument/objects/points/P2?value", R"({"t":36.6})");
    Json::Value reply;
    EXPECT_EQ(thermal.getObjectValue(reply, MeasurePoint, "P2"), 200);
    EXPECT_DOUBLE_EQ(reply["t"].asDouble(), 36.6);
    EXPECT_EQ(thermal.getObjectValue(reply, MeasureRegion, "R9"), 404);
    EXPECT_TRUE(reply.isNull());
}

// A readout runs inside the check on the cycle's thread: however the camera sends, it ends in a
// failure at its 500 ms limit, leaving the camera in the middle of its reply.
TEST_F(ThermalClient, AReadoutFromACameraThatKeepsSendingEndsAtItsLimit)
{
    ThermalRestClient thermal = client();
    int unfinished = 0;
    for (const auto& c : FakeThermalCamera::kEndlessReplies) {
        SCOPED_TRACE(c.what);
        camera.setReply("GET", "/isp/instrument/objects/points/P0?value", {200, R"({"t":36.6})", c.mode});
        Json::Value reply;
        const auto start = Clock::now();
        const int result = thermal.getObjectValue(reply, MeasurePoint, "P0");
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        // A flood may meet the bound on a reply's size before the limit.
        if (c.floods)
            EXPECT_TRUE(result == RESTC_E_TIMEOUT || result == RESTC_E_PROTOCOL) << result;
        else
            EXPECT_EQ(result, RESTC_E_TIMEOUT);
        EXPECT_TRUE(reply.isNull());
        EXPECT_TRUE(camera.waitForRepliesLeftUnfinished(++unfinished, 30000))
            << "the camera finished its reply: the readout waited for all of it";
        std::printf("[ measured ] readout from a camera sending %s: %lld ms (limit 500 ms)\n", c.what,
                    static_cast<long long>(took));
    }
}

void ignoreFrame(int, const streamsdk_frame*, void*) {}

TEST_F(ThermalClient, StartsTheRawStreamOnce)
{
    ThermalRestClient thermal = client();
    camera.clearRequests();
    ASSERT_TRUE(thermal.startStream(&ignoreFrame, nullptr));
    char path[32];
    int packet = 0;
    ASSERT_EQ(streamsdk_test_started("127.0.0.1", ThermalRestClient::streamPort, path, sizeof path, &packet), 1);
    EXPECT_STREQ(path, "/video/raw");
    EXPECT_EQ(packet, 65536);
    EXPECT_TRUE(thermal.startStream(&ignoreFrame, nullptr)) << "a second start keeps the running stream";
    EXPECT_EQ(streamsdk_test_stream_count("127.0.0.1", ThermalRestClient::streamPort), 1);
    EXPECT_EQ(camera.requests("GET", "/stream/video/raw").size(), 1u);
    thermal.stopStream();
    EXPECT_EQ(streamsdk_test_stream_count("127.0.0.1", ThermalRestClient::streamPort), 0);
}

TEST_F(ThermalClient, AStreamThatCannotStartLeavesNoHandle)
{
    struct Case {
        const char* what;
        FakeThermalCamera::Reply description;
        int createFails;
        int startFails;
    };
    const Case cases[] = {
        {"stream cannot be made", {200, R"({"max-packet-size":65536})"}, 7, 0},
        {"description fails", {503, R"({"max-packet-size":65536})"}, 0, 0},
        {"packet size as text", {200, R"({"max-packet-size":"65536"})"}, 0, 0},
        {"description is a number", {200, "65536"}, 0, 0},
        {"packet size 0", {200, R"({"max-packet-size":0})"}, 0, 0},
        {"silent description", {200, "", FakeThermalCamera::Mode::Silent}, 0, 0},
        {"stream does not start", {200, R"({"max-packet-size":65536})"}, 0, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        camera.setReply("GET", "/stream/video/raw", c.description);
        streamsdk_test_fail_create("127.0.0.1", c.createFails);
        streamsdk_test_fail_start("127.0.0.1", c.startFails);
        ThermalRestClient thermal = client();
        EXPECT_FALSE(thermal.startStream(&ignoreFrame, nullptr));
        EXPECT_EQ(streamsdk_test_stream_count("127.0.0.1", ThermalRestClient::streamPort), 0);
        streamsdk_test_reset();
    }
}

}  // namespace
