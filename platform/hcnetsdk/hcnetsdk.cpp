// The stand-in network camera SDK. One process-wide state under one mutex; callbacks never run
// under it. Previews stream from a thread each; subscription results and exception reports are
// delivered in order by one event thread, which holds the delivery mutex while a callback runs,
// so that a logout can wait for a running callback to end.
#include "platform/hcnetsdk/hcnetsdk.h"
#include "platform/hcnetsdk/hcnetsdk_testcontrol.h"

#include "platform/playctrl/playctrl_framing.h"

#include <ifaddrs.h>
#include <netinet/in.h>
#include <arpa/inet.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

constexpr unsigned short kDevicePort = 8000;
constexpr unsigned kMaxLocalAddresses = 16;
// Stream data goes out in blocks of at most this size, as a network stream would.
constexpr std::size_t kStreamBlockBytes = 64 * 1024;
// The stream condition record names its channel at this byte.
constexpr unsigned kStreamConditionChannelAt = 40;

using Key = std::pair<unsigned, int>;  // command, channel

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> yv12;
};

struct Device {
    std::string address;
    std::string serial;
    std::string user;
    std::string password;
    int channels = 1;
    bool online = true;
    std::map<Key, std::vector<unsigned char>> records;
    std::map<Key, std::vector<unsigned char>> conditions;
    std::map<unsigned, unsigned> failing;  // command -> error
    std::map<int, Picture> streams;        // channel -> picture
    int lastPreviewChannel = -1;
};

struct Preview {
    int handle = -1;
    int user = -1;
    int channel = 0;
    fRealDataCallBack_V30 callback = nullptr;
    void* callbackUser = nullptr;
    bool stop = false;
    std::thread thread;
};

struct Subscription {
    int handle = -1;
    int user = -1;
    unsigned command = 0;
    fRemoteConfigCallback callback = nullptr;
    void* callbackUser = nullptr;
};

struct State {
    std::mutex mutex;
    std::condition_variable previewWake;
    bool initialised = false;
    std::vector<std::unique_ptr<Device>> devices;
    std::map<int, int> logins;  // user -> device
    std::map<int, std::shared_ptr<Preview>> previews;
    std::vector<Subscription> subscriptions;
    fExceptionCallBack exceptionCallback = nullptr;
    void* exceptionUser = nullptr;
    int nextHandle = 0;
    bool localOverride = false;
    bool localFail = false;
    std::vector<std::string> localAddresses;
    int streamIntervalMs = 20;
    std::vector<std::string> calls;

    // Event delivery.
    std::mutex deliveryMutex;
    std::condition_variable eventWake;
    std::condition_variable idleWake;
    std::deque<std::function<void()>> events;
    bool delivering = false;
    std::thread::id eventThreadId;
    bool eventThreadStarted = false;
};

// Never destroyed: SDK threads may still run while the process ends.
State& state()
{
    static State* s = new State;
    return *s;
}

thread_local unsigned t_lastError = NET_DVR_NOERROR;

int fail(unsigned error)
{
    t_lastError = error;
    return 0;
}

int failHandle(unsigned error)
{
    t_lastError = error;
    return -1;
}

int succeed()
{
    t_lastError = NET_DVR_NOERROR;
    return 1;
}

template <typename... Args>
void logCall(State& s, const char* format, Args... args)
{
    char line[256];
    std::snprintf(line, sizeof line, format, args...);
    s.calls.emplace_back(line);
}

void logCall(State& s, const char* text)
{
    s.calls.emplace_back(text);
}

int readInt(const void* bytes, unsigned at)
{
    int value = 0;
    std::memcpy(&value, static_cast<const unsigned char*>(bytes) + at, sizeof value);
    return value;
}

// The channel a condition names: a bare 32-bit channel number, or a record with its size first
// and the channel second.
int conditionChannel(const void* cond, unsigned size)
{
    if (!cond || size < 4)
        return 0;
    return size >= 8 ? readInt(cond, 4) : readInt(cond, 0);
}

