// The single full-screen main window: owns the screens, the camera views and the timers of the
// machine cycle, and holds the cycle's state and the operator's login level. GUI thread only.
#pragma once

#include "view/camerareportrow.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QList>
#include <QRgb>
#include <QSqlDatabase>
#include <QString>
#include <QVector>
#include <QWidget>

class CameraWgtBox;
class CammerWidget;
class ColorButton;
class CustomIONameWidget;
class WidgetChangeCamera;
class DottomDockWidget;
class DrawROIWidget;
class HardwareConfigurationWidget;
class HelpWidget;
class ImagePickForm;
class MenuBtnWidget;
class ModbusServer;
class QHBoxLayout;
class RepeatGate;
class QMouseEvent;
class QTimer;
class WizardParaWidget;
enum class CheckCount;
namespace ParaGroups {
enum class RestoreFailure;
}

class MoJuWizard : public QWidget {
    Q_OBJECT

public:
    // Detects and cameras the window keeps state for, whatever the machine type.
    static constexpr int kDetects = 8;
    static constexpr int kCameras = 8;

    // The second half of start-up: opens the cameras (two simulated ones when none opens, after
    // asking whether to clear the stored serial numbers), builds a view per camera, the IO port
    // with the clamp prohibited, the Modbus server, the per-camera folders and the timers, and
    // puts the machine into the detecting state. Needs the loaded parameters (activeParams).
    explicit MoJuWizard(QWidget* parent = nullptr);
    // The program never destroys its window; tests do. Releases the records' connections and
    // the Modbus server.
    ~MoJuWizard() override;

