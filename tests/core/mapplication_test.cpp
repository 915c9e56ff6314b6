// The application object: touch log throttling, the idle timers restarted by presses, and the
// first press on a dark screen that only wakes it. This binary runs under MApplication itself.
#include "core/mapplication.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "mainwindow/mojuwizard.h"
#include "tests/support/modalanswer.h"
#include "tests/support/dryrunlog.h"
#include "widgets/warnbox.h"

#include <QDateTime>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kBacklightOn = QStringLiteral("bash -c echo 0 > /sys/class/backlight/intel_backlight/bl_power");

// Counts the touch log lines that reach Qt's message handler.
int g_touchLines = 0;
void countTouchLines(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtInfoMsg && message.startsWith(QLatin1String("MApplication::notify touch once!")))
        ++g_touchLines;
}

// Records the presses and releases a widget is given.
class PressRecorder : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;
    int releases = 0;

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        ++presses;
        QWidget::mousePressEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        ++releases;
        QWidget::mouseReleaseEvent(e);
    }
};

class ApplicationObject : public ::testing::Test {
protected:
    void SetUp() override
    {
        app = qobject_cast<MApplication*>(qApp);
        ASSERT_NE(app, nullptr) << "the core tests must run under MApplication";
        params = std::make_unique<SystemParam>();
        activeParams = params.get();
        lastTouchLogTime = 0;
        g_touchLines = 0;
        previousHandler = qInstallMessageHandler(countTouchLines);
    }
    void TearDown() override
    {
        qInstallMessageHandler(previousHandler);
        window.reset();  // owns the IO port
        mainWindow = nullptr;
        controlPort = nullptr;
        activeParams = nullptr;
        simulatedCameraFlag = 0;
        app->calibrationPromptShown = false;
        app->longPressTimer->stop();
    }
    void makeWindow()
    {
        // No camera here: the window asks whether to clear the stored serial numbers.
        ModalAnswer::pressWhenShown(QStringLiteral("取消"));
        window = std::make_unique<MoJuWizard>();
        window->logoutTimer->stop();
        window->screenOffTimer->stop();
    }

    MApplication* app = nullptr;
    std::unique_ptr<SystemParam> params;
    std::unique_ptr<MoJuWizard> window;
    QtMessageHandler previousHandler = nullptr;
};

TEST_F(ApplicationObject, PressesWithinASecondShareOneLogLine)
{
    QWidget target;
    for (int i = 0; i < 10; ++i)
        QTest::mouseClick(&target, Qt::LeftButton);
    EXPECT_EQ(g_touchLines, 1);
    EXPECT_GT(lastTouchLogTime, 0);

    // Releases are never logged; a press more than a second after the last line is.
    QTest::mouseRelease(&target, Qt::LeftButton);
    EXPECT_EQ(g_touchLines, 1);
    lastTouchLogTime = QDateTime::currentMSecsSinceEpoch() - 1001;
    QTest::mousePress(&target, Qt::LeftButton);
    EXPECT_EQ(g_touchLines, 2);
}

TEST_F(ApplicationObject, BeforeTheMainWindowPressesAreOnlyLoggedAndDelivered)
{
    PressRecorder target;
    QTest::mouseClick(&target, Qt::LeftButton);
    EXPECT_EQ(target.presses, 1);
    EXPECT_EQ(target.releases, 1);
    EXPECT_EQ(g_touchLines, 1);
}