// The device of a logged-in user, or null (the error set). Mutex held.
Device* deviceOfUser(State& s, int user)
{
    if (!s.initialised) {
        fail(NET_DVR_NOINIT);
        return nullptr;
    }
    auto it = s.logins.find(user);
    if (it == s.logins.end()) {
        fail(NET_DVR_USER_NOT_LOGGED_IN);
        return nullptr;
    }
    return s.devices[static_cast<std::size_t>(it->second)].get();
}

bool commandFails(Device& device, unsigned command)
{
    auto it = device.failing.find(command);
    if (it == device.failing.end() || it->second == 0)
        return false;
    fail(it->second);
    return true;
}

void eventLoop()
{
    State& s = state();
    for (;;) {
        std::function<void()> event;
        {
            std::unique_lock<std::mutex> lock(s.mutex);
            s.eventWake.wait(lock, [&] { return !s.events.empty(); });
            event = std::move(s.events.front());
            s.events.pop_front();
            s.delivering = true;
        }
        {
            std::lock_guard<std::mutex> delivery(s.deliveryMutex);
            event();
        }
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            s.delivering = false;
        }
        s.idleWake.notify_all();
    }
}

// Queues an event for the event thread. Mutex held.
void queueEvent(State& s, std::function<void()> event)
{
    if (!s.eventThreadStarted) {
        std::thread thread(eventLoop);
        s.eventThreadId = thread.get_id();
        thread.detach();
        s.eventThreadStarted = true;
    }
    s.events.push_back(std::move(event));
    s.eventWake.notify_all();
}

// Runs on the event thread under the delivery mutex.
void deliverException(unsigned type, int user, int handle)
{
    State& s = state();
    fExceptionCallBack callback;
    void* callbackUser;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        callback = s.exceptionCallback;
        callbackUser = s.exceptionUser;
    }
    if (callback)
        callback(type, user, handle, callbackUser);
}

void queueException(State& s, unsigned type, int user, int handle)
{
    queueEvent(s, [type, user, handle] { deliverException(type, user, handle); });
}

// Waits until a callback that may be running on the event thread has ended (unless called from
// that very callback).
void waitForDelivery(State& s)
{
    std::thread::id eventThread;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        eventThread = s.eventThreadId;
    }
    if (std::this_thread::get_id() == eventThread)
        return;
    std::lock_guard<std::mutex> delivery(s.deliveryMutex);
}

void streamPreview(std::shared_ptr<Preview> preview)
{
    State& s = state();
    {
        std::vector<unsigned char> header;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            auto login = s.logins.find(preview->user);
            Picture* picture = nullptr;
            if (login != s.logins.end()) {
                Device& device = *s.devices[static_cast<std::size_t>(login->second)];
                auto it = device.streams.find(preview->channel);
                if (it != device.streams.end())
                    picture = &it->second;
            }
            header = playctrl_framing::streamHeader(picture ? picture->width : 0, picture ? picture->height : 0);
        }
        preview->callback(preview->handle, NET_DVR_SYSHEAD, header.data(), static_cast<unsigned>(header.size()), preview->callbackUser);
    }
    std::vector<unsigned char> record;
    for (;;) {
        record.clear();
        {
            std::unique_lock<std::mutex> lock(s.mutex);
            if (preview->stop)
                return;
            auto login = s.logins.find(preview->user);
            if (login != s.logins.end()) {
                Device& device = *s.devices[static_cast<std::size_t>(login->second)];
                auto it = device.streams.find(preview->channel);
                if (device.online && it != device.streams.end())
                    record = playctrl_framing::pictureRecord(it->second.width, it->second.height, it->second.yv12.data());
            }
        }
        for (std::size_t at = 0; at < record.size(); at += kStreamBlockBytes) {
            const std::size_t bytes = std::min(kStreamBlockBytes, record.size() - at);
            preview->callback(preview->handle, NET_DVR_STREAMDATA, record.data() + at, static_cast<unsigned>(bytes), preview->callbackUser);
        }
        std::unique_lock<std::mutex> lock(s.mutex);
        s.previewWake.wait_for(lock, std::chrono::milliseconds(s.streamIntervalMs), [&] { return preview->stop; });
        if (preview->stop)
            return;
    }
}

