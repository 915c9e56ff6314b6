// A camera whose frames stop while its driver goes on reading connected: the machine is stopped
// on the wire, and no check decides on a picture taken before the mould opened.
#include "core/texttable.h"
#include "tests/core/paramtestdb.h"
#include "tests/mainwindow/cyclefixture.h"

#include "tests/support/modalsteps.h"
#include "view/drawroiwidget.h"
#include "widgets/warnbox.h"

#include <algorithm>

namespace {

// The watch needs the silence limit of ticks; the guard leaves room for a loaded machine.
constexpr int kLossGuardMs = CammerWidget::kFrameSilenceLimitMs + 10000;

QString lossLines(const char* serial)
{
    return sqliteValue(QStringLiteral("RECORD.db"),
                       QStringLiteral("select remarks from RECORD where remarks like '%%1%' order by rowid").arg(serial));
}

TEST_F(CycleTest, StreamThatStopsWhileTheDriverReadsConnectedStopsTheMachine)
{
    fillTextTable();
    currentLanguage = 0;
    build(2);
    CycleCamera* camera = CycleCamera::opened().at(1);
    // No frame arrives and none is counted; the driver still answers that it is there.
    camera->streaming = false;
    camera->framesPerSecond = 0;
    ASSERT_TRUE(waitFor([this] { return !window->cameraViews[1]->cameraConnected; }, kLossGuardMs))
        << "the silent camera was never taken as lost";
    ASSERT_TRUE(waitFor([this] { return activeOnBoard(0); }, kPatientWaitMs)) << "clamp not prohibited on the board";
    ASSERT_TRUE(sharedWarnbox);
    EXPECT_TRUE(sharedWarnbox->isVisible());
    EXPECT_EQ(camera->releases, 1);
    EXPECT_TRUE(window->cameraViews[0]->cameraConnected);
    EXPECT_EQ(lossLines("CYC1"), QStringLiteral("第1次丢失相机, CYC1"));

    // The mould opens meanwhile: nothing is checked, the clamp stays prohibited.
    setInput(0, true);
    pump(1500);
    EXPECT_TRUE(activeOnBoard(0));
    EXPECT_EQ(checksRun(0, 0) + checksRun(1, 0), 0);
}

TEST_F(CycleTest, CheckStartedAfterTheStallNeverReadsOkOnTheOldFrame)
{
    fillTextTable();
    currentLanguage = 0;
    params->triggerDelay[0] = 5;
    params->triggerDelay[1] = 5;
    build();
    window->saveAllFlag = true;
    addPartRegion(0, 0);
    CycleCamera* camera = CycleCamera::opened().front();
    CammerWidget* view = window->cameraViews[0];
    // The last picture before the stall shows an empty cavity; the driver goes on counting
    // frames, so only the check itself can notice that none reaches it.
    pump(300);
    camera->streaming = false;

    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return window->delayTimers[0]->isActive(); }, kPatientWaitMs)) << "no cycle started";
    ASSERT_TRUE(waitFor([view] { return !view->cameraConnected; }, kLossGuardMs))
        << "the check never gave up waiting for a frame";
    EXPECT_EQ(checksRun(0, 0), 0) << "a check ran on the picture from before the mould opened";
    ASSERT_TRUE(waitFor([this] { return activeOnBoard(0); }, kPatientWaitMs)) << "clamp not prohibited on the board";
    EXPECT_TRUE(activeOnBoard(1)) << "the ejector was released without a check";
    EXPECT_EQ(lossLines("CYC0"), QStringLiteral("第1次丢失相机, CYC0"));

    // The camera comes back showing a part left behind: the waiting check runs on that picture.
    camera->setFrame(partLeftInCavity());
    camera->streaming = true;
    camera->reconnects = true;
    ASSERT_TRUE(waitFor([this] { return checksRun(0, 0) == 1; }, kLossGuardMs)) << "the check never ran";
    EXPECT_FALSE(view->detectOk);
    EXPECT_TRUE(view->cameraConnected);
    EXPECT_TRUE(waitFor([this] { return activeOnBoard(2); }, kPatientWaitMs)) << "alarm output";
    EXPECT_EQ(lossLines("CYC0"), QStringLiteral("第1次丢失相机, CYC0\n相机CYC0，重连成功"));
}

}  // namespace

namespace {

// A check's wait for frames that something else ended: the wait's clock goes with it. The next
// check, which always waits at least one tick for a frame taken after the mould opened, must find
// a clock of its own, not one that ran on through the interruption and gives up at once.
struct Interruption;

class FrameWaitInterrupted : public CycleTest, public ::testing::WithParamInterface<Interruption> {
public:
    using Step = void (*)(FrameWaitInterrupted&);

    static void cavityOnly(SystemParam& p) { p.productCheckEnabled = 0; }
    // The product check alone starts on the mould opening; the cavity check waits for input 2.
    static void productThenCavityOnInput2(SystemParam& p) { p.semiAutomatic = 1; }

    static void stopByTheOperator(FrameWaitInterrupted& t)
    {
        ModalSteps confirm({ModalSteps::press(QStringLiteral("确定"))});
        t.window->SlotStartStop();
        ASSERT_EQ(t.window->runState, 3) << "the stop was not confirmed";
    }
    static void startByTheOperator(FrameWaitInterrupted& t)
    {
        t.window->SlotStartStop();
        ASSERT_EQ(t.window->runState, 1);
    }
    static void nothingToResume(FrameWaitInterrupted&) {}

