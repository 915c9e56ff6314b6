// Region editing with the pointer on the template source: new rectangles, polygons and strokes
// with their starting tool and parameters, the region limit, selecting, moving, resizing, copying,
// switching and deleting regions, and where a pointer position lands in the image.
#include "tests/view/editingfixture.h"

#include "mainwindow/mojuwizard.h"
#include "widgets/colorbutton.h"

#include <QFile>

#include <cmath>

#include <gtest/gtest.h>

namespace {

class RegionEditing : public EditingFixture {
protected:
    void SetUp() override
    {
        EditingFixture::SetUp();
        makeView();
    }

    // The drawing mode ended with nothing left half-drawn.
    void expectDrawingEnded(const char* name)
    {
        EXPECT_EQ(window->drawMode, 0) << name;
        EXPECT_EQ(view->editState, 0) << name;
        EXPECT_EQ(view->newShape, nullptr) << name;
        EXPECT_EQ(view->polygonCount, 0) << name;
    }

    // Selects region r of detect 0 as a press on it would.
    void select(int r)
    {
        shapes()[r]->setSelected(true);
        view->selectedRoi = r;
    }

    // Clicks of a polygon by clicks at image points.
    void click(const QPoint& p)
    {
        press(2 * p);
        release(2 * p);
    }
};

QRect corners(int l, int t, int r, int b)
{
    return QRect(QPoint(l, t), QPoint(r, b));
}

TEST_F(RegionEditing, DraggedRectangleBecomesARegionWhereTheFingerWasAlsoOnAZoomedView)
{
    // Widget positions; the view shows the image at two widget pixels an image pixel.
    const struct {
        const char* name;
        QPoint from, to;
        bool added;
        QRect rect;
    } cases[] = {
        {"drag to the lower right", {200, 200}, {600, 500}, true, corners(100, 100, 300, 250)},
        {"drag to the upper left", {600, 500}, {200, 200}, true, corners(100, 100, 300, 250)},
        {"10 pixels wide", {200, 200}, {218, 278}, false, {}},
        {"11 x 11 pixels", {200, 200}, {220, 220}, true, corners(100, 100, 110, 110)},
        {"starts outside the image", {-60, -40}, {300, 300}, true, corners(3, 3, 150, 150)},
        {"ends outside the image", {200, 200}, {900, 700}, true, corners(100, 100, kW - 3, kH - 3)},
    };
    for (const bool zoomed : {false, true}) {
        // The template is drawn under the window's zoom and pan: the finger that follows the
        // zoomed picture draws the same region.
        window->scaleX = window->scaleY = zoomed ? 2.0 : 1.0;
        window->panX = zoomed ? -300 : 0;
        window->panY = zoomed ? -200 : 0;
        const auto onScreen = [this](const QPoint& p) {
            return QPoint(int(window->panX + window->scaleX * p.x()), int(window->panY + window->scaleY * p.y()));
        };
        for (const auto& c : cases) {
            const std::string name = std::string(c.name) + (zoomed ? " (zoomed)" : "");
            view->deselectRoi();
            clearRegions();
            window->drawMode = 1;
            dragWidget(onScreen(c.from), onScreen(c.to));
            expectDrawingEnded(name.c_str());
            ASSERT_EQ(shapes().size(), c.added ? 1 : 0) << name;
            EXPECT_EQ(edited().roiCount[0], shapes().size()) << name;
            if (!c.added)
                continue;
            const ROIInterface& r = *shapes()[0];
            EXPECT_EQ(QRect(r), c.rect) << name;
            EXPECT_EQ(edited().shapeKind[0], ShapeRectangle) << name;
            EXPECT_EQ(view->selectedRoi, 0) << name;
            EXPECT_TRUE(r.isSelected()) << name;
            EXPECT_EQ(view->editRoiMask[0].cols, c.rect.width()) << name;
            EXPECT_EQ(view->editRoiMask[0].rows, c.rect.height()) << name;
            // The defect tool with the filter size, 25 and the alarm area.
            EXPECT_EQ(edited().toolType[0], 0) << name;
            EXPECT_EQ(edited().minWH[0], 5) << name;
            EXPECT_EQ(edited().sensitivity[0], 25) << name;
            EXPECT_EQ(edited().area[0], 100) << name;
        }
    }
    // The outline of the last region lies under the finger: its left edge at widget x 100, where
    // the zoomed drag began.
    const QImage image = shot(QStringLiteral("drawn-on-zoomed-view"));
    EXPECT_EQ(image.pixelColor(100, 300), QColor(Qt::magenta));
    EXPECT_NE(image.pixelColor(50, 300), QColor(Qt::magenta));
    EXPECT_NE(image.pixelColor(200, 300), QColor(Qt::magenta));
}

TEST_F(RegionEditing, FirstRegionTakesTheFirstOfferedToolAndTheNextCopiesThePrevious)
{
    const struct {
        const char* name;
        int SystemParam::*check;
        bool simulated;
        int tool, p1, p2, p3;
    } cases[] = {
        {"no check enabled", nullptr, false, 0, 5, 25, 100},
        {"spot", &SystemParam::spotDetectionEnabled, false, 1, 12800, 80, 500},
        {"black area keeps P1", &SystemParam::blackAreaCheck, false, 4, 42, 50, 100},
        {"white area keeps P1", &SystemParam::whiteAreaCheck, false, 5, 42, 200, 100},
        {"similarity keeps P1 and P3", &SystemParam::similarityCheck, false, 6, 42, 80, 42},
        {"white count", &SystemParam::whiteCountCheck, false, 7, 5, 128, 1},
        {"temperature on the simulated camera", &SystemParam::temperatureAlarm, true, 9, 90, 65616, 1310840},
        {"temperature on a grey camera", &SystemParam::temperatureAlarm, false, 0, 5, 25, 100},
    };
    for (const auto& c : cases) {
        params->spotDetectionEnabled = params->blackAreaCheck = params->whiteAreaCheck = 0;
        params->similarityCheck = params->whiteCountCheck = params->temperatureAlarm = 0;
        if (c.check)
            (*params).*c.check = 1;
        view->simulated = c.simulated;
        view->deselectRoi();
        clearRegions();
        edited().minWH[0] = edited().area[0] = 42;

        window->drawMode = 1;
        drag({100, 100}, {200, 200});
        ASSERT_EQ(shapes().size(), 1) << c.name;
        EXPECT_EQ(edited().toolType[0], c.tool) << c.name;
        EXPECT_EQ(edited().minWH[0], c.p1) << c.name;
        EXPECT_EQ(edited().sensitivity[0], c.p2) << c.name;
        EXPECT_EQ(edited().area[0], c.p3) << c.name;

        // The second region copies the first one's tool and parameters, whatever the settings.
        edited().sensitivity[0] = 77;
        params->spotDetectionEnabled = 1;
        window->drawMode = 4;
        drag({250, 50}, {350, 150});
        ASSERT_EQ(shapes().size(), 2) << c.name;
        EXPECT_EQ(edited().shapeKind[1], ShapeCircle) << c.name;
        EXPECT_EQ(edited().toolType[1], c.tool) << c.name;
        EXPECT_EQ(edited().minWH[1], c.p1) << c.name;
        EXPECT_EQ(edited().sensitivity[1], 77) << c.name;
        EXPECT_EQ(edited().area[1], c.p3) << c.name;
        EXPECT_FALSE(shapes()[0]->isSelected()) << c.name << ": only the new region is selected";
        EXPECT_EQ(view->selectedRoi, 1) << c.name;
    }
}

TEST_F(RegionEditing, FiftyFirstRegionIsRefusedAndEndsTheDrawingMode)
{
    for (int r = 0; r < 50; ++r)
        addRect(0, corners(10 + 7 * (r % 50), 10, 15 + 7 * (r % 50), 20));

    // A rectangle dragged out.
    auto answer = std::make_shared<BoxAnswer>();
    answerNextBox(answer, 0);
    window->drawMode = 1;
    drag({100, 100}, {200, 200});
    EXPECT_EQ(answer->count, 1);
    EXPECT_EQ(answer->text, tableText(36));
    EXPECT_EQ(shapes().size(), 50);
    EXPECT_EQ(edited().roiCount[0], 50);
    expectDrawingEnded("rectangle");
    // No half-drawn outline stays on the picture (its left edge would be at widget x 200).
    EXPECT_NE(shot(QStringLiteral("refused-51st")).pixelColor(200, 300), QColor(Qt::magenta));

    // A polygon by clicks, ended with the End Polygon button.
    answer = std::make_shared<BoxAnswer>();
    answerNextBox(answer, 0);
    window->drawMode = 2;
    window->freeHand = false;
    for (const QPoint p : {QPoint(100, 100), QPoint(200, 100), QPoint(150, 200)})
        click(p);
    view->SavePolygon();
    EXPECT_EQ(answer->count, 1);
    EXPECT_EQ(answer->text, tableText(36));
    EXPECT_EQ(shapes().size(), 50);
    expectDrawingEnded("polygon");
    EXPECT_FALSE(view->polygonActive);
}

TEST_F(RegionEditing, PolygonByClicksIgnoresClicksNextToItsFirstPointAndNeedsThreePoints)
{
    window->drawMode = 2;
    window->freeHand = false;
    click({100, 100});
    click({300, 100});
    // End Polygon with two points does nothing: the drawing goes on.
    view->SavePolygon();
    EXPECT_TRUE(shapes().isEmpty());
    EXPECT_EQ(window->drawMode, 2);
    EXPECT_EQ(view->editState, 1);

    click({109, 91});   // within 9 pixels of the first point on both axes: ignored
    click({300, 250});
    click({105, 200});  // near the first point on one axis only: taken
    EXPECT_EQ(view->polygonCount, 4);
    view->SavePolygon();

    ASSERT_EQ(shapes().size(), 1);
    ASSERT_EQ(shapes()[0]->type(), ShapePolygon);
    const auto& polygon = static_cast<const RePolygon&>(*shapes()[0]);
    ASSERT_EQ(polygon.count, 4);
    const QPoint expected[] = {{100, 100}, {300, 100}, {300, 250}, {105, 200}};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(polygon.points[i], expected[i]) << "vertex " << i;
    EXPECT_EQ(edited().shapeKind[0], ShapePolygon);
    EXPECT_EQ(edited().roiCount[0], 1);
    EXPECT_EQ(view->selectedRoi, 0);
    EXPECT_FALSE(view->editRoiMask[0].empty());
    expectDrawingEnded("polygon");
}

TEST_F(RegionEditing, FreeHandStrokeBecomesAPolygonUnlessItIsTooShort)
{
    const struct {
        const char* name;
        int moves;
        bool added;
    } cases[] = {
        {"stroke of 12 points", 12, true},
        {"stroke of 5 points", 5, false},
    };
    for (const auto& c : cases) {
        clearRegions();
        window->drawMode = 2;
        window->freeHand = true;
        press(QPoint(200, 200));
        // A stroke round a circle of radius 100 image pixels about (200, 150), leaving the image
        // at the top.
        for (int k = 0; k < c.moves; ++k) {
            const double a = 2 * M_PI * k / c.moves;
            moveTo(2 * QPoint(200 + int(100 * std::cos(a)), 150 + int(180 * std::sin(a))));
        }
        release(QPoint(200, 200));
        expectDrawingEnded(c.name);
        ASSERT_EQ(shapes().size(), c.added ? 1 : 0) << c.name;
        if (!c.added)
            continue;
        const auto& polygon = static_cast<const RePolygon&>(*shapes()[0]);
        EXPECT_EQ(polygon.count, c.moves) << c.name;
        // Every point inside the image's 3-pixel band.
        EXPECT_GE(polygon.top(), 3) << c.name;
        EXPECT_LE(polygon.top() + polygon.height(), kH - 3) << c.name;
    }
}

TEST_F(RegionEditing, SelectedRegionIsResizedByEachHandleAndMovedInsideTheImage)
{
    // Region (100, 100)-(300, 250); presses in image points, each dragged by `by`.
    const struct {
        const char* name;
        QPoint at, by;
        QRect expected;
    } cases[] = {
        {"top-left corner", {100, 100}, {20, 10}, corners(120, 110, 300, 250)},
        {"top edge", {200, 100}, {20, 10}, corners(100, 110, 300, 250)},
        {"top-right corner", {300, 100}, {20, 10}, corners(100, 110, 320, 250)},
        {"left edge", {100, 175}, {20, 10}, corners(120, 100, 300, 250)},
        {"right edge", {300, 175}, {20, 10}, corners(100, 100, 320, 250)},
        {"bottom-left corner", {100, 250}, {20, 10}, corners(120, 100, 300, 260)},
        {"bottom edge", {200, 250}, {20, 10}, corners(100, 100, 300, 260)},
        {"bottom-right corner", {300, 250}, {20, 10}, corners(100, 100, 320, 260)},
        {"right edge beyond the image", {300, 175}, {200, 0}, corners(100, 100, kW - 3, 250)},
        {"move", {200, 175}, {30, 20}, corners(130, 120, 330, 270)},
        {"move past the top-left corner", {200, 175}, {-150, -150}, corners(3, 3, 203, 153)},
        {"move past the bottom-right corner", {200, 175}, {150, 150}, corners(kW - 3 - 200, kH - 3 - 150, kW - 3, kH - 3)},
    };
    for (const auto& c : cases) {
        view->deselectRoi();
        clearRegions();
        addRect(0, corners(100, 100, 300, 250));
        select(0);
        drag(c.at, c.at + c.by);
        EXPECT_EQ(QRect(*shapes()[0]), c.expected) << c.name;
        EXPECT_EQ(view->editRoiMask[0].cols, c.expected.width()) << c.name;
        EXPECT_EQ(view->editRoiMask[0].rows, c.expected.height()) << c.name;
        EXPECT_EQ(view->editState, 0) << c.name;
        EXPECT_TRUE(shapes()[0]->isSelected()) << c.name;
    }

    // A polygon vertex dragged out of the image stops in the 3-pixel band.
    clearRegions();
    RePolygon* polygon = addPolygon({{50, 50}, {150, 50}, {100, 120}});
    click({100, 70});  // selects it
    ASSERT_EQ(view->selectedRoi, 0);
    press(2 * QPoint(50, 50));
    moveTo(QPoint(-100, -100));
    release(QPoint(-100, -100));
    EXPECT_EQ(polygon->points[0], QPoint(3, 3));
    EXPECT_EQ(polygon->points[1], QPoint(150, 50));
    EXPECT_EQ(view->editRoiMask[0].cols, polygon->width());
}

TEST_F(RegionEditing, PressBesideTheSelectionOnlyDeselectsAndTheSwitchCyclesOverlappingRegions)
{
    addRect(0, corners(100, 100, 200, 200));  // A
    addRect(0, corners(150, 150, 250, 250));  // B
    addRect(0, corners(320, 20, 380, 80));    // C, elsewhere
    click({170, 170});
    EXPECT_EQ(view->selectedRoi, 0);
    EXPECT_EQ(view->lastSelectPoint, QPoint(170, 170));
    view->SlotNextROI();
    EXPECT_EQ(view->selectedRoi, 1);
    EXPECT_FALSE(shapes()[0]->isSelected());
    EXPECT_TRUE(shapes()[1]->isSelected());
    view->SlotNextROI();
    EXPECT_EQ(view->selectedRoi, 0);

    // A press beside A lets go of it and selects nothing, not even C under the next press.
    click({350, 50});
    EXPECT_EQ(view->selectedRoi, -1);
    EXPECT_EQ(view->lastSelectedRoi, 0);
    EXPECT_FALSE(shapes()[0]->isSelected());
    EXPECT_FALSE(shapes()[2]->isSelected());
    click({350, 50});
    EXPECT_EQ(view->selectedRoi, 2);
    EXPECT_TRUE(view->moveAllButton->isVisible()) << "the panel is laid out for the selection";
}

TEST_F(RegionEditing, CopyIsCentredOnThePressAndTakesTheSourceParameters)
{
    addRect(0, corners(20, 20, 60, 40));
    addRect(0, corners(100, 100, 200, 160), 1, 12800, 80, 500);
    edited().outN[1] = 4;
    click({150, 130});
    click({350, 250});  // beside it: deselected, but remembered
    ASSERT_EQ(view->selectedRoi, -1);

    // Cancelled: nothing.
    auto answer = std::make_shared<BoxAnswer>();
    answerNextBox(answer, 0);
    window->copyPending = true;
    click({300, 200});
    EXPECT_EQ(answer->text, tableText(38));
    EXPECT_FALSE(window->copyPending);
    EXPECT_EQ(shapes().size(), 2);

    answer = std::make_shared<BoxAnswer>();
    answerNextBox(answer, 1);
    window->copyPending = true;
    click({300, 200});
    ASSERT_EQ(shapes().size(), 3);
    EXPECT_EQ(edited().roiCount[0], 3);
    EXPECT_EQ(shapes()[2]->center(), QPoint(300, 200));
    EXPECT_EQ(shapes()[2]->size(), shapes()[1]->size());
    EXPECT_EQ(edited().toolType[2], 1);
    EXPECT_EQ(edited().minWH[2], 12800);
    EXPECT_EQ(edited().area[2], 500);
    EXPECT_EQ(edited().outN[2], 4);
    EXPECT_EQ(edited().shapeKind[2], ShapeRectangle);
    EXPECT_EQ(view->selectedRoi, 2);
    EXPECT_TRUE(shapes()[2]->isSelected());
    EXPECT_EQ(view->editRoiMask[2].cols, shapes()[2]->width());

    // A polygon copied next to the corner is shifted into the 3-pixel band as a whole.
    addPolygon({{50, 200}, {150, 200}, {100, 290}});
    view->deselectRoi();
    click({100, 230});
    ASSERT_EQ(view->selectedRoi, 3);
    answerNextBox(std::make_shared<BoxAnswer>(), 1);
    window->copyPending = true;
    click({0, 0});
    ASSERT_EQ(shapes().size(), 5);
    ASSERT_EQ(shapes()[4]->type(), ShapePolygon);
    const auto& copy = static_cast<const RePolygon&>(*shapes()[4]);
    EXPECT_EQ(copy.points[0], QPoint(3, 3));
    EXPECT_EQ(copy.points[1], QPoint(103, 3));
    EXPECT_EQ(copy.points[2], QPoint(53, 93));
}

TEST_F(RegionEditing, DeletingRegionTwoOfFiveMovesTheRestDownAndLeavesTheSavedIgnoreMaskAlone)
{
    // Ignored pixels inside region 2 (x 80..131) and inside region 3 (x 150..202).
    std::vector<unsigned char>& saved = view->ignoreMask[0];
    for (int y = 60; y < 70; ++y)
        for (int x = 90; x < 100; ++x)
            saved[size_t(y * kW + x)] = saved[size_t(y * kW + x + 70)] = 255;
    view->saveIgnoreMask(0);
    QFile file(QStringLiteral("./cammer11/ignorepoint.bmp"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray fileBefore = file.readAll();
    file.close();
    const std::vector<unsigned char> savedBefore = saved;
    // The editor opens: edit copies of the masks, then five regions of five tools.
    view->copyMasksToEdit();
    for (int r = 0; r < 5; ++r) {
        addRect(0, corners(10 + 70 * r, 50, 60 + 70 * r + r, 100), r, 10 + r, 20 + r, 30 + r);
        edited().outN[r] = r;
    }

    view->deleteRoi(1);
    ASSERT_EQ(shapes().size(), 4);
    EXPECT_EQ(edited().roiCount[0], 4);
    for (int r = 1; r < 4; ++r) {
        const int was = r + 1;
        EXPECT_EQ(shapes()[r]->left(), 10 + 70 * was) << "region " << r;
        EXPECT_EQ(edited().toolType[r], was) << "region " << r;
        EXPECT_EQ(edited().minWH[r], 10 + was) << "region " << r;
        EXPECT_EQ(edited().sensitivity[r], 20 + was) << "region " << r;
        EXPECT_EQ(edited().area[r], 30 + was) << "region " << r;
        EXPECT_EQ(edited().outN[r], was) << "region " << r;
        EXPECT_EQ(view->editRoiMask[r].cols, 51 + was) << "region " << r;
    }
    // The edit copy loses the deleted region's pixels only.
    EXPECT_EQ(view->editIgnoreMask[0][size_t(65 * kW + 95)], 0);
    EXPECT_EQ(view->editIgnoreMask[0][size_t(65 * kW + 165)], 255);
    // Detection's mask and the file stay as saved until the edit is saved.
    EXPECT_EQ(saved, savedBefore);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), fileBefore);
}

TEST_F(RegionEditing, PointerPositionMapsAsTheShownSourceIsDrawn)
{
    const struct {
        const char* name;
        int source;
        bool zoomed;
        QPoint widget, image;
    } cases[] = {
        {"template", 0, false, {200, 150}, {100, 75}},
        {"template on a zoomed view", 0, true, {200, 150}, {125, 87}},
        {"live image on a zoomed view", 1, true, {201, 151}, {125, 87}},
        {"run view, zoomed 2 and panned", -1, true, {20, 10}, {80, 52}},
        {"recent NG frame, not zoomed", 2, false, {200, 150}, {100, 75}},
        {"recent NG frame, zoomed 2 and panned", 2, true, {200, 150}, {125, 87}},
        {"record picture, zoomed 2 and panned", 4, true, {20, 10}, {80, 52}},
        {"left of and below the image", 0, false, {-50, 900}, {0, kH - 1}},
        {"beyond a panned zoom", 2, true, {-900, 5000}, {0, kH - 1}},
    };
    for (const auto& c : cases) {
        imageSource = c.source;
        window->scaleX = window->scaleY = c.zoomed ? 2.0 : 1.0;
        window->panX = c.zoomed ? -300 : 0;
        window->panY = c.zoomed ? -200 : 0;
        EXPECT_EQ(view->imagePoint(c.widget), c.image) << c.name;
    }
}

}  // namespace
