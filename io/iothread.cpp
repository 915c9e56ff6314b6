#include "io/iothread.h"

#include "core/globals.h"
#include "io/ioserialline.h"
#include "io/iowordlock.h"

#include <glog/logging.h>

#include <chrono>

qint64 IOThread::steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

IOThread::IOThread(IOSerialLine* line, MonotonicClock clock, QObject* parent)
    : QThread(parent), m_line(line), m_clock(clock), lastBeat(clock())
{
}

IOThread::~IOThread()
{
    // The program never ends the thread; tests and teardown do.
    requestInterruption();
    wait();
}

qint64 IOThread::heartbeat()
{
    const qint64 now = m_clock();
    return now - lastBeat.exchange(now);
}

void IOThread::run()
{
    lastBeat.store(m_clock());
    while (!isInterruptionRequested()) {
        // While the window is built the cycle has not begun and no output goes out: the board is
        // polled however long that takes.
        if (!m_outputsHeld.load() && m_clock() - lastBeat.load() > kHeartbeatTimeoutMs) {
            // The detection cycle has stalled: stop talking, so the board no longer sees a host.
            LOG(WARNING) << "controlport_thread - main_thread > 10s will timeout exit";
            m_polling = false;
            pause(kSilentPauseMs);
            continue;
        }
        if (!m_line || !m_line->isOpen()) {
            m_polling = false;
            pause(kClosedPauseMs);
            continue;
        }
        if (!m_polling)
            m_presence.resume(m_clock());
        m_polling = true;
        runPass();
        pause(kPassPauseMs);
    }
}

void IOThread::runPass()
{
    quint32 wanted;
    {
        IOWordLock lock;
        wanted = publishedOutputs;
    }
    bool resend = false;
    receiveFrames(wanted, resend);
    if (!watchBoard())
        return;
    if (resend && !m_outputsHeld.load())
        m_line->writeIOFrame(kSetOutputs, wanted);

    ++ioPassCount;
    if (ioPassCount == kBlock1Pass) {
        boardWordIndex = 0;
        m_line->writeIOFrame(kReadBlock1, 0);
    } else if (ioPassCount == kBlock2Pass) {
        boardWordIndex = 8;
        ioPassCount = 0;
        m_line->writeIOFrame(kReadBlock2, 0);
    } else {
        m_line->writeIOFrame(kPollInputs, 0);
    }
}

void IOThread::receiveFrames(quint32& wanted, bool& resend)
{
    if (m_line->bytesWaiting() <= 0)
        return;
    // Only what fits is read; the rest waits in the driver for the next pass.
    m_scanner.commit(m_line->read(m_scanner.tail(), m_scanner.room()));
    const int skipped = m_scanner.scan([&](const BoardFrame& frame) {
        noteBoardAnswer();
        handleFrame(frame, wanted, resend);
    });
    m_presence.addGarbage(skipped);
}

void IOThread::handleFrame(const BoardFrame& frame, quint32& wanted, bool& resend)
{
    switch (frame.type) {
    case 2: {
        const quint32 inputs = frame.inputs();
        quint32 before;
        int opened = -1;
        const qint64 now = m_clock();
        const qint64 late = now - lastBeat.load();
        {
            IOWordLock lock;
            before = boardInputs;
            boardInputs = inputs;
            if (inputs != before) {
                // Kept for the cycle: a tick that comes late still sees every change, in order.
                m_handover.keep(inputs, now);
                if (late > kLateCycleMs) {
                    opened = m_handover.applyOpening(before, inputs, &publishedOutputs);
                    wanted = publishedOutputs;
                }
            }
        }
        if (opened >= 0) {
            // The board gets the outputs of the opening now, not after its next echo.
            resend = true;
            LOG(WARNING) << "Mould opening on input " << opened + 1 << " while the detection cycle is " << late
                         << " ms late: the IO thread applies its outputs (word 0x" << std::hex << (wanted & 0x3FFu)
                         << std::dec << ")";
        }
        if (inputs != before)
            emit sigIOChange();
        if (frame.outputEcho() != (wanted & 0x3FFu))
            resend = true;
        break;
    }
    case 3:
    case 4:
        // Further words of a block are dropped.
        if (boardWordIndex < kBoardWordCount)
            boardWords[boardWordIndex++] = frame.word();
        break;
    default:
        // A valid frame that carries nothing for the host.
        break;
    }
}

void IOThread::pause(int ms)
{
    // Short pauses are slept whole; long ones in steps so that a stop request is seen.
    constexpr int kStepMs = 20;
    while (ms > 0 && !isInterruptionRequested()) {
        const int step = qMin(ms, kStepMs);
        QThread::msleep(static_cast<unsigned long>(step));
        ms -= step;
    }
}

void IOThread::noteBoardAnswer()
{
    const qint64 now = m_clock();
    const qint64 silent = m_presence.silentFor(now);
    if (m_presence.frameReceived(now) != BoardPresence::Change::Back)
        return;
    LOG(INFO) << "IO board answers again after " << silent << " ms of silence";
    emit sigBoardAnswering(true);
}

bool IOThread::watchBoard()
{
    const qint64 now = m_clock();
    if (m_presence.check(now) == BoardPresence::Change::Lost) {
        LOG(WARNING) << "IO board not answering: no frame for " << m_presence.silentFor(now) << " ms on "
                     << m_line->device().toStdString() << "; polling every " << BoardPresence::kLostPollMs
                     << " ms until it answers";
        emit sigBoardAnswering(false);
    }
    if (const qint64 garbage = m_presence.takeGarbageReport(now))
        LOG(WARNING) << "IO board line: " << garbage << " received bytes were no frame in the last minute";
    return m_presence.pollDue(now);
}
