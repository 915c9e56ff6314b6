// Evaluation of a checked round: results to Modbus, clamp and ejector permissions, automatic
// re-checks and the NG alarm, pulses and timed cuts, the 2 s result display, counting, and which
// result pictures are recorded. GUI thread only.
#include "mainwindow/mojuwizard.h"

#include "core/atomicfile.h"
#include "core/globals.h"
#include "core/platformutils.h"
#include "core/systemparam.h"
#include "core/wallclock.h"
#include "detection/detectengine.h"
#include "io/controlport.h"
#include "io/modbusserver.h"
#include "mainwindow/helpwidget.h"
#include "records/resstatistics.h"
#include "records/saveimagequeue.h"
#include "records/temperaturechartdata.h"
#include "settings/wizardparawidget.h"
#include "view/cammerwidget.h"
#include "view/drawroiwidget.h"
#include "view/imagepickform.h"

#include <QFile>
#include <QTime>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kClamp = 0;
constexpr int kEjector = 1;
constexpr int kAlarm = 2;
constexpr int kDelayedOutput = 4;
// Output driven by each region output number (index of cutFlags).
constexpr int kRegionOutputs[10] = {0, 1, 3, 4, 5, 6, 7, 8, 9, 0};

// Panel LEDs: LED3 red shows an NG result or alarm, LED3 green an OK result; 0 lights, 1 darkens.
constexpr int kLedGreen = 0;
constexpr int kLedRed = 1;
constexpr int kLit = 0;
constexpr int kDark = 1;

// The standing alarm's record: "<detect> <NG camera bits>", e.g. "1 3" for the cavity check
// with cameras 1 and 2 NG.
const char* const kAlarmRecordFile = "alarm.txt";

// Modbus result registers: 1 OK, 2 NG.
constexpr int kAlarmRegister = 1;
constexpr int kRoundResultRegister = 150;
constexpr int kCameraResultRegister = 153;

quint16 resultValue(bool ok)
{
    return ok ? 1 : 2;
}

}  // namespace

void MoJuWizard::CheckNG()
{
    CheckNG(false);
}