TEST_F(ApplicationObject, PressRestartsTheIdleTimersThatAreSwitchedOn)
{
    struct Case {
        const char* name;
        int logoutSeconds;
        int screenOffSeconds;
    };
    const Case cases[] = {
        { "both on", 120, 600 },
        { "auto-logout off: its timer is left alone", 0, 30 },
        { "screen-off off: the screen never darkens from inactivity", 60, 0 },
        { "both off", 0, 0 },
    };
    makeWindow();
    QWidget target;
    for (const Case& c : cases) {
        params->autoLogoutSeconds = c.logoutSeconds;
        params->screenOffSeconds = c.screenOffSeconds;
        window->logoutTimer->stop();
        window->screenOffTimer->stop();
        // No operator is logged in: the logout timer restarts all the same.
        window->loginLevel = 0;
        QTest::mousePress(&target, Qt::LeftButton);
        EXPECT_EQ(window->logoutTimer->isActive(), c.logoutSeconds > 0) << c.name;
        EXPECT_EQ(window->screenOffTimer->isActive(), c.screenOffSeconds > 0) << c.name;
        if (c.logoutSeconds > 0) {
            EXPECT_EQ(window->logoutTimer->interval(), c.logoutSeconds * 1000) << c.name;
        }
        if (c.screenOffSeconds > 0) {
            EXPECT_EQ(window->screenOffTimer->interval(), c.screenOffSeconds * 1000) << c.name;
        }
        QTest::mouseRelease(&target, Qt::LeftButton);
    }

    // A switched-off idle action keeps whatever timer runs; releases change nothing.
    params->autoLogoutSeconds = 0;
    params->screenOffSeconds = 0;
    window->logoutTimer->start(7000);
    window->screenOffTimer->stop();
    QTest::mouseClick(&target, Qt::LeftButton);
    EXPECT_EQ(window->logoutTimer->interval(), 7000);
    EXPECT_FALSE(window->screenOffTimer->isActive());
    params->autoLogoutSeconds = 120;
    params->screenOffSeconds = 600;
    window->logoutTimer->stop();
    QTest::mouseRelease(&target, Qt::LeftButton);
    EXPECT_FALSE(window->logoutTimer->isActive());
    EXPECT_FALSE(window->screenOffTimer->isActive());
}

TEST_F(ApplicationObject, FirstPressOnTheDarkScreenOnlyWakesIt)
{
    params->autoLogoutSeconds = 120;
    params->screenOffSeconds = 600;
    makeWindow();
    QPushButton button(QStringLiteral("合模"));
    PressRecorder field;
    QSignalSpy clicked(&button, &QPushButton::clicked);

    window->TimerLCD();
    ASSERT_EQ(window->backlightOff, 1);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 0) << "the button under the glove was pressed blindly";
    EXPECT_EQ(window->backlightOff, 0);
    EXPECT_EQ(DryRunLog::recordedCommands().value(1), kBacklightOn);
    // The waking press still counts as activity.
    EXPECT_TRUE(window->logoutTimer->isActive());
    EXPECT_TRUE(window->screenOffTimer->isActive());

    // Now lit: the next press is delivered.
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);

    // The swallowed press's release still arrives.
    window->TimerLCD();
    QTest::mousePress(&field, Qt::LeftButton);
    QTest::mouseRelease(&field, Qt::LeftButton);
    EXPECT_EQ(field.presses, 0);
    EXPECT_EQ(field.releases, 1);
    QTest::mousePress(&field, Qt::LeftButton);
    EXPECT_EQ(field.presses, 1);
}

TEST_F(ApplicationObject, LongPressPromptOnlyWithTheSimulatedCameras)
{
    // Real cameras: the timer stops and nothing is shown.
    app->longPressTimer->start(60000);
    app->onLongPress();
    EXPECT_FALSE(app->longPressTimer->isActive());
    EXPECT_FALSE(app->calibrationPromptShown);

    simulatedCameraFlag = 1;
    bool warned = false;
    // Answered whenever it comes: a timer armed for a moment could fire before the box is up.
    ModalAnswer::whenShown(
        [&warned](QWidget* modal) {
            auto* box = qobject_cast<Warnbox*>(modal);
            if (!box)
                return false;
            warned = true;
            box->acceptDialog();
            return true;
        },
        QStringLiteral("the warning"));
    app->onLongPress();
    EXPECT_TRUE(warned);
    EXPECT_TRUE(app->calibrationPromptShown);
}

TEST_F(ApplicationObject, ReleaseStopsTheLongPressTimerUntilThePromptWasShown)
{
    QWidget target;
    app->longPressTimer->start(60000);
    QTest::mouseRelease(&target, Qt::LeftButton);
    EXPECT_FALSE(app->longPressTimer->isActive());

    app->calibrationPromptShown = true;
    app->longPressTimer->start(60000);
    QTest::mouseRelease(&target, Qt::LeftButton);
    EXPECT_TRUE(app->longPressTimer->isActive());
}

}  // namespace
