#include "core/groupjournal.h"

#include "core/atomicfile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

#include <unistd.h>

namespace GroupJournal {

const char* const kJournalFile = "paraGroup.journal";
const char* const kIndexFile = "sysadd.txt";
const char* const kRestoreStaging = "paraGroup.restore";
const char* const kRestoreReplaced = "paraGroup.previous";
const char* const kBackupStaging = "paraGroup.staging";
const char* const kBackupReplaced = "paraGroup.replaced";
const char* const kDeleted = "paraGroup.deleted";

}  // namespace GroupJournal

namespace {

using namespace GroupJournal;

const char* const kStore = "paraGroup";
StepHook stepHook = nullptr;

QString str(const char* latin1)
{
    return QString::fromLatin1(latin1);
}

QString inStore(const QString& group)
{
    return str(kStore) + QLatin1Char('/') + group;
}

const char* operationName(Operation operation)
{
    switch (operation) {
    case Operation::Restore:
        return "restore";
    case Operation::Backup:
        return "backup";
    case Operation::Delete:
        break;
    }
    return "delete";
}

const char* stateName(State state)
{
    switch (state) {
    case State::Started:
        return "started";
    case State::Undone:
        return "undone";
    case State::Done:
        break;
    }
    return "done";
}

QByteArray encode(const Record& record)
{
    QJsonArray entries;
    for (const Entry& entry : record.entries)
        entries.append(QJsonObject{{"name", entry.name}, {"old", entry.old}, {"new", entry.fresh}});
    const QJsonObject object{
        {"operation", QLatin1String(operationName(record.operation))},
        {"group", record.group},
        {"state", QLatin1String(stateName(record.state))},
        {"existed", record.existed},
        {"entries", entries},
        {"hadIndex", record.hadIndex},
        {"oldIndex", QLatin1String(record.oldIndex.toBase64())},
        {"newIndex", QLatin1String(record.newIndex.toBase64())},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

bool decodeState(const QJsonObject& object, State* state)
{
    const QJsonValue value = object.value(QStringLiteral("state"));
    // A record of the earlier layout says only whether the operation was done.
    if (value.isUndefined()) {
        *state = object.value(QStringLiteral("done")).toBool() ? State::Done : State::Started;
        return true;
    }
    for (const State known : {State::Started, State::Undone, State::Done})
        if (value.toString() == QLatin1String(stateName(known))) {
            *state = known;
            return true;
        }
    return false;
}

bool decode(const QByteArray& bytes, Record* record)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject object = document.object();
    const QString operation = object.value(QStringLiteral("operation")).toString();
    if (operation == QLatin1String("restore"))
        record->operation = Operation::Restore;
    else if (operation == QLatin1String("backup"))
        record->operation = Operation::Backup;
    else if (operation == QLatin1String("delete"))
        record->operation = Operation::Delete;
    else
        return false;
    record->group = object.value(QStringLiteral("group")).toString();
    // A record naming no group, or a path, is not one of ours: nothing is moved on its word.
    if (record->group.isEmpty() || record->group.contains(QLatin1Char('/')) || record->group == QLatin1String(".")
        || record->group == QLatin1String(".."))
        return false;
    if (!decodeState(object, &record->state))
        return false;
    record->existed = object.value(QStringLiteral("existed")).toBool();
    for (const QJsonValue& value : object.value(QStringLiteral("entries")).toArray()) {
        const QJsonObject entry = value.toObject();
        const QString name = entry.value(QStringLiteral("name")).toString();
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".")
            || name == QLatin1String(".."))
            return false;
        record->entries.append({name, entry.value(QStringLiteral("old")).toBool(),
                                entry.value(QStringLiteral("new")).toBool()});
    }
    record->hadIndex = object.value(QStringLiteral("hadIndex")).toBool();
    record->oldIndex = QByteArray::fromBase64(object.value(QStringLiteral("oldIndex")).toString().toLatin1());
    record->newIndex = QByteArray::fromBase64(object.value(QStringLiteral("newIndex")).toString().toLatin1());
    return true;
}

// The group index as the operation left it: the new one when it is done, otherwise the old one.
bool putIndex(const Record& record)
{
    const bool done = record.state == State::Done;
    if (done || record.hadIndex)
        return writeStep(str(kIndexFile), done ? record.newIndex : record.oldIndex);
    return removeStep(str(kIndexFile)) && flushStep(QStringLiteral("."));
}

// What writes of the index and of the record left when they were cut off before their rename.
bool removeTemporaryFiles()
{
    bool ok = true;
    for (const char* file : {kIndexFile, kJournalFile})
        for (const QString& temporary : leftoverTemporaryFiles(str(file)))
            ok = removeStep(temporary) && ok;
    return ok;
}

