// The journal of the parameter-group operations (restore, backup, delete). Before its first
// rename an operation writes what it is about to move where (paraGroup.journal, flushed with its
// folder); once every rename and the new group index are on the disk it marks the record done.
// `recover` plays a record back: an operation that was not done is undone, rename by rename, and
// marked undone; then what an undone or done operation left beside the store is removed, and the
// record last. The state in the record, not what lies on the disk, says which way the entries
// move, and it is on the disk before anything is removed: so the recovery itself may be cut at
// any of its steps, any number of times, and each start after a cut (power cut, kill, crash)
// still ends with the working files exactly the old group or exactly the new one, and no group
// lost from the store. Runs at start-up before PARAM.db is opened, and before every new operation.
#pragma once

#include <QString>
#include <QStringList>

class QByteArray;

namespace GroupJournal {

// Folders and files in the working directory, beside the store.
extern const char* const kJournalFile;       // the record
extern const char* const kIndexFile;         // the group index, sysadd.txt
extern const char* const kRestoreStaging;    // a restore's copy of the group
extern const char* const kRestoreReplaced;   // the working entries a restore replaced
extern const char* const kBackupStaging;     // a backup's copy of the working files
extern const char* const kBackupReplaced;    // the group a backup replaced
extern const char* const kDeleted;           // the group being deleted

enum class Operation { Restore, Backup, Delete };

// How far an operation has come. Each state is on the disk before what it allows is done.
enum class State {
    Started,  // renames may be under way: the recovery moves every entry back where it was
    Undone,   // every entry is back: what is left beside the store are copies, removed
    Done,     // every entry and the new index are in place: what the operation replaced goes
};

// One working entry a restore replaces: whether the working directory had it, and whether the
// group brings one.
struct Entry {
    QString name;
    bool old = false;
    bool fresh = false;
};

struct Record {
    Operation operation = Operation::Restore;
    QString group;
    State state = State::Started;
    bool existed = false;                // backup: the group was in the store before
    QList<Entry> entries;                // restore: in the order they are moved
    bool hadIndex = false;               // sysadd.txt was there before the operation
    QByteArray oldIndex;                 // its content then
    QByteArray newIndex;                 // its content after the operation
};

// Writes `record` and flushes it with its folder. False when it is not safely on the disk.
bool write(const Record& record);

// Plays back a record left by an operation that was cut off and removes the leftovers of one
// without a record (copies only; a folder that may hold the only copy of working files is kept
// and logged), and the temporary files of cut-off writes of the index and the record. True when
// the working files and the store are whole and nothing is left over.
bool recover();

// The content of sysadd.txt as it is now (empty and `present` false when there is none).
QByteArray currentIndexFile(bool* present);

// The file steps of the operations. Each names itself to the step hook first, and fails without
// touching anything when the hook says so.
bool renameStep(const QString& from, const QString& to);
bool flushStep(const QString& path);
// flushTree of a folder (a copy about to take a place).
bool flushTreeStep(const QString& path);
bool mkdirStep(const QString& path);
// Removes a file, a symbolic link (never what it points to) or a folder with everything in it,
// entry by entry. True when nothing is left at `path`.
bool removeStep(const QString& path);
// Replaces the content of a file as replaceFileContent does and flushes its folder.
bool writeStep(const QString& path, const QByteArray& content);
// Names a step that is not one of the above (a file copy) to the hook; false when the hook makes
// it fail.
bool step(const char* what, const QString& path);

// The state of the record on the disk, as the next start's recovery will read it. False when
// there is none or it cannot be read.
bool recordedState(State* state);

// Something is at `path`, a dangling symbolic link too.
bool present(const QString& path);

// Tests cut the operations at each step, or make one fail as a full disk or an I/O error would:
// the hook runs before every step, which goes on when it returns true and fails when false.
using StepHook = bool (*)(const char* what, const QString& path);
void setStepHook(StepHook hook);

}  // namespace GroupJournal
