#include "cameras/frameslot.h"

#include <algorithm>
#include <cstring>

void FrameSlot::allocate(std::size_t frameBytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_buffer.assign(frameBytes, 0);
    m_newFrame = false;
}

void FrameSlot::publish(const void* frame, std::size_t bytes)
{
    publish([frame, bytes](unsigned char* buffer, std::size_t frameBytes) {
        std::memcpy(buffer, frame, std::min(bytes, frameBytes));
    });
}

bool FrameSlot::take(unsigned char* destination)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool copied = m_newFrame;
    if (copied)
        std::memcpy(destination, m_buffer.data(), m_buffer.size());
    m_newFrame = false;
    return copied;
}

bool FrameSlot::hasNewFrame()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_newFrame;
}

void FrameSlot::discardFrame()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_newFrame = false;
}

bool FrameSlot::frameDelta(int* frames)
{
    const unsigned counter = m_frameCounter.load(std::memory_order_relaxed);
    const int delta = static_cast<int>(counter - m_lastReported);
    m_lastReported = counter;
    *frames = delta;
    return delta != 0;
}
