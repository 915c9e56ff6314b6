#include "settings/paragroups.h"

#include "core/globals.h"
#include "core/groupjournal.h"
#include "core/parametermanager.h"
#include "core/runaside.h"
#include "settings/vselectbox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include <algorithm>
#include <memory>

namespace {

using GroupJournal::present;

QString groupFolder(const QString& name)
{
    return QString::fromLatin1(ParaGroups::kStoreFolder) + QLatin1Char('/') + name;
}

QString str(const char* latin1)
{
    return QString::fromLatin1(latin1);
}

// Why a delete is refused, for the box and the operation log.
const char* const kGroupNotDeletedText = QT_TRANSLATE_NOOP("ParaGroups", "参数组“%1”无法删除，参数组没有改变！");
const char* const kEarlierOperationText =
    QT_TRANSLATE_NOOP("ParaGroups", "上一次参数组操作未能完成恢复，参数组“%1”没有删除！");

const char* const kCopyingText = QT_TRANSLATE_NOOP("ParaGroups", "正在复制参数组...");
const char* const kBusyText = QT_TRANSLATE_NOOP("ParaGroups", "另一个参数组操作正在进行，参数组“%1”没有改变！");

// Set while an operation works aside. The screen's thread runs its events meanwhile (the
// machine cycle's tick, a Modbus group switch): none of them may start another group operation,
// whose recovery would take the copy for a leftover.
bool workingAside = false;

// Runs `work` (a copy of template folders, or the removal of those an operation replaced) in a
// thread of its own while the screen's thread goes on with its events, so that the machine
// cycle's 100 ms tick keeps checking mould openings however long the template folders take. A
// notice over the screen says what is happening and keeps the operator's touches off the screens
// until the work has ended. Off the screen's thread (or without an application) it runs in place.
bool copyAside(const std::function<bool()>& work)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return work();
    bool ok = false;
    std::unique_ptr<v_SelectBox> notice;
    if (qobject_cast<QApplication*>(app)) {
        const QPoint corner = v_SelectBox::centredCorner();
        notice = std::make_unique<v_SelectBox>(corner.x(), corner.y(), nullptr, 0);
        notice->text = QCoreApplication::translate("ParaGroups", kCopyingText);
        notice->setWindowModality(Qt::ApplicationModal);
        notice->show();
    }
    workingAside = true;
    runAside([&] { ok = work(); });
    workingAside = false;
    return ok;
}

// A database's companions, which must follow it wherever it goes.
const char* const kDatabaseCompanions[] = {"-journal", "-wal", "-shm"};

// A database file with its companions.
QStringList databaseFiles(const char* database)
{
    QStringList files{str(database)};
    for (const char* suffix : kDatabaseCompanions)
        files << str(database) + QLatin1String(suffix);
    return files;
}

// What a restore brings in of group `group`: its PARAM.db with the database's companions and its
// template folders cammer<c><d>; the default group also the camera serial numbers SN.db and the
// factory archive. Anything else a group folder holds (an update package, notes) stays in the
// store: it must not land in the install folder unchecked.
bool isGroupEntry(const QString& group, const QFileInfo& entry)
{
    const QString name = entry.fileName();
    if (entry.isDir())
        return name.size() == 8 && name.startsWith(QLatin1String("cammer")) && name.at(6).isDigit()
            && name.at(7).isDigit();
    if (!entry.isFile())
        return false;
    QStringList files = databaseFiles("PARAM.db");
    if (group == QLatin1String(ParaGroups::kDefaultGroup))
        files << databaseFiles("SN.db") << QStringLiteral("20clearsh.tar.gz");
    return files.contains(name);
}

// Copies the file `from` to `to`, replacing a file there; the copy stays writable.
bool copyFile(const QString& from, const QString& to)
{
    if (!GroupJournal::step("copy", from))
        return false;
    if (present(to) && !QFile::remove(to)) {
        qWarning("cannot replace %s", qPrintable(to));
        return false;
    }
    if (!QFile::copy(from, to)) {
        qWarning("cannot copy %s to %s", qPrintable(from), qPrintable(to));
        return false;
    }
    // A copy of a read-only file must stay writable: the program saves into it.
    QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::WriteOwner);
    return true;
}

