// The IO board simulator run as a child process, with its report lines ("machine: cycle N, mould
// open", "machine: mould closes", "outputs 0x3FE", ...) collected as they come.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

class BoardSimProcess {
public:
    BoardSimProcess() = default;
    BoardSimProcess(const BoardSimProcess&) = delete;
    BoardSimProcess& operator=(const BoardSimProcess&) = delete;
    ~BoardSimProcess()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }
    // Starts the simulator with `arguments`; the lines arrive while the caller's event loop runs.
    bool startSimulator(const QStringList& arguments)
    {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] {
            m_pending += QString::fromLatin1(m_process.readAllStandardOutput());
            int eol;
            while ((eol = m_pending.indexOf(QLatin1Char('\n'))) >= 0) {
                m_lines << m_pending.left(eol).trimmed();
                m_pending.remove(0, eol + 1);
            }
        });
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(MONITOR_BINARY_DIR "/tools/ioboard-sim/ioboard-sim"), arguments);
        m_process.closeWriteChannel();
        return m_process.waitForStarted(10000);
    }
    int lineCount() const { return m_lines.size(); }

protected:
    QStringList m_lines;

private:
    QProcess m_process;
    QString m_pending;
};
