// The result store in whole machine cycles: the rows of a round reach ResStatistics.db after the
// round's outputs are decided, read back with the sqlite3 command; and a round stamped before
// midnight whose evaluation closes the day is filed under the closed day.
#include "tests/mainwindow/cyclefixture.h"

#include "core/wallclock.h"
#include "records/camerastatisticswidget.h"
#include "records/datathread.h"
#include "records/statisticswidget.h"
#include "tests/core/paramtestdb.h"
#include "tests/records/resultrows.h"

#include <QLabel>

#include <QFile>
#include <QThreadPool>

namespace {

QStringList reportRows(const QString& file)
{
    const QString out = sqliteValue(file, QStringLiteral("select roundstart, detectstart, idx_camera, idx_detect, "
                                                         "roi_detail, roi_result, result, description "
                                                         "from res_report order by idx"));
    return out.isEmpty() ? QStringList() : out.split(QLatin1Char('\n'));
}

class ResultRowsTest : public CycleTest {
protected:
    void SetUp() override
    {
        CycleTest::SetUp();
        if (!saveImageMutex)
            saveImageMutex = new QMutex;
        // Only the cavity check runs, half a second after the mould opened.
        params->productCheckEnabled = 0;
        params->triggerDelay[1] = 5;
        store = TemperatureChartData::instance();
        store->insertQueue.clear();
        store->round = RoundRecord();
        store->markNext = 1;
    }
    void TearDown() override
    {
        CycleTest::TearDown();
        WallClock::setForTests(nullptr);
    }
    // The store started as at program start, its read of today done.
    void startStore()
    {
        store->init();
        QThreadPool::globalInstance()->waitForDone();
        ASSERT_TRUE(waitFor([this] { return store->loaded == 1; }, kPatientWaitMs));
    }

    TemperatureChartData* store = nullptr;
};

TEST_F(ResultRowsTest, RowsOfARoundLandAfterItsClampDecisionOnlyTheFirstMarkedRegular)
{
    startStore();
    build(2);
    addPartRegion(0, 1);
    addPartRegion(1, 1);
    // Rows still queued when the clamp is permitted again: nothing waited for the disk.
    int queuedAtClampRelease = -1;
    bool clampProhibited = false;
    QObject::connect(controlPort, &ControlPort::sigIOChange, [&] {
        // The word just published, not yet on the wire.
        const bool active = controlPort->readBit(true, 0) != (params->outputRestState[0] != 0);
        if (active)
            clampProhibited = true;
        else if (clampProhibited && queuedAtClampRelease < 0)
            queuedAtClampRelease = store->insertQueue.size();
    });

    pulseInput(0, 400);
    ASSERT_TRUE(waitFor([] { return cycleCount == 1; }, kPatientWaitMs));
    ASSERT_TRUE(waitFor([this] { return store->insertQueue.isEmpty(); }, kPatientWaitMs));
    EXPECT_EQ(queuedAtClampRelease, 2);

    const QStringList rows = reportRows(QStringLiteral("ResStatistics.db"));
    ASSERT_EQ(rows.size(), 2);
    const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");
    const QString roundStart = store->round.roundStart.toString(format);
    for (int c = 0; c < 2; ++c) {
        SCOPED_TRACE(c);
        const QStringList columns = rows.at(c).split(QLatin1Char('|'));
        ASSERT_EQ(columns.size(), 8);
        EXPECT_EQ(columns.at(0), roundStart);
        EXPECT_GE(QDateTime::fromString(columns.at(1), format), store->round.roundStart);
        // One white-area region, OK: an empty detail element.
        EXPECT_EQ(columns.mid(2, 5), (QStringList{QString::number(c), "1", "[[]]", "[1]", "1"}));
        EXPECT_EQ(columns.at(7), c == 0 ? QStringLiteral("Regular recording") : QString());
    }
}

TEST_F(ResultRowsTest, RoundStampedBeforeMidnightIsFiledUnderTheDayItsEvaluationClosed)
{
    params->statisticsEnabled = 1;
    params->okImagesKept = 2;
    QDateTime now(QDate(2024, 5, 1), QTime(23, 59, 59, 0));
    WallClock::setForTests([&now] { return now; });
    startStore();
    build(1);
    addPartRegion(0, 1);

    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return store->round.roundStart.isValid(); }, kPatientWaitMs)) << "the cycle started";
    // Midnight passes while the cavity check counts down; counting its result closes the day.
    now = QDateTime(QDate(2024, 5, 2), QTime(0, 0, 0, 300));
    ASSERT_TRUE(waitFor([] { return cycleCount == 1; }, kPatientWaitMs));
    setInput(0, false);
    ASSERT_TRUE(waitFor([this] { return store->insertQueue.isEmpty(); }, kPatientWaitMs));

    const QString closed = QStringLiteral("ResStatistics/2024-05-01.db");
    ASSERT_TRUE(QFile::exists(closed)) << "the day was closed";
    const QStringList rows = reportRows(closed);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_TRUE(rows.at(0).startsWith(QStringLiteral("2024-05-01 23:59:59.000|"))) << rows.at(0).toStdString();
    EXPECT_TRUE(reportRows(QStringLiteral("ResStatistics.db")).isEmpty());
}

