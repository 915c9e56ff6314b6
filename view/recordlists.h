// The file lists the region editor and its image picker browse: the template files of a camera's
// detect and the result pictures of a record folder. A list is a snapshot of the folder.
#pragma once

#include <QFileInfoList>
#include <QStringList>

class QDir;
class QString;

// "./cammer<camera+1><detect+1>/template*.bmp" in the order the directory delivers them.
QFileInfoList templateEntries(int camera, int detect);
// The template file names of (camera, detect) in the order they were written, oldest first, as
// the folder's order file keeps them ("written-order.txt" beside the templates, so that it travels
// with the group's templates). Names of files written before the file was kept, or by other
// means, are not in it. Empty when there is no such file.
QStringList templateWrittenOrder(int camera, int detect);
// Notes in the order file of (camera, detect) that the template file of `slot` has just been
// written: its name moves to the end; names of files that are gone drop out. The file is replaced
// whole (see replaceFileContent), so a cut leaves the earlier order or the new one.
void noteTemplateWritten(int camera, int detect, int slot);
// The "*.jpg" entries of a result-picture folder, newest first.
QFileInfoList recordEntries(const QDir& folder);
// The template slot a file name stands for: n of "template<n>.bmp"; -1 for any other name (a
// name without a number is no slot, least of all the base template 0).
int templateSlotOfFile(const QString& fileName);
