#include "settings/paragroups.h"

#include "core/parametermanager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

QString groupFolder(const QString& name)
{
    return QString::fromLatin1(ParaGroups::kStoreFolder) + QLatin1Char('/') + name;
}

// Beside the store, not in it: every sub-folder of the store counts as a group.
const char* const kStagingFolder = "./paraGroup.staging";
const char* const kReplacedFolder = "./paraGroup.replaced";
// A restore's copy of the group, and the working files it replaced, beside the working files so
// that every swap is a rename within one file system.
const char* const kRestoreStaging = "./paraGroup.restore";
const char* const kRestoreReplaced = "./paraGroup.previous";
// A database's companions, which must follow it wherever it goes.
const char* const kDatabaseCompanions[] = {"-journal", "-wal", "-shm"};

// Moves `from` to `to` in one step of the file system (a symbolic link is moved itself).
bool movePath(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// Something is at `path`, a dangling symbolic link too.
bool present(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// The file's content reaches the disk before a rename makes it a working file.
bool flushFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool flushTree(const QString& folder)
{
    bool ok = true;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isSymLink())
            continue;
        ok = (entry.isDir() ? flushTree(entry.filePath()) : flushFile(entry.filePath())) && ok;
    }
    return flushFile(folder) && ok;
}

// Names a group must not bring into the working directory: the store and the restore's own folders.
bool isReservedName(const QString& name)
{
    for (const char* folder : {ParaGroups::kStoreFolder, kStagingFolder, kReplacedFolder, kRestoreStaging,
                               kRestoreReplaced})
        if (QLatin1String(folder).mid(2) == name)
            return true;
    return false;
}

// The swap of a restore: each working entry the group replaces is moved into `replaced`, each
// staged entry into its place. Undone in reverse order when a step fails.
class Swap {
public:
    explicit Swap(const QString& replaced) : m_replaced(replaced) {}

    // Moves the working entry `name` aside when there is one, with a database's companions.
    bool moveAside(const QString& name)
    {
        if (!present(name) || !move(name, m_replaced + QLatin1Char('/') + name))
            return !present(name);
        for (const char* suffix : kDatabaseCompanions) {
            const QString companion = name + QLatin1String(suffix);
            if (present(companion) && !move(companion, m_replaced + QLatin1Char('/') + companion))
                return false;
        }
        return true;
    }

    bool move(const QString& from, const QString& to)
    {
        if (!movePath(from, to)) {
            qWarning("cannot move %s to %s", qPrintable(from), qPrintable(to));
            return false;
        }
        m_done.append({from, to});
        return true;
    }

    // Puts every moved entry back; false when one could not be put back.
    bool undo()
    {
        bool ok = true;
        for (auto it = m_done.crbegin(); it != m_done.crend(); ++it) {
            if (!movePath(it->second, it->first)) {
                qCritical("cannot move %s back to %s", qPrintable(it->second), qPrintable(it->first));
                ok = false;
            }
        }
        m_done.clear();
        return ok;
    }

private:
    QString m_replaced;
    QList<QPair<QString, QString>> m_done;
};

bool swapInStagedGroup(int cameras, int detects)
{
    const QString staging = QString::fromLatin1(kRestoreStaging);
    const QString replaced = QString::fromLatin1(kRestoreReplaced);
    if (!QDir().mkdir(replaced)) {
        qWarning("cannot make %s", qPrintable(replaced));
        return false;
    }
    Swap swap(replaced);
    bool ok = true;
    // The running cameras' template folders go also where the group has none of its own.
    for (int c = 1; ok && c <= cameras; ++c)
        for (int d = 1; ok && d <= detects; ++d)
            ok = swap.moveAside(QStringLiteral("cammer%1%2").arg(c).arg(d));
    const QStringList entries =
        QDir(staging).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        if (!ok)
            break;
        if (isReservedName(entry)) {
            qWarning("the group's %s is not restored: the name is the group store's own", qPrintable(entry));
            continue;
        }
        ok = swap.moveAside(entry) && swap.move(staging + QLatin1Char('/') + entry, entry);
    }
    if (ok) {
        ParaGroups::removeTree(replaced);
        return true;
    }
    // What stays in `replaced` after a failed undo is the only copy of those working files.
    if (swap.undo())
        ParaGroups::removeTree(replaced);
    else
        qCritical("working files that could not be put back are kept in %s", qPrintable(replaced));
    return false;
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
    const QFileInfo info(path);
    if (info.isSymLink() || (info.exists() && !info.isDir()))
        return ::unlink(QFile::encodeName(path).constData()) == 0;
    return !info.exists() || QDir(path).removeRecursively();
}

