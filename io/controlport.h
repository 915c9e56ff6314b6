// The detection cycle's view of the machine: keeps the wanted output word with the outputs' rest
// levels, turns the board's input bits into edges with their polarity, and owns the IO thread.
// Every operation runs in the GUI thread.
#pragma once

#include <QObject>

#include "io/cyclehandover.h"

class IOThread;

class ControlPort : public QObject {
    Q_OBJECT

public:
    // Outputs and inputs 0..9 (1..10 on the board's terminals).
    static constexpr int kIOCount = 10;
    static constexpr int kDoorInput = 1;
    static constexpr int kAlarmOutput = 2;
    // The spare output (mirrors another output) and the spare input (stands in for input 0..2).
    static constexpr int kSpareOutput = 3;
    static constexpr int kSpareInput = 3;
    // A heartbeat that comes longer than this after the previous one is logged (ms).
    static constexpr qint64 kTickGapLogMs = 1000;

    // Opens the serial line, puts the outputs at rest and publishes them.
    explicit ControlPort(QObject* parent = nullptr);
    ~ControlPort() override;

    // Starts the IO thread polling the board with its output commands held (see
    // IOThread::holdOutputs): the window calls it before it probes the cameras, so the board is
    // polled and watched from the first second.
    void startPolling();
    // Creates and starts the IO thread (at the calling thread's priority) unless it runs, lets
    // its output commands go, and connects its sigIOChange to the main window's cycle slot Run(),
    // delivered queued in the GUI thread, unless a receiver is connected already.
    void startIOThread();
    // The same with another receiver of Run(); null connects nothing (a later call may).
    void startIOThread(QObject* cycleReceiver);
    IOThread* ioThread() const { return m_ioThread; }

    // Output i (0..9) to its active (true) or rest (false) level; the spare output follows when it
    // mirrors output i. Not published.
    void setOutput(int i, bool active);
    // Every output to its rest level. Not published.
    void resetOutputs();
    // Hands the output word to the IO thread; emits sigIOChange when it differs from the word last
    // reported.
    void publishOutputs();
    // True exactly once for each activation edge of input pos (0..7). Also watches the safety door.
    bool inputEdge(int pos);
    // Takes the input word the next inputEdge calls read: the oldest change the IO thread kept for
    // the cycle, so that a late tick handles every change in order; the board's present word when
    // none is kept. Called once at the start of a tick; without it inputEdge reads the board.
    void takeInputs();
    // How long ago (ms) the board showed the word taken last; 0 for the present word.
    qint64 takenInputsAge() const { return m_takenAge; }
    // Input i's logical state `ms` after the board showed the word taken last, as far as the kept
    // changes tell (the present state once they are all older).
    bool activeAfter(int i, qint64 ms) const;

    // Outputs of a mould opening on input pos (0..7): the bits of `mask` take the levels of
    // `levels`. The IO thread applies them by itself at the opening's edge while the cycle is late.
    struct Opening {
        quint32 mask = 0;
        quint32 levels = 0;
    };
    // Replaces the openings kept ready; `armed` bit pos says which of `openings` apply.
    void setOpenings(quint32 armed, const Opening (&openings)[8]);
    // Outputs the IO thread applied at a late opening are held on the board over what the cycle
    // publishes; `openingHeld` says so, `openingWaiting` that the change is not yet taken.
    bool openingHeld() const;
    bool openingWaiting() const;
    // The cycle has handled the opening: what it publishes goes to the board as it is. Checked
    // and done under one lock with the IO thread: while a change at which the IO thread applied
    // an opening is not yet taken (one may have come since the cycle looked), the hold stays.
    void releaseOpening();
    // Output i: its level (1 = high). Input i: its logical state, polarity applied, as taken at the
    // last inputEdge call.
    bool readBit(bool isOutput, int i) const;
    // The detection cycle is alive; called at the end of every tick.
    void heartbeat();

    quint32 outputs() const { return outputWord; }
    // Outputs 0..9 to the levels of `word` (bits 10..31 stay 1), to try what a step would set.
    // Not published.
    void setOutputWord(quint32 word) { outputWord = word | ~0x3FFu; }

signals:
    // A newly published output word differs from the last published one.
    void sigIOChange();

private:
    quint32 restBit(int i) const;
    bool inputActiveLow(int i) const;
    // The spare input put in place of the input it stands in for.
    quint32 substituteSpare(quint32 word) const;
    void releaseDoor();

    // Input level seen at the previous inputEdge call, per input.
    quint8 prevInput[16] = {};
    // Wanted output levels; bits 10..31 stay 1.
    quint32 outputWord = 0xFFFFFFFFu;
    // Input bits as last taken from the board, spare input substituted.
    quint32 inputWord = 0;
    IOThread* m_ioThread = nullptr;
    QObject* m_cycleReceiver = nullptr;
    // The change taken for this tick, and whether inputEdge reads it (GUI thread only).
    CycleHandover::Change m_taken;
    bool m_inputsTaken = false;
    qint64 m_takenAge = 0;
    // Inputs whose folded rise or fall this tick has already reported.
    quint32 m_foldedReported = 0;
};
