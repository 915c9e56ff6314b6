#include "io/controlport.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "io/ioserialline.h"
#include "io/iothread.h"
#include "io/iowordlock.h"
#include "mainwindow/mojuwizard.h"

#include <glog/logging.h>

namespace {

constexpr quint32 kOutputMask = 0x3FFu;

quint32 bit(int i)
{
    return 1u << i;
}

}  // namespace

ControlPort::ControlPort(QObject* parent) : QObject(parent)
{
    openIOSerialPort();
    resetOutputs();
    publishOutputs();
}

ControlPort::~ControlPort()
{
    // The program keeps the port for its whole life; tests tear it down.
    delete m_ioThread;
}

void ControlPort::startIOThread()
{
    startIOThread(mainWindow);
}

void ControlPort::startPolling()
{
    if (m_ioThread)
        return;
    m_ioThread = new IOThread(ioSerialPort);
    m_ioThread->holdOutputs(true);
    m_ioThread->start(QThread::InheritPriority);
}

void ControlPort::startIOThread(QObject* cycleReceiver)
{
    if (!m_ioThread) {
        m_ioThread = new IOThread(ioSerialPort);
        m_ioThread->start(QThread::InheritPriority);
    }
    // The cycle's ticks count from here, not from the start of the early polls.
    m_ioThread->heartbeat();
    m_ioThread->holdOutputs(false);
    if (cycleReceiver && !m_cycleReceiver) {
        m_cycleReceiver = cycleReceiver;
        connect(m_ioThread, SIGNAL(sigIOChange()), cycleReceiver, SLOT(Run()));
    }
}

quint32 ControlPort::restBit(int i) const
{
    return activeParams->outputRestState[i] != 0 ? 1u : 0u;
}

void ControlPort::setOutput(int i, bool active)
{
    if (i < 0 || i >= kIOCount)
        return;
    const quint32 level = (active ? 1u : 0u) ^ restBit(i);
    outputWord = (outputWord & ~bit(i)) | (level << i);
    if (activeParams->spareOutputSubstitute == i + 1)
        outputWord = (outputWord & ~bit(kSpareOutput)) | (level << kSpareOutput);
}

void ControlPort::resetOutputs()
{
    quint32 word = ~kOutputMask;
    for (int i = 0; i < kIOCount; ++i)
        word |= restBit(i) << i;
    const int mirrored = activeParams->spareOutputSubstitute;
    if (mirrored >= 1 && mirrored <= kIOCount)
        word = (word & ~bit(kSpareOutput)) | (restBit(mirrored - 1) << kSpareOutput);
    outputWord = word;
}

void ControlPort::publishOutputs()
{
    {
        IOWordLock lock;
        // Outputs the IO thread applied at a late mould opening stay until the cycle took it.
        publishedOutputs = m_ioThread ? m_ioThread->handover().withHold(outputWord) : outputWord;
    }
    if (outputWord != lastPublishedOutputs) {
        lastPublishedOutputs = outputWord;
        emit sigIOChange();
    }
}

bool ControlPort::inputActiveLow(int i) const
{
    // Only inputs 0..7 have a polarity setting; inputs 8 and 9 are active high.
    return i >= 0 && i < 8 && activeParams->inputPolarity[i] != 0;
}

quint32 ControlPort::substituteSpare(quint32 word) const
{
    // The spare input stands in for input 0, 1 or 2.
    const int replaced = activeParams->spareInputSubstitute - 1;
    if (replaced < 0 || replaced > 2)
        return word;
    const quint32 spare = (word >> kSpareInput) & 1u;
    return (word & ~bit(replaced)) | (spare << replaced);
}

bool ControlPort::inputEdge(int pos)
{
    if (pos < 0 || pos >= 8)
        return false;
    quint32 rose = 0;
    quint32 fell = 0;
    if (m_inputsTaken) {
        inputWord = substituteSpare(m_taken.word);
        rose = substituteSpare(m_taken.rose) & ~m_foldedReported;
        fell = substituteSpare(m_taken.fell) & ~m_foldedReported;
    } else {
        {
            IOWordLock lock;
            inputWord = boardInputs;
        }
        inputWord = substituteSpare(inputWord);
    }

    const quint8 b = (inputWord >> pos) & 1u;
    const quint8 p = prevInput[pos];
    const bool activeLow = inputActiveLow(pos);
    // A change folded into one kept entry may have gone and come back between two levels.
    const bool folded = ((activeLow ? fell : rose) >> pos) & 1u;
    const bool edge = folded || (activeLow ? (p == 1 && b == 0) : (p == 0 && b == 1));

    // Safety door back at its inactive level. prevInput of the door is only updated by the call
    // for the door input itself, so every call of the tick before that one sees the release too.
    const int machineType = activeParams->machineType;
    if (machineType != 1 && machineType != 2) {
        const quint8 door = (inputWord >> kDoorInput) & 1u;
        const quint8 doorBefore = prevInput[kDoorInput];
        const bool doorLow = inputActiveLow(kDoorInput);
        const bool foldedRelease = ((doorLow ? rose : fell) >> kDoorInput) & 1u;
        const bool released = foldedRelease || (doorLow ? (doorBefore == 0 && door == 1) : (doorBefore == 1 && door == 0));
        if (released)
            releaseDoor();
    }

    prevInput[pos] = b;
    m_foldedReported |= bit(pos);
    return edge;
}