void MoJuWizard::CheckNG(bool isClearNG)
{
    // While the operator reviews freshly sampled templates nothing is evaluated.
    if (regionReviewOpen)
        return;
    const SystemParam& p = *activeParams;
    ControlPort& port = *controlPort;

    bool ngAny = false;
    bool imageNg = false;
    bool tempNg = false;
    for (int c = 0; c < cameraCount; ++c) {
        CammerWidget* view = cameraViews[c];
        if (!view)
            continue;
        if (!view->detectOk) {
            ngAny = true;
            view->alarmTimer.start(1000);
        }
        imageNg = imageNg || !view->imageRoisOk;
        tempNg = tempNg || !view->tempRoisOk;
        modbusServer->setReadRegister(kCameraResultRegister + 3 * c, resultValue(view->detectOk));
        modbusServer->setReadRegister(kCameraResultRegister + 3 * c + 1, resultValue(view->imageRoisOk));
        modbusServer->setReadRegister(kCameraResultRegister + 3 * c + 2, resultValue(view->tempRoisOk));
    }
    modbusServer->setReadRegister(kRoundResultRegister, resultValue(!ngAny));
    modbusServer->setReadRegister(kRoundResultRegister + 1, resultValue(!imageNg));
    modbusServer->setReadRegister(kRoundResultRegister + 2, resultValue(!tempNg));
    lastRoundNg = ngAny;

    // The check's parity from here on; the registers above and the pictures below go by curDet.
    int d = curDet;
    if (p.machineType == 1 || p.machineType == 2)
        d = curDet & 1;
    const int parity = d & 1;
    const bool pulseMode = p.okNgPulseMode != 0;
    const bool productPulse = d == 0 && p.productNgEjectorPulse;

    if (!ngAny) {
        port.setOutput(kDelayedOutput, false);
        port.publishOutputs();
    }

    bool displayStep = false;      // go on with the result display (step 10)
    bool temperatureStep = false;  // the temperature alarm pulse of an OK round first (step 9)
    if (pulseMode) {
        port.setOutput(kClamp, ngAny);
        port.setOutput(kEjector, !ngAny);
        port.setOutput(kAlarm, ngAny);
        port.publishOutputs();
        if (p.clampPulse > 0)
            clampCutTimer->start(p.clampPulse * 100);
        displayStep = true;
        temperatureStep = !ngAny;
    } else if (ngAny) {
        if (productPulse) {
            displayStep = true;
        } else if (alarmState == 2) {
            // An alarm already stands: only the clamping cut and the counting below.
        } else if (retry[parity] != 0) {
            reDetectPending = 1;
        } else {
            raiseAlarm(d);
        }
    } else {
        if (d == 0 && !p.productNoEjectorControl && !p.productNgEjectorPulse)
            port.setOutput(kEjector, false);
        // An alarm lifted while a mould opening waits for its cycle: the machine would close on
        // this permission, which that opening's check, a tick later, withdraws again. The check
        // decides the clamp; until then it stays prohibited.
        const bool openingHeld = alarmState == 2 && mouldOpeningHeld();
        if (d == 1 && !backTrainPending && !openingHeld)
            port.setOutput(kClamp, false);
        reDetectPending = 0;
        port.publishOutputs();
        if (alarmState == 2 && (d != 0 || !p.productNgEjectorPulse))
            liftAlarm(d, openingHeld);
        displayStep = true;
        temperatureStep = true;
    }

    if (temperatureStep && p.temperatureAlarmNoStop && tempNg) {
        port.setOutput(kAlarm, true);
        port.publishOutputs();
        alarmPulseTimer->start(p.alarmPulse * 100);
    }

    bool skipClampingCut = false;
    if (displayStep && (alarmState == 0 || alarmState == 1) && !(wizardWidget && wizardWidget->isVisible())) {
        alarmState = 1;
        resultTimer->start(2000);
        shownDetect = curDet;
        update();
        if (pulseMode && ngAny) {
            setPanelLed(kLedRed, kLit);
            setPanelLed(kLedGreen, kDark);
            skipClampingCut = true;
        } else {
            setPanelLed(kLedRed, kDark);
            setPanelLed(kLedGreen, kLit);
        }
    }

    // The ejector stays cut while the mould closes after an OK cavity check.
    if (!skipClampingCut && !ngAny && d == 1 && p.detectEnabled[0] && p.ejectorOffWhenClamping
        && !p.productNoEjectorControl && !p.productNgEjectorPulse) {
        port.setOutput(kEjector, true);
        port.publishOutputs();
    }

    // The result store counts in its statistics what the counters count.
    TemperatureChartData::instance()->settleCheck(checkCount(d, ngAny, isClearNG));
    const bool counted = countRound(d, ngAny, isClearNG);

    if (productPulse && ngAny) {
        for (int i = 0; i < 10; ++i) {
            if (cutFlags[i])
                port.setOutput(kRegionOutputs[i], true);
        }
        if (!p.productNoEjectorControl)
            port.setOutput(kEjector, true);
        port.publishOutputs();
        if (p.ejectorPulse > 0)
            outNgTimer->start(p.ejectorPulse * 100);
    } else if (!ngAny) {
        if (p.clampCutAfterCavityOk && d == 1 && p.clampPulse > 0)
            clampCutTimer->start(p.clampPulse * 100);
        if (p.ejectorCutAfterProductOk && d == 0 && p.ejectorPulse > 0)
            ejectorCutTimer->start(p.ejectorPulse * 100);
    }

    recordResultPictures(d);

    if (!ngAny || pulseMode) {
        flagRecordedPictures();
        if (d == 1 && !counted)
            CountWrite();
    }
    manualRound = false;
}

void MoJuWizard::raiseAlarm(int d)
{
    // First of all: a restart from here on finds the alarm standing.
    writeAlarmRecord();
    enterAlarm(d);
    InsertRecord(alarmCamerasText());
}