// Stops the previews `which` selects and waits for their threads. Mutex not held.
template <typename Which>
void stopPreviews(State& s, Which which)
{
    std::vector<std::shared_ptr<Preview>> stopped;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        for (auto it = s.previews.begin(); it != s.previews.end();) {
            if (which(*it->second)) {
                it->second->stop = true;
                stopped.push_back(it->second);
                it = s.previews.erase(it);
            } else {
                ++it;
            }
        }
    }
    s.previewWake.notify_all();
    for (auto& preview : stopped) {
        if (preview->thread.get_id() == std::this_thread::get_id())
            preview->thread.detach();
        else if (preview->thread.joinable())
            preview->thread.join();
    }
}

void copyOut(const std::vector<unsigned char>& bytes, void* out, unsigned capacity, unsigned* returned)
{
    const unsigned n = std::min<unsigned>(capacity, static_cast<unsigned>(bytes.size()));
    if (out && n)
        std::memcpy(out, bytes.data(), n);
    if (returned)
        *returned = n;
}

std::vector<unsigned char> bytesOf(const void* data, unsigned size)
{
    const auto* p = static_cast<const unsigned char*>(data);
    return p ? std::vector<unsigned char>(p, p + size) : std::vector<unsigned char>();
}

std::vector<std::string> hostAddresses()
{
    std::vector<std::string> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return out;
    for (ifaddrs* a = list; a && out.size() < kMaxLocalAddresses; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text))
            out.emplace_back(text);
    }
    freeifaddrs(list);
    return out;
}

}  // namespace

extern "C" {

int NET_DVR_Init(void)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    logCall(s, "NET_DVR_Init");
    s.initialised = true;
    return succeed();
}

int NET_DVR_Cleanup(void)
{
    State& s = state();
    stopPreviews(s, [](const Preview&) { return true; });
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        logCall(s, "NET_DVR_Cleanup");
        if (!s.initialised)
            return fail(NET_DVR_NOINIT);
        s.initialised = false;
        s.logins.clear();
        s.subscriptions.clear();
    }
    waitForDelivery(s);
    return succeed();
}

unsigned NET_DVR_GetLastError(void)
{
    return t_lastError;
}

int NET_DVR_GetLocalIP(char strIP[16][16], unsigned* pValidNum, int* pEnableBind)
{
    State& s = state();
    std::vector<std::string> addresses;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        logCall(s, "NET_DVR_GetLocalIP");
        if (!s.initialised)
            return fail(NET_DVR_NOINIT);
        if (s.localFail || !strIP || !pValidNum)
            return fail(NET_DVR_PARAMETER_ERROR);
        addresses = s.localOverride ? s.localAddresses : hostAddresses();
    }
    const unsigned count = std::min<unsigned>(kMaxLocalAddresses, static_cast<unsigned>(addresses.size()));
    for (unsigned i = 0; i < count; ++i) {
        std::memset(strIP[i], 0, 16);
        std::strncpy(strIP[i], addresses[i].c_str(), 15);
    }
    *pValidNum = count;
    if (pEnableBind)
        *pEnableBind = 0;
    return succeed();
}

int NET_DVR_SetValidIP(unsigned index, int bEnableBind)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    logCall(s, "NET_DVR_SetValidIP %u %d", index, bEnableBind);
    if (!s.initialised)
        return fail(NET_DVR_NOINIT);
    return index < kMaxLocalAddresses ? succeed() : fail(NET_DVR_PARAMETER_ERROR);
}

