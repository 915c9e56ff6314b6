// The camera area: the grid of enabled camera cells, tables beside or below the images, equal
// sizes, and choosing one camera or all of them. Built around test cameras, without a main window.
#include "core/globals.h"
#include "core/systemparam.h"
#include "tests/view/viewcamera.h"
#include "view/cammerwidget.h"
#include "view/camerareportform.h"
#include "view/camerawgtbox.h"
#include "view/camerawgtdatawidget.h"
#include "view/camerawgttitle.h"
#include "widgets/multiplebtngroup.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class CameraArea : public ::testing::Test {
protected:
    void SetUp() override
    {
        params = std::make_unique<SystemParam>();
        activeParams = params.get();
        savedLimit = templateCountLimit;
        savedDetects = detectsPerCamera;
        templateCountLimit = 2;
        detectsPerCamera = 2;
    }
    void TearDown() override
    {
        box.reset();
        cameras.clear();
        activeParams = nullptr;
        templateCountLimit = savedLimit;
        detectsPerCamera = savedDetects;
    }

    // A box over `count` small test cameras; cameras whose bit in `disabled` is set are off.
    CameraWgtBox& build(int count, unsigned disabled = 0)
    {
        QList<CameraInterface*> list;
        for (int i = 0; i < count; ++i) {
            cameras.push_back(std::make_unique<ViewCamera>(32, 18, false));
            list << cameras.back().get();
        }
        box = std::make_unique<CameraWgtBox>(list);
        box->resize(1200, 900);
        for (int i = 0; i < count; ++i)
            box->dataWidgetAt(i)->enabled = ((disabled >> i) & 1) == 0;
        box->rebuildLayout();
        box->equalizeSizes();
        settle();
        return *box;
    }

    // Pending layout requests handled, so every child has its geometry.
    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }

    // The camera indexes of the cells in each grid row.
    QList<QList<int>> grid() const
    {
        QList<QList<int>> rows;
        for (int r = 0; r < box->mainSplitter->count(); ++r) {
            auto* row = qobject_cast<QSplitter*>(box->mainSplitter->widget(r));
            QList<int> cells;
            for (int i = 0; row && i < row->count(); ++i)
                cells << qobject_cast<CameraWgt_DataWidget*>(row->widget(i))->index;
            rows << cells;
        }
        return rows;
    }

    std::unique_ptr<SystemParam> params;
    std::vector<std::unique_ptr<ViewCamera>> cameras;
    std::unique_ptr<CameraWgtBox> box;
    int savedLimit = 10;
    int savedDetects = 2;
};