void MoJuWizard::enterAlarm(int d)
{
    const SystemParam& p = *activeParams;
    if (safetyTrig) {
        controlPort->setOutput(kClamp, true);
        controlPort->publishOutputs();
    }
    if (backlightOff) {
        setScreenPower(true);
        if (p.screenOffSeconds > 0)
            screenOffTimer->start(p.screenOffSeconds * 1000);
    }
    modbusServer->setReadRegister(kAlarmRegister, quint16((d & 1) + 1));
    SetStopDetect();
    noteLayoutBeforeEditor();
    shownCamera = cameraCount == 1 ? 0 : cameraCount;
    helpWidget->hide();
    wizardWidget->hide();
    alarmState = 2;
    // The editor opens on the live picture of the camera shown; the bottom bar gives way and the
    // side panel shows the region page with the alarm-clearing actions.
    imagePicker->selectSource(1);
    imagePicker->selectCamera(shownCamera);
    regionPanel->enterEditMode(false);
    applyAlarmState(2);
    reDetectPending = 0;
    setPanelLed(kLedRed, kLit);
    setPanelLed(kLedGreen, kDark);
}

QString MoJuWizard::alarmCamerasText() const
{
    // "Camera 1 Camera 2 Alarm": each NG camera's text, the last character of the list dropped.
    QString cameras;
    for (int c = 0; c < cameraCount; ++c) {
        if (cameraViews[c] && !cameraViews[c]->detectOk)
            cameras += tableText(151).arg(c + 1);
    }
    cameras.chop(1);
    return cameras + tableText(152);
}

void MoJuWizard::writeAlarmRecord()
{
    int ngCameras = 0;
    for (int c = 0; c < cameraCount; ++c) {
        if (cameraViews[c] && !cameraViews[c]->detectOk)
            ngCameras |= 1 << c;
    }
    replaceFileContent(QString::fromLatin1(kAlarmRecordFile),
                       QByteArray::number(curDet) + ' ' + QByteArray::number(ngCameras));
}

void MoJuWizard::removeAlarmRecord()
{
    const QString path = QString::fromLatin1(kAlarmRecordFile);
    if (QFile::exists(path) && !QFile::remove(path))
        qWarning("cannot remove %s: the alarm would stand again after a restart", kAlarmRecordFile);
}

void MoJuWizard::restoreRecordedAlarm()
{
    QFile file(QString::fromLatin1(kAlarmRecordFile));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> words = file.readAll().simplified().split(' ');
    file.close();
    const SystemParam& p = *activeParams;
    const int detects = std::clamp(detectsPerCamera, 1, int(kDetects));
    const int allCameras = (1 << cameraCount) - 1;
    bool detectRead = false;
    bool camerasRead = false;
    const int detect = words.size() == 2 ? words.at(0).toInt(&detectRead) : -1;
    const int ngCameras = words.size() == 2 ? words.at(1).toInt(&camerasRead) & allCameras : 0;
    int mask = ngCameras;
    if (detectRead && camerasRead && detect >= 0 && detect < detects && ngCameras != 0) {
        curDet = detect;
    } else {
        // Whatever the record lost, an alarm stood: the machine stays stopped on the cavity check
        // of every camera until the operator clears it.
        qWarning("%s is not readable; the alarm is restored for the cavity check of every camera", kAlarmRecordFile);
        curDet = std::min(1, detects - 1);
        mask = allCameras;
    }
    int d = curDet;
    if (p.machineType == 1 || p.machineType == 2)
        d = curDet & 1;

    for (int c = 0; c < cameraCount; ++c) {
        CammerWidget* view = cameraViews[c];
        const bool ng = (mask >> c) & 1;
        view->detectOk = !ng;
        cycleNgCam[c] = ng;
        if (ng)
            view->alarmTimer.start(1000);
    }
    lastRoundNg = true;
    // The outputs as the NG check left them: the clamp prohibited and the alarm on, and after a
    // product check the ejector prohibited too; the cavity check of the interrupted cycle still
    // follows once the product alarm is cleared.
    controlPort->setOutput(kClamp, true);
    controlPort->setOutput(kAlarm, true);
    if (d == 0 && !p.productNoEjectorControl && !p.productNgEjectorPulse)
        controlPort->setOutput(kEjector, true);
    controlPort->publishOutputs();
    if (d == 0 && (p.detectEnabled[1] || ((p.machineType == 1 || p.machineType == 2) && p.detectEnabled[3]))) {
        for (int c = 0; c < cameraCount; ++c) {
            pendingCams[1] |= 1 << c;
            recState[c][1] = 1;
        }
    }
    enterAlarm(d);
    InsertRecord(tr("重启前未解除的报警已恢复：%1").arg(alarmCamerasText()));
}

