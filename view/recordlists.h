// The file lists the region editor and its image picker browse: the template files of a camera's
// detect and the result pictures of a record folder. A list is a snapshot of the folder.
#pragma once

#include <QFileInfoList>

class QDir;
class QString;

// "./cammer<camera+1><detect+1>/template*.bmp" in the order the directory delivers them.
QFileInfoList templateEntries(int camera, int detect);
// The "*.jpg" entries of a result-picture folder, newest first.
QFileInfoList recordEntries(const QDir& folder);
// The template slot a file name stands for: n of "template<n>.bmp"; -1 for any other name (a
// name without a number is no slot, least of all the base template 0).
int templateSlotOfFile(const QString& fileName);