// The last steps of every recovery, after the removals of what the operation left: the index as
// the record says, written and flushed with the folder, which brings those removals to the disk
// too; then the record. Until it goes a cut of the recovery is recovered again.
bool finish(const Record& record)
{
    return putIndex(record) && removeStep(str(kJournalFile)) && flushStep(QStringLiteral("."));
}

bool isEmptyFolder(const QString& path)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink()
        && QDir(path).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// A folder that may still hold the only copy of something stays, and says so.
bool removeIfSpare(const QString& folder, bool spare)
{
    if (!present(folder))
        return true;
    if (!spare) {
        qCritical("%s is kept: it may hold the only copy of working files or of a group", qPrintable(folder));
        return false;
    }
    return removeStep(folder);
}

// Each entry's way back is the reverse of the way the record says it went: the working entry
// into paraGroup.previous first, then the group's entry from paraGroup.restore into its place.
// Until the record says undone neither folder loses anything, so where an entry lies tells how
// far it had come. True when every working entry is back and every group entry in the copy.
bool undoRestore(const Record& record)
{
    const QString staging = str(kRestoreStaging);
    const QString replaced = str(kRestoreReplaced);
    bool ok = present(staging) || mkdirStep(staging);
    for (auto it = record.entries.crbegin(); ok && it != record.entries.crend(); ++it) {
        const QString& name = it->name;
        const QString staged = staging + QLatin1Char('/') + name;
        const QString aside = replaced + QLatin1Char('/') + name;
        if (it->fresh && present(name) && !present(staged) && (!it->old || present(aside)))
            ok = renameStep(name, staged);
        if (ok && it->old && present(aside) && !present(name))
            ok = renameStep(aside, name);
    }
    ok = ok && (!present(replaced) || flushStep(replaced)) && flushStep(staging) && flushStep(QStringLiteral("."));
    for (const Entry& entry : record.entries)
        ok = ok && present(entry.name) == entry.old && !present(replaced + QLatin1Char('/') + entry.name)
            && (!entry.fresh || present(staging + QLatin1Char('/') + entry.name));
    return ok;
}

// Undone: the working entries are back, paraGroup.restore is a copy of a group the store still
// holds and paraGroup.previous is empty. Done: paraGroup.previous holds the working entries the
// group replaced.
bool clearUpRestore(const Record& record)
{
    const QString replaced = str(kRestoreReplaced);
    const bool spare = record.state == State::Done || isEmptyFolder(replaced);
    return removeIfSpare(replaced, spare) && removeStep(str(kRestoreStaging)) && finish(record);
}

// The group a backup replaces went out of the store into paraGroup.replaced, then the new copy
// from paraGroup.staging took its place: back the other way.
bool undoBackup(const Record& record)
{
    const QString staging = str(kBackupStaging);
    const QString replaced = str(kBackupReplaced);
    const QString group = inStore(record.group);
    bool ok = true;
    if (present(group) && !present(staging) && (!record.existed || present(replaced)))
        ok = renameStep(group, staging);
    if (ok && record.existed && present(replaced) && !present(group))
        ok = renameStep(replaced, group);
    ok = ok && flushStep(str(kStore)) && flushStep(QStringLiteral("."));
    return ok && present(staging) && present(group) == record.existed && !present(replaced);
}

// Undone: paraGroup.staging is a copy of the working files. Done: paraGroup.replaced is the group
// the backup replaced.
bool clearUpBackup(const Record& record)
{
    const bool spare = record.state == State::Done && present(inStore(record.group));
    return removeIfSpare(str(kBackupReplaced), spare) && removeStep(str(kBackupStaging)) && finish(record);
}

bool undoDelete(const Record& record)
{
    const QString deleted = str(kDeleted);
    const QString group = inStore(record.group);
    bool ok = true;
    if (present(deleted) && !present(group))
        ok = renameStep(deleted, group);
    ok = ok && flushStep(str(kStore)) && flushStep(QStringLiteral("."));
    return ok && present(group) && !present(deleted);
}

// Done: paraGroup.deleted is the group deleted.
bool clearUpDelete(const Record& record)
{
    return removeIfSpare(str(kDeleted), record.state == State::Done) && finish(record);
}

bool undo(const Record& record)
{
    switch (record.operation) {
    case Operation::Restore:
        return undoRestore(record);
    case Operation::Backup:
        return undoBackup(record);
    case Operation::Delete:
        break;
    }
    return undoDelete(record);
}

bool clearUp(const Record& record)
{
    switch (record.operation) {
    case Operation::Restore:
        return clearUpRestore(record);
    case Operation::Backup:
        return clearUpBackup(record);
    case Operation::Delete:
        break;
    }
    return clearUpDelete(record);
}

