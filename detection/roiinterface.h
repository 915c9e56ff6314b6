// The abstract region shape: a bounding QRect in frame pixels plus the operations the region
// editor, the region set and the detection engine use (text and JSON forms, painting, hit tests,
// editing moves and the inside mask). Also the margin and tolerance helpers shared by the shapes.
#pragma once

#include <QJsonObject>
#include <QPoint>
#include <QRect>
#include <QString>

namespace cv {
class Mat;
}
class QPainter;
class QTextStream;

// Shape codes stored in the region set and returned by ROIInterface::type().
enum ShapeKind {
    ShapeRectangle = 1,
    ShapePolygon = 2,
    ShapeCircle = 4,
};

// Geometry kept in stored and edited shapes stays within 3 pixels of every frame edge.
constexpr int kFrameMargin = 3;

class ROIInterface : public QRect {
public:
    ROIInterface() : QRect(0, 0, 0, 0) {}
    virtual ~ROIInterface() = default;

    // Geometry from the JSON form; taken as given (it only ever comes from toJson).
    virtual void fromJson(QJsonObject json) = 0;
    // Geometry from the text form; the stream stands after the row's leading count.
    // `context` holds "width" and "height" of the frame (and "pointCount" for polygons).
    virtual void fromText(QTextStream& in, QJsonObject context) = 0;
    virtual void toJson(QJsonObject& json) const = 0;
    virtual QString toText() const = 0;
    virtual void paint(QPainter& painter) const = 0;
    virtual void paintScaled(QPainter& painter, float sx, float sy) const = 0;
    // Same kind and same JSON form; the selected flag takes no part.
    virtual bool equals(const ROIInterface& other) const = 0;
    // Which resize handle of a selected shape lies under `p`; -1 and false when none.
    virtual bool hitHandle(const QPoint& p, int& code) const = 0;
    virtual void setSelected(bool selected) = 0;
    virtual bool isSelected() const = 0;
    // Makes geometry and bounding rectangle agree after a change.
    virtual void updateBounds() = 0;
    // Whether a click at `p` grabs the shape.
    virtual bool contains(const QPoint& p) const = 0;
    // 8-bit one-channel mask of the bounding rectangle, 255 inside the shape; empty when the
    // bounding rectangle has no area.
    virtual cv::Mat mask() const = 0;
    virtual void dragHandle(int code, const QPoint& from, const QPoint& to) = 0;
    // One step of a size button on part `part` (0 .. pointCount() - 1) in a frame W x H.
    virtual void nudge(int part, int step, int W, int H) = 0;
    virtual void moveBy(int dx, int dy, int W, int H) = 0;
    // Anchor of the shape's label.
    virtual QPoint topLeft() const = 0;
    virtual int type() const = 0;
    virtual QString name() const = 0;
    virtual int pointCount() const = 0;
};

// v < 3 becomes 3; v above (horizontal ? W : H) - 3 becomes that bound.
void clampCoord(int& v, bool horizontal, int W, int H);
// Normalises `r` (swapping reversed edges) and clamps it into the band 3 .. W - 3, 3 .. H - 3.
// keepSize moves the rectangle in (a move); otherwise each edge is clamped by itself (a resize).
// A rectangle larger than the band is cut to the band, so no edge ever leaves it.
void clampRect(QRect& r, int W, int H, bool keepSize);
// |a - b| < t with t = tol held in [3, 50].
bool isNear(int a, int b, int tol);
// |edge - p| < t (t = tol held in [3, 50]) and lo <= q <= hi.
bool isNearEdge(int edge, int p, int q, int lo, int hi, int tol);
// Both coordinates of a and b closer than t = tol held in [3, 50].
bool isNearPoint(const QPoint& a, const QPoint& b, int tol);

// Reads the next decimal integer of a region text; 0 when the text ends or holds no number
// there (the stream's status then tells the caller the text was short or corrupt).
int readTextInt(QTextStream& in);
