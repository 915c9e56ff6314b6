#include "settings/pendingpackage.h"

#include "core/platformutils.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace {

const char* const kPackageNames[] = {"newupdate.tar.gz", "newupdate.tar.xz", "newupdate.rar"};
// Not a newupdate.* name: the start script must never take a half-written copy for a package.
const char* const kPartialName = "pending-package.part";

QByteArray digestOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!hash.addData(&file))
        return {};
    return hash.result();
}

}  // namespace

namespace PendingPackage {

QString targetFor(const QString& fileName)
{
    if (fileName.contains(QLatin1String(".tar.gz")))
        return QString::fromLatin1(kPackageNames[0]);
    if (fileName.contains(QLatin1String(".tar.xz")))
        return QString::fromLatin1(kPackageNames[1]);
    if (fileName.contains(QLatin1String(".rar")))
        return QString::fromLatin1(kPackageNames[2]);
    return QString();
}

bool write(const QString& source, const QString& target)
{
    const QDir folder(installFolder());
    const QString partial = folder.filePath(QString::fromLatin1(kPartialName));
    QFile::remove(partial);
    if (!QFile::copy(source, partial)) {
        qWarning("cannot copy %s into %s", qPrintable(source), qPrintable(folder.path()));
        return false;
    }
    const QByteArray expected = digestOf(source);
    if (expected.isEmpty() || digestOf(partial) != expected
        || QFileInfo(partial).size() != QFileInfo(source).size()) {
        qWarning("the copy of %s differs from it; no package placed", qPrintable(source));
        QFile::remove(partial);
        return false;
    }
    return adopt(partial, target);
}

bool adopt(const QString& partial, const QString& target)
{
    const QDir folder(installFolder());
    const QByteArray partialName = QFile::encodeName(partial);
    const int fd = ::open(partialName.constData(), O_RDONLY | O_CLOEXEC);
    const bool flushed = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!flushed) {
        qWarning("cannot flush %s to disk; no package placed", qPrintable(partial));
        QFile::remove(partial);
        return false;
    }
    const QString package = folder.filePath(target);
    if (std::rename(partialName.constData(), QFile::encodeName(package).constData()) != 0) {
        qWarning("cannot name the package %s", qPrintable(package));
        QFile::remove(partial);
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const int dir = ::open(QFile::encodeName(folder.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    for (const char* name : kPackageNames)
        if (target != QLatin1String(name))
            QFile::remove(folder.filePath(QString::fromLatin1(name)));
    return true;
}

}  // namespace PendingPackage
