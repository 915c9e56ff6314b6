// The hourly statistics store on real files: rows read back with the sqlite3 command, the day
// start in restime.txt, and the roll-over into ./ResStatistics/ with the clock set by the test.
#include "core/globals.h"
#include "core/shellrunner.h"
#include "core/texttable.h"
#include "core/wallclock.h"
#include "records/resstatistics.h"
#include "records/temperaturechartdata.h"
#include "tests/core/paramtestdb.h"
#include "tests/records/resultrows.h"
#include "tests/support/eventwait.h"
#include "tests/support/modalanswer.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <initializer_list>
#include <memory>
#include <utility>

namespace {

// 24 counts as stored: the given (hour, count) pairs, zeros elsewhere.
QString hoursText(std::initializer_list<std::pair<int, int>> counts)
{
    int hours[24] = {};
    for (const auto& hc : counts)
        hours[hc.first] = hc.second;
    QString text;
    for (int v : hours)
        text += QStringLiteral("%1 ").arg(v);
    return text;
}

QString hoursWith(int hour, int value)
{
    return hoursText({{hour, value}});
}

QString cellText(const QString& file, const QString& column, const QString& key)
{
    return sqliteValue(file, QStringLiteral("select %1 from resstatistics where name='%2'").arg(column, key));
}

QString fileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

quint32 secondsAt(const QDateTime& t)
{
    return quint32(t.toSecsSinceEpoch());
}

class ResStatisticsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cameraCount = 2;
        detectsPerCamera = 2;
        setNow(QDateTime(QDate(2024, 5, 1), QTime(10, 0)));
    }
    void TearDown() override
    {
        store.reset();
        WallClock::setForTests(nullptr);
        cameraCount = 0;
    }
    void setNow(const QDateTime& t)
    {
        now = t;
        WallClock::setForTests([this]() { return now; });
    }
    ResStatistics& build()
    {
        store.reset();
        store = std::make_unique<ResStatistics>();
        return *store;
    }

    QDateTime now;
    std::unique_ptr<ResStatistics> store;
};

TEST_F(ResStatisticsTest, DayStartIsSeededFromTheStartTime)
{
    const struct {
        const char* name;
        QTime startedAt;
        QDate dayStartDate;
        bool rolledOver;
    } cases[] = {
        {"before 08:00 the day began yesterday and is closed at once", QTime(7, 30), QDate(2024, 4, 30), true},
        {"after 08:00 the day is today's", QTime(9, 0), QDate(2024, 5, 1), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(QStringLiteral("restime.txt"));
        QDir(QStringLiteral("ResStatistics")).removeRecursively();
        setNow(QDateTime(QDate(2024, 5, 1), c.startedAt));
        ResStatistics& s = build();
        const quint32 seeded = secondsAt(QDateTime(c.dayStartDate, QTime(8, 0)));
        EXPECT_EQ(s.dayStart, seeded);
        EXPECT_EQ(fileText(QStringLiteral("restime.txt")), QString::number(seeded));

        s.checkDay();
        EXPECT_EQ(QFile::exists(QStringLiteral("ResStatistics/2024-04-30.db")), c.rolledOver);
        EXPECT_EQ(s.dayStart, secondsAt(QDateTime(QDate(2024, 5, 1), QTime(8, 0))));
        EXPECT_EQ(fileText(QStringLiteral("restime.txt")), QString::number(s.dayStart));
    }
}

TEST_F(ResStatisticsTest, NewFileHoldsBothTablesAndAZeroRowPerCell)
{
    build();
    EXPECT_EQ(sqliteValue(QStringLiteral("ResStatistics.db"),
                          QStringLiteral("select name from sqlite_master where type='table' order by name")),
              QStringLiteral("res_report\nresstatistics"));
    EXPECT_EQ(sqliteValue(QStringLiteral("ResStatistics.db"), QStringLiteral("select count(*) from resstatistics")),
              QStringLiteral("81"));
    EXPECT_EQ(cellText(QStringLiteral("ResStatistics.db"), QStringLiteral("value1"), QStringLiteral("C8_D8")),
              hoursWith(0, 0));
}

TEST_F(ResStatisticsTest, FileOpenedFirstByTheResultStoreGetsThePerCycleTable)
{
    // Start-up order: the result store opens (and so creates) an empty ResStatistics.db before
    // the statistics store is built.
    {
        QSqlDatabase early = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("earlyOpen"));
        early.setDatabaseName(QStringLiteral("ResStatistics.db"));
        ASSERT_TRUE(early.open());
        early.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("earlyOpen"));
    ASSERT_TRUE(QFile::exists(QStringLiteral("ResStatistics.db")));
    build();
    EXPECT_EQ(sqliteValue(QStringLiteral("ResStatistics.db"),
                          QStringLiteral("select name from sqlite_master where type='table' order by name")),
              QStringLiteral("res_report\nresstatistics"));
}

