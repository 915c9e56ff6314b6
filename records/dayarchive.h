// Moving a day's database file into its archive folder under the day's date, for the operation
// log and the hourly statistics, taking a day's archive back when the clock returns to its date,
// and finding the files that hold the rows of a range of dates.
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

// The last archive of `day` in `folder` ("<day>.db", or the "<day>_<n>.db" of the highest n);
// empty when the day has none.
QString latestArchiveOf(const QDir& folder, const QString& day);

// Moves the archive `archive` (and a journal beside it) back into place as `file`, which must
// not exist: the day it holds goes on in it. False when it could not be moved; it then stays
// in the archive.
bool reopenDayFile(const QString& file, const QString& archive);

// A file holding day rows and the dates its rows may carry, first..last inclusive; an invalid
// first or last leaves that end open.
struct DayFileSpan {
    QString path;
    QDate first;
    QDate last;
};

// The files whose rows may lie in from..to (dates, inclusive), oldest first, each once. A file
// is moved into the archive at the first use on another date, so it holds the rows from its
// date up to the next archive's date inclusive (the latest archive: from its date on).
// `current` (the open file, when it exists) holds the dates of its own rows, whatever archives
// exist: the clock may have been set back to an earlier date, or an archive may be dated ahead
// from a run with the clock set forward. Archives are "<date>.db" and "<date>_<n>.db" in
// `folder`; other names are not rows of a day.
QList<DayFileSpan> dayFilesMeeting(const QDir& folder, const QString& current, QDate from, QDate to);

// The dates of the first and the last round start in table res_report of `file`, read on a
// connection of the calling thread. False when the file holds no row (or no such table); a
// file that cannot be read gives true with both ends open (invalid), so that it is read in
// full rather than skipped.
bool rowDateSpan(const QString& file, QDate* first, QDate* last);