void MoJuWizard::liftAlarm(int d, bool openingHeld)
{
    const SystemParam& p = *activeParams;
    removeAlarmRecord();
    modbusServer->setReadRegister(kAlarmRegister, 0);
    regionPanel->leaveEditMode();
    applyAlarmState(0);
    if (d == 0) {
        controlPort->setOutput(kAlarm, false);
        controlPort->setOutput(kEjector, false);
        controlPort->publishOutputs();
        alarmState = 0;
        ResetRun();
        runState = 1;
        // The cavity check of the interrupted cycle starts on the next tick with its own delay.
        if (p.machineType == 0 && !p.semiAutomatic) {
            forcedInput = 1;
            forcedDetect = 1;
        }
    } else {
        startDetecting(openingHeld);
    }
}

CheckCount MoJuWizard::checkCount(int d, bool ngAny, bool isClearNG) const
{
    // A round with re-checks left is counted by its re-check; alarm clearing and manual captures
    // are not counted.
    if (manualRound)
        return CheckCount::Manual;
    if (isClearNG)
        return CheckCount::AlarmClearing;
    if (retry[d & 1] != 0 && ngAny)
        return CheckCount::ReChecked;
    return CheckCount::Counted;
}

bool MoJuWizard::countRound(int d, bool ngAny, bool isClearNG)
{
    if (checkCount(d, ngAny, isClearNG) != CheckCount::Counted)
        return false;
    for (int c = 0; c < cameraCount; ++c) {
        if (cameraViews[c] && !cameraViews[c]->detectOk)
            cycleNgCam[c] = true;
    }
    // The cavity check is the last check of the cycle.
    if (d != 1)
        return false;
    bool cycleNg = false;
    for (int c = 0; c < cameraCount; ++c) {
        if (cycleNgCam[c])
            ++ngCounts[c];
        ++totalCounts[c];
        cycleNg = cycleNg || cycleNgCam[c];
    }
    if (cycleNg)
        ++ngCycleCount;
    ++cycleCount;
    // Also an NG cycle, whose alarm may end with a restart, goes to the file; the registers show
    // a count only once it is there.
    CountWrite();
    writeCountersToModbus();
    return true;
}

void MoJuWizard::recordResultPictures(int d)
{
    const SystemParam& p = *activeParams;
    const bool pulseMode = p.okNgPulseMode != 0;
    for (int c = 0; c < cameraCount; ++c) {
        CammerWidget* view = cameraViews[c];
        if (!view)
            continue;
        int& s = recState[c][curDet];
        bool rendered = false;
        if (s == 1 && !view->detectOk) {
            if (ngImageLimit == 0) {
                s = 0;
            } else if (retry[d & 1] == 0) {
                s = ((d == 0 && p.productNgEjectorPulse) || pulseMode) ? 9 : 3;
                view->SaveFailImage(curDet, 0);
                rendered = true;
            }
        } else if (s == 1) {
            if (okImageLimit == 0) {
                s = 0;
            } else {
                s = 2;
                view->SaveFailImage(curDet, 1);
                rendered = true;
            }
        }
        // A result counts in the hourly statistics only when its picture is recorded.
        if (rendered && statisticsEnabled && resStatistics)
            resStatistics->addResult(WallClock::now().time().hour(), view->detectOk, c, curDet);

        if (s >= 4 && s <= 6) {
            view->UpdateFailImage(curDet, 0);
        } else if (s == 7 && view->detectOk) {
            view->UpdateFailImage(curDet, 0);
            view->SaveFailImage(curDet, 1);
            view->UpdateFailImage(curDet, 1);
        } else if (s == 7) {
            s = 3;
        }
    }
}

