// Waiting in tests while the GUI event loop runs: queued signals, timers and modal boxes go on.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

// Deadline of a wait for something that must happen: long enough for a loaded two-core machine
// running tests in parallel, and only ever spent by a test that fails anyway (ms).
constexpr int kPatientWaitMs = 20000;

// Runs the GUI event loop until `done` holds or `timeoutMs` passes; false on timeout.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return true;
}
