#include "detection/clustomrect.h"

#include "core/globals.h"
#include "detection/roishapecommon.h"

#include <QPainter>
#include <QTextStream>

#include <opencv2/core.hpp>

#include <utility>

namespace {
constexpr int kNameTextId = 74;
constexpr int kCornerTolerance = 20;
constexpr int kGrabMargin = 20;
}  // namespace

void ClustomRect::fromJson(QJsonObject json)
{
    setLeft(RoiShapeCommon::jsonInt(json, "x"));
    setTop(RoiShapeCommon::jsonInt(json, "y"));
    setRight(RoiShapeCommon::jsonInt(json, "right"));
    setBottom(RoiShapeCommon::jsonInt(json, "bottom"));
}

void ClustomRect::fromText(QTextStream& in, QJsonObject context)
{
    const int W = context.value(QLatin1String("width")).toInt();
    const int H = context.value(QLatin1String("height")).toInt();
    int x = readTextInt(in);
    int y = readTextInt(in);
    int r = readTextInt(in);
    int b = readTextInt(in);
    clampCoord(x, true, W, H);
    clampCoord(y, false, W, H);
    clampCoord(r, true, W, H);
    clampCoord(b, false, W, H);
    // A stored row with its corners reversed would give a rectangle of negative size.
    if (x > r)
        std::swap(x, r);
    if (y > b)
        std::swap(y, b);
    setCoords(x, y, r, b);
}

void ClustomRect::toJson(QJsonObject& json) const
{
    json.insert(QStringLiteral("x"), left());
    json.insert(QStringLiteral("y"), top());
    json.insert(QStringLiteral("right"), right());
    json.insert(QStringLiteral("bottom"), bottom());
}

QString ClustomRect::toText() const
{
    return QStringLiteral("%1 %2 %3 %4 %5").arg(0).arg(left()).arg(top()).arg(right()).arg(bottom());
}

void ClustomRect::paint(QPainter& painter) const
{
    RoiShapeCommon::setOutlinePen(painter, selected);
    painter.drawRect(QRect(left(), top(), width(), height()));
}

void ClustomRect::paintScaled(QPainter& painter, float sx, float sy) const
{
    RoiShapeCommon::setOutlinePen(painter, selected);
    painter.drawRect(QRect(static_cast<int>(left() * sx), static_cast<int>(top() * sy),
                           static_cast<int>(width() * sx), static_cast<int>(height() * sy)));
}

bool ClustomRect::equals(const ROIInterface& other) const
{
    return RoiShapeCommon::sameJsonForm(*this, other);
}

bool ClustomRect::hitHandle(const QPoint& p, int& code) const
{
    code = -1;
    if (!selected)
        return false;
    struct Corner {
        QPoint point;
        int code;
    };
    const Corner corners[] = {
        {QPoint(left(), top()), 0},
        {QPoint(right(), top()), 2},
        {QPoint(left(), bottom()), 5},
        {QPoint(right(), bottom()), 7},
    };
    for (const Corner& c : corners) {
        if (isNearPoint(c.point, p, kCornerTolerance)) {
            code = c.code;
            return true;
        }
    }
    const int vertical = width() / 4;
    const int horizontal = height() / 4;
    if (isNearEdge(left(), p.x(), p.y(), top(), bottom(), vertical))
        code = 3;
    else if (isNearEdge(right(), p.x(), p.y(), top(), bottom(), vertical))
        code = 4;
    else if (isNearEdge(top(), p.y(), p.x(), left(), right(), horizontal))
        code = 1;
    else if (isNearEdge(bottom(), p.y(), p.x(), left(), right(), horizontal))
        code = 6;
    return code != -1;
}

void ClustomRect::setSelected(bool s)
{
    selected = s;
}

bool ClustomRect::isSelected() const
{
    return selected;
}

void ClustomRect::updateBounds()
{
}

bool ClustomRect::contains(const QPoint& p) const
{
    return adjusted(-kGrabMargin, -kGrabMargin, kGrabMargin, kGrabMargin).QRect::contains(p);
}

cv::Mat ClustomRect::mask() const
{
    if (width() <= 0 || height() <= 0)
        return cv::Mat();
    return cv::Mat(height(), width(), CV_8UC1, cv::Scalar(255));
}

void ClustomRect::dragHandle(int code, const QPoint& from, const QPoint& to)
{
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    switch (code) {
    case 0: setLeft(left() + dx); setTop(top() + dy); break;
    case 1: setTop(top() + dy); break;
    case 2: setTop(top() + dy); setRight(right() + dx); break;
    case 3: setLeft(left() + dx); break;
    case 4: setRight(right() + dx); break;
    case 5: setLeft(left() + dx); setBottom(bottom() + dy); break;
    case 6: setBottom(bottom() + dy); break;
    case 7: setRight(right() + dx); setBottom(bottom() + dy); break;
    default: break;
    }
}

void ClustomRect::nudge(int part, int step, int W, int H)
{
    int x = part == 0 ? left() : right();
    int y = part == 0 ? top() : bottom();
    switch (step) {
    case 0: --y; break;
    case 1: --x; break;
    case 2: ++y; break;
    default: ++x; break;
    }
    if (part == 0) {
        setLeft(x);
        setTop(y);
    } else {
        setRight(x);
        setBottom(y);
    }
    clampRect(*this, W, H, false);
}

void ClustomRect::moveBy(int dx, int dy, int, int)
{
    translate(dx, dy);
}

QPoint ClustomRect::topLeft() const
{
    return QRect::topLeft();
}

int ClustomRect::type() const
{
    return ShapeRectangle;
}

QString ClustomRect::name() const
{
    return tableText(kNameTextId);
}

int ClustomRect::pointCount() const
{
    return 2;
}
