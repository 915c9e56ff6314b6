// The application object: the QApplication of the monitor, through which every event of the
// program passes before it is delivered. Each press restarts the main window's auto-logout and
// screen-off timers, and a press on the dark screen only switches the backlight back on.
#pragma once

#include <QApplication>

class QTimer;

class MApplication : public QApplication {
    Q_OBJECT

public:
    MApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Child of the application object. Nothing starts it; a release stops it while it runs.
    QTimer* longPressTimer = nullptr;
    // Set when a long press has shown the touch-calibration notice.
    bool calibrationPromptShown = false;

public slots:
    // The long-press timer ran out: with the simulated cameras standing in, tells the operator
    // to let go for the touch calibration.
    void onLongPress();

private:
    // Logs, restarts the idle timers and wakes the screen; true when the press must not be
    // delivered (it only woke the screen).
    bool handlePress(QObject* receiver, QEvent* event);
};
