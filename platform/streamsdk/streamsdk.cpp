// Our stand-in for the raw video stream library: streams live in the process; each started
// stream has a thread of its own that hands the frames tests push to the callback.
#include "platform/streamsdk/streamsdk.h"
#include "platform/streamsdk/streamsdk_testcontrol.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Item {
    int status;
    std::vector<unsigned short> data;
    int width;
    int height;
};

}  // namespace

struct streamsdk_stream {
    std::string host;
    unsigned short port = 0;

    std::mutex mutex;  // guards everything below
    std::condition_variable changed;
    bool started = false;
    bool stopping = false;
    bool busy = false;  // the callback is running
    std::string path;
    int maxPacketSize = 0;
    streamsdk_callback callback = nullptr;
    void* user = nullptr;
    std::deque<Item> queue;
    std::thread thread;  // joined by stop only (GUI thread)

    void run()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return stopping || !queue.empty(); });
            if (stopping)
                return;
            Item item = std::move(queue.front());
            queue.pop_front();
            busy = true;
            const streamsdk_callback cb = callback;
            void* const data = user;
            lock.unlock();
            if (item.status == 0) {
                const streamsdk_frame frame{item.data.data(), item.width, item.height};
                cb(0, &frame, data);
            } else {
                cb(item.status, nullptr, data);
            }
            lock.lock();
            busy = false;
            changed.notify_all();
        }
    }

    void stop()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (!started)
                return;
            stopping = true;
        }
        changed.notify_all();
        thread.join();
        std::lock_guard<std::mutex> lock(mutex);
        started = false;
        stopping = false;
        queue.clear();
        changed.notify_all();
    }
};

namespace {

using StreamPtr = std::shared_ptr<streamsdk_stream>;

std::mutex g_mutex;  // guards the registry and the failure tables
std::vector<StreamPtr> g_streams;
std::map<std::string, int> g_createFailures;
std::map<std::string, int> g_startFailures;

// The started stream of host and port, or none.
StreamPtr findStarted(const char* host, unsigned short port)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    for (const StreamPtr& stream : g_streams) {
        if (stream->host == host && stream->port == port) {
            std::lock_guard<std::mutex> streamLock(stream->mutex);
            if (stream->started)
                return stream;
        }
    }
    return nullptr;
}

int push(const char* host, unsigned short port, Item item)
{
    const StreamPtr stream = host ? findStarted(host, port) : nullptr;
    if (!stream)
        return -1;
    {
        std::lock_guard<std::mutex> lock(stream->mutex);
        if (!stream->started || stream->stopping)
            return -1;
        stream->queue.push_back(std::move(item));
    }
    stream->changed.notify_all();
    return 0;
}

}  // namespace

extern "C" {

int streamsdk_create_stream(const char* host, unsigned short port, streamsdk_stream** handle)
{
    if (!handle)
        return -1;
    *handle = nullptr;
    if (!host)
        return -1;
    std::lock_guard<std::mutex> lock(g_mutex);
    const auto failure = g_createFailures.find(host);
    if (failure != g_createFailures.end())
        return failure->second;
    auto stream = std::make_shared<streamsdk_stream>();
    stream->host = host;
    stream->port = port;
    g_streams.push_back(stream);
    *handle = stream.get();
    return 0;
}

int streamsdk_start_stream(streamsdk_stream* handle, const char* path, int max_packet_size,
                           streamsdk_callback callback, void* user)
{
    if (!handle || !path || !callback || max_packet_size <= 0)
        return -1;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        const auto failure = g_startFailures.find(handle->host);
        if (failure != g_startFailures.end())
            return failure->second;
    }
    std::lock_guard<std::mutex> lock(handle->mutex);
    if (handle->started)
        return -2;
    handle->started = true;
    handle->path = path;
    handle->maxPacketSize = max_packet_size;
    handle->callback = callback;
    handle->user = user;
    handle->thread = std::thread([handle] { handle->run(); });
    return 0;
}

void streamsdk_stop_stream(streamsdk_stream* handle)
{
    if (handle)
        handle->stop();
}

void streamsdk_destroy_stream(streamsdk_stream* handle)
{
    if (!handle)
        return;
    StreamPtr stream;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        const auto it = std::find_if(g_streams.begin(), g_streams.end(),
                                     [handle](const StreamPtr& s) { return s.get() == handle; });
        if (it == g_streams.end())
            return;
        stream = *it;
        g_streams.erase(it);
    }
    stream->stop();
}

void streamsdk_test_fail_create(const char* host, int code)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (code == 0)
        g_createFailures.erase(host);
    else
        g_createFailures[host] = code;
}

void streamsdk_test_fail_start(const char* host, int code)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (code == 0)
        g_startFailures.erase(host);
    else
        g_startFailures[host] = code;
}

void streamsdk_test_reset(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_createFailures.clear();
    g_startFailures.clear();
}

int streamsdk_test_stream_count(const char* host, unsigned short port)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return static_cast<int>(std::count_if(g_streams.begin(), g_streams.end(), [&](const StreamPtr& s) {
        return s->host == host && s->port == port;
    }));
}

int streamsdk_test_started_count(const char* host, unsigned short port)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    int count = 0;
    for (const StreamPtr& stream : g_streams) {
        std::lock_guard<std::mutex> streamLock(stream->mutex);
        if (stream->host == host && stream->port == port && stream->started)
            ++count;
    }
    return count;
}

int streamsdk_test_started(const char* host, unsigned short port, char* path, int path_size,
                           int* max_packet_size)
{
    if (path && path_size > 0)
        path[0] = '\0';
    const StreamPtr stream = findStarted(host, port);
    if (!stream)
        return 0;
    std::lock_guard<std::mutex> lock(stream->mutex);
    if (path && path_size > 0) {
        const size_t n = std::min(stream->path.size(), static_cast<size_t>(path_size - 1));
        std::memcpy(path, stream->path.data(), n);
        path[n] = '\0';
    }
    if (max_packet_size)
        *max_packet_size = stream->maxPacketSize;
    return 1;
}

int streamsdk_test_push_frame(const char* host, unsigned short port, const unsigned short* data,
                              int width, int height)
{
    if (!data || width < 0 || height < 0)
        return -1;
    Item item{0, std::vector<unsigned short>(data, data + static_cast<size_t>(width) * height), width, height};
    return push(host, port, std::move(item));
}

int streamsdk_test_push_status(const char* host, unsigned short port, int status)
{
    if (status == 0)
        return -1;
    return push(host, port, Item{status, {}, 0, 0});
}

int streamsdk_test_wait_delivered(const char* host, unsigned short port, int timeout_ms)
{
    const StreamPtr stream = host ? findStarted(host, port) : nullptr;
    if (!stream)
        return -1;
    std::unique_lock<std::mutex> lock(stream->mutex);
    const bool done = stream->changed.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
        return !stream->started || (stream->queue.empty() && !stream->busy);
    });
    return done && stream->started ? 0 : -1;
}

}  // extern "C"
