#include "detection/circle.h"

#include "core/globals.h"
#include "detection/roishapecommon.h"

#include <QPainter>
#include <QTextStream>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kNameTextId = 75;
constexpr int kGrabMargin = 20;

// Keeps a radius around (xc, yc) inside the frame, in the order the stored rows rely on.
int limitRadius(int radius, int xc, int yc, int W, int H)
{
    if (xc + radius > W)
        radius = W - xc - 1;
    if (xc - radius < 0)
        radius = xc - 3;
    if (yc + radius > H)
        radius = H - yc - 1;
    if (yc - radius < 0)
        radius = yc - 3;
    return radius;
}
}  // namespace

Circle::Circle()
{
    fromRect();
}

void Circle::normalise()
{
    // A size button can take the radius below zero; a negative radius would turn the square
    // inside out and the next bounds update would grow the circle again.
    if (r < 0)
        r = 0;
    if (rn > r)
        rn = r;
    else if (rn < 0)
        rn = 0;
    setRect(xc - r, yc - r, 2 * r, 2 * r);
}

void Circle::fromRect()
{
    r = std::min(width() / 2, height() / 2);
    xc = left() + r;
    yc = top() + r;
    normalise();
}

void Circle::fromJson(QJsonObject json)
{
    xc = RoiShapeCommon::jsonInt(json, "xc");
    yc = RoiShapeCommon::jsonInt(json, "yc");
    r = RoiShapeCommon::jsonInt(json, "r");
    rn = RoiShapeCommon::jsonInt(json, "rn");
    normalise();
}

void Circle::fromText(QTextStream& in, QJsonObject context)
{
    const int W = context.value(QLatin1String("width")).toInt();
    const int H = context.value(QLatin1String("height")).toInt();
    xc = readTextInt(in);
    yc = readTextInt(in);
    clampCoord(xc, true, W, H);
    clampCoord(yc, false, W, H);
    // Outer radius in the low 16 bits, inner radius in the high 16 bits.
    const int packed = readTextInt(in);
    r = limitRadius(packed & 0xFFFF, xc, yc, W, H);
    rn = limitRadius((packed >> 16) & 0xFFFF, xc, yc, W, H);
    normalise();
}

void Circle::toJson(QJsonObject& json) const
{
    json.insert(QStringLiteral("xc"), xc);
    json.insert(QStringLiteral("yc"), yc);
    json.insert(QStringLiteral("r"), r);
    json.insert(QStringLiteral("rn"), rn);
}

QString Circle::toText() const
{
    const qint64 packed = static_cast<qint64>(rn) * 65536 + r;
    return QStringLiteral("%1 %2 %3 %4").arg(0).arg(xc).arg(yc).arg(packed);
}

void Circle::paint(QPainter& painter) const
{
    RoiShapeCommon::setOutlinePen(painter, selected);
    painter.drawEllipse(QRect(left(), top(), width(), height()));
    QPen pen = painter.pen();
    pen.setColor(Qt::yellow);
    painter.setPen(pen);
    painter.drawEllipse(QRect(xc - rn, yc - rn, 2 * rn, 2 * rn));
}

void Circle::paintScaled(QPainter& painter, float sx, float sy) const
{
    RoiShapeCommon::setOutlinePen(painter, selected);
    painter.drawEllipse(QRect(static_cast<int>(left() * sx), static_cast<int>(top() * sy),
                              static_cast<int>(width() * sx), static_cast<int>(height() * sy)));
    QPen pen = painter.pen();
    pen.setColor(Qt::yellow);
    painter.setPen(pen);
    painter.drawEllipse(QRect(static_cast<int>((xc - rn) * sx), static_cast<int>((yc - rn) * sy),
                              static_cast<int>(2 * rn * sx), static_cast<int>(2 * rn * sy)));
}

bool Circle::equals(const ROIInterface& other) const
{
    return RoiShapeCommon::sameJsonForm(*this, other);
}

bool Circle::hitHandle(const QPoint& p, int& code) const
{
    code = -1;
    if (!selected)
        return false;
    const int dx = p.x() - xc;
    const int dy = p.y() - yc;
    const int d2 = dx * dx + dy * dy;
    // Within 20 pixels of the outer circle: (r - 20)^2 <= d^2 <= (r + 20)^2.
    if (d2 < r * (r - 40) + 400 || d2 > r * (r + 40) + 400)
        return false;
    if (isNear(xc, p.x(), 20))
        code = p.y() > yc ? 1 : 6;
    else if (isNear(yc, p.y(), 20))
        code = p.x() < xc ? 3 : 4;
    else if (p.x() < xc && p.y() > yc)
        code = 0;
    else if (p.x() > xc && p.y() > yc)
        code = 2;
    else if (p.x() < xc && p.y() < yc)
        code = 5;
    else if (p.x() > xc && p.y() < yc)
        code = 7;
    return code != -1;
}

void Circle::setSelected(bool s)
{
    selected = s;
}

bool Circle::isSelected() const
{
    return selected;
}

void Circle::updateBounds()
{
    fromRect();
    setRect(xc - r, yc - r, 2 * r, 2 * r);
}

bool Circle::contains(const QPoint& p) const
{
    return adjusted(-kGrabMargin, -kGrabMargin, kGrabMargin, kGrabMargin).QRect::contains(p);
}

cv::Mat Circle::mask() const
{
    if (r <= 0)
        return cv::Mat();
    cv::Mat m = cv::Mat::zeros(2 * r, 2 * r, CV_8UC1);
    cv::circle(m, cv::Point(r, r), r, cv::Scalar(255), cv::FILLED, cv::LINE_8, 0);
    cv::circle(m, cv::Point(r, r), rn, cv::Scalar(0), cv::FILLED, cv::LINE_8, 0);
    return m;
}

void Circle::dragHandle(int, const QPoint&, const QPoint& to)
{
    const int dx = to.x() - xc;
    const int dy = to.y() - yc;
    r = static_cast<int>(std::sqrt(static_cast<float>(dx * dx + dy * dy)));
    normalise();
}

void Circle::nudge(int part, int step, int W, int H)
{
    const int size = step == 0 ? 10 : step == 1 ? 1 : step == 2 ? -1 : -10;
    if (part == 0) {
        rn += size;
    } else if (part == 1) {
        r += size;
    } else {
        switch (step) {
        case 0: --yc; break;
        case 1: --xc; break;
        case 2: ++yc; break;
        default: ++xc; break;
        }
    }
    normalise();
    clampRect(*this, W, H, false);
}

void Circle::moveBy(int dx, int dy, int, int)
{
    translate(dx, dy);
}

QPoint Circle::topLeft() const
{
    return QRect::topLeft();
}

int Circle::type() const
{
    return ShapeCircle;
}

QString Circle::name() const
{
    return tableText(kNameTextId);
}

int Circle::pointCount() const
{
    return 3;
}
