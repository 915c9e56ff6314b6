// The detection cycle's view of the machine: keeps the wanted output word with the outputs' rest
// levels, turns the board's input bits into edges with their polarity, and owns the IO thread.
// Every operation runs in the GUI thread.
#pragma once

#include <QObject>

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
    // Output i: its level (1 = high). Input i: its logical state, polarity applied, as taken at the
    // last inputEdge call.
    bool readBit(bool isOutput, int i) const;
    // The detection cycle is alive; called at the end of every tick.
    void heartbeat();

    quint32 outputs() const { return outputWord; }

signals:
    // A newly published output word differs from the last published one.
    void sigIOChange();

private:
    quint32 restBit(int i) const;
    bool inputActiveLow(int i) const;
    void releaseDoor();

    // Input level seen at the previous inputEdge call, per input.
    quint8 prevInput[16] = {};
    // Wanted output levels; bits 10..31 stay 1.
    quint32 outputWord = 0xFFFFFFFFu;
    // Input bits as last taken from the board, spare input substituted.
    quint32 inputWord = 0;
    IOThread* m_ioThread = nullptr;
    QObject* m_cycleReceiver = nullptr;
};
