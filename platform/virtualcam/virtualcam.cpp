#include "platform/virtualcam/virtualcam.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace virtualcam {

namespace {

// How long deliver waits for the stream thread before it gives up.
constexpr auto kDeliveryTimeout = std::chrono::seconds(10);

uint8_t grey(uint8_t red, uint8_t green, uint8_t blue)
{
    return static_cast<uint8_t>((77 * red + 150 * green + 29 * blue) >> 8);
}

}  // namespace

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%g", value);
    return text;
}

int bytesPerPixel(Layout layout)
{
    return layout == Layout::Rgb8 ? 3 : 1;
}

Scene Scene::uniform(int width, int height, uint8_t red, uint8_t green, uint8_t blue)
{
    Scene scene{width, height, {}};
    scene.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < scene.rgb.size(); i += 3) {
        scene.rgb[i] = red;
        scene.rgb[i + 1] = green;
        scene.rgb[i + 2] = blue;
    }
    return scene;
}

Scene Scene::greyRamp(int width, int height, int seed)
{
    Scene scene{width, height, {}};
    scene.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &scene.rgb[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = p[1] = p[2] = static_cast<uint8_t>(x + 7 * y + seed);
        }
    }
    return scene;
}

Scene Scene::colourRamp(int width, int height, int seed)
{
    Scene scene{width, height, {}};
    scene.rgb.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &scene.rgb[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = static_cast<uint8_t>(x + seed);
            p[1] = static_cast<uint8_t>(y);
            p[2] = static_cast<uint8_t>(x + y);
        }
    }
    return scene;
}

void render(const Scene& scene, Layout layout, std::vector<uint8_t>& out)
{
    const size_t pixels = static_cast<size_t>(scene.width) * scene.height;
    out.resize(pixels * bytesPerPixel(layout));
    for (int y = 0; y < scene.height; ++y) {
        for (int x = 0; x < scene.width; ++x) {
            const size_t i = static_cast<size_t>(y) * scene.width + x;
            const uint8_t* p = &scene.rgb[i * 3];
            switch (layout) {
            case Layout::Mono8:
                out[i] = grey(p[0], p[1], p[2]);
                break;
            case Layout::BayerRG8:
                // Row parity picks red/green or green/blue, column parity the first or second.
                out[i] = (y % 2 == 0) ? (x % 2 == 0 ? p[0] : p[1]) : (x % 2 == 0 ? p[1] : p[2]);
                break;
            case Layout::Rgb8:
                std::copy(p, p + 3, &out[i * 3]);
                break;
            }
        }
    }
}

void convertToRgb8(Layout layout, const uint8_t* source, int width, int height, uint8_t* destination)
{
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            uint8_t* d = destination + i * 3;
            switch (layout) {
            case Layout::Mono8:
                d[0] = d[1] = d[2] = source[i];
                break;
            case Layout::BayerRG8: {
                // The cell's top-left corner; a lone last row or column reuses the one before.
                const int cx = std::min(x & ~1, width - 2);
                const int cy = std::min(y & ~1, height - 2);
                if (cx < 0 || cy < 0) {
                    d[0] = d[1] = d[2] = source[i];
                    break;
                }
                const uint8_t* top = source + static_cast<size_t>(cy) * width + cx;
                const uint8_t* bottom = top + width;
                d[0] = top[0];
                d[1] = static_cast<uint8_t>((top[1] + bottom[0]) / 2);
                d[2] = bottom[1];
                break;
            }
            case Layout::Rgb8:
                std::copy(source + i * 3, source + i * 3 + 3, d);
                break;
            }
        }
    }
}

void convertToMono8(Layout layout, const uint8_t* source, int width, int height, uint8_t* destination)
{
    const size_t pixels = static_cast<size_t>(width) * height;
    if (layout == Layout::Mono8) {
        std::copy(source, source + pixels, destination);
        return;
    }
    std::vector<uint8_t> rgb(pixels * 3);
    convertToRgb8(layout, source, width, height, rgb.data());
    for (size_t i = 0; i < pixels; ++i)
        destination[i] = grey(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]);
}

// One device's stream thread and what it hands to the SDK layer's sink. Guarded by the bus mutex
// except `sink`, which only the thread calls.
struct Bus::Stream {
    std::string serial;
    std::thread thread;
    std::function<void(const Scene&)> sink;
    std::condition_variable wake;  // the thread waits for work or the end
    std::deque<Scene> queue;
    bool stopping = false;
    bool busy = false;
    bool freeRun = false;
    Scene freeScene;
    uint64_t delivered = 0;
    std::thread::id lastThread;
};

