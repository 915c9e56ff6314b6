// What the operator does to the main window outside the automatic cycle: start and stop,
// template re-sampling, manual captures, the screen state of the panels, the detection LED, and
// zoom and pan of the camera area. GUI thread only.
#include "mainwindow/mojuwizard.h"

#include "cameras/cameradiscovery.h"
#include "cameras/camerainterface.h"
#include "core/globals.h"
#include "core/platformutils.h"
#include "core/systemparam.h"
#include "io/controlport.h"
#include "io/customionamewidget.h"
#include "io/modbusserver.h"
#include "mainwindow/dottomdockwidget.h"
#include "mainwindow/menubtnwidget.h"
#include "records/temperaturechartdata.h"
#include "records/temperaturechartwidget.h"
#include "settings/systemparamdialog.h"
#include "settings/widgetchangecamera.h"
#include "view/camerareportform.h"
#include "view/camerawgtbox.h"
#include "view/camerawgtdatawidget.h"
#include "view/cammerwidget.h"
#include "settings/wizardparawidget.h"
#include "view/drawroiwidget.h"
#include "view/imagepickform.h"
#include "widgets/colorbutton.h"
#include "widgets/inputbox.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"
#include "widgets/windowhelpers.h"

#include <QMouseEvent>
#include <QTimer>
#include <QVector>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kClamp = 0;
// Panel LEDs of the run state: LED2 green while detecting, LED2 red while stopped; 0 lights,
// 1 darkens.
constexpr int kLedRunGreen = 2;
constexpr int kLedRunRed = 3;
constexpr int kLit = 0;
constexpr int kDark = 1;
// Modbus read register of the run state: 1 detecting, 0 stopped.
constexpr int kRunRegister = 0;

constexpr int kZoomFoldBackMs = 30000;
constexpr double kZoomStep = 1.2;
constexpr double kMaxScale = 32.0;
// Zooming out below this scale snaps back to the whole picture.
constexpr double kSnapScale = 1.1;

// The buttons of the zoom and pan column: 70 x 70 at x 5, every 75 pixels from y 300.
struct ZoomButton {
    ColorButton* MoJuWizard::*member;
    QPixmap** picture;
    void (MoJuWizard::*slot)();
    bool autoRepeat;
};

const ZoomButton kZoomButtons[] = {
    {&MoJuWizard::zoomInButton, &enlargeScalePixmap, &MoJuWizard::MEnlargeScale, true},
    {&MoJuWizard::recoveryButton, &originPixmap, &MoJuWizard::MRecovery, false},
    {&MoJuWizard::zoomOutButton, &reductionScalePixmap, &MoJuWizard::MReductionScale, true},
    {&MoJuWizard::panUpButton, &moveUpPixmap, &MoJuWizard::SlotMoveT, true},
    {&MoJuWizard::panDownButton, &moveDownPixmap, &MoJuWizard::SlotMoveB, true},
    {&MoJuWizard::panLeftButton, &moveLeftPixmap, &MoJuWizard::SlotMoveL, true},
    {&MoJuWizard::panRightButton, &moveRightPixmap, &MoJuWizard::SlotMoveR, true},
};
constexpr int kZoomButtonX = 5;
constexpr int kZoomButtonTop = 300;
constexpr int kZoomButtonPitch = 75;
constexpr int kZoomButtonSize = 70;

// Asks a Cancel/OK question; true for OK.
bool confirmed(const QString& question)
{
    tipbox box(2, nullptr, 600, 420);
    box.setText(question);
    return box.exec() == 1;
}

}  // namespace

bool MoJuWizard::editingScreenOpen(bool orDialogs) const
{
    if ((regionPanel && regionPanel->isVisible()) || (wizardWidget && wizardWidget->isVisible()))
        return true;
    return orDialogs
           && ((ioNameDialog && ioNameDialog->isVisible()) || (cameraOrderDialog && cameraOrderDialog->isVisible()));
}

