// The settings dialog in the running window: opened from the side menu, the camera page showing
// its camera behind the dialog, and a confirmed change reaching the camera area and the cameras.
#include "mainwindow/main_menubtnwidget.h"
#include "mainwindow/menubtnwidget.h"
#include "settings/cameraparamwidget.h"
#include "settings/systemparamdialog.h"
#include "tests/settings/settingsfixture.h"
#include "tests/view/viewcamera.h"
#include "view/camerawgtbox.h"
#include "view/camerawgtdatawidget.h"
#include "view/cammerwidget.h"

#include <QPushButton>
#include <QTest>

namespace {

class OpenerTest : public SettingsFixture {
protected:
    // Presses the side menu's settings button; the dialog, when it opens, is closed unchanged.
    // Returns whether it opened, and whether the edit copy was the active one at that moment.
    // `whileOpen` runs on the open dialog before it is closed.
    bool pressSettingsButton(bool* freshEditCopy = nullptr,
                             const std::function<void(SystemParamDialog*)>& whileOpen = {})
    {
        bool opened = false;
        bool fresh = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&]() {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto dialog = qobject_cast<SystemParamDialog*>(w);
                if (dialog && dialog->isVisible()) {
                    opened = true;
                    fresh = *editParams == *activeParams;
                    if (whileOpen)
                        whileOpen(dialog);
                    dialog->reject();
                }
            }
        });
        watch.start(10);
        auto button = window->sideMenu->mainMenu->findChild<QPushButton*>(QStringLiteral("pBtnSetSystem"));
        EXPECT_NE(button, nullptr);
        if (button)
            QTest::mouseClick(button, Qt::LeftButton);
        if (freshEditCopy)
            *freshEditCopy = fresh;
        return opened;
    }

    // Opens the dialog, lets `edit` change the edit copy, confirms and saves.
    void confirmChange(const std::function<void(SystemParam&)>& edit)
    {
        *editParams = *activeParams;
        SystemParamDialog dialog;
        dialog.show();
        edit(*editParams);
        for (TabParamWidget* page : dialog.pages())
            page->loadParam();
        ModalScript script({1, 0, 0});
        QTest::mousePress(dialog.okButton(), Qt::LeftButton);
    }
};