struct Bus::Device {
    DeviceDescription unit;
    bool plugged = true;
    int holder = 0;
    FeatureMap features;
    FeatureMap factory;
    std::unique_ptr<Stream> stream;
    bool freeRun = false;  // kept across streams
    Scene freeScene;
    uint64_t delivered = 0;
    std::thread::id lastThread;
};

Bus::Bus(std::function<void(const DeviceDescription&, FeatureMap&)> factory,
         std::function<void(const std::string&, int)> disconnectNotice,
         std::function<void(const std::string&)> replugNotice)
    : m_factory(std::move(factory))
    , m_disconnectNotice(std::move(disconnectNotice))
    , m_replugNotice(std::move(replugNotice))
{
}

Bus::~Bus()
{
    reset();
}

Bus::Device* Bus::find(const std::string& serial)
{
    for (auto& device : m_devices) {
        if (device->unit.serial == serial)
            return device.get();
    }
    return nullptr;
}

const Bus::Device* Bus::find(const std::string& serial) const
{
    return const_cast<Bus*>(this)->find(serial);
}

void Bus::reset()
{
    std::vector<std::unique_ptr<Stream>> streams;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& device : m_devices) {
            if (device->stream)
                streams.push_back(std::move(device->stream));
        }
    }
    for (auto& stream : streams)
        joinStream(std::move(stream));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_devices.clear();
    m_faults.clear();
    m_calls.clear();
    m_liveHandles = 0;
}

void Bus::addDevice(const DeviceDescription& unit)
{
    auto device = std::make_unique<Device>();
    device->unit = unit;
    if (m_factory)
        m_factory(unit, device->factory);
    device->features = device->factory;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_devices.push_back(std::move(device));
}

bool Bus::unplug(const std::string& serial)
{
    std::unique_ptr<Stream> stream;
    int holder = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Device* device = find(serial);
        if (!device)
            return false;
        device->plugged = false;
        holder = device->holder;
        device->holder = 0;
        stream = std::move(device->stream);
    }
    if (stream)
        joinStream(std::move(stream));
    if (holder != 0 && m_disconnectNotice) {
        std::thread notice([this, serial, holder] { m_disconnectNotice(serial, holder); });
        notice.join();
    }
    return true;
}

bool Bus::replug(const std::string& serial)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Device* device = find(serial);
        if (!device)
            return false;
        device->plugged = true;
    }
    if (m_replugNotice) {
        std::thread notice([this, serial] { m_replugNotice(serial); });
        notice.join();
    }
    return true;
}

void Bus::failNext(const std::string& call, int code)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults[call].push_back(code);
}

std::vector<std::string> Bus::calls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

bool Bus::wasCalled(const std::string& entry) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::find(m_calls.begin(), m_calls.end(), entry) != m_calls.end();
}

void Bus::clearCalls()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.clear();
}

Feature Bus::feature(const std::string& serial, const std::string& name) const
{
    Feature value;
    getFeature(serial, name, &value);
    return value;
}

void Bus::setFeature(const std::string& serial, const std::string& name, const Feature& value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (Device* device = find(serial)) {
        device->features[name] = value;
        device->factory[name] = value;
    }
}

bool Bus::deliver(const std::string& serial, const std::vector<Scene>& scenes)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    Device* device = find(serial);
    if (!device || !device->stream || device->stream->stopping)
        return false;
    Stream* stream = device->stream.get();
    stream->queue.insert(stream->queue.end(), scenes.begin(), scenes.end());
    stream->wake.notify_all();
    const bool drained = m_idle.wait_for(lock, kDeliveryTimeout, [&] {
        Device* now = find(serial);
        return !now || now->stream.get() != stream || (stream->queue.empty() && !stream->busy);
    });
    Device* now = find(serial);
    return drained && now && now->stream.get() == stream && stream->queue.empty();
}

void Bus::setFreeRun(const std::string& serial, bool on, const Scene& scene)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* device = find(serial);
    if (!device)
        return;
    device->freeRun = on;
    device->freeScene = scene;
    if (device->stream) {
        device->stream->freeRun = on;
        device->stream->freeScene = scene;
        device->stream->wake.notify_all();
    }
}

std::thread::id Bus::lastDeliveryThread(const std::string& serial) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Device* device = find(serial);
    if (!device)
        return {};
    return device->stream ? device->stream->lastThread : device->lastThread;
}