void MoJuWizard::flagRecordedPictures()
{
    const int detects = std::min(detectsPerCamera, int(kDetects));
    for (int c = 0; c < cameraCount; ++c) {
        for (int j = 0; j < detects; ++j) {
            int& s = recState[c][j];
            if (s != 2 && s != 9 && s != 10)
                continue;
            flagResultPictures(c, j, s != 2, s != 9);
            s = 0;
        }
    }
}

void MoJuWizard::TimerShow()
{
    resultTimer->stop();
    const SystemParam& p = *activeParams;
    if (alarmState != 2) {
        setPanelLed(kLedRed, kDark);
        setPanelLed(kLedGreen, kDark);
        if (!reDetectPending && curDet == shownDetect && detectsPerCamera > 0) {
            curDet = (curDet + 1) % detectsPerCamera;
            if (curDet % 2 == 0 && p.productCheckEnabled == 0)
                curDet = (curDet + 1) % detectsPerCamera;
        }
    }
    phase = 3;
    if (alarmState == 1) {
        alarmState = 0;
        update();
    }
    if (backTrainPending) {
        backTrainPending = false;
        for (int j = 0; j < std::min(detectsPerCamera, int(kDetects)); ++j) {
            if (p.detectEnabled[std::min(j, 3)])
                retrainDetect(j);
        }
    } else if (autoUpdatePending) {
        autoUpdatePending = false;
        retrainDetect(1);
    }
}

void MoJuWizard::retrainDetect(int detect)
{
    for (int c = 0; c < cameraCount; ++c) {
        if (!cameraViews[c] || !cameraViews[c]->engine)
            continue;
        DetectEngine* engine = cameraViews[c]->engine;
        engine->trainPositioning(detect);
        engine->trainAlignment(detect);
        engine->prepareTemplates(detect);
    }
}

void MoJuWizard::OutTimerOutNG()
{
    outNgTimer->stop();
    const SystemParam& p = *activeParams;
    if (!p.productNoEjectorControl)
        controlPort->setOutput(kEjector, false);
    if (p.productNgEjectorPulse) {
        for (int i = 0; i < 10; ++i) {
            if (cutFlags[i])
                controlPort->setOutput(kRegionOutputs[i], false);
        }
    }
    controlPort->publishOutputs();
}

void MoJuWizard::OutTimerNotAllowClose()
{
    clampCutTimer->stop();
    if (activeParams->okNgPulseMode) {
        controlPort->setOutput(kClamp, false);
        controlPort->setOutput(kEjector, false);
        controlPort->setOutput(kAlarm, false);
    } else if (runState != 3) {
        controlPort->setOutput(kClamp, true);
    }
    controlPort->publishOutputs();
}

void MoJuWizard::OutTimerNotAllowThimble()
{
    ejectorCutTimer->stop();
    if (activeParams->okNgPulseMode) {
        controlPort->setOutput(kClamp, false);
        controlPort->setOutput(kEjector, false);
    } else if (runState != 3) {
        controlPort->setOutput(kEjector, true);
    }
    controlPort->publishOutputs();
}

void MoJuWizard::BackTrain()
{
    const SystemParam& p = *activeParams;
    if (!p.okNgPulseMode) {
        controlPort->setOutput(kClamp, false);
        if (p.machineType == 0 && p.ejectorOffWhenClamping && p.detectEnabled[0] && !p.productNoEjectorControl
            && !p.productNgEjectorPulse)
            controlPort->setOutput(kEjector, true);
    }
    controlPort->publishOutputs();
    runState = 1;
    CheckNG(true);
    phase = 2;
    // Until the retraining at the end of the result display an OK cavity round keeps the clamp.
    backTrainPending = true;
}

void MoJuWizard::connectResultTimers()
{
    connect(resultTimer, &QTimer::timeout, this, &MoJuWizard::TimerShow);
    connect(outNgTimer, &QTimer::timeout, this, &MoJuWizard::OutTimerOutNG);
    connect(clampCutTimer, &QTimer::timeout, this, &MoJuWizard::OutTimerNotAllowClose);
    connect(ejectorCutTimer, &QTimer::timeout, this, &MoJuWizard::OutTimerNotAllowThimble);
    connect(alarmPulseTimer, &QTimer::timeout, this, [] {
        controlPort->setOutput(kAlarm, false);
        controlPort->publishOutputs();
    });
}
