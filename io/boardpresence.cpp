#include "io/boardpresence.h"

void BoardPresence::resume(qint64 now)
{
    m_lastFrame = now;
    m_lastPoll = now - kLostPollMs;
    if (!m_resumed)
        m_garbageSince = now;
    m_resumed = true;
}

BoardPresence::Change BoardPresence::frameReceived(qint64 now)
{
    m_lastFrame = now;
    if (m_answering.load())
        return Change::None;
    m_answering.store(true);
    return Change::Back;
}

BoardPresence::Change BoardPresence::check(qint64 now)
{
    if (!m_answering.load() || now - m_lastFrame < kLostAfterMs)
        return Change::None;
    m_answering.store(false);
    return Change::Lost;
}

bool BoardPresence::pollDue(qint64 now)
{
    if (m_answering.load() || now - m_lastPoll >= kLostPollMs) {
        m_lastPoll = now;
        return true;
    }
    return false;
}

qint64 BoardPresence::takeGarbageReport(qint64 now)
{
    if (now - m_garbageSince < kGarbageReportMs)
        return 0;
    const qint64 bytes = m_garbage;
    m_garbage = 0;
    m_garbageSince = now;
    return bytes;
}
