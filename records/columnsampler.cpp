#include "records/columnsampler.h"

#include <algorithm>
#include <cmath>

namespace {

// Appends the lowest and the highest point of each of `columns` equal columns of [a, b] among
// series[begin, end) to out, each column's two in their series order (one when they coincide).
void appendColumnExtremes(const QVector<QPointF>& series, int begin, int end, double a, double b, int columns,
                          QVector<QPointF>& out)
{
    if (begin >= end)
        return;
    const double perColumn = b > a ? columns / (b - a) : 0.0;
    auto columnOf = [&](double x) {
        const double c = std::floor((x - a) * perColumn);
        return c < 0 ? 0 : (c >= columns ? columns - 1 : int(c));
    };
    int column = columnOf(series.at(begin).x());
    int low = begin;
    int high = begin;
    auto flush = [&]() {
        out.append(series.at(std::min(low, high)));
        if (low != high)
            out.append(series.at(std::max(low, high)));
    };
    for (int i = begin + 1; i < end; ++i) {
        const QPointF& p = series.at(i);
        const int c = columnOf(p.x());
        if (c != column) {
            flush();
            column = c;
            low = high = i;
            continue;
        }
        if (p.y() < series.at(low).y())
            low = i;
        if (p.y() > series.at(high).y())
            high = i;
    }
    flush();
}

}  // namespace

bool pointsOrdered(const QVector<QPointF>& series)
{
    return std::is_sorted(series.cbegin(), series.cend(),
                          [](const QPointF& l, const QPointF& r) { return l.x() < r.x(); });
}

void sortByTime(QVector<QPointF>& series)
{
    std::stable_sort(series.begin(), series.end(), [](const QPointF& l, const QPointF& r) { return l.x() < r.x(); });
}

void sampleColumns(const QVector<QPointF>& series, double from, double to, int columns, QVector<QPointF>& out)
{
    out.clear();
    const int n = series.size();
    if (columns <= 0 || n <= kRawPointsPerColumn * columns) {
        out.reserve(n);
        for (const QPointF& p : series)
            out.append(p);
        return;
    }
    auto byX = [](const QPointF& p, double x) { return p.x() < x; };
    const int inFrom = int(std::lower_bound(series.cbegin(), series.cend(), from, byX) - series.cbegin());
    const int inTo = int(std::lower_bound(series.cbegin() + inFrom, series.cend(), std::nextafter(to, INFINITY), byX)
                         - series.cbegin());
    const double first = series.first().x();
    const double last = series.last().x();
    out.reserve(6 * columns);
    appendColumnExtremes(series, 0, inFrom, first, last, columns, out);
    appendColumnExtremes(series, inFrom, inTo, from, to, columns, out);
    appendColumnExtremes(series, inTo, n, first, last, columns, out);
}
