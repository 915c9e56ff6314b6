// The machine cycle of the main window: the tick (inputs, frames, camera watch, cycle start and
// check countdowns), the countdown end and the check of every camera. GUI thread only.
#include "mainwindow/mojuwizard.h"

#include "cameras/camerainterface.h"
#include "core/globals.h"
#include "core/systemparam.h"
#include "core/wallclock.h"
#include "detection/cammersingleton.h"
#include "detection/detectengine.h"
#include "detection/tooltype.h"
#include "io/controlport.h"
#include "mainwindow/cycletables.h"
#include "records/resstatistics.h"
#include "records/temperaturechartdata.h"
#include "settings/wizardparawidget.h"
#include "view/cammerwidget.h"
#include "view/camerareportform.h"
#include "view/drawroiwidget.h"
#include "view/camerawgtbox.h"
#include "view/camerawgtdatawidget.h"
#include "view/framefile.h"
#include "widgets/warnbox.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <iterator>

namespace {

constexpr int kInputs = 8;
constexpr int kClamp = 0;
constexpr int kEjector = 1;
constexpr int kAlarm = 2;
constexpr int kDelayedOutput = 4;
// Text ids: camera lost, no input signal.
constexpr int kCameraLostText = 39;
constexpr int kNoInputText = 335;
// The countdown's area in a camera view's title, in unscaled pixels.
constexpr int kCountdownX = 520;
constexpr int kCountdownY = 5;
constexpr int kCountdownWidth = 130;
constexpr int kCountdownHeight = 36;

// detectEnabled has four entries (two stations of two checks).
bool detectEnabled(const SystemParam& p, int d)
{
    return d >= 0 && d < 4 && p.detectEnabled[d] != 0;
}

int detectsInUse()
{
    return std::clamp(detectsPerCamera, 0, int(MoJuWizard::kDetects));
}

// Counts cycle steps for as long as it lives.
class StepGuard {
public:
    explicit StepGuard(int& depth)
        : m_depth(depth)
    {
        ++m_depth;
    }
    ~StepGuard() { --m_depth; }
    StepGuard(const StepGuard&) = delete;
    StepGuard& operator=(const StepGuard&) = delete;

private:
    int& m_depth;
};

}  // namespace

void MoJuWizard::connectCycleTimers()
{
    connect(runTimer, &QTimer::timeout, this, &MoJuWizard::Run);
    connect(noInputTimer, &QTimer::timeout, this, &MoJuWizard::InCheck);
    void (MoJuWizard::*const confirmSlots[kInputs])() = {
        &MoJuWizard::TimerCheckInput0, &MoJuWizard::TimerCheckInput1, &MoJuWizard::TimerCheckInput2,
        &MoJuWizard::TimerCheckInput3, &MoJuWizard::TimerCheckInput4, &MoJuWizard::TimerCheckInput5,
        &MoJuWizard::TimerCheckInput6, &MoJuWizard::TimerCheckInput7,
    };
    for (int i = 0; i < kInputs; ++i)
        connect(inputConfirmTimers[i], &QTimer::timeout, this, confirmSlots[i]);
    for (int k = 0; k < kDetects; ++k) {
        // A coarse timer may come up to 5 % early; a check must not start before its delay
        // (the ejector may still be moving).
        delayTimers[k]->setTimerType(Qt::PreciseTimer);
        connect(delayTimers[k], &QTimer::timeout, this, [this, k]() { countdownTimeout(k); });
    }
    // Output 4 goes active once the delay after input 3 (timer 0) or input 4 (timer 1) is over.
    for (QTimer* timer : out5Timers) {
        connect(timer, &QTimer::timeout, this, [this, timer]() {
            timer->stop();
            controlPort->setOutput(kDelayedOutput, true);
            controlPort->publishOutputs();
        });
    }
}

// ---- the tick ----

void MoJuWizard::Run()
{
    if (cycleStepDepth > 0) {
        tickDuringStep();
        return;
    }
    runTick();
    keepOpeningReady();
}

