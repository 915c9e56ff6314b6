// The stand-in stream player. Each port has its own decoding thread while it plays: it waits for
// complete picture records in the input buffer and calls the display callback with their YV12
// bytes. Port state is guarded by the port's mutex; the callback runs without it.
#include "platform/playctrl/playctrl.h"

#include "platform/playctrl/playctrl_framing.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace playctrl_framing;

struct Port {
    std::mutex mutex;
    std::condition_variable wake;
    bool taken = false;
    bool open = false;
    bool playing = false;
    bool stopping = false;
    unsigned bufferBytes = 0;
    std::vector<unsigned char> input;  // undecoded stream bytes
    PlayM4DisplayCallback callback = nullptr;
    long user = 0;
    unsigned lastError = PLAYM4_NOERROR;
    std::thread decoder;
};

Port g_ports[PLAYM4_MAX_PORTS];
std::mutex g_portsMutex;  // guards the taken flags while a port is chosen

Port* portAt(int port)
{
    return port >= 0 && port < PLAYM4_MAX_PORTS ? &g_ports[port] : nullptr;
}

// Drops input up to the next picture record's magic (or all of it but a possible partial magic).
void resync(std::vector<unsigned char>& input)
{
    for (std::size_t i = 1; i + 4 <= input.size(); ++i) {
        if (std::memcmp(input.data() + i, kPictureMagic, 4) == 0) {
            input.erase(input.begin(), input.begin() + static_cast<long>(i));
            return;
        }
    }
    const std::size_t keep = std::min<std::size_t>(3, input.size());
    input.erase(input.begin(), input.end() - static_cast<long>(keep));
}

// Takes the next complete picture record out of `input` into `picture`; false when none is
// complete yet.
bool nextPicture(std::vector<unsigned char>& input, std::vector<unsigned char>& picture, int& w, int& h)
{
    while (input.size() >= kRecordHeadBytes) {
        if (std::memcmp(input.data(), kPictureMagic, 4) != 0) {
            resync(input);
            continue;
        }
        w = static_cast<int>(getU32(input.data() + 4));
        h = static_cast<int>(getU32(input.data() + 8));
        const std::size_t payload = getU32(input.data() + 12);
        if (w < 2 || h < 2 || payload != yv12Bytes(w, h)) {
            resync(input);
            continue;
        }
        if (input.size() < kRecordHeadBytes + payload)
            return false;
        picture.assign(input.begin() + kRecordHeadBytes, input.begin() + static_cast<long>(kRecordHeadBytes + payload));
        input.erase(input.begin(), input.begin() + static_cast<long>(kRecordHeadBytes + payload));
        return true;
    }
    return false;
}

void decode(int index)
{
    Port& port = g_ports[index];
    std::vector<unsigned char> picture;
    for (;;) {
        int w = 0;
        int h = 0;
        PlayM4DisplayCallback callback = nullptr;
        long user = 0;
        {
            std::unique_lock<std::mutex> lock(port.mutex);
            port.wake.wait(lock, [&] { return port.stopping || nextPicture(port.input, picture, w, h); });
            if (port.stopping)
                return;
            callback = port.callback;
            user = port.user;
        }
        if (callback) {
            PLAYM4_DISPLAY_INFO info{index, picture.data(), static_cast<int>(picture.size()), w, h, PLAYM4_T_YV12, user};
            callback(&info);
        }
    }
}

int fail(Port* port, unsigned error)
{
    if (port)
        port->lastError = error;
    return 0;
}

// Runs `action` on port `index` under its mutex and returns its result; 0 for a port out of
// range or not taken.
template <typename Action>
int onTakenPort(int index, Action action)
{
    Port* port = portAt(index);
    if (!port)
        return 0;
    std::lock_guard<std::mutex> lock(port->mutex);
    if (!port->taken)
        return fail(port, PLAYM4_PARA_OVER);
    return action(*port);
}

