#include "records/resstatistics.h"

#include "core/atomicfile.h"
#include "core/globals.h"
#include "core/shellrunner.h"
#include "core/wallclock.h"
#include "records/damagedstore.h"
#include "records/dayarchive.h"
#include "records/temperaturechartdata.h"
#include "widgets/warnbox.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

namespace {

const char* const kStatisticsFile = "ResStatistics.db";
const char* const kConnection = "dbResStatistics";
const char* const kDayStartFile = "restime.txt";
const char* const kArchiveFolder = "./ResStatistics";
// The production day starts at 08:00 local time.
constexpr int kDayStartHour = 8;
// Text 544: the statistics file cannot be opened.
constexpr int kFileErrorText = 544;

const char* const kReportTable =
    "CREATE TABLE IF NOT EXISTS res_report(idx                INTEGER PRIMARY KEY,"
    "roundstart         VARCHAR(32) NOT NULL,detectstart        VARCHAR(32) NOT NULL,"
    "idx_camera         INT NOT NULL,idx_detect         INT NOT NULL,roi_detail         TEXT NOT NULL,"
    "roi_result         TEXT NOT NULL,result             tinyint NOT NULL,description        TEXT,"
    "left_out           TEXT NOT NULL DEFAULT '')";
// Files made before the column existed get it at the end, where no reader by position looks;
// their rows read as counted.
const char* const kLeftOutColumn = "ALTER TABLE res_report ADD COLUMN left_out TEXT NOT NULL DEFAULT ''";
const char* const kStatisticsTable =
    "CREATE TABLE IF NOT EXISTS resstatistics(name VARCHAR(32) NOT NULL, value1 TEXT, value2 TEXT)";

// The 24 counts as stored: each count followed by one blank.
QString countsText(const std::array<int, 24>& counts)
{
    QString text;
    for (int v : counts)
        text += QStringLiteral("%1 ").arg(v);
    return text;
}

// Blank-separated integers into the first slots of `counts`; the others stay as they are.
void parseCounts(const QString& text, std::array<int, 24>& counts)
{
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 0; i < words.size() && i < int(counts.size()); ++i)
        counts[i] = words.at(i).toInt();
}

}  // namespace

ResStatistics::ResStatistics()
{
    // A file SQLite cannot read would otherwise drop every count and result row of the run.
    replaceDamagedFile();
    // The result store opens ResStatistics.db at start-up before this store exists, and opening
    // creates an empty file; so the per-cycle table is made whenever it is missing, not only when
    // the file is.
    createReportTable();

    const QString connection = QString::fromLatin1(kConnection);
    db = QSqlDatabase::contains(connection) ? QSqlDatabase::database(connection, false)
                                            : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(QString::fromLatin1(kStatisticsFile));
    db.open();
    if (!db.isOpen()) {
        qCritical("cannot open %s: %s", kStatisticsFile, qPrintable(db.lastError().text()));
        Warnbox box;
        box.setText(tableText(kFileErrorText));
        box.exec();
        ShellRunner::run(QStringLiteral("reboot"), {});
    } else {
        createStatisticsRows(db);
        query = QSqlQuery(db);
        loadDay();
        query.finish();
        db.close();
    }
    loadDayStart();
}

ResStatistics::~ResStatistics()
{
    query = QSqlQuery();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QString::fromLatin1(kConnection));
}

QString ResStatistics::rowKey(int camera, int detect)
{
    return QStringLiteral("C%1_D%2").arg(camera).arg(detect);
}

bool ResStatistics::createReportTable()
{
    const QString connection = QStringLiteral("createResDB");
    bool created = false;
    {
        QSqlDatabase createDb = QSqlDatabase::contains(connection)
                                    ? QSqlDatabase::database(connection, false)
                                    : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        createDb.setDatabaseName(QString::fromLatin1(kStatisticsFile));
        if (createDb.open()) {
            QSqlQuery create(createDb);
            created = create.exec(QString::fromLatin1(kReportTable));
            if (created && !createDb.record(QStringLiteral("res_report")).contains(QStringLiteral("left_out")))
                created = create.exec(QString::fromLatin1(kLeftOutColumn));
            create.finish();
            createDb.close();
        }
    }
    return created;
}