int NET_DVR_SetConnectTime(unsigned waitMs, unsigned tryTimes)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    logCall(s, "NET_DVR_SetConnectTime %u %u", waitMs, tryTimes);
    return s.initialised ? succeed() : fail(NET_DVR_NOINIT);
}

int NET_DVR_SetReconnect(unsigned intervalMs, int enable)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    logCall(s, "NET_DVR_SetReconnect %u %d", intervalMs, enable);
    return s.initialised ? succeed() : fail(NET_DVR_NOINIT);
}

int NET_DVR_Login_V40(const NET_DVR_USER_LOGIN_INFO* login, NET_DVR_DEVICEINFO_V40* info)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!login || !info)
        return failHandle(NET_DVR_PARAMETER_ERROR);
    const std::string address(login->sDeviceAddress, strnlen(login->sDeviceAddress, sizeof login->sDeviceAddress));
    logCall(s, "NET_DVR_Login_V40 %s %u %s", address.c_str(), login->wPort,
            std::string(login->sUserName, strnlen(login->sUserName, sizeof login->sUserName)).c_str());
    if (!s.initialised)
        return failHandle(NET_DVR_NOINIT);
    for (std::size_t id = 0; id < s.devices.size(); ++id) {
        Device& device = *s.devices[id];
        if (device.address != address || login->wPort != kDevicePort || !device.online)
            continue;
        const std::string user(login->sUserName, strnlen(login->sUserName, sizeof login->sUserName));
        const std::string password(login->sPassword, strnlen(login->sPassword, sizeof login->sPassword));
        if (user != device.user || password != device.password)
            return failHandle(NET_DVR_PASSWORD_ERROR);
        std::memset(info, 0, sizeof *info);
        std::memcpy(info->sSerialNumber, device.serial.data(), std::min(device.serial.size(), sizeof info->sSerialNumber));
        info->byChanNum = static_cast<unsigned char>(device.channels);
        const int handle = s.nextHandle++;
        s.logins[handle] = static_cast<int>(id);
        t_lastError = NET_DVR_NOERROR;
        return handle;
    }
    return failHandle(NET_DVR_NETWORK_FAIL_CONNECT);
}

int NET_DVR_Logout(int lUserID)
{
    State& s = state();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        logCall(s, "NET_DVR_Logout %d", lUserID);
        if (!deviceOfUser(s, lUserID))
            return 0;
    }
    stopPreviews(s, [lUserID](const Preview& p) { return p.user == lUserID; });
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.logins.erase(lUserID);
        s.subscriptions.erase(std::remove_if(s.subscriptions.begin(), s.subscriptions.end(),
                                             [lUserID](const Subscription& sub) { return sub.user == lUserID; }),
                              s.subscriptions.end());
    }
    waitForDelivery(s);
    return succeed();
}

int NET_DVR_GetDVRConfig(int lUserID, unsigned command, int channel, void* out, unsigned size, unsigned* returned)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    logCall(s, "NET_DVR_GetDVRConfig %u %d %u", command, channel, size);
    Device* device = deviceOfUser(s, lUserID);
    if (!device || commandFails(*device, command))
        return 0;
    auto it = device->records.find({command, channel});
    if (it == device->records.end() || !out)
        return fail(NET_DVR_NOSUPPORT);
    copyOut(it->second, out, size, returned);
    return succeed();
}

int NET_DVR_SetDVRConfig(int lUserID, unsigned command, int channel, const void* in, unsigned size)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    logCall(s, "NET_DVR_SetDVRConfig %u %d %u", command, channel, size);
    Device* device = deviceOfUser(s, lUserID);
    if (!device || commandFails(*device, command))
        return 0;
    if (!in)
        return fail(NET_DVR_PARAMETER_ERROR);
    device->records[{command, channel}] = bytesOf(in, size);
    return succeed();
}

