// Date-range queries of the result store on seeded day files: which files a range reads, every
// row of a range found (the last millisecond, a "_2" archive, yesterday's rows after midnight),
// bins and totals against hand counts, the counting pass against the map count, and a query
// started while a pass runs.
#include "records/temperaturechartdata.h"

#include "core/wallclock.h"
#include "records/datathread.h"
#include "records/dayarchive.h"
#include "tests/records/resultrows.h"
#include "tests/support/eventwait.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QThreadPool>
#include <QTime>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <numeric>

namespace {

QDateTime at(int day, int h, int m, int s = 0, int ms = 0)
{
    return QDateTime(QDate(2024, 5, day), QTime(h, m, s, ms));
}

QString archive(const char* name)
{
    return QStringLiteral("ResStatistics/%1.db").arg(QLatin1String(name));
}

// One row of a round: one region per result, the region at `temperatureAt` a temperature
// region reading `temperature`; the detect starts `offsetMs` after the round.
SeedRow rowOf(const QDateTime& round, int camera, int detect, const QList<int>& results, int offsetMs = 100,
              int temperatureAt = -1, int temperature = 40)
{
    QStringList detail;
    QStringList result;
    bool ok = true;
    for (int i = 0; i < results.size(); ++i) {
        detail << (i == temperatureAt ? QStringLiteral("[9,%1,20,60,3]").arg(temperature)
                                      : QStringLiteral("[0,5,25,100,3]"));
        result << QString::number(results.at(i));
        ok = ok && results.at(i);
    }
    return {round, round.addMSecs(offsetMs), camera, detect, QLatin1Char('[') + detail.join(',') + QLatin1Char(']'),
            QLatin1Char('[') + result.join(',') + QLatin1Char(']'), ok ? 1 : 0};
}

int sum(const QList<int>& values)
{
    return std::accumulate(values.begin(), values.end(), 0);
}

class ResultQueries : public ::testing::Test {
protected:
    void SetUp() override
    {
        WallClock::setForTests([this]() { return now; });
        store = std::make_unique<TemperatureChartData>();
        // Makes the query thread; today's (empty) rows are read back on the pool.
        store->init();
        QThreadPool::globalInstance()->waitForDone();
        countEnds();
    }
    void TearDown() override
    {
        store.reset();
        WallClock::setForTests(nullptr);
    }

    // One pass of `pass` over `f`, waited for through its signal (received in this thread, as
    // the screens receive it).
    void query(TemperatureChartData::QueryPass pass, const QueryFilter& f)
    {
        const int before = ends(pass);
        store->setFilter(f);
        store->startQuery(pass);
        ASSERT_TRUE(waitUntil([&]() { return ends(pass) > before; }, 20000));
    }

    int ends(TemperatureChartData::QueryPass pass) const
    {
        return pass == TemperatureChartData::QueryPass::Temperature ? temperatureEnds : statisticsEnds;
    }

    // Counts the passes' signals as the GUI thread receives them.
    void countEnds()
    {
        QObject::connect(store->queryThread, &dataThread::readTempFinished, &receiver, [this]() { ++temperatureEnds; });
        QObject::connect(store->queryThread, &dataThread::readResFinished, &receiver, [this]() { ++statisticsEnds; });
    }

    QueryFilter range(const QDateTime& from, const QDateTime& to, int camera = -1, int detect = -1, int region = -1)
    {
        QueryFilter f;
        f.camera = camera;
        f.detect = detect;
        f.region = region;
        f.from = from;
        f.to = to;
        return f;
    }

    QDateTime now = at(3, 10, 0);
    QObject receiver;
    int temperatureEnds = 0;
    int statisticsEnds = 0;
    std::unique_ptr<TemperatureChartData> store;
};

}  // namespace