void ControlPort::takeInputs()
{
    m_foldedReported = 0;
    m_takenAge = 0;
    if (!m_ioThread) {
        IOWordLock lock;
        m_taken = CycleHandover::Change{};
        m_taken.word = boardInputs;
        m_inputsTaken = true;
        return;
    }
    const qint64 now = m_ioThread->now();
    IOWordLock lock;
    if (m_ioThread->handover().take(&m_taken)) {
        m_takenAge = now - m_taken.atMs;
    } else {
        m_taken = CycleHandover::Change{};
        m_taken.word = boardInputs;
        m_taken.atMs = now;
    }
    m_inputsTaken = true;
}

bool ControlPort::activeAfter(int i, qint64 ms) const
{
    if (i < 0 || i >= kIOCount)
        return false;
    quint32 word;
    {
        IOWordLock lock;
        word = m_ioThread ? m_ioThread->handover().wordAt(m_taken, m_taken.atMs + ms) : boardInputs;
    }
    return (((substituteSpare(word) >> i) & 1u) != 0) != inputActiveLow(i);
}

void ControlPort::setOpenings(quint32 armed, const Opening (&openings)[8])
{
    if (!m_ioThread)
        return;
    // The IO thread sees board inputs: an opening on an input the spare input stands in for
    // comes from the spare input.
    const int replaced = activeParams->spareInputSubstitute - 1;
    CycleHandover::Opening byBoardInput[CycleHandover::kInputs];
    for (int pos = 0; pos < 8; ++pos) {
        if (!((armed >> pos) & 1u))
            continue;
        const int r = (replaced >= 0 && replaced <= 2 && pos == replaced) ? kSpareInput : pos;
        CycleHandover::Opening& o = byBoardInput[r];
        o.armed = true;
        o.activeLow = inputActiveLow(pos);
        o.mask |= openings[pos].mask & kOutputMask;
        o.levels = (o.levels & ~openings[pos].mask) | (openings[pos].levels & openings[pos].mask);
    }
    IOWordLock lock;
    m_ioThread->handover().setOpenings(byBoardInput);
}

bool ControlPort::openingHeld() const
{
    if (!m_ioThread)
        return false;
    IOWordLock lock;
    return m_ioThread->handover().holding();
}

bool ControlPort::openingWaiting() const
{
    if (!m_ioThread)
        return false;
    IOWordLock lock;
    return m_ioThread->handover().withdrawalWaiting();
}

void ControlPort::releaseOpening()
{
    if (!m_ioThread)
        return;
    IOWordLock lock;
    CycleHandover& handover = m_ioThread->handover();
    if (!handover.holding() || handover.withdrawalWaiting())
        return;
    handover.releaseHold();
    publishedOutputs = outputWord;
}

void ControlPort::releaseDoor()
{
    // Closing the door returns an active alarm output to rest, whichever level rest is; the
    // detection cycle raises it again if the alarm still stands.
    setOutput(kAlarmOutput, false);
    publishOutputs();
    doorReleaseFlag = 1;
}

bool ControlPort::readBit(bool isOutput, int i) const
{
    if (i < 0 || i >= kIOCount)
        return false;
    if (isOutput)
        return (outputWord >> i) & 1u;
    return (((inputWord >> i) & 1u) != 0) != inputActiveLow(i);
}

void ControlPort::heartbeat()
{
    if (!m_ioThread)
        return;
    const qint64 sincePrevious = m_ioThread->heartbeat();
    // Said once the thread is back: while it was away only the IO thread watched the machine.
    if (sincePrevious > kTickGapLogMs)
        LOG(WARNING) << "Detection cycle: no tick for " << sincePrevious << " ms; the screen's thread was held";
}
