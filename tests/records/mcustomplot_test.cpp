// The real-time temperature curve on the process's result store, at a wall clock the tests set:
// rebuilds from today's or the queried series, the 1 s tick with the store's new points, pause
// and resume, the filter, labels and highlighting, and the column sampling of long series.
#include "records/mcustomplot.h"

#include "core/wallclock.h"
#include "records/columnsampler.h"
#include "records/temperaturechartdata.h"
#include "widgets/colorbutton.h"
#include "widgets/custombutton.h"

#include <QDir>
#include <QMouseEvent>
#include <QTest>

#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

const QDateTime kNow(QDate(2026, 3, 14), QTime(10, 0, 0));

double at(int secondsBeforeNow)
{
    return double(kNow.addSecs(-secondsBeforeNow).toSecsSinceEpoch());
}

// A round of camera `camera`, detect `detect` with a defect region and a temperature region
// (region position 1) inspected `secondsBeforeNow` before now.
RoundRecord temperatureRound(int camera, int detect, int temperature, int secondsBeforeNow)
{
    RoundRecord r;
    r.camera = camera;
    r.detect = detect;
    r.roundStart = kNow.addSecs(-secondsBeforeNow);
    r.detectStart = r.roundStart;
    r.result = 1;
    r.roiDetail = {{0, 12, 25, 100, 3}, {9, temperature, 20, 60, 3}};
    r.roiResult = {1, 1};
    return r;
}

// The points a graph holds, as (x, y) pairs.
QVector<QPointF> graphPoints(QCPGraph* graph)
{
    QVector<QPointF> out;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
        out.append(QPointF(it->key, it->value));
    return out;
}

class CurveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WallClock::setForTests([]() { return kNow; });
        resetStore();
        curve = std::make_unique<mCustomPlot>();
        // Laid out as on the screen: the plot takes its size when it is shown.
        curve->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(curve.get()));
    }
    void TearDown() override
    {
        curve.reset();
        resetStore();
        WallClock::setForTests({});
    }
    static void resetStore()
    {
        TemperatureChartData* s = TemperatureChartData::instance();
        s->todaySeries.clear();
        s->rangeSeries.clear();
        s->newPoints.clear();
        s->chartSource = 0;
        s->curveRunning = false;
    }
    TemperatureChartData& store() { return *TemperatureChartData::instance(); }

    // A round as the detection engine hands it over (the row itself is not written here).
    void enter(const RoundRecord& r)
    {
        store().setRoundInfo(r);
        store().addRoundToSeries();
    }

    // What the chart screen does when it opens.
    void openRealtime()
    {
        curve->setModeButton(QStringLiteral("实时"), true);
        curve->setRealtimeWindow();
        curve->clearSeries();
        curve->applyTimeRange();
        curve->rebuildGraphs();
        curve->refreshLabels();
        curve->applyTimeRange();
        curve->startTimer();
    }

    QCPGraph* graphOf(const QString& key) { return curve->plot->graph(curve->graphIndex.value(key, -1)); }

    // The plot as a person sees it; also written as <name>.png.
    void shot(const QString& name)
    {
        curve->plot->replot();
        const QImage image = curve->grab().toImage();
        ASSERT_FALSE(image.isNull());
        const QByteArray dir = qgetenv("MONITOR_TEST_SHOTS");
        if (!dir.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(dir));
            image.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name + QStringLiteral(".png"));
        }
    }

    std::unique_ptr<mCustomPlot> curve;
};

}  // namespace