bool ResStatistics::replaceDamagedFile()
{
    const QString connection = QString::fromLatin1(kConnection);
    if (QSqlDatabase::contains(connection))
        QSqlDatabase::database(connection, false).close();
    return replaceDamagedStore(QString::fromLatin1(kStatisticsFile), []() {
        if (!createReportTable())
            return false;
        const QString fresh = QStringLiteral("createResRows");
        bool made = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), fresh);
            db.setDatabaseName(QString::fromLatin1(kStatisticsFile));
            made = db.open() && createStatisticsRows(db);
            db.close();
        }
        QSqlDatabase::removeDatabase(fresh);
        return made;
    });
}

bool ResStatistics::createStatisticsRows(QSqlDatabase& db)
{
    QSqlQuery create(db);
    if (!create.exec(QString::fromLatin1(kStatisticsTable))) {
        qWarning("cannot create table resstatistics: %s", qPrintable(create.lastError().text()));
        return false;
    }
    // Rows already there keep their counts.
    const QString zeros = countsText(std::array<int, 24>{});
    db.transaction();
    create.prepare(QStringLiteral("INSERT INTO resstatistics(name, value1, value2) SELECT ?, ?, ? "
                                  "WHERE NOT EXISTS (SELECT 1 FROM resstatistics WHERE name = ?)"));
    for (int c = 0; c < kCells; ++c) {
        for (int d = 0; d < kCells; ++d) {
            create.addBindValue(rowKey(c, d));
            create.addBindValue(zeros);
            create.addBindValue(zeros);
            create.addBindValue(rowKey(c, d));
            create.exec();
        }
    }
    create.finish();
    return db.commit();
}

void ResStatistics::loadDay()
{
    for (auto& row : counters)
        for (HourCounters& cell : row)
            cell = HourCounters();

    auto readCell = [this](int camera, int detect) {
        query.prepare(QStringLiteral("select value1 ,value2 from resstatistics where name=?"));
        query.addBindValue(rowKey(camera, detect));
        if (query.exec() && query.next()) {
            parseCounts(query.value(0).toString(), counters[camera][detect].ok);
            parseCounts(query.value(1).toString(), counters[camera][detect].ng);
        }
    };
    for (int c = 0; c < cameraCount; ++c) {
        for (int d = 0; d < detectsPerCamera; ++d)
            readCell(c, d);
        readCell(c, kAll);
    }
    for (int d = 0; d < detectsPerCamera; ++d)
        readCell(kAll, d);
    readCell(kAll, kAll);
}

void ResStatistics::loadDayStart()
{
    QFile file(QString::fromLatin1(kDayStartFile));
    if (file.open(QIODevice::ReadOnly)) {
        bool ok = false;
        const uint value = file.readAll().trimmed().toUInt(&ok);
        if (ok) {
            dayStart = value;
            return;
        }
        // An empty or damaged file is treated as missing rather than as 1970.
        qWarning("%s holds no day start; starting a new one", kDayStartFile);
    }
    QDateTime start = WallClock::now();
    if (start.time().hour() < kDayStartHour)
        start = start.addDays(-1);
    start.setTime(QTime(kDayStartHour, 0));
    dayStart = quint32(start.toSecsSinceEpoch());
    writeDayStart();
}

void ResStatistics::writeDayStart()
{
    replaceFileContent(QString::fromLatin1(kDayStartFile), QByteArray::number(dayStart));
}

void ResStatistics::checkDay()
{
    const QDateTime now = WallClock::now();
    const QDate startDate = QDateTime::fromSecsSinceEpoch(dayStart).date();
    if (startDate == now.date())
        return;
    // Until the closed day is in the archive the day stays open, so that its rows are never
    // filed under a later date; the next check tries again.
    if (!rotateDb(startDate, now.date()))
        return;
    dayStart = quint32(QDateTime(now.date(), QTime(kDayStartHour, 0)).toSecsSinceEpoch());
    writeDayStart();
}

