// The parameter-group store ./paraGroup: one folder per group (its PARAM.db and its template
// folders cammer<c><d>), listed by name; a group's index is its position in that list. Restoring
// a group copies it beside the working files first and swaps it in by renames only when the copy
// is whole and its PARAM.db sound, so a failed restore leaves the running group as it was.
// Restore, backup and delete record their renames first (core/groupjournal.h): one cut off at
// any instant is undone or finished at the next start. Copies never follow symbolic links. Called
// from the GUI thread; restore and backup copy the template folders in a thread of their own while
// the GUI thread's events (the machine cycle's tick) go on under a notice, and no other group
// operation starts meanwhile (RestoreFailure::Busy).
#pragma once

#include <QString>
#include <QStringList>

namespace ParaGroups {

// The store folder, relative to the working directory.
extern const char* const kStoreFolder;
// The group that comes with the installation: besides its group files it holds SN.db and the
// factory archive, so it is restored but never overwritten nor deleted.
extern const char* const kDefaultGroup;

// Names of the store's sub-folders (those beginning with a dot too), sorted by name
// (case-sensitive); empty when there is none.
QStringList groupList();

// A name typed for a group names a direct child of the store: not empty, not "." or "..", and
// without "/" or a control character.
bool isValidName(const QString& name);

// The group can be restored: its folder holds a PARAM.db with table sysparam.
bool isRestorable(const QString& name);

// Removes `path`: a folder with everything in it, or a file. A symbolic link is removed itself,
// never what it points to, also when it points to a folder. True when nothing is left there.
bool removeTree(const QString& path);

// Copies the content of folder `from` into folder `to` (made when missing), recursively,
// replacing files of the same name; copies stay writable. Symbolic links are left out (logged),
// and `from` must not be one. False when something could not be copied (the rest is copied all
// the same).
bool copyFolderContent(const QString& from, const QString& to);

// The file holds an SQLite database with table sysparam that passes SQLite's integrity check.
// Checked on a connection of its own.
bool holdsSoundParameters(const QString& file);

// Backs up the working directory's PARAM.db and template folders cammer<c><d> (cameras 1..cameras,
// detects 1..detects) as group `name`. Everything is copied into a staging folder beside the
// store first, which takes the group's place only when every copy succeeded: a failed backup
// leaves an existing group of that name as it was. The group index in sysadd.txt then names the
// group (its position among the groups with the new one). False for an invalid name, the default
// group, a group folder that is a symbolic link (`why` then says so to the operator) or a failed
// copy.
bool backupGroup(const QString& name, int cameras, int detects, QString* why = nullptr);

// Removes group `name` with everything in it (a group that is a symbolic link: the link only).
// The current group's index, `index` when given (the running program's) and otherwise the one
// in sysadd.txt, is moved so that it goes on naming the group it named (-1 when that was
// `name`) and written into sysadd.txt with the delete, which is its one writer then; `index`
// gets the new value (unchanged when it named no listed group). False, with `why` saying why for
// the operator and the store unchanged, for an invalid name, the default group, an earlier
// operation that could not be recovered, or when the group could not be removed.
bool removeGroup(const QString& name, int* index = nullptr, QString* why = nullptr);

// Why a restore did not happen. On every failure the working files are as they were.
enum class RestoreFailure {
    None,
    NoGroup,         // no such group folder, or an invalid name
    NoParameters,    // the group's PARAM.db is missing, not a parameter database, or damaged
    CopyFailed,      // the group could not be copied beside the working files (full disk)
    SwapFailed,      // a working file could not be replaced
    LinkedGroup,     // the group folder is a symbolic link: its files lie outside the store
    Busy,            // another group operation is copying a group meanwhile
};

// The operator's text for a failure of group `name` (for the box and the operation log), in the
// language in use.
QString failureText(RestoreFailure failure, const QString& name);

// Restores group `name` into the working directory: copies the group's own entries (PARAM.db
// with its companion files and the template folders cammer<c><d>; for the default group also
// SN.db and the factory archive, anything else is logged and stays) into a staging folder
// beside the working files and flushes it to disk, checks that its PARAM.db is sound, then closes
// PARAM.db and moves the working template folders cammer<c><d> (cameras 1..cameras, detects
// 1..detects) and every working entry the group has one of aside, renames each staged entry into
// place and writes the group's index into sysadd.txt. A failure at any step puts back what was
// moved and reopens PARAM.db when it was open. After success PARAM.db stays closed for the
// restart that follows.
RestoreFailure restoreGroup(const QString& name, int cameras, int detects);

}  // namespace ParaGroups