TEST(CurveTitles, SeriesKeysNameCameraCheckAndRegionFromOne)
{
    const struct {
        const char* key;
        const char* title;
    } cases[] = {
        {"C:0_D:2_F:12", "相机:1_模腔检测_区域:13"},
        {"C:3_D:0_F:0", "相机:4_成品检测_区域:1"},
        {"C:7_D:1_F:49", "相机:8_模腔检测_区域:50"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mCustomPlot::seriesTitle(QString::fromLatin1(c.key)), QString::fromUtf8(c.title)) << c.key;
}

TEST(CurveColours, TenFixedColoursThenOthers)
{
    EXPECT_EQ(mCustomPlot::graphColour(0), QColor(255, 0, 0));
    EXPECT_EQ(mCustomPlot::graphColour(6), QColor(255, 69, 0));
    EXPECT_EQ(mCustomPlot::graphColour(9), QColor(255, 128, 193));
    // Past the table each component is below 255.
    for (int n = 10; n < 40; ++n) {
        const QColor c = mCustomPlot::graphColour(n);
        EXPECT_TRUE(c.red() < 255 && c.green() < 255 && c.blue() < 255) << n;
    }
}

TEST_F(CurveTest, OpeningDrawsTodaysSeriesInTheLastFifteenMinutes)
{
    enter(temperatureRound(0, 0, 36, 600));
    enter(temperatureRound(0, 0, 38, 300));
    enter(temperatureRound(1, 1, 50, 400));
    EXPECT_TRUE(store().newPoints.isEmpty()) << "the chart was closed";
    openRealtime();

    EXPECT_TRUE(curve->hasGraphs);
    ASSERT_EQ(curve->plot->graphCount(), 2);
    EXPECT_EQ(curve->graphIndex.value("C:0_D:0_F:1"), 0);
    EXPECT_EQ(curve->graphIndex.value("C:1_D:1_F:1"), 1);
    EXPECT_EQ(graphPoints(graphOf("C:0_D:0_F:1")), (QVector<QPointF>{{at(600), 36}, {at(300), 38}}));
    EXPECT_EQ(curve->plot->graph(1)->name(), QStringLiteral("相机:2_模腔检测_区域:2"));
    EXPECT_EQ(curve->plot->graph(1)->pen().color(), QColor(0, 255, 0));
    EXPECT_TRUE(curve->plot->legend->visible());
    EXPECT_EQ(curve->plot->xAxis->range().lower, at(890));
    EXPECT_EQ(curve->plot->xAxis->range().upper, at(-10));
    EXPECT_TRUE(curve->timer.isActive());
    EXPECT_TRUE(store().curveRunning);
    shot(QStringLiteral("curve-realtime"));
}

TEST_F(CurveTest, NoSeriesShowsThePlaceholderUntilTheFirstPoints)
{
    openRealtime();
    ASSERT_EQ(curve->plot->graphCount(), 1);
    EXPECT_FALSE(curve->hasGraphs);
    EXPECT_EQ(curve->plot->graph(0)->name(), QStringLiteral("相机:0_没有检测_区域:0"));
    curve->updateLegend();
    EXPECT_FALSE(curve->plot->legend->visible());

    enter(temperatureRound(2, 0, 41, 1));
    curve->realTimeDataSlot();
    ASSERT_EQ(curve->plot->graphCount(), 1);
    EXPECT_TRUE(curve->hasGraphs);
    EXPECT_EQ(curve->plot->graph(0)->name(), QStringLiteral("相机:3_成品检测_区域:2"));
    EXPECT_EQ(graphPoints(curve->plot->graph(0)), (QVector<QPointF>{{at(1), 41}}));
    EXPECT_TRUE(curve->plot->legend->visible());
}

TEST_F(CurveTest, EachTickAppendsTheNewPointsAndFollowsThePresent)
{
    enter(temperatureRound(0, 0, 36, 100));
    openRealtime();
    enter(temperatureRound(0, 0, 37, 2));
    enter(temperatureRound(0, 0, 39, 1));
    ASSERT_EQ(store().newPoints.value("C:0_D:0_F:1").size(), 2);

    // The clock moves on by 5 s before the tick.
    WallClock::setForTests([]() { return kNow.addSecs(5); });
    curve->realTimeDataSlot();
    EXPECT_EQ(graphPoints(graphOf("C:0_D:0_F:1")), (QVector<QPointF>{{at(100), 36}, {at(2), 37}, {at(1), 39}}));
    EXPECT_TRUE(store().newPoints.isEmpty());
    const QCPRange x = curve->plot->xAxis->range();
    EXPECT_EQ(x.lower, at(890 - 5));
    EXPECT_EQ(x.upper - x.lower, 900.0);
    EXPECT_EQ(curve->windowEnd, kNow.addSecs(15));

    // Nothing new: the next tick adds nothing.
    curve->realTimeDataSlot();
    EXPECT_EQ(graphOf("C:0_D:0_F:1")->dataCount(), 3);
}

TEST_F(CurveTest, PauseKeepsTheCurvesStillAndResumeRebuildsWithoutDuplicates)
{
    enter(temperatureRound(0, 1, 36, 100));
    openRealtime();
    // Points that reached the store before the rebuild are drawn by it, not again by the tick.
    curve->realTimeDataSlot();
    EXPECT_EQ(graphOf("C:0_D:1_F:1")->dataCount(), 1);

    QTest::mouseClick(curve->realtimeButton, Qt::LeftButton);
    EXPECT_EQ(store().chartSource, 1);
    EXPECT_EQ(curve->realtimeButton->text(), QStringLiteral("暂停"));
    EXPECT_FALSE(curve->realtimeButton->isChecked());
    EXPECT_FALSE(curve->timer.isActive());

    enter(temperatureRound(0, 1, 40, 50));
    enter(temperatureRound(3, 1, 45, 40));
    EXPECT_TRUE(store().newPoints.isEmpty()) << "nothing is kept while paused";
    curve->realTimeDataSlot();  // a stray tick changes nothing either
    EXPECT_EQ(curve->plot->graphCount(), 1);
    EXPECT_EQ(graphOf("C:0_D:1_F:1")->dataCount(), 1);

    QTest::mouseClick(curve->realtimeButton, Qt::LeftButton);
    EXPECT_EQ(store().chartSource, 0);
    EXPECT_EQ(curve->realtimeButton->text(), QStringLiteral("实时"));
    EXPECT_TRUE(curve->realtimeButton->isChecked());
    EXPECT_TRUE(curve->timer.isActive());
    ASSERT_EQ(curve->plot->graphCount(), 2);
    curve->realTimeDataSlot();
    EXPECT_EQ(graphPoints(graphOf("C:0_D:1_F:1")), (QVector<QPointF>{{at(100), 36}, {at(50), 40}}));
    EXPECT_EQ(graphPoints(graphOf("C:3_D:1_F:1")), (QVector<QPointF>{{at(40), 45}}));
}

TEST_F(CurveTest, StoppedTimerKeepsNewPointsEmpty)
{
    openRealtime();
    curve->stopTimer();
    EXPECT_FALSE(store().curveRunning);
    for (int i = 0; i < 50; ++i)
        enter(temperatureRound(0, 0, 30 + i % 5, 500 - i));
    EXPECT_TRUE(store().newPoints.isEmpty());
    EXPECT_EQ(store().todaySeries.value("C:0_D:0_F:1").size(), 50);
}

TEST_F(CurveTest, AQueryIsShownOverItsRange)
{
    const QDateTime from(QDate(2026, 3, 1), QTime(8, 0));
    const QDateTime to(QDate(2026, 3, 2), QTime(8, 0));
    store().rangeSeries["C:1_D:0_F:0"] = {{double(from.addSecs(60).toSecsSinceEpoch()), 33},
                                          {double(from.addSecs(7200).toSecsSinceEpoch()), 34}};
    enter(temperatureRound(0, 0, 36, 100));  // today's: not shown with the query
    store().chartSource = 2;
    curve->stopTimer();
    curve->setModeButton(QStringLiteral("暂停"), false);
    curve->clearSeries();
    curve->setQuery(1, -1, -1, from, to);
    curve->rebuildGraphs();
    curve->applyTimeRange();
    ASSERT_EQ(curve->plot->graphCount(), 1);
    EXPECT_EQ(curve->graphIndex.keys(), QStringList{"C:1_D:0_F:0"});
    EXPECT_EQ(curve->plot->xAxis->range().lower, double(from.toSecsSinceEpoch()));
    EXPECT_EQ(curve->plot->xAxis->range().upper, double(to.toSecsSinceEpoch()));

    // The real-time button leaves the query for today's series.
    QTest::mouseClick(curve->realtimeButton, Qt::LeftButton);
    EXPECT_EQ(store().chartSource, 0);
    EXPECT_EQ(curve->graphIndex.keys(), QStringList{"C:0_D:0_F:1"});
}

TEST_F(CurveTest, FilterShowsOnlyTheChosenCameraDetectAndRegion)
{
    store().todaySeries["C:0_D:0_F:1"] = {{at(10), 30}};
    store().todaySeries["C:0_D:1_F:1"] = {{at(10), 31}};
    store().todaySeries["C:1_D:0_F:1"] = {{at(10), 32}};
    store().todaySeries["C:1_D:0_F:12"] = {{at(10), 33}};
    openRealtime();
    const struct {
        int camera, detect, region;
        QStringList shown;
    } cases[] = {
        {-1, -1, -1, {"C:0_D:0_F:1", "C:0_D:1_F:1", "C:1_D:0_F:1", "C:1_D:0_F:12"}},
        {0, -1, -1, {"C:0_D:0_F:1", "C:0_D:1_F:1"}},
        {-1, 0, 1, {"C:0_D:0_F:1", "C:1_D:0_F:1"}},
        {1, 0, 12, {"C:1_D:0_F:12"}},
        {5, -1, -1, {}},
    };
    for (const auto& c : cases) {
        curve->setQuery(c.camera, c.detect, c.region, QDateTime(), QDateTime());
        curve->filterSeries();
        QStringList shown;
        QList<int> indexes;
        for (auto it = curve->graphIndex.cbegin(); it != curve->graphIndex.cend(); ++it) {
            if (curve->plot->graph(it.value())->visible()) {
                shown << it.key();
                indexes << it.value();
            }
        }
        EXPECT_EQ(shown, c.shown) << c.camera << " " << c.detect << " " << c.region;
        EXPECT_EQ(curve->shownGraphs, indexes);
    }

    // A series that starts while the filter stands follows it.
    curve->setQuery(0, -1, -1, QDateTime(), QDateTime());
    curve->filterSeries();
    enter(temperatureRound(4, 0, 50, 1));
    curve->realTimeDataSlot();
    EXPECT_FALSE(graphOf("C:4_D:0_F:1")->visible());
}

TEST_F(CurveTest, LabelShowsTheHighlightedGraphsInterpolatedValue)
{
    store().todaySeries["C:0_D:0_F:1"] = {{at(400), 30}, {at(200), 40}};
    store().todaySeries["C:1_D:0_F:1"] = {{at(400), 60}, {at(200), 70}};
    openRealtime();
    curve->plot->replot();

    // The first press switches labels on and leaves the button as it reads.
    QTest::mouseClick(curve->labelButton, Qt::LeftButton);
    EXPECT_TRUE(curve->labelsOn);
    EXPECT_EQ(curve->labelButton->text(), QStringLiteral("显示标签"));
    EXPECT_TRUE(curve->labelButton->isChecked());

    // Highlight the second graph as a tap on its legend entry does.
    QCPPlottableLegendItem* item = curve->plot->legend->itemWithPlottable(curve->plot->graph(1));
    ASSERT_NE(item, nullptr);
    item->setSelected(true);
    curve->selectedShow();
    EXPECT_EQ(curve->selectedGraph, 1);
    EXPECT_EQ(curve->plot->graph(1)->selection().dataPointCount(), 2);
    EXPECT_EQ(curve->plot->graph(1)->selectionDecorator()->pen().color(), QColor(255, 215, 0));

    // A press half way between the two points.
    const int x = int(std::lround(curve->plot->xAxis->coordToPixel(at(300))));
    QTest::mouseClick(curve->plot, Qt::LeftButton, Qt::NoModifier, QPoint(x, 400));
    EXPECT_TRUE(curve->label->visible());
    const QString time = QDateTime::fromSecsSinceEpoch(qint64(curve->tracer->position->key()))
                             .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    // Interpolated on the line between (t-400 s, 60) and (t-200 s, 70) at the pressed time.
    const double key = curve->tracer->position->key();
    EXPECT_NEAR(key, at(300), 10.0);
    EXPECT_NEAR(curve->tracer->position->value(), 60 + (key - at(400)) / 200 * 10, 1e-6);
    EXPECT_TRUE(curve->label->text().startsWith(QStringLiteral("日期:") + time + QStringLiteral("\n温度:6")))
        << curve->label->text().toStdString();
    shot(QStringLiteral("curve-label"));

    // A graph made by a tick after the rebuild carries no label.
    enter(temperatureRound(2, 0, 50, 1));
    curve->realTimeDataSlot();
    curve->selectedGraph = curve->graphIndex.value("C:2_D:0_F:1");
    QTest::mouseClick(curve->plot, Qt::LeftButton, Qt::NoModifier, QPoint(x, 400));
    EXPECT_FALSE(curve->label->visible());

    // Labels off: presses on the plot no longer move the label.
    QTest::mouseClick(curve->labelButton, Qt::LeftButton);
    EXPECT_FALSE(curve->labelsOn);
    EXPECT_EQ(curve->labelButton->text(), QStringLiteral("隐藏标签"));
    EXPECT_FALSE(curve->labelButton->isChecked());
    curve->selectedGraph = 0;
    QTest::mouseClick(curve->plot, Qt::LeftButton, Qt::NoModifier, QPoint(x, 400));
    EXPECT_FALSE(curve->label->visible());
}

TEST_F(CurveTest, StaleGraphNumbersAfterARebuildHideTheLabel)
{
    store().todaySeries["C:0_D:0_F:1"] = {{at(400), 30}, {at(200), 40}};
    store().todaySeries["C:1_D:0_F:1"] = {{at(400), 60}, {at(200), 70}};
    openRealtime();
    QTest::mouseClick(curve->labelButton, Qt::LeftButton);
    curve->selectedGraph = 1;
    // Today's second series is gone (the day rolled over): one graph is left.
    store().todaySeries.remove("C:1_D:0_F:1");
    curve->clearSeries();
    curve->rebuildGraphs();
    EXPECT_EQ(curve->shownGraphs, QList<int>{0});
    curve->plot->replot();
    QTest::mouseClick(curve->plot, Qt::LeftButton, Qt::NoModifier, QPoint(800, 400));
    EXPECT_FALSE(curve->label->visible());
}

TEST_F(CurveTest, ZoomButtonSwitchesTheDragBetweenMovingAndRectangleZoom)
{
    EXPECT_EQ(curve->plot->selectionRectMode(), QCP::srmNone);
    QTest::mouseClick(curve->zoomButton, Qt::LeftButton);
    EXPECT_TRUE(curve->zoomMode);
    EXPECT_EQ(curve->plot->selectionRectMode(), QCP::srmZoom);
    EXPECT_EQ(curve->zoomButton->text(), QStringLiteral("区域放大"));
    EXPECT_FALSE(curve->zoomButton->isChecked());
    QTest::mouseClick(curve->zoomButton, Qt::LeftButton);
    EXPECT_FALSE(curve->zoomMode);
    EXPECT_EQ(curve->plot->selectionRectMode(), QCP::srmNone);
    EXPECT_EQ(curve->zoomButton->text(), QStringLiteral("区域移动"));
    EXPECT_TRUE(curve->zoomButton->isChecked());
}

TEST_F(CurveTest, LongSeriesAreSampledPerColumnAndInFullWhenZoomedIn)
{
    // A month at one reading a minute, with one short peak and one dip.
    const QDateTime from = kNow.addDays(-30);
    QVector<QPointF> month;
    for (int i = 0; i < 30 * 1440; ++i)
        month.append(QPointF(double(from.addSecs(60 * i).toSecsSinceEpoch()), 40 + (i % 7)));
    month[20000].setY(95);
    month[30000].setY(-5);
    store().rangeSeries["C:0_D:0_F:3"] = month;
    store().chartSource = 2;
    curve->clearSeries();
    curve->setQuery(-1, -1, -1, from, kNow);
    curve->rebuildGraphs();
    curve->applyTimeRange();
    curve->plot->replot();

    QCPGraph* graph = curve->plot->graph(0);
    const int columns = 1760 - 310 - 20;  // the axis rectangle's width, right of the buttons' column
    EXPECT_LE(graph->dataCount(), 2 * columns);
    EXPECT_GT(graph->dataCount(), columns);
    EXPECT_EQ(curve->plot->yAxis->range().upper >= 95 && curve->plot->yAxis->range().lower <= -5, true);
    const QVector<QPointF> drawn = graphPoints(graph);
    EXPECT_TRUE(drawn.contains(month[20000]));
    EXPECT_TRUE(drawn.contains(month[30000]));

    // Zoomed into three hours around the peak, every reading there is drawn.
    curve->plot->xAxis->setRange(month[20000].x() - 5400, month[20000].x() + 5400);
    QTest::qWait(300);
    int inView = 0;
    for (const QPointF& p : graphPoints(curve->plot->graph(0)))
        inView += p.x() >= month[20000].x() - 5400 && p.x() <= month[20000].x() + 5400;
    EXPECT_EQ(inView, 181);
}

TEST(ColumnSampling, KeepsEachColumnsExtremesInTimeOrder)
{
    QVector<QPointF> series;
    for (int i = 0; i < 1000; ++i)
        series.append(QPointF(i, std::sin(i * 0.1) * 10));
    QVector<QPointF> out;

    sampleColumns(series, 0, 999, 300, out);
    EXPECT_EQ(out.size(), 1000) << "short enough to draw whole";

    sampleColumns(series, 0, 1000, 10, out);
    ASSERT_EQ(out.size(), 20);
    for (int c = 0; c < 10; ++c) {
        double low = 1e9, high = -1e9;
        for (int i = c * 100; i < c * 100 + 100; ++i) {
            low = std::min(low, series[i].y());
            high = std::max(high, series[i].y());
        }
        const QPointF a = out[2 * c], b = out[2 * c + 1];
        EXPECT_LT(a.x(), b.x());
        EXPECT_EQ(std::min(a.y(), b.y()), low) << c;
        EXPECT_EQ(std::max(a.y(), b.y()), high) << c;
    }

    // A view of [400, 500]: those hundred points whole at 50 columns, the rest coarse around them.
    sampleColumns(series, 400, 499, 50, out);
    int inside = 0;
    for (int i = 0; i < out.size(); ++i) {
        inside += out[i].x() >= 400 && out[i].x() <= 499;
        if (i > 0) {
            EXPECT_LT(out[i - 1].x(), out[i].x());
        }
    }
    EXPECT_EQ(inside, 100);
    EXPECT_LE(out.size(), 100 + 2 * 50 * 2);
}

TEST_F(CurveTest, AReadingStampedBeforeTheLastKeepsALongSeriesInTimeOrder)
{
    // Three hours at one reading a second: long enough to be sampled per column.
    QVector<QPointF> today;
    for (int i = 0; i < 3 * 3600; ++i)
        today.append(QPointF(at(3 * 3600 - i), 40 + i % 3));
    store().todaySeries["C:0_D:0_F:1"] = today;
    openRealtime();
    // The clock was set back: a reading stamped two hours ago arrives.
    store().setRoundInfo(temperatureRound(0, 0, 41, 2 * 3600 + 1));
    store().addRoundToSeries();
    curve->realTimeDataSlot();
    curve->plot->xAxis->setRange(at(2 * 3600 + 60), at(2 * 3600 - 60));
    curve->resampleGraphs();
    EXPECT_TRUE(graphPoints(curve->plot->graph(0)).contains(QPointF(at(2 * 3600 + 1), 41)));
}

TEST_F(CurveTest, ValueAxisFollowsTheReadingsAloneOverTicksAndRestore)
{
    const struct {
        const char* name;
        QList<int> readings;  // one a minute, the last a minute ago
        double low;
        double high;
        const char* shot;
    } cases[] = {
        {"no readings: a fixed range", {}, 0, 100, "curve-axis-empty"},
        {"a reading that never changes: a span around it", {40, 40, 40}, 34.5, 45.5, "curve-axis-flat"},
        {"changing readings: their span and a twentieth", {30, 50, 42}, 29, 51, "curve-axis-readings"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        curve->stopTimer();
        resetStore();
        for (int i = 0; i < c.readings.size(); ++i)
            enter(temperatureRound(0, 0, c.readings[i], 60 * (c.readings.size() - i)));
        openRealtime();
        const auto range = [this] { return curve->plot->yAxis->range(); };
        EXPECT_DOUBLE_EQ(range().lower, c.low);
        EXPECT_DOUBLE_EQ(range().upper, c.high);
        // Three minutes of live ticks, and "还原".
        for (int tick = 0; tick < 180; ++tick)
            curve->realTimeDataSlot();
        EXPECT_DOUBLE_EQ(range().lower, c.low) << "after the ticks";
        EXPECT_DOUBLE_EQ(range().upper, c.high) << "after the ticks";
        curve->restoreButton->click();
        EXPECT_DOUBLE_EQ(range().lower, c.low) << "after 还原";
        EXPECT_DOUBLE_EQ(range().upper, c.high) << "after 还原";
        shot(QString::fromLatin1(c.shot));
    }
}