TEST(DayFiles, ArchivesHoldTheirDateUpToTheNextArchivesDateAndTheOpenFileTheDatesOfItsRows)
{
    for (const char* name : {"2024-05-01", "2024-05-02", "2024-05-02_2", "2024-05-05", "notes"})
        seedRows(archive(name), {});
    seedRows(QStringLiteral("ResStatistics.db"), {rowOf(at(5, 23, 0), 0, 0, {1}), rowOf(at(9, 1, 0), 0, 0, {1})});
    const QString dir = QDir(QStringLiteral("ResStatistics")).absolutePath() + QLatin1Char('/');

    const struct {
        const char* name;
        int from;
        int to;
        QStringList files;
    } cases[] = {
        {"a day read from its archive and the one closed early next day", 1, 1, {"2024-05-01.db"}},
        {"a date archived twice reads both and the day before", 2, 2, {"2024-05-01.db", "2024-05-02.db", "2024-05-02_2.db"}},
        {"days with no archive of their own are in the last archive before", 3, 4, {"2024-05-02_2.db"}},
        {"the latest archive's date is also in the open file", 5, 5, {"2024-05-02_2.db", "2024-05-05.db", "ResStatistics.db"}},
        {"after the latest archive only the open file", 6, 9, {"2024-05-05.db", "ResStatistics.db"}},
    };
    for (const auto& c : cases) {
        QStringList got;
        for (const DayFileSpan& span : dayFilesMeeting(QDir(QStringLiteral("ResStatistics")),
                                                       QStringLiteral("ResStatistics.db"), QDate(2024, 5, c.from),
                                                       QDate(2024, 5, c.to)))
            got << (span.path.startsWith(dir) ? span.path.mid(dir.size()) : span.path);
        EXPECT_EQ(got, c.files) << c.name;
    }

    // Without any archive the open file holds the dates of its rows; an empty one none.
    QDir(QStringLiteral("ResStatistics")).removeRecursively();
    auto openFileMeets = [](QDate day) {
        return dayFilesMeeting(QDir(QStringLiteral("ResStatistics")), QStringLiteral("ResStatistics.db"), day, day)
                   .size() == 1;
    };
    EXPECT_TRUE(openFileMeets(QDate(2024, 5, 7)));
    EXPECT_FALSE(openFileMeets(QDate(2024, 5, 4)));
    EXPECT_FALSE(openFileMeets(QDate(2024, 5, 10)));
    QFile::remove(QStringLiteral("ResStatistics.db"));
    seedRows(QStringLiteral("ResStatistics.db"), {});
    EXPECT_FALSE(openFileMeets(QDate(2024, 5, 7)));
}

TEST_F(ResultQueries, OpenFileRowsAreFoundWhateverArchivesExist)
{
    // The clock was set back from 2 May to 1 May (2 May was closed then) after a run 40 days
    // ahead had left an archive of 11 June: the open file holds rows of 1 May again.
    seedRows(archive("2024-05-01"), {rowOf(at(1, 8, 0), 0, 0, {1}), rowOf(at(1, 9, 0), 0, 0, {0})});
    seedRows(archive("2024-05-02"), {rowOf(at(2, 8, 0), 0, 0, {1})});
    seedRows(QStringLiteral("ResStatistics/2024-06-11.db"), {rowOf(QDateTime(QDate(2024, 6, 11), QTime(8, 0)), 0, 0, {1})});
    seedRows(QStringLiteral("ResStatistics.db"),
             {rowOf(at(1, 10, 0), 0, 0, {1}), rowOf(at(1, 11, 0), 0, 0, {1}), rowOf(at(1, 12, 0), 1, 0, {0})});
    now = at(1, 15, 0);

    const struct {
        int day;
        int rounds;
        int ngRounds;
    } cases[] = {{1, 5, 2}, {2, 1, 0}};
    for (const auto& c : cases) {
        query(TemperatureChartData::QueryPass::Statistics, range(at(c.day, 0, 0), at(c.day, 23, 59, 59, 999)));
        EXPECT_EQ(store->roundCount, c.rounds) << "day " << c.day;
        EXPECT_EQ(store->ngRoundCount, c.ngRounds) << "day " << c.day;
    }
}