bool ResStatistics::rotateDb(QDate closed, QDate today)
{
    const QString closedDay = closed.toString(QStringLiteral("yyyy-MM-dd"));
    // The result rows still queued belong to the closing day; while they cannot be written the
    // day stays open, as when the file cannot be moved.
    TemperatureChartData* results = TemperatureChartData::instance();
    if (!results->writeQueue()) {
        qWarning("result rows of %s not yet written; the day stays open", qPrintable(closedDay));
        return false;
    }
    // Whatever an earlier save could not write belongs to the closing day.
    save();
    query.finish();
    db.close();
    const QDir archive(QString::fromLatin1(kArchiveFolder));
    if (!archiveDayFile(QString::fromLatin1(kStatisticsFile), archive, closedDay))
        return false;

    // A date that was closed before (the clock set back to it, or back from a run with the clock
    // ahead) goes on in its own file, so that today's figures keep what was counted on it.
    const QString earlier = latestArchiveOf(archive, today.toString(QStringLiteral("yyyy-MM-dd")));
    const bool reopened = !earlier.isEmpty() && reopenDayFile(QString::fromLatin1(kStatisticsFile), earlier);
    createReportTable();
    // The day in memory starts from the file's counts: zero in a fresh file.
    for (auto& row : counters)
        for (HourCounters& cell : row)
            cell = HourCounters();
    if (openDb()) {
        createStatisticsRows(db);
        if (reopened)
            loadDay();
        query.finish();
        db.close();
    }
    results->clearTodayRounds();
    results->clearTodaySeries();
    // A day's rows take seconds to read: they come back on the pool, after a start-up read that
    // may still run, while the cycle goes on.
    if (reopened)
        results->reloadToday(today, QString::fromLatin1(kStatisticsFile));
    return true;
}

bool ResStatistics::addResult(int hour, bool isOk, int camera, int detect)
{
    checkDay();
    if (hour < 0 || hour >= kHours || camera < 0 || camera >= kCells || detect < 0 || detect >= kCells)
        return true;
    HourCounters& cell = counters[camera][detect];
    ++(isOk ? cell.ok : cell.ng)[hour];
    save();
    return true;
}

bool ResStatistics::openDb()
{
    if (db.isOpen())
        return true;
    if (!db.open()) {
        qWarning("cannot open %s: %s", kStatisticsFile, qPrintable(db.lastError().text()));
        return false;
    }
    query = QSqlQuery(db);
    return true;
}

void ResStatistics::save()
{
    if (!openDb())
        return;
    QSqlError error = writeRows();
    if (isDamagedStoreError(error)) {
        query.finish();
        db.rollback();
        // The counts in memory go on in the new file.
        if (replaceDamagedFile() && openDb())
            error = writeRows();
    }
    if (error.isValid())
        qWarning("cannot save the hourly statistics: %s", qPrintable(error.text()));
}

QSqlError ResStatistics::writeRows()
{
    QSqlError error;
    auto update = [&](int camera, int detect) {
        if (!updateRow(camera, detect) && !error.isValid())
            error = query.lastError();
    };
    // One transaction: a count is on the disk whole or not at all, and costs one sync.
    db.transaction();
    for (int c = 0; c < cameraCount; ++c) {
        for (int d = 0; d < detectsPerCamera; ++d)
            update(c, d);
        update(c, kAll);
    }
    for (int d = 0; d < detectsPerCamera; ++d)
        update(kAll, d);
    update(kAll, kAll);
    if (!db.commit() && !error.isValid())
        error = db.lastError();
    return error;
}

bool ResStatistics::updateRow(int camera, int detect)
{
    if (!query.prepare(QStringLiteral("update resstatistics set value1 = ?, value2 = ? where name = ?")))
        return false;
    query.addBindValue(countsText(counters[camera][detect].ok));
    query.addBindValue(countsText(counters[camera][detect].ng));
    query.addBindValue(rowKey(camera, detect));
    return query.exec();
}
