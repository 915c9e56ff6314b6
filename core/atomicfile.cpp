#include "core/atomicfile.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include <cerrno>
#include <cstring>

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
    return true;
}
