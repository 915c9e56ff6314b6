// Runs the built program as the plant does, on a display of its own (Xvfb), in the current
// working directory with MONITOR_DRY_RUN=1, and answers its start-up question the way an
// operator would: with a key press on the box.
#pragma once

#include <QPoint>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

class QProcess;

class MonitorProcess {
public:
    MonitorProcess();
    // Ends the program and then its display.
    ~MonitorProcess();
    MonitorProcess(const MonitorProcess&) = delete;
    MonitorProcess& operator=(const MonitorProcess&) = delete;

    // Environment of the program (the display and dry-run mode are set by start).
    void setEnv(const QString& name, const QString& value) { m_env.insert(name, value); }
    // Arguments of the program (none unless set).
    void setArguments(const QStringList& arguments) { m_arguments = arguments; }
    // Starts Xvfb (1920 x 1080) and the program; false when either does not start.
    bool start(int timeoutMs = 10000);
    // Waits until a box covering the whole screen holds the keyboard focus (the question the
    // program asks when no camera opens) and presses `key` on it; false on timeout. The start-up
    // of a program under Xvfb on a loaded machine takes well over 20 s at times.
    bool answerStartupQuestion(const QString& key = QStringLiteral("Escape"), int timeoutMs = 90000);
    // Taps the screen at `at` with the pointer (a press and release of the left button).
    void click(const QPoint& at) const;
    // Waits until a box of `size` holds the keyboard focus and taps it at `offset` from its top
    // left corner; false on timeout.
    bool clickInBox(const QSize& size, const QPoint& offset, int timeoutMs = 20000);
    // The X display the program runs on (":N"), empty before start.
    QString display() const { return m_display; }
    bool isRunning() const;
    qint64 pid() const;
    // Resident memory of the program in KiB (VmRSS), 0 when it is not running.
    qint64 residentKiB() const;
    // The Modbus-TCP port the program listens on (a free one unless the environment names one).
    int modbusPort() const { return m_modbusPort; }
    // A TCP port that is free at the moment of asking.
    static int freeTcpPort();
    // Waits up to `timeoutMs` for the program to end by itself: its exit status, or -1 when it
    // still runs or was ended by a signal.
    int waitForExit(int timeoutMs);
    // Kills the program and waits for its end.
    void stop();

private:
    // Runs xdotool on the program's display; its standard output, trimmed.
    QString xdotool(const QStringList& arguments) const;

    QProcessEnvironment m_env;
    QStringList m_arguments;
    std::unique_ptr<QProcess> m_xvfb;
    std::unique_ptr<QProcess> m_program;
    QString m_display;
    int m_modbusPort = 0;
};