TEST_F(ResStatisticsTest, CountsAreSavedAndLoadedAgain)
{
    ResStatistics& s = build();
    s.addResult(9, true, 0, 1);
    s.addResult(9, true, 0, 1);
    s.addResult(23, false, 1, 0);
    s.addResult(14, false, ResStatistics::kAll, ResStatistics::kAll);

    const QString file = QStringLiteral("ResStatistics.db");
    EXPECT_EQ(cellText(file, QStringLiteral("value1"), QStringLiteral("C0_D1")), hoursWith(9, 2));
    EXPECT_EQ(cellText(file, QStringLiteral("value2"), QStringLiteral("C1_D0")), hoursWith(23, 1));
    EXPECT_EQ(cellText(file, QStringLiteral("value2"), QStringLiteral("C8_D8")), hoursWith(14, 1));
    // Counting one cell changes no other.
    EXPECT_EQ(cellText(file, QStringLiteral("value1"), QStringLiteral("C0_D8")), hoursWith(0, 0));

    ResStatistics& again = build();
    EXPECT_EQ(again.counters[0][1].ok[9], 2);
    EXPECT_EQ(again.counters[1][0].ng[23], 1);
    EXPECT_EQ(again.counters[8][8].ng[14], 1);
}

TEST_F(ResStatisticsTest, StoredTextsOfOtherLengthsLoadTheirFirstValues)
{
    build();
    store.reset();
    {
        TestDb db(QStringLiteral("ResStatistics.db"));
        db.exec(QStringLiteral("update resstatistics set value1='4 5 ', value2='%1' where name='C0_D0'")
                    .arg(hoursWith(23, 7) + QStringLiteral("99 98")));
    }
    ResStatistics& s = build();
    EXPECT_EQ(s.counters[0][0].ok[0], 4);
    EXPECT_EQ(s.counters[0][0].ok[1], 5);
    EXPECT_EQ(s.counters[0][0].ok[2], 0);
    EXPECT_EQ(s.counters[0][0].ng[23], 7);
}

