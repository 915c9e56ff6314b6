// Region shapes: margin and tolerance helpers, text and JSON forms, masks, hit tests and the
// editing moves of the region editor at the frame's edges.
#include "detection/circle.h"
#include "detection/clustomrect.h"
#include "detection/repolygon.h"
#include "core/globals.h"
#include "core/texttable.h"
#include "tests/detection/regiontestutil.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <QTextStream>

#include <opencv2/core.hpp>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

constexpr int W = 640;
constexpr int H = 480;

QJsonObject frameContext(int pointCount = 0)
{
    QJsonObject c;
    c.insert(QStringLiteral("width"), W);
    c.insert(QStringLiteral("height"), H);
    c.insert(QStringLiteral("pointCount"), pointCount);
    return c;
}

// Reads a region text the way the region set does: the leading count first, then the shape.
template <class Shape>
std::unique_ptr<Shape> fromRowText(QString text)
{
    QTextStream in(&text);
    int n = 0;
    in >> n;
    auto shape = std::make_unique<Shape>();
    shape->fromText(in, frameContext(n));
    shape->updateBounds();
    return shape;
}

QString jsonText(const ROIInterface& shape)
{
    QJsonObject json;
    shape.toJson(json);
    return QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact));
}

template <class Shape>
std::unique_ptr<Shape> fromJsonText(const char* text)
{
    auto shape = std::make_unique<Shape>();
    shape->fromJson(QJsonDocument::fromJson(text).object());
    shape->updateBounds();
    return shape;
}

QString rectText(const QRect& r)
{
    return QStringLiteral("(%1,%2)-(%3,%4)").arg(r.left()).arg(r.top()).arg(r.right()).arg(r.bottom());
}

// ---- helpers -----------------------------------------------------------------------------

TEST(RegionGeometry, ClampCoordKeepsThreePixelsFromEachEdge)
{
    struct Case {
        int v;
        bool horizontal;
        int expected;
    };
    const Case cases[] = {
        {2, true, 3}, {-40, false, 3}, {3, true, 3}, {W - 3, true, W - 3}, {W - 2, true, W - 3},
        {H - 2, false, H - 3}, {H - 2, true, H - 2}, {100000, false, H - 3},
    };
    for (const Case& c : cases) {
        int v = c.v;
        clampCoord(v, c.horizontal, W, H);
        EXPECT_EQ(v, c.expected) << c.v << (c.horizontal ? " across" : " down");
    }
}

TEST(RegionGeometry, NearnessTolerancesAreHeldBetween3And50AndStrict)
{
    EXPECT_TRUE(isNear(10, 12, 1));   // tolerance 1 acts as 3
    EXPECT_FALSE(isNear(10, 13, 1));  // a distance equal to the tolerance is not near
    EXPECT_TRUE(isNear(0, 49, 80));   // 80 acts as 50
    EXPECT_FALSE(isNear(0, 50, 80));
    EXPECT_TRUE(isNearEdge(100, 91, 50, 40, 60, 10));
    EXPECT_FALSE(isNearEdge(100, 90, 50, 40, 60, 10));
    EXPECT_FALSE(isNearEdge(100, 95, 61, 40, 60, 10));  // beside the edge's extent
    EXPECT_TRUE(isNearEdge(100, 95, 60, 40, 60, 10));   // its ends are included
    EXPECT_TRUE(isNearPoint(QPoint(10, 10), QPoint(29, 29), 20));
    EXPECT_FALSE(isNearPoint(QPoint(10, 10), QPoint(30, 10), 20));
}

