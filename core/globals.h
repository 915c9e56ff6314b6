// The process globals and singleton accessors that every subsystem reaches without being handed
// them. Written in the GUI thread (mostly during start-up), read from anywhere, no lock unless
// noted: the two mutexes themselves guard the IO words and the result-image buffers.
#pragma once

#include <QPointer>
#include <QString>
#include <QtCore/qcontainerfwd.h>

class MoJuWizard;
class MApplication;
class SystemParam;
class ControlPort;
class IOSerialLine;
class QMutex;
class NumberInput;
class NumCharInput;
class NumberKeyPad;
class QPixmap;
class DateTimeWidget;
class _RollingTime;
class CameraInterface;
class ResStatistics;
class StatisticsWidget;
class TemperatureChartWidget;
class SaveFialImageThread;
struct CameraInfo;
class Warnbox;
class tipbox;
class inputbox;

// The single main window; null until its constructor runs.
extern MoJuWizard* mainWindow;
// The application object.
extern MApplication* appInstance;
// Milliseconds since the epoch of the application object's last touch log line; 0 at start.
extern qint64 lastTouchLogTime;
// The active parameter record that the running system reads, and the settings screens' copy.
extern SystemParam* activeParams;
extern SystemParam* editParams;

// Column of the text table: 0 Simplified Chinese, 1 English, 2 Traditional Chinese, 3 Japanese.
extern int currentLanguage;
// Detects per camera: 2 on a standard machine, 4 on two-colour and turntable machines.
extern int detectsPerCamera;
// The station that parameter loading derives for two-station machines, and whether it did.
extern int initialStation;
extern bool initialStationSet;

// Captions of inputs 0..9 and outputs 0..9 on the IO lamp row.
extern QString ioInputCaptions[10];
extern QString ioOutputCaptions[10];
// The first lines of name.txt as read at start-up.
extern QString nameFileLines[18];
// Configured camera serial number per camera position 0..7 (NUL-terminated), from SN.db.
extern char cameraSerials[8][100];

// Cameras in use (at most 8), set by the main window constructor.
extern int cameraCount;

// Production counters, kept in count.txt and Modbus registers 50..103: per camera the cycles
// counted and the cycles with an NG round; over all cameras the cycles counted and the cycles
// with any NG camera. GUI thread only.
extern int totalCounts[8];
extern int ngCounts[8];
extern int cycleCount;
extern int ngCycleCount;
// The hourly statistics store, made by the main window and kept for the life of the process.
extern ResStatistics* resStatistics;
// The production statistics screen, made by the main window's statistics command on first use.
extern StatisticsWidget* statisticsWidget;
// The temperature chart screen, made by the main window's chart command on first use and kept
// with the window (the reference resets itself should the window go).
extern QPointer<TemperatureChartWidget> temperatureChartWidget;

// Camera discovery's registries (GUI thread only, never freed). Enabled driver families (bits
// 0x10, 0x100, 0x08, 0x04, 0x200); one prototype per enabled family by its driver identifier;
// every device found, in camera order after discovery (the list owns the records); and the
// position (0..7) chosen for each opened camera by the camera-order dialog.
extern int cameraDriverMask;
extern QMap<QString, CameraInterface*> cameraDrivers;
extern QList<CameraInfo*> cameraInfoList;
extern int cameraOrderSlots[8];
// Primary screen size in pixels; dialogs centre themselves with it.
extern int screenWidth;
extern int screenHeight;
// Index of the IO board's serial port: "COM%1" with index + 1.
extern int ioComIndex;
// The IO board port object.
extern ControlPort* controlPort;

// The panel-LED library is loaded and initialised.
extern bool gpioAvailable;
// Entry point GPIO_Write of the panel-LED library (null while unavailable).
typedef unsigned short (*GpioWriteFn)(unsigned char led, unsigned char value);
extern GpioWriteFn gpioWrite;

// Guards the output and input words between the GUI thread and the IO thread.
extern QMutex* ioMutex;

// The serial line to the IO board; opened by the IO port's constructor, used by the IO thread.
extern IOSerialLine* ioSerialPort;
// Output word the IO thread sends to the board (bit i = output i, bits 10..31 at 1); written by
// the IO port when it publishes, read by the IO thread. Guarded by ioMutex.
extern quint32 publishedOutputs;
// The 10 input bits of the board's last type-2 frame; written by the IO thread, read by the IO
// port. Guarded by ioMutex.
extern quint32 boardInputs;
// The output word the IO port last reported a change for. GUI thread only.
extern quint32 lastPublishedOutputs;
// 1 once the safety-door input has returned to its inactive level; set by the IO port, cleared by
// the detection cycle when a machine cycle starts, read by the region editor. GUI thread only.
extern unsigned char doorReleaseFlag;

