// The camera area of the main window with its two simulated cameras: the pictures their views
// show in the grid, choosing a camera by pressing its view or a title button, the run titles the
// repaint task refreshes, and the hide button that follows the alarm state.
#include "core/globals.h"
#include "mainwindow/taskmanager.h"
#include "tests/support/eventwait.h"
#include "widgets/colorbutton.h"
#include "tests/mainwindow/windowfixture.h"
#include "view/cammerwidget.h"
#include "view/camerareportform.h"
#include "view/camerawgtbox.h"
#include "view/camerawgtdatawidget.h"
#include "view/camerawgttitlenormal.h"
#include "widgets/dialogstyle.h"
#include "widgets/multiplebtngroup.h"
#include "widgets/warnbox.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace {

// Counts the style changes a widget receives.
class StyleChangeCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::StyleChange)
            ++count;
        return false;
    }
};

class CameraAreaWindow : public MainWindowFixture {
protected:
    CameraWgtBox* box() const { return window->cameraBox; }
    CameraWgt_DataWidget* cell(int c) const { return box()->dataWidgetAt(c); }
    CameraWgt_DataWidget_Title_Normal* runTitle(int c) const
    {
        return static_cast<CameraWgt_DataWidget_Title_Normal*>(cell(c)->titleStack->widget(0));
    }
    QPushButton* cameraButton(int inCell, const QString& text) const
    {
        for (QPushButton* b : cell(inCell)->currentTitle()->buttonGroup->findChildren<QPushButton*>())
            if (b->text() == text)
                return b;
        return nullptr;
    }
    // The repaint task refreshes the titles of the cells on show, so the window is shown.
    void build()
    {
        MainWindowFixture::build();
        window->show();
    }
    static void refreshRound() { TaskManager::instance()->SlotLoopShowTask(); }
};

TEST_F(CameraAreaWindow, EachViewShowsItsOwnCamerasPictureInTheGridAfterATick)
{
    // The simulated camera c shows its stored picture cammer<c*10+15>/template0.bmp (1920 x
    // 1080). Each gets its own: a flat grey with a block of another grey over one half, so a view
    // that shows the other camera, a black frame or the cell's background fails.
    const struct {
        const char* folder;
        int grey;
        int block;
        cv::Rect blockArea;
    } pictures[] = {
        {"cammer15", 200, 40, cv::Rect(0, 0, 960, 1080)},
        {"cammer25", 60, 230, cv::Rect(960, 0, 960, 1080)},
    };
    for (const auto& p : pictures) {
        cv::Mat picture(1080, 1920, CV_8UC1, cv::Scalar(p.grey));
        cv::rectangle(picture, p.blockArea, cv::Scalar(p.block), cv::FILLED);
        ASSERT_TRUE(QDir().mkpath(QString::fromLatin1(p.folder)));
        ASSERT_TRUE(cv::imwrite(std::string(p.folder) + "/template0.bmp", picture));
    }
    params->realtimeRoiDisplay = 0;  // the picture alone, no outlines over it
    build();
    ASSERT_EQ(cameraCount, 2);

    window->Run();
    const QImage shot = window->grab().toImage();
    // Points of the image area as fractions of its size, clear of the hide button at the cell's
    // right edge; the grey the picture has there.
    const struct {
        double x;
        double y;
        int grey[2];
    } points[] = {{0.25, 0.3, {40, 60}}, {0.75, 0.3, {200, 230}}, {0.1, 0.9, {40, 60}}, {0.6, 0.9, {200, 230}}};
    for (int c = 0; c < cameraCount; ++c) {
        SCOPED_TRACE(c);
        CammerWidget* view = window->cameraViews[c];
        ASSERT_TRUE(view->isVisibleTo(window));
        const QRect area(view->mapTo(window, QPoint(0, 0)), view->size());
        ASSERT_GE(area.width(), 100);
        ASSERT_GE(area.height(), 100);
        for (const auto& point : points) {
            const QPoint at(area.left() + int(point.x * area.width()), area.top() + int(point.y * area.height()));
            const QRgb pixel = shot.pixel(at);
            EXPECT_EQ(QColor(pixel), QColor(point.grey[c], point.grey[c], point.grey[c]))
                << "at " << point.x << ", " << point.y << " of the image area";
        }
    }
}

