#include "core/globals.h"
#include "core/platformutils.h"
#include "core/shellrunner.h"
#include "tests/mainwindow/windowfixture.h"

#include <QFile>
#include <QTimer>

namespace {

QStringList recordedCommands()
{
    QFile log(QString::fromLatin1(ShellRunner::kDryRunLog));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

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
    EXPECT_EQ(recordedCommands(), QStringList{kBacklightOff});
}

TEST_F(MoJuWizardTest, BacklightCommandsFollowTheFlag)
{
    build();
    setScreenPower(false);
    EXPECT_EQ(window->backlightOff, 1);
    setScreenPower(true);
    setScreenPower(true);
    EXPECT_EQ(window->backlightOff, 0);
    EXPECT_EQ(recordedCommands(), (QStringList{kBacklightOff, kBacklightOn, kBacklightOn}));
}