TEST_F(OpenerTest, SideMenuButtonOpensTheDialogOnAFreshEditCopy)
{
    struct Case {
        const char* name;
        int passwordEnabled;
        int loginLevel;
        int alarmState;
        bool opens;
        int levelAfter;
    };
    const Case cases[] = {
        {"no password protection", 0, 0, 0, true, 0},
        {"service login drops to none without protection", 0, 2, 0, true, 0},
        {"service login drops to the user level", 1, 2, 0, true, 1},
        {"user login opens at once", 1, 1, 0, true, 1},
        {"not during an NG alarm", 0, 0, 2, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        activeParams->passwordEnabled = c.passwordEnabled;
        window->loginLevel = c.loginLevel;
        window->alarmState = c.alarmState;
        editParams->filterSize = activeParams->filterSize + 1;  // left over from an earlier opening
        bool fresh = false;
        EXPECT_EQ(pressSettingsButton(&fresh), c.opens);
        if (c.opens) {
            EXPECT_TRUE(fresh) << "the edit copy is taken from the active record before the dialog is built";
        }
        EXPECT_EQ(window->loginLevel, c.levelAfter);
    }
    window->alarmState = 0;
}

TEST_F(OpenerTest, CameraPageShowsItsCameraAloneBehindTheDialog)
{
    ASSERT_GE(cameraCount, 2);
    window->shownCamera = cameraCount;  // all cameras
    window->scaleX = window->scaleY = 2.0;
    SystemParamDialog dialog;
    auto page = static_cast<CameraParamWidget*>(dialog.pages().at(1));
    EXPECT_EQ(window->shownCamera, 0);
    EXPECT_EQ(window->cameraBox->selectedCamera, 0) << "opening shows the page's camera";
    EXPECT_DOUBLE_EQ(window->scaleX, 1.0) << "zoom reset";

    window->scaleX = window->scaleY = 2.0;
    page->switchCamera();
    EXPECT_EQ(window->cameraBox->selectedCamera, 1) << "switching shows the next camera";
    EXPECT_DOUBLE_EQ(window->scaleX, 1.0);
    page->switchCamera();
    EXPECT_EQ(window->cameraBox->selectedCamera, 0) << "wraps round to the first";
}

TEST_F(OpenerTest, ClosingTheDialogBringsBackTheLayoutFromBefore)
{
    ASSERT_GE(cameraCount, 2);
    struct Case {
        const char* name;
        int shown;  // cameraCount: all cameras
        double scale;
        bool switchInDialog;  // the camera page's "switch camera" pressed while open
        int selectedAfter;    // the camera area's large camera, -1 for all
    };
    const Case cases[] = {
        {"all cameras", cameraCount, 1.0, false, -1},
        {"all cameras, another camera chosen on the page", cameraCount, 1.0, true, -1},
        {"camera 2 alone, zoomed", 1, 2.0, false, 1},
        {"camera 2 alone, camera 1 chosen on the page", 1, 1.0, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window->shownCamera = c.shown;
        window->ChangeCammer();
        window->scaleX = window->scaleY = c.scale;
        window->panX = c.scale > 1.0 ? 30.0 : 0.0;
        int shownWhileOpen = -2;
        ASSERT_TRUE(pressSettingsButton(nullptr, [&](SystemParamDialog* dialog) {
            if (c.switchInDialog)
                static_cast<CameraParamWidget*>(dialog->pages().at(1))->switchCamera();
            shownWhileOpen = window->cameraBox->selectedCamera;
        }));
        EXPECT_NE(shownWhileOpen, -1) << "one camera large behind the open dialog";
        EXPECT_EQ(window->shownCamera, c.shown);
        EXPECT_EQ(window->cameraBox->selectedCamera, c.selectedAfter);
        EXPECT_DOUBLE_EQ(window->scaleX, c.scale);
        EXPECT_DOUBLE_EQ(window->panX, c.scale > 1.0 ? 30.0 : 0.0);
        // The camera area as a person sees it after the dialog, when MONITOR_SHOTS names a folder.
        const QByteArray shots = qgetenv("MONITOR_SHOTS");
        if (!shots.isEmpty() && c.shown == cameraCount && c.switchInDialog) {
            window->resize(1920, 1080);
            window->grab().save(QString::fromUtf8(shots) + QStringLiteral("/settings_closed_all_cameras.png"));
        }
    }
}

TEST_F(OpenerTest, SwitchedOffCameraLeavesTheCameraArea)
{
    ASSERT_GE(cameraCount, 2);
    window->shownCamera = 1;
    confirmChange([](SystemParam& p) { p.cameraEnabled[1] = 0; });
    EXPECT_FALSE(window->cameraBox->dataWidgetAt(1)->enabled);
    EXPECT_FALSE(window->cameraBox->dataWidgetAt(1)->isVisibleTo(window->cameraBox));
    EXPECT_EQ(window->shownCamera, cameraCount) << "all cameras shown again";
    EXPECT_EQ(window->cameraBox->selectedCamera, -1);

    confirmChange([](SystemParam& p) { p.cameraEnabled[1] = 1; });
    EXPECT_TRUE(window->cameraBox->dataWidgetAt(1)->isVisibleTo(window->cameraBox)) << "and comes back";
}

TEST_F(OpenerTest, ChangedAcquisitionSpeedRestartsEveryCamerasGrabbing)
{
    ViewCamera cameras[2] = {{640, 480, false}, {640, 480, false}};
    CameraInterface* originals[2] = {};
    for (int c = 0; c < 2; ++c) {
        originals[c] = window->cameraViews[c]->camera;
        window->cameraViews[c]->camera = &cameras[c];
        window->cameraViews[c]->cameraOpen = true;
    }
    const int speed = activeParams->acquisitionSpeed == 3 ? 4 : 3;
    confirmChange([speed](SystemParam& p) { p.acquisitionSpeed = speed; });
    for (int c = 0; c < 2; ++c) {
        SCOPED_TRACE(c);
        const QStringList restart{QStringLiteral("stopGrab"), QStringLiteral("setFrameRateLevel %1").arg(speed),
                                  QStringLiteral("startGrab")};
        EXPECT_GE(cameras[c].calls.size(), restart.size());
        EXPECT_EQ(cameras[c].calls.mid(cameras[c].calls.indexOf(restart.first()), restart.size()), restart);
        window->cameraViews[c]->camera = originals[c];
    }
}

}  // namespace