void MoJuWizard::runTick()
{
    StepGuard step(cycleStepDepth);
    const SystemParam& p = *activeParams;
    const int detects = detectsInUse();

    // Colour cameras balance their white once, 50 ticks after start-up or a camera's return.
    // The count stops there, so it never runs over.
    if (whiteBalanceTick < 50 && ++whiteBalanceTick == 50) {
        for (int c = 0; c < cameraCount; ++c) {
            if (cameraViews[c])
                cameraViews[c]->whiteBalanceOnce();
        }
    }

    // While a countdown runs, no input is taken: edges are dropped and no input is forced.
    bool busy = false;
    for (int k = 0; k < detects; ++k)
        busy = busy || delayTimers[k]->isActive();
    if (busy)
        forcedInput = -1;

    // A tick that comes late takes the changes the IO thread kept, one per tick, in order; the
    // confirmation time then counts from when the board showed the edge.
    controlPort->takeInputs();
    const qint64 age = controlPort->takenInputsAge();
    for (int i = 0; i < kInputs; ++i) {
        if (!controlPort->inputEdge(i) || busy)
            continue;
        inputConfirmTimers[i]->stop();
        const qint64 confirmMs = qint64(p.inputDebounce) * 100;
        if (p.inputDebounce == 0)
            inEvt[i] = true;
        else if (age < confirmMs)
            inputConfirmTimers[i]->start(int(confirmMs - age));
        else
            inEvt[i] = controlPort->activeAfter(i, confirmMs);
    }

    for (int c = 0; c < cameraCount; ++c) {
        if (cameraViews[c])
            cameraViews[c]->grabFrame();
    }

    if (!camerasConnected()) {
        reportCameraLoss();
        return;
    }
    if (!camerasOk) {
        camerasOk = true;
        if (sharedWarnbox)
            sharedWarnbox->hide();
    }

    if (alarmState == 2)
        runAlarmBranch();
    else if (reDetectPending != 0)
        runReCheckBranch();
    else
        runNormalBranch(busy);
}

void MoJuWizard::tickDuringStep()
{
    // The step that runs holds the frames, the inputs and the cycle state; only the watch of the
    // machine goes on.
    if (!camerasConnected()) {
        reportCameraLoss();
        return;
    }
    runTimer->start(100);
    controlPort->heartbeat();
}

void MoJuWizard::finishTick()
{
    controlPort->publishOutputs();
    runTimer->start(100);
    controlPort->heartbeat();
}

void MoJuWizard::finishTickStoppingWatch()
{
    noInputTimer->stop();
    finishTick();
}

bool MoJuWizard::camerasConnected() const
{
    for (int c = 0; c < cameraCount; ++c) {
        if (cameraViews[c] && !cameraViews[c]->cameraConnected)
            return false;
    }
    return true;
}

bool MoJuWizard::mouldOpeningHeld() const
{
    const SystemParam& p = *activeParams;
    const cycle::MachineRules& rules = cycle::machineRules(p.machineType);
    for (int pos = 0; pos < kInputs; ++pos) {
        if (inEvt[pos] && cycle::cycleStartRole(rules, pos, p.mouldSide, p.separateDetectSignals != 0))
            return true;
    }
    return false;
}

void MoJuWizard::reportCameraLoss()
{
    whiteBalanceTick = 0;
    controlPort->setOutput(kClamp, true);
    controlPort->publishOutputs();
    if (sharedWarnbox) {
        sharedWarnbox->setText(tableText(kCameraLostText));
        sharedWarnbox->show();
    }
    noInputTimer->stop();
    runTimer->start(500);
    camerasOk = false;
    controlPort->heartbeat();
}

void MoJuWizard::runAlarmBranch()
{
    const SystemParam& p = *activeParams;
    const bool door = inEvt[1];
    const bool semi = inEvt[2];
    const bool in0 = controlPort->readBit(false, 0);
    const bool in3 = controlPort->readBit(false, 3);
    if (door || forcedInput == 1 || (curDet > 0 && p.semiAutomatic && (semi || forcedInput == 2))) {
        inEvt[0] = inEvt[1] = false;
        forcedInput = -1;
        for (int c = 0; c < cameraCount; ++c)
            std::fill(std::begin(cameraViews[c]->detectResolved), std::end(cameraViews[c]->detectResolved), false);
        if (p.machineType == 2) {
            if (in0 && !in3)
                station = 1;
            else if (in3 && !in0)
                station = 0;
        }
        // The region panel saves its edits and re-runs the current detect on every camera whose
        // alarm is not resolved.
        regionPanel->SlotReCheck();
    }
    finishTickStoppingWatch();
}

