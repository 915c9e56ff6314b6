// The camera page: values tried live on the camera while the dialog is open, and put back when
// the change is declined or refused; thermal captions and ranges; the display modes.
#include "settings/cameraparamwidget.h"
#include "settings/systemparamdialog.h"
#include "tests/settings/settingsfixture.h"
#include "tests/view/viewcamera.h"
#include "view/cammerwidget.h"
#include "widgets/checkbox.h"
#include "widgets/colorbutton.h"
#include "widgets/editbox.h"

#include <QLabel>
#include <QTest>

namespace {

constexpr int kExposure = 0;
constexpr int kContrast = 3;
constexpr int kSpotSwitch = 7;
constexpr int kDetailsSwitch = 5;

class CameraPageTest : public SettingsFixture {
protected:
    void SetUp() override
    {
        SettingsFixture::SetUp();
        // Camera 2's view drives a camera that records what it is told.
        view = window->cameraViews[1];
        original = view->camera;
        view->camera = &camera;
    }
    void TearDown() override
    {
        view->camera = original;
        SettingsFixture::TearDown();
    }

    static CameraParamWidget* cameraPage(SystemParamDialog& dialog)
    {
        return static_cast<CameraParamWidget*>(dialog.pages().at(1));
    }

    ViewCamera camera{640, 480, false};
    CammerWidget* view = nullptr;
    CameraInterface* original = nullptr;
};

TEST_F(CameraPageTest, LiveValuesGoBackWhenTheChangeIsNotSaved)
{
    struct Case {
        const char* name;
        bool algorithmsOff;
        std::vector<int> answers;
    };
    const Case cases[] = {
        {"declined", false, {0}},
        {"refused: no detection algorithm", true, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        activeParams->exposure[1] = 30;
        *editParams = *activeParams;
        const int oldExposure = 30;
        const int newExposure = 50;
        const QByteArray stored = digest(QStringLiteral("PARAM.db"));
        camera.calls.clear();
        {
            window->shownCamera = 0;
            SystemParamDialog dialog;
            dialog.show();
            CameraParamWidget* page = cameraPage(dialog);
            page->switchCamera();
            ASSERT_EQ(page->currentCamera, 1);
            camera.calls.clear();
            page->valueBoxes[kExposure]->setValue(newExposure);
            page->mirrorHBox->setCheckedState(!activeParams->mirrorH[1]);
            EXPECT_EQ(camera.calls,
                      (QStringList{QStringLiteral("setExposureTime %1").arg(newExposure),
                                   QStringLiteral("setMirror %1 %2").arg(!activeParams->mirrorH[1]).arg(activeParams->mirrorV[1] != 0)}))
                << "tried live";
            if (c.algorithmsOff) {
                for (int i = 6; i < CameraParamWidget::kSwitches; ++i)
                    page->switches[i]->setCheckedState(false);
            }
            camera.calls.clear();
            ModalScript script(c.answers);
            QTest::mousePress(dialog.okButton(), Qt::LeftButton);
        }
        EXPECT_TRUE(camera.calls.contains(QStringLiteral("setExposureTime %1").arg(oldExposure)));
        EXPECT_TRUE(camera.calls.contains(
            QStringLiteral("setMirror %1 %2").arg(activeParams->mirrorH[1] != 0).arg(activeParams->mirrorV[1] != 0)));
        EXPECT_EQ(digest(QStringLiteral("PARAM.db")), stored);

        // The next opening starts at the camera shown last, with its old values.
        SystemParamDialog again;
        CameraParamWidget* page = cameraPage(again);
        ASSERT_EQ(page->currentCamera, 1);
        EXPECT_EQ(page->valueBoxes[kExposure]->value(), oldExposure);
    }
}

TEST_F(CameraPageTest, ThermalCameraShowsOnlyRangeAndDistance)
{
    view->thermal = true;
    window->shownCamera = 1;
    SystemParamDialog dialog;
    dialog.show();
    CameraParamWidget* page = cameraPage(dialog);
    ASSERT_EQ(page->currentCamera, 1);
    QStringList shown;
    for (EditBox* box : page->valueBoxes)
        if (box->isVisibleTo(page))
            shown << box->label()->text();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("温度范围"), QStringLiteral("目标距离")}));
    EXPECT_FALSE(page->speedBox->isVisibleTo(page));
    page->valueBoxes[kContrast]->setValue(5);
    EXPECT_EQ(editParams->contrast[1], 2);
    EXPECT_TRUE(camera.calls.contains(QStringLiteral("setContrast 2")));
}

TEST_F(CameraPageTest, SimpleDisplayTwiceReturnsToTheOpaqueDialog)
{
    SystemParamDialog dialog;
    dialog.show();
    CameraParamWidget* page = cameraPage(dialog);
    EXPECT_FALSE(page->simpleMode);
    page->showModeButton->click();
    EXPECT_TRUE(page->simpleMode);
    EXPECT_TRUE(dialog.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_FALSE(page->switches[0]->isVisibleTo(page));
    EXPECT_TRUE(page->valueBoxes[kExposure]->isVisibleTo(page));
    EXPECT_EQ(page->showModeButton->text(), tableText(299));
    page->showModeButton->click();
    EXPECT_FALSE(page->simpleMode);
    EXPECT_FALSE(dialog.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(page->switches[0]->isVisibleTo(page));
    EXPECT_EQ(page->showModeButton->text(), tableText(300));
}

TEST_F(CameraPageTest, AnAlgorithmWithParametersShowsTheDetails)
{
    editParams->showAlgorithmDetails = 0;
    editParams->spotDetectionEnabled = 0;
    SystemParamDialog dialog;
    CameraParamWidget* page = cameraPage(dialog);
    page->loadParam();
    page->switches[kSpotSwitch]->setCheckedState(true);
    page->saveParam();
    EXPECT_EQ(editParams->spotDetectionEnabled, 1);
    EXPECT_EQ(editParams->showAlgorithmDetails, 1);
    EXPECT_TRUE(page->switches[kDetailsSwitch]->isChecked());
}

TEST_F(CameraPageTest, RestoringDefaultsPushesTheCamerasOwnValues)
{
    window->shownCamera = 1;
    SystemParamDialog dialog;
    CameraParamWidget* page = cameraPage(dialog);
    camera.calls.clear();
    ModalScript script({1});
    page->onRestoreDefaults();
    EXPECT_EQ(script.texts, QStringList{tableText(527)});
    // The test camera's defaults set exposure 77.
    EXPECT_EQ(editParams->exposure[1], 77);
    EXPECT_EQ(page->valueBoxes[kExposure]->value(), 77);
    EXPECT_TRUE(camera.calls.contains(QStringLiteral("setExposureTime 77")));
}

}  // namespace
