#include "records/damagedstore.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

namespace {

constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;
// Files SQLite keeps beside a database; a journal left beside the fresh file would be played
// back into it, so each goes with the damaged copy.
const char* const kCompanions[] = {"-journal", "-wal", "-shm"};
const char* const kProbeConnection = "damagedStoreProbe";

}  // namespace

bool isDamagedStoreError(const QSqlError& error)
{
    // Extended codes carry the primary code in their low byte.
    const int code = error.nativeErrorCode().toInt() & 0xFF;
    return code == kSqliteCorrupt || code == kSqliteNotADatabase;
}

bool storeFileDamaged(const QString& file)
{
    if (!QFileInfo(file).isFile())
        return false;
    bool damaged = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QString::fromLatin1(kProbeConnection));
        db.setDatabaseName(file);
        // Read only: the probe must not change (nor create) what it looks at.
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            // Reading the schema checks the header, and the page count against the file's
            // length, so a file of other bytes or a cut one fails here.
            QSqlQuery query(db);
            if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
                damaged = isDamagedStoreError(query.lastError());
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QString::fromLatin1(kProbeConnection));
    return damaged;
}

QString damagedCopyPath(const QString& file)
{
    const QFileInfo info(file);
    const QString date = info.lastModified().date().toString(QStringLiteral("yyyy-MM-dd"));
    const QString base = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".damaged-") + date;
    QString path = base + QStringLiteral(".db");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = base + QStringLiteral("_%1.db").arg(n);
    return path;
}

bool replaceDamagedStore(const QString& file, const std::function<bool()>& makeFresh)
{
    if (!storeFileDamaged(file))
        return false;
    const QString copy = damagedCopyPath(file);
    if (!QFile::rename(file, copy)) {
        qWarning("%s is damaged and cannot be moved aside to %s; it stays in use", qPrintable(file), qPrintable(copy));
        return false;
    }
    for (const char* companion : kCompanions) {
        const QString from = file + QLatin1String(companion);
        // A companion that cannot follow must still not meet the fresh file.
        if (QFileInfo::exists(from) && !QFile::rename(from, copy + QLatin1String(companion)))
            QFile::remove(from);
    }
    const bool made = makeFresh();
    qWarning("%s is damaged: kept as %s, a new %s is started%s", qPrintable(file), qPrintable(copy), qPrintable(file),
             made ? "" : " (its tables could not be made yet)");
    return true;
}