TEST_F(ResultQueries, TwoDayRangeFindsEveryRowOfBothDaysToTheLastMillisecond)
{
    // 1 May closed normally; 2 May archived twice (the clock was set back and the day closed
    // again); the open file holds 3 May.
    seedRows(archive("2024-05-01"), {rowOf(at(1, 0, 0), 0, 0, {1}, 100, 0, 30), rowOf(at(1, 12, 0), 1, 0, {0}),
                                     rowOf(at(1, 23, 59, 59, 999), 0, 1, {1})});
    seedRows(archive("2024-05-02"), {rowOf(at(2, 8, 0), 0, 0, {1}, 100, 0, 31)});
    seedRows(archive("2024-05-02_2"), {rowOf(at(2, 9, 0), 1, 1, {1, 0}, 100, 0, 32),
                                       rowOf(at(2, 23, 59, 59, 999), 0, 0, {1}, 100, 0, 33),
                                       // Closed early on 3 May: outside the range.
                                       rowOf(at(3, 0, 0, 0, 0), 0, 0, {0}, 100, 0, 34)});
    seedRows(QStringLiteral("ResStatistics.db"), {rowOf(at(3, 9, 0), 0, 0, {0})});

    query(TemperatureChartData::QueryPass::Statistics, range(at(1, 0, 0), at(2, 23, 59, 59, 999)));
    EXPECT_EQ(store->roundCount, 6);
    EXPECT_EQ(store->ngRoundCount, 2);
    EXPECT_EQ(sum(store->okBins) + sum(store->ngBins), 6);
    EXPECT_EQ(store->okBins.size(), 24);
    EXPECT_DOUBLE_EQ(store->ngRate, 200.0 / 6);
    // The last round, at the range's last millisecond, is in the last bin.
    EXPECT_EQ(store->okBins.last(), 1);

    query(TemperatureChartData::QueryPass::Temperature, range(at(1, 0, 0), at(2, 23, 59, 59, 999)));
    QList<double> temperatures;
    for (const QPointF& p : store->rangeSeries.value(QStringLiteral("C:0_D:0_F:0")))
        temperatures << p.y();
    EXPECT_EQ(temperatures, (QList<double>{30, 31, 33}));
    EXPECT_EQ(store->rangeSeries.value(QStringLiteral("C:1_D:1_F:0")).size(), 1);
}

TEST_F(ResultQueries, AfterMidnightYesterdaysRowsAreFoundBeforeAnyCheck)
{
    // 00:30 on 4 May: no check has run yet, so 3 May's rows are still in the open file.
    seedRows(archive("2024-05-02"), {rowOf(at(2, 10, 0), 0, 0, {1})});
    seedRows(QStringLiteral("ResStatistics.db"), {rowOf(at(3, 10, 0), 0, 0, {1}, 100, 0, 35),
                                                  rowOf(at(3, 22, 0), 0, 0, {0}, 100, 0, 36)});
    now = at(4, 0, 30);

    query(TemperatureChartData::QueryPass::Statistics, range(at(3, 0, 0), at(3, 23, 59, 59, 999)));
    EXPECT_EQ(store->roundCount, 2);
    EXPECT_EQ(store->ngRoundCount, 1);
    query(TemperatureChartData::QueryPass::Temperature, range(at(3, 0, 0), at(3, 23, 59, 59, 999)));
    EXPECT_EQ(store->rangeSeries.value(QStringLiteral("C:0_D:0_F:0")).size(), 2);
    EXPECT_TRUE(store->dbFileName.endsWith(QStringLiteral("ResStatistics.db")));
}

