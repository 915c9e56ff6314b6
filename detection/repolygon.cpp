#include "detection/repolygon.h"

#include "core/globals.h"
#include "detection/roishapecommon.h"

#include <QJsonArray>
#include <QPainter>
#include <QTextStream>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <vector>

namespace {
constexpr int kNameTextId = 76;
constexpr int kGrabMargin = 20;
constexpr int kVertexTolerance = 20;
// Below this size (grab rectangle) a click anywhere in the grab rectangle takes the polygon.
constexpr int kSmallPolygon = 80;

int heldCount(int n)
{
    return std::clamp(n, 0, RePolygon::kMaxPoints);
}

// Smallest and largest x and y over the first `count` vertices, starting from vertex 0.
QRect vertexSpread(const QPoint* points, int count)
{
    int minX = points[0].x();
    int maxX = minX;
    int minY = points[0].y();
    int maxY = minY;
    for (int i = 1; i < count; ++i) {
        minX = std::min(minX, points[i].x());
        maxX = std::max(maxX, points[i].x());
        minY = std::min(minY, points[i].y());
        maxY = std::max(maxY, points[i].y());
    }
    return QRect(QPoint(minX, minY), QPoint(maxX, maxY));
}
}  // namespace

RePolygon::RePolygon(int n, const QPoint* vertices)
    : count(heldCount(n))
{
    std::copy(vertices, vertices + count, points);
}

void RePolygon::fromJson(QJsonObject json)
{
    count = 0;
    const QJsonArray array = json.value(QLatin1String("points")).toArray();
    for (const QJsonValue& v : array) {
        if (count == kMaxPoints)
            break;
        const QJsonObject vertex = v.toObject();
        points[count++] = QPoint(RoiShapeCommon::jsonInt(vertex, "x"), RoiShapeCommon::jsonInt(vertex, "y"));
    }
    updateBounds();
}

void RePolygon::fromText(QTextStream& in, QJsonObject context)
{
    const int W = context.value(QLatin1String("width")).toInt();
    const int H = context.value(QLatin1String("height")).toInt();
    // The count comes from the database: hold it to the capacity of the vertex array.
    count = heldCount(context.value(QLatin1String("pointCount")).toInt());
    for (int i = 0; i < count; ++i) {
        int x = readTextInt(in);
        int y = readTextInt(in);
        clampCoord(x, true, W, H);
        clampCoord(y, false, W, H);
        points[i] = QPoint(x, y);
    }
    updateBounds();
}

void RePolygon::toJson(QJsonObject& json) const
{
    QJsonArray array;
    for (int i = 0; i < count; ++i) {
        QJsonObject vertex;
        vertex.insert(QStringLiteral("x"), points[i].x());
        vertex.insert(QStringLiteral("y"), points[i].y());
        array.append(vertex);
    }
    json.insert(QStringLiteral("points"), array);
}

QString RePolygon::toText() const
{
    QString text = QStringLiteral("%1 ").arg(count);
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("%1 %2 ").arg(points[i].x()).arg(points[i].y());
    return text;
}

void RePolygon::paint(QPainter& painter) const
{
    RoiShapeCommon::setOutlinePen(painter, selected);
    painter.drawPolygon(points, count, Qt::OddEvenFill);
}

void RePolygon::paintScaled(QPainter& painter, float sx, float sy) const
{
    RoiShapeCommon::setOutlinePen(painter, selected);
    QPoint scaled[kMaxPoints];
    for (int i = 0; i < count; ++i)
        scaled[i] = QPoint(static_cast<int>(points[i].x() * sx), static_cast<int>(points[i].y() * sy));
    painter.drawPolygon(scaled, count, Qt::OddEvenFill);
}

bool RePolygon::equals(const ROIInterface& other) const
{
    return RoiShapeCommon::sameJsonForm(*this, other);
}