int NET_DVR_GetSTDConfig(int lUserID, unsigned command, NET_DVR_STD_CONFIG* config)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const int channel = config ? conditionChannel(config->lpCondBuffer, config->dwCondSize) : 0;
    logCall(s, "NET_DVR_GetSTDConfig %u %d %u status %u", command, channel, config ? config->dwOutSize : 0u,
            config && config->lpStatusBuffer ? config->dwStatusSize : 0u);
    Device* device = deviceOfUser(s, lUserID);
    if (!device || commandFails(*device, command))
        return 0;
    if (!config || !config->lpOutBuffer)
        return fail(NET_DVR_PARAMETER_ERROR);
    device->conditions[{command, channel}] = bytesOf(config->lpCondBuffer, config->dwCondSize);
    auto it = device->records.find({command, channel});
    if (it == device->records.end())
        return fail(NET_DVR_NOSUPPORT);
    copyOut(it->second, config->lpOutBuffer, config->dwOutSize, nullptr);
    return succeed();
}

int NET_DVR_SetSTDConfig(int lUserID, unsigned command, NET_DVR_STD_CONFIG* config)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const int channel = config ? conditionChannel(config->lpCondBuffer, config->dwCondSize) : 0;
    logCall(s, "NET_DVR_SetSTDConfig %u %d %u status %u", command, channel, config ? config->dwInSize : 0u,
            config && config->lpStatusBuffer ? config->dwStatusSize : 0u);
    Device* device = deviceOfUser(s, lUserID);
    if (!device || commandFails(*device, command))
        return 0;
    if (!config || !config->lpInBuffer)
        return fail(NET_DVR_PARAMETER_ERROR);
    device->conditions[{command, channel}] = bytesOf(config->lpCondBuffer, config->dwCondSize);
    device->records[{command, channel}] = bytesOf(config->lpInBuffer, config->dwInSize);
    return succeed();
}

int NET_DVR_GetDeviceConfig(int lUserID, unsigned command, unsigned count, const void* in, unsigned inSize, void* statusList, void* out, unsigned outSize)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const int channel = in && inSize >= kStreamConditionChannelAt + 4 ? readInt(in, kStreamConditionChannelAt) : 0;
    logCall(s, "NET_DVR_GetDeviceConfig %u %u %d %u %u", command, count, channel, inSize, outSize);
    Device* device = deviceOfUser(s, lUserID);
    if (!device || commandFails(*device, command))
        return 0;
    if (count != 1 || !in || !out)
        return fail(NET_DVR_PARAMETER_ERROR);
    device->conditions[{command, channel}] = bytesOf(in, inSize);
    auto it = device->records.find({command, channel});
    if (it == device->records.end())
        return fail(NET_DVR_NOSUPPORT);
    copyOut(it->second, out, outSize, nullptr);
    if (statusList)
        std::memset(statusList, 0, 4);
    return succeed();
}

int NET_DVR_StartRemoteConfig(int lUserID, unsigned command, const void* cond, unsigned condSize, fRemoteConfigCallback callback, void* pUserData)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const int channel = conditionChannel(cond, condSize);
    logCall(s, "NET_DVR_StartRemoteConfig %u %d %u", command, channel, condSize);
    Device* device = deviceOfUser(s, lUserID);
    if (!device || commandFails(*device, command))
        return -1;
    if (!callback)
        return failHandle(NET_DVR_PARAMETER_ERROR);
    device->conditions[{command, channel}] = bytesOf(cond, condSize);
    const int handle = s.nextHandle++;
    s.subscriptions.push_back({handle, lUserID, command, callback, pUserData});
    t_lastError = NET_DVR_NOERROR;
    return handle;
}

int NET_DVR_SetExceptionCallBack_V30(unsigned, void*, fExceptionCallBack callback, void* pUser)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    logCall(s, "NET_DVR_SetExceptionCallBack_V30");
    if (!s.initialised)
        return fail(NET_DVR_NOINIT);
    s.exceptionCallback = callback;
    s.exceptionUser = pUser;
    return succeed();
}