void MoJuWizard::runReCheckBranch()
{
    const SystemParam& p = *activeParams;
    const cycle::MachineRules& rules = cycle::machineRules(p.machineType);
    const int parity = rules.twoStations ? curDet & 1 : std::clamp(curDet, 0, 1);
    if (retry[parity] <= 0) {
        finishTickStoppingWatch();
        return;
    }
    retry[parity] -= 1;
    pendingCams[parity] = 0;
    if (parity == 1 && (p.preCutClamp == 0 || retry[1] == 0))
        controlPort->setOutput(kClamp, true);
    controlPort->publishOutputs();

    if (detectEnabled(p, curDet)) {
        for (int c = 0; c < cameraCount; ++c)
            pendingCams[parity] |= 1 << c;
        for (int c = 0; c < cameraCount; ++c)
            RunAlgorithm(c, curDet);
    }
    CheckNG(false);
    // The tables follow the verdict of the re-check.
    if (detectEnabled(p, curDet))
        updateCameraReports();
    finishTickStoppingWatch();
}

void MoJuWizard::runNormalBranch(bool busy)
{
    const SystemParam& p = *activeParams;
    const bool twoStations = cycle::machineRules(p.machineType).twoStations;

    // The safety door as trigger of the cavity check; its event stays for the input loop.
    if (p.doorTriggersDetection && runState != 3 && (inEvt[1] || forcedInput == 1)) {
        forcedInput = -1;
        for (int c = 0; c < cameraCount; ++c) {
            cameraViews[c]->detectResolved[1] = false;
            recState[c][1] = 1;
            if (twoStations) {
                cameraViews[c]->detectResolved[3] = false;
                recState[c][3] = 1;
            }
        }
        safetyTrig = 1;
        TimerUp(1);
        safetyTrig = 0;
    }

    if (runState == 3) {
        // Stopped: the two-colour machine still follows its stations; events wait for the start.
        if (p.machineType == 1) {
            if (inEvt[2] && p.mouldSide != 1)
                station = 1;
            if (inEvt[3] && p.mouldSide != 0)
                station = 0;
        }
        finishTickStoppingWatch();
        return;
    }

    if (p.continuousTimedDetection && !busy && alarmState != 2)
        forcedInput = 0;

    if (!handleManualCapture())
        return;

    // Output 4 follows input 3 after the first delay and input 4 after the second.
    const struct {
        int input;
        int delay;
        QTimer* timer;
    } delayedOutputs[] = {{3, p.firstDelay, out5Timers[0]}, {4, p.secondDelay, out5Timers[1]}};
    for (const auto& out : delayedOutputs) {
        if (!inEvt[out.input] || (out.input == 3 && !p.productCheckEnabled))
            continue;
        if (out.delay == 0) {
            controlPort->setOutput(kDelayedOutput, true);
            controlPort->publishOutputs();
        } else {
            out.timer->start(out.delay * 100);
        }
    }

    for (int pos = 0; pos < kInputs; ++pos) {
        if (busy) {
            finishTick();
            return;
        }
        if (!inEvt[pos] && forcedInput != pos)
            continue;
        inEvt[pos] = false;
        forcedInput = -1;
        if (cycle::cycleStartRole(cycle::machineRules(p.machineType), pos, p.mouldSide, p.separateDetectSignals != 0))
            startMachineCycle(pos);
        if (pendingCams[1] != 0)
            armCavityCheck(pos);
        if (pendingCams[1] != 0 && !startCountdowns(pos))
            return;
    }
    finishTick();
}