bool RePolygon::hitHandle(const QPoint& p, int& code) const
{
    code = -1;
    if (!selected)
        return false;
    for (int i = 0; i < count; ++i) {
        if (isNearPoint(points[i], p, kVertexTolerance)) {
            code = i;
            return true;
        }
    }
    return false;
}

void RePolygon::setSelected(bool s)
{
    selected = s;
}

bool RePolygon::isSelected() const
{
    return selected;
}

void RePolygon::updateBounds()
{
    const QRect spread = vertexSpread(points, count);
    // The size is the spread of the vertices, not one more: the stored masks rely on it.
    setRect(spread.left(), spread.top(), spread.right() - spread.left(), spread.bottom() - spread.top());
}

bool RePolygon::contains(const QPoint& p) const
{
    const QRect grab(left() - kGrabMargin, top() - kGrabMargin, width() + kGrabMargin, height() + kGrabMargin);
    if (grab.width() < kSmallPolygon || grab.height() < kSmallPolygon)
        return grab.QRect::contains(p);
    std::vector<cv::Point> contour(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        contour[static_cast<size_t>(i)] = cv::Point(points[i].x(), points[i].y());
    return cv::pointPolygonTest(contour, cv::Point2f(static_cast<float>(p.x()), static_cast<float>(p.y())), false) > 0;
}

cv::Mat RePolygon::mask() const
{
    if (width() <= 0 || height() <= 0 || count == 0)
        return cv::Mat();
    cv::Mat m = cv::Mat::zeros(height(), width(), CV_8UC1);
    cv::Point shifted[kMaxPoints];
    for (int i = 0; i < count; ++i)
        shifted[i] = cv::Point(points[i].x() - left(), points[i].y() - top());
    const cv::Point* polygon = shifted;
    const int n = count;
    cv::fillPoly(m, &polygon, &n, 1, cv::Scalar(255), cv::LINE_8, 0, cv::Point());
    return m;
}

void RePolygon::dragHandle(int code, const QPoint& from, const QPoint& to)
{
    if (code < 0 || code >= count)
        return;
    points[code] += to - from;
}

void RePolygon::nudge(int part, int step, int W, int H)
{
    if (part < 0 || part >= count)
        return;
    QPoint& v = points[part];
    switch (step) {
    case 0: v.ry() -= 1; break;
    case 1: v.rx() -= 1; break;
    case 2: v.ry() += 1; break;
    default: v.rx() += 1; break;
    }
    int x = v.x();
    int y = v.y();
    clampCoord(x, true, W, H);
    clampCoord(y, false, W, H);
    v = QPoint(x, y);
}

void RePolygon::moveBy(int dx, int dy, int W, int H)
{
    if (count == 0)
        return;
    // Limits from the extreme vertices themselves: the bounding rectangle stops one short of
    // the rightmost and lowest vertex, so a limit taken from it lets those vertices reach W or H.
    const QRect spread = vertexSpread(points, count);
    if (spread.left() + dx < 0)
        dx = -spread.left();
    if (spread.top() + dy < 0)
        dy = -spread.top();
    if (spread.right() + dx >= W)
        dx = W - spread.right() - 1;
    if (spread.bottom() + dy >= H)
        dy = H - spread.bottom() - 1;
    const QPoint delta(dx, dy);
    for (int i = 0; i < count; ++i)
        points[i] += delta;
    updateBounds();
}

QPoint RePolygon::topLeft() const
{
    return points[0];
}

int RePolygon::type() const
{
    return ShapePolygon;
}

QString RePolygon::name() const
{
    return tableText(kNameTextId);
}

int RePolygon::pointCount() const
{
    return count;
}

void RePolygon::clampVertices(int W, int H)
{
    for (int i = 0; i < count; ++i) {
        int x = points[i].x();
        int y = points[i].y();
        clampCoord(x, true, W, H);
        clampCoord(y, false, W, H);
        points[i] = QPoint(x, y);
    }
    updateBounds();
}
