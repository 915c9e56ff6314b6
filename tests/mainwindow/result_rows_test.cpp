// The result store in whole machine cycles: the rows of a round reach ResStatistics.db after the
// round's outputs are decided, read back with the sqlite3 command; and a round stamped before
// midnight whose evaluation closes the day is filed under the closed day.
#include "tests/mainwindow/cyclefixture.h"

#include "core/wallclock.h"
#include "tests/core/paramtestdb.h"

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
        ASSERT_TRUE(waitFor([this] { return store->loaded == 1; }, 2000));
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
    ASSERT_TRUE(waitFor([this] { return store->round.roundStart.isValid(); }, 2000)) << "the cycle started";
    // Midnight passes while the cavity check counts down; counting its result closes the day.
    now = QDateTime(QDate(2024, 5, 2), QTime(0, 0, 0, 300));
    ASSERT_TRUE(waitFor([] { return cycleCount == 1; }, 4000));
    setInput(0, false);
    ASSERT_TRUE(waitFor([this] { return store->insertQueue.isEmpty(); }, 2000));

    const QString closed = QStringLiteral("ResStatistics/2024-05-01.db");
    ASSERT_TRUE(QFile::exists(closed)) << "the day was closed";
    const QStringList rows = reportRows(closed);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_TRUE(rows.at(0).startsWith(QStringLiteral("2024-05-01 23:59:59.000|"))) << rows.at(0).toStdString();
    EXPECT_TRUE(reportRows(QStringLiteral("ResStatistics.db")).isEmpty());
}

}  // namespace
