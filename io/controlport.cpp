#include "io/controlport.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "io/ioserialline.h"
#include "io/iothread.h"
#include "io/iowordlock.h"
#include "mainwindow/mojuwizard.h"

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
        publishedOutputs = outputWord;
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

bool ControlPort::inputEdge(int pos)
{
    if (pos < 0 || pos >= 8)
        return false;
    {
        IOWordLock lock;
        inputWord = boardInputs;
    }
    // The spare input stands in for input 0, 1 or 2.
    const int replaced = activeParams->spareInputSubstitute - 1;
    if (replaced >= 0 && replaced <= 2) {
        const quint32 spare = (inputWord >> kSpareInput) & 1u;
        inputWord = (inputWord & ~bit(replaced)) | (spare << replaced);
    }

    const quint8 b = (inputWord >> pos) & 1u;
    const quint8 p = prevInput[pos];
    const bool activeLow = inputActiveLow(pos);
    const bool edge = activeLow ? (p == 1 && b == 0) : (p == 0 && b == 1);

    // Safety door back at its inactive level. prevInput of the door is only updated by the call
    // for the door input itself, so every call of the tick before that one sees the release too.
    const int machineType = activeParams->machineType;
    if (machineType != 1 && machineType != 2) {
        const quint8 door = (inputWord >> kDoorInput) & 1u;
        const quint8 doorBefore = prevInput[kDoorInput];
        const bool released = inputActiveLow(kDoorInput) ? (doorBefore == 0 && door == 1)
                                                         : (doorBefore == 1 && door == 0);
        if (released)
            releaseDoor();
    }

    prevInput[pos] = b;
    return edge;
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
    if (m_ioThread)
        m_ioThread->heartbeat();
}