TEST_F(ResStatisticsTest, RollOverKeepsEveryHourOfBothDays)
{
    ResStatistics& s = build();
    s.addResult(9, true, 0, 0);
    setNow(QDateTime(QDate(2024, 5, 1), QTime(23, 59, 59)));
    s.addResult(23, false, 1, 1);

    TemperatureChartData* results = TemperatureChartData::instance();
    results->todayRounds[QStringLiteral("T:x_C:0_D:0_F:0")] = RoundEntry{1, now};
    results->todaySeries[QStringLiteral("C:0_D:0_F:0")].append(QPointF(1, 36));

    // Last check on 1 May, next on 4 May: the closed day is filed under 1 May.
    setNow(QDateTime(QDate(2024, 5, 4), QTime(0, 0, 5)));
    s.addResult(0, true, 0, 0);
    // The result store's memory of the closed day goes with it.
    EXPECT_TRUE(results->todayRounds.isEmpty());
    EXPECT_TRUE(results->todaySeries.isEmpty());
    setNow(QDateTime(QDate(2024, 5, 4), QTime(10, 0)));
    s.addResult(10, false, 0, 1);

    const QString closed = QStringLiteral("ResStatistics/2024-05-01.db");
    ASSERT_TRUE(QFile::exists(closed));
    EXPECT_EQ(cellText(closed, QStringLiteral("value1"), QStringLiteral("C0_D0")), hoursWith(9, 1));
    EXPECT_EQ(cellText(closed, QStringLiteral("value2"), QStringLiteral("C1_D1")), hoursWith(23, 1));
    EXPECT_EQ(cellText(closed, QStringLiteral("value2"), QStringLiteral("C0_D1")), hoursWith(0, 0));

    // Today's file starts from zero: yesterday's counts are not carried into it.
    const QString today = QStringLiteral("ResStatistics.db");
    EXPECT_EQ(cellText(today, QStringLiteral("value1"), QStringLiteral("C0_D0")), hoursWith(0, 1));
    EXPECT_EQ(cellText(today, QStringLiteral("value2"), QStringLiteral("C1_D1")), hoursWith(0, 0));
    EXPECT_EQ(cellText(today, QStringLiteral("value2"), QStringLiteral("C0_D1")), hoursWith(10, 1));
    EXPECT_EQ(s.dayStart, secondsAt(QDateTime(QDate(2024, 5, 4), QTime(8, 0))));

    // The next roll-over files 4 May under its own date.
    setNow(QDateTime(QDate(2024, 5, 5), QTime(6, 0)));
    s.checkDay();
    EXPECT_EQ(cellText(QStringLiteral("ResStatistics/2024-05-04.db"), QStringLiteral("value2"), QStringLiteral("C0_D1")),
              hoursWith(10, 1));
}

