#include "tests/support/ptypair.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

PtyPair::PtyPair() = default;

PtyPair::~PtyPair()
{
    if (m_socat && m_socat->state() != QProcess::NotRunning) {
        m_socat->terminate();
        if (!m_socat->waitForFinished(3000)) {
            m_socat->kill();
            m_socat->waitForFinished(3000);
        }
    }
}

bool PtyPair::start(int timeoutMs)
{
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/pty-pair-XXXXXX"));
    if (!m_dir->isValid())
        return false;
    m_hostEnd = m_dir->filePath(QStringLiteral("host"));
    m_deviceEnd = m_dir->filePath(QStringLiteral("device"));
    m_socat = std::make_unique<QProcess>();
    m_socat->setStandardErrorFile(m_dir->filePath(QStringLiteral("socat.log")));
    m_socat->start(QStringLiteral("socat"),
                   { QStringLiteral("-d"), QStringLiteral("-d"),
                     QStringLiteral("pty,raw,echo=0,link=%1").arg(m_hostEnd),
                     QStringLiteral("pty,raw,echo=0,link=%1").arg(m_deviceEnd) });
    if (!m_socat->waitForStarted(timeoutMs))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (QFileInfo::exists(m_hostEnd) && QFileInfo::exists(m_deviceEnd))
            return true;
        if (m_socat->state() == QProcess::NotRunning)
            return false;
        QThread::msleep(10);
    }
    return false;
}
