// The single full-screen main window: owns the screens, the camera views and the timers of the
// machine cycle, and holds the cycle's state and the operator's login level. GUI thread only.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class CammerWidget;
class QTimer;

class MoJuWizard : public QWidget {
    Q_OBJECT

public:
    // Needs the loaded parameters (activeParams).
    explicit MoJuWizard(QWidget* parent = nullptr);

    // A press on the window hides the on-screen pads that are open; the press is not consumed.
    bool eventFilter(QObject* watched, QEvent* event) override;

    // 2 at once when password protection is off; else the login level when someone is logged
    // in; else the password box is shown modally and the level it left is returned (0 refused).
    int checkPassword();
    // True at service level; else the password box is shown and the answer is whether the
    // service level was reached.
    bool checkAdvancedUser();

    // Appends one row to the day's operation log (time, login level text, remark); defined
    // together with the operation log.
    void InsertRecord(QString remark);
    // Appends one temperature reading of the current round for the Modbus registers.
    void appendModbusValue(int value);

    // Camera view of camera i; null at and beyond cameraCount.
    CammerWidget* cameraViews[8] = {};
    // The screen saver has switched the backlight off; written only by setScreenPower and here.
    int backlightOff = 0;
    // Detect of the current round; the detection engine reads it through mainWindow.
    int curDet = 0;
    // Temperature readings of the current round in the order the temperature regions were
    // inspected (the detection engine appends them).
    QList<int> modbusValues;
    // Edit field the on-screen keypads type into; written only by the edit widget.
    QWidget* currentEdit = nullptr;
    // 0 not logged in, 1 user password, 2 service password.
    int loginLevel = 0;
    // Two-station machines: 1 the first station (detects 0 and 1), 0 the second (2 and 3).
    int station = 1;

    // Restarted on every touch with the auto-logout time; its timeout logs the operator out.
    QTimer* logoutTimer = nullptr;
    // Restarted on every touch with the screen-off time; its timeout darkens the screen.
    QTimer* screenOffTimer = nullptr;

public slots:
    // The operator was idle for the auto-logout time: back to no login.
    void TimerLogout();
    // The screen was idle for the screen-off time: backlight off until the next touch.
    void TimerLCD();
};