// Without a record no rename has happened: the staging folders hold copies only, as long as the
// working parameters are there; a folder of working files or of a group set aside is kept.
bool removeUnrecordedLeftovers()
{
    const bool whole = QFileInfo(QStringLiteral("PARAM.db")).isFile();
    bool ok = true;
    for (const char* folder : {kRestoreStaging, kBackupStaging})
        ok = removeIfSpare(str(folder), whole) && ok;
    for (const char* folder : {kRestoreReplaced, kBackupReplaced, kDeleted}) {
        const QString path = str(folder);
        const QFileInfo info(path);
        ok = removeIfSpare(path, info.isSymLink() || !info.isDir() || isEmptyFolder(path)) && ok;
    }
    return ok;
}

}  // namespace

namespace GroupJournal {

void setStepHook(StepHook hook)
{
    stepHook = hook;
}

bool step(const char* what, const QString& path)
{
    if (stepHook && !stepHook(what, path)) {
        qWarning("%s of %s failed", what, qPrintable(path));
        return false;
    }
    return true;
}

bool present(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool renameStep(const QString& from, const QString& to)
{
    if (!step("rename", from))
        return false;
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        qWarning("cannot move %s to %s", qPrintable(from), qPrintable(to));
        return false;
    }
    return true;
}

bool flushStep(const QString& path)
{
    if (!step("flush", path))
        return false;
    if (!flushPath(path)) {
        qWarning("cannot flush %s to the disk", qPrintable(path));
        return false;
    }
    return true;
}

bool flushTreeStep(const QString& path)
{
    if (!step("flush", path))
        return false;
    if (!flushTree(path)) {
        qWarning("cannot flush %s to the disk", qPrintable(path));
        return false;
    }
    return true;
}

bool mkdirStep(const QString& path)
{
    if (!step("mkdir", path))
        return false;
    if (!QDir().mkdir(path)) {
        qWarning("cannot make %s", qPrintable(path));
        return false;
    }
    return true;
}

bool removeStep(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (info.isDir() && !info.isSymLink()) {
        bool ok = true;
        const QStringList names =
            QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& name : names)
            ok = removeStep(path + QLatin1Char('/') + name) && ok;
        if (!ok || !step("remove", path) || ::rmdir(QFile::encodeName(path).constData()) != 0) {
            qWarning("cannot remove %s", qPrintable(path));
            return false;
        }
        return true;
    }
    if (!step("remove", path))
        return false;
    if (::unlink(QFile::encodeName(path).constData()) != 0) {
        qWarning("cannot remove %s", qPrintable(path));
        return false;
    }
    return true;
}

bool writeStep(const QString& path, const QByteArray& content)
{
    if (!step("write", path) || !replaceFileContent(path, content))
        return false;
    const QString folder = QFileInfo(path).path();
    return flushStep(folder.isEmpty() ? QStringLiteral(".") : folder);
}

bool write(const Record& record)
{
    return writeStep(str(kJournalFile), encode(record));
}

QByteArray currentIndexFile(bool* present)
{
    QFile file(str(kIndexFile));
    *present = file.open(QIODevice::ReadOnly);
    return *present ? file.readAll() : QByteArray();
}

bool recordedState(State* state)
{
    QFile file(str(kJournalFile));
    Record record;
    if (!file.open(QIODevice::ReadOnly) || !decode(file.readAll(), &record))
        return false;
    *state = record.state;
    return true;
}

bool recover()
{
    const bool temporariesGone = removeTemporaryFiles();
    const QString journal = str(kJournalFile);
    if (!GroupJournal::present(journal))
        return removeUnrecordedLeftovers() && temporariesGone;
    QFile file(journal);
    Record record;
    if (!file.open(QIODevice::ReadOnly) || !decode(file.readAll(), &record)) {
        // Written by rename only: a record that cannot be read is not one of ours.
        qCritical("%s cannot be read; the parameter groups are left as they are", qPrintable(journal));
        return false;
    }
    file.close();
    const char* operation = operationName(record.operation);
    if (record.state == State::Started) {
        qWarning("the %s of parameter group %s was cut off; it is undone", operation, qPrintable(record.group));
        if (!undo(record)) {
            qCritical("the %s of parameter group %s could not be undone; everything is left for the next try",
                      operation, qPrintable(record.group));
            return false;
        }
        // From here on nothing moves back: what is left beside the store goes.
        record.state = State::Undone;
        if (!write(record))
            return false;
    } else {
        qInfo("the %s of parameter group %s was %s; removing what it left", operation, qPrintable(record.group),
              record.state == State::Done ? "complete" : "undone");
        // The record may have been renamed into place without its folder reaching the disk (a
        // flush that failed): nothing it allows is removed before it is there for good.
        if (!flushStep(QStringLiteral(".")))
            return false;
    }
    return clearUp(record) && temporariesGone;
}

}  // namespace GroupJournal
