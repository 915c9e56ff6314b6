// The single full-screen main window: owns the screens, the camera views and the timers of the
// machine cycle, and holds the cycle's state and the operator's login level. GUI thread only.
#pragma once

#include <QDir>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QWidget>

class CammerWidget;
class ModbusServer;
class QTimer;

class MoJuWizard : public QWidget {
    Q_OBJECT

public:
    // Needs the loaded parameters (activeParams).
    explicit MoJuWizard(QWidget* parent = nullptr);
    // The program never destroys its window; tests do. Releases the records' connections and
    // the Modbus server.
    ~MoJuWizard() override;

    // A press on the window hides the on-screen pads that are open; the press is not consumed.
    bool eventFilter(QObject* watched, QEvent* event) override;

    // 2 at once when password protection is off; else the login level when someone is logged
    // in; else the password box is shown modally and the level it left is returned (0 refused).
    int checkPassword();
    // True at service level; else the password box is shown and the answer is whether the
    // service level was reached.
    bool checkAdvancedUser();

    // Makes RECORD.db with table RECORD and its automatic first row; true when the table
    // statement ran.
    bool createRecordTable();
    // Appends one temperature reading of the current round for the Modbus registers.
    void appendModbusValue(int value);
    // Counter registers 50..103: per camera in use, then over all cameras; each 32-bit value
    // high word first, every value's two halves published together.
    void writeCountersToModbus();
    // The round's temperature readings into registers 200 + 2j, 201 + 2j, as far as the table
    // reaches.
    void writeValuesToModbus();
    // Lets go of the cameras, port 502 and the IO board's serial port, then starts the program
    // anew and quits (a dry run only records the start). Used after a parameter group has been
    // copied into the working directory and the databases have been closed.
    void restartProgram();

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

    // The Modbus-TCP server; no parent, kept for the life of the process.
    ModbusServer* modbusServer = nullptr;
    // Connection "dbRecord" on RECORD.db, the open operation log; reopened on demand.
    QSqlDatabase recordDb;
    // ./RECORD, the archive of past days' operation logs, and ./ResStatistics, that of the
    // hourly statistics.
    QDir recordDir;
    QDir statisticsDir;
    // Day of the open operation log, "yyyy-MM-dd" (time.txt).
    QString recordDate;
    // Every 60 s: the daily rotation of the operation log.
    QTimer* dateTimer = nullptr;

public slots:
    // The operator was idle for the auto-logout time: back to no login.
    void TimerLogout();
    // The screen was idle for the screen-off time: backlight off until the next touch.
    void TimerLCD();

    // Appends one row to the day's operation log: time "hh.mm.ss", login level text, remark.
    void InsertRecord(QString s);
    // Deletes every row of the open operation log.
    void ClearRecord();
    // Daily rotation: on a new date the open log goes to ./RECORD/<its date>.db and a new one
    // starts.
    void SlotCheckDate();
    // Closes the parameter database and the operation log before a restart, power-off or exit.
    void FLushAll();
    // The counters from count.txt (all 0 when it cannot be read), and back.
    void CountRead();
    void CountWrite();
    // A Modbus client wrote these write registers: 0 clears the counters, 1 switches the
    // parameter group. Handled in list order.
    void SlotModbusDataChange(QList<int> chg_WriteData_index);

private:
    // The construction steps of the operation log, counters, statistics store and Modbus server.
    void setUpRecords();
    void clearCounters();
    // Restores group `index` and restarts the program; false (nothing changed) when the index is
    // the current one or names no group with a usable parameter database.
    bool switchParaGroup(int index);
};
