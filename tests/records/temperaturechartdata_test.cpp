#include "records/temperaturechartdata.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QThreadPool>
#include <QTime>
#include <QVariant>

#include <gtest/gtest.h>

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

TEST(TemperatureChartData, InitReadsBackTodaysRowsOnly)
{
    const QDateTime yesterday = today(10, 0, 0).addDays(-1);
    writeRows({
        // Two regions, the second a temperature region: its point takes the detect start.
        {today(8, 0, 0, 250), today(8, 0, 1, 500), 0, 1, "[[0,12,25,100,3],[9,36,20,60,3]]", "[1,0]"},
        // Temperature region at region position 12 keeps its two-digit position.
        {today(9, 30, 0), today(9, 30, 2), 2, 3, "[[],[],[],[],[],[],[],[],[],[],[],[],[9,-5,20,60,3]]", "[1,1,1,1,1,1,1,1,1,1,1,1,0]"},
        // A broken JSON text reads as empty.
        {today(9, 40, 0), today(9, 40, 0), 1, 0, "not json", "[1"},
        {yesterday, yesterday, 0, 0, "[[9,40,0,0,0]]", "[1]"},
        // Later than 23:59:59.000: SQLite's datetime() drops the milliseconds of the bound.
        {today(23, 59, 59, 500), today(23, 59, 59, 500), 0, 0, "[[9,41,0,0,0]]", "[0]"},
    });

    TemperatureChartData store;
    store.init();
    QThreadPool::globalInstance()->waitForDone();

    EXPECT_EQ(store.loaded, 1);
    EXPECT_EQ(store.filter.from, today(0, 0, 0));
    EXPECT_EQ(store.filter.to, today(23, 59, 59, 999));
    EXPECT_EQ(store.todaySeries.keys(), (QStringList{"C:0_D:1_F:1", "C:2_D:3_F:12"}));
    EXPECT_EQ(store.todaySeries.value("C:0_D:1_F:1"),
              (TemperatureChartData::Series{QPointF(today(8, 0, 1).toSecsSinceEpoch(), 36)}));
    EXPECT_EQ(store.todaySeries.value("C:2_D:3_F:12"),
              (TemperatureChartData::Series{QPointF(today(9, 30, 2).toSecsSinceEpoch(), -5)}));

    EXPECT_EQ(store.todayRounds.size(), 2 + 13);
    const QString first = stamp(today(8, 0, 0, 250));
    EXPECT_EQ(store.todayRounds.value(TemperatureChartData::roundKey(first, 0, 1, 0)).result, 1);
    EXPECT_EQ(store.todayRounds.value(TemperatureChartData::roundKey(first, 0, 1, 1)).result, 0);
    EXPECT_EQ(store.todayRounds.value(TemperatureChartData::roundKey(first, 0, 1, 1)).roundStart, today(8, 0, 0, 250));
    EXPECT_TRUE(store.todayRounds.contains("T:" + stamp(today(9, 30, 0)) + "_C:2_D:3_F:12"));
    EXPECT_FALSE(store.readDb.isOpen());
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
    QTest::qWait(50);
    EXPECT_EQ(store.markNext, 1);
}

TEST(TemperatureChartData, RoundsWaitUntilTodayIsLoadedAndTheFirstBatchIsRegular)
{
    writeRows({});
    TemperatureChartData store;
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

    // A repeated inspection in the same round: the first outcome stays, the point is added.
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
    store.insertRound();  // writes both
    EXPECT_TRUE(store.insertQueue.isEmpty());
    EXPECT_EQ(store.markNext, 0);
    store.insertRound();  // no longer a regular record

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("readBack"));
    db.setDatabaseName(QStringLiteral("ResStatistics.db"));
    ASSERT_TRUE(db.open());
    {
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(QStringLiteral("select * from res_report order by idx")));
        QStringList rows;
        while (query.next()) {
            QStringList fields;
            for (int i = 1; i <= 8; ++i)
                fields << query.value(i).toString();
            rows << fields.join(QLatin1Char('|'));
        }
        const QString start = stamp(today(7, 0, 0, 5));
        const QString detail = QStringLiteral("[[0,12,25,100,3],[],[9,36,20,60,3]]");
        EXPECT_EQ(rows, (QStringList{
                            start + "|" + stamp(today(7, 0, 1, 20)) + "|1|3|" + detail + "|[1,0,1]|0|Regular recording",
                            start + "|" + stamp(today(7, 0, 2)) + "|1|3|" + detail + "|[1,0,1]|1|Regular recording",
                            start + "|" + stamp(today(7, 0, 2)) + "|1|3|" + detail + "|[1,0,1]|1|",
                        }));
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("readBack"));
}