TEST_F(ResultQueries, LeftOutInspectionsAreNotCountedAndOlderFilesCountAsBefore)
{
    // 1 May in a file made before the left_out column: every row counts, except the re-checked
    // NG inspection that an earlier version marked in the description.
    SeedRow legacyReChecked = rowOf(at(1, 10, 0), 0, 0, {0}, 100, 0);
    legacyReChecked.description = QStringLiteral("Re-checked");
    SeedRow regular = rowOf(at(1, 10, 0), 0, 0, {1}, 2000, 0);
    regular.description = QStringLiteral("Regular recording");
    seedRows(archive("2024-05-01"), {rowOf(at(1, 8, 0), 0, 0, {1}, 100, 0), rowOf(at(1, 9, 0), 0, 0, {0}, 100, 0),
                                     legacyReChecked, regular});
    // 2 May with the column: an NG inspection re-checked OK, an NG cycle with its alarm-clearing
    // re-check, and an NG manual capture.
    auto leftOut = [](SeedRow row, const char* mark) {
        row.leftOut = QString::fromLatin1(mark);
        return row;
    };
    seedRows(archive("2024-05-02"),
             {leftOut(rowOf(at(2, 8, 0), 0, 0, {0}, 100, 0), "Re-checked"), rowOf(at(2, 8, 0), 0, 0, {1}, 2000, 0),
              rowOf(at(2, 9, 0), 0, 0, {0}, 100, 0), leftOut(rowOf(at(2, 9, 0), 0, 0, {1}, 5000, 0), "Alarm clearing"),
              leftOut(rowOf(at(2, 11, 0), 0, 0, {0}, 100, 0), "Manual capture")},
             true);
    const struct {
        const char* name;
        QDateTime from;
        QDateTime to;
        int rounds;
        int ng;
        int points;
    } cases[] = {
        {"the file without the column", at(1, 0, 0), at(1, 23, 59, 59, 999), 3, 1, 4},
        {"the file with it", at(2, 0, 0), at(2, 23, 59, 59, 999), 2, 1, 5},
        {"both", at(1, 0, 0), at(2, 23, 59, 59, 999), 5, 2, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        query(TemperatureChartData::QueryPass::Statistics, range(c.from, c.to));
        EXPECT_EQ(store->roundCount, c.rounds);
        EXPECT_EQ(store->ngRoundCount, c.ng);
        // The chart shows every inspection's temperature, counted or not.
        query(TemperatureChartData::QueryPass::Temperature, range(c.from, c.to));
        EXPECT_EQ(store->rangeSeries.value(QStringLiteral("C:0_D:0_F:0")).size(), c.points);
    }
}

TEST_F(ResultQueries, BinsAndTotalsMatchAHandCount)
{
    QList<int> region12Ng = QVector<int>(13, 1).toList();
    region12Ng[12] = 0;
    seedRows(QStringLiteral("ResStatistics.db"), {
        // 10:05 camera 1 NG: one NG round with camera 0's row of the same round.
        rowOf(at(3, 10, 5), 0, 0, {1, 1}, 100), rowOf(at(3, 10, 5), 1, 0, {1, 0}, 200),
        // 11:30 product and cavity check of camera 0, both OK: one OK round.
        rowOf(at(3, 11, 30), 0, 0, {1, 1}, 100), rowOf(at(3, 11, 30), 0, 1, {1, 1}, 5000),
        // 12:59:59.999 cavity check of camera 0 with its region 12 NG.
        rowOf(at(3, 12, 59, 59, 999), 0, 1, region12Ng, 100),
        // 13:00:00.500, just after the 3-hour range.
        rowOf(at(3, 13, 0, 0, 500), 1, 1, {1}, 100),
    });

    const QDateTime from = at(3, 10, 0);
    const QDateTime threeHours = at(3, 13, 0);
    const QDateTime thirtyHours = at(4, 16, 0);
    const struct {
        const char* name;
        QueryFilter filter;
        QList<int> ok;  // first three bins; the others are 0
        QList<int> ng;
        int bins;
        int rounds;
        int ngRounds;
    } cases[] = {
        {"all, 3 hours", range(from, threeHours), {0, 1, 0}, {1, 0, 1}, 3, 3, 2},
        {"camera 0", range(from, threeHours, 0), {1, 1, 0}, {0, 0, 1}, 3, 3, 1},
        {"camera 1", range(from, threeHours, 1), {0, 0, 0}, {1, 0, 0}, 3, 1, 1},
        {"detect 1", range(from, threeHours, -1, 1), {0, 1, 0}, {0, 0, 1}, 3, 2, 1},
        {"region 12", range(from, threeHours, -1, -1, 12), {0, 0, 0}, {0, 0, 1}, 3, 1, 1},
        {"region 1", range(from, threeHours, -1, -1, 1), {0, 1, 1}, {1, 0, 0}, 3, 3, 1},
        {"30 hours in 24 bins of 4500 s", range(from, thirtyHours), {0, 1, 1}, {1, 0, 1}, 24, 4, 2},
    };
    for (const auto& c : cases) {
        query(TemperatureChartData::QueryPass::Statistics, c.filter);
        SCOPED_TRACE(c.name);
        ASSERT_EQ(store->okBins.size(), c.bins);
        ASSERT_EQ(store->ngBins.size(), c.bins);
        EXPECT_EQ(store->okBins.mid(0, 3), c.ok);
        EXPECT_EQ(store->ngBins.mid(0, 3), c.ng);
        EXPECT_EQ(sum(store->okBins) + sum(store->ngBins), c.rounds);
        EXPECT_EQ(store->roundCount, c.rounds);
        EXPECT_EQ(store->ngRoundCount, c.ngRounds);
        EXPECT_EQ(store->axisLabels.size(), 2);
        EXPECT_EQ(store->axisLabels.at(0).size(), c.bins);
        EXPECT_EQ(store->axisLabels.at(1).last(), c.filter.to.toString(QStringLiteral("MM-dd hh:mm:ss")));
    }
    EXPECT_DOUBLE_EQ(store->binSeconds, 4500);
    EXPECT_EQ(store->axisLabels.at(0).at(1), QStringLiteral("05-03 11:15:00"));
}

TEST_F(ResultQueries, RangeAxesFollowTheirLength)
{
    const struct {
        const char* name;
        QDateTime to;
        int pairs;
        double binSeconds;
    } cases[] = {
        {"90 minutes", at(3, 11, 30), 2, 3600},
        {"3 hours", at(3, 13, 0), 3, 3600},
        {"30 hours", at(4, 16, 0), 24, 4500},
        {"end before start", at(3, 9, 0), 1, 3600},
    };
    for (const auto& c : cases) {
        store->setFilter(range(at(3, 10, 0), c.to));
        store->buildRangeAxis();
        store->computeStatistics();
        EXPECT_EQ(store->axisLabels.at(0).size(), c.pairs) << c.name;
        EXPECT_EQ(store->axisLabels.at(1).last(), c.to.toString(QStringLiteral("MM-dd hh:mm:ss"))) << c.name;
        EXPECT_DOUBLE_EQ(store->binSeconds, c.binSeconds) << c.name;
    }
    // The range ending before it starts has no bins.
    EXPECT_TRUE(store->okBins.isEmpty());
}

TEST_F(ResultQueries, NothingCountedShowsARateOfZero)
{
    store->setFilter(range(at(3, 0, 0), at(3, 23, 59, 59, 999)));
    store->buildDayAxis();
    store->computeStatistics();
    EXPECT_EQ(store->roundCount, 0);
    EXPECT_EQ(store->ngRate, 0.0);
    EXPECT_EQ(store->okBins, QVector<int>(24, 0).toList());
    EXPECT_EQ(store->axisLabels.at(0).first(), QStringLiteral("05-03 00:00:00"));
    EXPECT_EQ(store->axisLabels.at(1).last(), QStringLiteral("05-04 00:00:00"));
}

TEST_F(ResultQueries, CountingPassAgreesWithTheMapCountOverASeededWeek)
{
    // A week, one archive a day, 2 cameras and 2 detects every 10 minutes, up to 12 regions (so
    // region positions 10 and 11 sort before 2 as text), NG now and then, and a repeated
    // inspection of one key whose second row overwrites the first.
    QRandomGenerator random(7);
    QList<SeedRow> all;
    for (int day = 1; day <= 7; ++day) {
        QList<SeedRow> rows;
        for (int minute = 0; minute < 24 * 60; minute += 10) {
            const QDateTime round = at(day, minute / 60, minute % 60, 0, int(random.bounded(1000)));
            for (int detect = 0; detect < 2; ++detect)
                for (int camera = 0; camera < 2; ++camera) {
                    QList<int> results;
                    for (int r = 0, n = 1 + int(random.bounded(12)); r < n; ++r)
                        results << (random.bounded(40) == 0 ? 0 : 1);
                    rows << rowOf(round, camera, detect, results, detect * 4000 + camera * 150 + 1);
                }
        }
        rows << rowOf(rows.last().roundStart, rows.last().camera, rows.last().detect, {0, 1}, 4151);
        seedRows(archive(qPrintable(QDate(2024, 5, day).toString(Qt::ISODate))), rows);
        all += rows;
    }

    const QueryFilter filters[] = {
        range(at(1, 0, 0), at(7, 23, 59, 59, 999)),
        range(at(2, 6, 0), at(5, 18, 0), 1),
        range(at(1, 0, 0), at(7, 23, 59, 59, 999), -1, 0, 3),
        range(at(3, 0, 0), at(3, 23, 59, 59, 999), 0, 1, 10),
    };
    for (const QueryFilter& f : filters) {
        query(TemperatureChartData::QueryPass::Statistics, f);
        const QList<int> ok = store->okBins;
        const QList<int> ng = store->ngBins;
        const int rounds = store->roundCount;
        const int ngRounds = store->ngRoundCount;
        ASSERT_GT(rounds, 0);

        // The map count as the rows would be kept: keyed by their detect start, the later row
        // of a key overwriting the earlier.
        store->rangeRounds.clear();
        for (const SeedRow& r : all) {
            if (r.roundStart < f.from || r.roundStart > f.to || (f.camera >= 0 && r.camera != f.camera)
                || (f.detect >= 0 && r.detect != f.detect))
                continue;
            const QStringList results = r.result.mid(1, r.result.size() - 2).split(',');
            for (int i = 0; i < results.size(); ++i)
                store->rangeRounds[TemperatureChartData::roundKey(stampOf(r.detectStart), r.camera, r.detect, i)] =
                    RoundEntry{results.at(i).toInt(), r.roundStart};
        }
        store->statisticsSource = 1;
        store->setFilter(f);
        store->buildRangeAxis();
        store->computeStatistics();
        EXPECT_EQ(store->okBins, ok);
        EXPECT_EQ(store->ngBins, ng);
        EXPECT_EQ(store->roundCount, rounds);
        EXPECT_EQ(store->ngRoundCount, ngRounds);
    }
}

// Searches asked for while a pass reads neither wait on the screen's thread nor queue up: each
// pass runs once more at most, with its latest filter, after the pass under way, in the order
// asked; the first pass's results are not emptied under it.
TEST_F(ResultQueries, QueriesAskedForDuringAPassRunAfterItWithoutHoldingTheScreen)
{
    QList<SeedRow> rows;
    for (int i = 0; i < 20000; ++i)
        rows << rowOf(at(3, 0, 0).addSecs(i * 4), i % 2, 0, {1, i % 50 ? 1 : 0, 1}, 100, 2, 20 + i % 10);
    seedRows(QStringLiteral("ResStatistics.db"), rows);
    const QueryFilter day = range(at(3, 0, 0), at(3, 23, 59, 59, 999));

    // The first pass is held at its start until the test lets it go.
    QSemaphore passStarted;
    QSemaphore letGo;
    std::atomic<int> passes{0};
    TemperatureChartData::setQueryPassHook([&]() {
        if (passes++ == 0) {
            passStarted.release();
            letGo.acquire();
        }
    });
    store->setFilter(day);
    store->startQuery(TemperatureChartData::QueryPass::Statistics);
    passStarted.acquire();
    // Meanwhile: the chart's search, and two statistics searches of which the last counts.
    store->startQuery(TemperatureChartData::QueryPass::Temperature);
    store->setFilter(range(at(3, 0, 0), at(3, 1, 0), 1));
    store->startQuery(TemperatureChartData::QueryPass::Statistics);
    store->setFilter(range(at(3, 0, 0), at(3, 1, 0)));
    store->startQuery(TemperatureChartData::QueryPass::Statistics);
    EXPECT_EQ(passes, 1) << "nothing started beside the held pass";
    letGo.release();

    ASSERT_TRUE(waitUntil([&]() { return statisticsEnds == 2 && temperatureEnds == 1; }, kPatientWaitMs));
    EXPECT_EQ(passes, 3) << "the held pass, the chart's, and one statistics pass for both searches";
    // The chart's series of the whole day; the statistics of the last search's hour, both cameras.
    EXPECT_EQ(store->rangeSeries.value(QStringLiteral("C:0_D:0_F:2")).size(), 10000);
    EXPECT_EQ(store->rangeSeries.value(QStringLiteral("C:1_D:0_F:2")).size(), 10000);
    EXPECT_EQ(store->roundCount, 901);
    TemperatureChartData::setQueryPassHook(nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(statisticsEnds, 2);
    EXPECT_EQ(temperatureEnds, 1);
}
