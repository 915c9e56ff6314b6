// The bottom bar and the side panel of the main window: their parts, the clock field's cycle
// text, the page switch, and the side menu's capture buttons.
#include "io/iostatuswidget.h"
#include "mainwindow/dottomdock_describe.h"
#include "mainwindow/dottomdockclock.h"
#include "mainwindow/dottomdockwidget.h"
#include "mainwindow/main_menubtnwidget.h"
#include "mainwindow/menubtnwidget.h"
#include "tests/mainwindow/windowfixture.h"
#include "view/camerawgtbox.h"
#include "view/drawroiwidget.h"

#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTranslator>

namespace {

using PanelsTest = MainWindowFixture;

TEST(ClockField, CycleTimeInSecondsWithOneDecimalPaddedToFourCharacters)
{
    const struct {
        int tenths;
        const char* text;
    } cases[] = {{123, "周期12.3秒"}, {5, "周期 0.5秒"}, {0, "周期 0.0秒"}, {1234, "周期123.4秒"}};
    for (const auto& c : cases)
        EXPECT_EQ(DottomDock_Describe_part1::cycleText(c.tenths), QString::fromUtf8(c.text)) << c.tenths;
}

TEST(SidePanel, PagesFollowTheScreenState)
{
    MenuBtnWidget panel;
    EXPECT_EQ(panel.width(), 100);
    EXPECT_EQ(panel.stack->currentWidget(), panel.mainMenu);
    EXPECT_EQ(panel.regionPanel->objectName(), QStringLiteral("_DrawROI_MenuBtn"));
    EXPECT_EQ(panel.mainMenu->objectName(), QStringLiteral("_Main_MenuBtn"));
    // Page after each call, in turn: 1 (the result display) changes nothing.
    const struct {
        int page;
        QWidget* shown;
    } steps[] = {{1, panel.mainMenu}, {3, panel.regionPanel}, {1, panel.regionPanel},
                 {0, panel.mainMenu}, {2, panel.regionPanel}, {0, panel.mainMenu}};
    for (const auto& step : steps) {
        panel.setPage(step.page);
        EXPECT_EQ(panel.stack->currentWidget(), step.shown) << step.page;
    }
}

TEST(PanelTexts, EnglishOnceTheTranslationIsInstalled)
{
    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral(MONITOR_BINARY_DIR "/Translator/tr_en.qm")));
    QCoreApplication::installTranslator(&english);
    const MenuBtnWidget panel;
    DottomDockWidget bar;
    const QString barTexts = bar.repickButton->text() + '|' + bar.startStopButton->text();
    bar.setRunning(true);
    const QString running = bar.startStopButton->text();
    const QString cycle = DottomDock_Describe_part1::cycleText(123);
    QCoreApplication::removeTranslator(&english);

    EXPECT_EQ(barTexts, QStringLiteral("Resample|Start"));
    EXPECT_EQ(running, QStringLiteral("Stop"));
    EXPECT_EQ(cycle, QStringLiteral("Cycle 12.3 s"));
    const struct {
        const char* name;
        const char* text;
    } buttons[] = {{"pBtnSetSystem", "Settings"},         {"pBtnSetROI", "Regions"},
                   {"pBtnStatistics", "Statistics"},      {"pBtnTemperatureChart", "Temp. chart"},
                   {"pBtnCavityManual", "Cavity shot"},   {"pBtnProductManual", "Product shot"}};
    for (const auto& b : buttons) {
        auto* button = panel.mainMenu->findChild<QPushButton*>(QLatin1String(b.name));
        ASSERT_NE(button, nullptr) << b.name;
        EXPECT_EQ(button->text(), QLatin1String(b.text));
    }
}

TEST_F(PanelsTest, WindowHasTheBarBelowAndTheMenuBesideTheCameras)
{
    QDir().mkpath(QStringLiteral("logo"));
    QImage logo(50, 40, QImage::Format_RGB32);
    logo.fill(Qt::red);
    ASSERT_TRUE(logo.save(QStringLiteral("logo/logo.png")));
    build();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    EXPECT_EQ(window->bottomBar->objectName(), QStringLiteral("pWgtDottomDock"));
    EXPECT_EQ(window->regionPanel, window->sideMenu->regionPanel);
    const QRect cameras = window->cameraBox->geometry();
    EXPECT_GE(window->sideMenu->x(), cameras.right()) << "menu at the right of the camera area";
    EXPECT_EQ(window->sideMenu->geometry().right(), window->width() - 1);
    EXPECT_GE(window->bottomBar->y(), window->sideMenu->geometry().bottom()) << "bar at the foot";
    EXPECT_EQ(window->bottomBar->width(), window->width());

    // The bar's parts, in order from the left.
    DottomDockWidget* bar = window->bottomBar;
    EXPECT_LT(bar->ioLamps->x(), bar->describe->x());
    EXPECT_LT(bar->describe->x(), bar->repickButton->x());
    EXPECT_LT(bar->repickButton->x(), bar->startStopButton->x());
    EXPECT_EQ(bar->repickButton->size(), QSize(200, 80));
    EXPECT_EQ(bar->repickButton->text(), QStringLiteral("重新取样"));
    EXPECT_EQ(bar->startStopButton->text(), QStringLiteral("停止检测")) << "detecting after start-up";

    // The menu's buttons top to bottom; the logo fills its button.
    const char* const names[] = {"pBtnLogo", "pBtnSetSystem", "pBtnSetROI", "pBtnStatistics",
                                 "pBtnTemperatureChart", "pBtnCavityManual", "pBtnProductManual"};
    int y = -1;
    for (const char* name : names) {
        auto* button = window->sideMenu->mainMenu->findChild<QPushButton*>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_GT(button->y(), y) << name;
        y = button->y();
    }
    auto* logoButton = window->sideMenu->mainMenu->findChild<QPushButton*>(QStringLiteral("pBtnLogo"));
    EXPECT_EQ(logoButton->iconSize(), logoButton->size());
    EXPECT_FALSE(logoButton->icon().isNull());
}

TEST_F(PanelsTest, CaptureButtonsAskForTheirCheckAndAreIgnoredWhileTheRegionPageIsShown)
{
    params->productCheckEnabled = 1;
    build();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->runTimer->stop();  // the requests stay where the buttons put them
    auto button = [this](const char* name) {
        return window->sideMenu->mainMenu->findChild<QPushButton*>(QLatin1String(name));
    };
    button("pBtnCavityManual")->click();
    EXPECT_EQ(window->manualTrig, 1);
    button("pBtnProductManual")->click();
    EXPECT_EQ(window->manualTrig, 0);

    // While the region page is shown (an alarm or region editing) commands wait for it.
    window->manualTrig = detectsPerCamera;
    window->applyAlarmState(3);
    ASSERT_TRUE(window->regionPanel->isVisible());
    EXPECT_TRUE(window->bottomBar->isHidden());
    window->SlotManualTrig(1);
    EXPECT_EQ(window->manualTrig, detectsPerCamera);
    window->SlotStartStop();
    EXPECT_EQ(window->runState, 1);

    window->applyAlarmState(0);
    EXPECT_FALSE(window->bottomBar->isHidden());
    EXPECT_EQ(window->sideMenu->stack->currentWidget(), window->sideMenu->mainMenu);
}

}  // namespace
