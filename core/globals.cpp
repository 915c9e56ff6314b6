#include "core/globals.h"

#include <QList>
#include <QMap>

MoJuWizard* mainWindow = nullptr;
MApplication* appInstance = nullptr;
qint64 lastTouchLogTime = 0;
SystemParam* activeParams = nullptr;
SystemParam* editParams = nullptr;

int currentLanguage = 0;
int detectsPerCamera = 2;
int initialStation = 0;
bool initialStationSet = false;

QString ioInputCaptions[10];
QString ioOutputCaptions[10];
QString nameFileLines[18];
char cameraSerials[8][100] = {};

int cameraCount = 0;

int totalCounts[8] = {};
int ngCounts[8] = {};
int cycleCount = 0;
int ngCycleCount = 0;
ResStatistics* resStatistics = nullptr;
StatisticsWidget* statisticsWidget = nullptr;
QPointer<TemperatureChartWidget> temperatureChartWidget;

int cameraDriverMask = 0;
QMap<QString, CameraInterface*> cameraDrivers;
QList<CameraInfo*> cameraInfoList;
// Until the camera-order dialog says otherwise, every camera keeps its own position.
int cameraOrderSlots[8] = {0, 1, 2, 3, 4, 5, 6, 7};
int screenWidth = 1920;
int screenHeight = 1080;
int ioComIndex = 0;
ControlPort* controlPort = nullptr;

bool gpioAvailable = true;
GpioWriteFn gpioWrite = nullptr;

QMutex* ioMutex = nullptr;
IOSerialLine* ioSerialPort = nullptr;
quint32 publishedOutputs = 0xFFFFFFFFu;
quint32 boardInputs = 0;
quint32 lastPublishedOutputs = 0;
unsigned char doorReleaseFlag = 0;
QMutex* saveImageMutex = nullptr;
unsigned char* saveImageBuffers[8][8][2] = {};
unsigned char saveImageFlags[8][8][2] = {};
int firstNgRegion[8][8] = {};
int ngImageLimit = 0;
int okImageLimit = 0;
SaveFialImageThread* saveFialImageThread = nullptr;
int statisticsEnabled = 0;
int lensOptimisationOn = 1;
int imageSource = -1;
int helpPage = 0;
int warnOnce = 1;
QString templateTimeText;

QPointer<Warnbox> sharedWarnbox;
QPointer<tipbox> sharedTipbox;
QPointer<inputbox> sharedInputbox;

int templateCountLimit = 10;
int greyChannelInUse = 1;
int simulatedCameraFlag = 0;
int whiteBalanceTick = 0;
int chainedDelay = 0;
bool autoUpdatePending = false;
bool regionReviewOpen = false;
bool backTrainPending = false;

QPixmap* backgroundPixmap = nullptr;
QPixmap* titlePixmap = nullptr;
QPixmap* linePixmap = nullptr;
QPixmap* editPixmap = nullptr;
QPixmap* sliderTrackPixmap = nullptr;
QPixmap* sliderFillPixmap = nullptr;
QPixmap* sliderHandlePixmap = nullptr;
QPixmap* originPixmap = nullptr;
QPixmap* moveUpPixmap = nullptr;
QPixmap* moveDownPixmap = nullptr;
QPixmap* moveLeftPixmap = nullptr;
QPixmap* moveRightPixmap = nullptr;
QPixmap* enlargeScalePixmap = nullptr;
QPixmap* reductionScalePixmap = nullptr;

QString TextTable[kTextTableSize];

QPointer<NumberInput> gpNumberInput;
QPointer<NumCharInput> gpNumCharInput;
QPointer<NumberKeyPad> gpNumKeyPad;
QPointer<DateTimeWidget> openRangePicker;
QPointer<_RollingTime> openTimeRoller;
