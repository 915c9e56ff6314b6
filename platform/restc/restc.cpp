// Our stand-in for the thermal camera's REST library: plain HTTP/1.1 over a blocking-with-deadline
// TCP exchange, one connection per request.
#include "platform/restc/restc.h"
#include "platform/restc/restc_testcontrol.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

struct restc_connection {
    sockaddr_in address;
    std::string hostHeader;
    int timeoutMs = 0;  // 0: the library's default
};

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultTimeoutMs = 1000;
// A reply larger than this is refused as not coming from a camera.
constexpr size_t kMaxReplyBytes = 64u << 20;

std::atomic<int> g_defaultTimeoutMs{kDefaultTimeoutMs};
std::mutex g_authMutex;
std::string g_authHeader;  // guarded by g_authMutex; empty or a whole header line

std::string base64(const std::string& in)
{
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        const unsigned v = (unsigned char)in[i] << 16 | (unsigned char)in[i + 1] << 8 | (unsigned char)in[i + 2];
        out += kDigits[v >> 18 & 63];
        out += kDigits[v >> 12 & 63];
        out += kDigits[v >> 6 & 63];
        out += kDigits[v & 63];
    }
    if (i < in.size()) {
        const bool two = i + 1 < in.size();
        const unsigned v = (unsigned char)in[i] << 16 | (two ? (unsigned char)in[i + 1] << 8 : 0);
        out += kDigits[v >> 18 & 63];
        out += kDigits[v >> 12 & 63];
        out += two ? kDigits[v >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

bool startsWithNoCase(const std::string& text, size_t pos, const char* prefix)
{
    const size_t n = std::strlen(prefix);
    return text.size() >= pos + n && strncasecmp(text.c_str() + pos, prefix, n) == 0;
}

// One request and its reply on one socket, all within one deadline.
class Exchange {
public:
    explicit Exchange(const restc_connection& connection)
        : m_connection(connection)
    {
        const int timeout = connection.timeoutMs > 0 ? connection.timeoutMs : g_defaultTimeoutMs.load();
        m_deadline = Clock::now() + std::chrono::milliseconds(timeout);
    }
    ~Exchange()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    // Returns the status or a RESTC_E_* code; the body in `body`.
    int run(const std::string& request, std::string& body)
    {
        int result = connectSocket();
        if (result == 0)
            result = sendAll(request);
        if (result == 0)
            result = readReply(body);
        return result;
    }

private:
    // Milliseconds left, at least 0.
    int remaining() const
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now()).count();
        return left > 0 ? static_cast<int>(left) : 0;
    }

    // 1 when the socket is ready for `events`, 0 when the deadline passed, -1 on error.
    int waitFor(short events)
    {
        for (;;) {
            pollfd p{m_fd, events, 0};
            const int n = ::poll(&p, 1, remaining());
            if (n > 0)
                return 1;
            if (n == 0)
                return 0;
            if (errno != EINTR)
                return -1;
        }
    }

    int connectSocket()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (m_fd < 0)
            return RESTC_E_CONNECT;
        if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&m_connection.address), sizeof m_connection.address) == 0)
            return 0;
        if (errno != EINPROGRESS)
            return RESTC_E_CONNECT;
        const int ready = waitFor(POLLOUT);
        if (ready == 0)
            return RESTC_E_TIMEOUT;
        int error = 0;
        socklen_t size = sizeof error;
        if (ready < 0 || ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
            return RESTC_E_CONNECT;
        return 0;
    }

    int sendAll(const std::string& data)
    {
        size_t sent = 0;
        while (sent < data.size()) {
            if (Clock::now() >= m_deadline)
                return RESTC_E_TIMEOUT;
            const ssize_t n = ::send(m_fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n > 0) {
                sent += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                const int ready = waitFor(POLLOUT);
                if (ready == 0)
                    return RESTC_E_TIMEOUT;
                if (ready < 0)
                    return RESTC_E_PROTOCOL;
                continue;
            }
            return RESTC_E_PROTOCOL;
        }
        return 0;
    }

    // Appends what arrives to m_in: >0 bytes read, 0 at the peer's close, else a RESTC_E_* code.
    int receiveMore()
    {
        char chunk[16384];
        for (;;) {
            // A peer that always has more to send never makes recv block, so the deadline is
            // checked before every read, not only when waiting.
            if (Clock::now() >= m_deadline)
                return RESTC_E_TIMEOUT;
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n > 0) {
                if (m_in.size() + static_cast<size_t>(n) > kMaxReplyBytes)
                    return RESTC_E_PROTOCOL;
                m_in.append(chunk, static_cast<size_t>(n));
                return static_cast<int>(n);
            }
            if (n == 0)
                return 0;
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                return RESTC_E_PROTOCOL;
            const int ready = waitFor(POLLIN);
            if (ready == 0)
                return RESTC_E_TIMEOUT;
            if (ready < 0)
                return RESTC_E_PROTOCOL;
        }
    }

    // Reads until m_in holds at least `size` bytes; 0 or a RESTC_E_* code.
    int need(size_t size)
    {
        while (m_in.size() < size) {
            const int n = receiveMore();
            if (n == 0)
                return RESTC_E_PROTOCOL;
            if (n < 0)
                return n;
        }
        return 0;
    }

    // Position just after the next CRLF at or after `from`, reading as needed; npos on failure
    // with the code in `error`.
    size_t lineEnd(size_t from, int& error)
    {
        for (;;) {
            const size_t end = m_in.find("\r\n", from);
            if (end != std::string::npos)
                return end + 2;
            const int n = receiveMore();
            if (n <= 0) {
                error = n == 0 ? RESTC_E_PROTOCOL : n;
                return std::string::npos;
            }
        }
    }

    int readReply(std::string& body)
    {
        size_t headerEnd;
        size_t searched = 0;
        for (;;) {
            // Only the new bytes (and the three before them) are searched: a long head must not
            // cost a scan of everything read so far for every piece that arrives.
            headerEnd = m_in.find("\r\n\r\n", searched);
            if (headerEnd != std::string::npos)
                break;
            searched = m_in.size() < 3 ? 0 : m_in.size() - 3;
            const int n = receiveMore();
            if (n == 0)
                return RESTC_E_PROTOCOL;
            if (n < 0)
                return n;
        }
        const std::string head = m_in.substr(0, headerEnd + 2);
        const size_t bodyStart = headerEnd + 4;

        int status = 0;
        if (!startsWithNoCase(head, 0, "HTTP/1.") || head.size() < 12 || head[8] != ' ')
            return RESTC_E_PROTOCOL;
        status = std::atoi(head.c_str() + 9);
        if (status < 100 || status > 599)
            return RESTC_E_PROTOCOL;

        bool chunked = false;
        bool haveLength = false;
        size_t contentLength = 0;
        for (size_t pos = head.find("\r\n") + 2; pos < head.size();) {
            const size_t end = head.find("\r\n", pos);
            if (startsWithNoCase(head, pos, "content-length:")) {
                char* stop = nullptr;
                const unsigned long long value = std::strtoull(head.c_str() + pos + 15, &stop, 10);
                if (stop == head.c_str() + pos + 15 || value > kMaxReplyBytes)
                    return RESTC_E_PROTOCOL;
                haveLength = true;
                contentLength = static_cast<size_t>(value);
            } else if (startsWithNoCase(head, pos, "transfer-encoding:")) {
                chunked = head.substr(pos, end - pos).find("chunked") != std::string::npos;
            }
            pos = end + 2;
        }

        if (status == 204 || status == 304 || (status >= 100 && status < 200)) {
            body.clear();
        } else if (chunked) {
            body.clear();
            size_t pos = bodyStart;
            for (;;) {
                int error = 0;
                const size_t next = lineEnd(pos, error);
                if (next == std::string::npos)
                    return error;
                char* stop = nullptr;
                const unsigned long size = std::strtoul(m_in.c_str() + pos, &stop, 16);
                if (stop == m_in.c_str() + pos || size > kMaxReplyBytes)
                    return RESTC_E_PROTOCOL;
                if (size == 0)
                    break;  // trailers, if any, are not read
                if (const int code = need(next + size + 2))
                    return code;
                body.append(m_in, next, size);
                pos = next + size + 2;
            }
        } else if (haveLength) {
            if (const int code = need(bodyStart + contentLength))
                return code;
            body.assign(m_in, bodyStart, contentLength);
        } else {
            for (;;) {
                const int n = receiveMore();
                if (n == 0)
                    break;
                if (n < 0)
                    return n;
            }
            body.assign(m_in, bodyStart, std::string::npos);
        }
        return status;
    }

    const restc_connection& m_connection;
    Clock::time_point m_deadline;
    int m_fd = -1;
    std::string m_in;
};

