// Shared core of our camera SDK stand-ins: virtual devices that tests plug in, unplug, replug and
// feed with pictures, each streaming from a thread of its own; named-call fault injection; a log
// of the calls made; and per-device feature values that the SDK layers set and tests read back.
// In a normal run no device is ever added, so every SDK enumerates nothing.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace virtualcam {

// Byte layouts a sensor or an SDK's image processing delivers.
enum class Layout {
    Mono8,     // one byte per pixel
    BayerRG8,  // one byte per pixel, 2 x 2 cells red, green / green, blue
    Rgb8,      // three bytes per pixel: red, green, blue
};

int bytesPerPixel(Layout layout);

// What a virtual camera looks at: width x height pixels of red, green, blue bytes.
struct Scene {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    static Scene uniform(int width, int height, uint8_t red, uint8_t green, uint8_t blue);
    // Grey pixel (x, y) = (x + 7 y + seed) mod 256: every row and every frame differs.
    static Scene greyRamp(int width, int height, int seed);
    // Pixel (x, y) = red x + seed, green y, blue x + y (each mod 256): a colour that survives only
    // an exact RGB path.
    static Scene colourRamp(int width, int height, int seed);
};

// The scene as a sensor of that layout delivers it (grey = (77 R + 150 G + 29 B) / 256).
void render(const Scene& scene, Layout layout, std::vector<uint8_t>& out);
// Image processing of the SDKs: a frame of `layout` to packed RGB (Bayer: each 2 x 2 cell gets
// its red, the mean of its greens and its blue) or to mono 8.
void convertToRgb8(Layout layout, const uint8_t* source, int width, int height, uint8_t* destination);
void convertToMono8(Layout layout, const uint8_t* source, int width, int height, uint8_t* destination);

// A value as the call log shows it: shortest form, "5000", "0.5".
std::string number(double value);

// What a test puts on an SDK: one physical camera.
struct DeviceDescription {
    std::string maker;
    std::string serial;
    std::string model;
    int width = 64;
    int height = 48;
    Layout layout = Layout::Mono8;  // what the sensor delivers
};

// A device value an SDK layer sets and reads: a number with its range, or a text.
struct Feature {
    double value = 0;
    double minimum = 0;
    double maximum = 0;
    std::string text;
};
using FeatureMap = std::map<std::string, Feature>;

// Everything about the virtual devices of one SDK. One mutex guards the lot; frame callbacks run
// on the devices' stream threads without it.
class Bus {
public:
    // `factory` fills a new device's features (its factory defaults); `disconnectNotice` is called
    // on an SDK thread of its own when a device that a handle holds is unplugged, `replugNotice`
    // (when given) on one when a device comes back.
    Bus(std::function<void(const DeviceDescription&, FeatureMap&)> factory,
        std::function<void(const std::string& serial, int holder)> disconnectNotice,
        std::function<void(const std::string& serial)> replugNotice = nullptr);
    ~Bus();
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    // ---- tests ----
    // Stops every stream, forgets every device, fault and log entry.
    void reset();
    void addDevice(const DeviceDescription& unit);
    // Stops the device's stream (joined), drops its holder and, when a handle held it, runs the
    // disconnect notice on an SDK thread; returns once the notice has run. False: no such device.
    bool unplug(const std::string& serial);
    // Attaches the device again and runs the replug notice, if any, before returning.
    bool replug(const std::string& serial);
    // The next call named `call` fails with `code` (once).
    void failNext(const std::string& call, int code);
    // Calls made since the last reset or clearCalls, as "Name" or "Name arguments".
    std::vector<std::string> calls() const;
    bool wasCalled(const std::string& entry) const;
    void clearCalls();
    Feature feature(const std::string& serial, const std::string& name) const;
    void setFeature(const std::string& serial, const std::string& name, const Feature& value);
    // Hands the scenes to the device's stream thread and waits until its callback has returned
    // for each; false when the device is not streaming or the frames were not delivered in time.
    bool deliver(const std::string& serial, const std::vector<Scene>& scenes);
    // While streaming, deliver `scene` again and again as fast as the callback takes it.
    void setFreeRun(const std::string& serial, bool on, const Scene& scene = Scene());
    // Thread of the last delivery and the number of frames delivered since the last start.
    std::thread::id lastDeliveryThread(const std::string& serial) const;
    uint64_t delivered(const std::string& serial) const;
    // The handle that holds the device (0: none) and the number of handles alive on this SDK.
    int holder(const std::string& serial) const;
    int liveHandles() const;

    // ---- SDK layers ----
    // Logs the call; true with *code set when a failure was injected for it.
    bool fault(const char* call, const std::string& arguments, int* code);
    // The plugged devices, in the order they were added.
    std::vector<DeviceDescription> pluggedDevices() const;
    // The device of `serial`, plugged or not; false when there is none.
    bool describe(const std::string& serial, DeviceDescription* out) const;
    bool plugged(const std::string& serial) const;
    // Exclusive hold of a plugged device by handle `handle`; false when unplugged or held.
    bool claim(const std::string& serial, int handle);
    void unclaim(const std::string& serial, int handle);
    int newHandle();
    void handleGone();
    bool setValue(const std::string& serial, const std::string& name, double value);
    bool setText(const std::string& serial, const std::string& name, const std::string& text);
    bool getFeature(const std::string& serial, const std::string& name, Feature* out) const;
    // Back to the factory features.
    void loadFactoryFeatures(const std::string& serial);
    // Starts the device's stream thread, which calls `sink` for each scene; false when the device
    // is unplugged, not held by `handle`, or already streaming.
    bool startStream(const std::string& serial, int handle, std::function<void(const Scene&)> sink);
    // Stops and joins the stream thread; after it returns, no `sink` call runs. Called from the
    // sink itself it only asks the thread to end.
    void stopStream(const std::string& serial);
    bool streaming(const std::string& serial) const;

private:
    struct Stream;
    struct Device;
    Device* find(const std::string& serial);
    const Device* find(const std::string& serial) const;
    void runStream(Stream* stream);
    void joinStream(std::unique_ptr<Stream> stream);

    std::function<void(const DeviceDescription&, FeatureMap&)> m_factory;
    std::function<void(const std::string&, int)> m_disconnectNotice;
    std::function<void(const std::string&)> m_replugNotice;
    mutable std::mutex m_mutex;
    std::condition_variable m_idle;  // deliver waits here for its frames to be taken
    std::vector<std::unique_ptr<Device>> m_devices;
    std::map<std::string, std::vector<int>> m_faults;
    std::vector<std::string> m_calls;
    int m_nextHandle = 1;
    int m_liveHandles = 0;
};

// The handles of one SDK stand-in by key, under one lock. The lock is never held while a stream
// is joined or a callback of the program runs.
template <typename Key, typename Handle>
class HandleTable {
public:
    void add(Key key, std::unique_ptr<Handle> handle)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_handles[key] = std::move(handle);
    }
    void remove(Key key)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_handles.erase(key);
    }
    // use(handle) under the lock, and its result; `missing` when there is no such handle.
    template <typename Use>
    int with(Key key, int missing, Use&& use)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_handles.find(key);
        return it == m_handles.end() ? missing : use(*it->second);
    }
    // visit(handle) for each handle, under the lock.
    template <typename Visit>
    void forEach(Visit&& visit)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& entry : m_handles)
            visit(*entry.second);
    }

private:
    std::mutex m_mutex;
    std::map<Key, std::unique_ptr<Handle>> m_handles;
};

}  // namespace virtualcam
