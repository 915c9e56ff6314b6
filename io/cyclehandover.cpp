#include "io/cyclehandover.h"

void CycleHandover::keep(quint32 word, qint64 atMs)
{
    if (m_count < kCapacity) {
        Change& change = at(m_count++);
        change = Change{};
        change.word = word;
        change.atMs = atMs;
        return;
    }
    // Full: the newest entry takes this change too, remembering what it passed through since the
    // entry before it (a bit low there and high at any later step rose in between).
    const quint32 before = at(m_count - 2).word;
    Change& newest = at(m_count - 1);
    newest.rose |= (newest.word & ~before) | (word & ~newest.word);
    newest.fell |= (before & ~newest.word) | (newest.word & ~word);
    newest.word = word;
}

int CycleHandover::applyOpening(quint32 before, quint32 after, quint32* published)
{
    int opened = -1;
    for (int r = 0; r < kInputs; ++r) {
        const Opening& o = m_openings[r];
        const bool was = (before >> r) & 1u;
        const bool is = (after >> r) & 1u;
        if (!o.armed || was == is || is == o.activeLow)
            continue;
        m_holdMask |= o.mask;
        m_holdLevels = (m_holdLevels & ~o.mask) | (o.levels & o.mask);
        if (opened < 0)
            opened = r;
    }
    if (opened >= 0) {
        *published = withHold(*published);
        if (m_count > 0)
            at(m_count - 1).withdrew = true;
    }
    return opened;
}

bool CycleHandover::take(Change* change)
{
    if (m_count == 0)
        return false;
    *change = at(0);
    m_first = (m_first + 1) % kCapacity;
    --m_count;
    return true;
}

quint32 CycleHandover::wordAt(const Change& taken, qint64 atMs) const
{
    quint32 word = taken.word;
    for (int i = 0; i < m_count && at(i).atMs <= atMs; ++i)
        word = at(i).word;
    return word;
}

void CycleHandover::setOpenings(const Opening (&openings)[kInputs])
{
    for (int r = 0; r < kInputs; ++r)
        m_openings[r] = openings[r];
}

bool CycleHandover::withdrawalWaiting() const
{
    for (int i = 0; i < m_count; ++i) {
        if (at(i).withdrew)
            return true;
    }
    return false;
}

void CycleHandover::releaseHold()
{
    m_holdMask = 0;
    m_holdLevels = 0;
}
