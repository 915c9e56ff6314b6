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

// A name typed for a group names a direct child of the store: not empty, not "." or "..", and
// without "/" or a control character.
bool isValidName(const QString& name);

// The group can be restored: its folder holds a PARAM.db with table sysparam.
bool isRestorable(const QString& name);

// Removes the template folders cammer<c><d> of cameras 1..cameras and detects 1..detects from
// the working directory.
void removeTemplateFolders(int cameras, int detects);

// Copies the content of folder `from` into folder `to` (made when missing), recursively,
// replacing files of the same name; copies stay writable. False when something could not be
// copied (the rest is copied all the same).
bool copyFolderContent(const QString& from, const QString& to);

// Backs up the working directory's PARAM.db and template folders cammer<c><d> (cameras 1..cameras,
// detects 1..detects) as group `name`. Everything is copied into a staging folder beside the
// store first, which takes the group's place only when every copy succeeded: a failed backup
// leaves an existing group of that name as it was. False for an invalid name or a failed copy.
bool backupGroup(const QString& name, int cameras, int detects);

// Removes group `name` with everything in it; false for an invalid name or when it could not be
// removed.
bool removeGroup(const QString& name);

// Copies every file and folder of the group into the working directory, replacing files of the
// same name. False when a file could not be copied (the others are copied all the same).
bool copyGroupToWorkingDir(const QString& name);

}  // namespace ParaGroups
