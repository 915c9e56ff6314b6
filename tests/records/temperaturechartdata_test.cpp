// The per-cycle result store on real files: rows read back with the sqlite3 command, a second
// connection holding the file's lock, the start-up read on the pool, and the day by the wall
// clock.
#include "records/temperaturechartdata.h"

#include "core/globals.h"
#include "core/wallclock.h"
#include "records/datathread.h"
#include "records/resstatistics.h"
#include "tests/core/paramtestdb.h"
#include "tests/support/eventwait.h"

#include <QDate>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QThreadPool>
#include <QTime>
#include <QVariant>

#include <gtest/gtest.h>

#include <memory>

namespace {

const char* const kCreate =
    "CREATE TABLE IF NOT EXISTS res_report(idx                INTEGER PRIMARY KEY,roundstart         VARCHAR(32) NOT "
    "NULL,detectstart        VARCHAR(32) NOT NULL,idx_camera         INT NOT NULL,idx_detect         INT NOT "
    "NULL,roi_detail         TEXT NOT NULL,roi_result         TEXT NOT NULL,result             tinyint NOT "
    "NULL,description        TEXT)";

struct Row {
    QDateTime roundStart;
    QDateTime detectStart;
    int camera;
    int detect;
    const char* detail;
    const char* result;
};

QString stamp(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

// Writes rows into ResStatistics.db of the working directory through a connection of its own.
void writeRows(const QList<Row>& rows)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(QStringLiteral("ResStatistics.db"));
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(QString::fromLatin1(kCreate)));
        for (const Row& r : rows) {
            query.prepare(QStringLiteral("INSERT INTO res_report (roundstart, detectstart, idx_camera, idx_detect, "
                                         "roi_detail, roi_result, result, description) values (?, ?, ?, ?, ?, ?, 1, '')"));
            query.addBindValue(stamp(r.roundStart));
            query.addBindValue(stamp(r.detectStart));
            query.addBindValue(r.camera);
            query.addBindValue(r.detect);
            query.addBindValue(QString::fromLatin1(r.detail));
            query.addBindValue(QString::fromLatin1(r.result));
            ASSERT_TRUE(query.exec());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
}

QDateTime today(int h, int m, int s, int ms = 0)
{
    return QDateTime(QDate::currentDate(), QTime(h, m, s, ms));
}

const QString kFile = QStringLiteral("ResStatistics.db");

// The res_report rows of `file` as the sqlite3 command lists them, columns 1..8 joined by '|',
// one line per row in row order.
QStringList fileRows(const QString& file = kFile)
{
    const QString out = sqliteValue(file, QStringLiteral("select roundstart, detectstart, idx_camera, idx_detect, "
                                                         "roi_detail, roi_result, result, description "
                                                         "from res_report order by idx"));
    return out.isEmpty() ? QStringList() : out.split(QLatin1Char('\n'));
}

// The description column of every row, in row order.
QStringList descriptions(const QString& file = kFile)
{
    QStringList out;
    for (const QString& row : fileRows(file))
        out << row.section(QLatin1Char('|'), 7);
    return out;
}

// Description and left_out of every row, "description|left_out", in row order; either column
// holding NULL shows as "NULL".
QStringList marks(const QString& file = kFile)
{
    const QString out = sqliteValue(file, QStringLiteral("select ifnull(description, 'NULL') || '|' || "
                                                         "ifnull(left_out, 'NULL') from res_report order by idx"));
    return out.isEmpty() ? QStringList() : out.split(QLatin1Char('\n'));
}

// A round of camera `camera` with one defect and one temperature region.
RoundRecord roundOf(const QDateTime& start, int camera, int temperature = 36)
{
    RoundRecord r;
    r.camera = camera;
    r.detect = 1;
    r.roundStart = start;
    r.detectStart = start.addMSecs(300);
    r.result = 1;
    r.roiDetail = {{0, 12, 25, 100, 3}, {9, temperature, 20, 60, 3}};
    r.roiResult = {1, 1};
    return r;
}

// One round handed over as the detection engine does.
void handOver(TemperatureChartData& store, const RoundRecord& r)
{
    store.setRoundInfo(r);
    store.addRoundToSeries();
    store.insertRound();
}

// Lets the zero-delay write and the start-up task's queued write run.
void runPendingEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// A store started on today's (possibly empty) file, its start-up read done.
class LoadedStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeRows({});
        // As the program does at start-up: the table in its present form.
        ASSERT_TRUE(ResStatistics::createReportTable());
        store = std::make_unique<TemperatureChartData>();
        store->init();
        QThreadPool::globalInstance()->waitForDone();
        runPendingEvents();
        ASSERT_EQ(store->loaded, 1);
    }
    void TearDown() override
    {
        store.reset();
        WallClock::setForTests(nullptr);
    }

    std::unique_ptr<TemperatureChartData> store;
};

}  // namespace

