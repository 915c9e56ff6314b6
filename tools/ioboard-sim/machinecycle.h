// Plays an injection-moulding machine on the simulated board: it opens the mould (mould-open end,
// input 1, active high), keeps it open for a while, and closes it only once the monitor gives the
// clamp permission (output 1 at its rest level, high); then it stays closed for the moulding
// time and opens again. A part left in the cavity therefore keeps the machine open.
#pragma once

#include <cstdint>
#include <string>

class MachineCycle {
public:
    struct Timing {
        int openMs = 2500;    // shortest time the mould stays open (ejection, inspection)
        int closedMs = 3500;  // moulding time with the mould closed
    };

    explicit MachineCycle(Timing timing);

    // One step at time `nowMs` (any monotonic milliseconds) with the outputs the board holds and
    // its inputs; returns the inputs the board should show from now on. `event` receives a line
    // for the operator when the machine does something ("" when it does not).
    uint16_t step(int64_t nowMs, uint16_t heldOutputs, uint16_t inputs, std::string* event);

    // Paused, the machine keeps the mould closed once it has closed it (it still closes an open
    // mould when the clamp is permitted); resumed, it opens the mould when the moulding time
    // has passed.
    void setPaused(bool paused) { m_paused = paused; }

    // Parses "OPEN_MS,CLOSED_MS"; false when the text is not two positive numbers.
    static bool parseTiming(const std::string& text, Timing* timing);

private:
    enum class State { Start, Closed, Open, WaitingForClamp };
    Timing m_timing;
    State m_state = State::Start;
    int64_t m_since = 0;
    int m_cycles = 0;
    bool m_paused = false;
};
