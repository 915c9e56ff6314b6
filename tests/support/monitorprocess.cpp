#include "tests/support/monitorprocess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QThread>

namespace {

const int kScreenWidth = 1920;
const int kScreenHeight = 1080;

}  // namespace

MonitorProcess::MonitorProcess()
    : m_env(QProcessEnvironment::systemEnvironment())
{
}

MonitorProcess::~MonitorProcess()
{
    stop();
    if (m_xvfb) {
        m_xvfb->kill();
        m_xvfb->waitForFinished(5000);
    }
}

bool MonitorProcess::start(int timeoutMs)
{
    // Xvfb picks a free display number and writes it to its standard output. Without -noreset it
    // resets whenever its last client leaves, and a client that connects during the reset is
    // turned away: an xdotool call that ends while the program is still loading Qt would make the
    // program's own connection fail on a busy machine.
    m_xvfb = std::make_unique<QProcess>();
    m_xvfb->start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                                           QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                                           QStringLiteral("0"),
                                           QStringLiteral("%1x%2x24").arg(kScreenWidth).arg(kScreenHeight)});
    if (!m_xvfb->waitForStarted(timeoutMs))
        return false;
    QElapsedTimer clock;
    clock.start();
    QByteArray number;
    while (!number.contains('\n') && clock.elapsed() < timeoutMs) {
        m_xvfb->waitForReadyRead(100);
        number += m_xvfb->readAllStandardOutput();
    }
    if (!number.contains('\n'))
        return false;
    m_display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());

    QProcessEnvironment env = m_env;
    // Never port 502 of the machine the tests run on.
    if (!env.contains(QStringLiteral("MONITOR_MODBUS_PORT")))
        env.insert(QStringLiteral("MONITOR_MODBUS_PORT"), QString::number(freeTcpPort()));
    m_modbusPort = env.value(QStringLiteral("MONITOR_MODBUS_PORT")).toInt();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("MONITOR_DRY_RUN"), QStringLiteral("1"));
    m_program = std::make_unique<QProcess>();
    m_program->setProcessEnvironment(env);
    m_program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_program->setStandardOutputFile(QProcess::nullDevice());
    m_program->start(QStringLiteral(MONITOR_BINARY_DIR "/mould-monitor"), m_arguments);
    return m_program->waitForStarted(timeoutMs);
}

QString MonitorProcess::xdotool(const QStringList& arguments) const
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral("xdotool"), arguments);
    tool.waitForFinished(5000);
    return QString::fromLatin1(tool.readAllStandardOutput()).trimmed();
}

bool MonitorProcess::answerStartupQuestion(const QString& key, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    // Until the window is built the only full-screen window that can hold the focus is the box.
    const QRegularExpression fullScreen(QStringLiteral("Geometry: %1x%2").arg(kScreenWidth).arg(kScreenHeight));
    while (clock.elapsed() < timeoutMs && isRunning()) {
        const QString focus = xdotool({QStringLiteral("getwindowfocus")});
        if (!focus.isEmpty() && fullScreen.match(xdotool({QStringLiteral("getwindowgeometry"), focus})).hasMatch()) {
            xdotool({QStringLiteral("key"), key});
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}

void MonitorProcess::click(const QPoint& at) const
{
    xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"),
             QStringLiteral("1")});
}

bool MonitorProcess::clickInBox(const QSize& size, const QPoint& offset, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    // "  Position: 660,330 (screen: 0)" and "  Geometry: 600x420".
    const QRegularExpression position(QStringLiteral("Position: (\\d+),(\\d+)"));
    const QString geometry = QStringLiteral("Geometry: %1x%2").arg(size.width()).arg(size.height());
    while (clock.elapsed() < timeoutMs && isRunning()) {
        const QString focus = xdotool({QStringLiteral("getwindowfocus")});
        if (!focus.isEmpty()) {
            const QString where = xdotool({QStringLiteral("getwindowgeometry"), focus});
            const QRegularExpressionMatch match = position.match(where);
            if (where.contains(geometry) && match.hasMatch()) {
                click(QPoint(match.captured(1).toInt(), match.captured(2).toInt()) + offset);
                return true;
            }
        }
        QThread::msleep(100);
    }
    return false;
}

int MonitorProcess::freeTcpPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool MonitorProcess::isRunning() const
{
    return m_program && m_program->state() == QProcess::Running;
}

qint64 MonitorProcess::pid() const
{
    return m_program ? m_program->processId() : 0;
}

qint64 MonitorProcess::residentKiB() const
{
    if (!isRunning())
        return 0;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid()));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QRegularExpression rss(QStringLiteral("VmRSS:\\s+(\\d+) kB"));
    const QRegularExpressionMatch match = rss.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : 0;
}

int MonitorProcess::waitForExit(int timeoutMs)
{
    if (!m_program || !m_program->waitForFinished(timeoutMs) || m_program->exitStatus() != QProcess::NormalExit)
        return -1;
    return m_program->exitCode();
}

void MonitorProcess::stop()
{
    if (!m_program)
        return;
    if (m_program->state() != QProcess::NotRunning) {
        m_program->kill();
        m_program->waitForFinished(5000);
    }
    m_program.reset();
}