int NET_DVR_RealPlay_V40(int lUserID, const NET_DVR_PREVIEWINFO* preview, fRealDataCallBack_V30 callback, void* pUser)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const int channel = preview ? preview->lChannel : 0;
    logCall(s, "NET_DVR_RealPlay_V40 %d", channel);
    Device* device = deviceOfUser(s, lUserID);
    if (!device)
        return -1;
    if (!preview || !callback || channel < 1 || channel > device->channels)
        return failHandle(NET_DVR_PARAMETER_ERROR);
    for (unsigned char b : preview->byRes) {
        if (b != 0)
            return failHandle(NET_DVR_PARAMETER_ERROR);
    }
    device->lastPreviewChannel = channel;
    auto running = std::make_shared<Preview>();
    running->handle = s.nextHandle++;
    running->user = lUserID;
    running->channel = channel;
    running->callback = callback;
    running->callbackUser = pUser;
    running->thread = std::thread(streamPreview, running);
    s.previews[running->handle] = running;
    t_lastError = NET_DVR_NOERROR;
    return running->handle;
}

int NET_DVR_StopRealPlay(int lRealHandle)
{
    State& s = state();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        logCall(s, "NET_DVR_StopRealPlay %d", lRealHandle);
        if (!s.initialised)
            return fail(NET_DVR_NOINIT);
        if (!s.previews.count(lRealHandle))
            return fail(NET_DVR_PARAMETER_ERROR);
    }
    stopPreviews(s, [lRealHandle](const Preview& p) { return p.handle == lRealHandle; });
    return succeed();
}

int NET_DVR_FocusOnePush(int lUserID, int channel)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    logCall(s, "NET_DVR_FocusOnePush %d %d", lUserID, channel);
    Device* device = deviceOfUser(s, lUserID);
    if (!device)
        return 0;
    return channel >= 1 && channel <= device->channels ? succeed() : fail(NET_DVR_PARAMETER_ERROR);
}

int NET_DVR_SetLogToFile(unsigned level, const char* directory, int autoDelete)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    logCall(s, "NET_DVR_SetLogToFile %u %s %d", level, directory ? directory : "", autoDelete);
    return succeed();
}

int NET_DVR_SetLogPrint(int print)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    logCall(s, "NET_DVR_SetLogPrint %d", print);
    return succeed();
}

// ---- test control ----

void HCSim_Reset(void)
{
    State& s = state();
    stopPreviews(s, [](const Preview&) { return true; });
    HCSim_WaitIdle();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.initialised = false;
    s.devices.clear();
    s.logins.clear();
    s.subscriptions.clear();
    s.exceptionCallback = nullptr;
    s.exceptionUser = nullptr;
    s.localOverride = false;
    s.localFail = false;
    s.localAddresses.clear();
    s.streamIntervalMs = 20;
    s.calls.clear();
}

void HCSim_SetLocalAddresses(const char* const* addresses, int count)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.localOverride = count >= 0;
    s.localAddresses.clear();
    for (int i = 0; i < count; ++i)
        s.localAddresses.emplace_back(addresses[i]);
}

void HCSim_FailLocalAddresses(int failing)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.localFail = failing != 0;
}

int HCSim_AddDevice(const char* address, const char* serial, const char* user, const char* password, int channels)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto device = std::make_unique<Device>();
    device->address = address;
    device->serial = serial;
    device->user = user;
    device->password = password;
    device->channels = channels;
    s.devices.push_back(std::move(device));
    return static_cast<int>(s.devices.size()) - 1;
}

static Device* testDevice(State& s, int device)
{
    return device >= 0 && device < static_cast<int>(s.devices.size()) ? s.devices[static_cast<std::size_t>(device)].get() : nullptr;
}

