#include "core/repeatgate.h"

#include <algorithm>
#include <limits>
#include <utility>

RepeatGate::RepeatGate(int windowMs, QObject* parent)
    : QObject(parent)
    , m_windowMs(windowMs)
{
    m_clock.start();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &RepeatGate::closeEndedWindows);
}

QString RepeatGate::summary(const QString& text, int repeats)
{
    return QStringLiteral("%1 ×%2").arg(text).arg(repeats);
}

bool RepeatGate::post(const QString& kind, const QString& text, const Writer& write)
{
    const qint64 now = m_clock.elapsed();
    auto it = m_windows.find(kind);
    if (it != m_windows.end() && now - it->startMs < m_windowMs) {
        ++it->repeats;
        it->lastText = text;
        it->write = write;
        return false;
    }
    if (it != m_windows.end()) {
        // Its window ended before the timer came round.
        if (it->repeats > 0)
            it->write(summary(it->lastText, it->repeats));
        m_windows.erase(it);
    }
    m_windows.insert(kind, Window{now, 0, QString(), Writer()});
    write(text);
    // Windows all last as long, so one that runs already ends first.
    if (!m_timer.isActive())
        scheduleTimer();
    return true;
}

void RepeatGate::flush()
{
    const QHash<QString, Window> windows = std::exchange(m_windows, {});
    m_timer.stop();
    for (const Window& window : windows)
        if (window.repeats > 0)
            window.write(summary(window.lastText, window.repeats));
}

void RepeatGate::closeEndedWindows()
{
    const qint64 now = m_clock.elapsed();
    for (auto it = m_windows.begin(); it != m_windows.end();) {
        if (now - it->startMs >= m_windowMs) {
            const Window ended = *it;
            it = m_windows.erase(it);
            if (ended.repeats > 0)
                ended.write(summary(ended.lastText, ended.repeats));
        } else {
            ++it;
        }
    }
    scheduleTimer();
}

void RepeatGate::scheduleTimer()
{
    if (m_windows.isEmpty()) {
        m_timer.stop();
        return;
    }
    qint64 firstEnd = std::numeric_limits<qint64>::max();
    for (const Window& window : qAsConst(m_windows))
        firstEnd = std::min(firstEnd, window.startMs + m_windowMs);
    const qint64 wait = std::max<qint64>(0, firstEnd - m_clock.elapsed());
    if (!m_timer.isActive() || m_timer.remainingTime() > wait)
        m_timer.start(int(std::min<qint64>(wait, std::numeric_limits<int>::max())));
}