TEST_F(CameraAreaWindow, PressingAViewWhileAllAreShownShowsThatCameraAlone)
{
    build();
    ASSERT_EQ(cameraCount, 2);
    EXPECT_EQ(window->shownCamera, 2);
    EXPECT_EQ(cell(0)->layoutMode, 0) << "two cameras: tables below the images";

    QTest::mousePress(window->cameraViews[1], Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(window->shownCamera, 1);
    EXPECT_EQ(box()->selectedCamera, 1);
    EXPECT_TRUE(cell(0)->isHidden());
    EXPECT_FALSE(cell(1)->isHidden());
    EXPECT_FALSE(cell(1)->currentTitle()->buttonGroup->isHidden()) << "camera buttons instead of the label";
    EXPECT_TRUE(cell(1)->currentTitle()->cameraLabel->isHidden());

    // With one camera shown a press on its view chooses nothing.
    QTest::mousePress(window->cameraViews[1], Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(window->shownCamera, 1);

    QPushButton* all = cameraButton(1, QStringLiteral("所有相机"));
    ASSERT_NE(all, nullptr);
    QTest::mousePress(all, Qt::LeftButton);
    EXPECT_EQ(window->shownCamera, cameraCount);
    EXPECT_EQ(box()->selectedCamera, -1);
    EXPECT_FALSE(cell(0)->isHidden());
    EXPECT_FALSE(cell(1)->isHidden());
    EXPECT_FALSE(cell(1)->currentTitle()->cameraLabel->isHidden());
}

TEST_F(CameraAreaWindow, ButtonOfADisabledCameraOnlyWarns)
{
    params->cameraEnabled[1] = 0;
    build();
    EXPECT_EQ(cell(0)->layoutMode, 1) << "one enabled camera: table beside the image";
    box()->slotChangeCameraLayout(0);
    ASSERT_EQ(window->shownCamera, 0);

    QPushButton* second = cameraButton(0, QStringLiteral("相机2"));
    ASSERT_NE(second, nullptr);
    QTest::mousePress(second, Qt::LeftButton);
    QPointer<Warnbox> warning;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<Warnbox*>(w); box && box->isVisible() && box != sharedWarnbox)
            warning = box;
    ASSERT_TRUE(warning) << "a warning is shown";
    EXPECT_EQ(window->shownCamera, 0);
    EXPECT_EQ(box()->selectedCamera, 0);
    EXPECT_FALSE(cell(0)->isHidden());
    EXPECT_TRUE(cell(1)->isHidden());

    // Closed, the warning goes away for good.
    warning->acceptDialog();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(warning);
}

TEST_F(CameraAreaWindow, RunTitleTellsStateCheckAndCountdown)
{
    build();
    const QString green = QStringLiteral("#00FF00");
    const struct {
        const char* name;
        int runState;
        int phase;
        int curDet;
        int machineType;
        float countdown;  // seconds left of detect 0's running countdown; < 0: none runs
        QString colour;
        QString text;
    } cases[] = {
        {"waiting for the cavity check", 1, 3, 1, 0, -1, green, "2号相机 模腔 等待中"},
        {"product check counting down", 1, 1, 0, 0, 1.25f, green, "2号相机 成品 检测中 1.25"},
        {"countdown at its end shows no seconds", 1, 1, 0, 0, 0.01f, green, "2号相机 成品 检测中"},
        {"two-colour machine, right station", 1, 2, 3, 1, -1, green, "2号相机 右模腔 检测完"},
        {"standard machine has no third check name", 1, 2, 2, 0, -1, green, "2号相机  检测完"},
        {"template sampling", 2, 3, 0, 2, -1, QColor(Qt::cyan).name(), "2号相机 左成品 取样中"},
        {"stopped", 3, 1, 1, 0, -1, "#FF0000", "2号相机 模腔 停止中"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window->runState = c.runState;
        window->phase = c.phase;
        window->curDet = c.curDet;
        params->machineType = c.machineType;
        if (c.countdown >= 0) {
            window->remaining[0] = c.countdown;
            window->delayTimers[0]->start();
        }
        refreshRound();
        window->delayTimers[0]->stop();
        EXPECT_EQ(runTitle(1)->runStatusLabel->text(), colorText(c.colour, c.text));
    }

    ngCounts[1] = 3;
    totalCounts[1] = 41;
    window->cameraViews[1]->fps = 12;
    refreshRound();
    const QString white = QColor(Qt::white).name();
    const QString cyan = QColor(Qt::cyan).name();
    EXPECT_EQ(runTitle(1)->detectReportLabel->text(),
              colorText(white, QStringLiteral("帧率 ")) + colorText(cyan, QStringLiteral("12")) + " "
                  + colorText(white, QStringLiteral("NG数 ")) + colorText(cyan, QStringLiteral("3")) + " "
                  + colorText(white, QStringLiteral("总数 ")) + colorText(cyan, QStringLiteral("41")) + " ");
    ngCounts[1] = totalCounts[1] = 0;
}

TEST_F(CameraAreaWindow, ResultLabelTurnsAtTheFirstRefreshAfterTheVerdictChanges)
{
    params->cameraEnabled[1] = 0;
    build();
    QLabel* label = runTitle(0)->resultLabel;
    StyleChangeCounter restyles;
    label->installEventFilter(&restyles);

    refreshRound();
    EXPECT_EQ(label->text(), QStringLiteral("OK"));
    EXPECT_TRUE(label->property("isok").toBool());
    EXPECT_TRUE(label->styleSheet().contains(QStringLiteral("#4CAF50")));
    const int afterFirst = restyles.count;
    EXPECT_GT(afterFirst, 0);
    refreshRound();
    refreshRound();
    EXPECT_EQ(restyles.count, afterFirst) << "an unchanged verdict is not restyled";

    window->cameraViews[0]->detectOk = false;
    refreshRound();
    EXPECT_EQ(label->text(), QStringLiteral("NG"));
    EXPECT_FALSE(label->property("isok").toBool());
    EXPECT_TRUE(label->styleSheet().contains(QStringLiteral("#F44336")));
    const int afterNg = restyles.count;
    EXPECT_GT(afterNg, afterFirst);
    refreshRound();
    EXPECT_EQ(restyles.count, afterNg);

    // The hidden cell of the disabled camera is not refreshed.
    EXPECT_TRUE(runTitle(1)->resultLabel->text().isEmpty());
}

TEST_F(CameraAreaWindow, HideButtonOnlyWithoutAlarmOrRegionEditing)
{
    build();
    const struct {
        int alarmState;
        bool shown;
    } cases[] = {{0, true}, {2, false}, {1, true}, {3, false}, {0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.alarmState);
        window->alarmState = c.alarmState;
        refreshRound();
        for (int i = 0; i < cameraCount; ++i)
            EXPECT_EQ(cell(i)->hideButton->isHidden(), !c.shown) << i;
    }
}

TEST_F(CameraAreaWindow, TitleFrameRateCountsTheFramesTheSimulatedCamerasDeliver)
{
    build();
    ASSERT_EQ(cameraCount, 2);
    // The cycle takes a frame from each camera at every tick; the watch counts them once a second.
    for (int c = 0; c < cameraCount; ++c) {
        SCOPED_TRACE(c);
        CammerWidget* view = window->cameraViews[c];
        EXPECT_TRUE(waitUntil([view] { return view->fps > 0; }, kPatientWaitMs)) << "frame rate stays 0";
    }
    refreshRound();
    const QString cyan = QColor(Qt::cyan).name();
    for (int c = 0; c < cameraCount; ++c) {
        SCOPED_TRACE(c);
        const QString text = runTitle(c)->detectReportLabel->text();
        const QString shown = colorText(cyan, QString::number(window->cameraViews[c]->fps));
        ASSERT_GT(window->cameraViews[c]->fps, 0);
        EXPECT_TRUE(text.startsWith(colorText(QColor(Qt::white).name(), QStringLiteral("帧率 ")) + shown)) << qPrintable(text);
    }
}

TEST_F(CameraAreaWindow, ZoomInPressEnlargesTheCamerasPictures)
{
    // Camera 1: dark left half, bright right half; the boundary in the middle of the picture.
    cv::Mat picture(1080, 1920, CV_8UC1, cv::Scalar(200));
    cv::rectangle(picture, cv::Rect(0, 0, 960, 1080), cv::Scalar(40), cv::FILLED);
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("cammer15")));
    ASSERT_TRUE(cv::imwrite("cammer15/template0.bmp", picture));
    params->realtimeRoiDisplay = 0;
    build();
    window->Run();
    CammerWidget* view = window->cameraViews[0];
    // Widget points as fractions of the view: left of the middle, and a little right of it.
    const auto greyAt = [view](double x, double y) {
        const QImage shot = view->grab().toImage();
        return qGray(shot.pixel(int(x * shot.width()), int(y * shot.height())));
    };
    EXPECT_EQ(greyAt(0.45, 0.5), 40);
    EXPECT_EQ(greyAt(0.55, 0.5), 200);

    // The first press unfolds the column, the second zooms about the inspected point (the top
    // left): the boundary moves right, out of the point a little right of the middle.
    window->zoomInButton->click();
    EXPECT_EQ(greyAt(0.55, 0.5), 200) << "the first press only unfolds the buttons";
    window->zoomInButton->click();
    ASSERT_NEAR(window->scaleX, 1.2, 1e-9);
    EXPECT_EQ(greyAt(0.55, 0.5), 40) << "the zoom press left the picture as it was";
    EXPECT_EQ(greyAt(0.65, 0.5), 200);
    window->zoomInButton->click();
    EXPECT_EQ(greyAt(0.65, 0.5), 40) << "a further press zooms further";

    // Back to the whole picture.
    window->recoveryButton->click();
    EXPECT_EQ(greyAt(0.55, 0.5), 200);
    EXPECT_EQ(greyAt(0.45, 0.5), 40);
}

}  // namespace
