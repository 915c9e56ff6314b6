#include "tests/support/loopbackhttpserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

constexpr int kSliceMs = 20;
constexpr int kRequestLimitMs = 3000;

std::string key(const std::string& method, const std::string& path)
{
    return method + ' ' + path;
}

void sendAll(int fd, const std::string& data)
{
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listener, 16);
    socklen_t size = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    ::close(m_listener);
}

std::string LoopbackHttpServer::address() const
{
    return "127.0.0.1:" + std::to_string(m_port);
}

void LoopbackHttpServer::setReply(const std::string& method, const std::string& path, Reply reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_replies[key(method, path)] = std::move(reply);
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::requests(const std::string& method, const std::string& path) const
{
    std::vector<Request> out;
    for (const Request& request : requests()) {
        if (request.method == method && request.path == path)
            out.push_back(request);
    }
    return out;
}

void LoopbackHttpServer::clearRequests()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.clear();
}

std::uint16_t LoopbackHttpServer::closedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

void LoopbackHttpServer::serve()
{
    while (!m_stop) {
        pollfd p{m_listener, POLLIN, 0};
        if (::poll(&p, 1, kSliceMs) <= 0)
            continue;
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        handle(fd);
        ::close(fd);
    }
}

void LoopbackHttpServer::handle(int fd)
{
    // Read the request head and a body of its Content-Length, in slices, so a stop is noticed.
    std::string in;
    size_t headEnd = std::string::npos;
    size_t wanted = 0;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRequestLimitMs);
    for (;;) {
        if (headEnd == std::string::npos) {
            headEnd = in.find("\r\n\r\n");
            if (headEnd != std::string::npos) {
                const char* length = strcasestr(in.c_str(), "\r\nContent-Length:");
                wanted = headEnd + 4 + (length && length < in.c_str() + headEnd ? std::strtoul(length + 17, nullptr, 10) : 0);
            }
        }
        if (headEnd != std::string::npos && in.size() >= wanted)
            break;
        if (m_stop || std::chrono::steady_clock::now() > limit)
            return;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kSliceMs) <= 0)
            continue;
        char chunk[65536];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return;
        in.append(chunk, static_cast<size_t>(n));
    }

    Request request;
    const size_t lineEnd = in.find("\r\n");
    std::istringstream line(in.substr(0, lineEnd));
    line >> request.method >> request.path;
    request.headers = in.substr(lineEnd + 2, headEnd - lineEnd);
    request.body = in.substr(headEnd + 4, wanted - headEnd - 4);
    request.at = std::chrono::steady_clock::now();

    Reply reply;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request);
        const auto found = m_replies.find(key(request.method, request.path));
        if (found != m_replies.end())
            reply = found->second;
        else if (request.method == "GET")
            reply = Reply{404, R"({"error":"not found"})", Mode::Answer};
    }

    const std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " Fake\r\nContent-Type: " + reply.contentType + "\r\n" +
                             (reply.mode == Mode::Redirect ? "Location: /moved\r\n" : "");
    switch (reply.mode) {
    case Mode::Close:
        return;
    case Mode::CutShort:
        sendAll(fd, head + "Content-Length: " + std::to_string(2 * reply.body.size()) + "\r\nConnection: close\r\n\r\n" +
                        reply.body);
        return;
    case Mode::Stall:
        sendAll(fd, head + "Content-Length: " + std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n" +
                        reply.body.substr(0, reply.body.size() / 2));
        [[fallthrough]];
    case Mode::Silent:
        // Until the client gives up.
        while (!m_stop) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, kSliceMs) > 0) {
                char chunk[256];
                if (::recv(fd, chunk, sizeof chunk, 0) <= 0)
                    return;
            }
        }
        return;
    case Mode::Chunked: {
        std::string out = head + "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
        for (size_t pos = 0; pos < reply.body.size(); pos += 7) {
            const std::string part = reply.body.substr(pos, 7);
            char size[16];
            std::snprintf(size, sizeof size, "%zx\r\n", part.size());
            out += size + part + "\r\n";
        }
        sendAll(fd, out + "0\r\n\r\n");
        return;
    }
    case Mode::CutToClose:
        sendAll(fd, head + "\r\n" + reply.body.substr(0, reply.body.size() / 2));
        return;
    case Mode::Trickle:
        sendAll(fd, head + "Content-Length: " + std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n");
        for (size_t pos = 0; pos < reply.body.size() && !m_stop; ++pos) {
            // Until the client gives up.
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                char chunk[256];
                if (::recv(fd, chunk, sizeof chunk, 0) <= 0)
                    return;
            }
            if (::send(fd, reply.body.data() + pos, 1, MSG_NOSIGNAL) <= 0)
                return;
        }
        return;
    case Mode::EndlessHeaders: {
        // Far more than any client may take: the client must give up first.
        constexpr size_t kEndlessBoundBytes = 256u << 20;
        const std::string line = "X-Filler: " + std::string(100, 'f') + "\r\n";
        std::string block;
        while (block.size() < 16384)
            block += line;
        if (!sendWhileClientStays(fd, head, 0))
            return noteLeftUnfinished();
        for (size_t sent = 0; sent < kEndlessBoundBytes; sent += block.size()) {
            if (!sendWhileClientStays(fd, block, 0))
                return noteLeftUnfinished();
        }
        return;
    }
    case Mode::HugeLength:
        sendAll(fd, head + "Content-Length: 104857600\r\nConnection: close\r\n\r\n" + reply.body);
        return;
    case Mode::Drip:
        if (!sendWhileClientStays(fd, head + "Content-Length: " + std::to_string(reply.body.size()) +
                                          "\r\nConnection: close\r\n\r\n" + reply.body,
                                  1000))
            noteLeftUnfinished();
        return;
    case Mode::ToClose:
        sendAll(fd, head + "\r\n" + reply.body);
        return;
    case Mode::Answer:
    case Mode::Redirect:
        sendAll(fd, head + "Content-Length: " + std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n" + reply.body);
        return;
    }
}

bool LoopbackHttpServer::sendWhileClientStays(int fd, const std::string& text, int byteGapMs)
{
    size_t sent = 0;
    auto nextByte = std::chrono::steady_clock::now();
    while (sent < text.size()) {
        if (m_stop)
            return false;
        // The client's close shows as a readable end of stream; anything else it sends is dropped.
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0) {
            char chunk[256];
            const ssize_t r = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
            if (r == 0 || (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                return false;
        }
        if (byteGapMs > 0 && std::chrono::steady_clock::now() < nextByte) {
            ::poll(&p, 1, kSliceMs);
            continue;
        }
        const size_t size = byteGapMs > 0 ? 1 : text.size() - sent;
        const ssize_t n = ::send(fd, text.data() + sent, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            nextByte = std::chrono::steady_clock::now() + std::chrono::milliseconds(byteGapMs);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        // The client's queue is full: wait for room or its close.
        pollfd out{fd, POLLOUT, 0};
        ::poll(&out, 1, kSliceMs);
    }
    return true;
}

void LoopbackHttpServer::noteLeftUnfinished()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_leftUnfinished;
    m_leftUnfinishedChanged.notify_all();
}

int LoopbackHttpServer::repliesLeftUnfinished() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_leftUnfinished;
}

bool LoopbackHttpServer::waitForRepliesLeftUnfinished(int count, int limitMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_leftUnfinishedChanged.wait_for(lock, std::chrono::milliseconds(limitMs),
                                            [&] { return m_leftUnfinished >= count; });
}