// Copies the entries group `name` brings in into `staging`; the rest is named in the log.
bool copyGroupEntries(const QString& name, const QString& staging)
{
    bool ok = QDir().mkpath(staging);
    const QFileInfoList entries = QDir(groupFolder(name)).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink()) {
            qWarning("%s is a link and is left out of the copy", qPrintable(entry.filePath()));
            continue;
        }
        if (!isGroupEntry(name, entry)) {
            qWarning("%s is not restored: a group brings in only its parameters and templates",
                     qPrintable(entry.filePath()));
            continue;
        }
        const QString target = staging + QLatin1Char('/') + entry.fileName();
        ok = (entry.isDir() ? ParaGroups::copyFolderContent(entry.filePath(), target)
                            : copyFile(entry.filePath(), target))
            && ok;
    }
    return ok;
}

QByteArray indexContent(int index)
{
    return QByteArray::number(index) + '\n';
}

// The record of an operation with the group index as it is now.
GroupJournal::Record newRecord(GroupJournal::Operation operation, const QString& group)
{
    GroupJournal::Record record;
    record.operation = operation;
    record.group = group;
    record.oldIndex = GroupJournal::currentIndexFile(&record.hadIndex);
    record.newIndex = record.oldIndex;
    return record;
}

// Marks the operation done; then the recovery of a done operation removes what it set aside,
// beside the screen where `removeAside` (the removal may be of whole template folders). From the
// mark on the operation stands: a failure after it only leaves leftovers that the next start
// removes. The mark counts once the record on the disk says done, also when a flush after its
// rename failed: the next start reads it so and finishes the operation, and the program must go
// on as that start will, not report the old group that is no longer there.
bool complete(GroupJournal::Record& record, bool removeAside = true)
{
    record.state = GroupJournal::State::Done;
    if (!GroupJournal::write(record)) {
        GroupJournal::State recorded = GroupJournal::State::Started;
        if (!GroupJournal::recordedState(&recorded) || recorded != GroupJournal::State::Done)
            return false;
        qWarning("parameter group %s: the record of the finished operation may not be on the disk yet; the "
                 "operation stands",
                 qPrintable(record.group));
    }
    if (!(removeAside ? copyAside(GroupJournal::recover) : GroupJournal::recover()))
        qWarning("what the operation on parameter group %s set aside is removed at the next start",
                 qPrintable(record.group));
    return true;
}

// A step failed before the operation was marked done: everything goes back as it was.
void undo(const char* operation, const QString& name)
{
    qWarning("%s of parameter group %s failed; undoing it", operation, qPrintable(name));
    if (!GroupJournal::recover())
        qCritical("the %s of parameter group %s could not be undone completely; the next start tries again",
                  operation, qPrintable(name));
}

// The working entries a restore replaces, in the order they are moved: the running cameras'
// template folders (also where the group has none of its own), every entry the group brings,
// and the companions of its databases.
QList<GroupJournal::Entry> restoreEntries(const QString& staging, int cameras, int detects)
{
    QStringList names;
    for (int c = 1; c <= cameras; ++c)
        for (int d = 1; d <= detects; ++d)
            names << QStringLiteral("cammer%1%2").arg(c).arg(d);
    const QStringList staged =
        QDir(staging).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    names << staged;
    for (const char* database : {"PARAM.db", "SN.db"})
        if (staged.contains(QLatin1String(database)))
            names << databaseFiles(database);
    QList<GroupJournal::Entry> entries;
    QStringList seen;
    for (const QString& name : names) {
        if (seen.contains(name))
            continue;
        seen << name;
        const bool fresh = staged.contains(name);
        if (present(name) || fresh)
            entries.append({name, present(name), fresh});
    }
    return entries;
}