TEST(RegionGeometry, ClampRectMovesOrCutsIntoTheBand)
{
    struct Case {
        const char* what;
        QRect in;
        bool keepSize;
        QRect expected;
    };
    const Case cases[] = {
        {"move keeps the size at the left", QRect(QPoint(1, 50), QPoint(101, 80)), true, QRect(QPoint(3, 50), QPoint(103, 80))},
        {"resize cuts the left edge", QRect(QPoint(1, 50), QPoint(101, 80)), false, QRect(QPoint(3, 50), QPoint(101, 80))},
        {"move keeps the size at the bottom right", QRect(QPoint(600, 450), QPoint(650, 490)), true, QRect(QPoint(587, 437), QPoint(637, 477))},
        {"resize cuts the bottom right", QRect(QPoint(600, 450), QPoint(650, 490)), false, QRect(QPoint(600, 450), QPoint(637, 477))},
        {"reversed edges are swapped", QRect(QPoint(200, 150), QPoint(100, 50)), false, QRect(QPoint(100, 50), QPoint(200, 150))},
        {"inside stays", QRect(QPoint(3, 3), QPoint(637, 477)), true, QRect(QPoint(3, 3), QPoint(637, 477))},
        // Larger than the band: pushing it in from the right must not drive the left edge out.
        {"move of a rectangle wider than the band", QRect(QPoint(-10, -20), QPoint(700, 500)), true, QRect(QPoint(3, 3), QPoint(637, 477))},
        {"move of a wide rectangle from the right", QRect(QPoint(100, 10), QPoint(900, 20)), true, QRect(QPoint(3, 10), QPoint(637, 20))},
    };
    for (const Case& c : cases) {
        QRect r = c.in;
        clampRect(r, W, H, c.keepSize);
        EXPECT_EQ(rectText(r), rectText(c.expected)) << c.what;
    }
}

// ---- text and JSON forms -------------------------------------------------------------------

TEST(RegionForms, TextAndJsonRoundTripsOfEachKind)
{
    struct Case {
        const char* what;
        std::function<std::unique_ptr<ROIInterface>(QString)> read;
        QString text;
        QString json;
    };
    const auto rect = [](QString t) -> std::unique_ptr<ROIInterface> { return fromRowText<ClustomRect>(t); };
    const auto circle = [](QString t) -> std::unique_ptr<ROIInterface> { return fromRowText<Circle>(t); };
    const auto polygon = [](QString t) -> std::unique_ptr<ROIInterface> { return fromRowText<RePolygon>(t); };
    const Case cases[] = {
        {"rectangle", rect, "0 50 50 100 100", R"({"bottom":100,"right":100,"x":50,"y":50})"},
        {"ring", circle, "0 200 150 655400", R"({"r":40,"rn":10,"xc":200,"yc":150})"},
        {"disc", circle, "0 320 240 100", R"({"r":100,"rn":0,"xc":320,"yc":240})"},
        {"triangle", polygon, "3 10 10 50 10 30 40 ", R"({"points":[{"x":10,"y":10},{"x":50,"y":10},{"x":30,"y":40}]})"},
        {"empty polygon", polygon, "0 ", R"({"points":[]})"},
    };
    for (const Case& c : cases) {
        const auto shape = c.read(c.text);
        EXPECT_EQ(shape->toText(), c.text) << c.what;
        EXPECT_EQ(jsonText(*shape), c.json) << c.what;
        // The JSON form makes an equal shape of the same kind.
        std::unique_ptr<ROIInterface> twin;
        if (shape->type() == ShapeRectangle)
            twin = fromJsonText<ClustomRect>(c.json.toUtf8().constData());
        else if (shape->type() == ShapeCircle)
            twin = fromJsonText<Circle>(c.json.toUtf8().constData());
        else
            twin = fromJsonText<RePolygon>(c.json.toUtf8().constData());
        EXPECT_TRUE(twin->equals(*shape)) << c.what;
        EXPECT_EQ(twin->toText(), c.text) << c.what;
    }
}

TEST(RegionForms, StoredTextIsBroughtIntoTheFrame)
{
    struct Case {
        const char* what;
        QString text;
        QString expected;
    };
    const Case cases[] = {
        {"rectangle corners reversed", "0 100 100 50 50", "0 50 50 100 100"},
        {"rectangle right missing", "0 50 50", "0 3 3 50 50"},
        {"rectangle of letters", "0 a b c d", "0 3 3 3 3"},
        {"rectangle outside the frame", "0 -5 -5 9000 9000", "0 3 3 637 477"},
        {"circle near the right edge", QStringLiteral("0 %1 200 40").arg(W - 10), QStringLiteral("0 %1 200 9").arg(W - 10)},
        {"circle near the left edge", "0 20 200 40", "0 20 200 17"},
        {"circle near the top edge", "0 200 20 40", "0 200 20 17"},
        {"circle inner radius limited too", "0 20 200 2621480", "0 20 200 1114129"},  // rn 40 -> 17, r 40 -> 17
        {"polygon vertices clamped one by one", "3 0 0 700 10 30 500 ", "3 3 3 637 10 30 477 "},
    };
    for (const Case& c : cases) {
        QString text = c.text;
        QTextStream in(&text);
        int n = 0;
        in >> n;
        std::unique_ptr<ROIInterface> shape;
        if (c.text.startsWith(QLatin1String("0 ")) && QString(c.what).startsWith(QLatin1String("circle")))
            shape = std::make_unique<Circle>();
        else if (n > 0)
            shape = std::make_unique<RePolygon>();
        else
            shape = std::make_unique<ClustomRect>();
        shape->fromText(in, frameContext(n));
        shape->updateBounds();
        EXPECT_EQ(shape->toText(), c.expected) << c.what;
        EXPECT_FALSE(shape->mask().empty()) << c.what;
    }
}

