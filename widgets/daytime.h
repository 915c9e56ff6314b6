// A date-time range (from, to) as the range picker passes it.
#pragma once

#include <QDateTime>
#include <QMetaType>

struct dayTime {
    dayTime() = default;
    dayTime(const QDateTime& from, const QDateTime& to) : from(from), to(to) {}

    QDateTime from;
    QDateTime to;
};

Q_DECLARE_METATYPE(dayTime)
