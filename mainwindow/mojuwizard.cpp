#include "mainwindow/mojuwizard.h"

#include "cameras/cameradiscovery.h"
#include "cameras/camerainterface.h"
#include "core/globals.h"
#include "core/platformutils.h"
#include "core/repeatgate.h"
#include "core/systemparam.h"
#include "io/controlport.h"
#include "io/customionamewidget.h"
#include "io/iothread.h"
#include "io/modbusserver.h"
#include "mainwindow/dottomdockwidget.h"
#include "mainwindow/hardwareconfigurationwidget.h"
#include "mainwindow/helpwidget.h"
#include "mainwindow/menubtnwidget.h"
#include "records/resstatistics.h"
#include "records/savefialimagethread.h"
#include "settings/wizardparawidget.h"
#include "records/saveimagequeue.h"
#include "settings/widgetchangecamera.h"
#include "view/cammerwidget.h"
#include "view/camerawgtbox.h"
#include "view/camerawgtdatawidget.h"
#include "view/camerawgttitlesetroi.h"
#include "view/drawroiwidget.h"
#include "view/framefile.h"
#include "view/imagepickform.h"
#include "widgets/inputbox.h"
#include "widgets/numberinput.h"
#include "widgets/numcharinput.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"
#include "widgets/windowhelpers.h"

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMutex>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSqlDatabase>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A pad that is destroyed (its owner went away) is made anew, parentless, in the same global,
// so the edits always find one.
template <class Pad>
void renewWhenDestroyed(QPointer<Pad>& global)
{
    QObject::connect(global.data(), &QObject::destroyed, [&global]() {
        global = new Pad(nullptr);
        renewWhenDestroyed(global);
    });
}

// Replaces any earlier pad by a new parentless one that renews itself.
template <class Pad>
void makeSharedPad(QPointer<Pad>& global)
{
    if (Pad* old = global.data()) {
        QObject::disconnect(old, &QObject::destroyed, nullptr, nullptr);
        delete old;
    }
    global = new Pad(nullptr);
    renewWhenDestroyed(global);
}

}  // namespace

