// Which res_report rows the statistics leave out, shared by the result store and the export
// program, so that an exported file marks the same rows as the statistics screen skips.
#pragma once

#include <QLatin1String>
#include <QString>

// The left_out marks of the inspections the main window's counters leave out: a manual
// capture's round, an NG inspection that the next automatic re-check repeats, and the re-check
// that clears an alarm.
inline constexpr char kManualCaptureMark[] = "Manual capture";
inline constexpr char kReCheckedMark[] = "Re-checked";
inline constexpr char kAlarmClearingMark[] = "Alarm clearing";

// Why a row is left out of the statistics, empty when it counts: its left_out text (empty in a
// file made before that column), or, for rows of an earlier version, which kept the mark in the
// description, that description when it is one of the three marks.
inline QString leftOutReason(const QString& leftOut, const QString& description)
{
    if (!leftOut.isEmpty())
        return leftOut;
    if (description == QLatin1String(kManualCaptureMark) || description == QLatin1String(kReCheckedMark)
        || description == QLatin1String(kAlarmClearingMark))
        return description;
    return QString();
}
