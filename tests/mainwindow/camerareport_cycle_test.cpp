// A check's per-region rows reach the camera's result table, and its verdict the camera title.
#include "tests/mainwindow/cyclefixture.h"
#include "tests/settings/settingsfixture.h"

#include "detection/tooltype.h"
#include "mainwindow/taskmanager.h"
#include "view/camerareportform.h"
#include "view/camerareportmodel.h"
#include "view/camerawgtbox.h"
#include "view/camerawgtdatawidget.h"
#include "view/camerawgttitlenormal.h"
#include "view/cammerwidget.h"
#include "view/drawroiwidget.h"
#include "widgets/combobox.h"

#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTranslator>

namespace {

using CameraReportCycle = CycleTest;

TEST_F(CameraReportCycle, PartLeftInTheCavityShowsItsRegionNgInTheTableAndTitle)
{
    params->productCheckEnabled = 0;
    build();
    addPartRegion(0, 1);
    CycleCamera::opened().front()->setFrame(partLeftInCavity());
    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return window->alarmState == 2; }, kPatientWaitMs)) << "NG alarm";

    CameraWgt_DataWidget* cell = window->cameraBox->dataWidgetAt(0);
    auto* form = cell->findChild<CameraReportForm*>(QStringLiteral("CameraReportForm"));
    ASSERT_NE(form, nullptr);
    const QAbstractItemModel* model = form->model;
    ASSERT_EQ(model->rowCount(), 1);
    const auto cellText = [model](int column) { return model->index(0, column).data().toString(); };
    EXPECT_EQ(cellText(0), QStringLiteral("1"));
    EXPECT_EQ(cellText(1), toolTypeName(5));
    EXPECT_EQ(cellText(2), QStringLiteral("0"));
    EXPECT_EQ(cellText(3), QStringLiteral("100")) << "white area: upper limit = area";
    EXPECT_EQ(cellText(4), QString::number(window->cameraViews[0]->roiValue[50]));
    EXPECT_EQ(cellText(5), QStringLiteral("NG"));
    EXPECT_EQ(model->index(0, 5).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    EXPECT_EQ(model->index(0, 4).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::white));

    window->show();
    // The alarm gives the cell its editor title.
    EXPECT_EQ(cell->titleStack->currentIndex(), CameraWgt_DataWidget::kEditorTitlePage);
    TaskManager::instance()->SlotLoopShowTask();
    EXPECT_TRUE(cell->hideButton->isHidden()) << "no hide button during the NG alarm";
    // Back on the run title, the title is refreshed for the first time, and its first verdict
    // is NG.
    cell->setMode(0);
    TaskManager::instance()->SlotLoopShowTask();
    auto* title = static_cast<CameraWgt_DataWidget_Title_Normal*>(cell->titleStack->widget(0));
    EXPECT_EQ(title->resultLabel->text(), QStringLiteral("NG"));
}

TEST_F(CameraReportCycle, TableFollowsTheVerdictOfTheSafetyDoorReCheck)
{
    params->productCheckEnabled = 0;
    build();
    addPartRegion(0, 1);
    CycleCamera::opened().front()->setFrame(partLeftInCavity());
    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return window->alarmState == 2; }, kPatientWaitMs)) << "NG alarm";
    setInput(0, false);
    auto* form = window->cameraBox->dataWidgetAt(0)->findChild<CameraReportForm*>(QStringLiteral("CameraReportForm"));
    ASSERT_NE(form, nullptr);
    const QAbstractItemModel* model = form->model;
    ASSERT_EQ(model->rowCount(), 1);
    const QString ngValue = model->index(0, 4).data().toString();
    EXPECT_EQ(model->index(0, 5).data().toString(), QStringLiteral("NG"));

    // The part is taken out and the safety door opened: the re-check lifts the alarm.
    CycleCamera::opened().front()->setFrame(emptyCavity());
    pulseInput(1);
    ASSERT_TRUE(waitFor([this] { return window->alarmState != 2; }, kPatientWaitMs)) << "the re-check left the alarm";
    const CammerWidget* view = window->cameraViews[0];
    ASSERT_TRUE(view->detectOk);

    // Every row as the new check found its region.
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("1"));
    EXPECT_EQ(model->index(0, 4).data().toString(), QString::number(view->roiValue[50]));
    EXPECT_NE(model->index(0, 4).data().toString(), ngValue) << "the value of the NG check stayed";
    EXPECT_EQ(model->index(0, 5).data().toString(), QStringLiteral("OK"));
    EXPECT_EQ(model->index(0, 5).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::green));
}

TEST_F(CameraReportCycle, SkippingOneCameraShowsItsVerdictInItsTableAtOnce)
{
    fillTextTable();
    params->productCheckEnabled = 0;
    build(2);
    addPartRegion(0, 1);
    addPartRegion(1, 1);
    // Camera 1 sees a part left in the cavity, camera 2 its empty cavity.
    CycleCamera::opened().front()->setFrame(partLeftInCavity());
    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return window->alarmState == 2; }, kPatientWaitMs)) << "NG alarm";
    setInput(0, false);
    const auto table = [this](int c) {
        auto* form = window->cameraBox->dataWidgetAt(c)->findChild<CameraReportForm*>(QStringLiteral("CameraReportForm"));
        return form ? form->model : nullptr;
    };
    ASSERT_NE(table(0), nullptr);
    ASSERT_NE(table(1), nullptr);
    const QString ngValue = table(0)->index(0, 4).data().toString();
    ASSERT_EQ(table(0)->index(0, 5).data().toString(), QStringLiteral("NG"));
    ASSERT_EQ(table(1)->index(0, 5).data().toString(), QStringLiteral("OK"));

    // Camera 1 chosen and skipped: camera 2 is checked again, OK, and the alarm is lifted.
    window->regionPanel->pComboChangeCamera->setCurrentIndex(0);
    {
        ModalScript yes({1});
        window->regionPanel->pCButtonNoCheckCur->click();
        EXPECT_EQ(yes.texts, QStringList{tableText(105).arg(1)});
    }
    ASSERT_NE(window->alarmState, 2);
    ASSERT_TRUE(window->cameraViews[0]->detectOk);

    // Every table says what its camera's title and picture say: OK, camera 1's NG value gone.
    for (int c = 0; c < 2; ++c) {
        SCOPED_TRACE(c + 1);
        ASSERT_EQ(table(c)->rowCount(), 1);
        EXPECT_EQ(table(c)->index(0, 5).data().toString(), QStringLiteral("OK"));
        EXPECT_EQ(table(c)->index(0, 5).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::green));
        EXPECT_EQ(table(c)->index(0, 4).data().toString(), QString::number(window->cameraViews[c]->roiValue[50]));
    }
    EXPECT_NE(table(0)->index(0, 4).data().toString(), ngValue);

    // The two cells as the operator sees them, in both languages, when MONITOR_TEST_SHOTS names a
    // folder.
    const QString shots = QString::fromLocal8Bit(qgetenv("MONITOR_TEST_SHOTS"));
    if (!shots.isEmpty()) {
        window->show();
        QTranslator english;
        ASSERT_TRUE(english.load(QStringLiteral(MONITOR_BINARY_DIR "/Translator/tr_en.qm")));
        for (const char* language : {"zh", "en"}) {
            if (QLatin1String(language) == QLatin1String("en")) {
                QCoreApplication::installTranslator(&english);
                window->updateCameraReports();
            }
            window->cameraBox->grab().save(shots + QStringLiteral("/camera-tables-after-skip-%1.png").arg(language));
        }
        QCoreApplication::removeTranslator(&english);
    }
}

}  // namespace