MoJuWizard::MoJuWizard(QWidget* parent)
    : QWidget(parent)
{
    // Everything built below may reach the main window through the global.
    mainWindow = this;
    const SystemParam& p = *activeParams;
    if (initialStationSet)
        station = initialStation;
    manualTrig = detectsPerCamera;

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        screenWidth = screen->geometry().width();
        screenHeight = screen->geometry().height();
    }
    setFixedSize(screenWidth, screenHeight);

    // Shown at once, without blocking, while the cameras open.
    delete sharedWarnbox;
    sharedWarnbox = new Warnbox(nullptr);
    setWindowStayOnTop(sharedWarnbox, false);
    sharedWarnbox->setText(tr("系统正在初始化，请稍后......"));
    sharedWarnbox->show();
    QApplication::processEvents();

    cameraDriverMask = 0x31C;

    logoutTimer = makeTimer(p.autoLogoutSeconds * 1000);
    connect(logoutTimer, &QTimer::timeout, this, &MoJuWizard::TimerLogout);
    screenOffTimer = makeTimer(p.screenOffSeconds * 1000);
    connect(screenOffTimer, &QTimer::timeout, this, &MoJuWizard::TimerLCD);
    // Their targets, the input confirmations, come with the cycle.
    for (QTimer*& timer : inputConfirmTimers)
        timer = makeTimer(p.inputDebounce * 100);

    // The operation log: later writers reopen it when this fails.
    openOperationLog();
    CameraDiscovery::setOperationLog([window = QPointer<MoJuWizard>(this)](const QString& line) {
        if (window)
            window->InsertRecord(line);
    });

    // Start-up copies: changes of these parameters take effect at the next start.
    statisticsEnabled = p.statisticsEnabled;
    curDet = p.productCheckEnabled != 1 ? 1 : 0;
    templateCountLimit = p.maxTemplates;
    ngImageLimit = p.ngImagesKept;
    okImageLimit = p.okImagesKept;
    ioComIndex = p.comPort;
    greyChannelInUse = p.greyChannel;
    lensOptimisationOn = 1 - p.lensOptimisationOff;

    // The IO board first: every output at rest and the clamp prohibited from the start, and the
    // IO thread polling the board before the cameras are probed, so the board is watched however
    // long the cameras take; StartDetect below returns the clamp to its rest level. The output
    // word reaches the board only when main starts the IO thread proper, once the window is
    // whole.
    // main creates the IO mutex before the window; a window built without main (tests) gets
    // it here, since the port publishes its first output word at once.
    if (!ioMutex)
        ioMutex = new QMutex;
    if (!saveImageMutex)
        saveImageMutex = new QMutex;
    controlPort = new ControlPort(this);
    controlPort->setOutput(0, true);
    controlPort->publishOutputs();
    controlPort->startPolling();
    // The IO thread has logged the change; the operation log gets its row here, as for a lost
    // camera.
    connect(controlPort->ioThread(), &IOThread::sigBoardAnswering, this,
            [this](bool answering) { InsertRecord(answering ? tr("IO板恢复应答") : tr("IO板无应答")); },
            Qt::QueuedConnection);

    CameraDiscovery::discoverCameras();

    delete sharedTipbox;
    sharedTipbox = new tipbox(2, nullptr, 600, 420);
    sharedTipbox->hide();
    makeSharedPad(gpNumberInput);
    makeSharedPad(gpNumCharInput);

    greyTable.reserve(256);
    for (int i = 0; i < 256; ++i)
        greyTable.append(qRgb(i, i, i));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    column->addLayout(row);
    buildCameraViews(row);
    imagePicker = new ImagePickForm;
    imagePicker->setObjectName(QStringLiteral("pImgForm"));
    imagePicker->hide();
    sideMenu = new MenuBtnWidget(this);
    row->addWidget(sideMenu);
    regionPanel = sideMenu->regionPanel;
    if (auto* statistics = sideMenu->findChild<QPushButton*>(QStringLiteral("pBtnStatistics")))
        connect(statistics, &QPushButton::clicked, this, &MoJuWizard::SlotShowStatisticsWidget);
    if (auto* chartButton = sideMenu->findChild<QPushButton*>(QStringLiteral("pBtnTemperatureChart")))
        connect(chartButton, &QPushButton::clicked, this, &MoJuWizard::SlotTemperatureChart);
    connectRegionEditor();
    bottomBar = new DottomDockWidget(this);
    bottomBar->setObjectName(QStringLiteral("pWgtDottomDock"));
    column->addWidget(bottomBar);

    // Simulated cameras: may the stored serial numbers go? A changed camera count: clear them
    // and reboot? Both questions block until the operator answers.
    CameraDiscovery::checkSerialNumbers([this]() { recordDb.close(); });

    shownCamera = cameraCount == 1 ? 0 : cameraCount;

    // The server reports written registers in this thread, one report at a time.
    qRegisterMetaType<QList<int>>("QList<int>");
    modbusNotes = new RepeatGate(RepeatGate::kDefaultWindowMs, this);
    modbusServer = new ModbusServer;
    connect(modbusServer, &ModbusServer::sigWriteChange, this, &MoJuWizard::SlotModbusDataChange);

    // The IO name dialog finds the wizard's IO dialog among the window's children, so the wizard
    // comes first.
    wizardWidget = new WizardParaWidget(this);
    wizardWidget->hide();
    helpWidget = new HelpWidget(this);
    helpWidget->hide();
    ioNameDialog = new CustomIONameWidget(this);
    ioNameDialog->load();
    ioNameDialog->hide();
    hardwareWidget = new HardwareConfigurationWidget(this);
    hardwareWidget->hide();
    cameraOrderDialog = new WidgetChangeCamera(this);
    cameraOrderDialog->hide();
    delete sharedInputbox;
    sharedInputbox = new inputbox(0, nullptr);
    sharedInputbox->hide();
    zoomCentreX = 0;
    zoomCentreY = 0;
    makeZoomButtons();

    // Camera enable: a disabled camera's cell is hidden; all cameras shown, pan and zoom reset.
    applyCameraEnable();

    makeCameraFolders();

    runTimer = makeTimer(100, true);
    noInputTimer = makeTimer(p.inputTimeoutSeconds * 1000);
    hintTimer = makeTimer(3000);
    connect(hintTimer, &QTimer::timeout, this, &MoJuWizard::SlotDrawHint);
    for (QTimer*& timer : delayTimers)
        timer = makeTimer(100);

    // Result pictures: nothing pending; a buffer per camera, detect and verdict is made when a
    // picture is first rendered into it.
    clearResultPictures();
    saveFialImageThread = new SaveFialImageThread;
    saveFialImageThread->start(QThread::InheritPriority);

    resultTimer = makeTimer(2000);
    outNgTimer = makeTimer(p.ejectorPulse * 100);
    clampCutTimer = makeTimer(p.clampPulse * 100);
    ejectorCutTimer = makeTimer(p.ejectorPulse * 100);
    for (QTimer*& timer : out5Timers)
        timer = makeTimer(p.firstDelay * 100);
    alarmPulseTimer = makeTimer(p.alarmPulse * 100, true);
    connectCycleTimers();
    connectResultTimers();

    setUpRecordDays();
    resStatistics = new ResStatistics;
    resStatistics->checkDay();

    setPanelLed(3, 1);
    setPanelLed(2, 1);
    setPanelLed(1, 1);
    setPanelLed(0, 1);

    StartDetect();
    if (p.clampCutAfterCavityOk && p.clampPulse > 0) {
        controlPort->setOutput(0, true);
        controlPort->publishOutputs();
    }

    std::fill(std::begin(cutFlags), std::end(cutFlags), false);
    manualTrig = detectsPerCamera;
    manualRound = false;
    installEventFilter(this);
    sharedWarnbox->hide();

    runTimer->start(5);
    // An output change lets the cycle react within 1 ms.
    connect(controlPort, &ControlPort::sigIOChange, this, [this]() { runTimer->start(1); }, Qt::QueuedConnection);
    dateTimer->start();

    InsertRecord(tableText(150).arg(cameraCount));

    fpsTimer = makeTimer(1000);
    connect(fpsTimer, &QTimer::timeout, this, &MoJuWizard::SlotFPS);
    fpsTimer->start();
    lastCycle = 0;
    cycleStamp = cycleClock();

    CountRead();

    for (int c = 0; c < cameraCount; ++c)
        cameraViews[c]->restartGrabbing();

    if (p.screenOffSeconds > 0)
        screenOffTimer->start(p.screenOffSeconds * 1000);

    sharedTipbox->setWindowFlags(sharedTipbox->windowFlags() | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    gpNumberInput->setParent(this);
    gpNumCharInput->setParent(this);
    sharedInputbox->setParent(this);

    modbusServer->setReadRegister(0, 1);
    modbusServer->setReadRegister(2, quint16(p.paraGroupIndex));
    writeCountersToModbus();

    // An alarm that stood when the program ended stands again, before the IO thread sends the
    // first output word.
    restoreRecordedAlarm();
}