TEST(RegionForms, PolygonVertexCountIsHeldToTheCapacity)
{
    // A count far beyond the inline array, with more pairs than the array holds.
    QString text = QStringLiteral("100000 ");
    for (int i = 0; i < RePolygon::kMaxPoints + 5; ++i)
        text += QStringLiteral("%1 %2 ").arg(10 + i % 300).arg(10 + i % 200);
    const auto polygon = fromRowText<RePolygon>(text);
    EXPECT_EQ(polygon->count, RePolygon::kMaxPoints);
    EXPECT_EQ(polygon->pointCount(), RePolygon::kMaxPoints);

    const auto negative = fromRowText<RePolygon>(QStringLiteral("-7 10 10 20 20 "));
    EXPECT_EQ(negative->count, 0);
    EXPECT_TRUE(negative->mask().empty());

    QJsonArray tooMany;
    for (int i = 0; i < RePolygon::kMaxPoints + 1; ++i)
        tooMany.append(QJsonObject{{"x", i % 100}, {"y", i % 50}});
    RePolygon fromJson;
    fromJson.fromJson(QJsonObject{{"points", tooMany}});
    EXPECT_EQ(fromJson.count, RePolygon::kMaxPoints);
}

TEST(RegionForms, CircleJsonWithInnerRadiusAboveOuterIsNormalised)
{
    const auto circle = fromJsonText<Circle>(R"({"xc":100,"yc":100,"r":20,"rn":30})");
    EXPECT_EQ(circle->rn, 20);
    EXPECT_EQ(cv::countNonZero(circle->mask()), 0);
    // JSON geometry is taken as given otherwise, even outside the frame.
    const auto outside = fromJsonText<ClustomRect>(R"({"x":-10,"y":-10,"right":5,"bottom":5})");
    EXPECT_EQ(rectText(*outside), "(-10,-10)-(5,5)");
    // A missing key reads as 0.
    const auto partial = fromJsonText<ClustomRect>(R"({"right":9,"bottom":4})");
    EXPECT_EQ(rectText(*partial), "(0,0)-(9,4)");
}

TEST(RegionForms, EqualityIgnoresSelectionButNotKind)
{
    const auto a = fromRowText<ClustomRect>(QStringLiteral("0 50 50 100 100"));
    const auto b = fromRowText<ClustomRect>(QStringLiteral("0 50 50 100 100"));
    b->setSelected(true);
    EXPECT_TRUE(a->equals(*b));
    EXPECT_TRUE(b->isSelected());
    const auto moved = fromRowText<ClustomRect>(QStringLiteral("0 50 50 100 101"));
    EXPECT_FALSE(a->equals(*moved));
    const auto circle = fromRowText<Circle>(QStringLiteral("0 75 75 25"));
    EXPECT_FALSE(a->equals(*circle));
    EXPECT_FALSE(circle->equals(*a));
}

TEST(RegionForms, KindsPartsAndNamesInTheCurrentLanguage)
{
    fillTextTable();
    ClustomRect rect;
    Circle circle;
    RePolygon polygon;
    EXPECT_EQ(rect.type(), 1);
    EXPECT_EQ(polygon.type(), 2);
    EXPECT_EQ(circle.type(), 4);
    EXPECT_EQ(rect.pointCount(), 2);
    EXPECT_EQ(circle.pointCount(), 3);
    EXPECT_EQ(polygon.pointCount(), 0);
    const int saved = currentLanguage;
    currentLanguage = 0;
    EXPECT_EQ(rect.name(), QStringLiteral("矩形"));
    EXPECT_EQ(circle.name(), QStringLiteral("圆形"));
    EXPECT_EQ(polygon.name(), QStringLiteral("多边形"));
    currentLanguage = 1;
    EXPECT_EQ(rect.name(), QStringLiteral("rectangular "));
    EXPECT_EQ(polygon.name(), QStringLiteral("Polygon"));
    currentLanguage = saved;
}