TEST(TemperatureChartData, NewStoreQueriesEverythingAndMarksTheFirstRowRegular)
{
    TemperatureChartData store;
    EXPECT_EQ(store.filter.camera, -1);
    EXPECT_EQ(store.filter.detect, -1);
    EXPECT_EQ(store.filter.region, -1);
    EXPECT_EQ(store.markNext, 1);
    EXPECT_EQ(store.intervalMinutes, 30);
    EXPECT_FALSE(store.recordTimer.isActive());
    EXPECT_EQ(store.loaded, 0);
}

TEST(TemperatureChartData, InitReadsBackTheRowsOfTheWallClocksDay)
{
    // The day is the wall clock's, not the system's: a test can stand anywhere in time.
    const QDate day(2024, 5, 1);
    auto at = [&day](int h, int m, int s, int ms = 0) { return QDateTime(day, QTime(h, m, s, ms)); };
    WallClock::setForTests([&at]() { return at(12, 0, 0); });
    writeRows({
        // Two regions, the second a temperature region: its point takes the detect start.
        {at(8, 0, 0, 250), at(8, 0, 1, 500), 0, 1, "[[0,12,25,100,3],[9,36,20,60,3]]", "[1,0]"},
        // Temperature region at region position 12 keeps its two-digit position.
        {at(9, 30, 0), at(9, 30, 2), 2, 3, "[[],[],[],[],[],[],[],[],[],[],[],[],[9,-5,20,60,3]]", "[1,1,1,1,1,1,1,1,1,1,1,1,0]"},
        // A broken JSON text reads as empty.
        {at(9, 40, 0), at(9, 40, 0), 1, 0, "not json", "[1"},
        {at(23, 59, 59, 999).addDays(-1), at(10, 0, 0), 0, 0, "[[9,40,0,0,0]]", "[1]"},
        // The whole last second of the day is today's.
        {at(23, 59, 59, 500), at(23, 59, 59, 700), 0, 0, "[[9,41,0,0,0]]", "[0]"},
        {at(0, 0, 0).addDays(1), at(0, 0, 0).addDays(1), 0, 0, "[[9,42,0,0,0]]", "[1]"},
    });

    TemperatureChartData store;
    store.init();
    QThreadPool::globalInstance()->waitForDone();
    WallClock::setForTests(nullptr);

    EXPECT_EQ(store.loaded, 1);
    EXPECT_EQ(store.filter.from, at(0, 0, 0));
    EXPECT_EQ(store.filter.to, at(23, 59, 59, 999));
    EXPECT_EQ(store.todaySeries.keys(), (QStringList{"C:0_D:0_F:0", "C:0_D:1_F:1", "C:2_D:3_F:12"}));
    EXPECT_EQ(store.todaySeries.value("C:0_D:1_F:1"),
              (TemperatureChartData::Series{QPointF(at(8, 0, 1).toSecsSinceEpoch(), 36)}));
    EXPECT_EQ(store.todaySeries.value("C:2_D:3_F:12"),
              (TemperatureChartData::Series{QPointF(at(9, 30, 2).toSecsSinceEpoch(), -5)}));
    EXPECT_EQ(store.todaySeries.value("C:0_D:0_F:0"),
              (TemperatureChartData::Series{QPointF(at(23, 59, 59).toSecsSinceEpoch(), 41)}));

    EXPECT_EQ(store.todayRounds.size(), 2 + 13 + 1);
    const QString first = stamp(at(8, 0, 0, 250));
    EXPECT_EQ(store.todayRounds.value(TemperatureChartData::roundKey(first, 0, 1, 0)).result, 1);
    EXPECT_EQ(store.todayRounds.value(TemperatureChartData::roundKey(first, 0, 1, 1)).result, 0);
    EXPECT_EQ(store.todayRounds.value(TemperatureChartData::roundKey(first, 0, 1, 1)).roundStart, at(8, 0, 0, 250));
    EXPECT_TRUE(store.todayRounds.contains("T:" + stamp(at(9, 30, 0)) + "_C:2_D:3_F:12"));
    EXPECT_EQ(store.todayRounds.value("T:" + stamp(at(23, 59, 59, 500)) + "_C:0_D:0_F:0").result, 0);
    // The read's connection went with its thread.
    EXPECT_FALSE(QSqlDatabase::contains(QStringLiteral("ResLoadDB")));
}

