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

QByteArray encode(const Record& record)
{
    QJsonArray entries;
    for (const Entry& entry : record.entries)
        entries.append(QJsonObject{{"name", entry.name}, {"old", entry.old}, {"new", entry.fresh}});
    const QJsonObject object{
        {"operation", QLatin1String(operationName(record.operation))},
        {"group", record.group},
        {"done", record.done},
        {"existed", record.existed},
        {"entries", entries},
        {"hadIndex", record.hadIndex},
        {"oldIndex", QLatin1String(record.oldIndex.toBase64())},
        {"newIndex", QLatin1String(record.newIndex.toBase64())},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
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
    record->done = object.value(QStringLiteral("done")).toBool();
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

// The group index as the operation left it: `done` the new one, otherwise the old one.
bool putIndex(const Record& record, bool done)
{
    if (done || record.hadIndex)
        return writeStep(str(kIndexFile), done ? record.newIndex : record.oldIndex);
    return removeStep(str(kIndexFile)) && flushStep(QStringLiteral("."));
}

// Temporary files of a record whose writing was cut off before its rename.
bool removePartialRecords()
{
    bool ok = true;
    const QStringList partial = QDir(QStringLiteral(".")).entryList(
        {str(kJournalFile) + QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& file : partial)
        ok = removeStep(file) && ok;
    return ok;
}

// The record is removed last: until then a cut of the recovery itself is recovered again.
bool finish()
{
    return removeStep(str(kJournalFile)) && removePartialRecords() && flushStep(QStringLiteral("."));
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

bool recoverRestore(const Record& record)
{
    const QString staging = str(kRestoreStaging);
    const QString replaced = str(kRestoreReplaced);
    if (record.done) {
        qInfo("the restore of parameter group %s was complete; removing what it left", qPrintable(record.group));
        return removeStep(replaced) && removeStep(staging) && putIndex(record, true) && finish();
    }
    qWarning("the restore of parameter group %s was cut off; the working files are put back", qPrintable(record.group));
    bool ok = true;
    for (auto it = record.entries.crbegin(); it != record.entries.crend(); ++it) {
        const QString name = it->name;
        const QString stagedName = staging + QLatin1Char('/') + name;
        const QString asideName = replaced + QLatin1Char('/') + name;
        // The group's entry had been moved in: back into the copy it came from.
        if (it->fresh && !present(stagedName) && present(name))
            ok = (present(staging) || mkdirStep(staging)) && renameStep(name, stagedName) && ok;
        if (it->old && present(asideName) && !present(name))
            ok = renameStep(asideName, name) && ok;
    }
    ok = (!present(replaced) || flushStep(replaced)) && ok;
    ok = (!present(staging) || flushStep(staging)) && ok;
    ok = flushStep(QStringLiteral(".")) && ok;
    // Every working entry is back in its place before what was set aside goes.
    bool whole = ok;
    for (const Entry& entry : record.entries)
        whole = whole && (!entry.old || present(entry.name)) && !present(replaced + QLatin1Char('/') + entry.name);
    if (!whole) {
        qCritical("the working files of the cut restore could not all be put back");
        return false;
    }
    return putIndex(record, false) && removeStep(staging) && removeIfSpare(replaced, true) && finish();
}

bool recoverBackup(const Record& record)
{
    const QString staging = str(kBackupStaging);
    const QString replaced = str(kBackupReplaced);
    const QString group = inStore(record.group);
    if (record.done) {
        qInfo("the backup of parameter group %s was complete; removing what it left", qPrintable(record.group));
        return removeIfSpare(replaced, present(group)) && removeStep(staging) && putIndex(record, true) && finish();
    }
    qWarning("the backup of parameter group %s was cut off; the store is put back", qPrintable(record.group));
    bool ok = true;
    // The new copy had taken the group's place: back to where it was made.
    if (!present(staging) && present(group))
        ok = renameStep(group, staging);
    if (ok && record.existed && !present(group) && present(replaced))
        ok = renameStep(replaced, group);
    ok = ok && flushStep(str(kStore)) && flushStep(QStringLiteral("."));
    if (!ok || (record.existed && !present(group))) {
        qCritical("parameter group %s could not be put back into the store", qPrintable(record.group));
        return false;
    }
    return putIndex(record, false) && removeIfSpare(replaced, false) && removeStep(staging) && finish();
}

bool recoverDelete(const Record& record)
{
    const QString deleted = str(kDeleted);
    const QString group = inStore(record.group);
    if (record.done) {
        qInfo("the delete of parameter group %s was complete; removing what it left", qPrintable(record.group));
        return removeStep(deleted) && putIndex(record, true) && finish();
    }
    qWarning("the delete of parameter group %s was cut off; the group is put back", qPrintable(record.group));
    if (present(deleted) && !present(group)
        && !(renameStep(deleted, group) && flushStep(str(kStore)) && flushStep(QStringLiteral(".")))) {
        qCritical("parameter group %s could not be put back into the store", qPrintable(record.group));
        return false;
    }
    return putIndex(record, false) && removeIfSpare(deleted, false) && finish();
}

// Without a record no rename has happened: the staging folders hold copies only.
bool removeUnrecordedLeftovers()
{
    bool ok = removeStep(str(kRestoreStaging)) && removeStep(str(kBackupStaging));
    for (const char* folder : {kRestoreReplaced, kBackupReplaced, kDeleted}) {
        const QString path = str(folder);
        const QFileInfo info(path);
        const bool spare = info.isSymLink() || !info.isDir()
            || QDir(path).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        ok = removeIfSpare(path, spare) && ok;
    }
    return removePartialRecords() && ok;
}

}  // namespace

namespace GroupJournal {

void setStepHook(StepHook hook)
{
    stepHook = hook;
}

void step(const char* what, const QString& path)
{
    if (stepHook)
        stepHook(what, path);
}

bool present(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool renameStep(const QString& from, const QString& to)
{
    step("rename", from);
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        qWarning("cannot move %s to %s", qPrintable(from), qPrintable(to));
        return false;
    }
    return true;
}

bool flushStep(const QString& path)
{
    step("flush", path);
    if (!flushPath(path)) {
        qWarning("cannot flush %s to the disk", qPrintable(path));
        return false;
    }
    return true;
}

bool mkdirStep(const QString& path)
{
    step("mkdir", path);
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
        step("remove", path);
        if (!ok || ::rmdir(QFile::encodeName(path).constData()) != 0) {
            qWarning("cannot remove %s", qPrintable(path));
            return false;
        }
        return true;
    }
    step("remove", path);
    if (::unlink(QFile::encodeName(path).constData()) != 0) {
        qWarning("cannot remove %s", qPrintable(path));
        return false;
    }
    return true;
}

bool writeStep(const QString& path, const QByteArray& content)
{
    step("write", path);
    if (!replaceFileContent(path, content))
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

bool recover()
{
    const QString journal = str(kJournalFile);
    if (!GroupJournal::present(journal))
        return removeUnrecordedLeftovers();
    QFile file(journal);
    Record record;
    if (!file.open(QIODevice::ReadOnly) || !decode(file.readAll(), &record)) {
        // Written by rename only: a record that cannot be read is not one of ours.
        qCritical("%s cannot be read; the parameter groups are left as they are", qPrintable(journal));
        return false;
    }
    file.close();
    switch (record.operation) {
    case Operation::Restore:
        return recoverRestore(record);
    case Operation::Backup:
        return recoverBackup(record);
    case Operation::Delete:
        break;
    }
    return recoverDelete(record);
}

}  // namespace GroupJournal
