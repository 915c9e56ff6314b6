// What the IO thread keeps for a detection cycle that ticks late: the input words it saw change,
// in order, for the cycle's next ticks; and the outputs the cycle keeps ready for a mould opening,
// which the IO thread applies by itself at the opening edge while the cycle is late and holds until
// the cycle has taken that edge. Shared by the GUI thread and the IO thread: every call is made
// with ioMutex held (IOWordLock), so a change and the board's input word move together.
#pragma once

#include <QtGlobal>

class CycleHandover {
public:
    // Changes kept at most. While full, further changes fold into the newest entry, which then
    // remembers the rises and falls it swallowed: no activation edge is ever lost, only the order
    // of the folded changes.
    static constexpr int kCapacity = 32;
    static constexpr int kInputs = 10;
    static_assert(kCapacity >= 2, "folding needs the entry before the newest");

    struct Change {
        quint32 word = 0;       // input bits after the change
        // Bits that rose (fell) at some step inside a folded entry, whatever `word` shows at its end.
        quint32 rose = 0;
        quint32 fell = 0;
        qint64 atMs = 0;        // IO thread clock when the change came
        bool withdrew = false;  // the IO thread applied the opening outputs at this change
    };

    // What a mould opening on one board input does to the outputs: bits of `mask` take the
    // levels of `levels`. Unarmed: the opening changes nothing (detection stopped, pulse mode...).
    struct Opening {
        bool armed = false;
        bool activeLow = false;
        quint32 mask = 0;
        quint32 levels = 0;
    };

    // IO thread: the board's inputs became `word` at `atMs`.
    void keep(quint32 word, qint64 atMs);
    // IO thread, right after keep(): when `before` -> `after` is the activation edge of an armed
    // opening, applies its outputs to `published`, holds them there and marks the change. Returns
    // the board input (0-based) that opened, or -1.
    int applyOpening(quint32 before, quint32 after, quint32* published);

    // GUI thread: the oldest kept change, or false when none is kept.
    bool take(Change* change);
    // The input word at `atMs`, as far as the kept changes tell, starting from `taken`.
    quint32 wordAt(const Change& taken, qint64 atMs) const;
    // GUI thread: the outputs of a mould opening on each board input.
    void setOpenings(const Opening (&openings)[kInputs]);

    // `word` with the held opening outputs applied.
    quint32 withHold(quint32 word) const { return (word & ~m_holdMask) | (m_holdLevels & m_holdMask); }
    bool holding() const { return m_holdMask != 0; }
    // Changes kept and not yet taken.
    int kept() const { return m_count; }
    // A change at which the IO thread applied the opening outputs is still kept.
    bool withdrawalWaiting() const;
    void releaseHold();

private:
    Change& at(int i) { return m_changes[(m_first + i) % kCapacity]; }
    const Change& at(int i) const { return m_changes[(m_first + i) % kCapacity]; }

    Change m_changes[kCapacity];
    int m_first = 0;
    int m_count = 0;
    Opening m_openings[kInputs];
    quint32 m_holdMask = 0;
    quint32 m_holdLevels = 0;
};