TEST(TemperatureChartData, MissingTableLeavesTodayEmptyButLoaded)
{
    TemperatureChartData store;
    store.init();
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(store.loaded, 1);
    EXPECT_TRUE(store.todaySeries.isEmpty());
    EXPECT_TRUE(store.todayRounds.isEmpty());
}

TEST(TemperatureChartData, RecordIntervalDrivesTheRegularMark)
{
    TemperatureChartData store;
    store.init();
    QThreadPool::globalInstance()->waitForDone();

    store.setRecordInterval(30);
    EXPECT_TRUE(store.recordTimer.isActive());
    EXPECT_FALSE(store.recordTimer.isSingleShot());
    EXPECT_EQ(store.recordTimer.interval(), 30 * 60000);

    store.markNext = 0;
    store.setRecordInterval(0);
    // No zero-interval timer spinning in the GUI thread; every row stays a regular record.
    EXPECT_FALSE(store.recordTimer.isActive());
    EXPECT_EQ(store.markNext, 1);
    EXPECT_EQ(store.intervalMinutes, 0);

    // A timeout of the running timer marks the next row (shortened here from a minute).
    store.setRecordInterval(1);
    store.recordTimer.start(5);
    store.markNext = 0;
    // The timer fires from the event loop.
    EXPECT_TRUE(waitUntil([&store] { return store.markNext == 1; }, kPatientWaitMs));
}

TEST(TemperatureChartData, RoundsWaitUntilTodayIsLoadedAndTheFirstBatchIsRegular)
{
    writeRows({});
    TemperatureChartData store;
    store.curveRunning = true;  // the chart is open
    RoundRecord round;
    round.camera = 1;
    round.detect = 3;
    round.roundStart = today(7, 0, 0, 5);
    round.detectStart = today(7, 0, 1, 20);
    round.result = 0;
    round.roiDetail = {{0, 12, 25, 100, 3}, {}, {9, 36, 20, 60, 3}};
    round.roiResult = {1, 0, 1};
    store.setRoundInfo(round);
    store.addRoundToSeries();
    store.insertRound();  // today is not loaded yet: queued
    EXPECT_EQ(store.insertQueue.size(), 1);

    // A repeated inspection in the same round: the NG outcome stays, the point is added.
    round.result = 1;
    round.detectStart = today(7, 0, 2);
    store.setRoundInfo(round);
    store.addRoundToSeries();
    EXPECT_EQ(store.todayRounds.value(TemperatureChartData::roundKey(stamp(today(7, 0, 0, 5)), 1, 3, 1)).result, 0);
    EXPECT_EQ(store.todaySeries.value("C:1_D:3_F:2").size(), 2);
    EXPECT_EQ(store.newPoints.value("C:1_D:3_F:2").size(), 2);
    EXPECT_FALSE(store.todaySeries.contains("C:1_D:3_F:0"));

    store.init();
    QThreadPool::globalInstance()->waitForDone();
    store.insertRound();  // queued while the mark stood: a regular record too
    EXPECT_EQ(store.markNext, 0);
    store.insertRound();  // no longer a regular record
    EXPECT_EQ(fileRows().size(), 0) << "written once the running event has ended";
    runPendingEvents();
    EXPECT_TRUE(store.insertQueue.isEmpty());

    const QString start = stamp(today(7, 0, 0, 5));
    const QString detail = QStringLiteral("[[0,12,25,100,3],[],[9,36,20,60,3]]");
    EXPECT_EQ(fileRows(), (QStringList{
                              start + "|" + stamp(today(7, 0, 1, 20)) + "|1|3|" + detail + "|[1,0,1]|0|Regular recording",
                              start + "|" + stamp(today(7, 0, 2)) + "|1|3|" + detail + "|[1,0,1]|1|Regular recording",
                              start + "|" + stamp(today(7, 0, 2)) + "|1|3|" + detail + "|[1,0,1]|1|",
                          }));
}