void MoJuWizard::connectRegionEditor()
{
    // The picker only asks; the region panel switches.
    connect(imagePicker, &ImagePickForm::sourceChange, regionPanel, &DrawROIWidget::SlotChangeSource);
    connect(imagePicker, &ImagePickForm::cameraChange, regionPanel, &DrawROIWidget::SlotChangeCamera);
    connect(imagePicker, &ImagePickForm::detectChange, regionPanel, &DrawROIWidget::SlotChangeDetect);
    connect(imagePicker, &ImagePickForm::imageChange, regionPanel, &DrawROIWidget::SlotTempList);
    // The caption of the editor's picture goes into the editor title of the camera shown, or of
    // every camera when all are shown.
    connect(regionPanel, &DrawROIWidget::recentNgImg, this, [this](const QString& caption) {
        for (int c = 0; c < cameraCount; ++c) {
            if (shownCamera == cameraCount || shownCamera == c)
                cameraBox->dataWidgetAt(c)->showSetRoiTitle()->setInfoText(caption);
        }
    });
    if (auto* button = sideMenu->findChild<QPushButton*>(QStringLiteral("pBtnSetROI")))
        connect(button, &QPushButton::clicked, this, &MoJuWizard::SlotAdjustArea);
}

QTimer* MoJuWizard::makeTimer(int intervalMs, bool singleShot)
{
    auto* timer = new QTimer(this);
    timer->setInterval(std::max(intervalMs, 0));
    timer->setSingleShot(singleShot);
    return timer;
}

void MoJuWizard::buildCameraViews(QHBoxLayout* row)
{
    const QList<CameraInterface*> cameras = CameraDiscovery::openCameras(*activeParams).mid(0, kCameras);
    cameraCount = cameras.size();
    cameraBox = new CameraWgtBox(cameras, this);
    row->addWidget(cameraBox);
    for (int c = 0; c < cameraCount; ++c)
        cameraViews[c] = cameraBox->cammerWidgetAt(c);
}

void MoJuWizard::applyCameraEnable()
{
    for (int i = 0; i < cameraCount; ++i) {
        CameraWgt_DataWidget* cell = cameraBox->dataWidgetAt(i);
        cell->enabled = activeParams->cameraEnabled[i] != 0;
        cell->setVisible(cell->enabled);
    }
    cameraBox->rebuildLayout();
    cameraBox->equalizeSizes();
    shownCamera = cameraCount;
    panX = panY = 0;
    scaleX = scaleY = 1.0;
    cameraBox->slotChangeCameraLayout(-1);
}