bool copyFolderContent(const QString& from, const QString& to)
{
    if (!QFileInfo(from).isDir()) {
        qWarning("no folder %s to copy", qPrintable(from));
        return false;
    }
    bool ok = QDir().mkpath(to);
    const QFileInfoList entries =
        QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir()) {
            ok = copyFolderContent(entry.filePath(), target) && ok;
            continue;
        }
        if (QFileInfo::exists(target) && !QFile::remove(target)) {
            qWarning("cannot replace %s", qPrintable(target));
            ok = false;
            continue;
        }
        if (!QFile::copy(entry.filePath(), target)) {
            qWarning("cannot copy %s to %s", qPrintable(entry.filePath()), qPrintable(target));
            ok = false;
            continue;
        }
        // A copy of a read-only file must stay writable: the program saves into it.
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
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

bool backupGroup(const QString& name, int cameras, int detects)
{
    if (!isValidName(name) || name == QLatin1String(kDefaultGroup))
        return false;
    const QString staging = QString::fromLatin1(kStagingFolder);
    const QString replaced = QString::fromLatin1(kReplacedFolder);
    // Left over from a backup that was cut off.
    removeTree(staging);
    removeTree(replaced);

    bool ok = QDir().mkpath(staging) && QDir().mkpath(QString::fromLatin1(kStoreFolder));
    for (int c = 1; ok && c <= cameras; ++c)
        for (int d = 1; ok && d <= detects; ++d) {
            const QString folder = QStringLiteral("cammer%1%2").arg(c).arg(d);
            ok = copyFolderContent(folder, staging + QLatin1Char('/') + folder);
        }
    ok = ok && QFile::copy(QStringLiteral("PARAM.db"), staging + QStringLiteral("/PARAM.db"));
    if (!ok) {
        qWarning("backup of parameter group %s failed; the store is unchanged", qPrintable(name));
        removeTree(staging);
        return false;
    }

    const QString group = groupFolder(name);
    const bool existed = present(group);
    if (existed && !movePath(group, replaced)) {
        qWarning("cannot replace parameter group %s", qPrintable(name));
        removeTree(staging);
        return false;
    }
    if (!movePath(staging, group)) {
        qWarning("cannot move the backup of parameter group %s into the store", qPrintable(name));
        if (existed)
            movePath(replaced, group);
        removeTree(staging);
        return false;
    }
    removeTree(replaced);
    return true;
}

bool removeGroup(const QString& name)
{
    return isValidName(name) && name != QLatin1String(kDefaultGroup) && removeTree(groupFolder(name));
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
    }
    return QCoreApplication::translate("ParaGroups", text).arg(name);
}

RestoreFailure restoreGroup(const QString& name, int cameras, int detects)
{
    if (!isValidName(name) || !QFileInfo(groupFolder(name)).isDir())
        return RestoreFailure::NoGroup;
    if (!isRestorable(name))
        return RestoreFailure::NoParameters;
    const QString staging = QString::fromLatin1(kRestoreStaging);
    // Left over from a restore that was cut off.
    removeTree(staging);
    removeTree(QString::fromLatin1(kRestoreReplaced));

    if (!copyFolderContent(groupFolder(name), staging) || !flushTree(staging)) {
        qWarning("parameter group %s could not be copied; the running group stays", qPrintable(name));
        removeTree(staging);
        return RestoreFailure::CopyFailed;
    }
    if (!holdsSoundParameters(staging + QStringLiteral("/PARAM.db"))) {
        qWarning("the parameter database of group %s is damaged; the running group stays", qPrintable(name));
        removeTree(staging);
        return RestoreFailure::NoParameters;
    }

    // PARAM.db is about to be replaced: nothing may be written through the old connection.
    ParameterManager* store = ParameterManager::instance();
    const bool wasOpen = store->dbIn.isOpen();
    store->closeParamDb();
    const bool swapped = swapInStagedGroup(cameras, detects);
    removeTree(staging);
    if (!swapped) {
        qWarning("parameter group %s could not replace the working files; the running group stays",
                 qPrintable(name));
        if (wasOpen && store->dbIn.open())
            store->queryIn = QSqlQuery(store->dbIn);
        return RestoreFailure::SwapFailed;
    }
    return RestoreFailure::None;
}

}  // namespace ParaGroups