bool MoJuWizard::handleManualCapture()
{
    const SystemParam& p = *activeParams;
    if (manualTrig == detectsPerCamera)
        return true;
    const int a = manualTrig;
    manualTrig = detectsPerCamera;
    const bool twoStations = cycle::machineRules(p.machineType).twoStations;
    if (a < 0 || a >= detectsInUse() || !(detectEnabled(p, a) || (twoStations && detectEnabled(p, a + 2))))
        return true;

    stampRound(true);
    manualRound = true;
    if (a == 0)
        std::fill(std::begin(cutFlags), std::end(cutFlags), false);
    retry[0] = retry[1] = 0;
    for (int c = 0; c < cameraCount; ++c)
        recState[c][a] = 1;
    TimerUp(a);
    // The capture's mark covers its own check only: the checks still to come of the machine's
    // cycle are counted, and stored under the cycle's round.
    manualRound = false;
    resumeCycleRound();
    if (alarmState != 2)
        return true;
    if (!p.okNgPulseMode) {
        controlPort->setOutput(kClamp, true);
        if (a == 0 && !p.productNoEjectorControl && !p.productNgEjectorPulse)
            controlPort->setOutput(kEjector, true);
    }
    finishTick();
    return false;
}

void MoJuWizard::stampRound(bool manual)
{
    if (resStatistics)
        resStatistics->checkDay();
    TemperatureChartData* store = TemperatureChartData::instance();
    RoundRecord header = store->round;
    // The day the round's rows are read back under goes by the clock the roll-over uses.
    header.roundStart = WallClock::now();
    header.manual = manual;
    store->setRoundInfo(header);
    if (!manual)
        cycleRoundStart = header.roundStart;

    const qint64 now = cycleClock();
    lastCycle = int(now - cycleStamp);
    cycleStamp = now;
}

qint64 MoJuWizard::cycleClock()
{
    // A steady clock: a cycle time read off the system clock turned negative, or a day long,
    // when the clock was set between two cycles.
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
               .count() /
        100;
}

void MoJuWizard::resumeCycleRound()
{
    TemperatureChartData* store = TemperatureChartData::instance();
    RoundRecord header = store->round;
    header.manual = false;
    // Before the first cycle the capture's time stays: rows never go without a round start.
    if (cycleRoundStart.isValid())
        header.roundStart = cycleRoundStart;
    store->setRoundInfo(header);
}

void MoJuWizard::startMachineCycle(int pos)
{
    const SystemParam& p = *activeParams;
    const cycle::MachineRules& rules = cycle::machineRules(p.machineType);
    const int detects = detectsInUse();

    std::fill(std::begin(cycleNgCam), std::end(cycleNgCam), false);
    stampRound();
    // The frames taken so far show the mould before it opened.
    for (int c = 0; c < cameraCount; ++c)
        cameraViews[c]->markCycleStart();
    endFrameWaits();

    if (noInputWarned) {
        noInputWarned = false;
        if (sharedWarnbox)
            sharedWarnbox->hide();
    } else if (p.inputTimeoutSeconds > 0) {
        // The stored timeout may exceed what a timer holds in milliseconds.
        noInputTimer->start(int(std::min<qint64>(qint64(p.inputTimeoutSeconds) * 1000, INT_MAX)));
    }

    for (int d = 0; d < detects; ++d)
        pendingCams[d] = 0;
    doorReleaseFlag = 0;
    std::fill(std::begin(cutFlags), std::end(cutFlags), false);
    retry[0] = 0;
    retry[1] = p.okNgPulseMode ? 0 : p.recheckCount;

    for (int c = 0; c < cameraCount; ++c) {
        for (int d = 0; d < detects; ++d) {
            if (detectEnabled(p, d))
                pendingCams[d & 1] |= 1 << c;
            cameraViews[c]->detectResolved[d] = false;
            recState[c][d] = 1;
        }
    }

    if (!p.okNgPulseMode) {
        setCycleStartOutputs(pos, pendingCams[0] != 0);
        controlPort->publishOutputs();
    }

    if (const cycle::InputRole* role = cycle::cycleStartRole(rules, pos, p.mouldSide, p.separateDetectSignals != 0)) {
        if (role->station >= 0)
            station = role->station;
    }
}

