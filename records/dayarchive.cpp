#include "records/dayarchive.h"

#include <QDir>
#include <QFile>
#include <QString>

QString freeArchivePath(const QDir& folder, const QString& day)
{
    const QString base = folder.absolutePath() + QLatin1Char('/') + day;
    QString path = base + QStringLiteral(".db");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = base + QStringLiteral("_%1.db").arg(n);
    return path;
}

bool archiveDayFile(const QString& file, const QDir& folder, const QString& day)
{
    if (!QFile::exists(file))
        return true;
    if (!folder.exists())
        QDir().mkpath(folder.absolutePath());
    const QString target = freeArchivePath(folder, day);
    qInfo("%s", qPrintable(target));
    if (!QFile::rename(file, target)) {
        qInfo("fail rename %s to %s", qPrintable(file), qPrintable(target));
        return false;
    }
    qInfo("rename %s.db success", qPrintable(day));
    return true;
}