void MoJuWizard::SlotStartStop()
{
    const SystemParam& p = *activeParams;
    if (editingScreenOpen(false))
        return;
    QString remark;
    const bool starting = runState == 3;
    if (starting) {
        modbusServer->setReadRegister(kRunRegister, 1);
        StartDetect();
        if (p.clampCutAfterCavityOk && p.clampPulse > 0) {
            controlPort->setOutput(kClamp, true);
            controlPort->publishOutputs();
        }
        remark = tr("手动设置开始检测");
    } else {
        if (p.passwordForStop && p.passwordEnabled == 0) {
            // Stopping alone asks for a password even without password protection.
            inputbox box(1, nullptr);
            if (box.exec() != 1 || loginLevel == 0)
                return;
        } else if (checkPassword() == 0) {
            return;
        }
        if (!confirmed(tr("确定要停止检测吗？")))
            return;
        // A screen opened while the question stood (an alarm) keeps the machine as it is.
        if (editingScreenOpen(false))
            return;
        modbusServer->setReadRegister(kRunRegister, 0);
        StopDetect();
        remark = tr("手动设置停止检测");
    }
    InsertRecord(remark);
    setPanelLed(kLedRunRed, starting ? kDark : kLit);
    setPanelLed(kLedRunGreen, starting ? kLit : kDark);
    update();
}

void MoJuWizard::SlotReTrain()
{
    const SystemParam& p = *activeParams;
    if (editingScreenOpen(true))
        return;
    if (checkPassword() == 0)
        return;
    if (!confirmed(tableText(137)))
        return;
    // An alarm raised while the question stood is handled first.
    if (editingScreenOpen(false) || alarmState == 2)
        return;

    alarmState = 0;
    for (int c = 0; c < cameraCount; ++c) {
        cameraViews[c]->detectOk = true;
        std::fill(std::begin(cameraViews[c]->roiOk), std::end(cameraViews[c]->roiOk), 1);
    }
    if (runState == 3) {
        StartDetect();
        if (p.clampCutAfterCavityOk && p.clampPulse > 0) {
            controlPort->setOutput(kClamp, true);
            controlPort->publishOutputs();
        }
        setPanelLed(kLedRunRed, kDark);
    }
    runState = 2;
    // Every template goes; re-sampling writes template 0 anew.
    regionPanel->SlotTempDeleteAll();

    const int detects = std::clamp(detectsPerCamera, 0, int(kDetects));
    for (int c = 0; c < cameraCount; ++c) {
        CammerWidget* view = cameraViews[c];
        for (int j = 0; j < detects; ++j) {
            if (j < 4 && p.detectEnabled[j])
                view->samplingPending[j] = true;
            std::fill(view->ignoreMask[j].begin(), view->ignoreMask[j].end(), 0);
            view->saveIgnoreMask(j);
        }
    }
    InsertRecord(tableText(139));
    CameraDiscovery::saveSerialNumbers(false);
    update();
}

void MoJuWizard::SlotManualTrig(int n)
{
    if (editingScreenOpen(false))
        return;
    if (n == 0 && activeParams->productCheckEnabled == 0) {
        Warnbox box;
        box.setText(tr("警告：成品检测没有启用！"));
        box.exec();
        return;
    }
    manualTrig = n;
    for (int c = 0; c < cameraCount; ++c) {
        CammerWidget* view = cameraViews[c];
        std::fill(std::begin(view->detectResolved), std::end(view->detectResolved), false);
        // A simulated camera's picture changes only on a trigger: it loads its next picture.
        if (view->simulated && view->camera)
            view->camera->softTrigger();
    }
}

void MoJuWizard::SlotAdjustArea()
{
    if (editingScreenOpen(true) || alarmState == 2)
        return;
    if (checkPassword() == 0)
        return;
    noteLayoutBeforeEditor();
    imagePicker->selectSource(0);
    imagePicker->selectCamera(shownCamera);
    regionPanel->enterEditMode(false);
    alarmState = 3;
    applyAlarmState(3);
}

void MoJuWizard::SlotSystemPara()
{
    if (editingScreenOpen(true))
        return;
    // Settings are never opened at the service level by accident: a service login is dropped.
    if (loginLevel == 2)
        loginLevel = activeParams->passwordEnabled ? 1 : 0;
    if (checkPassword() == 0 || alarmState == 2)
        return;
    *editParams = *activeParams;
    // The camera page shows the camera it edits large behind the dialog; afterwards the camera
    // area goes back to the layout the operator had, unless an alarm has set its own meanwhile.
    const CameraLayout before = currentLayout();
    {
        SystemParamDialog dialog;
        dialog.exec();
    }
    restoreLayout(before);
}

