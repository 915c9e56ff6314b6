// SQLite store files that SQLite itself reports as damaged (not a database, or a malformed
// image, e.g. after a power cut or a failing disk): the damaged file is moved aside beside the
// working file under a name that says so and carries its date, a fresh file is made with its
// tables, and writing goes on. Nothing is ever deleted or overwritten. GUI thread.
#pragma once

#include <functional>

class QSqlError;
class QString;

// SQLite's result codes for a damaged file: SQLITE_CORRUPT (11) and SQLITE_NOTADB (26).
bool isDamagedStoreError(const QSqlError& error);

// Opens `file` on a connection of its own and reads its schema; true when SQLite reports it as
// damaged. A missing or healthy file is not damaged.
bool storeFileDamaged(const QString& file);

// "<stem>.damaged-<yyyy-MM-dd>.db" beside `file` with the date of its last change, or the first
// free "<stem>.damaged-<date>_<n>.db" (n from 2) when an earlier damaged copy holds that name.
QString damagedCopyPath(const QString& file);

// When `file` is damaged: renames it (and a journal or WAL beside it) to damagedCopyPath, runs
// `makeFresh` to create the new file with its tables, and logs one warning naming both files.
// True when a damaged file was moved aside; false when the file is sound or cannot be moved
// (it is then left in place and the warning says so).
bool replaceDamagedStore(const QString& file, const std::function<bool()>& makeFresh);
