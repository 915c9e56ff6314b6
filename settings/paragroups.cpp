#include "settings/paragroups.h"

#include "core/parametermanager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Copies the content of folder `from` into folder `to` (made when missing), recursively.
bool copyFolderContent(const QString& from, const QString& to)
{
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

QString groupFolder(const QString& name)
{
    return QString::fromLatin1(ParaGroups::kStoreFolder) + QLatin1Char('/') + name;
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

bool isRestorable(const QString& name)
{
    return !name.isEmpty() && ParameterManager::holdsSysparam(groupFolder(name) + QStringLiteral("/PARAM.db"));
}

void removeTemplateFolders(int cameras, int detects)
{
    for (int c = 1; c <= cameras; ++c)
        for (int d = 1; d <= detects; ++d)
            QDir(QStringLiteral("cammer%1%2").arg(c).arg(d)).removeRecursively();
}

bool copyGroupToWorkingDir(const QString& name)
{
    return copyFolderContent(groupFolder(name), QStringLiteral("."));
}

}  // namespace ParaGroups