MoJuWizard::CameraLayout MoJuWizard::currentLayout() const
{
    return CameraLayout{shownCamera, panX, panY, scaleX, scaleY};
}

void MoJuWizard::restoreLayout(const CameraLayout& layout)
{
    if (alarmState == 2 || layout.shown < 0 || layout.shown > cameraCount)
        return;
    // A camera switched off meanwhile has left the camera area: the layout of the change stays.
    if (layout.shown < cameraCount && !activeParams->cameraEnabled[layout.shown])
        return;
    shownCamera = layout.shown;
    ChangeCammer();
    panX = layout.panX;
    panY = layout.panY;
    scaleX = layout.scaleX;
    scaleY = layout.scaleY;
    update();
}

void MoJuWizard::noteLayoutBeforeEditor()
{
    // An editor already open (region review, or the alarm's own) keeps what it noted.
    const bool editorOpen = alarmState == 2 || alarmState == 3;
    if (!editorOpen || layoutBeforeEditor.shown < 0)
        layoutBeforeEditor = currentLayout();
}

void MoJuWizard::restoreLayoutAfterEditor()
{
    const CameraLayout before = layoutBeforeEditor;
    layoutBeforeEditor = CameraLayout();
    restoreLayout(before);
}

void MoJuWizard::applyAlarmState(int state)
{
    const int shown = shownCamera == cameraCount ? -1 : shownCamera;
    for (int c = 0; c < cameraCount; ++c) {
        CameraWgt_DataWidget* cell = cameraBox->dataWidgetAt(c);
        cell->setMode(state);
        cell->showForCamera(shown);
    }
    const bool editing = state == 2 || state == 3;
    if (bottomBar)
        bottomBar->setVisible(!editing);
    if (sideMenu)
        sideMenu->setPage(editing ? state : 0);
}

void MoJuWizard::ChangeCammer()
{
    panX = panY = 0;
    scaleX = scaleY = 1.0;
    cameraBox->slotChangeCameraLayout(shownCamera == cameraCount ? -1 : shownCamera);
}

void MoJuWizard::restartGrabbing()
{
    for (int c = 0; c < cameraCount; ++c)
        cameraViews[c]->restartGrabbing();
}

void MoJuWizard::closeCameras()
{
    for (int c = 0; c < cameraCount; ++c) {
        cameraViews[c]->stopGrabbing();
        cameraViews[c]->closeCamera();
    }
}

void MoJuWizard::SlotFPS()
{
    // Blink phase of LED2 green, kept across calls.
    static bool lit = false;
    if (runState != 3) {
        lit = !lit;
        setPanelLed(kLedRunGreen, lit ? kLit : kDark);
    } else {
        lit = false;
        setPanelLed(kLedRunGreen, kDark);
    }
}

void MoJuWizard::SlotDrawHint()
{
    hintTimer->stop();
    update();
}

void MoJuWizard::mouseReleaseEvent(QMouseEvent* event)
{
    setFocus(Qt::OtherFocusReason);
    QWidget::mouseReleaseEvent(event);
}

void MoJuWizard::makeZoomButtons()
{
    int y = kZoomButtonTop;
    for (const ZoomButton& b : kZoomButtons) {
        const QPixmap picture = *b.picture ? **b.picture : QPixmap();
        auto* button = new ColorButton(picture, this);
        button->setIcon(picture);
        button->setIconSize(QSize(kZoomButtonSize, kZoomButtonSize));
        button->setGeometry(kZoomButtonX, y, kZoomButtonSize, kZoomButtonSize);
        button->setStyleSheet(QStringLiteral("QPushButton{background-color:transparent;border:none;}"));
        if (b.autoRepeat)
            makeAutoRepeat(button);
        connect(button, &QPushButton::clicked, this, b.slot);
        this->*b.member = button;
        y += kZoomButtonPitch;
    }
    // Only zoom-in shows at first; its first press unfolds the others.
    showZoomButtons(false);
    zoomHideTimer = makeTimer(kZoomFoldBackMs);
    connect(zoomHideTimer, &QTimer::timeout, this, &MoJuWizard::MTimerScale);
}