    // The cavity captured on the part left behind: its alarm stops detection.
    static void cavityCaptureRaisesTheAlarm(FrameWaitInterrupted& t)
    {
        t.window->SlotManualTrig(1);
        ASSERT_TRUE(t.waitFor([&t] { return t.window->alarmState == 2; }, kPatientWaitMs))
            << "the capture raised no alarm";
    }
    static void recheckOnTheEmptyCavity(FrameWaitInterrupted& t)
    {
        // The regions the test set count as an edit: the re-check may ask to save them.
        ModalSteps save({ModalSteps::finish(1)});
        t.window->regionPanel->SlotReCheck();
        ASSERT_NE(t.window->alarmState, 2) << "the re-check on the empty cavity left the alarm standing";
        ASSERT_EQ(t.window->runState, 1);
    }

    static void captureOfTheWaitingCheck(FrameWaitInterrupted& t)
    {
        const int before = checksRun(0, 1);
        t.window->SlotManualTrig(1);
        ASSERT_TRUE(t.waitFor([&] { return checksRun(0, 1) > before; }, kPatientWaitMs))
            << "the capture never ran the check";
    }

    static void doorOpened(FrameWaitInterrupted& t)
    {
        // The door's event, confirmed while the check waits (its edge came before the countdown
        // started: a running countdown drops later edges).
        const int before = checksRun(0, 1);
        t.window->inEvt[1] = true;
        ASSERT_TRUE(t.waitFor([&] { return checksRun(0, 1) > before && !t.window->inEvt[1]; }, kPatientWaitMs))
            << "the door never ran the cavity check";
    }
};

struct Interruption {
    const char* name;
    // The check whose wait is cut short.
    int waiting;
    void (*configure)(SystemParam&);
    // Ends the wait while the camera is silent and shows a part left (`partLeftShown`) or an
    // empty cavity.
    FrameWaitInterrupted::Step interrupt;
    // Brings detection back once the camera sends frames of an empty cavity again.
    FrameWaitInterrupted::Step resume;
    bool partLeftShown;
};

void PrintTo(const Interruption& c, std::ostream* os)
{
    *os << c.name;
}

TEST_P(FrameWaitInterrupted, NextCheckThatWaitsATickReportsNoCameraLost)
{
    const Interruption& c = GetParam();
    fillTextTable();
    currentLanguage = 0;
    params->triggerDelay[0] = 0;
    params->triggerDelay[1] = 0;
    params->doorTriggersDetection = 1;
    c.configure(*params);
    build();
    window->saveAllFlag = true;
    addPartRegion(0, 1);
    CycleCamera* camera = CycleCamera::opened().front();
    CammerWidget* view = window->cameraViews[0];
    camera->setFrame(c.partLeftShown ? partLeftInCavity() : emptyCavity());
    waitFrameTaken(camera);
    camera->streaming = false;

    // The mould opens on a silent camera: the check waits for a frame taken after that.
    setInput(0, true);
    ASSERT_TRUE(waitFor([&] { return window->delayTimers[c.waiting]->isActive(); }, kPatientWaitMs))
        << "the check never waited for a frame";
    QElapsedTimer sinceTheWaitBegan;
    sinceTheWaitBegan.start();
    setInput(0, false);
    ASSERT_EQ(checksRun(0, c.waiting), 0);

    c.interrupt(*this);
    if (HasFatalFailure())
        return;
    ASSERT_FALSE(window->delayTimers[c.waiting]->isActive()) << "the wait went on";
    camera->setFrame(emptyCavity());
    camera->streaming = true;
    waitFrameTaken(camera);
    c.resume(*this);
    if (HasFatalFailure())
        return;

    // Longer than the frame-silence limit since the interrupted wait began.
    pump(int(std::max<qint64>(0, CammerWidget::kFrameSilenceLimitMs + 1000 - sinceTheWaitBegan.elapsed())));
    ASSERT_TRUE(view->cameraConnected);

    // The next mould opening: its check waits a tick for a new frame, then runs.
    const int before = checksRun(0, c.waiting);
    pulseInput(0);
    ASSERT_TRUE(waitFor([&] { return checksRun(0, c.waiting) > before || !view->cameraConnected; }, kLossGuardMs))
        << "the check of the next cycle never ran";
    EXPECT_TRUE(view->cameraConnected) << "a camera that sends frames was reported lost";
    EXPECT_EQ(camera->releases, 0);
    EXPECT_EQ(lossLines("CYC0"), QString());
}

using F = FrameWaitInterrupted;
INSTANTIATE_TEST_SUITE_P(
    Interruptions, FrameWaitInterrupted,
    ::testing::Values(
        Interruption{"StopByTheOperator", 1, F::cavityOnly, F::stopByTheOperator, F::startByTheOperator, false},
        Interruption{"AlarmOfAnotherCheck", 0, F::productThenCavityOnInput2, F::cavityCaptureRaisesTheAlarm,
                     F::recheckOnTheEmptyCavity, true},
        Interruption{"ManualCaptureOfTheWaitingCheck", 1, F::cavityOnly, F::captureOfTheWaitingCheck,
                     F::nothingToResume, false},
        Interruption{"SafetyDoor", 1, F::cavityOnly, F::doorOpened, F::nothingToResume, false}),
    [](const ::testing::TestParamInfo<Interruption>& info) { return std::string(info.param.name); });

}  // namespace