void MoJuWizard::makeCameraFolders()
{
    for (int c = 1; c <= cameraCount; ++c) {
        for (int d = 1; d <= kDetects; ++d) {
            recState[c - 1][d - 1] = 0;
            const int index = (c - 1) * 16 + (d - 1) * 2;
            imageDirs[index] = QDir(QStringLiteral("%1//camera%2//detect%3//NG").arg(QStringLiteral("./alarmimage")).arg(c).arg(d));
            imageDirs[index + 1] = QDir(QStringLiteral("%1//camera%2//detect%3//OK").arg(QStringLiteral("./alarmimage")).arg(c).arg(d));
            QDir().mkpath(imageDirs[index].path());
            QDir().mkpath(imageDirs[index + 1].path());
            QDir().mkpath(QStringLiteral("./cammer%1%2").arg(c).arg(d));
            const QString testImages = QStringLiteral("%1//cammer%2%3").arg(QStringLiteral("./originalimage")).arg(c).arg(d);
            QDir().mkpath(testImages);
            removeCutPictureWrites(testImages);
        }
    }
}

void MoJuWizard::StartDetect()
{
    startDetecting(false);
}

void MoJuWizard::startDetecting(bool clampHeld)
{
    const SystemParam& p = *activeParams;
    controlPort->resetOutputs();
    if (p.ejectorOffWhenClamping)
        controlPort->setOutput(1, true);
    if (p.separateDetectSignals == 1 && p.ejectorCutAfterProductOk && p.ejectorPulse > 0)
        controlPort->setOutput(1, true);
    if (clampHeld)
        controlPort->setOutput(0, true);
    controlPort->publishOutputs();

    // Every way out of an alarm passes here or through liftAlarm.
    if (alarmState == 2)
        removeAlarmRecord();
    alarmState = 0;
    retry[0] = retry[1] = 0;
    reDetectPending = 0;

    const int detects = std::clamp(detectsPerCamera, 0, int(kDetects));
    for (int c = 0; c < cameraCount; ++c) {
        CammerWidget* view = cameraViews[c];
        view->detectOk = true;
        view->imageRoisOk = true;
        view->tempRoisOk = true;
        for (int d = 0; d < detects; ++d) {
            remaining[d] = 0;
            for (int r = 0; r < CammerWidget::kRoisPerDetect; ++r) {
                view->roiOk[d * CammerWidget::kRoisPerDetect + r] = 1;
                view->roiValue[d * CammerWidget::kRoisPerDetect + r] = 0;
            }
        }
    }
    runState = 1;
    keepOpeningReady();
}

void MoJuWizard::StopDetect()
{
    controlPort->resetOutputs();
    if (activeParams->clampOffWhenStopped == 1)
        controlPort->setOutput(0, true);
    controlPort->publishOutputs();
    SetStopDetect();
}

void MoJuWizard::SetStopDetect()
{
    pendingCams[curDet & 1] = 0;
    const int detects = std::clamp(detectsPerCamera, 0, int(kDetects));
    for (int k = 0; k < detects; ++k) {
        if (delayTimers[k]->isActive()) {
            delayTimers[k]->stop();
            remaining[k] = 0;
        }
    }
    endFrameWaits();
    runState = 3;
    // A stopped detection starts no cycle: the IO thread must not act at an opening either.
    keepOpeningReady();
}

bool MoJuWizard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (gpNumberInput && gpNumberInput->isVisible() && watched != gpNumberInput)
            gpNumberInput->hide();
        if (gpNumCharInput && gpNumCharInput->isVisible() && watched != gpNumCharInput)
            gpNumCharInput->hide();
    }
    return QWidget::eventFilter(watched, event);
}

int MoJuWizard::checkPassword()
{
    if (activeParams->passwordEnabled == 0)
        return 2;
    if (loginLevel != 0)
        return loginLevel;
    // The box writes the level it grants into loginLevel.
    inputbox box(1, nullptr);
    box.exec();
    return loginLevel;
}

bool MoJuWizard::checkAdvancedUser()
{
    if (loginLevel == 2)
        return true;
    inputbox box(1, nullptr);
    box.exec();
    return loginLevel == 2;
}

void MoJuWizard::appendModbusValue(int value)
{
    modbusValues.append(value);
}

void MoJuWizard::SlotHelp()
{
    helpWidget->show();
    helpWidget->raise();
}

void MoJuWizard::TimerLogout()
{
    logoutTimer->stop();
    loginLevel = 0;
}

void MoJuWizard::TimerLCD()
{
    screenOffTimer->stop();
    setScreenPower(false);
}