TEST(TemperatureChartData, ChartShowsTheSeriesOfItsSource)
{
    TemperatureChartData store;
    store.todaySeries[QStringLiteral("C:0_D:1_F:0")] = {QPointF(1, 36)};
    store.rangeSeries[QStringLiteral("C:1_D:1_F:2")] = {QPointF(2, 40)};
    const struct {
        int source;
        QStringList keys;
    } cases[] = {
        {0, {QStringLiteral("C:0_D:1_F:0")}},
        {1, {}},  // the live curve is paused
        {2, {QStringLiteral("C:1_D:1_F:2")}},
    };
    for (const auto& c : cases) {
        store.chartSource = c.source;
        EXPECT_EQ(store.getSeries().keys(), c.keys) << "source " << c.source;
    }

    // While the live curve does not run no new points are kept: it rebuilds from today's series.
    store.setRoundInfo(roundOf(today(8, 0, 0), 0));
    store.addRoundToSeries();
    EXPECT_TRUE(store.newPoints.isEmpty());
    EXPECT_EQ(store.todaySeries.value(QStringLiteral("C:0_D:1_F:1")).size(), 1);

    // The live curve takes its points; today's series keep them.
    store.curveRunning = true;
    store.setRoundInfo(roundOf(today(9, 0, 0), 0));
    store.addRoundToSeries();
    ASSERT_EQ(store.newPoints.size(), 1);
    store.clearNewPoints();
    EXPECT_TRUE(store.newPoints.isEmpty());
    EXPECT_EQ(store.todaySeries.value(QStringLiteral("C:0_D:1_F:1")).size(), 2);
}