// The swap of a restore, recorded before its first rename: every working entry the group
// replaces into `paraGroup.previous`, every staged entry into its place, the new index into
// sysadd.txt; then the record is marked done.
bool swapInStagedGroup(GroupJournal::Record& record)
{
    const QString staging = str(GroupJournal::kRestoreStaging);
    const QString replaced = str(GroupJournal::kRestoreReplaced);
    bool ok = GroupJournal::write(record) && GroupJournal::mkdirStep(replaced);
    for (const GroupJournal::Entry& entry : record.entries)
        ok = ok && (!entry.old || GroupJournal::renameStep(entry.name, replaced + QLatin1Char('/') + entry.name));
    for (const GroupJournal::Entry& entry : record.entries)
        ok = ok && (!entry.fresh || GroupJournal::renameStep(staging + QLatin1Char('/') + entry.name, entry.name));
    ok = ok && GroupJournal::flushStep(replaced) && GroupJournal::flushStep(staging)
        && GroupJournal::flushStep(QStringLiteral("."))
        && GroupJournal::writeStep(str(GroupJournal::kIndexFile), record.newIndex);
    // The working files are the new group's now, while the old one runs until the restart: no
    // tick may check with that mix, so the removal stays on the screen's thread (deleting is
    // quick; a mould opening meanwhile has its clamp withdrawn by the IO thread).
    ok = ok && complete(record, false);
    if (!ok)
        undo("the restore", record.group);
    return ok;
}

}  // namespace

namespace ParaGroups {

const char* const kStoreFolder = "./paraGroup";
const char* const kDefaultGroup = "default";

QStringList groupList()
{
    // Every sub-folder counts, also one whose name begins with a dot: the group index is the
    // position in this list.
    return QDir(QString::fromLatin1(kStoreFolder))
        .entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

bool isValidName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar ch : name)
        if (ch == QLatin1Char('/') || ch.category() == QChar::Other_Control)
            return false;
    return true;
}

bool isRestorable(const QString& name)
{
    return isValidName(name) && ParameterManager::holdsSysparam(groupFolder(name) + QStringLiteral("/PARAM.db"));
}

bool removeTree(const QString& path)
{
    return GroupJournal::removeStep(path);
}

bool copyFolderContent(const QString& from, const QString& to)
{
    const QFileInfo source(from);
    if (!source.isDir() || source.isSymLink()) {
        qWarning("no folder %s to copy", qPrintable(from));
        return false;
    }
    bool ok = QDir().mkpath(to);
    const QFileInfoList entries = QDir(from).entryInfoList(
        QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        // What a link names lies outside the folder: it is never brought in.
        if (entry.isSymLink()) {
            qWarning("%s is a link and is left out of the copy", qPrintable(entry.filePath()));
            continue;
        }
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir()) {
            ok = copyFolderContent(entry.filePath(), target) && ok;
            continue;
        }
        if (!entry.isFile()) {
            qWarning("%s is not a plain file and is left out of the copy", qPrintable(entry.filePath()));
            continue;
        }
        ok = copyFile(entry.filePath(), target) && ok;
    }
    return ok;
}

bool holdsSoundParameters(const QString& file)
{
    if (!QFileInfo(file).isFile())
        return false;
    const QString connection = QStringLiteral("groupcheck");
    bool sound = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery query(db);
            sound = db.tables().contains(QStringLiteral("sysparam"))
                && query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next()
                && query.value(0).toString() == QLatin1String("ok");
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return sound;
}