int request(restc_connection* connection, const char* method, const char* path, const char* headers,
            char* buffer, size_t bufferSize, size_t* length, bool withBody)
{
    if (!connection || !path || !length || (bufferSize > 0 && !buffer))
        return RESTC_E_ARGUMENT;
    if (withBody && *length > bufferSize)
        return RESTC_E_ARGUMENT;

    std::string text = std::string(method) + ' ' + path + " HTTP/1.1\r\nHost: " + connection->hostHeader +
                       "\r\nConnection: close\r\nAccept: application/json\r\n";
    {
        std::lock_guard<std::mutex> lock(g_authMutex);
        text += g_authHeader;
    }
    if (headers)
        text += headers;
    if (withBody) {
        text += "Content-Type: application/json\r\nContent-Length: " + std::to_string(*length) + "\r\n\r\n";
        text.append(buffer, *length);
    } else {
        text += "\r\n";
    }

    std::string body;
    const int result = Exchange(*connection).run(text, body);
    if (result < 0) {
        *length = 0;
        return result;
    }
    if (bufferSize > 0)
        std::memcpy(buffer, body.data(), std::min(body.size(), bufferSize));
    *length = body.size();
    return result;
}

}  // namespace

extern "C" {

restc_connection* restc_create_connection(const char* host, unsigned short port)
{
    if (!host)
        return nullptr;
    auto* connection = new restc_connection;
    std::memset(&connection->address, 0, sizeof connection->address);
    connection->address.sin_family = AF_INET;
    connection->address.sin_port = htons(port);
    if (::inet_pton(AF_INET, host, &connection->address.sin_addr) != 1) {
        delete connection;
        return nullptr;
    }
    connection->hostHeader = std::string(host) + ':' + std::to_string(port);
    return connection;
}

void restc_destroy_connection(restc_connection* connection)
{
    delete connection;
}

void restc_set_authroization(const char* user, const char* password)
{
    std::lock_guard<std::mutex> lock(g_authMutex);
    if (!user || !*user) {
        g_authHeader.clear();
        return;
    }
    g_authHeader = "Authorization: Basic " + base64(std::string(user) + ':' + (password ? password : "")) + "\r\n";
}

void restc_set_timeout(restc_connection* connection, int milliseconds)
{
    if (connection)
        connection->timeoutMs = milliseconds > 0 ? milliseconds : 0;
}

int restc_get(restc_connection* connection, const char* path, const char* headers, char* buffer,
              size_t buffer_size, size_t* length)
{
    return request(connection, "GET", path, headers, buffer, buffer_size, length, false);
}

int restc_post(restc_connection* connection, const char* path, const char* headers, char* buffer,
               size_t buffer_size, size_t* length)
{
    return request(connection, "POST", path, headers, buffer, buffer_size, length, true);
}

int restc_put(restc_connection* connection, const char* path, const char* headers, char* buffer,
              size_t buffer_size, size_t* length)
{
    return request(connection, "PUT", path, headers, buffer, buffer_size, length, true);
}

void restc_test_set_default_timeout(int milliseconds)
{
    g_defaultTimeoutMs = milliseconds > 0 ? milliseconds : kDefaultTimeoutMs;
}

}  // extern "C"