uint64_t Bus::delivered(const std::string& serial) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Device* device = find(serial);
    if (!device)
        return 0;
    return device->stream ? device->stream->delivered : device->delivered;
}

int Bus::holder(const std::string& serial) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Device* device = find(serial);
    return device ? device->holder : 0;
}

int Bus::liveHandles() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_liveHandles;
}

bool Bus::fault(const char* call, const std::string& arguments, int* code)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(arguments.empty() ? std::string(call) : std::string(call) + " " + arguments);
    auto it = m_faults.find(call);
    if (it == m_faults.end() || it->second.empty())
        return false;
    *code = it->second.front();
    it->second.erase(it->second.begin());
    return true;
}

std::vector<DeviceDescription> Bus::pluggedDevices() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<DeviceDescription> out;
    for (const auto& device : m_devices) {
        if (device->plugged)
            out.push_back(device->unit);
    }
    return out;
}

bool Bus::describe(const std::string& serial, DeviceDescription* out) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Device* device = find(serial);
    if (!device)
        return false;
    *out = device->unit;
    return true;
}

bool Bus::plugged(const std::string& serial) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Device* device = find(serial);
    return device && device->plugged;
}

bool Bus::claim(const std::string& serial, int handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* device = find(serial);
    if (!device || !device->plugged || device->holder != 0)
        return false;
    device->holder = handle;
    return true;
}

void Bus::unclaim(const std::string& serial, int handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* device = find(serial);
    if (device && device->holder == handle)
        device->holder = 0;
}

int Bus::newHandle()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_liveHandles;
    return m_nextHandle++;
}

void Bus::handleGone()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_liveHandles;
}

bool Bus::setValue(const std::string& serial, const std::string& name, double value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* device = find(serial);
    if (!device)
        return false;
    device->features[name].value = value;
    return true;
}

bool Bus::setText(const std::string& serial, const std::string& name, const std::string& text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* device = find(serial);
    if (!device)
        return false;
    device->features[name].text = text;
    return true;
}

bool Bus::getFeature(const std::string& serial, const std::string& name, Feature* out) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Device* device = find(serial);
    if (!device)
        return false;
    auto it = device->features.find(name);
    if (it == device->features.end())
        return false;
    *out = it->second;
    return true;
}

void Bus::loadFactoryFeatures(const std::string& serial)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (Device* device = find(serial))
        device->features = device->factory;
}

bool Bus::startStream(const std::string& serial, int handle, std::function<void(const Scene&)> sink)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Device* device = find(serial);
    if (!device || !device->plugged || device->holder != handle || device->stream)
        return false;
    auto stream = std::make_unique<Stream>();
    stream->serial = serial;
    stream->sink = std::move(sink);
    stream->freeRun = device->freeRun;
    stream->freeScene = device->freeScene;
    Stream* raw = stream.get();
    device->stream = std::move(stream);
    raw->thread = std::thread([this, raw] { runStream(raw); });
    return true;
}

void Bus::stopStream(const std::string& serial)
{
    std::unique_ptr<Stream> stream;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Device* device = find(serial);
        if (!device || !device->stream)
            return;
        if (device->stream->thread.get_id() == std::this_thread::get_id()) {
            device->stream->stopping = true;
            return;
        }
        stream = std::move(device->stream);
    }
    joinStream(std::move(stream));
}

bool Bus::streaming(const std::string& serial) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Device* device = find(serial);
    return device && device->stream && !device->stream->stopping;
}

void Bus::runStream(Stream* stream)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!stream->stopping) {
        Scene scene;
        if (!stream->queue.empty()) {
            scene = std::move(stream->queue.front());
            stream->queue.pop_front();
        } else if (stream->freeRun) {
            scene = stream->freeScene;
        } else {
            stream->wake.wait(lock);
            continue;
        }
        stream->busy = true;
        lock.unlock();
        stream->sink(scene);
        lock.lock();
        stream->busy = false;
        ++stream->delivered;
        stream->lastThread = std::this_thread::get_id();
        m_idle.notify_all();
    }
    m_idle.notify_all();
}

void Bus::joinStream(std::unique_ptr<Stream> stream)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        stream->stopping = true;
        stream->wake.notify_all();
        m_idle.notify_all();
    }
    if (stream->thread.joinable())
        stream->thread.join();
    // Keep the counts of the ended stream for the test's look afterwards.
    std::lock_guard<std::mutex> lock(m_mutex);
    if (Device* device = find(stream->serial)) {
        device->delivered = stream->delivered;
        device->lastThread = stream->lastThread;
    }
}

}  // namespace virtualcam
