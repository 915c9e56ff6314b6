// Moving a day's database file into its archive folder under the day's date, for the operation
// log and the hourly statistics. An archive of that date may exist already (the clock was set
// back, or a day's file was restored): the file then gets the next free name "<date>_2.db",
// "<date>_3.db", ... instead of failing, so no day's rows are ever kept in the wrong file.
#pragma once

class QDir;
class QString;

// "<folder>/<day>.db" when free, else the first free "<folder>/<day>_<n>.db" (n from 2).
QString freeArchivePath(const QDir& folder, const QString& day);

// Renames `file` to freeArchivePath(folder, day). True when it was moved, or when there was no
// such file (nothing to keep); false when the rename failed and `file` is still in place.
bool archiveDayFile(const QString& file, const QDir& folder, const QString& day);
