// The tick's other ways: the automatic re-check of an NG round, the standing alarm, manual
// captures and continuous timed detection.
#include "tests/mainwindow/cyclefixture.h"
#include "view/drawroiwidget.h"

#include <cstdlib>

namespace {

TEST_F(CycleTest, AutomaticReCheckRunsOnTheNextTickOnAFreshFrameAndSpendsARetry)
{
    params->triggerDelay[0] = 0;
    params->triggerDelay[1] = 100;
    build();
    addPartRegion(0, 1);
    window->saveAllFlag = true;
    CycleCamera* camera = CycleCamera::opened().front();

    // An NG cavity round with one re-check left waits for its re-check.
    camera->setFrame(partLeftInCavity());
    waitFrameTaken(camera);
    window->curDet = 1;
    window->retry[1] = 1;
    window->reDetectPending = 1;
    ASSERT_TRUE(waitFor([] { return checksRun(0, 1) == 1; }, kPatientWaitMs));
    EXPECT_EQ(window->retry[1], 0);
    EXPECT_FALSE(window->cameraViews[0]->detectOk);
    // The last re-check is used up: the clamp is prohibited and the alarm output goes active.
    EXPECT_TRUE(waitFor([this] { return activeOnBoard(0) && activeOnBoard(2); }, kPatientWaitMs));

    // With no re-check left, the pending re-check runs nothing more.
    pump(400);
    EXPECT_EQ(checksRun(0, 1), 1);
}

TEST_F(CycleTest, NoCycleStartsWhileTheAlarmStandsAndTheDoorArmsTheReCheck)
{
    params->triggerDelay[0] = 0;
    params->triggerDelay[1] = 0;
    build();
    window->saveAllFlag = true;
    window->alarmState = 2;
    window->regionPanel->enterEditMode(false);
    window->cameraViews[0]->detectResolved[0] = true;

    pulseInput(0);
    pump(300);
    EXPECT_EQ(checksRun(0, 0), 0);
    EXPECT_FALSE(activeOnBoard(1));

    // The door clears the resolved marks and the region panel checks the current detect again;
    // the clean picture lifts the alarm.
    pulseInput(1);
    ASSERT_TRUE(waitFor([] { return checksRun(0, 0) == 1; }, kPatientWaitMs));
    EXPECT_FALSE(window->inEvt[0]);
    EXPECT_FALSE(window->inEvt[1]);
    EXPECT_NE(window->alarmState, 2);
}

TEST_F(CycleTest, ManualCaptureRunsItsCheckAtOnceAndIsNotARoundOfTheMachine)
{
    params->triggerDelay[1] = 100;
    build();
    window->saveAllFlag = true;
    pump(250);  // the cycle time counts in tenths of a second
    const qint64 stamp = window->cycleStamp;
    window->manualTrig = 1;
    ASSERT_TRUE(waitFor([] { return checksRun(0, 1) == 1; }, kPatientWaitMs));
    EXPECT_EQ(window->manualTrig, detectsPerCamera);
    // The capture armed the record; its evaluation finished it (no OK pictures are kept).
    EXPECT_EQ(window->recState[0][1], 0);
    EXPECT_NE(window->cycleStamp, stamp);
    EXPECT_FALSE(window->delayTimers[1]->isActive()) << "a manual capture has no delay";
    EXPECT_FALSE(activeOnBoard(0));
    EXPECT_FALSE(activeOnBoard(1));
}

TEST_F(CycleTest, ContinuousTimedDetectionStartsACycleOnEveryIdleTick)
{
    params->continuousTimedDetection = 1;
    params->triggerDelay[0] = 0;
    params->triggerDelay[1] = 5;
    build(1, false);
    window->saveAllFlag = true;
    // Each cycle: product check at once, cavity check 0.5 s later, then the next idle tick.
    // (The first cycle may have begun before the test pictures were switched on.)
    ASSERT_TRUE(waitFor([] { return checksRun(0, 0) >= 3 && checksRun(0, 1) >= 3; }, kPatientWaitMs));
    EXPECT_LE(std::abs(checksRun(0, 0) - checksRun(0, 1)), 1) << "a cycle started while a countdown ran";
}

}  // namespace
