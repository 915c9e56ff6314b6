#include "machinecycle.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr uint16_t kMouldOpenEnd = 1u << 0;  // input 1
constexpr uint16_t kClampOutput = 1u << 0;   // output 1, high = clamp permitted

}  // namespace

MachineCycle::MachineCycle(Timing timing) : m_timing(timing) {}

uint16_t MachineCycle::step(int64_t nowMs, uint16_t heldOutputs, uint16_t inputs, std::string* event)
{
    event->clear();
    const bool clampPermitted = (heldOutputs & kClampOutput) != 0;
    switch (m_state) {
    case State::Start:
        m_state = State::Closed;
        m_since = nowMs;
        return uint16_t(inputs & ~kMouldOpenEnd);
    case State::Closed:
        if (m_paused || nowMs - m_since < m_timing.closedMs)
            return uint16_t(inputs & ~kMouldOpenEnd);
        m_state = State::Open;
        m_since = nowMs;
        *event = "machine: cycle " + std::to_string(++m_cycles) + ", mould open";
        return uint16_t(inputs | kMouldOpenEnd);
    case State::Open:
    case State::WaitingForClamp:
        if (nowMs - m_since < m_timing.openMs)
            return uint16_t(inputs | kMouldOpenEnd);
        if (!clampPermitted) {
            if (m_state == State::Open)
                *event = "machine: waiting for the clamp permission";
            m_state = State::WaitingForClamp;
            return uint16_t(inputs | kMouldOpenEnd);
        }
        m_state = State::Closed;
        m_since = nowMs;
        *event = "machine: mould closes";
        return uint16_t(inputs & ~kMouldOpenEnd);
    }
    return inputs;
}

bool MachineCycle::parseTiming(const std::string& text, Timing* timing)
{
    int open = 0;
    int closed = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%d,%d%c", &open, &closed, &end) != 2 || open <= 0 || closed <= 0)
        return false;
    timing->openMs = open;
    timing->closedMs = closed;
    return true;
}
