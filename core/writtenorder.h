// The order in which stored files were written, for the stores that prune or replace their
// oldest files (result pictures, templates) when the clock may have been set back or forward.
#pragma once

#include <QFileInfoList>

class QDateTime;

// `files` oldest written first. A file's modification time tells when it was written as long as
// the clock has not been set back since: a file dated after `now` was written before such a
// set-back, so it counts as older than every file dated up to `now` (among such files the
// earlier dated first); the others go by their modification time. Equal times keep the order
// of `files`.
QFileInfoList oldestWrittenFirst(QFileInfoList files, const QDateTime& now);