void MoJuWizard::setCycleStartOutputs(int pos, bool productCheck)
{
    const SystemParam& p = *activeParams;
    // Separate signals on the standard machine: mould open cuts only the ejector, ejector back
    // only the clamp.
    bool clampCut = true;
    bool ejectorCut = true;
    if (p.machineType == 0 && p.separateDetectSignals == 1) {
        clampCut = pos != 0;
        ejectorCut = pos != 2;
    }
    if (clampCut && !p.preCutClamp && !p.clampCutOnCavityAlarm)
        controlPort->setOutput(kClamp, true);
    if (productCheck) {
        if (p.productNgEjectorPulse || p.ejectorCutOnProductAlarm) {
            for (int o = 0; o < ControlPort::kIOCount; ++o) {
                if (o != kAlarm)
                    controlPort->setOutput(o, false);
            }
        } else if (ejectorCut && !p.productNoEjectorControl) {
            controlPort->setOutput(kEjector, true);
        }
    }
}

void MoJuWizard::keepOpeningReady()
{
    if (!controlPort)
        return;
    const SystemParam& p = *activeParams;
    const cycle::MachineRules& rules = cycle::machineRules(p.machineType);
    const int detects = detectsInUse();
    bool busy = false;
    for (int k = 0; k < detects; ++k)
        busy = busy || delayTimers[k]->isActive();

    // The IO thread may apply the outputs only where the next tick would set them at the edge:
    // a machine cycle starts (not stopped, no alarm or re-check pending, no countdown running).
    quint32 armed = 0;
    ControlPort::Opening openings[kInputs];
    if (!p.okNgPulseMode && runState != 3 && alarmState != 2 && reDetectPending == 0 && !busy && camerasOk) {
        bool productCheck = false;
        for (int d = 0; d < detects; d += 2)
            productCheck = productCheck || (detectEnabled(p, d) && cameraCount > 0);
        const quint32 outputs = controlPort->outputs();
        for (int pos = 0; pos < kInputs; ++pos) {
            if (!cycle::cycleStartRole(rules, pos, p.mouldSide, p.separateDetectSignals != 0))
                continue;
            // Applied to outputs all low and all high, the bits that come out alike are the ones
            // the opening sets.
            controlPort->setOutputWord(0);
            setCycleStartOutputs(pos, productCheck);
            const quint32 fromLow = controlPort->outputs();
            controlPort->setOutputWord(0x3FFu);
            setCycleStartOutputs(pos, productCheck);
            const quint32 fromHigh = controlPort->outputs();
            openings[pos].mask = ~(fromLow ^ fromHigh) & 0x3FFu;
            openings[pos].levels = fromLow;
            if (openings[pos].mask != 0)
                armed |= 1u << pos;
        }
        controlPort->setOutputWord(outputs);
    }
    controlPort->setOpenings(armed, openings);

    // The outputs the IO thread held at a late opening go once the cycle has taken the opening
    // and no confirmed or confirming event of it waits: from then on the cycle's own outputs
    // stand, and only the opening's check permits the clamp again. Whether the IO thread still
    // keeps such an opening untaken is asked under its lock, in releaseOpening.
    if (controlPort->openingHeld()) {
        bool confirming = false;
        for (int pos = 0; pos < kInputs; ++pos) {
            if (cycle::cycleStartRole(rules, pos, p.mouldSide, p.separateDetectSignals != 0))
                confirming = confirming || inputConfirmTimers[pos]->isActive();
        }
        if (!confirming && !mouldOpeningHeld())
            controlPort->releaseOpening();
    }
}

void MoJuWizard::armCavityCheck(int pos)
{
    const SystemParam& p = *activeParams;
    const cycle::MachineRules& rules = cycle::machineRules(p.machineType);
    const cycle::InputRole* role = cycle::cavityArmRole(rules, pos, p.mouldSide, p.semiAutomatic != 0);
    if (!role)
        return;
    if (role->station >= 0)
        station = role->station;
    pendingCams[1] = 0;
    const bool cavityEnabled = detectEnabled(p, 1) || (rules.twoStations && detectEnabled(p, 3));
    for (int c = 0; c < cameraCount; ++c) {
        std::fill(std::begin(cameraViews[c]->detectResolved), std::end(cameraViews[c]->detectResolved), false);
        if (cavityEnabled)
            pendingCams[1] |= 1 << c;
    }
    if (!p.okNgPulseMode) {
        if (p.preCutClamp == 0)
            controlPort->setOutput(kClamp, true);
        controlPort->publishOutputs();
    }
}