TEST_F(CameraArea, GridOfTheEnabledCamerasFollowsTheirNumber)
{
    const struct {
        const char* name;
        int cameras;
        unsigned disabled;
        QList<QList<int>> rows;
        int layoutMode;
    } cases[] = {
        {"one camera, table beside", 1, 0, {{0}}, 1},
        {"two cameras in one row, tables below", 2, 0, {{0, 1}}, 0},
        {"three cameras in one row", 3, 0, {{0, 1, 2}}, 0},
        {"four cameras 2 + 2", 4, 0, {{0, 1}, {2, 3}}, 1},
        {"five cameras 2 + 2 + 1", 5, 0, {{0, 1}, {2, 3}, {4}}, 1},
        {"six cameras 2 + 2 + 2", 6, 0, {{0, 1}, {2, 3}, {4, 5}}, 1},
        {"seven cameras 3 + 3 + 1", 7, 0, {{0, 1, 2}, {3, 4, 5}, {6}}, 1},
        {"eight cameras 3 + 3 + 2", 8, 0, {{0, 1, 2}, {3, 4, 5}, {6, 7}}, 1},
        {"a disabled camera leaves no gap", 6, 1u << 2, {{0, 1}, {3, 4}, {5}}, 1},
        {"one of two enabled: alone, table beside", 2, 1u << 0, {{1}}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        build(c.cameras, c.disabled);
        EXPECT_EQ(grid(), c.rows);
        for (int i = 0; i < c.cameras; ++i) {
            CameraWgt_DataWidget* cell = box->dataWidgetAt(i);
            if (!cell->enabled) {
                EXPECT_TRUE(cell->isHidden()) << "disabled camera " << i;
                continue;
            }
            EXPECT_FALSE(cell->isHidden()) << i;
            EXPECT_EQ(cell->layoutMode, c.layoutMode) << i;
            // Beside: the table starts right of the image; below: under it.
            const QRect image = cell->view->geometry();
            const QRect table = cell->report->geometry();
            if (c.layoutMode == 1) {
                EXPECT_GE(table.left(), image.right()) << i;
                EXPECT_EQ(table.top(), image.top()) << i;
                EXPECT_EQ(table.height(), image.height()) << i;
            } else {
                EXPECT_GE(table.top(), image.bottom()) << i;
            }
        }
    }
}

TEST_F(CameraArea, EqualSizesShareTheAreaByRowsAndByTheFirstRowsCells)
{
    build(5);
    const QList<int> heights = box->mainSplitter->sizes();
    ASSERT_EQ(heights.size(), 3);
    for (int h : heights)
        EXPECT_NEAR(h, box->height() / 3, 2);
    for (int r = 0; r < 2; ++r)
        for (int w : qobject_cast<QSplitter*>(box->mainSplitter->widget(r))->sizes())
            EXPECT_NEAR(w, box->width() / 2, 2);

    // A camera shown alone fills the area; back in the grid, its cell shrinks again and the
    // rows share the area as before.
    const QSize area = box->size();
    box->slotChangeCameraLayout(3);
    settle();
    EXPECT_GT(box->dataWidgetAt(3)->height(), area.height() * 9 / 10);
    box->slotChangeCameraLayout(-1);
    settle();
    EXPECT_EQ(box->size(), area);
    for (CameraWgt_DataWidget* cell : box->cells) {
        EXPECT_FALSE(cell->isHidden()) << cell->index;
        EXPECT_NEAR(cell->height(), area.height() / 3, 4) << cell->index;
        EXPECT_NEAR(cell->report->height(), cell->view->height(), 1) << "table as tall as the image";
    }
}

TEST_F(CameraArea, EveryCameraDisabledLaysOutNothing)
{
    build(3, 0b111);
    EXPECT_EQ(box->mainSplitter->count(), 0);
    box->equalizeSizes();  // nothing to share: must not divide by the zero rows
    for (CameraWgt_DataWidget* cell : box->cells)
        EXPECT_TRUE(cell->isHidden());

    // Enabled again, the grid comes back without rows left over from before.
    for (CameraWgt_DataWidget* cell : box->cells)
        cell->enabled = true;
    box->rebuildLayout();
    box->rebuildLayout();
    EXPECT_EQ(grid(), (QList<QList<int>>{{0, 1, 2}}));
}

TEST_F(CameraArea, ChoosingOneCameraShowsItAloneWithTheCameraButtons)
{
    build(3, 1u << 2);
    box->slotChangeCameraLayout(1);
    EXPECT_EQ(box->selectedCamera, 1);
    EXPECT_TRUE(box->dataWidgetAt(0)->isHidden());
    CameraWgt_DataWidget* shown = box->dataWidgetAt(1);
    EXPECT_FALSE(shown->isHidden());
    EXPECT_FALSE(shown->currentTitle()->buttonGroup->isHidden());
    EXPECT_TRUE(shown->currentTitle()->cameraLabel->isHidden());
    EXPECT_TRUE(box->dataWidgetAt(2)->isHidden()) << "a disabled camera stays hidden";

    // "All cameras" from the title's buttons.
    auto* all = shown->currentTitle()->buttonGroup->findChildren<QPushButton*>().last();
    ASSERT_EQ(all->text(), QStringLiteral("所有相机"));
    QTest::mousePress(all, Qt::LeftButton);
    EXPECT_EQ(box->selectedCamera, -1);
    EXPECT_FALSE(box->dataWidgetAt(0)->isHidden());
    EXPECT_FALSE(shown->isHidden());
    EXPECT_TRUE(shown->currentTitle()->buttonGroup->isHidden());
    EXPECT_FALSE(shown->currentTitle()->cameraLabel->isHidden());
    EXPECT_TRUE(box->dataWidgetAt(2)->isHidden());

    EXPECT_TRUE(box->isCameraEnabled(-1));
    EXPECT_FALSE(box->isCameraEnabled(2));
    EXPECT_FALSE(box->isCameraEnabled(3));
    EXPECT_EQ(box->cammerWidgetAt(3), nullptr);
    EXPECT_EQ(box->dataWidgetAt(-1), nullptr);
}

TEST_F(CameraArea, ModesSwitchTitleAndTable)
{
    build(2);
    CameraWgt_DataWidget* cell = box->dataWidgetAt(0);
    const struct {
        int mode;
        int page;
        bool tableShown;
    } cases[] = {{2, 1, false}, {0, 0, true}, {3, 1, false}, {1, 0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        cell->setMode(c.mode);
        EXPECT_EQ(cell->titleStack->currentIndex(), c.page);
        EXPECT_EQ(cell->report->isHidden(), !c.tableShown);
    }
    // The editor title keeps the camera label even with one camera shown alone.
    cell->showSetRoiTitle();
    box->slotChangeCameraLayout(0);
    EXPECT_FALSE(cell->currentTitle()->cameraLabel->isHidden());
    EXPECT_TRUE(cell->currentTitle()->buttonGroup->isHidden());
}

TEST_F(CameraArea, HideButtonTogglesTheTable)
{
    build(1);
    CameraWgt_DataWidget* cell = box->dataWidgetAt(0);
    cell->placeHideButton();
    EXPECT_FALSE(cell->hideButton->isHidden()) << "no main window: no alarm";
    EXPECT_EQ(cell->hideButton->geometry().right(), cell->width() - 1);
    EXPECT_NEAR(cell->hideButton->geometry().center().y(), cell->height() / 2, 1);
    QTest::mouseClick(cell->hideButton, Qt::LeftButton);
    EXPECT_TRUE(cell->report->isHidden());
    QTest::mouseClick(cell->hideButton, Qt::LeftButton);
    EXPECT_FALSE(cell->report->isHidden());
}

}  // namespace
