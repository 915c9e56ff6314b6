// What the camera view shows: the frame of each image source, the region outlines in the colours
// of their results, blinking NG pixels, ignored and preview pixels, labels, size hints, the
// shape being drawn and the legend. Checked on offscreen grabs; every grab is also written as a
// PNG (into MONITOR_TEST_SHOTS when set, else the test's scratch folder) for a look.
#include "core/globals.h"
#include "core/systemparam.h"
#include "core/texttable.h"
#include "detection/cammersingleton.h"
#include "detection/clustomrect.h"
#include "tests/mainwindow/windowfixture.h"
#include "tests/view/viewshot.h"
#include "view/cammerwidget.h"

#include <QDir>
#include <QPixmap>

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <memory>

namespace {

// A 320 x 180 grey frame shown in a 640 x 360 view: two widget pixels a frame pixel.
constexpr int kW = 320;
constexpr int kH = 180;
constexpr int kGrey = 120;

const QColor kDarkBlue(0, 0, 128);
const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);
const QColor kCyan(0, 255, 255);
const QColor kBlue(0, 0, 255);
const QColor kAreaHint(0xE9, 0x96, 0x7A);
const QColor kFrameGrey(kGrey, kGrey, kGrey);

class ViewPainting : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        fillTextTable();
        currentLanguage = 0;
        savedDetects = detectsPerCamera;
        savedLimit = templateCountLimit;
        detectsPerCamera = 2;
        params->alarmArea = 100;
        params->filterSize = 5;
        // The window supplies the alarm state, the detects and the zoom the painting reads.
        build();
        templateCountLimit = 3;
        imageSource = -1;
        window->alarmState = 0;
        window->curDet = 0;
        window->editDetect = 0;
        view = std::make_unique<CammerWidget>(0, kW, kH);
        view->resize(2 * kW, 2 * kH);
        showFrame(kGrey);
    }
    void TearDown() override
    {
        view.reset();
        imageSource = -1;
        detectsPerCamera = savedDetects;
        templateCountLimit = savedLimit;
        MainWindowFixture::TearDown();
    }

    // A flat frame of `grey` with a darker cavity in the lower right, as the view's frame.
    void showFrame(int grey)
    {
        cv::Mat frame(kH, kW, CV_8UC1, view->displayBuffer.data());
        frame.setTo(grey);
        cv::rectangle(frame, cv::Rect(200, 100, 100, 60), cv::Scalar(grey / 2), cv::FILLED);
        view->displayChanged();
    }

    // Region `rect` (frame pixels) of tool `tool` appended to detect d of `set`; its slot.
    static int addRegion(CammerSingleton& set, int d, const QRect& rect, int tool, int p2 = 0, int p3 = 0)
    {
        while (set.rois.size() < CammerSingleton::kDetects)
            set.rois.append(QList<ROIInterface*>());
        auto* shape = new ClustomRect;
        shape->setRect(rect.x(), rect.y(), rect.width(), rect.height());
        const int r = set.roiCount[d]++;
        set.rois[d].append(shape);
        const int slot = d * 50 + r;
        set.toolType[slot] = tool;
        set.minWH[slot] = 8;
        set.sensitivity[slot] = p2;
        set.area[slot] = p3;
        set.shapeKind[slot] = 1;
        return slot;
    }

    // The view as a person sees it; also written as <name>.png.
    QImage shot(const QString& name) { return viewShot(*view, name); }

    std::unique_ptr<CammerWidget> view;
    int savedDetects = 2;
    int savedLimit = 10;
};

// A widget pixel of a shot.
QColor at(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}

