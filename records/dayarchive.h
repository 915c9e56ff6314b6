// Moving a day's database file into its archive folder under the day's date, for the operation
// log and the hourly statistics, and finding the files that hold the rows of a range of dates.
// An archive of that date may exist already (the clock was set back, or a day's file was
// restored): the file then gets the next free name "<date>_2.db", "<date>_3.db", ... instead of
// failing, so no day's rows are ever kept in the wrong file.
#pragma once

#include <QDate>
#include <QList>
#include <QString>

class QDir;

// "<folder>/<day>.db" when free, else the first free "<folder>/<day>_<n>.db" (n from 2).
QString freeArchivePath(const QDir& folder, const QString& day);

// Renames the SQLite database `file` to freeArchivePath(folder, day), after SQLite has rolled
// back a write that was cut off; a journal that remains goes with it. True when it was moved, or
// when there was no such file (nothing to keep); false when the rename failed and `file` is still
// in place.
bool archiveDayFile(const QString& file, const QDir& folder, const QString& day);

// A file holding day rows and the dates its rows may carry, first..last inclusive; an invalid
// first or last leaves that end open.
struct DayFileSpan {
    QString path;
    QDate first;
    QDate last;
};

// The files whose rows may lie in from..to (dates, inclusive), oldest first, each once. A file
// is moved into the archive at the first use on a later date, so it holds the rows from its
// date up to the next archive's date inclusive (the latest archive: from its date on), and
// `current` (the open file, when it exists) those from the latest archive's date on (all dates
// without an archive). Archives are "<date>.db" and "<date>_<n>.db" in `folder`; other names
// are not rows of a day.
QList<DayFileSpan> dayFilesMeeting(const QDir& folder, const QString& current, QDate from, QDate to);
