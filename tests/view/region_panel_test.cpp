// The region parameter panel: packed spot and temperature parameters on both slider pages, the
// clamped write-back of stored values when the panel is laid out, the tool button's cycle with
// the starting parameters, the output channel, the move modes, the size buttons and the live
// preview; and the panel as an operator sees it.
#include "tests/view/editingfixture.h"

#include "core/startup.h"
#include "detection/detectengine.h"
#include "mainwindow/mojuwizard.h"
#include "view/regiontooltable.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/slider.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

namespace {

class RegionPanel : public EditingFixture {
protected:
    void SetUp() override
    {
        EditingFixture::SetUp();
        params->showAlgorithmDetails = 1;
        makeView();
    }

    // A region of `tool` with its parameters, selected, with the panel laid out for it; its slot.
    int selectNew(int tool, int p1, int p2, int p3)
    {
        const int r = addRect(0, QRect(QPoint(100, 100), QPoint(200, 160)), tool, p1, p2, p3);
        selectOnly(r);
        return r;
    }
    void selectOnly(int r)
    {
        for (ROIInterface* shape : shapes())
            shape->setSelected(false);
        shapes()[r]->setSelected(true);
        view->selectedRoi = r;
        view->handleIndex = 0;
        view->layoutParamPanel();
    }
};

TEST_F(RegionPanel, SpotRegionShowsAndSetsItsGreyBandOnBothPages)
{
    const int s = selectNew(1, 12800, 80, 500);
    EXPECT_TRUE(view->paraSwitchButton->isVisible());
    EXPECT_EQ(view->minWHSlider->value(), 0);
    EXPECT_EQ(view->minWHSlider->objectName(), tableText(10));  // "Min Gray"
    EXPECT_EQ(view->sensitivitySlider->value(), 80);
    EXPECT_EQ(view->areaSlider->value(), 500);

    view->paraSwitchButton->click();
    EXPECT_EQ(view->minWHSlider->value(), 50);
    EXPECT_EQ(view->minWHSlider->objectName(), tableText(11));  // "Max Gray"
    EXPECT_EQ(edited().minWH[s], 12800) << "switching pages stores nothing";
    view->minWHSlider->setValue(60);
    EXPECT_EQ(edited().minWH[s], 15360);

    view->paraSwitchButton->click();
    EXPECT_EQ(view->minWHSlider->value(), 0);
    view->minWHSlider->setValue(7);
    EXPECT_EQ(edited().minWH[s], 15360 + 7);
    // The other two parameters are whole numbers on both pages.
    view->sensitivitySlider->setValue(300);
    EXPECT_EQ(edited().sensitivity[s], 300);
}

TEST_F(RegionPanel, TemperatureLimitsAndSecondValuesKeepTheirSignsInTheirHalves)
{
    view->simulated = true;
    params->temperatureAlarm = 1;
    const int s = selectNew(9, 90, 65616, 1310840);
    EXPECT_EQ(view->minWHSlider->value(), 90);         // emissivity
    EXPECT_EQ(view->sensitivitySlider->value(), 80);   // low limit
    EXPECT_EQ(view->areaSlider->value(), 120);         // high limit
    EXPECT_EQ(view->sensitivitySlider->objectName(), tableText(569));

    view->sensitivitySlider->setValue(-40);
    EXPECT_EQ(edited().sensitivity[s] & 0xFFFF, 0xFFD8);
    EXPECT_EQ(edited().sensitivity[s] >> 16, 1) << "temperature type kept";
    EXPECT_EQ(view->overlayLabel(edited(), 0, s), QStringLiteral("1: -40--120 / 0 "));
    view->layoutParamPanel();
    EXPECT_EQ(view->sensitivitySlider->value(), -40);

    // The second page: compensation, temperature type, reflection.
    view->paraSwitchButton->click();
    EXPECT_EQ(view->minWHSlider->value(), 0);
    EXPECT_EQ(view->sensitivitySlider->value(), 1);
    EXPECT_EQ(view->areaSlider->value(), 20);
    EXPECT_EQ(view->minWHSlider->objectName(), tableText(573));
    view->minWHSlider->setValue(-100);
    view->areaSlider->setValue(-7);
    EXPECT_EQ(RegionTools::highHalf(edited().minWH[s]), -100);
    EXPECT_EQ(RegionTools::lowHalf(edited().minWH[s]), 90) << "emissivity kept";
    EXPECT_EQ(RegionTools::highHalf(edited().area[s]), -7);
    EXPECT_EQ(RegionTools::lowHalf(edited().area[s]), 120) << "high limit kept";
    view->paraSwitchButton->click();
    EXPECT_EQ(view->minWHSlider->value(), 90);
    EXPECT_EQ(view->sensitivitySlider->value(), -40);
}

TEST_F(RegionPanel, LayingOutWritesBackStoredValuesOutsideTheSliderRanges)
{
    // Region 0 holds the clamped value already, so its slider shows it before region 1 is laid
    // out: the write-back must not depend on the slider's value changing.
    const struct {
        const char* name;
        bool details;
        int tool;
        RegionTools::Param param;
        int stored, shown;
    } cases[] = {
        {"defect filter size above 10", true, 0, RegionTools::P1, 15, 10},
        {"defect alarm area above 1000", true, 0, RegionTools::P3, 1500, 1000},
        {"defect alarm area with the details hidden", false, 0, RegionTools::P3, 1500, 1000},
        {"positioning P2 above 32", true, 3, RegionTools::P2, 40, 32},
        {"angle correction P1 below 1", true, 10, RegionTools::P1, 0, 1},
        {"spot maximum area inside its range", true, 1, RegionTools::P3, 500, 500},
    };
    for (const auto& c : cases) {
        params->showAlgorithmDetails = c.details ? 1 : 0;
        view->deselectRoi();
        clearRegions();
        int values[2][3] = {{5, 25, 100}, {5, 25, 100}};
        if (c.tool == 3 || c.tool == 10)
            values[0][0] = values[0][1] = values[0][2] = values[1][0] = values[1][1] = values[1][2] = 1;
        values[0][c.param] = c.shown;
        values[1][c.param] = c.stored;
        for (const auto& v : values)
            addRect(0, QRect(20, 20, 50, 50), c.tool, v[0], v[1], v[2]);
        selectOnly(0);
        selectOnly(1);
        const int stored[] = {edited().minWH[1], edited().sensitivity[1], edited().area[1]};
        EXPECT_EQ(stored[c.param], c.shown) << c.name;
        const int first[] = {edited().minWH[0], edited().sensitivity[0], edited().area[0]};
        EXPECT_EQ(first[c.param], c.shown) << c.name;
    }
}

TEST_F(RegionPanel, ToolButtonStepsThroughTheOfferedToolsWithTheirStartingParameters)
{
    const struct {
        const char* name;
        std::vector<int SystemParam::*> enabled;
        bool simulated;
        int from, to, p1, p2, p3;
        // More than one tool is offered: the label and the button are shown.
        bool choice;
    } cases[] = {
        {"spot to defect", {&SystemParam::spotDetectionEnabled}, false, 1, 0, 5, 25, 100, true},
        {"defect to spot", {&SystemParam::spotDetectionEnabled}, false, 0, 1, 12800, 80, 500, true},
        {"white count by the button", {&SystemParam::whiteCountCheck}, false, 0, 7, 1, 128, 100, true},
        {"black area keeps P1", {&SystemParam::blackAreaCheck}, false, 0, 4, 7, 50, 100, true},
        {"temperature not offered on a grey camera", {&SystemParam::temperatureAlarm}, false, 0, 0, 5, 25, 100, false},
        {"temperature on the simulated camera", {&SystemParam::temperatureAlarm}, true, 0, 9, 90, 65616, 1310840, true},
        {"temperature to angle correction", {&SystemParam::temperatureAlarm, &SystemParam::angleCorrection}, true, 9, 10, 1, 1, 1, true},
        {"after angle correction back to defect", {&SystemParam::angleCorrection}, false, 10, 0, 5, 25, 100, true},
    };
    for (const auto& c : cases) {
        params->spotDetectionEnabled = params->whiteCountCheck = params->blackAreaCheck = 0;
        params->temperatureAlarm = params->angleCorrection = 0;
        for (int SystemParam::*flag : c.enabled)
            (*params).*flag = 1;
        view->simulated = c.simulated;
        view->deselectRoi();
        clearRegions();
        const int s = selectNew(c.from, 7, 44, 55);
        view->funcButton->click();
        EXPECT_EQ(edited().toolType[s], c.to) << c.name;
        EXPECT_EQ(edited().minWH[s], c.p1) << c.name;
        EXPECT_EQ(edited().sensitivity[s], c.p2) << c.name;
        EXPECT_EQ(edited().area[s], c.p3) << c.name;
        EXPECT_EQ(view->funcButton->text(), tableText(RegionTools::toolButtonTextId(c.to))) << c.name;
        EXPECT_FALSE(view->paramPage) << c.name;
        EXPECT_EQ(view->funcLabel->isVisible(), c.choice) << c.name;
        EXPECT_EQ(view->funcButton->isVisible(), c.choice) << c.name;
    }
}

TEST_F(RegionPanel, OutputChannelOnlyOnTheProductCheckWithRegionOutputs)
{
    const struct {
        const char* name;
        int detect;
        int pulse;
        bool shown;
    } cases[] = {
        {"product check with region outputs", 0, 1, true},
        {"cavity check", 1, 1, false},
        {"region outputs off", 0, 0, false},
    };
    for (const auto& c : cases) {
        params->productNgEjectorPulse = c.pulse;
        window->editDetect = c.detect;
        view->deselectRoi();
        clearRegions(c.detect);
        edited().outN[0] = 2;
        const int r = addRect(c.detect, QRect(50, 50, 60, 60));
        shapes(c.detect)[r]->setSelected(true);
        view->selectedRoi = r;
        view->layoutParamPanel();
        EXPECT_EQ(view->outNCombo->isVisible(), c.shown) << c.name;
        if (c.shown) {
            EXPECT_EQ(view->outNCombo->currentIndex(), 2) << c.name;
        }
        // The choice is stored on the product check only ("N6" is index 4).
        view->outNCombo->setCurrentIndex(view->outNCombo->currentIndex() == 4 ? 5 : 4);
        EXPECT_EQ(edited().outN[0], c.detect == 0 ? view->outNCombo->currentIndex() : 2) << c.name;
    }
}

TEST_F(RegionPanel, MoveAllButtonStepsTheModesAndMovesEveryRegionInsideTheImage)
{
    view->moveAllButton->click();
    EXPECT_EQ(view->moveMode, 0) << "nothing selected";
    EXPECT_FALSE(view->moveAllButton->isVisible());

    addRect(0, QRect(QPoint(10, 10), QPoint(60, 40)));
    selectNew(0, 5, 25, 100);
    EXPECT_EQ(view->moveAllButton->text(), QStringLiteral("Hide Set"));
    const struct {
        const char* text;
        int mode;
    } steps[] = {{"All Move", 1}, {"Sing-Disp", 2}, {"Hide Set", 0}};
    for (const auto& step : steps) {
        view->moveAllButton->click();
        EXPECT_EQ(view->moveMode, step.mode);
        EXPECT_EQ(view->moveAllButton->text(), QString::fromLatin1(step.text));
        const bool single = step.mode == 0;
        for (QWidget* w : {static_cast<QWidget*>(view->sensitivitySlider), static_cast<QWidget*>(view->objectButton),
                           static_cast<QWidget*>(view->nextRoiButton), static_cast<QWidget*>(view->add1Button)})
            EXPECT_EQ(w->isVisible(), single) << step.text;
        EXPECT_TRUE(view->moveLeftButton->isVisible()) << step.text;
    }

    // All regions move together, and stop 3 pixels inside the image.
    view->moveAllButton->click();
    view->moveAllButton->click();
    ASSERT_EQ(view->moveMode, 2);
    for (int k = 0; k < 20; ++k)
        view->moveLeftButton->click();
    EXPECT_EQ(QRect(*shapes()[0]), QRect(QPoint(3, 10), QPoint(53, 40)));
    EXPECT_EQ(QRect(*shapes()[1]), QRect(QPoint(80, 100), QPoint(180, 160)));
    view->moveDownButton->click();
    EXPECT_EQ(shapes()[0]->top(), 11);
    EXPECT_EQ(shapes()[1]->top(), 101);
}

TEST_F(RegionPanel, SizeButtonsStepTheChosenPartOfEachShape)
{
    // Rectangle: the top-left corner, then the bottom-right corner, one pixel a press.
    selectNew(0, 5, 25, 100);
    EXPECT_EQ(view->objectButton->text(), tableText(30));
    const QStringList pointTexts{QStringLiteral("Y -1"), QStringLiteral("X -1"), QStringLiteral("Y +1"), QStringLiteral("X +1")};
    EXPECT_EQ((QStringList{view->add10Button->text(), view->add1Button->text(), view->sub1Button->text(),
                           view->sub10Button->text()}),
              pointTexts);
    view->add10Button->click();  // up
    view->add1Button->click();   // left
    EXPECT_EQ(shapes()[0]->topLeft(), QPoint(99, 99));
    view->objectButton->click();
    EXPECT_EQ(view->objectButton->text(), tableText(29));
    view->sub10Button->click();  // right
    EXPECT_EQ(shapes()[0]->right(), 201);
    EXPECT_EQ(view->editRoiMask[0].cols, 103);
    view->objectButton->click();
    EXPECT_EQ(view->handleIndex, 0) << "two parts, then back to the first";

    // Circle: inner radius, outer radius, centre.
    clearRegions();
    Circle* circle = addCircle(200, 150, 50);
    selectOnly(0);
    EXPECT_EQ(view->objectButton->text(), tableText(28));
    EXPECT_EQ(view->add10Button->text(), QStringLiteral("+10"));
    view->add10Button->click();
    EXPECT_EQ(circle->rn, 10);
    view->objectButton->click();
    EXPECT_EQ(view->objectButton->text(), tableText(26));
    view->sub1Button->click();
    EXPECT_EQ(circle->r, 49);
    view->objectButton->click();
    EXPECT_EQ(view->objectButton->text(), tableText(27));
    EXPECT_EQ(view->add10Button->text(), QStringLiteral("Y -1"));
    view->sub10Button->click();
    EXPECT_EQ(circle->xc, 201);

    // Polygon: each vertex in turn.
    clearRegions();
    RePolygon* polygon = addPolygon({{50, 50}, {150, 50}, {100, 120}});
    selectOnly(0);
    view->objectButton->click();
    view->objectButton->click();
    EXPECT_EQ(view->objectButton->text(), tableText(31).arg(3));
    view->sub1Button->click();  // down
    EXPECT_EQ(polygon->points[2], QPoint(100, 121));
    EXPECT_EQ(view->editRoiMask[0].rows, polygon->height());
}

TEST_F(RegionPanel, SliderChangeRunsThePreviewAndStartsTheHint)
{
    // A template of grey 200 with a dark spot of 30 x 20 pixels inside the region.
    cv::Mat picture(kH, kW, CV_8UC1, view->templates[0][0].data());
    picture.setTo(200);
    cv::rectangle(picture, cv::Rect(130, 120, 30, 20), cv::Scalar(20), cv::FILLED);
    params->detectEnabled[0] = 1;
    params->motionCorrection = -1;
    params->angleCorrection = 0;
    view->engine = new DetectEngine(view->roiSet, view.get());
    const int s = selectNew(1, 12800, 10, 5000);
    EXPECT_FALSE(view->previewActive);

    view->sensitivitySlider->setValue(20);
    EXPECT_TRUE(view->previewActive);
    EXPECT_TRUE(window->hintTimer->isActive());
    EXPECT_EQ(view->ngPixels[size_t(130 * kW + 145)], 255);
    EXPECT_EQ(view->ngPixels[size_t(110 * kW + 110)], 0);
    EXPECT_GT(view->roiValue[s], 500);

    // A new layout ends the preview.
    view->layoutParamPanel();
    EXPECT_FALSE(view->previewActive);
    imageSource = 0;
    shot(QStringLiteral("panel-preview"));
}

}  // namespace

