// A check's per-region rows reach the camera's result table, and its verdict the camera title.
#include "tests/mainwindow/cyclefixture.h"

#include "detection/tooltype.h"
#include "mainwindow/taskmanager.h"
#include "view/camerareportform.h"
#include "view/camerareportmodel.h"
#include "view/camerawgtbox.h"
#include "view/camerawgtdatawidget.h"
#include "view/camerawgttitlenormal.h"
#include "view/cammerwidget.h"

#include <QColor>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

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

}  // namespace