TEST_F(LoadedStore, RowsOfARoundAreWrittenTogetherWhenTheRunningEventHasEnded)
{
    // Two cameras inspected in one round, then the next round half an interval later.
    const struct {
        int interval;
        QStringList marks;
    } cases[] = {
        {30, {"Regular recording", "", "", ""}},
        // No timer: every row is a regular record.
        {0, {"Regular recording", "Regular recording", "Regular recording", "Regular recording"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.interval);
        QFile::remove(kFile);
        writeRows({});
        store->markNext = 1;
        store->setRecordInterval(c.interval);
        handOver(*store, roundOf(today(9, 0, 0), 0));
        handOver(*store, roundOf(today(9, 0, 0), 1));
        // Still in the event that inspected the round: nothing has touched the file.
        EXPECT_EQ(store->insertQueue.size(), 2);
        EXPECT_TRUE(fileRows().isEmpty());
        runPendingEvents();
        EXPECT_TRUE(store->insertQueue.isEmpty());
        EXPECT_EQ(fileRows().size(), 2);
        handOver(*store, roundOf(today(9, 0, 5), 0));
        handOver(*store, roundOf(today(9, 0, 5), 1));
        runPendingEvents();
        EXPECT_EQ(descriptions(), c.marks);
    }
    store->setRecordInterval(30);
    store->markNextRound();
    handOver(*store, roundOf(today(9, 30, 0), 0));
    handOver(*store, roundOf(today(9, 30, 0), 1));
    runPendingEvents();
    EXPECT_EQ(descriptions().mid(4), (QStringList{"Regular recording", ""})) << "the first row after the interval";
}

TEST(TemperatureChartData, RowsOfRoundsDuringTheStartUpReadAreWrittenOnceInOrder)
{
    writeRows({{today(6, 0, 0), today(6, 0, 1), 0, 1, "[[0,1,2,3,4],[9,30,20,60,3]]", "[1,1]"}});
    // Another connection holds the file: the start-up read waits behind it.
    auto holder = std::make_unique<TestDb>(kFile, QStringLiteral("holder"));
    holder->exec(QStringLiteral("BEGIN EXCLUSIVE"));

    TemperatureChartData store;
    store.init();
    for (int i = 0; i < 3; ++i)
        handOver(store, roundOf(today(7, 0, i), i, 40 + i));
    runPendingEvents();
    EXPECT_EQ(store.loaded, 0) << "the read is still waiting";
    EXPECT_EQ(store.insertQueue.size(), 3);

    holder->exec(QStringLiteral("COMMIT"));
    holder.reset();
    ASSERT_TRUE(waitUntil([&] { return store.loaded == 1 && store.insertQueue.isEmpty(); }, kPatientWaitMs));

    const QStringList rows = fileRows();
    ASSERT_EQ(rows.size(), 4);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(rows.at(i + 1).startsWith(stamp(today(7, 0, i)) + "|")) << rows.at(i + 1).toStdString();
    EXPECT_EQ(descriptions(), (QStringList{"", "Regular recording", "Regular recording", "Regular recording"}));
    // The file's row read back, the live ones entered once each.
    EXPECT_EQ(store.todaySeries.value(QStringLiteral("C:0_D:1_F:1")).size(), 2);
    EXPECT_EQ(store.todaySeries.value(QStringLiteral("C:1_D:1_F:1")).size(), 1);
    EXPECT_EQ(store.todaySeries.value(QStringLiteral("C:2_D:1_F:1")).size(), 1);
}

TEST_F(LoadedStore, WriteLockOfAnotherConnectionDelaysRowsWithoutLosingThem)
{
    auto holder = std::make_unique<TestDb>(kFile, QStringLiteral("holder"));
    holder->exec(QStringLiteral("BEGIN IMMEDIATE"));
    holder->exec(QStringLiteral("INSERT INTO res_report (roundstart, detectstart, idx_camera, idx_detect, roi_detail, "
                                "roi_result, result, description) values ('other', 'other', 0, 0, '[]', '[]', 1, '')"));

    handOver(*store, roundOf(today(9, 0, 0), 0));
    handOver(*store, roundOf(today(9, 0, 0), 1));
    EXPECT_FALSE(store->writeQueue());
    EXPECT_EQ(store->insertQueue.size(), 2);
    // The write gives up after the store's busy timeout, not Qt's 5 s: it holds the GUI thread
    // that long at most.
    {
        ASSERT_TRUE(store->insertDb.open());
        QSqlQuery pragma(store->insertDb);
        ASSERT_TRUE(pragma.exec(QStringLiteral("PRAGMA busy_timeout")) && pragma.next());
        EXPECT_EQ(pragma.value(0).toInt(), TemperatureChartData::kBusyTimeoutMs);
    }
    store->insertDb.close();

    holder->exec(QStringLiteral("COMMIT"));
    holder.reset();
    handOver(*store, roundOf(today(9, 0, 5), 0));
    runPendingEvents();
    EXPECT_TRUE(store->insertQueue.isEmpty());
    const QStringList rows = fileRows();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_TRUE(rows.at(0).startsWith("other|"));
    EXPECT_TRUE(rows.at(1).startsWith(stamp(today(9, 0, 0)) + "|" + stamp(today(9, 0, 0, 300)) + "|0|"));
    EXPECT_TRUE(rows.at(2).startsWith(stamp(today(9, 0, 0)) + "|" + stamp(today(9, 0, 0, 300)) + "|1|"));
    EXPECT_TRUE(rows.at(3).startsWith(stamp(today(9, 0, 5)) + "|"));
    EXPECT_EQ(descriptions(), (QStringList{"", "Regular recording", "", ""}));
}

TEST(TemperatureChartData, FileThatCannotBeOpenedAtStartUpLetsRowsThroughOnceItCan)
{
    // A folder where the file should be: neither the read nor a write can open it.
    ASSERT_TRUE(QDir().mkdir(kFile));
    TemperatureChartData store;
    store.init();
    QThreadPool::globalInstance()->waitForDone();
    runPendingEvents();
    EXPECT_EQ(store.loaded, 1) << "rounds are not held back for the rest of the run";
    // The regular-record timer runs all the same (shortened here from a minute).
    store.setRecordInterval(1);
    store.recordTimer.start(5);

    handOver(store, roundOf(today(9, 0, 0), 0));
    EXPECT_FALSE(store.writeQueue());
    EXPECT_EQ(store.insertQueue.size(), 1);

    ASSERT_TRUE(QDir().rmdir(kFile));
    ASSERT_TRUE(waitUntil([&] { return store.markNext == 1; }, kPatientWaitMs));
    handOver(store, roundOf(today(9, 0, 5), 1));
    runPendingEvents();
    // A fresh file without res_report: the table is made and the batch written.
    EXPECT_TRUE(store.insertQueue.isEmpty());
    const QStringList rows = fileRows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows.at(0).startsWith(stamp(today(9, 0, 0)) + "|"));
    EXPECT_TRUE(rows.at(1).startsWith(stamp(today(9, 0, 5)) + "|"));
    EXPECT_EQ(descriptions(), (QStringList{"Regular recording", "Regular recording"}));
}