// ---- masks ---------------------------------------------------------------------------------

TEST(RegionMasks, PixelCountsOfEachKind)
{
    // Disc of radius 5 in its 10 x 10 square, rows dy = -5..4: 1, 7, 9, 9, 9, 10, 9, 9, 9, 7 = 79
    // pixels with dx^2 + dy^2 <= 25; the inner disc of radius 2 has 1 + 3 + 5 + 3 + 1 = 13.
    // Right triangle (0,0), (20,0), (0,20) in a 20 x 20 mask: row 0 has 20 pixels (column 20
    // lies outside), row y >= 1 has 21 - y: 20 + (20 + 19 + ... + 2) = 229.
    struct Case {
        const char* what;
        std::unique_ptr<ROIInterface> shape;
        int rows, cols, count;
    };
    Case cases[] = {
        {"rectangle", fromRowText<ClustomRect>(QStringLiteral("0 50 50 100 100")), 51, 51, 51 * 51},
        {"ring", fromJsonText<Circle>(R"({"xc":100,"yc":100,"r":5,"rn":2})"), 10, 10, 79 - 13},
        {"disc has its centre pixel cut", fromJsonText<Circle>(R"({"xc":100,"yc":100,"r":5,"rn":0})"), 10, 10, 78},
        {"ring with equal radii", fromJsonText<Circle>(R"({"xc":100,"yc":100,"r":5,"rn":5})"), 10, 10, 0},
        {"triangle", fromRowText<RePolygon>(QStringLiteral("3 10 10 30 10 10 30 ")), 20, 20, 229},
        {"square polygon", fromRowText<RePolygon>(QStringLiteral("4 10 10 50 10 50 40 10 40 ")), 30, 40, 1200},
    };
    for (Case& c : cases) {
        const cv::Mat m = c.shape->mask();
        EXPECT_EQ(m.type(), CV_8UC1) << c.what;
        EXPECT_EQ(m.rows, c.rows) << c.what;
        EXPECT_EQ(m.cols, c.cols) << c.what;
        EXPECT_EQ(cv::countNonZero(m), c.count) << c.what;
        EXPECT_EQ(cv::countNonZero((m != 0) & (m != 255)), 0) << c.what << ": only 0 and 255";
    }
    const auto ring = fromJsonText<Circle>(R"({"xc":100,"yc":100,"r":5,"rn":2})");
    const cv::Mat m = ring->mask();
    EXPECT_EQ(m.at<uint8_t>(5, 5), 0) << "hole";
    EXPECT_EQ(m.at<uint8_t>(5, 1), 255) << "ring";
    EXPECT_EQ(m.at<uint8_t>(0, 0), 0) << "corner";
}

TEST(RegionMasks, ShapesWithoutAreaGiveAnEmptyMask)
{
    const char* rects[] = {
        R"({"x":50,"y":50,"right":40,"bottom":100})",  // right < left
        R"({"x":50,"y":50,"right":100,"bottom":10})",  // bottom < top
        R"({"x":50,"y":50,"right":49,"bottom":49})",   // size 0
    };
    for (const char* json : rects)
        EXPECT_TRUE(fromJsonText<ClustomRect>(json)->mask().empty()) << json;
    EXPECT_TRUE(fromJsonText<Circle>(R"({"xc":50,"yc":50,"r":0,"rn":0})")->mask().empty());
    EXPECT_TRUE(RePolygon().mask().empty());
    // All vertices on one row: no height.
    EXPECT_TRUE(fromRowText<RePolygon>(QStringLiteral("3 10 10 50 10 30 10 "))->mask().empty());
}

// ---- circle and polygon geometry ------------------------------------------------------------

TEST(RegionShapes, CircleFromADraggedRectangle)
{
    Circle circle;
    circle.setCoords(10, 10, 109, 59);
    circle.updateBounds();
    EXPECT_EQ(circle.xc, 35);
    EXPECT_EQ(circle.yc, 35);
    EXPECT_EQ(circle.r, 25);
    EXPECT_EQ(rectText(circle), "(10,10)-(59,59)");
    EXPECT_EQ(circle.topLeft(), QPoint(10, 10));
}

