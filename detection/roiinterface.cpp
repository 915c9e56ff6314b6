#include "detection/roiinterface.h"

#include <QTextStream>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

int tolerance(int tol)
{
    return std::clamp(tol, 3, 50);
}

int clampInto(int v, int lo, int hi)
{
    if (v < lo)
        return lo;
    if (v > hi)
        return hi;
    return v;
}

}  // namespace

void clampCoord(int& v, bool horizontal, int W, int H)
{
    const int upper = (horizontal ? W : H) - kFrameMargin;
    if (v < kFrameMargin)
        v = kFrameMargin;
    else if (v > upper)
        v = upper;
}

void clampRect(QRect& r, int W, int H, bool keepSize)
{
    int left = r.left();
    int top = r.top();
    int right = r.right();
    int bottom = r.bottom();
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);

    const int maxX = W - kFrameMargin;
    const int maxY = H - kFrameMargin;
    if (keepSize) {
        if (left < kFrameMargin) {
            right += kFrameMargin - left;
            left = kFrameMargin;
        }
        if (top < kFrameMargin) {
            bottom += kFrameMargin - top;
            top = kFrameMargin;
        }
        if (right > maxX) {
            left -= right - maxX;
            right = maxX;
        }
        if (bottom > maxY) {
            top -= bottom - maxY;
            bottom = maxY;
        }
        // A rectangle larger than the band was pushed out on the other side: cut it to the band.
        left = std::max(left, kFrameMargin);
        top = std::max(top, kFrameMargin);
    } else {
        left = clampInto(left, kFrameMargin, maxX);
        right = clampInto(right, kFrameMargin, maxX);
        top = clampInto(top, kFrameMargin, maxY);
        bottom = clampInto(bottom, kFrameMargin, maxY);
    }
    r.setCoords(left, top, right, bottom);
}

bool isNear(int a, int b, int tol)
{
    return std::abs(a - b) < tolerance(tol);
}

bool isNearEdge(int edge, int p, int q, int lo, int hi, int tol)
{
    return std::abs(edge - p) < tolerance(tol) && lo <= q && q <= hi;
}

bool isNearPoint(const QPoint& a, const QPoint& b, int tol)
{
    const int t = tolerance(tol);
    return std::abs(a.x() - b.x()) < t && std::abs(a.y() - b.y()) < t;
}

int readTextInt(QTextStream& in)
{
    int v = 0;
    in >> v;
    if (in.status() != QTextStream::Ok)
        return 0;
    return v;
}