// Stops the decoding thread of `port` (its mutex not held) and waits for it.
void stopDecoder(Port& port)
{
    std::thread decoder;
    {
        std::lock_guard<std::mutex> lock(port.mutex);
        port.stopping = true;
        port.playing = false;
        decoder = std::move(port.decoder);
    }
    port.wake.notify_all();
    if (decoder.joinable() && decoder.get_id() != std::this_thread::get_id())
        decoder.join();
    else if (decoder.joinable())
        decoder.detach();
    std::lock_guard<std::mutex> lock(port.mutex);
    port.stopping = false;
}

}  // namespace

extern "C" {

int PlayM4_GetPort(int* port)
{
    if (!port)
        return 0;
    std::lock_guard<std::mutex> lock(g_portsMutex);
    for (int i = 0; i < PLAYM4_MAX_PORTS; ++i) {
        std::lock_guard<std::mutex> portLock(g_ports[i].mutex);
        if (!g_ports[i].taken) {
            g_ports[i].taken = true;
            g_ports[i].lastError = PLAYM4_NOERROR;
            *port = i;
            return 1;
        }
    }
    return 0;
}

int PlayM4_FreePort(int index)
{
    if (!onTakenPort(index, [](Port&) { return 1; }))
        return 0;
    Port& port = g_ports[index];
    stopDecoder(port);
    std::lock_guard<std::mutex> all(g_portsMutex);
    std::lock_guard<std::mutex> lock(port.mutex);
    port.taken = false;
    port.open = false;
    port.input.clear();
    port.callback = nullptr;
    port.user = 0;
    return 1;
}

int PlayM4_SetStreamOpenMode(int index, unsigned mode)
{
    return onTakenPort(index, [mode](Port& port) { return mode == PLAYM4_STREAME_REALTIME ? 1 : fail(&port, PLAYM4_PARA_OVER); });
}

int PlayM4_OpenStream(int index, const unsigned char* header, unsigned headerBytes, unsigned bufferBytes)
{
    return onTakenPort(index, [=](Port& port) {
        if (port.open)
            return fail(&port, PLAYM4_ORDER_ERROR);
        if (!header || headerBytes < kHeaderBytes || std::memcmp(header, kHeaderMagic, 4) != 0)
            return fail(&port, PLAYM4_BAD_STREAM);
        port.open = true;
        port.bufferBytes = bufferBytes;
        port.input.clear();
        return 1;
    });
}

int PlayM4_SetDisplayCallBackEx(int index, PlayM4DisplayCallback callback, long user)
{
    return onTakenPort(index, [=](Port& port) {
        port.callback = callback;
        port.user = user;
        return 1;
    });
}

int PlayM4_SetDisplayBuf(int index, unsigned count)
{
    return onTakenPort(index, [count](Port& port) { return count >= 1 ? 1 : fail(&port, PLAYM4_PARA_OVER); });
}

int PlayM4_Play(int index, void*)
{
    return onTakenPort(index, [index](Port& port) {
        if (!port.open)
            return fail(&port, PLAYM4_ORDER_ERROR);
        if (!port.playing) {
            port.playing = true;
            port.decoder = std::thread(decode, index);
        }
        return 1;
    });
}

int PlayM4_InputData(int index, const unsigned char* data, unsigned bytes)
{
    return onTakenPort(index, [=](Port& port) {
        if (!port.playing)
            return fail(&port, PLAYM4_ORDER_ERROR);
        if (port.input.size() + bytes > port.bufferBytes)
            return fail(&port, PLAYM4_BUF_OVER);
        port.input.insert(port.input.end(), data, data + bytes);
        port.wake.notify_all();
        return 1;
    });
}

int PlayM4_Stop(int index)
{
    if (!onTakenPort(index, [](Port&) { return 1; }))
        return 0;
    stopDecoder(g_ports[index]);
    return 1;
}

int PlayM4_CloseStream(int index)
{
    return onTakenPort(index, [](Port& port) {
        if (port.playing)
            return fail(&port, PLAYM4_ORDER_ERROR);
        port.open = false;
        port.input.clear();
        return 1;
    });
}

unsigned PlayM4_GetLastError(int index)
{
    Port* port = portAt(index);
    if (!port)
        return PLAYM4_PARA_OVER;
    std::lock_guard<std::mutex> lock(port->mutex);
    return port->lastError;
}

}  // extern "C"
