// The newest-frame hand-off that every driver with an SDK frame callback keeps: the callback
// writes a frame into the slot under the slot's mutex, the GUI thread takes it at most once.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <vector>

class FrameSlot {
public:
    // Sizes the output buffer for frames of `frameBytes` and forgets any pending frame. Called
    // by a driver's open, while no callback runs.
    void allocate(std::size_t frameBytes);
    std::size_t frameBytes() const { return m_buffer.size(); }

    // SDK thread: `fill(buffer, frameBytes)` writes the frame into the output buffer while the
    // mutex is held (drivers that convert under the mutex do it inside `fill`); then the frame
    // counter grows by one and the new-frame flag is set.
    template <typename Fill>
    void publish(Fill&& fill)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        fill(m_buffer.data(), m_buffer.size());
        m_newFrame = true;
        m_frameCounter.fetch_add(1, std::memory_order_relaxed);
    }
    // SDK thread: copies `bytes` of `frame` (at most the frame length) as the newest frame.
    void publish(const void* frame, std::size_t bytes);

    // GUI thread: when a frame arrived since the last call, copies the frame length into
    // `destination`, clears the flag and returns true; else leaves `destination` untouched.
    bool take(unsigned char* destination);

    // GUI thread: whether a frame arrived that take has not delivered yet.
    bool hasNewFrame();
    // GUI thread: forgets the frame take has not delivered yet.
    void discardFrame();

    // GUI thread: frames published since the previous call into *frames; true when not 0. The
    // counter is read without the mutex.
    bool frameDelta(int* frames);

private:
    std::mutex m_mutex;
    std::vector<unsigned char> m_buffer;  // guarded by m_mutex
    bool m_newFrame = false;              // guarded by m_mutex
    std::atomic<unsigned> m_frameCounter{0};
    unsigned m_lastReported = 0;  // GUI thread only
};