bool backupGroup(const QString& name, int cameras, int detects, QString* why)
{
    if (!isValidName(name) || name == QLatin1String(kDefaultGroup))
        return false;
    if (workingAside) {
        qWarning("backup of parameter group %s refused: another group operation is under way", qPrintable(name));
        if (why)
            *why = QCoreApplication::translate("ParaGroups", kBusyText).arg(name);
        return false;
    }
    // A backup, restore or delete that was cut off is finished or undone first.
    if (!GroupJournal::recover()) {
        qWarning("backup of parameter group %s refused: an earlier group operation could not be recovered",
                 qPrintable(name));
        return false;
    }
    const QString group = groupFolder(name);
    if (QFileInfo(group).isSymLink()) {
        qWarning("backup of parameter group %s refused: the group folder is a link", qPrintable(name));
        if (why)
            *why = failureText(RestoreFailure::LinkedGroup, name);
        return false;
    }
    const QString staging = str(GroupJournal::kBackupStaging);
    const QString replaced = str(GroupJournal::kBackupReplaced);

    bool ok = QDir().mkpath(QString::fromLatin1(kStoreFolder)) && QDir().mkpath(staging);
    // PARAM.db is written only from the screen's thread: copied there, it is copied whole.
    ok = ok && GroupJournal::step("copy", QStringLiteral("PARAM.db"))
        && QFile::copy(QStringLiteral("PARAM.db"), staging + QStringLiteral("/PARAM.db"));
    ok = ok && copyAside([&] {
        bool copied = true;
        for (int c = 1; copied && c <= cameras; ++c)
            for (int d = 1; copied && d <= detects; ++d) {
                const QString folder = QStringLiteral("cammer%1%2").arg(c).arg(d);
                if (QFileInfo(folder).isSymLink()) {
                    qWarning("%s is a link and is left out of the backup", qPrintable(folder));
                    continue;
                }
                copied = copyFolderContent(folder, staging + QLatin1Char('/') + folder);
            }
        // The copy is on the disk before it takes the group's place.
        return copied && GroupJournal::flushTreeStep(staging);
    });
    if (!ok) {
        qWarning("backup of parameter group %s failed; the store is unchanged", qPrintable(name));
        removeTree(staging);
        return false;
    }

    GroupJournal::Record record = newRecord(GroupJournal::Operation::Backup, name);
    record.existed = present(group);
    QStringList after = groupList();
    if (!after.contains(name))
        after << name;
    std::sort(after.begin(), after.end());
    record.newIndex = indexContent(int(after.indexOf(name)));
    ok = GroupJournal::write(record)
        && (!record.existed || GroupJournal::renameStep(group, replaced))
        && GroupJournal::renameStep(staging, group)
        && GroupJournal::flushStep(QString::fromLatin1(kStoreFolder)) && GroupJournal::flushStep(QStringLiteral("."))
        && GroupJournal::writeStep(str(GroupJournal::kIndexFile), record.newIndex)
        && complete(record);
    if (!ok)
        undo("the backup", name);
    return ok;
}

bool removeGroup(const QString& name, int* index, QString* why)
{
    const auto refuse = [&](const char* text) {
        if (why)
            *why = QCoreApplication::translate("ParaGroups", text).arg(name);
        return false;
    };
    if (!isValidName(name) || name == QLatin1String(kDefaultGroup))
        return refuse(kGroupNotDeletedText);
    if (workingAside) {
        qWarning("parameter group %s not removed: another group operation is under way", qPrintable(name));
        return refuse(kBusyText);
    }
    if (!GroupJournal::recover()) {
        qWarning("parameter group %s not removed: an earlier group operation could not be recovered",
                 qPrintable(name));
        return refuse(kEarlierOperationText);
    }
    const QString group = groupFolder(name);
    if (!present(group))
        return true;
    GroupJournal::Record record = newRecord(GroupJournal::Operation::Delete, name);
    // The index goes on naming the group it named; none when that group is the one deleted.
    QStringList groups = groupList();
    bool numeric = index != nullptr;
    const int current = index ? *index : record.oldIndex.trimmed().toInt(&numeric);
    const bool named = numeric && current >= 0 && current < groups.size();
    int newIndex = current;
    if (named) {
        const QString currentName = groups.at(current);
        groups.removeAll(name);
        newIndex = int(groups.indexOf(currentName));
        record.newIndex = indexContent(newIndex);
    }
    const QString deleted = str(GroupJournal::kDeleted);
    const bool ok = GroupJournal::write(record) && GroupJournal::renameStep(group, deleted)
        && GroupJournal::flushStep(QString::fromLatin1(kStoreFolder)) && GroupJournal::flushStep(QStringLiteral("."))
        && (record.newIndex == record.oldIndex || GroupJournal::writeStep(str(GroupJournal::kIndexFile), record.newIndex))
        && complete(record);
    if (!ok) {
        undo("the delete", name);
        return refuse(kGroupNotDeletedText);
    }
    if (named && index)
        *index = newIndex;
    return true;
}