bool MoJuWizard::startCountdowns(int pos)
{
    const SystemParam& p = *activeParams;
    const cycle::MachineRules& rules = cycle::machineRules(p.machineType);
    // Trigger inputs and delays are stored for the two checks of a station.
    const int n = std::min(cycle::countdownCount(rules, detectsInUse()), 2);
    for (int k = 0; k < n; ++k) {
        const int e = cycle::countdownDetect(rules, k, station);
        if (!detectEnabled(p, e) || delayTimers[k]->isActive())
            continue;
        bool match;
        if (!rules.twoStations && k == forcedDetect) {
            match = true;
            chainedDelay = 0;
            forcedDetect = -1;
        } else {
            match = cycle::triggerMatches(rules, p.triggerInput[k], pos);
        }
        if (!match)
            continue;

        // On the standard automatic machine the cavity delay counts from the end of the
        // product delay.
        int d = p.triggerDelay[k];
        if (k != 0 && p.machineType == 0 && !p.semiAutomatic && p.productCheckEnabled)
            d += chainedDelay;
        chainedDelay = d;
        if (d <= 0) {
            remaining[k] = 0;
            TimerUp(k);
            if (runState == 3) {
                finishTick();
                return false;
            }
        } else {
            remaining[k] = d / 10.0f;
            delayTimers[k]->start(100);
            phase = 1;
        }
    }
    update();
    return true;
}

// ---- inputs ----

void MoJuWizard::confirmInput(int input)
{
    inputConfirmTimers[input]->stop();
    inEvt[input] = controlPort->readBit(false, input);
}

void MoJuWizard::TimerCheckInput0() { confirmInput(0); }
void MoJuWizard::TimerCheckInput1() { confirmInput(1); }
void MoJuWizard::TimerCheckInput2() { confirmInput(2); }
void MoJuWizard::TimerCheckInput3() { confirmInput(3); }
void MoJuWizard::TimerCheckInput4() { confirmInput(4); }
void MoJuWizard::TimerCheckInput5() { confirmInput(5); }
void MoJuWizard::TimerCheckInput6() { confirmInput(6); }
void MoJuWizard::TimerCheckInput7() { confirmInput(7); }

void MoJuWizard::InCheck()
{
    controlPort->setOutput(kClamp, true);
    controlPort->publishOutputs();
    noInputTimer->stop();
    InsertRecord(tableText(kNoInputText));
    if (sharedWarnbox) {
        sharedWarnbox->setText(tableText(kNoInputText));
        sharedWarnbox->show();
    }
    noInputWarned = true;
}

// ---- countdown end and the check ----

void MoJuWizard::countdownTimeout(int k)
{
    // A countdown step inside a running step would change the current detect under it; the
    // timer comes again in 100 ms.
    if (cycleStepDepth > 0)
        return;
    TimerUp(k);
}

