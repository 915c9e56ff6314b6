#include "records/dayarchive.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QThread>
#include <QVariant>

#include <algorithm>

QString freeArchivePath(const QDir& folder, const QString& day)
{
    const QString base = folder.absolutePath() + QLatin1Char('/') + day;
    QString path = base + QStringLiteral(".db");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = base + QStringLiteral("_%1.db").arg(n);
    return path;
}

namespace {

// A database's files besides the database itself.
const char* const kCompanions[] = {"-journal", "-wal"};

// Lets SQLite finish with `file` as it would at its next open: a write cut off by a crash or a
// power failure is rolled back from its journal (a write-ahead log is checkpointed into the
// file), so the file holds committed rows only. On a connection of its own, which may write.
void settleDatabase(const QString& file)
{
    const QString connection = QStringLiteral("archivesettle");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery query(db);
            // Reading the schema takes the lock under which SQLite rolls back a hot journal.
            if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
                qWarning("%s not recovered before archiving: %s", qPrintable(file), qPrintable(query.lastError().text()));
            query.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
}

}  // namespace

bool archiveDayFile(const QString& file, const QDir& folder, const QString& day)
{
    if (!QFile::exists(file))
        return true;
    if (!folder.exists())
        QDir().mkpath(folder.absolutePath());
    settleDatabase(file);
    const QString target = freeArchivePath(folder, day);
    qInfo("%s", qPrintable(target));
    if (!QFile::rename(file, target)) {
        qInfo("fail rename %s to %s", qPrintable(file), qPrintable(target));
        return false;
    }
    // A journal that is still there belongs to the archive; left behind, SQLite would play it
    // into the next day's new file.
    for (const char* suffix : kCompanions) {
        const QString companion = file + QLatin1String(suffix);
        if (QFile::exists(companion) && !QFile::rename(companion, target + QLatin1String(suffix))) {
            qWarning("cannot move %s beside its archive; removed", qPrintable(companion));
            QFile::remove(companion);
        }
    }
    qInfo("rename %s.db success", qPrintable(day));
    return true;
}

namespace {

struct Archive {
    QDate date;
    int n;  // 1 for "<date>.db", else the "_<n>" of a later file of the same date
    QString path;
};

// The archives of `folder` by date, the files of one date in the order they were closed.
QList<Archive> archivesIn(const QDir& folder)
{
    static const QRegularExpression name(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})(?:_(\\d+))?\\.db$"));
    QList<Archive> archives;
    const QStringList files = folder.entryList({QStringLiteral("*.db")}, QDir::Files);
    for (const QString& file : files) {
        const QRegularExpressionMatch m = name.match(file);
        if (!m.hasMatch())
            continue;
        const QDate date = QDate::fromString(m.captured(1), Qt::ISODate);
        if (!date.isValid())
            continue;
        const int n = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
        archives.append({date, n, folder.absoluteFilePath(file)});
    }
    std::sort(archives.begin(), archives.end(), [](const Archive& a, const Archive& b) {
        return a.date != b.date ? a.date < b.date : a.n < b.n;
    });
    return archives;
}

// Whether first..last (open ends invalid) meets from..to.
bool meets(const DayFileSpan& span, QDate from, QDate to)
{
    return (!span.first.isValid() || span.first <= to) && (!span.last.isValid() || span.last >= from);
}

// The date of a stored round start "yyyy-MM-dd hh:mm:ss.zzz"; invalid (an open end of a span)
// when it does not read.
QDate stampDate(const QVariant& stamp)
{
    return QDate::fromString(stamp.toString().left(10), Qt::ISODate);
}

}  // namespace

QString latestArchiveOf(const QDir& folder, const QString& day)
{
    const QDate date = QDate::fromString(day, Qt::ISODate);
    const QList<Archive> archives = archivesIn(folder);
    for (auto it = archives.rbegin(); it != archives.rend(); ++it)
        if (it->date == date)
            return it->path;
    return QString();
}

bool reopenDayFile(const QString& file, const QString& archive)
{
    if (QFile::exists(file) || !QFile::rename(archive, file)) {
        qWarning("cannot take %s back as %s", qPrintable(archive), qPrintable(file));
        return false;
    }
    for (const char* suffix : kCompanions) {
        const QString companion = archive + QLatin1String(suffix);
        if (QFile::exists(companion) && !QFile::rename(companion, file + QLatin1String(suffix)))
            qWarning("cannot move %s beside %s", qPrintable(companion), qPrintable(file));
    }
    qInfo("%s taken back as %s", qPrintable(archive), qPrintable(file));
    return true;
}

bool rowDateSpan(const QString& file, QDate* first, QDate* last)
{
    *first = QDate();
    *last = QDate();
    // One name per thread: the query thread and the GUI thread may both ask.
    const QString connection =
        QStringLiteral("dayspan-%1").arg(quintptr(QThread::currentThreadId()), 0, 16);
    bool hasRows = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            qWarning("dates of %s not read: %s", qPrintable(file), qPrintable(db.lastError().text()));
        } else {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("select min(roundstart), max(roundstart) from res_report")) && query.next()) {
                hasRows = !query.value(0).isNull();
                *first = stampDate(query.value(0));
                *last = stampDate(query.value(1));
            } else if (query.lastError().databaseText().contains(QStringLiteral("no such table"))) {
                hasRows = false;
            } else {
                qWarning("dates of %s not read: %s", qPrintable(file), qPrintable(query.lastError().text()));
            }
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return hasRows;
}

QList<DayFileSpan> dayFilesMeeting(const QDir& folder, const QString& current, QDate from, QDate to)
{
    const QList<Archive> archives = archivesIn(folder);
    QList<DayFileSpan> spans;
    for (int i = 0; i < archives.size(); ++i) {
        const DayFileSpan span{archives.at(i).path, archives.at(i).date,
                               i + 1 < archives.size() ? archives.at(i + 1).date : QDate()};
        if (meets(span, from, to))
            spans.append(span);
    }
    DayFileSpan open{current, QDate(), QDate()};
    if (QFile::exists(current) && rowDateSpan(current, &open.first, &open.last) && meets(open, from, to)) {
        // In date order among the archives: after a set-back its rows are older than theirs.
        auto after = std::find_if(spans.begin(), spans.end(), [&](const DayFileSpan& s) {
            return open.first.isValid() && s.first.isValid() && s.first > open.first;
        });
        spans.insert(after, open);
    }
    return spans;
}
