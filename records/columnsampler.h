// Reduces a temperature series to what a plot can show: per pixel column its lowest and its
// highest reading, so that peaks stay visible while a year of readings shrinks to a few thousand
// points. Free functions over the points; no state.
#pragma once

#include <QPointF>
#include <QVector>

// Series with at most this many points per pixel column are drawn whole.
inline constexpr int kRawPointsPerColumn = 4;

// True when the points are in ascending x.
bool pointsOrdered(const QVector<QPointF>& series);
// Puts the points in ascending x, keeping the order of equal ones.
void sortByTime(QVector<QPointF>& series);

// The points of `series` (ascending x) to draw for a view of [from, to] that is `columns` pixel
// columns wide, in ascending x, into `out`. A series of at most kRawPointsPerColumn x columns
// points is copied whole. Otherwise each column of the view keeps the lowest and the highest
// point that falls into it, in their own order, and the points outside the view are reduced the
// same way over columns of the whole series' span, so that a move or a zoom out shows the
// curve at once, coarser until it is sampled again.
void sampleColumns(const QVector<QPointF>& series, double from, double to, int columns, QVector<QPointF>& out);