// Guards the result-image buffers and their pending flags (GUI thread and image-save thread).
extern QMutex* saveImageMutex;
// The result-image hand-over between the camera views, the cycle and the image-save thread, by
// camera, detect and slot (0 NG image, 1 OK image); all guarded by saveImageMutex. A buffer is
// null until a result picture is first rendered into it (records/saveimagequeue.h allocates
// it); recording moves the picture into the image-save queue, and a flag of 1 means a picture
// of that slot waits there to be written; firstNgRegion is the 1-based number of the first NG
// region rendered since the last NG picture was recorded, 0 for none.
extern unsigned char* saveImageBuffers[8][8][2];
extern unsigned char saveImageFlags[8][8][2];
extern int firstNgRegion[8][8];
// NG and OK pictures kept per folder: start-up copies of ngImagesKept and okImagesKept.
extern int ngImageLimit;
extern int okImageLimit;
// The thread that writes the recorded result pictures; started by the main window, never
// stopped by the program.
extern SaveFialImageThread* saveFialImageThread;
// Start-up copy of statisticsEnabled: hourly statistics are counted.
extern int statisticsEnabled;
// 1 - lensOptimisationOff, taken at start-up.
extern int lensOptimisationOn;
// What the camera views show: -1 the run view (region editor closed), 0 templates, 1 live image,
// 2 recent NG frames, 3 OK record pictures, 4 NG record pictures. Written only by the region
// editor; GUI thread only.
extern int imageSource;
// Page shown by the picture help, 0 at start; kept between showings and shared by every user of
// the help. GUI thread only.
extern int helpPage;
// The region editor's notes on shared detect parameters are still to be shown (once a run).
extern int warnOnce;
// Modification time of the template file the region editor shows, "yyyy-MM-dd hh.mm.ss".
extern QString templateTimeText;

// The main window's shared boxes, made once at start-up and reused: the start-up warning box
// (later the shared message box), the Cancel/OK question box (600 x 420) and the password box.
extern QPointer<Warnbox> sharedWarnbox;
extern QPointer<tipbox> sharedTipbox;
extern QPointer<inputbox> sharedInputbox;

// Template slots per detect, copied from the parameters by the main window constructor.
extern int templateCountLimit;
// Non-zero: colour frames are inspected as grey, else as hue.
extern int greyChannelInUse;
// 1 when the simulated cameras replaced real ones.
extern int simulatedCameraFlag;

// State of the machine cycle shared beyond the main window (GUI thread only):
// ticks since start-up or the last camera loss (the 50th asks colour cameras for a white balance);
extern int whiteBalanceTick;
// delay (0.1 s) of the last check started by the present trigger, added to the cavity delay of
// the standard automatic machine;
extern int chainedDelay;
// an OK cavity round saved new templates: retrain the cavity check at the end of the result display;
extern bool autoUpdatePending;
// the region review after template re-sampling is open.
extern bool regionReviewOpen;
// retrain every detect at the end of the result display (after template re-sampling); until
// then an OK cavity round keeps the clamp prohibited.
extern bool backTrainPending;

// Pictures loaded once at start-up and drawn by many screens; null until then, never freed.
// A missing file gives a null pixmap, and the screens then draw nothing in its place.
extern QPixmap* backgroundPixmap;      // ./images/background.png: background of the boxes and dialogs
extern QPixmap* titlePixmap;           // ./images/title.png: title bar of the update dialog and wizard
extern QPixmap* linePixmap;            // ./images/line.png: separator line of the same two screens
extern QPixmap* editPixmap;            // ./images/edit.png: field behind a slider's value
extern QPixmap* sliderTrackPixmap;     // :/sliderd.png: track of a slider
extern QPixmap* sliderFillPixmap;      // :/slideru.png: filled part of a slider track
extern QPixmap* sliderHandlePixmap;    // :/slidert.png: handle of a slider
extern QPixmap* originPixmap;          // ./images/Origin.png: reset zoom and pan
extern QPixmap* moveUpPixmap;          // ./images/MoveUp.png and the three other pan buttons
extern QPixmap* moveDownPixmap;
extern QPixmap* moveLeftPixmap;
extern QPixmap* moveRightPixmap;
extern QPixmap* enlargeScalePixmap;    // ./images/EnlargeScale.png: zoom in
extern QPixmap* reductionScalePixmap;  // ./images/ReductionScale.png: zoom out

// The 4-language text table: the text of id i in language l is entry i * 4 + l.
constexpr int kTextTableSize = 8192;
extern QString TextTable[kTextTableSize];

// Text of id `id` in the current language.
inline const QString& tableText(int id)
{
    return TextTable[id * 4 + currentLanguage];
}

// The shared on-screen pads of the widget kit: the numeric pad and the full keyboard, created by
// the main window; and the numeric pad most recently opened for an edit, or none. Each reference
// resets itself when its pad is destroyed. GUI thread only.
extern QPointer<NumberInput> gpNumberInput;
extern QPointer<NumCharInput> gpNumCharInput;
extern QPointer<NumberKeyPad> gpNumKeyPad;

// The open range picker and the open time roller of the date and time pickers, or none; at most
// one of each is open. Each reference resets itself when its dialog is destroyed. GUI thread only.
extern QPointer<DateTimeWidget> openRangePicker;
extern QPointer<_RollingTime> openTimeRoller;
