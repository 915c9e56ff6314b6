#include "core/globals.h"
#include "core/shellrunner.h"
#include "mainwindow/mojuwizard.h"

#include <QFile>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QStringList recordedCommands()
{
    QFile log(QString::fromLatin1(ShellRunner::kDryRunLog));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace

TEST(MoJuWizard, ConstructorPublishesItselfWithIdleMembers)
{
    initialStationSet = true;
    initialStation = 0;
    auto* window = new MoJuWizard;
    EXPECT_EQ(mainWindow, window);
    EXPECT_EQ(window->loginLevel, 0);
    EXPECT_EQ(window->backlightOff, 0);
    EXPECT_EQ(window->currentEdit, nullptr);
    EXPECT_EQ(window->station, 0);
    EXPECT_EQ(window->width(), screenWidth);
    EXPECT_FALSE(window->screenOffTimer->isActive());
    initialStationSet = false;
    mainWindow = nullptr;
    delete window;
}

TEST(MoJuWizard, IdleTimersLogOutAndDarkenTheScreen)
{
    MoJuWizard window;
    window.loginLevel = 2;
    window.logoutTimer->start(60000);
    window.TimerLogout();
    EXPECT_EQ(window.loginLevel, 0);
    EXPECT_FALSE(window.logoutTimer->isActive());

    window.screenOffTimer->start(60000);
    window.TimerLCD();
    EXPECT_FALSE(window.screenOffTimer->isActive());
    EXPECT_EQ(window.backlightOff, 1);
    EXPECT_EQ(recordedCommands(), QStringList{"bash -c echo 1 > /sys/class/backlight/intel_backlight/bl_power"});
    mainWindow = nullptr;
}