void MoJuWizard::TimerUp(int value)
{
    if (value < 0 || value >= kDetects)
        return;
    StepGuard step(cycleStepDepth);
    const SystemParam& p = *activeParams;
    const int k = value;

    // The countdown counts whole tenths of a second; `remaining` shows them in seconds.
    const int left = qRound(remaining[k] * 10.0f);

    // Pre-cut: the clamp is withheld preCutClamp tenths before the cavity countdown ends.
    if (k == 1 && p.preCutClamp >= 1 && p.preCutClamp <= 99 && p.preCutClamp >= left && !p.okNgPulseMode) {
        controlPort->setOutput(kClamp, true);
        controlPort->publishOutputs();
    }

    curDet = cycle::roundDetect(cycle::machineRules(p.machineType), k, station);

    if (left > 1) {
        remaining[k] = (left - 1) / 10.0f;
        for (int c = 0; c < cameraCount; ++c) {
            CammerWidget* view = cameraViews[c];
            view->update(int(kCountdownX * view->imageScaleX), int(kCountdownY * view->imageScaleY), kCountdownWidth,
                         kCountdownHeight);
        }
        return;
    }
    if (!checkFramesFresh(k))
        return;
    remaining[k] = 0;
    delayTimers[k]->stop();
    modbusValues.clear();
    for (int c = 0; c < cameraCount; ++c)
        RunAlgorithm(c, curDet);
    writeValuesToModbus();
    bool allOk = true;
    for (int c = 0; c < cameraCount; ++c)
        allOk = allOk && cameraViews[c]->detectOk;
    CheckNG(false);
    updateCameraReports();
    phase = 2;

    if (alarmState != 2 && allOk && k == 1 && reDetectPending == 0 && p.templateAutoUpdate) {
        autoUpdatePending = true;
        for (int c = 0; c < cameraCount; ++c)
            cameraViews[c]->SaveReTrainImage(1);
    }
}

void MoJuWizard::RunAlgorithm(int camera, int detect)
{
    if (camera < 0 || camera >= cameraCount || !cameraViews[camera] || detect < 0 || detect >= kDetects)
        return;
    StepGuard step(cycleStepDepth);
    const SystemParam& p = *activeParams;
    CammerWidget* view = cameraViews[camera];
    const int parity = detect & 1;

    pendingCams[parity] &= ~(1 << camera);
    if (saveAllFlag)
        saveTestImage(camera, detect);

    if (runState == 2) {
        // Template sampling: the present frame becomes template 0; nothing is inspected.
        if (!view->samplingPending[detect])
            return;
        if (detectEnabled(p, detect))
            view->SaveReTrainImage(detect);
        view->samplingPending[detect] = false;
        view->detectOk = true;
        for (int c = 0; c < cameraCount; ++c) {
            for (int j = 0; j < detectsInUse(); ++j) {
                if (cameraViews[c]->samplingPending[j] && detectEnabled(p, j)) {
                    view->update();
                    return;
                }
            }
        }
        StartDetect();
        if (!p.okNgPulseMode) {
            controlPort->setOutput(kClamp, true);
            controlPort->publishOutputs();
        }
        runState = 2;
        if (wizardWidget && wizardWidget->isVisible())
            wizardWidget->hide();
        // The password box spins an event loop; ticks during it only watch the machine.
        if (checkPassword() == 0) {
            runState = 1;
            return;
        }
        // The operator reviews the new templates in the region editor; closing it goes on with
        // detection (BackTrain).
        noteLayoutBeforeEditor();
        alarmState = 3;
        regionPanel->enterEditMode(false);
        regionPanel->hide();
        applyAlarmState(3);
        regionReviewOpen = true;
        return;
    }

    if (view->engine) {
        view->engine->alignFrame(detect);
        view->engine->correctPosition(detect);
    }
    const std::vector<unsigned char>& shown = simulatedCameraFlag ? view->frameBuffer : view->grabBuffer;
    // The checked frame is shown in the run view and the live picture; the region editor's other
    // pictures (templates, recent NG frames, records) stay as their captions name them.
    if ((imageSource == -1 || imageSource == 1) && view->displayBuffer.size() == shown.size()) {
        std::memcpy(view->displayBuffer.data(), shown.data(), shown.size());
        view->displayChanged();
    }

    TemperatureChartData* store = TemperatureChartData::instance();
    RoundRecord record = store->round;
    record.camera = camera;
    store->setRoundInfo(record);
    if (view->engine)
        view->engine->inspectDetect(detect);

    if (!view->detectOk) {
        if (!p.okNgPulseMode) {
            if (parity == 0) {
                if (!p.productNoEjectorControl && !p.productNgEjectorPulse) {
                    controlPort->setOutput(kEjector, true);
                    if (!p.preCutClamp && !p.clampCutOnCavityAlarm && !p.separateDetectSignals)
                        controlPort->setOutput(kClamp, true);
                }
            } else if (p.preCutClamp == 0 || retry[1] == 0) {
                controlPort->setOutput(kClamp, true);
            }
            if (retry[parity] == 0 && !(parity == 0 && p.productNgEjectorPulse))
                controlPort->setOutput(kAlarm, true);
        }
        if (parity == 0 && p.productNgEjectorPulse) {
            const int regions = std::clamp(view->roiSet->roiCount[0], 0, CammerWidget::kRoisPerDetect);
            for (int r = 0; r < regions; ++r) {
                const int out = view->roiSet->outN[r];
                if (!view->roiOk[r] && out >= 0 && out < int(std::size(cutFlags)))
                    cutFlags[out] = true;
            }
        }
        if (recState[camera][detect] == 1 && retry[parity] == 0) {
            std::vector<unsigned char>& slot = view->recentNg[detect][view->recentNgCount[detect] % CammerWidget::kRecentNgFrames];
            slot = view->frameBuffer;
            view->recentNgCount[detect] += 1;
        }
    }
    controlPort->publishOutputs();
    if (imageSource == -1 || imageSource == 1)
        view->update();
}

