// Our REST library stand-in against the fake camera server: a real HTTP/1.1 exchange, whole
// bodies however long, cut replies reported, and every kind of silent or broken peer ending in a
// failure code within the timeout.
#include "platform/restc/restc.h"
#include "platform/restc/restc_testcontrol.h"
#include "tests/support/fakethermalcamera.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Connection = std::unique_ptr<restc_connection, decltype(&restc_destroy_connection)>;

Connection connectTo(const FakeThermalCamera& camera)
{
    return Connection(restc_create_connection("127.0.0.1", camera.port()), &restc_destroy_connection);
}

class Restc : public ::testing::Test {
protected:
    void TearDown() override { restc_set_authroization("", ""); }
    FakeThermalCamera camera;
};

TEST_F(Restc, GetReturnsStatusAndWholeBody)
{
    const std::string body(5000, 'x');
    for (const auto mode :
         {FakeThermalCamera::Mode::Answer, FakeThermalCamera::Mode::Chunked, FakeThermalCamera::Mode::ToClose}) {
        camera.setReply("GET", "/big", {200, "\"" + body + "\"", mode});
        Connection connection = connectTo(camera);
        std::vector<char> buffer(8192);
        size_t length = 0;
        EXPECT_EQ(restc_get(connection.get(), "/big", nullptr, buffer.data(), buffer.size(), &length), 200);
        ASSERT_EQ(length, body.size() + 2);
        EXPECT_EQ(std::string(buffer.data(), length), "\"" + body + "\"");
    }
    const auto requests = camera.requests("GET", "/big");
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_NE(requests[0].headers.find("Host: 127.0.0.1:" + std::to_string(camera.port())), std::string::npos);
}

TEST_F(Restc, ACutReplyReportsItsFullLength)
{
    camera.setJson("GET", "/long", std::string(3000, '1'));
    Connection connection = connectTo(camera);
    char buffer[1024];
    size_t length = 0;
    EXPECT_EQ(restc_get(connection.get(), "/long", nullptr, buffer, sizeof buffer, &length), 200);
    EXPECT_EQ(length, 3000u);
}

TEST_F(Restc, ErrorStatusesComeBackAsTheyAre)
{
    camera.setJson("GET", "/gone", R"({"error":"no"})", 503);
    Connection connection = connectTo(camera);
    char buffer[256];
    size_t length = 0;
    EXPECT_EQ(restc_get(connection.get(), "/gone", nullptr, buffer, sizeof buffer, &length), 503);
    EXPECT_EQ(std::string(buffer, length), R"({"error":"no"})");
    EXPECT_EQ(restc_get(connection.get(), "/unknown", nullptr, buffer, sizeof buffer, &length), 404);
}

TEST_F(Restc, PutAndPostSendTheBodyWithItsType)
{
    Connection connection = connectTo(camera);
    std::string body = R"({"a":1})";
    std::vector<char> buffer(body.begin(), body.end());
    buffer.resize(64);
    size_t length = body.size();
    EXPECT_EQ(restc_put(connection.get(), "/p", nullptr, buffer.data(), buffer.size(), &length), 200);
    length = 4;
    std::memcpy(buffer.data(), "null", 4);
    EXPECT_EQ(restc_post(connection.get(), "/q", nullptr, buffer.data(), buffer.size(), &length), 200);

    const auto requests = camera.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "PUT");
    EXPECT_EQ(requests[0].body, body);
    EXPECT_NE(requests[0].headers.find("Content-Type: application/json"), std::string::npos);
    EXPECT_EQ(requests[1].method, "POST");
    EXPECT_EQ(requests[1].body, "null");
}

TEST_F(Restc, ABodyLargerThanItsBufferIsNotSent)
{
    Connection connection = connectTo(camera);
    char buffer[16] = "0123456789";
    size_t length = 17;
    EXPECT_EQ(restc_put(connection.get(), "/p", nullptr, buffer, sizeof buffer, &length), RESTC_E_ARGUMENT);
    EXPECT_TRUE(camera.requests().empty());
}

TEST_F(Restc, CredentialsGoIntoEveryLaterRequest)
{
    Connection connection = connectTo(camera);
    char buffer[64];
    size_t length = 0;
    restc_set_authroization("admin", "pw");
    restc_get(connection.get(), "/a", nullptr, buffer, sizeof buffer, &length);
    restc_set_authroization("", "");
    restc_get(connection.get(), "/b", nullptr, buffer, sizeof buffer, &length);
    const auto requests = camera.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].headers.find("Authorization: Basic YWRtaW46cHc="), std::string::npos);
    EXPECT_EQ(requests[1].headers.find("Authorization"), std::string::npos);
}

