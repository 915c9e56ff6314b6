// The order in which stored files were written, for the stores that prune or replace their
// oldest files (result pictures, templates, logs) when the clock may have been set back or forward.
#pragma once

#include <QFileInfoList>
#include <QStringList>

#include <functional>

class QDateTime;
class QDir;

// `files` oldest written first.
//
// `written` names files in the order the program wrote them, oldest first (a name listed twice
// counts where it was listed last). Those files are newer than every other one, whatever their
// dates: they come last, in that order.
//
// The other files carry no order but their modification time, which tells when they were written
// as long as the clock has not been set back since: a file dated after `now` was written before
// such a set-back, so it counts as older than every file dated up to `now` (among such files the
// earlier dated first); the others go by their modification time. Equal times keep the order of
// `files`.
QFileInfoList oldestWrittenFirst(QFileInfoList files, const QDateTime& now, const QStringList& written = {});

// `order` (names in `folder`, oldest written first) with `name` moved to its end, and without the
// names of entries that are gone from `folder`, so that a list kept for a folder never outgrows it.
QStringList noteWritten(QStringList order, const QString& name, const QDir& folder);

// The names a saved order file at `path` lists, one a line, oldest written first: only its first
// 64 KiB are read (far more than any store's names), and names that `keep` refuses are left out.
// Empty without the file.
QStringList readWrittenOrder(const QString& path, const std::function<bool(const QString&)>& keep);
