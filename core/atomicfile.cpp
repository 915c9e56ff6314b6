#include "core/atomicfile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

bool replaceFileContent(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning("cannot write %s: %s", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    // The data must be on the disk before the rename makes it the file's content.
    if (file.write(content) != content.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        // Qt names some failures of a write (a full disk among them) only as "Unknown error".
        const int error = errno;
        qWarning("cannot write %s: %s (%s)", qPrintable(path), qPrintable(file.errorString()), std::strerror(error));
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        qWarning("cannot replace %s: %s", qPrintable(path), qPrintable(file.errorString()));
        return false;
    }
    // The rename itself lasts only once the folder is on the disk.
    flushPath(QFileInfo(path).absolutePath());
    return true;
}

QStringList leftoverTemporaryFiles(const QString& path)
{
    const QFileInfo file(path);
    const QString prefix = file.fileName() + QLatin1Char('.');
    constexpr int kRandomLetters = 6;
    QStringList found;
    const QStringList names = file.dir().entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (name.size() != prefix.size() + kRandomLetters || !name.startsWith(prefix))
            continue;
        const bool random = std::all_of(name.begin() + prefix.size(), name.end(), [](QChar ch) {
            return ch.isDigit() || (ch >= QLatin1Char('a') && ch <= QLatin1Char('z'))
                || (ch >= QLatin1Char('A') && ch <= QLatin1Char('Z'));
        });
        if (random)
            found << file.dir().filePath(name);
    }
    return found;
}

bool flushPath(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
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
        ok = (entry.isDir() ? flushTree(entry.filePath()) : flushPath(entry.filePath())) && ok;
    }
    return flushPath(folder) && ok;
}