QString failureText(RestoreFailure failure, const QString& name)
{
    const char* text = nullptr;
    switch (failure) {
    case RestoreFailure::None:
        return QString();
    case RestoreFailure::NoGroup:
        text = QT_TRANSLATE_NOOP("ParaGroups", "参数组“%1”不存在，当前参数组没有改变！");
        break;
    case RestoreFailure::NoParameters:
        text = QT_TRANSLATE_NOOP("ParaGroups", "参数组“%1”的参数文件缺失或已损坏，当前参数组没有改变！");
        break;
    case RestoreFailure::CopyFailed:
        text = QT_TRANSLATE_NOOP("ParaGroups", "参数组“%1”复制失败（磁盘空间不足？），当前参数组没有改变！");
        break;
    case RestoreFailure::SwapFailed:
        text = QT_TRANSLATE_NOOP("ParaGroups", "参数组“%1”无法替换当前文件，当前参数组没有改变！");
        break;
    case RestoreFailure::LinkedGroup:
        text = QT_TRANSLATE_NOOP("ParaGroups", "参数组“%1”是指向参数组目录以外的链接，不能使用！");
        break;
    case RestoreFailure::Busy:
        text = kBusyText;
        break;
    }
    return QCoreApplication::translate("ParaGroups", text).arg(name);
}

RestoreFailure restoreGroup(const QString& name, int cameras, int detects)
{
    if (!isValidName(name))
        return RestoreFailure::NoGroup;
    if (workingAside)
        return RestoreFailure::Busy;
    // A backup, restore or delete that was cut off is finished or undone first.
    if (!GroupJournal::recover())
        return RestoreFailure::SwapFailed;
    if (!present(groupFolder(name)))
        return RestoreFailure::NoGroup;
    // Its files lie outside the store.
    if (QFileInfo(groupFolder(name)).isSymLink())
        return RestoreFailure::LinkedGroup;
    if (!QFileInfo(groupFolder(name)).isDir())
        return RestoreFailure::NoGroup;
    if (!isRestorable(name))
        return RestoreFailure::NoParameters;
    const QString staging = str(GroupJournal::kRestoreStaging);

    // The group is read from the store only: the running group goes on meanwhile.
    bool sound = false;
    const bool copied = copyAside([&] {
        if (!GroupJournal::step("copy", groupFolder(name)) || !copyGroupEntries(name, staging)
            || !GroupJournal::flushTreeStep(staging))
            return false;
        sound = holdsSoundParameters(staging + QStringLiteral("/PARAM.db"));
        return true;
    });
    if (!copied) {
        qWarning("parameter group %s could not be copied; the running group stays", qPrintable(name));
        removeTree(staging);
        return RestoreFailure::CopyFailed;
    }
    if (!sound) {
        qWarning("the parameter database of group %s is damaged; the running group stays", qPrintable(name));
        removeTree(staging);
        return RestoreFailure::NoParameters;
    }

    GroupJournal::Record record = newRecord(GroupJournal::Operation::Restore, name);
    record.entries = restoreEntries(staging, cameras, detects);
    record.newIndex = indexContent(int(groupList().indexOf(name)));
    // PARAM.db is about to be replaced: nothing may be written through the old connection.
    ParameterManager* store = ParameterManager::instance();
    const bool wasOpen = store->dbIn.isOpen();
    store->closeParamDb();
    if (!swapInStagedGroup(record)) {
        qWarning("parameter group %s could not replace the working files; the running group stays",
                 qPrintable(name));
        if (wasOpen && store->dbIn.open())
            store->queryIn = QSqlQuery(store->dbIn);
        return RestoreFailure::SwapFailed;
    }
    return RestoreFailure::None;
}

}  // namespace ParaGroups
