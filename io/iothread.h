// The IO thread: all traffic with the IO board. Every 5 ms it sends the output word when the
// board shows other outputs, polls the inputs and reports input changes; it falls silent while
// the detection cycle's heartbeat is more than 10 s old.
#pragma once

#include "io/boardpresence.h"
#include "io/cyclehandover.h"
#include "io/ioframe.h"

#include <QThread>

#include <atomic>

class IOSerialLine;

class IOThread : public QThread {
    Q_OBJECT

public:
    // Monotonic time in milliseconds. The wall clock is no good here: the program sets it.
    using MonotonicClock = qint64 (*)();
    static qint64 steadyMilliseconds();

    // Heartbeat older than this silences the thread (ms).
    static constexpr qint64 kHeartbeatTimeoutMs = 10000;
    // Pause between passes (ms), while the line is closed (ms), and while silent (ms).
    static constexpr int kPassPauseMs = 5;
    static constexpr int kClosedPauseMs = 30;
    static constexpr int kSilentPauseMs = 1000;
    // Passes per cycle of the data-word commands: command 3 at pass 200, command 4 at pass 210.
    static constexpr int kBlock1Pass = 200;
    static constexpr int kBlock2Pass = 210;
    static constexpr int kBoardWordCount = 16;
    // A heartbeat older than this at a mould-opening edge means the cycle is late: the IO thread
    // applies the opening's outputs itself (ms; a tick comes every 100 ms).
    static constexpr qint64 kLateCycleMs = 300;

    // `line` must outlive the thread. `clock` is for tests; it must be monotonic and thread-safe.
    explicit IOThread(IOSerialLine* line, MonotonicClock clock = &IOThread::steadyMilliseconds,
                      QObject* parent = nullptr);
    ~IOThread() override;

    // Marks the detection cycle as alive. Any thread (the GUI thread calls it every tick).
    // Returns the time since the previous heartbeat (ms).
    qint64 heartbeat();
    // Time now on the thread's clock (ms).
    qint64 now() const { return m_clock(); }
    // The input changes and opening outputs handed to the cycle. Only with ioMutex held.
    CycleHandover& handover() { return m_handover; }

    // Data words of the last type-3 and type-4 frames. Read only while the thread is not running.
    quint32 boardWord(int i) const { return boardWords[i]; }

    // Whether the board answers (see BoardPresence); any thread.
    bool boardAnswering() const { return m_presence.answering(); }
    // While held, the thread polls but sends no output word: what a window publishes while it is
    // being built (a clamp permitted for a moment before a restored alarm prohibits it again)
    // never reaches the board. Any thread.
    void holdOutputs(bool held) { m_outputsHeld.store(held); }

signals:
    // A type-2 frame brought input bits other than the previous ones; emitted in the IO thread
    // after `boardInputs` holds the new bits.
    void sigIOChange();
    // The board stopped answering (false) or answers again (true); emitted in the IO thread,
    // once per change, after the log line.
    void sigBoardAnswering(bool answering);

protected:
    void run() override;

private:
    void runPass();
    void receiveFrames(quint32& wanted, bool& resend);
    void handleFrame(const BoardFrame& frame, quint32& wanted, bool& resend);
    // Sleeps `ms`, waking early when the thread is asked to stop.
    void pause(int ms);

    // Board presence: a valid frame came; after the pass's reading, logs and reports a lost
    // board and the garbage of the last minute, and tells whether this pass may send.
    void noteBoardAnswer();
    bool watchBoard();

    IOSerialLine* m_line;
    MonotonicClock m_clock;
    // Time of the last heartbeat on m_clock (ms); written by any thread, read by the IO thread.
    std::atomic<qint64> lastBeat;
    // Guarded by ioMutex.
    CycleHandover m_handover;

    // IO thread only from here on.
    IOFrameScanner m_scanner;
    int ioPassCount = 0;
    quint32 boardWords[kBoardWordCount] = {};
    int boardWordIndex = 0;
    // Whether the board answers; its answering() is an atomic that the lamp row reads.
    BoardPresence m_presence;
    // Polling ran in the previous loop turn (else the silence since is the host's own).
    bool m_polling = false;
    std::atomic<bool> m_outputsHeld{false};
};