// The editing view on a full-sized screen as the operator sees it, in Chinese and English: the
// template with its regions, the selected spot region with the panel under it and its preview.
// Checked for the panel's place and texts; the pictures are written for a look.
TEST_F(RegionPanel, EditingViewWithThePanelOnAFullScreen)
{
    loadSharedPixmaps();
    const int savedWidth = screenWidth;
    const int savedHeight = screenHeight;
    screenWidth = 1600;
    screenHeight = 1000;
    params->spotDetectionEnabled = 1;
    params->productNgEjectorPulse = 1;
    params->detectEnabled[0] = 1;
    params->motionCorrection = -1;
    params->angleCorrection = 0;
    constexpr int w = 800;
    constexpr int h = 500;

    // The language is taken when the view is built, as at start-up.
    for (const int language : {0, 1}) {
        currentLanguage = language;
        makeView(w, h, 2);
        // A mould-like template: textured plate, a darker cavity and a dark spot in it.
        cv::Mat picture(h, w, CV_8UC1, view->templates[0][0].data());
        cv::randu(picture, 90, 170);
        cv::GaussianBlur(picture, picture, cv::Size(0, 0), 3.0);
        cv::rectangle(picture, cv::Rect(120, 80, 260, 160), cv::Scalar(60), cv::FILLED);
        cv::circle(picture, cv::Point(560, 170), 70, cv::Scalar(200), cv::FILLED);
        cv::circle(picture, cv::Point(300, 170), 12, cv::Scalar(15), cv::FILLED);
        std::copy(view->templates[0][0].begin(), view->templates[0][0].end(), view->displayBuffer.begin());
        view->displayChanged();
        view->engine = new DetectEngine(view->roiSet, view.get());

        addRect(0, QRect(QPoint(40, 300), QPoint(300, 460)), 0, 5, 25, 100);
        addCircle(560, 170, 90, 30);
        const int spot = addRect(0, QRect(QPoint(120, 80), QPoint(380, 240)), 1, 12800, 20, 5000);

        selectOnly(spot);
        view->sensitivitySlider->setValue(21);
        const QString tag = language == 0 ? QStringLiteral("zh") : QStringLiteral("en");
        const QImage image = shot(QStringLiteral("editing-view-") + tag);
        // Below the region (bottom at widget y 482), inside the screen, above the move buttons.
        EXPECT_EQ(view->sensitivitySlider->y(), 2 * 241 + 5);
        EXPECT_LT(view->nextRoiButton->geometry().bottom(), view->moveUpButton->y());
        EXPECT_TRUE(view->previewActive);
        EXPECT_EQ(view->nextRoiButton->text(), tableText(4));
        EXPECT_EQ(image.pixelColor(2 * 300, 2 * 170), QColor(Qt::cyan)) << "preview pixels of the spot";

        // Moving all regions: only the move buttons stay.
        view->moveAllButton->click();
        view->moveAllButton->click();
        shot(QStringLiteral("editing-view-move-all-") + tag);
    }
    screenWidth = savedWidth;
    screenHeight = savedHeight;
}