    // A press on the window hides the on-screen pads that are open; the press is not consumed.
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Pushes screen state `state` (alarmState's values) to the panels: states 2 (NG alarm) and
    // 3 (region editing) hide the bottom bar and show the region page of the side panel, every
    // other state shows the bottom bar and the main menu.
    void applyAlarmState(int state);
    // Every camera view restarts grabbing with the acquisition speed of the parameters.
    void restartGrabbing();
    // Enabled cameras from the active parameters into the camera area, laid out with equal
    // sizes; all cameras shown, pan and zoom reset.
    void applyCameraEnable();
    // Every view stops grabbing and closes its camera (before a restart of the program or the
    // machine).
    void closeCameras();

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
    // The current parameter group's index into read register 2 (after a group was deleted or
    // backed up while the program runs).
    void writeParaGroupToModbus();
    // Lets go of the cameras, port 502 and the IO board's serial port, then starts the program
    // anew and quits (a dry run only records the start). Used after a parameter group has been
    // copied into the working directory and the databases have been closed.
    void restartProgram();
    // Every counter to 0, into the Modbus registers, logged, and written to count.txt.
    void clearCounters();
    // Makes group `index` of the store the current one: its files swapped in for the working
    // ones (ParaGroups::restoreGroup), its index into sysadd.txt, logged, databases closed, and
    // the program restarted. False when `index` names no group, its parameter database is not
    // sound, or it could not be copied or swapped in: the working files and the index are then
    // as they were, nothing restarts, and the reason is logged and put into `failure`.
    bool restoreParaGroup(int index, QString* failure = nullptr);

    // The camera area: one cell per camera with its view, title and result table.
    CameraWgtBox* cameraBox = nullptr;
    // Camera view of camera i, taken from cameraBox; null at and beyond cameraCount.
    CammerWidget* cameraViews[kCameras] = {};
    // The bottom bar ("pWgtDottomDock"), the side panel at the right of the camera area, and the
    // side panel's region and template page.
    DottomDockWidget* bottomBar = nullptr;
    MenuBtnWidget* sideMenu = nullptr;
    DrawROIWidget* regionPanel = nullptr;
    // The region editor's image source picker ("pImgForm"): a hidden window without parent.
    ImagePickForm* imagePicker = nullptr;
    // The Modbus-TCP server; no parent, kept for the life of the process.
    ModbusServer* modbusServer = nullptr;
    // Log lines and operation-log rows of the remote commands: a command a client repeats
    // (a group that does not exist, written on every scan) is noted once a minute with the
    // number of repeats. A child of the window.
    RepeatGate* modbusNotes = nullptr;
    // The IO name dialog, hidden until the settings wizard shows it.
    CustomIONameWidget* ioNameDialog = nullptr;
    // The older settings screen, the picture help and the hardware-information page: built
    // hidden; only the hardware page's confirm shows the wizard.
    WizardParaWidget* wizardWidget = nullptr;
    HelpWidget* helpWidget = nullptr;
    HardwareConfigurationWidget* hardwareWidget = nullptr;
    // The camera order dialog, hidden until the settings wizard shows it.
    WidgetChangeCamera* cameraOrderDialog = nullptr;
    // Camera shown large; equal to cameraCount means all cameras.
    int shownCamera = 0;
    // The no-input warning is on screen.
    bool noInputWarned = false;
    // Result-picture folders, index camera * 16 + detect * 2 + (0 NG, 1 OK).
    QDir imageDirs[kCameras * kDetects * 2];

    // The timers of the cycle (children of the window). The single-shot cycle tick; the no-input
    // watch; the 3 s region hint; the 2 s result display; the input confirmations; the check
    // countdowns (100 ms steps); the alarm pulse (single-shot); the delayed output 4; the pulse
    // of NG region outputs; the timed clamp and ejector cuts; auto-logout; the LED blink (1 s);
    // the screen saver.
    QTimer* runTimer = nullptr;
    QTimer* noInputTimer = nullptr;
    QTimer* hintTimer = nullptr;
    QTimer* resultTimer = nullptr;
    QTimer* inputConfirmTimers[8] = {};
    QTimer* delayTimers[8] = {};
    QTimer* alarmPulseTimer = nullptr;
    QTimer* out5Timers[8] = {};
    QTimer* outNgTimer = nullptr;
    QTimer* clampCutTimer = nullptr;
    QTimer* ejectorCutTimer = nullptr;
    // Restarted on every touch with the auto-logout time; its timeout logs the operator out.
    QTimer* logoutTimer = nullptr;
    QTimer* fpsTimer = nullptr;
    // Restarted on every touch with the screen-off time; its timeout darkens the screen.
    QTimer* screenOffTimer = nullptr;
    // 30 s after the last press of a zoom or pan button the buttons fold back to zoom-in alone.
    QTimer* zoomHideTimer = nullptr;

    // Seconds left of the countdown of detect k (drawn by the camera titles).
    float remaining[kDetects] = {};
    // The screen saver has switched the backlight off; written only by setScreenPower and here.
    int backlightOff = 0;
    // Detect requested by a manual capture; detectsPerCamera means none.
    int manualTrig = 0;
    // Per detect parity: bit c set while camera c still has to run that check in this cycle.
    int pendingCams[kDetects] = {};
    // Image-record state per camera and detect: 0 idle, 1 armed, 2 OK picture to save, 3 NG
    // picture waiting for the alarm to be cleared, 4 to 6 alarm cleared (skip mould, template
    // added, re-check switched to the cavity), 7 re-check requested, 8 re-checked picture being
    // annotated, 9 NG picture to save, 10 NG picture and re-checked OK picture to save.
    int recState[kCameras][kDetects] = {};
    // Opaque grey colour table for 8-bit pictures: entry i is (i, i, i).
    QVector<QRgb> greyTable;
    // Detect of the current round; the detection engine reads it through mainWindow.
    int curDet = 0;
    // Temperature readings of the current round in the order the temperature regions were
    // inspected (the detection engine appends them).
    QList<int> modbusValues;
    // curDet when the result display started.
    int shownDetect = 0;
    // Detect and drawing mode of the region editor (0 none, 1 rectangle, 2 polygon or free-hand,
    // 4 circle; one shape, then back to 0).
    int editDetect = 0;
    int drawMode = 0;
    // Drawing mode 2 collects a free-hand stroke instead of a polygon by clicks.
    bool freeHand = false;
    // The next press on the editing view places a copy of the selected region.
    bool copyPending = false;
    // Edit field the on-screen keypads type into; written only by the edit widget.
    QWidget* currentEdit = nullptr;
    // 1 detecting, 2 template sampling, 3 stopped.
    int runState = 1;
    // 0 none, 1 result shown (2 s), 2 NG alarm, 3 region review or editing.
    int alarmState = 0;
    // 1 a countdown runs, 2 detected, 3 idle (drawn by the camera titles).
    int phase = 3;
    // 0 not logged in, 1 user password, 2 service password.
    int loginLevel = 0;
    // Two-station machines: 1 the first station (detects 0 and 1), 0 the second (2 and 3).
    int station = 1;
    // Detect whose countdown starts on the next input trigger regardless of its trigger input.
    int forcedDetect = -1;
    // 1 while the safety door runs the cavity check.
    int safetyTrig = 0;
    // Save every inspected frame as a test picture.
    bool saveAllFlag = false;
    // Outputs chosen by NG regions of the product check.
    bool cutFlags[10] = {};
    // Re-checks left for detect parity 0 and 1 in this cycle.
    int retry[2] = {};
    // An NG round with re-checks left waits for its re-check.
    int reDetectPending = 0;
    // Duration of the last machine cycle, and the time of the last cycle start, in 0.1 s (the
    // start on cycleClock(), which a change of the system clock does not move).
    int lastCycle = 0;
    qint64 cycleStamp = 0;
    static qint64 cycleClock();
    // Round start of the machine's present cycle (a manual capture's round has its own).
    QDateTime cycleRoundStart;
    // Camera c had an NG round in this cycle.
    bool cycleNgCam[kCameras] = {};
    // Input treated as triggered on the next tick; -1 none.
    int forcedInput = -1;
    // The running round was started by a manual capture (not counted).
    bool manualRound = false;
    // Confirmed input event waiting for the next tick.
    bool inEvt[8] = {};
    // The last evaluated round had an NG camera.
    bool lastRoundNg = false;
    // False while a camera is lost.
    bool camerasOk = true;
    // Pan and zoom of the camera area, and the last inspected image point.
    double panX = 0;
    double panY = 0;
    double scaleX = 1.0;
    double scaleY = 1.0;
    int zoomCentreX = 0;
    int zoomCentreY = 0;
    // Zoom and pan buttons: 0 hidden, 1 only the zoom-in button shown, 2 all shown.
    int zoomButtons = 1;
    // The seven zoom and pan buttons at the left edge of the camera area, top to bottom.
    ColorButton* zoomInButton = nullptr;
    ColorButton* recoveryButton = nullptr;
    ColorButton* zoomOutButton = nullptr;
    ColorButton* panUpButton = nullptr;
    ColorButton* panDownButton = nullptr;
    ColorButton* panLeftButton = nullptr;
    ColorButton* panRightButton = nullptr;

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
    // Puts the machine into the detecting state: outputs at rest (ejector cut where the
    // parameters want it while clamping), alarm and re-checks cleared, every view's results OK.
    void StartDetect();
    // Outputs at rest, the clamp prohibited when the parameters want it while stopped, then
    // SetStopDetect.
    void StopDetect();
    // Detection stopped without touching the outputs: pending cameras of the current check and
    // the running countdowns cleared.
    void SetStopDetect();

    // ---- Operator commands (mojuwizard_commands.cpp) ----
    // Pan by one step of the present scale: up, down, left, right.
    void SlotMoveT();
    void SlotMoveB();
    void SlotMoveL();
    void SlotMoveR();
    // One zoom step about the last inspected point (zoomCentreX, zoomCentreY): in for delta > 0,
    // out for delta < 0 (back at 1 below 1.1); delta 0 or both scales at 1 reset pan and zoom.
    void MScale(int delta);
    // The first press unfolds all zoom and pan buttons, later presses zoom in.
    void MEnlargeScale();
    // Pan and zoom back to the whole picture.
    void MRecovery();
    void MReductionScale();
    // 30 s without a press: the buttons fold back to zoom-in alone.
    void MTimerScale();
    // Resets pan and zoom and shows camera shownCamera large, or all cameras.
    void ChangeCammer();
    // The bottom bar's start/stop button: starts detection when stopped; otherwise, behind the
    // password and a question, stops it. Logged, and shown on the LED2 pair.
    void SlotStartStop();
    // The bottom bar's re-sample button: behind the password and a question, every enabled
    // detect of every camera takes a new template 0 at its next check.
    void SlotReTrain();
    // Manual capture of detect n (0 product, 1 cavity): runs at the next tick; a simulated
    // camera loads its next picture first.
    void SlotManualTrig(int n);
    // The side menu's "温度波形图": with the chart on and today's results loaded, the chart
    // screen in real time, shown without blocking; otherwise a box says why not.
    void SlotTemperatureChart();
    // The side menu's region settings: behind the password, the region editor opens on the
    // templates.
    void SlotAdjustArea();
    // The side menu's settings button: behind the password (a service login drops to the user
    // level first), the settings dialog on a fresh edit copy, modal; not during an alarm.
    void SlotSystemPara();
    // Every second: LED2 green blinks while detecting and is dark while stopped.
    void SlotFPS();
    // Ends the 3 s region hint.
    void SlotDrawHint();

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
    // Shows the picture help on the page it was left at.
    void SlotHelp();
    // Modbus clients wrote these write registers since the last call: 0 clears the counters,
    // 1 switches the parameter group to the register's latest value. Handled in the order they
    // were first written, each register once however often it was written.
    void SlotModbusDataChange(QList<int> chg_WriteData_index);
    // The side menu's statistics command: the statistics screen reset to today and run modally,
    // when statistics are on and the result store has read today's rows; else the reason.
    void SlotShowStatisticsWidget();

protected:
    // A release anywhere on the window takes the keyboard focus, so the edit that had it closes
    // its pad.
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QTimer* makeTimer(int intervalMs, bool singleShot = false);
    // The picker's signals to the region panel, the panel's captions to the camera titles, and
    // the side menu's region settings button.
    void connectRegionEditor();
    // The seven zoom and pan buttons over the camera area, with their timer.
    void makeZoomButtons();
    // All seven zoom and pan buttons (zoomButtons 2), or zoom-in alone (1).
    void showZoomButtons(bool all);
    // Restarts the 30 s fold-back of the zoom and pan buttons.
    void restartZoomHideTimer();
    // An editing screen is open (the region panel); with `orDialogs` also the IO name dialog.
    // Commands that must not interrupt editing return at once then.
    bool editingScreenOpen(bool orDialogs) const;
    // Opens the cameras and builds the camera area, a cell and view per camera, into `row`.
    void buildCameraViews(QHBoxLayout* row);
    // The result-picture, template and test-picture folders of every camera and 8 detects.
    void makeCameraFolders();
    // Construction steps of the records: the operation log's database, and the archive folders
    // with the day of the open log (time.txt) and its rotation timer (not started).
    void openOperationLog();
    void setUpRecordDays();
    // A RECORD.db that SQLite reports as damaged is moved aside and a fresh log started; true
    // when that happened.
    bool replaceDamagedRecordFile();
    // The Modbus group switch: restoreParaGroup unless `index` is the current group already or
    // a switch is under way; refusals are noted through modbusNotes.
    bool switchParaGroup(int index);
    // restoreParaGroup without noting a failure: its text goes to `failure`, its kind to `kind`
    // when given.
    bool swapInParaGroup(int index, QString* failure, ParaGroups::RestoreFailure* kind = nullptr);
    // A group switch succeeded and the restart is under way.
    bool paraGroupSwitching = false;

    // ---- Machine cycle (mojuwizard_cycle.cpp): tick, countdowns and check execution ----
public:
    // Cycle steps (a tick, a check) running now. A modal box inside a step spins an event loop
    // in which the cycle's timers fire; a step must not start inside another.
    int cycleStepDepth = 0;

    // What the camera area shows: the camera shown large (or all cameras) with pan and zoom.
    struct CameraLayout {
        int shown = -1;  // -1: none kept
        double panX = 0;
        double panY = 0;
        double scaleX = 1.0;
        double scaleY = 1.0;
    };
    CameraLayout currentLayout() const;
    // Back to `layout`, unless an NG alarm holds the camera area or the camera it showed large
    // was switched off meanwhile.
    void restoreLayout(const CameraLayout& layout);
    // The region editor keeps the layout the operator had when it opened (an alarm that takes
    // over an open editor keeps the one noted then) and gives it back when it closes.
    void noteLayoutBeforeEditor();
    void restoreLayoutAfterEditor();
    CameraLayout layoutBeforeEditor;

    // The rows of the current detect per camera, built after every check for the result table.
    QList<CameraReportRow> cameraReports[kCameras];
    // Builds the result rows of the current detect for every camera and hands them to the
    // camera's result table.
    void updateCameraReports();
    // The same for camera `camera` alone.
    void updateCameraReport(int camera);

public slots:
    // The cycle tick: input edges, frames, camera watch, then the alarm branch, the automatic
    // re-check or normal running (cycle start and check countdowns).
    void Run();
    // One 100 ms step of the countdown of detect index `value`; runs the check when it ends.
    void TimerUp(int value);
    // Camera `camera`'s check of `detect`: template sampling or inspection, with the immediate
    // reactions of an NG result on the outputs.
    void RunAlgorithm(int camera, int detect);
    // Every camera's results OK and every countdown at 0.
    void ResetRun();
    // No mould-open signal for the input timeout: the clamp is prohibited and a warning shown.
    void InCheck();
    // The confirmation time of input N has passed: its event stands when it is still active.
    void TimerCheckInput0();
    void TimerCheckInput1();
    void TimerCheckInput2();
    void TimerCheckInput3();
    void TimerCheckInput4();
    void TimerCheckInput5();
    void TimerCheckInput6();
    void TimerCheckInput7();

private:
    // Connects the cycle's timers (made by the constructor) to their slots.
    void connectCycleTimers();
    void confirmInput(int input);
    // The 100 ms timeout of delayTimers[k].
    void countdownTimeout(int k);
    void runTick();
    // Hands the IO thread the outputs the next mould opening sets, for it to apply while the cycle
    // is late, and lets go of those it applied once the cycle has taken that opening.
    void keepOpeningReady();
    // The outputs a machine cycle started by input `pos` sets (not published).
    void setCycleStartOutputs(int pos, bool productCheck);
    // A tick that arrives while a step runs: camera watch, timer and heartbeat only.
    void tickDuringStep();
    // Ends a tick: commit, next tick in 100 ms, heartbeat.
    void finishTick();
    void finishTickStoppingWatch();
    bool camerasConnected() const;
    // Whether check k of the machine cycle may run now: every camera is connected and has
    // delivered a frame since the mould opened. If not, the countdown stays armed and asks again
    // in 100 ms; a camera still without one after the frame-silence limit takes the camera-loss
    // path, and the check runs on the first frame it gives after its return. Manual captures and
    // the safety door check the picture as it is.
    bool checkFramesFresh(int k);
    // Ends the frame waits of every countdown: detection stopped (also by an alarm) or a new
    // machine cycle, whose frames are counted anew.
    void endFrameWaits();
    // The clock of countdown k's wait for frames: started when its check first had to wait,
    // invalid while it does not. Each wait has its own: a clock left running by a wait that was
    // cut short would make the next wait give up at once and report every camera lost.
    QElapsedTimer freshFrameWait[kDetects];
    // A confirmed mould opening waits for its machine cycle: an event of an input that starts a
    // cycle, taken while the alarm stood and not yet handled.
    bool mouldOpeningHeld() const;
    // Clamp prohibited, warning shown, next tick in 500 ms, heartbeat.
    void reportCameraLoss();
    void runAlarmBranch();
    void runReCheckBranch();
    void runNormalBranch(bool busy);
    // False when a check run at once (delay 0) stopped detection: the tick then ends.
    bool handleManualCapture();
    void startMachineCycle(int pos);
    void armCavityCheck(int pos);
    bool startCountdowns(int pos);
    // Round header to the result store (`manual`: a manual capture's round), cycle time.
    void stampRound(bool manual = false);
    // After a manual capture's check: the round header is the machine cycle's again.
    void resumeCycleRound();
    void saveTestImage(int camera, int detect);
    // ---- Result evaluation (mojuwizard_result.cpp) ----
public slots:
    // Evaluates the round every camera has just checked: result registers, the clamp or ejector
    // permission of an OK round, an automatic re-check or the NG alarm, pulses and timed cuts, the
    // 2 s result display, counting and the recorded result pictures. `isClearNG`: the round
    // clears an alarm and is not counted.
    void CheckNG(bool isClearNG);
    void CheckNG();
    // End of the 2 s result display: the next check becomes current; pending retraining runs.
    void TimerShow();
    // Ends the NG pulse of the region outputs (ejector and mapped outputs back).
    void OutTimerOutNG();
    // Ends the timed clamp cut (pulse mode: the pulse outputs back to rest).
    void OutTimerNotAllowClose();
    // Ends the timed ejector cut (pulse mode: the pulse outputs back to rest).
    void OutTimerNotAllowThimble();
    // Detection goes on after the review of freshly sampled templates; the retraining follows
    // at the end of the result display.
    void BackTrain();

private:
    // Connects the result display, pulse and cut timers to their slots.
    void connectResultTimers();
    // The NG alarm of check parity `d`: machine stopped, alarm register, LEDs, log line.
    void raiseAlarm(int d);
    // An OK round lifted the alarm of check parity `d`. `openingHeld`: a mould opening waits
    // for its cycle, whose check decides the clamp; it stays prohibited until then.
    void liftAlarm(int d, bool openingHeld);
    // StartDetect, the clamp left prohibited when `clampHeld`.
    void startDetecting(bool clampHeld);
    // The stopped machine and the alarm screens of an NG alarm of check parity `d`, without the
    // log line.
    void enterAlarm(int d);
    // The alarm record (alarm.txt): written when an alarm is raised, so that a restart during
    // the alarm keeps the machine stopped; removed when the alarm ends.
    void writeAlarmRecord();
    void removeAlarmRecord();
    // Start-up: an alarm recorded before the restart stands again, outputs and screens included.
    void restoreRecordedAlarm();
    // The NG cameras' texts followed by " 报警", as the alarm's log line names them.
    QString alarmCamerasText() const;
    // Per-camera NG marks of the cycle and, after its cavity check, the counters (written to
    // count.txt at once). True when the counters changed.
    bool countRound(int d, bool ngAny, bool isClearNG);
    // How the counters take the check just evaluated (see countRound).
    CheckCount checkCount(int d, bool ngAny, bool isClearNG) const;
    // Renders the result pictures of the round's records and writes the alarm-clearing notes.
    void recordResultPictures(int d);
    // Hands every rendered picture that is to be saved to the image-save thread.
    void flagRecordedPictures();
    // Retrains `detect` on every camera from its templates and regions.
    void retrainDetect(int detect);
public:
    // ---- end of result evaluation ----
};