TEST_F(LoadedStore, RowTheFileRefusesIsDroppedAndTheOthersAreWritten)
{
    {
        TestDb db(kFile);
        db.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON res_report WHEN NEW.idx_camera = 7 "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    }
    handOver(*store, roundOf(today(9, 0, 0), 0));
    handOver(*store, roundOf(today(9, 0, 0), 7));
    handOver(*store, roundOf(today(9, 0, 0), 1));
    EXPECT_TRUE(store->writeQueue());
    const QStringList rows = fileRows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows.at(0).section(QLatin1Char('|'), 2, 2), QStringLiteral("0"));
    EXPECT_EQ(rows.at(1).section(QLatin1Char('|'), 2, 2), QStringLiteral("1"));
}

TEST(TemperatureChartData, FullQueueKeepsTheNewestRows)
{
    TemperatureChartData store;  // never loaded: every round queues
    const QDateTime start = today(0, 0, 0);
    RoundRecord r = roundOf(start, 0);
    for (int i = 0; i <= TemperatureChartData::kQueueLimit; ++i) {
        r.roundStart = start.addMSecs(i);
        store.setRoundInfo(r);
        store.insertRound();
    }
    ASSERT_EQ(store.insertQueue.size(), TemperatureChartData::kQueueLimit);
    EXPECT_EQ(store.insertQueue.first().roundStart, start.addMSecs(1));
    EXPECT_EQ(store.insertQueue.last().roundStart, start.addMSecs(TemperatureChartData::kQueueLimit));
}

TEST(TemperatureChartData, RowsOfARoundBeforeMidnightLandInTheClosedDaysFile)
{
    cameraCount = 1;
    detectsPerCamera = 2;
    QDateTime now(QDate(2024, 5, 1), QTime(23, 59, 59, 500));
    WallClock::setForTests([&now]() { return now; });
    auto statistics = std::make_unique<ResStatistics>();
    TemperatureChartData* store = TemperatureChartData::instance();
    store->insertQueue.clear();
    store->init();
    QThreadPool::globalInstance()->waitForDone();
    runPendingEvents();

    // The round was stamped before midnight; its evaluation counts it after midnight, which
    // closes the day while the round's rows are still queued.
    handOver(*store, roundOf(now, 0));
    now = QDateTime(QDate(2024, 5, 2), QTime(0, 0, 0, 200));
    statistics->addResult(0, true, 0, 1);
    runPendingEvents();

    const QString closed = QStringLiteral("ResStatistics/2024-05-01.db");
    ASSERT_TRUE(QFile::exists(closed));
    ASSERT_EQ(fileRows(closed).size(), 1);
    EXPECT_TRUE(fileRows(closed).at(0).startsWith(QStringLiteral("2024-05-01 23:59:59.500|")));
    EXPECT_TRUE(fileRows().isEmpty());

    statistics.reset();
    WallClock::setForTests(nullptr);
    cameraCount = 0;
}