TEST_F(ViewPainting, OutlinesFollowTheResultsAndTheDisplayMode)
{
    // Region 1 a defect region, 2 a temperature region, 3 a positioning region; their left edges
    // lie at widget x 40, 240 and 440, their middles at widget y 80.
    CammerSingleton& set = *view->roiSet;
    const int defect = addRegion(set, 0, QRect(20, 20, 60, 40), 0);
    const int temperature = addRegion(set, 0, QRect(120, 20, 60, 40), 9, 20, 60);
    addRegion(set, 0, QRect(220, 20, 60, 40), 3);
    const QColor none = kFrameGrey;
    const struct {
        const char* name;
        int alarmState;
        int source;
        bool realtime;
        bool detectOk;
        bool defectOk;
        bool temperatureOk;
        QColor defectColour, temperatureColour, positioningColour;
    } cases[] = {
        {"run view, no alarm, real-time display on", 0, -1, true, true, true, true, kDarkBlue, kDarkBlue, none},
        {"run view, no alarm, real-time display off", 0, -1, false, true, true, true, none, none, none},
        {"result shown, all passed", 1, -1, false, true, true, true, kGreen, kGreen, none},
        {"result shown, both failed", 1, -1, false, false, false, false, kRed, kRed, none},
        {"result shown, temperature failed alone", 1, -1, false, true, true, false, kGreen, kRed, none},
        {"NG alarm in the run view", 2, -1, true, false, false, true, none, none, none},
        {"NG alarm in the live view", 2, 1, false, false, false, true, kRed, kGreen, none},
        {"region review in the live view", 3, 1, true, false, false, true, none, none, none},
    };
    int shown = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window->alarmState = c.alarmState;
        imageSource = c.source;
        params->realtimeRoiDisplay = c.realtime ? 1 : 0;
        view->detectOk = c.detectOk;
        view->roiOk[defect] = c.defectOk ? 1 : 0;
        view->roiOk[temperature] = c.temperatureOk ? 1 : 0;
        const QImage image = shot(QStringLiteral("outlines-%1").arg(shown++));
        EXPECT_EQ(at(image, 40, 80), c.defectColour);
        EXPECT_EQ(at(image, 240, 80), c.temperatureColour);
        EXPECT_EQ(at(image, 440, 80), c.positioningColour);
        // Inside the regions the frame shows through.
        EXPECT_EQ(at(image, 100, 90), kFrameGrey);
    }
}

TEST_F(ViewPainting, NgPixelsOfFailedRegionsShowOnlyWhileTheAlarmBlinks)
{
    CammerSingleton& set = *view->roiSet;
    const int failed = addRegion(set, 0, QRect(20, 20, 60, 40), 5);
    addRegion(set, 0, QRect(120, 20, 60, 40), 5);
    view->roiOk[failed] = 0;
    view->detectOk = false;
    // NG pixels in both regions, as an inspection leaves them.
    for (int y = 30; y < 40; ++y) {
        for (int x = 40; x < 50; ++x) {
            view->ngPixels[size_t(y * kW + x)] = 255;
            view->ngPixels[size_t(y * kW + x + 100)] = 255;
        }
    }
    window->alarmState = 2;
    imageSource = 1;

    for (int blink : {1, 0, 1, 0}) {
        SCOPED_TRACE(blink);
        view->alarmBlink = blink;
        const QImage image = shot(QStringLiteral("ng-pixels-blink-%1").arg(blink));
        EXPECT_EQ(at(image, 2 * 45, 2 * 35), blink ? kRed : kFrameGrey);
        // A passed region's NG pixels are never marked.
        EXPECT_EQ(at(image, 2 * 145, 2 * 35), kFrameGrey);
    }

    // A new frame while the alarm blinks: the marks go onto the new frame.
    showFrame(60);
    view->alarmBlink = 1;
    QImage image = shot(QStringLiteral("ng-pixels-new-frame"));
    EXPECT_EQ(at(image, 2 * 45, 2 * 35), kRed);
    EXPECT_EQ(at(image, 2 * 45, 2 * 25), QColor(60, 60, 60));
    view->alarmBlink = 0;
    image = shot(QStringLiteral("ng-pixels-new-frame-dark"));
    EXPECT_EQ(at(image, 2 * 45, 2 * 35), QColor(60, 60, 60));
}

TEST_F(ViewPainting, TemplateSourceShowsTheEditedRegionsWithIgnoredPixelsSizeHintsAndLegend)
{
    // The edited set of detect 1; the active set holds another region that must not appear.
    addRegion(*view->roiSet, 1, QRect(150, 100, 40, 40), 0);
    CammerSingleton& edited = *view->editRoiSet;
    addRegion(edited, 1, QRect(20, 20, 120, 60), 0);
    addRegion(edited, 1, QRect(160, 20, 60, 40), 2);
    window->editDetect = 1;
    window->curDet = 0;
    imageSource = 0;
    for (int y = 40; y < 50; ++y)
        for (int x = 30; x < 60; ++x)
            view->ignoreMask[1][size_t(y * kW + x)] = 255;
    // Ignored pixels outside every region are not shown.
    view->ignoreMask[1][size_t(170 * kW + 300)] = 255;
    // The editor opens with its own copy of the masks.
    view->copyMasksToEdit();

    QImage image = shot(QStringLiteral("template-source"));
    EXPECT_EQ(at(image, 2 * 40, 2 * 45), kCyan);
    EXPECT_EQ(at(image, 2 * 300, 2 * 170), kFrameGrey);
    EXPECT_EQ(at(image, 40, 80), kDarkBlue) << "edited region outlined";
    EXPECT_EQ(at(image, 320, 80), kDarkBlue) << "ignore region outlined";
    EXPECT_EQ(at(image, 300, 240), kFrameGrey) << "active region shown";
    // Size hints of the defect region: centre (79, 49), quarter width 29; a filter-size square of
    // 5 widget pixels at x 100 and an alarm-area square of 10 at x 216, both at y 98.
    EXPECT_EQ(at(image, 2 * (79 - 29) - 2, 98), kBlue);
    EXPECT_EQ(at(image, 2 * (79 + 29) - 5, 98), kAreaHint);
    // Legend squares at the lower left.
    EXPECT_EQ(at(image, 170, 2 * kH - 70), kBlue);
    EXPECT_EQ(at(image, 170, 2 * kH - 30), kAreaHint);

    // The live source shows the active set and no ignored pixels.
    imageSource = 1;
    window->alarmState = 1;
    window->curDet = 1;
    image = shot(QStringLiteral("live-source"));
    EXPECT_EQ(at(image, 2 * 40, 2 * 45), kFrameGrey);
    EXPECT_EQ(at(image, 300, 240), kGreen);

    // A selected region alone is outlined, in magenta, with the preview pixels in cyan.
    imageSource = 0;
    window->alarmState = 0;
    view->selectedRoi = 1;
    view->editRoiSet->rois[1][1]->setSelected(true);
    view->previewActive = true;
    view->ngPixels[size_t(30 * kW + 170)] = 255;
    image = shot(QStringLiteral("template-source-selected"));
    EXPECT_EQ(at(image, 320, 80), QColor(Qt::magenta));
    EXPECT_EQ(at(image, 40, 80), kFrameGrey);
    EXPECT_EQ(at(image, 2 * 170, 2 * 30), kCyan);
    // Moving all: every region outlined again.
    view->moveMode = 2;
    image = shot(QStringLiteral("template-source-move-all"));
    EXPECT_EQ(at(image, 40, 80), kDarkBlue);
}

