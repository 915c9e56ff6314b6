// The operator's commands on the main window: start and stop behind the password and the
// question, template re-sampling, manual captures, the detection LED, and zoom and pan.
#include "core/platformutils.h"
#include "io/controlport.h"
#include "mainwindow/dottomdockwidget.h"
#include "tests/mainwindow/modbusread.h"
#include "tests/mainwindow/recordsfixture.h"
#include "tests/support/eventwait.h"
#include "tests/support/modalsteps.h"
#include "view/cammerwidget.h"
#include "widgets/colorbutton.h"
#include "widgets/inputbox.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"
#include "widgets/edit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

namespace {

// Panel LED writes (led, value) through the LED library's entry point.
std::vector<std::pair<int, int>> g_ledWrites;
unsigned short recordLed(unsigned char led, unsigned char value)
{
    g_ledWrites.emplace_back(led, value);
    return 1;
}

// The value the last write gave `led`, -1 when it was not written.
int lastLedValue(int led)
{
    for (auto it = g_ledWrites.rbegin(); it != g_ledWrites.rend(); ++it)
        if (it->first == led)
            return it->second;
    return -1;
}

constexpr int kLedRunGreen = 2;
constexpr int kLedRunRed = 3;
constexpr int kLit = 0;
constexpr int kDark = 1;

const QString kOk = QStringLiteral("确定");
const QString kCancel = QStringLiteral("取消");

class CommandsTest : public RecordsFixture {
protected:
    void SetUp() override
    {
        RecordsFixture::SetUp();
        g_ledWrites.clear();
        gpioAvailable = true;
        gpioWrite = &recordLed;
    }
    void TearDown() override
    {
        gpioAvailable = false;
        gpioWrite = nullptr;
        RecordsFixture::TearDown();
    }
    bool outputActive(int i) const { return controlPort->readBit(true, i) != (params->outputRestState[i] != 0); }
    int runRegister() const
    {
        const std::vector<int> r = readRegisters(port, 0, 1);
        return r.empty() ? -1 : r[0];
    }
};

}  // namespace

TEST_F(CommandsTest, StartingFromStoppedRunsDetectionWithTheClampCutTheParametersAskFor)
{
    params->clampCutAfterCavityOk = 1;
    params->clampPulse = 5;
    build();
    window->StopDetect();
    window->bottomBar->setRunning(false);
    g_ledWrites.clear();

    ModalSteps none({});
    window->bottomBar->startStopButton->click();
    EXPECT_TRUE(none.shown.isEmpty()) << "starting asks nothing";
    EXPECT_EQ(window->runState, 1);
    EXPECT_EQ(runRegister(), 1);
    EXPECT_TRUE(outputActive(0)) << "clamp prohibited until the first OK cavity check";
    EXPECT_EQ(lastLedValue(kLedRunRed), kDark);
    EXPECT_EQ(lastLedValue(kLedRunGreen), kLit);
    EXPECT_TRUE(remarksAfterFirstRow(QStringLiteral("RECORD.db")).endsWith(QStringLiteral("手动设置开始检测")));
    EXPECT_EQ(window->bottomBar->startStopButton->text(), QStringLiteral("停止检测"));
    EXPECT_TRUE(window->bottomBar->startStopButton->property("is_running").toBool());
}

