#include "cameras/fotric/restconnection.h"

#include "platform/restc/restc.h"

#include <json/reader.h>
#include <json/value.h>
#include <json/writer.h>

#include <chrono>
#include <cstring>
#include <exception>
#include <memory>

namespace {
// Large enough for every reply but the table list, which grows the buffer once.
constexpr std::size_t kInitialBufferBytes = 16u << 10;
}  // namespace

RestConnection::RestConnection(const std::string& host, std::uint16_t port)
    : m_handle(restc_create_connection(host.c_str(), port))
{
    if (m_handle)
        m_buffer.resize(kInitialBufferBytes);
}

RestConnection::~RestConnection()
{
    restc_destroy_connection(m_handle);
}

void RestConnection::setTimeout(int milliseconds)
{
    if (!m_handle)
        return;
    m_timeoutMs = milliseconds > 0 ? milliseconds : 0;
    restc_set_timeout(m_handle, m_timeoutMs);
}

int RestConnection::get(const std::string& path, Json::Value& reply)
{
    reply = Json::Value();
    if (!m_handle)
        return kNotConnected;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    std::size_t length = 0;
    int status = restc_get(m_handle, path.c_str(), nullptr, m_buffer.data(), m_buffer.size(), &length);
    if (status >= 0 && length > m_buffer.size()) {
        // The reply did not fit: ask once more with room for all of it. A limit set for the
        // operation holds for both requests together, so the second one gets what is left.
        if (length > kMaxMessageBytes)
            return kTooLarge;
        if (m_timeoutMs > 0) {
            const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
            if (spent >= m_timeoutMs)
                return RESTC_E_TIMEOUT;
            restc_set_timeout(m_handle, m_timeoutMs - static_cast<int>(spent));
        }
        m_buffer.resize(length);
        status = restc_get(m_handle, path.c_str(), nullptr, m_buffer.data(), m_buffer.size(), &length);
        restc_set_timeout(m_handle, m_timeoutMs);
        if (status >= 0 && length > m_buffer.size())
            return kTooLarge;
    }
    if (status != 200 || length == 0)
        return status;
    // A body that is not JSON leaves the reply null; the status stays what the camera answered
    // (the liveness probe asks for nothing else), and every reader checks the reply's type.
    try {
        Json::CharReaderBuilder builder;
        const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        Json::Value parsed;
        if (reader->parse(m_buffer.data(), m_buffer.data() + length, &parsed, nullptr))
            reply.swap(parsed);
    } catch (const std::exception&) {
        reply = Json::Value();
    }
    return status;
}

int RestConnection::sendJson(const std::string& path, const Json::Value& body, Method method)
{
    if (!m_handle)
        return kNotConnected;
    const std::string text = compactJson(body);
    if (text.size() > kMaxMessageBytes)
        return kTooLarge;
    if (m_buffer.size() < text.size())
        m_buffer.resize(text.size());
    std::memcpy(m_buffer.data(), text.data(), text.size());
    std::size_t length = text.size();
    return method == Method::Post
               ? restc_post(m_handle, path.c_str(), nullptr, m_buffer.data(), m_buffer.size(), &length)
               : restc_put(m_handle, path.c_str(), nullptr, m_buffer.data(), m_buffer.size(), &length);
}

void setRestAuthorization(const std::string& user, const std::string& password)
{
    restc_set_authroization(user.c_str(), password.c_str());
}

std::string compactJson(const Json::Value& value)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    // 15 significant digits: 0.95 goes out as 0.95, not as its binary neighbour.
    builder["precision"] = 15;
    return Json::writeString(builder, value) + '\n';
}

std::string describeRestFailure(int status)
{
    switch (status) {
    case RESTC_E_ARGUMENT:
        return "the request could not be made";
    case RESTC_E_CONNECT:
        return "connection refused or address unreachable";
    case RESTC_E_TIMEOUT:
        return "no whole answer within the deadline";
    case RESTC_E_PROTOCOL:
        return "its answer is not HTTP, is cut short or is larger than 64 MiB";
    case RestConnection::kNotConnected:
        return "not an IPv4 address";
    case RestConnection::kTooLarge:
        return "its answer is larger than 4 MiB";
    default:
        break;
    }
    if (status >= 100 && status <= 599)
        return "answered HTTP " + std::to_string(status);
    return "the request failed (code " + std::to_string(status) + ")";
}
