#include "core/globals.h"
#include "core/platformutils.h"
#include "core/shellrunner.h"
#include "tests/support/dryrunlog.h"
#include "tests/mainwindow/windowfixture.h"

#include "widgets/numberinput.h"
#include "widgets/numcharinput.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTest>
#include <QTimer>

namespace {

const QString kBacklightOff = QStringLiteral("bash -c echo 1 > /sys/class/backlight/intel_backlight/bl_power");
const QString kBacklightOn = QStringLiteral("bash -c echo 0 > /sys/class/backlight/intel_backlight/bl_power");

using MoJuWizardTest = MainWindowFixture;

}  // namespace

TEST_F(MoJuWizardTest, ConstructorPublishesItselfWithIdleMembers)
{
    initialStationSet = true;
    initialStation = 0;
    params->comPort = 2;
    params->productCheckEnabled = 1;
    build();
    initialStationSet = false;

    EXPECT_EQ(mainWindow, window);
    EXPECT_EQ(window->loginLevel, 0);
    EXPECT_EQ(window->backlightOff, 0);
    EXPECT_EQ(window->currentEdit, nullptr);
    EXPECT_EQ(window->station, 0);
    EXPECT_EQ(window->curDet, 0);
    EXPECT_EQ(window->width(), screenWidth);
    EXPECT_EQ(ioComIndex, 2);
    ASSERT_NE(controlPort, nullptr);
    EXPECT_FALSE(window->logoutTimer->isActive());
    // Screen-off time 0: the screen never goes dark by itself.
    EXPECT_FALSE(window->screenOffTimer->isActive());
}

TEST_F(MoJuWizardTest, ScreenOffTimeStartsTheScreenSaverAndNoProductCheckStartsAtTheCavity)
{
    params->screenOffSeconds = 300;
    params->productCheckEnabled = 0;
    build();
    EXPECT_TRUE(window->screenOffTimer->isActive());
    EXPECT_EQ(window->screenOffTimer->interval(), 300 * 1000);
    EXPECT_EQ(window->curDet, 1);
}

TEST_F(MoJuWizardTest, IdleTimersLogOutAndDarkenTheScreen)
{
    build();
    window->loginLevel = 2;
    window->logoutTimer->start(60000);
    window->TimerLogout();
    EXPECT_EQ(window->loginLevel, 0);
    EXPECT_FALSE(window->logoutTimer->isActive());

    window->screenOffTimer->start(60000);
    window->TimerLCD();
    EXPECT_FALSE(window->screenOffTimer->isActive());
    EXPECT_EQ(window->backlightOff, 1);
    EXPECT_EQ(DryRunLog::recordedCommands(), QStringList{kBacklightOff});
}

TEST_F(MoJuWizardTest, BacklightCommandsFollowTheFlag)
{
    build();
    setScreenPower(false);
    EXPECT_EQ(window->backlightOff, 1);
    setScreenPower(true);
    setScreenPower(true);
    EXPECT_EQ(window->backlightOff, 0);
    EXPECT_EQ(DryRunLog::recordedCommands(), (QStringList{kBacklightOff, kBacklightOn, kBacklightOn}));
}

TEST_F(MoJuWizardTest, PressOnTheWindowHidesTheOpenPads)
{
    build();
    window->show();
    gpNumberInput = new NumberInput(nullptr);
    gpNumCharInput = new NumCharInput(nullptr);
    gpNumberInput->show();
    gpNumCharInput->show();
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_FALSE(gpNumberInput->isVisible());
    EXPECT_FALSE(gpNumCharInput->isVisible());
    delete gpNumberInput.data();
    delete gpNumCharInput.data();
}

TEST_F(MoJuWizardTest, PasswordChecksAskOnlyWhenNeeded)
{
    struct Case {
        const char* name;
        int passwordEnabled;
        int levelBefore;
        int levelGrantedByBox;  // -1: no password box for checkPassword (a box is cancelled); else the level the box grants
        int checkPassword;
        bool advanced;
    } const cases[] = {
        {"protection off", 0, 0, -1, 2, false},
        {"user logged in", 1, 1, -1, 1, false},
        {"service logged in", 1, 2, -1, 2, true},
        {"nobody logged in, cancel", 1, 0, 0, 0, false},
        {"nobody logged in, user password", 1, 0, 1, 1, false},
        {"nobody logged in, service password", 1, 0, 2, 2, true},
    };
    build();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        params->passwordEnabled = c.passwordEnabled;
        int boxes = 0;
        // Stands in for the operator at the box: the box grants a level, then closes.
        auto answer = [&]() {
            QTimer::singleShot(20, [&]() {
                if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                    ++boxes;
                    if (c.levelGrantedByBox >= 0)
                        window->loginLevel = c.levelGrantedByBox;
                    box->done(c.levelGrantedByBox > 0 ? 1 : 0);
                }
            });
        };
        window->loginLevel = c.levelBefore;
        answer();
        EXPECT_EQ(window->checkPassword(), c.checkPassword);
        const bool passwordBoxExpected = c.levelGrantedByBox >= 0 && c.passwordEnabled;
        QTest::qWait(40);
        EXPECT_EQ(boxes, passwordBoxExpected ? 1 : 0);

        boxes = 0;
        window->loginLevel = c.levelBefore;
        answer();
        EXPECT_EQ(window->checkAdvancedUser(), c.advanced);
        QTest::qWait(40);
        EXPECT_EQ(boxes, c.levelBefore == 2 ? 0 : 1);
    }
}
