// A camera whose frames stop while its driver goes on reading connected: the machine is stopped
// on the wire, and no check decides on a picture taken before the mould opened.
#include "core/texttable.h"
#include "tests/core/paramtestdb.h"
#include "tests/mainwindow/cyclefixture.h"

#include "widgets/warnbox.h"

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