TEST(RegionShapes, PolygonBoundsStopShortOfTheLastColumnAndRow)
{
    const auto triangle = fromRowText<RePolygon>(QStringLiteral("3 10 10 50 10 30 40 "));
    EXPECT_EQ(rectText(*triangle), "(10,10)-(49,39)");
    EXPECT_EQ(triangle->width(), 40);
    EXPECT_EQ(triangle->height(), 30);
    EXPECT_EQ(triangle->topLeft(), QPoint(10, 10));
    const auto rotated = fromRowText<RePolygon>(QStringLiteral("3 50 10 30 40 10 10 "));
    EXPECT_EQ(rotated->topLeft(), QPoint(50, 10)) << "the label sits at vertex 0";
    const QPoint pts[] = {{5, 6}, {7, 8}};
    RePolygon copy(2, pts);
    EXPECT_EQ(copy.count, 2);
    EXPECT_EQ(copy.points[1], QPoint(7, 8));
}

// ---- hit tests and grabbing ----------------------------------------------------------------

TEST(RegionHits, RectangleHandles)
{
    // 40 wide, 100 high: vertical edges use tolerance 40 / 4 = 10, horizontal ones 100 / 4 = 25.
    auto rect = fromRowText<ClustomRect>(QStringLiteral("0 100 100 139 199"));
    int code = 99;
    EXPECT_FALSE(rect->hitHandle(QPoint(100, 100), code));
    EXPECT_EQ(code, -1) << "unselected";
    rect->setSelected(true);
    struct Case {
        QPoint p;
        bool hit;
        int code;
    };
    const Case cases[] = {
        {{91, 150}, true, 3},   // 9 pixels left of the left edge
        {{90, 150}, false, -1}, // 10 pixels: no handle
        {{102, 103}, true, 0},  // corner before the edges
        {{139, 100}, true, 2},
        {{100, 199}, true, 5},
        {{139, 199}, true, 7},
        {{147, 150}, true, 4},
        {{120, 124}, true, 1},  // 24 pixels below the top (tolerance 25); corners and sides missed
        {{120, 176}, true, 6},
        {{120, 150}, false, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rect->hitHandle(c.p, code), c.hit) << c.p.x() << "," << c.p.y();
        EXPECT_EQ(code, c.code) << c.p.x() << "," << c.p.y();
    }
    // A 400-pixel-wide rectangle uses tolerance 50.
    auto wide = fromRowText<ClustomRect>(QStringLiteral("0 100 100 499 399"));
    wide->setSelected(true);
    EXPECT_TRUE(wide->hitHandle(QPoint(51, 250), code));
    EXPECT_EQ(code, 3);
    EXPECT_FALSE(wide->hitHandle(QPoint(50, 250), code));
}

TEST(RegionHits, CircleAndPolygonHandles)
{
    auto circle = fromJsonText<Circle>(R"({"xc":200,"yc":200,"r":40,"rn":0})");
    int code = 99;
    EXPECT_FALSE(circle->hitHandle(QPoint(240, 200), code));
    EXPECT_EQ(code, -1);
    circle->setSelected(true);
    struct Case {
        QPoint p;
        bool hit;
        int code;
    };
    const Case circleCases[] = {
        {{230, 225}, true, 2}, {{230, 175}, true, 7}, {{170, 225}, true, 0}, {{170, 175}, true, 5},
        {{200, 240}, true, 1}, {{200, 160}, true, 6}, {{160, 200}, true, 3}, {{240, 200}, true, 4},
        {{200, 200}, false, -1}, // the centre is no handle
        {{270, 200}, false, -1}, // 70 from the centre: beyond r + 20
    };
    for (const Case& c : circleCases) {
        EXPECT_EQ(circle->hitHandle(c.p, code), c.hit) << c.p.x() << "," << c.p.y();
        EXPECT_EQ(code, c.code) << c.p.x() << "," << c.p.y();
    }

    auto triangle = fromRowText<RePolygon>(QStringLiteral("3 100 100 200 100 150 180 "));
    EXPECT_FALSE(triangle->hitHandle(QPoint(100, 100), code));
    triangle->setSelected(true);
    EXPECT_TRUE(triangle->hitHandle(QPoint(195, 110), code));
    EXPECT_EQ(code, 1);
    EXPECT_FALSE(triangle->hitHandle(QPoint(150, 120), code));
    EXPECT_EQ(code, -1);
}

