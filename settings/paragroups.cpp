#include "settings/paragroups.h"

#include "core/parametermanager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

QString groupFolder(const QString& name)
{
    return QString::fromLatin1(ParaGroups::kStoreFolder) + QLatin1Char('/') + name;
}

// Beside the store, not in it: every sub-folder of the store counts as a group.
const char* const kStagingFolder = "./paraGroup.staging";
const char* const kReplacedFolder = "./paraGroup.replaced";

// Moves folder `from` to `to` in one step of the file system.
bool moveFolder(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

}  // namespace

namespace ParaGroups {

const char* const kStoreFolder = "./paraGroup";

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

void removeTemplateFolders(int cameras, int detects)
{
    for (int c = 1; c <= cameras; ++c)
        for (int d = 1; d <= detects; ++d)
            QDir(QStringLiteral("cammer%1%2").arg(c).arg(d)).removeRecursively();
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

bool backupGroup(const QString& name, int cameras, int detects)
{
    if (!isValidName(name))
        return false;
    const QString staging = QString::fromLatin1(kStagingFolder);
    const QString replaced = QString::fromLatin1(kReplacedFolder);
    // Left over from a backup that was cut off.
    QDir(staging).removeRecursively();
    QDir(replaced).removeRecursively();

    bool ok = QDir().mkpath(staging) && QDir().mkpath(QString::fromLatin1(kStoreFolder));
    for (int c = 1; ok && c <= cameras; ++c)
        for (int d = 1; ok && d <= detects; ++d) {
            const QString folder = QStringLiteral("cammer%1%2").arg(c).arg(d);
            ok = copyFolderContent(folder, staging + QLatin1Char('/') + folder);
        }
    ok = ok && QFile::copy(QStringLiteral("PARAM.db"), staging + QStringLiteral("/PARAM.db"));
    if (!ok) {
        qWarning("backup of parameter group %s failed; the store is unchanged", qPrintable(name));
        QDir(staging).removeRecursively();
        return false;
    }

    const QString group = groupFolder(name);
    const bool existed = QFileInfo(group).isDir();
    if (existed && !moveFolder(group, replaced)) {
        qWarning("cannot replace parameter group %s", qPrintable(name));
        QDir(staging).removeRecursively();
        return false;
    }
    if (!moveFolder(staging, group)) {
        qWarning("cannot move the backup of parameter group %s into the store", qPrintable(name));
        if (existed)
            moveFolder(replaced, group);
        QDir(staging).removeRecursively();
        return false;
    }
    QDir(replaced).removeRecursively();
    return true;
}

bool removeGroup(const QString& name)
{
    return isValidName(name) && QDir(groupFolder(name)).removeRecursively();
}

bool copyGroupToWorkingDir(const QString& name)
{
    return copyFolderContent(groupFolder(name), QStringLiteral("."));
}

}  // namespace ParaGroups