TEST_F(ViewPainting, PolygonBeingDrawnShowsItsLinesAndItsFirstPoint)
{
    imageSource = 0;
    window->drawMode = 2;
    view->editState = 1;
    const QPoint points[] = {{40, 40}, {140, 40}, {140, 120}};
    for (const QPoint& p : points)
        view->polygonPoints[size_t(view->polygonCount++)] = p;
    const QImage image = shot(QStringLiteral("polygon-being-drawn"));
    EXPECT_EQ(at(image, 180, 80), QColor(Qt::magenta));
    EXPECT_EQ(at(image, 280, 160), QColor(Qt::magenta));
    // The cyan ring of radius 5 around the first point.
    EXPECT_EQ(at(image, 80, 75), kCyan);
}

TEST_F(ViewPainting, LabelsCarryTheLimitsUpToTenRegions)
{
    CammerSingleton& set = *view->roiSet;
    for (int r = 0; r < 10; ++r)
        view->roiValue[addRegion(set, 0, QRect(10 + 30 * r, 30 + 12 * r, 24, 20), 0)] = r + 1;
    window->alarmState = 1;
    EXPECT_EQ(view->overlayLabel(set, 0, 0), QStringLiteral("1: 100 / 1 "));
    EXPECT_EQ(view->overlayLabel(set, 0, 9), QStringLiteral("10: 100 / 10 "));
    shot(QStringLiteral("labels-10-regions"));

    view->roiValue[addRegion(set, 0, QRect(20, 150, 24, 20), 0)] = 11;
    EXPECT_EQ(view->overlayLabel(set, 0, 0), QStringLiteral("1: 1"));
    EXPECT_EQ(view->overlayLabel(set, 0, 10), QStringLiteral("11: 11"));
    shot(QStringLiteral("labels-11-regions"));
}

TEST_F(ViewPainting, LimitsOfEachToolInTheLabel)
{
    CammerSingleton& set = *view->roiSet;
    const struct {
        const char* name;
        int tool;
        int p2;
        int p3;
        bool details;
        const char* label;
    } cases[] = {
        {"temperature alarm of -40 to 120 degrees", 9, 0xFFD8, 120, false, "1: -40--120 / 35 "},
        {"spot", 1, 30, 90, false, "1: 30--90 / 35 "},
        {"similarity", 6, 80, 5, false, "1: 80 / 35 "},
        {"defect without details", 0, 30, 90, false, "1: 100 / 35 "},
        {"defect with details", 0, 30, 90, true, "1: 90 / 35 "},
    };
    window->alarmState = 1;
    int shown = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (auto& list : set.rois)
            CammerSingleton::clearRois(list);
        set.roiCount[0] = 0;
        params->showAlgorithmDetails = c.details ? 1 : 0;
        view->roiValue[addRegion(set, 0, QRect(40, 60, 80, 50), c.tool, c.p2, c.p3)] = 35;
        EXPECT_EQ(view->overlayLabel(set, 0, 0), QString::fromUtf8(c.label));
        shot(QStringLiteral("label-limits-%1").arg(shown++));
    }
}