void HCSim_SetRecord(int device, unsigned command, int channel, const void* bytes, unsigned size)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (Device* d = testDevice(s, device))
        d->records[{command, channel}] = bytesOf(bytes, size);
}

static int copyRecord(const std::map<Key, std::vector<unsigned char>>& records, unsigned command, int channel, void* bytes, unsigned capacity)
{
    auto it = records.find({command, channel});
    if (it == records.end())
        return -1;
    copyOut(it->second, bytes, capacity, nullptr);
    return static_cast<int>(it->second.size());
}

int HCSim_GetRecord(int device, unsigned command, int channel, void* bytes, unsigned capacity)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    Device* d = testDevice(s, device);
    return d ? copyRecord(d->records, command, channel, bytes, capacity) : -1;
}

int HCSim_GetCondition(int device, unsigned command, int channel, void* bytes, unsigned capacity)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    Device* d = testDevice(s, device);
    return d ? copyRecord(d->conditions, command, channel, bytes, capacity) : -1;
}

void HCSim_FailCommand(int device, unsigned command, unsigned error)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (Device* d = testDevice(s, device))
        d->failing[command] = error;
}

void HCSim_SetStreamPicture(int device, int channel, int width, int height, const unsigned char* yv12)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    Device* d = testDevice(s, device);
    if (!d)
        return;
    Picture& picture = d->streams[channel];
    picture.width = width;
    picture.height = height;
    picture.yv12.assign(yv12, yv12 + playctrl_framing::yv12Bytes(width, height));
}

void HCSim_SetStreamInterval(int milliseconds)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.streamIntervalMs = std::max(1, milliseconds);
}

void HCSim_SetDeviceOnline(int device, int online)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    Device* d = testDevice(s, device);
    if (!d || d->online == (online != 0))
        return;
    d->online = online != 0;
    for (auto& entry : s.previews) {
        auto login = s.logins.find(entry.second->user);
        if (login != s.logins.end() && login->second == device)
            queueException(s, online ? 0x8015 : 0x8005, entry.second->user, entry.second->handle);
    }
}

void HCSim_PushRemoteConfig(int userId, unsigned type, const void* data, unsigned size)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::vector<unsigned char> bytes = bytesOf(data, size);
    queueEvent(s, [userId, type, bytes]() mutable {
        State& st = state();
        std::vector<Subscription> targets;
        {
            std::lock_guard<std::mutex> inner(st.mutex);
            for (const Subscription& sub : st.subscriptions) {
                if (sub.user == userId)
                    targets.push_back(sub);
            }
        }
        for (const Subscription& sub : targets)
            sub.callback(type, bytes.data(), static_cast<unsigned>(bytes.size()), sub.callbackUser);
    });
}

void HCSim_RaiseException(unsigned type, int userId, int handle)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    queueException(s, type, userId, handle);
}

void HCSim_WaitIdle(void)
{
    State& s = state();
    std::unique_lock<std::mutex> lock(s.mutex);
    s.idleWake.wait(lock, [&] { return s.events.empty() && !s.delivering; });
}

int HCSim_UsersOf(int device, int* users, int capacity)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    int count = 0;
    for (const auto& login : s.logins) {
        if (login.second != device)
            continue;
        if (count < capacity && users)
            users[count] = login.first;
        ++count;
    }
    return count;
}

int HCSim_PreviewCount(void)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return static_cast<int>(s.previews.size());
}

int HCSim_LastPreviewChannel(int device)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    Device* d = testDevice(s, device);
    return d ? d->lastPreviewChannel : -1;
}

int HCSim_CallLog(char* out, int capacity)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::string text;
    for (const std::string& call : s.calls)
        text += call + '\n';
    if (out && capacity > 0) {
        const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(capacity - 1));
        std::memcpy(out, text.data(), n);
        out[n] = '\0';
    }
    return static_cast<int>(text.size());
}

}  // extern "C"
