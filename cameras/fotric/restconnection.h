// One REST exchange context with a thermal camera for the length of one client operation: the
// REST library's handle for the camera's address and port, the message buffer, and the JSON
// reading and writing of the bodies. GUI thread only; never shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct restc_connection;
namespace Json {
class Value;
}

class RestConnection {
public:
    // Statuses of our own beside the HTTP statuses and the REST library's negative codes.
    static constexpr int kNotConnected = -100;  // no library handle (address not usable)
    static constexpr int kTooLarge = -101;      // body or reply larger than kMaxMessageBytes
    // Largest body sent or reply read; a camera's table list stays far below it.
    static constexpr std::size_t kMaxMessageBytes = 4u << 20;

    RestConnection(const std::string& host, std::uint16_t port);
    ~RestConnection();
    RestConnection(const RestConnection&) = delete;
    RestConnection& operator=(const RestConnection&) = delete;

    // Limit in milliseconds for each later operation (a reply too large for the buffer is asked
    // twice, both within the one limit); the library's default per request until set.
    void setTimeout(int milliseconds);

    // GET `path`; `reply` is reset first and receives the parsed body when the status is 200 and
    // the body is JSON (the whole body, however long, up to kMaxMessageBytes); otherwise it stays
    // null. Returns the status: the HTTP status or a negative failure code.
    int get(const std::string& path, Json::Value& reply);

    enum class Method { Post, Put };
    // Sends `body` written compactly with a final line feed. Returns the HTTP status or a
    // negative failure code (kTooLarge: nothing was sent). The reply body is not read.
    int sendJson(const std::string& path, const Json::Value& body, Method method);
    int post(const std::string& path, const Json::Value& body) { return sendJson(path, body, Method::Post); }
    int put(const std::string& path, const Json::Value& body) { return sendJson(path, body, Method::Put); }

private:
    restc_connection* m_handle = nullptr;
    std::vector<char> m_buffer;  // request body out, reply body back
    int m_timeoutMs = 0;         // as set; 0: the library's default
};

// Credentials for every later request of the process (empty user: none).
void setRestAuthorization(const std::string& user, const std::string& password);

// Why a request with result `status` (an HTTP status or a negative failure code) brought no
// usable answer, in words for the log: "no whole answer within the deadline", "answered HTTP 503".
std::string describeRestFailure(int status);

// `value` as compact JSON text ending in a line feed, members in key order.
std::string compactJson(const Json::Value& value);