TEST_F(Restc, BrokenPeersFailWithinTheTimeout)
{
    struct Case {
        const char* what;
        FakeThermalCamera::Mode mode;
        bool nothingListens;
        int expected;
    };
    const Case cases[] = {
        {"silent camera", FakeThermalCamera::Mode::Silent, false, RESTC_E_TIMEOUT},
        {"camera hangs up", FakeThermalCamera::Mode::Close, false, RESTC_E_PROTOCOL},
        {"nothing listens", FakeThermalCamera::Mode::Answer, true, RESTC_E_CONNECT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        camera.setReply("GET", "/x", {200, "1", c.mode});
        Connection connection(restc_create_connection("127.0.0.1", c.nothingListens ? FakeThermalCamera::closedPort() : camera.port()),
                              &restc_destroy_connection);
        restc_set_timeout(connection.get(), 150);
        char buffer[64];
        size_t length = 99;
        const auto start = Clock::now();
        EXPECT_EQ(restc_get(connection.get(), "/x", nullptr, buffer, sizeof buffer, &length), c.expected);
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
        EXPECT_EQ(length, 0u);
    }
}

// A peer that never stops sending, quickly or slowly, must not hold a call past its deadline:
// the call gives up while the peer is still at it (the server sees the client leave a reply it
// had not finished). A slow peer is left at the deadline; a flood at the deadline or at the
// 64 MiB bound on a reply, whichever a fast machine reaches first.
TEST_F(Restc, APeerThatKeepsSendingIsLeftAtTheDeadline)
{
    constexpr int kDeadlineMs = 500;
    int unfinished = 0;
    for (const auto& c : FakeThermalCamera::kEndlessReplies) {
        SCOPED_TRACE(c.what);
        camera.setReply("GET", "/x", {200, std::string(200, '1'), c.mode});
        Connection connection = connectTo(camera);
        restc_set_timeout(connection.get(), kDeadlineMs);
        char buffer[64];
        size_t length = 99;
        const auto start = Clock::now();
        const int result = restc_get(connection.get(), "/x", nullptr, buffer, sizeof buffer, &length);
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (c.floods)
            EXPECT_TRUE(result == RESTC_E_TIMEOUT || result == RESTC_E_PROTOCOL) << result;
        else
            EXPECT_EQ(result, RESTC_E_TIMEOUT);
        EXPECT_EQ(length, 0u);
        EXPECT_TRUE(camera.waitForRepliesLeftUnfinished(++unfinished, 30000))
            << "the camera finished its reply: the call did not leave it early";
        std::printf("[ measured ] %s, deadline %d ms: the call returned after %lld ms\n", c.what, kDeadlineMs,
                    static_cast<long long>(took));
    }
}

TEST_F(Restc, DefaultTimeoutAppliesWithoutOwnTimeout)
{
    camera.setReply("GET", "/x", {200, "1", FakeThermalCamera::Mode::Silent});
    restc_test_set_default_timeout(100);
    Connection connection = connectTo(camera);
    char buffer[64];
    size_t length = 0;
    const auto start = Clock::now();
    EXPECT_EQ(restc_get(connection.get(), "/x", nullptr, buffer, sizeof buffer, &length), RESTC_E_TIMEOUT);
    const auto took = Clock::now() - start;
    restc_test_set_default_timeout(0);
    EXPECT_GE(took, std::chrono::milliseconds(90));
    EXPECT_LT(took, std::chrono::milliseconds(800));
}

TEST(RestcHandle, OnlyIPv4AddressesMakeAHandle)
{
    EXPECT_EQ(restc_create_connection("camera.local", 10080), nullptr);
    EXPECT_EQ(restc_create_connection("127.0.0.1:80", 10080), nullptr);
    EXPECT_EQ(restc_create_connection(nullptr, 10080), nullptr);
    restc_connection* connection = restc_create_connection("192.168.1.100", 10080);
    EXPECT_NE(connection, nullptr);
    restc_destroy_connection(connection);
    size_t length = 0;
    EXPECT_EQ(restc_get(nullptr, "/", nullptr, nullptr, 0, &length), RESTC_E_ARGUMENT);
}

}  // namespace