TEST(RegionHits, GrabbingAShape)
{
    const auto rect = fromRowText<ClustomRect>(QStringLiteral("0 100 100 200 200"));
    EXPECT_TRUE(rect->contains(QPoint(80, 80)));
    EXPECT_FALSE(rect->contains(QPoint(79, 150)));
    EXPECT_TRUE(rect->contains(QPoint(220, 220)));
    const auto circle = fromJsonText<Circle>(R"({"xc":200,"yc":200,"r":40,"rn":0})");
    EXPECT_TRUE(circle->contains(QPoint(145, 145))) << "a square test, not a disc";
    EXPECT_FALSE(circle->contains(QPoint(139, 200)));

    // 50 x 50 polygon: the grab rectangle reaches 20 further left and up only.
    const auto small = fromRowText<RePolygon>(QStringLiteral("4 100 100 150 100 150 150 100 150 "));
    EXPECT_TRUE(small->contains(QPoint(90, 125)));
    EXPECT_FALSE(small->contains(QPoint(160, 125)));
    // 200 x 200 polygon: the outline and points outside are not inside.
    const auto big = fromRowText<RePolygon>(QStringLiteral("4 100 100 300 100 300 300 100 300 "));
    EXPECT_TRUE(big->contains(QPoint(200, 200)));
    EXPECT_FALSE(big->contains(QPoint(100, 200)));
    EXPECT_FALSE(big->contains(QPoint(95, 200)));
    EXPECT_FALSE(big->contains(QPoint(200, 305)));
}

// ---- editing moves at the frame's edges ------------------------------------------------------

// What the region editor does after each kind of move.
void editorMove(ROIInterface& shape, int dx, int dy)
{
    shape.moveBy(dx, dy, W, H);
    clampRect(shape, W, H, true);
    shape.updateBounds();
}

void editorDrag(ROIInterface& shape, int code, QPoint from, QPoint to)
{
    shape.dragHandle(code, from, to);
    if (auto polygon = dynamic_cast<RePolygon*>(&shape))
        polygon->clampVertices(W, H);
    else
        clampRect(shape, W, H, false);
    shape.updateBounds();
}

void editorNudge(ROIInterface& shape, int part, int step)
{
    shape.nudge(part, step, W, H);
    shape.updateBounds();
}

bool insideFrame(const ROIInterface& shape)
{
    if (auto polygon = dynamic_cast<const RePolygon*>(&shape)) {
        for (int i = 0; i < polygon->count; ++i)
            if (polygon->points[i].x() < 0 || polygon->points[i].x() >= W || polygon->points[i].y() < 0
                || polygon->points[i].y() >= H)
                return false;
        return true;
    }
    return shape.left() >= 3 && shape.top() >= 3 && shape.right() <= W - 3 && shape.bottom() <= H - 3;
}

TEST(RegionEditing, MovesAndDragsStayInsideTheFrame)
{
    auto rect = fromRowText<ClustomRect>(QStringLiteral("0 50 50 100 100"));
    editorMove(*rect, -500, -500);
    EXPECT_EQ(rectText(*rect), "(3,3)-(53,53)") << "moved into the corner, size kept";
    editorMove(*rect, 5000, 5000);
    EXPECT_EQ(rectText(*rect), "(587,427)-(637,477)");
    editorDrag(*rect, 0, QPoint(587, 427), QPoint(-100, -100));
    EXPECT_EQ(rectText(*rect), "(3,3)-(637,477)");
    editorDrag(*rect, 7, QPoint(637, 477), QPoint(1, 1));
    EXPECT_EQ(rectText(*rect), "(3,3)-(3,3)") << "dragged across: normalised, not inside out";
    EXPECT_FALSE(rect->mask().empty());

    auto circle = fromJsonText<Circle>(R"({"xc":100,"yc":100,"r":40,"rn":10})");
    editorMove(*circle, -500, 0);
    EXPECT_EQ(circle->xc, 43);
    EXPECT_EQ(circle->r, 40);
    editorDrag(*circle, 4, QPoint(83, 100), QPoint(400, 100));
    EXPECT_TRUE(insideFrame(*circle)) << rectText(*circle).toStdString();
    EXPECT_LE(circle->rn, circle->r);

    auto triangle = fromRowText<RePolygon>(QStringLiteral("3 20 100 60 100 40 140 "));
    editorMove(*triangle, -50, 0);
    EXPECT_EQ(triangle->points[0], QPoint(0, 100)) << "moved by -20 only";
    EXPECT_EQ(triangle->points[1], QPoint(40, 100));
    editorMove(*triangle, 5000, 5000);
    EXPECT_EQ(triangle->points[1], QPoint(W - 1, 100 + (H - 1 - 140))) << "rightmost and lowest vertex on the last pixel";
    EXPECT_TRUE(insideFrame(*triangle));
    editorDrag(*triangle, 2, triangle->points[2], QPoint(9000, -9000));
    EXPECT_EQ(triangle->points[2], QPoint(W - 3, 3));
    EXPECT_TRUE(insideFrame(*triangle));
}

