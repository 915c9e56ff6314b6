// The parameter-group store ./paraGroup: one folder per group (its PARAM.db and its template
// folders cammer<c><d>), listed by name; a group's index is its position in that list. Restoring
// a group copies its files over the working directory with Qt's file API. GUI thread only.
#pragma once

#include <QString>
#include <QStringList>

namespace ParaGroups {

// The store folder, relative to the working directory.
extern const char* const kStoreFolder;

// Names of the store's sub-folders (those beginning with a dot too), sorted by name
// (case-sensitive); empty when there is none.
QStringList groupList();

// The group can be restored: its folder holds a PARAM.db with table sysparam.
bool isRestorable(const QString& name);

// Removes the template folders cammer<c><d> of cameras 1..cameras and detects 1..detects from
// the working directory.
void removeTemplateFolders(int cameras, int detects);

// Copies every file and folder of the group into the working directory, replacing files of the
// same name. False when a file could not be copied (the others are copied all the same).
bool copyGroupToWorkingDir(const QString& name);

}  // namespace ParaGroups
