// The live/template toggle of the region panel during an NG alarm, also when the alarm comes back
// after the operator skipped a mould: the machine opened again while the alarm stood, that
// opening is checked once the clamp is permitted, and the part is still in the picture.
#include "tests/mainwindow/cyclefixture.h"

#include "core/texttable.h"
#include "mainwindow/menubtnwidget.h"
#include "view/camerawgtbox.h"
#include "view/camerawgtdatawidget.h"
#include "view/camerawgttitlesetroi.h"
#include "view/cammerwidget.h"
#include "view/drawroiwidget.h"
#include "widgets/combobox.h"
#include "tests/settings/settingsfixture.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

namespace {

class AlarmSourceTest : public CycleTest {
protected:
    void SetUp() override
    {
        CycleTest::SetUp();
        fillTextTable();
        currentLanguage = 0;
    }

    // Camera 2 finds a part left in its cavity on a mould opening: the alarm stands.
    void raiseCavityAlarm()
    {
        CycleCamera::opened().at(1)->setFrame(partLeftInCavity());
        setInput(0, true);
        ASSERT_TRUE(waitFor([this] { return window->alarmState == 2 && activeOnBoard(2); }, kPatientWaitMs));
        setInput(0, false);
        ASSERT_TRUE(waitFor([] { return !inputOnHost(0); }, kPatientWaitMs));
        pump(200);
    }

    DrawROIWidget* panel() const { return window->regionPanel; }

    // The panel as the operator finds it during the alarm: live picture, the alarm actions and
    // the toggle on show, the camera list on the cameras shown.
    void expectAlarmPanel(const char* when)
    {
        SCOPED_TRACE(when);
        EXPECT_EQ(window->alarmState, 2);
        EXPECT_EQ(imageSource, 1) << "the alarm shows the live picture";
        EXPECT_EQ(window->sideMenu->stack->currentWidget(), panel());
        EXPECT_FALSE(panel()->isHidden());
        EXPECT_TRUE(panel()->pCButtonAutoChange->isVisibleTo(panel()));
        EXPECT_TRUE(panel()->pCButtonNoCheckCur->isVisibleTo(panel()));
        EXPECT_EQ(panel()->pComboChangeSource->currentIndex(), 1);
        EXPECT_EQ(panel()->pComboChangeCamera->currentIndex(), window->shownCamera);
    }

    // With all cameras shown the toggle waits for one camera; with camera 2 chosen it goes to
    // the template and back to the live picture, the NG pixels blinking again.
    void expectToggleWorks(const char* when)
    {
        SCOPED_TRACE(when);
        ASSERT_EQ(window->shownCamera, cameraCount) << "the alarm opens on all cameras";
        panel()->SlotAutoChange();
        EXPECT_EQ(imageSource, 1) << "all cameras shown: nothing to toggle";
        panel()->pComboChangeCamera->setCurrentIndex(1);
        ASSERT_EQ(window->shownCamera, 1);
        EXPECT_EQ(imageSource, 1);

        panel()->pCButtonAutoChange->click();
        EXPECT_EQ(imageSource, 0) << "live -> template";
        EXPECT_EQ(panel()->pComboChangeSource->currentIndex(), 0);
        EXPECT_TRUE(panel()->pCButtonAutoChange->isVisibleTo(panel())) << "the toggle stays on the template page";
        EXPECT_TRUE(waitFor([this] { return !activeOnBoard(2); }, kPatientWaitMs)) << "the template silences the alarm output";

        panel()->pCButtonAutoChange->click();
        EXPECT_EQ(imageSource, 1) << "template -> live";
        EXPECT_EQ(panel()->pComboChangeSource->currentIndex(), 1);
        EXPECT_TRUE(window->cameraViews[1]->alarmTimer.isActive()) << "the NG pixels blink again";
        EXPECT_TRUE(panel()->pCButtonNoCheckCur->isVisibleTo(panel()));
        EXPECT_EQ(window->alarmState, 2);

        // Back to all cameras, as the operator had it.
        panel()->pComboChangeCamera->setCurrentIndex(cameraCount);
        EXPECT_EQ(window->shownCamera, cameraCount);
        EXPECT_EQ(imageSource, 1);
    }
};

TEST_F(AlarmSourceTest, LiveTemplateToggleWorksInAnAlarmThatCameBackAfterASkippedMould)
{
    params->productCheckEnabled = 0;
    build(2);
    addPartRegion(0, 1);
    addPartRegion(1, 1);

    raiseCavityAlarm();
    expectAlarmPanel("first alarm");
    expectToggleWorks("first alarm");

    // Skipped for all cameras, then for the NG camera alone (which re-checks the others).
    struct Skip {
        const char* name;
        int camera;  // camera chosen before the skip; cameraCount for all
        QString question;
    };
    const std::vector<Skip> skips = {
        {"all cameras skipped", 2, tableText(102)},
        {"camera 2 skipped", 1, tableText(105).arg(2)},
    };
    for (const Skip& skip : skips) {
        SCOPED_TRACE(skip.name);
        // The machine opens the mould once more while the alarm stands; that opening waits.
        pulseInput(0, 300);
        pump(300);
        ASSERT_EQ(window->alarmState, 2);
        panel()->pComboChangeCamera->setCurrentIndex(skip.camera);
        ASSERT_EQ(window->shownCamera, skip.camera);

        // The operator skips the mould without taking the part out: the waiting opening is
        // checked on the same picture and the alarm is back.
        {
            ModalScript yes({1, 1, 1});
            panel()->SlotNoCheckCur();
            EXPECT_TRUE(yes.texts.contains(skip.question)) << yes.texts.join(QLatin1Char('|')).toStdString();
        }
        ASSERT_TRUE(waitFor([this] { return window->alarmState != 2; }, kPatientWaitMs)) << "the skip lifted the alarm";
        ASSERT_TRUE(waitFor([this] { return window->alarmState == 2 && activeOnBoard(0); }, kPatientWaitMs)) << "the alarm came back";
        pump(300);
        expectAlarmPanel("alarm that came back");
        expectToggleWorks("alarm that came back");
    }
}

}  // namespace