TEST_F(ResStatisticsTest, ExistingArchiveOfTheDateIsKeptBesideTheNewOne)
{
    QDir().mkpath(QStringLiteral("ResStatistics"));
    {
        QFile old(QStringLiteral("ResStatistics/2024-05-01.db"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier archive");
    }
    ResStatistics& s = build();
    s.addResult(11, true, 1, 0);
    setNow(QDateTime(QDate(2024, 5, 2), QTime(9, 0)));
    s.checkDay();

    EXPECT_EQ(fileText(QStringLiteral("ResStatistics/2024-05-01.db")), QStringLiteral("earlier archive"));
    EXPECT_EQ(cellText(QStringLiteral("ResStatistics/2024-05-01_2.db"), QStringLiteral("value1"), QStringLiteral("C1_D0")),
              hoursWith(11, 1));
    EXPECT_EQ(cellText(QStringLiteral("ResStatistics.db"), QStringLiteral("value1"), QStringLiteral("C1_D0")),
              hoursWith(0, 0));
}

TEST_F(ResStatisticsTest, DayThatCannotBeArchivedStaysOpenUntilItCan)
{
    // A plain file where the archive folder belongs: the move fails.
    {
        QFile blocker(QStringLiteral("ResStatistics"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    ResStatistics& s = build();
    const quint32 firstDay = s.dayStart;
    s.addResult(15, true, 0, 0);
    setNow(QDateTime(QDate(2024, 5, 2), QTime(9, 0)));
    s.addResult(9, true, 0, 0);
    EXPECT_EQ(s.dayStart, firstDay);
    EXPECT_TRUE(QFile::exists(QStringLiteral("ResStatistics.db")));

    ASSERT_TRUE(QFile::remove(QStringLiteral("ResStatistics")));
    s.checkDay();
    // Filed under the day it began, not under the day it was moved.
    EXPECT_EQ(cellText(QStringLiteral("ResStatistics/2024-05-01.db"), QStringLiteral("value1"), QStringLiteral("C0_D0")),
              hoursText({{9, 1}, {15, 1}}));
    EXPECT_EQ(s.dayStart, secondsAt(QDateTime(QDate(2024, 5, 2), QTime(8, 0))));
}

// Changes of the date, cycle by cycle, with the result store's today beside the hourly counts.
class DayChangeTest : public ResStatisticsTest {
protected:
    void SetUp() override
    {
        ResStatisticsTest::SetUp();
        results->clearTodayRounds();
        results->clearTodaySeries();
        // As after the start-up read of today's rows.
        results->loaded = 1;
    }
    void TearDown() override
    {
        results->clearTodayRounds();
        results->clearTodaySeries();
        ResStatisticsTest::TearDown();
    }
    // One counted cycle at `t` as the result path leaves it: the day check, a res_report row in
    // the open file, the round in today's outcomes and the hourly count.
    void cycleAt(const QDateTime& t)
    {
        setNow(t);
        store->checkDay();
        // A day taken back from the archive is read again on the pool.
        ASSERT_TRUE(waitUntil([this] { return bool(results->loaded); }, kPatientWaitMs))
            << "the rows of the day taken back were never read again";
        seedRows(QStringLiteral("ResStatistics.db"),
                 {{t, t.addMSecs(100), 0, 0, QStringLiteral("[[0,5,25,100,3]]"), QStringLiteral("[1]"), 1}});
        results->todayRounds[TemperatureChartData::roundKey(stampOf(t), 0, 0, 0)] = RoundEntry{1, t};
        store->addResult(t.time().hour(), true, 0, 0);
    }
    // The statistics screen's figure for today: the rounds counted from today's outcomes.
    int todaysRounds() { return todaysFigure(*results, now.date()).first; }

    TemperatureChartData* results = TemperatureChartData::instance();
};

TEST_F(DayChangeTest, ClockSetBackTwoHoursAcrossMidnightCountsEveryCycleOfEachDate)
{
    setNow(QDateTime(QDate(2024, 5, 1), QTime(22, 0)));
    build();
    for (const QTime& t : {QTime(22, 0), QTime(22, 30), QTime(23, 0)})
        cycleAt(QDateTime(QDate(2024, 5, 1), t));
    for (const QTime& t : {QTime(0, 10), QTime(0, 40), QTime(1, 0)})
        cycleAt(QDateTime(QDate(2024, 5, 2), t));
    EXPECT_EQ(todaysRounds(), 3);

    // Set back to 23:00 of 1 May: that day goes on with what it had.
    cycleAt(QDateTime(QDate(2024, 5, 1), QTime(23, 5)));
    cycleAt(QDateTime(QDate(2024, 5, 1), QTime(23, 30)));
    EXPECT_EQ(todaysRounds(), 5);
    EXPECT_EQ(store->counters[0][0].ok[22], 2);
    EXPECT_EQ(store->counters[0][0].ok[23], 3);

    // Midnight again: 2 May goes on with its cycles from before the set-back.
    cycleAt(QDateTime(QDate(2024, 5, 2), QTime(0, 5)));
    EXPECT_EQ(todaysRounds(), 4);
    EXPECT_EQ(store->counters[0][0].ok[0], 3);
    EXPECT_EQ(store->counters[0][0].ok[1], 1);
    EXPECT_EQ(store->counters[0][0].ok[23], 0);

    // Each date's rows and counts are in one file, and a restart reads the same figures.
    EXPECT_EQ(sqliteValue(QStringLiteral("ResStatistics/2024-05-01.db"), QStringLiteral("select count(*) from res_report")),
              QStringLiteral("5"));
    EXPECT_EQ(cellText(QStringLiteral("ResStatistics/2024-05-01.db"), QStringLiteral("value1"), QStringLiteral("C0_D0")),
              hoursText({{22, 2}, {23, 3}}));
    EXPECT_EQ(QDir(QStringLiteral("ResStatistics")).entryList({QStringLiteral("*.db")}, QDir::Files),
              QStringList{QStringLiteral("2024-05-01.db")});
    EXPECT_EQ(build().counters[0][0].ok[0], 3);
}

// The rows of a day taken back from the archive take seconds to read: the GUI thread, which
// runs the machine cycle, goes on meanwhile. The read of the first row waits until a timer of the
// GUI thread has ticked; a GUI thread that does the reading itself makes that wait run out.
TEST_F(DayChangeTest, ADayTakenBackIsReadAgainWhileTheGuiThreadGoesOn)
{
    setNow(QDateTime(QDate(2024, 5, 1), QTime(22, 0)));
    build();
    cycleAt(QDateTime(QDate(2024, 5, 1), QTime(22, 0)));
    cycleAt(QDateTime(QDate(2024, 5, 1), QTime(23, 0)));
    cycleAt(QDateTime(QDate(2024, 5, 2), QTime(0, 10)));

    std::atomic<bool> reading{false};
    std::atomic<bool> ticked{false};
    std::atomic<bool> ranOut{false};
    TemperatureChartData::setLoadHook([&] {
        if (reading.exchange(true))
            return;
        for (int i = 0; i < kPatientWaitMs / 10 && !ticked; ++i)
            QThread::msleep(10);
        ranOut = !ticked;
    });
    QTimer guiThread;
    QObject::connect(&guiThread, &QTimer::timeout, [&] {
        if (reading)
            ticked = true;
    });
    guiThread.start(10);
    // Set back to 1 May.
    cycleAt(QDateTime(QDate(2024, 5, 1), QTime(23, 5)));
    guiThread.stop();
    TemperatureChartData::setLoadHook(nullptr);
    EXPECT_TRUE(reading) << "the rows of 1 May were not read again";
    EXPECT_FALSE(ranOut) << "the GUI thread stood still while the rows of 1 May were read";
    EXPECT_EQ(todaysRounds(), 3);
}

TEST_F(DayChangeTest, TripAheadAndBackLeavesTodayWhole)
{
    setNow(QDateTime(QDate(2024, 5, 1), QTime(9, 0)));
    build();
    cycleAt(QDateTime(QDate(2024, 5, 1), QTime(9, 0)));
    cycleAt(QDateTime(QDate(2024, 5, 1), QTime(9, 30)));
    // The clock is set 40 days ahead for a while, then back.
    cycleAt(QDateTime(QDate(2024, 6, 10), QTime(9, 40)));
    EXPECT_EQ(todaysRounds(), 1);
    cycleAt(QDateTime(QDate(2024, 5, 1), QTime(9, 50)));
    EXPECT_EQ(todaysRounds(), 3);
    EXPECT_EQ(store->counters[0][0].ok[9], 3);
    EXPECT_EQ(sqliteValue(QStringLiteral("ResStatistics/2024-06-10.db"), QStringLiteral("select count(*) from res_report")),
              QStringLiteral("1"));
}

TEST_F(ResStatisticsTest, DamagedDayStartFileIsSeededAnew)
{
    {
        QFile empty(QStringLiteral("restime.txt"));
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    }
    ResStatistics& s = build();
    EXPECT_EQ(s.dayStart, secondsAt(QDateTime(QDate(2024, 5, 1), QTime(8, 0))));
    EXPECT_EQ(fileText(QStringLiteral("restime.txt")), QString::number(s.dayStart));
}

TEST_F(ResStatisticsTest, UnopenableFileIsReportedAndTheMachineRebooted)
{
    fillTextTable();
    // A folder where the file belongs cannot be opened as a database.
    QDir().mkpath(QStringLiteral("ResStatistics.db"));
    const int answered = ModalAnswer::answeredCount();
    ModalAnswer::finishWhenShown(0);
    ResStatistics& s = build();

    EXPECT_EQ(ModalAnswer::answeredCount(), answered + 1);
    EXPECT_EQ(fileText(QString::fromLatin1(ShellRunner::kDryRunLog)).trimmed(), QStringLiteral("reboot"));
    // Until the reboot takes effect counting goes on in memory.
    s.addResult(10, true, 0, 0);
    EXPECT_EQ(s.counters[0][0].ok[10], 1);
}

}  // namespace