TEST(RegionEditing, SizeButtonsAtTheFrameEdges)
{
    auto rect = fromRowText<ClustomRect>(QStringLiteral("0 3 3 100 100"));
    editorNudge(*rect, 0, 1);  // top-left corner left: already at the margin
    editorNudge(*rect, 0, 0);  // and up
    EXPECT_EQ(rectText(*rect), "(3,3)-(100,100)");
    editorNudge(*rect, 1, 3);
    editorNudge(*rect, 1, 2);
    EXPECT_EQ(rectText(*rect), "(3,3)-(101,101)");

    auto circle = fromJsonText<Circle>(R"({"xc":100,"yc":100,"r":5,"rn":2})");
    editorNudge(*circle, 1, 3);  // outer radius -10
    // The radius stops at 0 instead of turning the square inside out (which grew it to 6); the
    // clamp of the empty square then leaves the smallest circle.
    EXPECT_EQ(circle->r, 1);
    EXPECT_EQ(circle->rn, 0);
    EXPECT_EQ(circle->xc, 100);
    editorNudge(*circle, 1, 0);  // +10
    EXPECT_EQ(circle->r, 11);
    editorNudge(*circle, 0, 0);  // inner +10
    EXPECT_EQ(circle->rn, 10);
    editorNudge(*circle, 0, 0);  // inner cannot pass the outer radius
    EXPECT_EQ(circle->rn, 11);
    auto edge = fromJsonText<Circle>(R"({"xc":20,"yc":100,"r":17,"rn":0})");
    editorNudge(*edge, 2, 1);  // centre left, against the margin
    EXPECT_TRUE(insideFrame(*edge)) << rectText(*edge).toStdString();

    auto triangle = fromRowText<RePolygon>(QStringLiteral("3 3 100 60 100 40 140 "));
    editorNudge(*triangle, 0, 1);
    EXPECT_EQ(triangle->points[0], QPoint(3, 100)) << "vertex kept at the margin";
    editorNudge(*triangle, 2, 2);
    EXPECT_EQ(triangle->points[2], QPoint(40, 141));
    const QString before = triangle->toText();
    editorNudge(*triangle, 3, 2);  // part == count
    EXPECT_EQ(triangle->toText(), before);
}

// ---- painting ------------------------------------------------------------------------------

TEST(RegionPainting, OutlinesAndPens)
{
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::green, 1));
    auto rect = fromRowText<ClustomRect>(QStringLiteral("0 20 20 60 60"));
    rect->paint(painter);
    EXPECT_EQ(painter.pen().width(), 3);
    EXPECT_EQ(painter.pen().color(), QColor(Qt::green)) << "unselected keeps the caller's colour";
    rect->setSelected(true);
    rect->paintScaled(painter, 2.0f, 2.0f);
    EXPECT_EQ(painter.pen().color(), QColor(Qt::magenta));
    auto circle = fromJsonText<Circle>(R"({"xc":100,"yc":100,"r":30,"rn":10})");
    circle->paint(painter);
    EXPECT_EQ(painter.pen().color(), QColor(Qt::yellow)) << "the inner circle's pen stays";
    painter.end();
    EXPECT_EQ(image.pixelColor(20, 40), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(40, 80), QColor(Qt::magenta)) << "scaled outline at 2 x";
    EXPECT_EQ(image.pixelColor(100, 90), QColor(Qt::yellow));
    EXPECT_EQ(image.pixelColor(30, 30), QColor(Qt::black)) << "outline only";
}

}  // namespace
