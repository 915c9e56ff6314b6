#include "core/mapplication.h"

#include "core/globals.h"
#include "core/platformutils.h"
#include "core/systemparam.h"
#include "mainwindow/mojuwizard.h"
#include "widgets/warnbox.h"

#include <QDateTime>
#include <QDebug>
#include <QEvent>
#include <QTimer>

namespace {

// Presses closer together than this share one log line.
constexpr qint64 kTouchLogIntervalMs = 1000;

// Restarts an idle timer with `seconds` (0 = that idle action is off: the timer is left alone).
void restartIdleTimer(QTimer* timer, int seconds)
{
    if (timer && seconds > 0)
        timer->start(seconds * 1000);
}

}  // namespace

MApplication::MApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    longPressTimer = new QTimer(this);
    connect(longPressTimer, &QTimer::timeout, this, &MApplication::onLongPress);
}

bool MApplication::notify(QObject* receiver, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (handlePress(receiver, event))
            return true;
        break;
    case QEvent::MouseButtonRelease:
        if (!calibrationPromptShown && longPressTimer->isActive())
            longPressTimer->stop();
        break;
    default:
        break;
    }
    return QApplication::notify(receiver, event);
}

bool MApplication::handlePress(QObject* receiver, QEvent* event)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - lastTouchLogTime > kTouchLogIntervalMs) {
        qInfo().noquote() << "MApplication::notify touch once!" << (receiver ? receiver->objectName() : QString())
                          << event;
        lastTouchLogTime = now;
    }

    // Presses reach the timers and the backlight only once the main window exists; both belong
    // to the GUI thread, which is the only thread that delivers presses.
    if (activeParams && mainWindow) {
        restartIdleTimer(mainWindow->logoutTimer, activeParams->autoLogoutSeconds);
        restartIdleTimer(mainWindow->screenOffTimer, activeParams->screenOffSeconds);
    }
    if (mainWindow && mainWindow->backlightOff) {
        // The first press on the dark screen only wakes it: no widget sees it, so a button under
        // the glove is not pressed blindly.
        setScreenPower(true);
        return true;
    }
    return false;
}

void MApplication::onLongPress()
{
    longPressTimer->stop();
    if (!simulatedCameraFlag)
        return;
    calibrationPromptShown = true;
    Warnbox box;
    box.setText(tableText(370));
    box.exec();
}