TEST_F(ViewPainting, RegionsReachingOutsideTheImagePaintOnlyTheirInsidePart)
{
    // A region set stored for a larger camera: regions across the right, bottom and left edges.
    CammerSingleton& active = *view->roiSet;
    const int right = addRegion(active, 0, QRect(280, 150, 200, 200), 5);
    const int left = addRegion(active, 0, QRect(-50, -30, 100, 80), 5);
    view->roiOk[right] = 0;
    view->roiOk[left] = 0;
    view->detectOk = false;
    std::fill(view->ngPixels.begin(), view->ngPixels.end(), 255);
    window->alarmState = 2;
    imageSource = 1;
    view->alarmBlink = 1;
    QImage image = shot(QStringLiteral("outside-live"));
    EXPECT_EQ(at(image, 2 * kW - 1, 2 * kH - 1), kRed);
    EXPECT_EQ(at(image, 0, 0), kRed);
    EXPECT_EQ(at(image, 2 * 150, 2 * 100), kFrameGrey);

    // The editor's ignored and preview pixels of such a region.
    addRegion(*view->editRoiSet, 0, QRect(300, 170, 500, 500), 2);
    std::fill(view->ignoreMask[0].begin(), view->ignoreMask[0].end(), 255);
    view->copyMasksToEdit();
    imageSource = 0;
    view->selectedRoi = 0;
    view->previewActive = true;
    image = shot(QStringLiteral("outside-template"));
    EXPECT_EQ(at(image, 2 * kW - 1, 2 * kH - 1), kCyan);

    // A detect out of range paints the frame only.
    window->editDetect = 9;
    image = shot(QStringLiteral("outside-detect"));
    EXPECT_EQ(at(image, 2 * kW - 1, 2 * kH - 1), kFrameGrey);
}

TEST_F(ViewPainting, RunTemplateAndLivePicturesWithTheirRegionsFollowTheZoom)
{
    // The cavity (frame 200..299 x 100..159) lies at widget 400..598 x 200..318 unzoomed.
    addRegion(*view->roiSet, 0, QRect(20, 20, 60, 40), 0);
    view->editRoiSet->copyFrom(*view->roiSet);
    window->alarmState = 1;
    const QColor cavity(kGrey / 2, kGrey / 2, kGrey / 2);
    for (const int source : {-1, 0, 1}) {
        SCOPED_TRACE(source);
        imageSource = source;
        window->scaleX = window->scaleY = 1.0;
        window->panX = window->panY = 0;
        QImage image = shot(QStringLiteral("zoom-source%1-plain").arg(source + 1));
        EXPECT_EQ(at(image, 420, 220), cavity);
        EXPECT_EQ(at(image, 380, 180), kFrameGrey);
        EXPECT_EQ(at(image, 40, 80), kGreen) << "region outline at its place";

        // Zoomed 2 about the top left: the cavity and the outline move out by the scale.
        window->scaleX = window->scaleY = 2.0;
        image = shot(QStringLiteral("zoom-source%1-zoomed").arg(source + 1));
        EXPECT_EQ(at(image, 420, 220), kFrameGrey) << "a zoomed view shows the frame's top left";
        EXPECT_EQ(at(image, 639, 359), kFrameGrey);
        EXPECT_EQ(at(image, 81, 160), kGreen) << "the outline zooms with the picture";
        EXPECT_NE(at(image, 40, 80), kGreen);

        // Panned back by the zoomed cavity's offset, the cavity's corner is at the view's origin.
        window->panX = -800;
        window->panY = -400;
        image = shot(QStringLiteral("zoom-source%1-panned").arg(source + 1));
        EXPECT_EQ(at(image, 4, 4), cavity);
        EXPECT_EQ(at(image, 395, 235), cavity);
    }
    window->scaleX = window->scaleY = 1.0;
    window->panX = window->panY = 0;
}

TEST_F(ViewPainting, RecentNgFrameIsShownUnderTheZoomWithoutOverlay)
{
    addRegion(*view->roiSet, 0, QRect(20, 20, 60, 40), 0);
    window->alarmState = 1;
    imageSource = 2;
    window->scaleX = 2.0;
    window->scaleY = 2.0;
    // The view shows the top left quarter of the frame, doubled: the cavity is out of sight.
    QImage image = shot(QStringLiteral("recent-ng-zoomed"));
    EXPECT_EQ(at(image, 2 * 250, 2 * 130), kFrameGrey);
    EXPECT_EQ(at(image, 40 * 2, 80), kFrameGrey) << "no outline";
    window->scaleX = 1.0;
    window->scaleY = 1.0;
    window->panX = 100;
    image = shot(QStringLiteral("recent-ng-panned"));
    EXPECT_EQ(at(image, 2 * 250 + 100, 2 * 130), QColor(kGrey / 2, kGrey / 2, kGrey / 2));
}

}  // namespace