TEST_F(LoadedStore, InspectionsTheCountersLeaveOutAreMarkedAndLeftOutOfEveryCount)
{
    // Two inspections of camera 0 in one round, each settled as the main window's counters
    // took it: the round's verdict live, after a restart and in a search of the day. The file
    // starts as one made before the left_out column. The description column keeps its two
    // values; the mark of a left-out inspection is in left_out ("description|left_out" below).
    using C = CheckCount;
    const struct {
        const char* what;
        int interval;
        bool firstOk;
        C first;
        bool secondOk;
        C second;
        bool roundNg;
        QStringList marks;
    } cases[] = {
        {"NG, then an OK re-check", 30, false, C::ReChecked, true, C::Counted, false,
         {"|Re-checked", "Regular recording|"}},
        {"NG alarm, then its clearing re-check", 30, false, C::Counted, true, C::AlarmClearing, true,
         {"Regular recording|", "|Alarm clearing"}},
        {"manual capture NG, then the cycle's OK check", 30, false, C::Manual, true, C::Counted, false,
         {"|Manual capture", "Regular recording|"}},
        {"two counted checks, the later NG", 30, true, C::Counted, false, C::Counted, true, {"Regular recording|", "|"}},
        {"NG re-checked twice, the last NG raising the alarm", 30, false, C::ReChecked, false, C::Counted, true,
         {"|Re-checked", "Regular recording|"}},
        // Every row a regular record: left-out rows too, so that the export selects them all.
        {"interval 0: NG, then an OK re-check", 0, false, C::ReChecked, true, C::Counted, false,
         {"Regular recording|Re-checked", "Regular recording|"}},
        {"interval 0: manual capture NG, then the cycle's OK check", 0, false, C::Manual, true, C::Counted, false,
         {"Regular recording|Manual capture", "Regular recording|"}},
    };
    const QDateTime start = today(9, 0, 0);
    QueryFilter f;
    f.from = today(0, 0, 0);
    f.to = today(23, 59, 59, 999);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(kFile);
        writeRows({});
        store->clearTodayRounds();
        store->markNext = 1;
        store->setRecordInterval(c.interval);
        RoundRecord first = roundOf(start, 0);
        first.manual = c.first == C::Manual;
        first.roiResult = {1, c.firstOk ? 1 : 0};
        first.result = c.firstOk ? 1 : 0;
        handOver(*store, first);
        store->settleCheck(c.first);
        RoundRecord second = roundOf(start, 0);
        second.detectStart = start.addSecs(2);
        second.roiResult = {1, c.secondOk ? 1 : 0};
        second.result = c.secondOk ? 1 : 0;
        handOver(*store, second);
        store->settleCheck(c.second);
        runPendingEvents();
        ASSERT_TRUE(store->insertQueue.isEmpty());
        // Every inspection stays in the file for the chart and the export, marked.
        EXPECT_EQ(marks(), c.marks);

        const int ng = c.roundNg ? 1 : 0;
        store->setFilter(f);
        store->statisticsSource = 0;
        store->buildDayAxis();
        store->computeStatistics();
        EXPECT_EQ(store->roundCount, 1) << "live";
        EXPECT_EQ(store->ngRoundCount, ng) << "live";

        store->statisticsSource = 1;
        store->startQuery(TemperatureChartData::QueryPass::Statistics);
        store->queryThread->wait();
        EXPECT_EQ(store->roundCount, 1) << "search";
        EXPECT_EQ(store->ngRoundCount, ng) << "search";

        store->clearTodayRounds();
        store->init();
        QThreadPool::globalInstance()->waitForDone();
        runPendingEvents();
        store->statisticsSource = 0;
        store->setFilter(f);
        store->buildDayAxis();
        store->computeStatistics();
        EXPECT_EQ(store->roundCount, 1) << "read back";
        EXPECT_EQ(store->ngRoundCount, ng) << "read back";
    }
}
