// Small state files (counters, day stamps) that must survive a power cut: the new content is
// written to a temporary file beside the old one and renamed over it, so the file holds either
// the old or the new content, never a truncated one.
#pragma once

class QByteArray;
class QString;
class QStringList;

// Replaces the content of `path` with `content`. False (and logged) when the new file could not
// be written or renamed; the old file is then left as it was.
bool replaceFileContent(const QString& path, const QByteArray& content);

// The temporary files that replaceFileContent of `path` leaves when it is cut off between writing
// its temporary file and renaming it into place: beside `path`, named as `path` with a dot and six
// letters or digits. Garbage whenever no write of `path` is under way.
QStringList leftoverTemporaryFiles(const QString& path);

// Brings a file's content, or a folder's list of names (after a rename, a new or a removed
// entry), to the disk. False when it could not be opened or flushed.
bool flushPath(const QString& path);

// flushPath for a folder, every folder below it and every file in them; symbolic links are
// neither followed nor flushed.
bool flushTree(const QString& folder);
