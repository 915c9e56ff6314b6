// Whether the IO board answers the host: lost after a bound without a valid frame while the host
// polls, back at its next valid frame; how often the host polls while it is lost; and the count
// of received bytes that were no frame, reported once a minute. Pure bookkeeping on a monotonic
// millisecond clock; owned by the IO thread, except answering(), which any thread may read.
#pragma once

#include <QtGlobal>

#include <atomic>

class BoardPresence {
public:
    // No valid frame for this long while polling: the board counts as lost (ms). The board
    // answers every poll, and the host polls every 5 ms.
    static constexpr qint64 kLostAfterMs = 3000;
    // While lost, one poll this often (ms) instead of one per 5 ms pass: enough to notice the
    // board's return at once, without sending hundreds of frames a second into the silence.
    static constexpr qint64 kLostPollMs = 200;
    // Bytes that were no frame are counted and reported at most this often (ms).
    static constexpr qint64 kGarbageReportMs = 60000;

    enum class Change { None, Lost, Back };

    // Polling (re)starts at `now`: the host's own silence before it (line closed, cycle stalled)
    // is not the board's.
    void resume(qint64 now);
    // A valid frame came at `now`. Back when the board had counted as lost.
    Change frameReceived(qint64 now);
    // After a pass at `now`: Lost once the board has been silent for kLostAfterMs.
    Change check(qint64 now);
    // Whether a pass at `now` should send a poll: always while the board answers, every
    // kLostPollMs while it is lost.
    bool pollDue(qint64 now);

    // `bytes` received bytes were skipped as no frame.
    void addGarbage(int bytes) { m_garbage += bytes; }
    // The bytes skipped since the last report when a report is due at `now` (at most one per
    // kGarbageReportMs, none for a clean line), else 0; a due report restarts the count.
    qint64 takeGarbageReport(qint64 now);

    // Written by the IO thread, read by any thread (the lamp row).
    bool answering() const { return m_answering.load(); }
    // Milliseconds since the last valid frame (or the start of polling) at `now`.
    qint64 silentFor(qint64 now) const { return now - m_lastFrame; }

private:
    std::atomic<bool> m_answering{true};
    qint64 m_lastFrame = 0;
    qint64 m_lastPoll = 0;
    bool m_resumed = false;
    qint64 m_garbage = 0;
    qint64 m_garbageSince = 0;
};