void MoJuWizard::saveTestImage(int camera, int detect)
{
    const CammerWidget* view = cameraViews[camera];
    const QString path = QStringLiteral("./originalimage/cammer%1%2/template%3.bmp")
                             .arg(camera + 1)
                             .arg(detect + 1)
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss-zzz")));
    // A picture that cannot be written is skipped.
    if (view->grabBuffer.size() == size_t(view->frameBytes))
        writeFrameFile(path, view->grabBuffer.data(), view->imageWidth, view->imageHeight, view->colourFrames);
}

void MoJuWizard::ResetRun()
{
    for (int c = 0; c < cameraCount; ++c) {
        CammerWidget* view = cameraViews[c];
        view->detectOk = true;
        view->imageRoisOk = true;
        view->tempRoisOk = true;
        for (int d = 0; d < detectsInUse(); ++d) {
            for (int r = 0; r < CammerWidget::kRoisPerDetect; ++r) {
                view->roiOk[d * CammerWidget::kRoisPerDetect + r] = 1;
                view->roiValue[d * CammerWidget::kRoisPerDetect + r] = 0;
            }
        }
    }
    for (int d = 0; d < detectsInUse(); ++d)
        remaining[d] = 0;
}

void MoJuWizard::updateCameraReports()
{
    for (int c = 0; c < cameraCount; ++c)
        updateCameraReport(c);
}

void MoJuWizard::updateCameraReport(int c)
{
    const int d = std::clamp(curDet, 0, kDetects - 1);
    if (c < 0 || c >= cameraCount || !cameraViews[c])
        return;
    const CammerWidget* view = cameraViews[c];
    const CammerSingleton& set = *view->roiSet;
    QList<CameraReportRow>& rows = cameraReports[c];
    rows.clear();
    const int regions = std::clamp(set.roiCount[d], 0, CammerWidget::kRoisPerDetect);
    for (int j = 0; j < regions; ++j) {
        const int s = d * CammerWidget::kRoisPerDetect + j;
        CameraReportRow row{j + 1, toolTypeName(set.toolType[s]), 0, 0, double(view->roiValue[s]), view->roiOk[s] != 0};
        switch (set.toolType[s]) {
        case 6:  // similarity
            row.lower = set.sensitivity[s];
            break;
        case 1:  // spot
            row.lower = set.sensitivity[s];
            row.upper = set.area[s];
            break;
        case 9:  // temperature: signed 16-bit limits
            row.lower = qint16(set.sensitivity[s] & 0xFFFF);
            row.upper = qint16(set.area[s] & 0xFFFF);
            break;
        default:
            row.upper = set.area[s];
            break;
        }
        rows.append(row);
    }
    // The table is found by its object name under the camera's cell.
    if (CameraWgt_DataWidget* cell = cameraBox ? cameraBox->dataWidgetAt(c) : nullptr)
        if (auto* form = cell->findChild<CameraReportForm*>(QStringLiteral("CameraReportForm")))
            form->setRows(rows);
}