TEST_F(ResultRowsTest, StartAfterTheClockWasSetBackGoesOnWithThatDaysRowsAndFigures)
{
    // The monitor ran on 1 May and 2 May; the clock was then set back to 1 May and the program
    // restarted, as the time setting does.
    auto round = [](const QDateTime& t, const char* result) {
        return SeedRow{t, t.addMSecs(100), 0, 1, QStringLiteral("[[]]"), QString::fromLatin1(result), 1};
    };
    const QDate may1(2024, 5, 1);
    const QDate may2(2024, 5, 2);
    seedRows(QStringLiteral("ResStatistics/2024-05-01.db"),
             {round(QDateTime(may1, QTime(9, 0)), "[1]"), round(QDateTime(may1, QTime(10, 0)), "[0]"),
              round(QDateTime(may1, QTime(11, 0)), "[1]")});
    seedRows(QStringLiteral("ResStatistics.db"), {round(QDateTime(may2, QTime(9, 0)), "[1]")});
    {
        QFile dayStart(QStringLiteral("restime.txt"));
        ASSERT_TRUE(dayStart.open(QIODevice::WriteOnly));
        dayStart.write(QByteArray::number(QDateTime(may2, QTime(8, 0)).toSecsSinceEpoch()));
    }
    params->statisticsEnabled = 1;
    params->okImagesKept = 2;
    QDateTime now(may1, QTime(15, 0));
    WallClock::setForTests([&now] { return now; });
    startStore();
    build(1);
    addPartRegion(0, 1);

    EXPECT_EQ(todaysFigure(*store, may1), std::make_pair(3, 1));

    pulseInput(0, 400);
    ASSERT_TRUE(waitFor([] { return cycleCount == 1; }, kPatientWaitMs));
    ASSERT_TRUE(waitFor([this] { return store->insertQueue.isEmpty(); }, kPatientWaitMs));
    EXPECT_EQ(todaysFigure(*store, may1), std::make_pair(4, 1));
    // 1 May goes on in its own file; 2 May is in the archive.
    EXPECT_EQ(reportRows(QStringLiteral("ResStatistics.db")).size(), 4);
    EXPECT_EQ(reportRows(QStringLiteral("ResStatistics/2024-05-02.db")).size(), 1);
    EXPECT_FALSE(QFile::exists(QStringLiteral("ResStatistics/2024-05-01.db")));
}