TEST_F(CommandsTest, StoppingAsksForThePasswordTheParametersWantAndTheConfirmation)
{
    const struct {
        const char* name;
        int passwordEnabled;
        int passwordForStop;
        int loginLevel;
        std::vector<ModalSteps::Step> steps;
        QStringList boxes;
        bool stops;
    } cases[] = {
        {"no protection: the question alone stops", 0, 0, 0, {ModalSteps::press(kOk)}, {"tipbox"}, true},
        {"no protection: cancelled question keeps running", 0, 0, 0, {ModalSteps::press(kCancel)}, {"tipbox"}, false},
        {"stop password: cancelled password keeps running", 0, 1, 0, {ModalSteps::finish(0)}, {"inputbox"}, false},
        {"stop password: accepted without a level keeps running", 0, 1, 0, {ModalSteps::finish(1)}, {"inputbox"}, false},
        {"stop password: user password, then the question", 0, 1, 0,
         {ModalSteps::enterPassword(QStringLiteral("2468")), ModalSteps::press(kOk)}, {"inputbox", "tipbox"}, true},
        {"protection on, user logged in: the question alone", 1, 0, 1, {ModalSteps::press(kOk)}, {"tipbox"}, true},
        {"protection on, nobody logged in: password refused", 1, 0, 0, {ModalSteps::finish(0)}, {"inputbox"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        params->passwordEnabled = c.passwordEnabled;
        params->passwordForStop = c.passwordForStop;
        params->clampOffWhenStopped = 1;
        ASSERT_TRUE(params->setPassword(QStringLiteral("2468")));
        build();
        window->loginLevel = c.loginLevel;
        g_ledWrites.clear();

        ModalSteps steps(c.steps);
        window->bottomBar->startStopButton->click();
        EXPECT_EQ(steps.shown, c.boxes);
        EXPECT_EQ(window->runState, c.stops ? 3 : 1);
        EXPECT_EQ(runRegister(), c.stops ? 0 : 1);
        EXPECT_EQ(outputActive(0), c.stops) << "clamp prohibited while stopped";
        EXPECT_EQ(lastLedValue(kLedRunRed), c.stops ? kLit : -1);
        EXPECT_EQ(lastLedValue(kLedRunGreen), c.stops ? kDark : -1);
        EXPECT_EQ(remarksAfterFirstRow(QStringLiteral("RECORD.db")).endsWith(QStringLiteral("手动设置停止检测")), c.stops);
        // The button shows the state the press left.
        EXPECT_EQ(window->bottomBar->startStopButton->text(), c.stops ? QStringLiteral("开始检测") : QStringLiteral("停止检测"));
        delete window;
        window = nullptr;
    }
}

TEST_F(CommandsTest, ResamplingWhileStoppedStartsDetectionInSamplingMode)
{
    params->detectEnabled[0] = 0;
    params->detectEnabled[1] = 1;
    build();
    window->StopDetect();
    CammerWidget* view = window->cameraViews[0];
    view->detectOk = false;
    view->roiOk[60] = 0;
    view->ignoreMask[1].assign(size_t(view->pixelCount), 0);
    view->ignoreMask[1][0] = 255;
    g_ledWrites.clear();

    ModalSteps steps({ModalSteps::press(kOk)});
    window->bottomBar->repickButton->click();
    EXPECT_EQ(steps.shown, QStringList{QStringLiteral("tipbox")});
    EXPECT_EQ(window->runState, 2);
    EXPECT_EQ(window->alarmState, 0);
    EXPECT_TRUE(view->detectOk);
    EXPECT_EQ(view->roiOk[60], 1);
    EXPECT_FALSE(view->samplingPending[0]) << "the product check is off";
    EXPECT_TRUE(view->samplingPending[1]);
    EXPECT_TRUE(window->cameraViews[1]->samplingPending[1]);
    EXPECT_EQ(lastLedValue(kLedRunRed), kDark);
    // The cavity's ignore mask is cleared and saved.
    const QImage mask(QStringLiteral("cammer12/ignorepoint.bmp"));
    ASSERT_FALSE(mask.isNull());
    EXPECT_EQ(qGray(mask.pixel(0, 0)), 0);
    // Logged, followed by the camera serial numbers written anew.
    EXPECT_TRUE(remarksAfterFirstRow(QStringLiteral("RECORD.db")).contains(tableText(139)));
}

TEST_F(CommandsTest, ResamplingIsRefusedByTheQuestionAndByAStandingAlarm)
{
    build();
    {
        ModalSteps cancelled({ModalSteps::press(kCancel)});
        window->SlotReTrain();
        EXPECT_EQ(cancelled.shown.size(), 1);
        EXPECT_EQ(window->runState, 1);
    }
    // An alarm that stands when the question is answered keeps the machine as it is.
    window->alarmState = 2;
    ModalSteps confirmed({ModalSteps::press(kOk)});
    window->SlotReTrain();
    EXPECT_EQ(confirmed.shown.size(), 1);
    EXPECT_EQ(window->runState, 1);
    EXPECT_EQ(window->alarmState, 2);
}

TEST_F(CommandsTest, ManualProductCaptureWithTheProductCheckOffOnlyWarns)
{
    params->productCheckEnabled = 0;
    build();
    const int none = window->manualTrig;
    ModalSteps steps({ModalSteps::finish(0)});
    window->SlotManualTrig(0);
    EXPECT_EQ(steps.shown, QStringList{QStringLiteral("Warnbox")});
    EXPECT_EQ(window->manualTrig, none);
}

TEST_F(CommandsTest, ManualCaptureOnASimulatedCameraLoadsItsNextPictureAndRunsTheCheck)
{
    // The simulated camera 1 alternates two stored pictures: an empty cavity (grey 100) and
    // another (grey 200).
    QDir().mkpath(QStringLiteral("cammer15"));
    QImage first(1920, 1080, QImage::Format_Grayscale8);
    first.fill(100);
    ASSERT_TRUE(first.save(QStringLiteral("cammer15/template0.bmp")));
    QImage second = first;
    second.fill(200);
    ASSERT_TRUE(second.save(QStringLiteral("cammer15/template1.bmp")));
    params->detectEnabled[1] = 1;
    params->triggerDelay[1] = 0;
    build();
    window->saveAllFlag = true;  // every inspected frame is kept as a test picture
    CammerWidget* view = window->cameraViews[0];
    ASSERT_TRUE(view->simulated);
    view->detectResolved[1] = true;

    // Each capture loads the camera's next picture: the first the one it opened with, the
    // second the other one.
    const QDir tests(QStringLiteral("originalimage/cammer12"));
    const auto checksRun = [&] { return tests.entryList({QStringLiteral("*.bmp")}, QDir::Files).size(); };
    const struct {
        int checks;
        unsigned char grey;
    } captures[] = {{1, 100}, {2, 200}};
    for (const auto& capture : captures) {
        SCOPED_TRACE(capture.checks);
        window->SlotManualTrig(1);
        EXPECT_EQ(window->manualTrig, 1);
        EXPECT_FALSE(view->detectResolved[1]);
        ASSERT_TRUE(waitUntil([&] { return checksRun() == capture.checks; }, kPatientWaitMs)) << "the cavity check ran";
        EXPECT_EQ(window->manualTrig, detectsPerCamera);
        EXPECT_EQ(view->frameBuffer[0], capture.grey) << "the check inspected the loaded picture";
        view->detectResolved[1] = true;
    }
}

TEST_F(CommandsTest, DetectionLedBlinksOnlyWhileDetecting)
{
    build();
    g_ledWrites.clear();
    window->SlotFPS();
    const int first = lastLedValue(kLedRunGreen);
    window->SlotFPS();
    EXPECT_NE(lastLedValue(kLedRunGreen), first);
    EXPECT_NE(lastLedValue(kLedRunGreen), -1);

    window->StopDetect();
    for (int i = 0; i < 3; ++i) {
        window->SlotFPS();
        EXPECT_EQ(lastLedValue(kLedRunGreen), kDark);
    }
    EXPECT_EQ(window->fpsTimer->interval(), 1000);
    EXPECT_TRUE(window->fpsTimer->isActive());
}

TEST_F(CommandsTest, ZoomStepsKeepTheInspectedPointAndFiveStepsBackResetThePan)
{
    build();
    window->zoomCentreX = 300;
    window->zoomCentreY = 200;
    const double expected[] = {1.2, 1.44, 1.728, 2.0736, 2.48832};
    for (double scale : expected) {
        window->MScale(+1);
        EXPECT_NEAR(window->scaleX, scale, 1e-9);
        EXPECT_NEAR(window->scaleY, scale, 1e-9);
        // The point under the zoom centre is the one that was there at scale 1.
        EXPECT_NEAR((300 - window->panX) / window->scaleX, 300, 1e-3);
        EXPECT_NEAR((200 - window->panY) / window->scaleY, 200, 1e-3);
    }
    for (int i = 0; i < 5; ++i)
        window->MScale(-1);
    EXPECT_EQ(window->scaleX, 1.0);
    EXPECT_EQ(window->scaleY, 1.0);
    EXPECT_EQ(window->panX, 0.0);
    EXPECT_EQ(window->panY, 0.0);

    for (int i = 0; i < 30; ++i)
        window->MScale(+1);
    EXPECT_EQ(window->scaleX, 32.0) << "capped";
}

TEST_F(CommandsTest, ZoomButtonsUnfoldOnTheFirstPressAndFoldBackWhenIdle)
{
    build();
    ColorButton* const all[] = {window->zoomInButton,  window->recoveryButton, window->zoomOutButton,
                                window->panUpButton,   window->panDownButton,  window->panLeftButton,
                                window->panRightButton};
    const auto shownButtons = [&] {
        int n = 0;
        for (ColorButton* b : all)
            n += b->isHidden() ? 0 : 1;
        return n;
    };
    EXPECT_EQ(window->zoomButtons, 1);
    EXPECT_EQ(shownButtons(), 1);
    EXPECT_FALSE(window->zoomInButton->isHidden());

    window->zoomInButton->click();
    EXPECT_EQ(window->zoomButtons, 2);
    EXPECT_EQ(shownButtons(), 7);
    EXPECT_EQ(window->scaleX, 1.0) << "the first press only unfolds";
    EXPECT_TRUE(window->zoomHideTimer->isActive());
    EXPECT_EQ(window->zoomHideTimer->interval(), 30000);

    window->zoomInButton->click();
    EXPECT_NEAR(window->scaleX, 1.2, 1e-9);
    // A pan step is one step of the present scale.
    window->panRightButton->click();
    window->panDownButton->click();
    EXPECT_NEAR(window->panX, 1.2, 1e-9);
    EXPECT_NEAR(window->panY, 1.2, 1e-9);
    window->panUpButton->click();
    window->panLeftButton->click();
    EXPECT_NEAR(window->panX, 0, 1e-9);
    EXPECT_NEAR(window->panY, 0, 1e-9);
    window->recoveryButton->click();
    EXPECT_EQ(window->scaleX, 1.0);
    EXPECT_EQ(window->panX, 0.0);

    window->MTimerScale();
    EXPECT_FALSE(window->zoomHideTimer->isActive());
    EXPECT_EQ(window->zoomButtons, 1);
    EXPECT_EQ(shownButtons(), 1);
    EXPECT_FALSE(window->zoomInButton->isHidden());
}

TEST_F(CommandsTest, PointerOnTheCameraShownAloneSetsTheZoomCentreAndDraggingPans)
{
    build();
    CammerWidget* view = window->cameraViews[0];
    const auto send = [view](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
        QMouseEvent event(type, at, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &event);
    };
    // All cameras shown: a press selects the camera and reads no point.
    send(QEvent::MouseButtonPress, QPoint(100, 50), Qt::LeftButton);
    EXPECT_EQ(window->zoomCentreX, 0);

    window->shownCamera = 0;
    send(QEvent::MouseButtonPress, QPoint(100, 50), Qt::LeftButton);
    // The image point computed over the whole screen.
    EXPECT_EQ(window->zoomCentreX, 100 * view->imageWidth / screenWidth);
    EXPECT_EQ(window->zoomCentreY, 50 * view->imageHeight / screenHeight);

    // Dragging pans only with the pan buttons out and the picture zoomed, one axis per move.
    send(QEvent::MouseMove, QPoint(130, 70), Qt::LeftButton);
    EXPECT_EQ(window->panX, 0.0);
    window->MEnlargeScale();  // unfolds the buttons
    send(QEvent::MouseMove, QPoint(130, 70), Qt::LeftButton);
    EXPECT_EQ(window->panX, 0.0) << "not zoomed";
    window->MScale(+1);
    const double panX = window->panX;
    const double panY = window->panY;
    send(QEvent::MouseMove, QPoint(160, 90), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(window->panX, panX + 60) << "from the press";
    EXPECT_DOUBLE_EQ(window->panY, panY) << "one axis per move";
    send(QEvent::MouseMove, QPoint(170, 95), Qt::NoButton);
    EXPECT_DOUBLE_EQ(window->panX, panX + 60) << "button released";
    send(QEvent::MouseMove, QPoint(150, 95), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(window->panX, panX + 50) << "from the last pan position";
}

TEST_F(CommandsTest, ClosingTheCamerasStopsEveryViewAndRestartingGrabsAgainOnlyWhileOpen)
{
    build();
    window->restartGrabbing();
    EXPECT_TRUE(window->cameraViews[0]->grabbing);
    window->closeCameras();
    for (int c = 0; c < cameraCount; ++c) {
        EXPECT_FALSE(window->cameraViews[c]->grabbing) << c;
        EXPECT_FALSE(window->cameraViews[c]->cameraOpen) << c;
    }
    window->restartGrabbing();
    EXPECT_FALSE(window->cameraViews[0]->grabbing) << "a closed camera is left alone";
}