void MoJuWizard::showZoomButtons(bool all)
{
    zoomButtons = all ? 2 : 1;
    // The column runs down from y 300 over the camera picture at the left: where a result table
    // lies below the picture (two cameras), the buttons that would cover it start a column of
    // their own beside the first, so that no row of the table is hidden.
    QVector<QRect> tables;
    for (const CameraReportForm* table : findChildren<CameraReportForm*>()) {
        if (table->isVisible())
            tables.append(QRect(table->mapTo(this, QPoint(0, 0)), table->size()));
    }
    const auto overTable = [&tables](const QRect& place) {
        return std::any_of(tables.begin(), tables.end(), [&place](const QRect& t) { return t.intersects(place); });
    };
    int x = kZoomButtonX;
    int y = kZoomButtonTop;
    for (const ZoomButton& b : kZoomButtons) {
        const QRect place(x, y, kZoomButtonSize, kZoomButtonSize);
        if (y != kZoomButtonTop && (overTable(place) || place.bottom() >= height())) {
            x += kZoomButtonPitch;
            y = kZoomButtonTop;
        }
        (this->*b.member)->move(x, y);
        y += kZoomButtonPitch;
    }
    for (const ZoomButton& b : kZoomButtons) {
        ColorButton* button = this->*b.member;
        button->setVisible(all || b.member == &MoJuWizard::zoomInButton);
        // Over the camera area, which the layout may have stacked later.
        button->raise();
    }
}

void MoJuWizard::restartZoomHideTimer()
{
    zoomHideTimer->start(kZoomFoldBackMs);
}

void MoJuWizard::MEnlargeScale()
{
    restartZoomHideTimer();
    if (zoomButtons == 1)
        showZoomButtons(true);
    else if (zoomButtons == 2)
        MScale(+1);
}

void MoJuWizard::MReductionScale()
{
    restartZoomHideTimer();
    MScale(-1);
}

void MoJuWizard::MRecovery()
{
    restartZoomHideTimer();
    panX = panY = 0;
    scaleX = scaleY = 1.0;
    update();
}

void MoJuWizard::MScale(int delta)
{
    const double cx = zoomCentreX;
    const double cy = zoomCentreY;
    const double oldScaleX = scaleX;
    const double oldScaleY = scaleY;
    if (delta > 0) {
        scaleX = std::min(scaleX * kZoomStep, kMaxScale);
        scaleY = std::min(scaleY * kZoomStep, kMaxScale);
    } else if (delta < 0) {
        scaleX /= kZoomStep;
        scaleY /= kZoomStep;
        if (scaleX < kSnapScale)
            scaleX = 1.0;
        if (scaleY < kSnapScale)
            scaleY = 1.0;
    }
    // The inspected point stays where it is on the screen.
    panX = cx - double(float((cx - panX) / oldScaleX)) * scaleX;
    panY = cy - double(float((cy - panY) / oldScaleY)) * scaleY;
    if (delta == 0 || (scaleX == 1.0 && scaleY == 1.0)) {
        panX = panY = 0;
        scaleX = scaleY = 1.0;
    }
    update();
}

void MoJuWizard::MTimerScale()
{
    zoomHideTimer->stop();
    if (zoomButtons == 2)
        showZoomButtons(false);
}

void MoJuWizard::SlotMoveT()
{
    restartZoomHideTimer();
    panY -= scaleY;
    update();
}

void MoJuWizard::SlotMoveB()
{
    restartZoomHideTimer();
    panY += scaleY;
    update();
}

void MoJuWizard::SlotMoveL()
{
    restartZoomHideTimer();
    panX -= scaleX;
    update();
}

void MoJuWizard::SlotMoveR()
{
    restartZoomHideTimer();
    panX += scaleX;
    update();
}

void MoJuWizard::SlotTemperatureChart()
{
    // Both messages in the screen's language, like the statistics screen's.
    if (!activeParams->temperatureChartEnabled) {
        Warnbox box;
        box.setText(tr("温度波形图未启用\n请前往高级参数设置"));
        box.exec();
        return;
    }
    TemperatureChartData* store = TemperatureChartData::instance();
    if (!store->loaded) {
        tipbox box(1, nullptr, 600, 420);
        box.setText(tr("数据还未加载完成.."));
        box.exec();
        return;
    }
    store->chartSource = 0;
    if (!temperatureChartWidget)
        temperatureChartWidget = new TemperatureChartWidget(this);
    temperatureChartWidget->resetToRealtime();
    temperatureChartWidget->show();
}