TEST_F(ResultRowsTest, StatisticsAgreeWithTheCameraCountersManualCapturesLeftOut)
{
    startStore();
    build(1);
    addPartRegion(0, 1);
    CycleCamera* camera = CycleCamera::opened().front();
    auto rowsWritten = [] { return reportRows(QStringLiteral("ResStatistics.db")).size(); };
    auto cycle = [&](bool partLeft) {
        const int before = cycleCount;
        camera->setFrame(partLeft ? partLeftInCavity() : emptyCavity());
        waitFrameTaken(camera);
        pulseInput(0, 400);
        ASSERT_TRUE(waitFor([&] { return cycleCount == before + 1; }, kPatientWaitMs));
        if (partLeft) {
            ASSERT_TRUE(waitFor([this] { return window->alarmState == 2; }, kPatientWaitMs));
        } else {
            ASSERT_TRUE(waitFor([this] { return window->alarmState != 1; }, kPatientWaitMs));
        }
    };
    // The operator takes the part out and re-checks: the clearing round, not counted.
    auto clearAlarm = [&] {
        camera->setFrame(emptyCavity());
        waitFrameTaken(camera);
        window->RunAlgorithm(0, 1);
        window->CheckNG(true);
        ASSERT_TRUE(waitFor([this] { return window->alarmState == 0; }, kPatientWaitMs));
    };
    auto manualCapture = [&](bool partLeft) {
        const int rows = rowsWritten();
        camera->setFrame(partLeft ? partLeftInCavity() : emptyCavity());
        waitFrameTaken(camera);
        window->SlotManualTrig(1);
        ASSERT_TRUE(waitFor([&] { return rowsWritten() > rows; }, kPatientWaitMs));
        if (partLeft) {
            ASSERT_TRUE(waitFor([this] { return window->alarmState == 2; }, kPatientWaitMs));
        } else {
            ASSERT_TRUE(waitFor([this] { return window->alarmState != 1; }, kPatientWaitMs));
        }
    };

    // By hand: OK, OK, NG (cleared), a manual capture of the part (NG, cleared), a manual capture
    // of the empty cavity, OK: four machine cycles, one of them NG. Manual captures are
    // evaluated but not counted.
    cycle(false);
    cycle(false);
    cycle(true);
    clearAlarm();
    manualCapture(true);
    clearAlarm();
    manualCapture(false);
    cycle(false);
    ASSERT_TRUE(waitFor([this] { return store->insertQueue.isEmpty(); }, kPatientWaitMs));
    const int handTotal = 4;
    const int handNg = 1;
    ASSERT_EQ(totalCounts[0], handTotal);
    ASSERT_EQ(ngCounts[0], handNg);
    // The manual captures' rows are kept (the chart and the export show them), marked.
    EXPECT_EQ(sqliteValue(QStringLiteral("ResStatistics.db"),
                          QStringLiteral("select count(distinct roundstart) from res_report where left_out = 'Manual capture'")),
              QStringLiteral("2"));

    // The screen on today's figures.
    StatisticsWidget screen;
    screen.resetToToday();
    EXPECT_EQ(screen.page->totalCount->text(), QString::number(handTotal));
    EXPECT_EQ(screen.page->totalNGCount->text(), QString::number(handNg));

    // A search of today alone, read from the file.
    QueryFilter f;
    f.from = QDateTime(QDate::currentDate(), QTime(0, 0));
    f.to = QDateTime(QDate::currentDate(), QTime(23, 59, 59, 999));
    store->statisticsSource = 1;
    store->setFilter(f);
    store->startQuery(TemperatureChartData::QueryPass::Statistics);
    store->queryThread->wait();
    EXPECT_EQ(store->roundCount, handTotal);
    EXPECT_EQ(store->ngRoundCount, handNg);
    store->statisticsSource = 0;

    // Today's figures read back at the next start.
    store->clearTodayRounds();
    startStore();
    store->setFilter(f);
    store->buildDayAxis();
    store->computeStatistics();
    EXPECT_EQ(store->roundCount, handTotal);
    EXPECT_EQ(store->ngRoundCount, handNg);
}

}  // namespace