namespace {

TEST_F(AlarmSourceTest, RecentNgShowsThePartAfterTheCameraIsChosenAgainAndWhileTheMachineRuns)
{
    params->productCheckEnabled = 0;
    params->passwordEnabled = 0;
    build(2);
    addPartRegion(0, 1);
    addPartRegion(1, 1);
    raiseCavityAlarm();

    // The part is taken out; the safety door's re-check lifts the alarm.
    CycleCamera::opened().at(1)->setFrame(emptyCavity());
    pulseInput(1);
    ASSERT_TRUE(waitFor([this] { return window->alarmState != 2; }, kPatientWaitMs));
    pump(300);

    // The grey the view shows over the part's place (frame 140..169 x 100..129).
    CammerWidget* view = window->cameraViews[1];
    const auto shownAtPart = [view] {
        const QImage shot = view->grab().toImage();
        return qGray(shot.pixel(int(155.0 / CycleCamera::kWidth * shot.width()),
                                int(115.0 / CycleCamera::kHeight * shot.height())));
    };
    const auto caption = [this] {
        return window->cameraBox->dataWidgetAt(1)->showSetRoiTitle()->infoLabel->text();
    };

    window->SlotAdjustArea();
    ASSERT_EQ(window->alarmState, 3);
    panel()->pComboChangeCamera->setCurrentIndex(1);
    panel()->pComboChangeSource->setCurrentIndex(2);
    ASSERT_EQ(imageSource, 2);
    ASSERT_EQ(window->shownCamera, 1);
    const QString ngCaption = caption();
    EXPECT_TRUE(ngCaption.endsWith(QStringLiteral("NG 1 / 1"))) << qPrintable(ngCaption);
    EXPECT_EQ(shownAtPart(), 250) << "the stored NG frame shows the part";

    // Camera 1, then camera 2 again, in the camera combo box.
    panel()->pComboChangeCamera->setCurrentIndex(0);
    panel()->pComboChangeCamera->setCurrentIndex(1);
    ASSERT_EQ(imageSource, 2);
    EXPECT_EQ(caption(), ngCaption);
    EXPECT_EQ(shownAtPart(), 250) << "the camera chosen again shows the empty cavity under the NG caption";

    // The machine goes on: a mould opening is checked (OK) while the editor shows the NG frame.
    const int checked = totalCounts[1];
    pulseInput(0, 300);
    ASSERT_TRUE(waitFor([checked] { return totalCounts[1] > checked; }, kPatientWaitMs)) << "no check ran";
    pump(200);
    EXPECT_EQ(imageSource, 2);
    EXPECT_EQ(shownAtPart(), 250) << "the check replaced the NG frame on show";
    panel()->pComboChangeCamera->setCurrentIndex(0);
    panel()->pComboChangeCamera->setCurrentIndex(1);
    EXPECT_EQ(shownAtPart(), 250);

    // Back on the live picture, the present frame.
    panel()->pComboChangeSource->setCurrentIndex(1);
    pump(300);
    EXPECT_EQ(shownAtPart(), 100);
}

TEST_F(AlarmSourceTest, LiveTemplateToggleWorksInAnAlarmRestoredAfterARestart)
{
    params->productCheckEnabled = 0;
    build(2);
    const auto regions = [this] {
        addPartRegion(0, 1);
        addPartRegion(1, 1);
    };
    regions();
    raiseCavityAlarm();

    // The program starts again with the alarm standing: the alarm comes back on its own.
    restartProgram(2, false);
    regions();
    ASSERT_TRUE(waitFor([this] { return window->alarmState == 2 && activeOnBoard(0) && activeOnBoard(2); }, kPatientWaitMs));
    pump(300);
    expectAlarmPanel("alarm restored after a restart");
    expectToggleWorks("alarm restored after a restart");
}

}  // namespace
