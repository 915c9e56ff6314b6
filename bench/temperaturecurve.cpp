// Cost of the temperature curve on long ranges: a rebuild of the graphs and one replot for 31
// days of 8 series (2.1 M readings, the result queries' benchmark size), and the resident memory
// of the process before and after a year of those readings (25 M) is read and plotted.
#include "core/wallclock.h"
#include "records/mcustomplot.h"
#include "records/temperaturechartdata.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>

#include <qcustomplot.h>

#include <cmath>

namespace {

constexpr int kSeries = 8;
// 2.1 M readings in 31 days over 8 series: one reading per series every 10.2 s.
constexpr double kReadingsPerDay = 2100000.0 / 31 / kSeries;

const QDateTime kEnd(QDate(2026, 3, 14), QTime(12, 0));

// What the query of `days` days up to kEnd leaves in the store: 8 series of readings that wander
// around 40 to 80 degrees with the cycle.
QMap<QString, TemperatureChartData::Series> rangeOf(int days)
{
    QMap<QString, TemperatureChartData::Series> series;
    const double start = double(kEnd.addDays(-days).toSecsSinceEpoch());
    const int n = int(kReadingsPerDay * days);
    const double step = 86400.0 * days / n;
    for (int s = 0; s < kSeries; ++s) {
        TemperatureChartData::Series& points = series[TemperatureChartData::seriesKey(s / 2, s % 2, 1)];
        points.reserve(n);
        for (int i = 0; i < n; ++i)
            points.append(QPointF(std::floor(start + i * step), 40 + 5 * s + 10 * std::sin(i * 0.001) + (i % 13)));
    }
    return series;
}

// The curve as the chart screen shows it after a search of `days` days.
struct QueriedCurve {
    explicit QueriedCurve(int days)
    {
        WallClock::setForTests([]() { return kEnd; });
        store->rangeSeries = rangeOf(days);
        store->chartSource = 2;
        curve.show();
        curve.setQuery(-1, -1, -1, kEnd.addDays(-days), kEnd);
    }
    ~QueriedCurve()
    {
        curve.clearSeries();
        store->rangeSeries.clear();
        WallClock::setForTests({});
    }
    void rebuild()
    {
        curve.clearSeries();
        curve.rebuildGraphs();
        curve.applyTimeRange();
    }

    TemperatureChartData* store = TemperatureChartData::instance();
    mCustomPlot curve;
};

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void BM_RebuildGraphs31Days(benchmark::State& state)
{
    QueriedCurve chart(31);
    for (auto _ : state)
        chart.rebuild();
    state.counters["points"] = double(chart.curve.plot->graph(0)->dataCount() * kSeries);
}
BENCHMARK(BM_RebuildGraphs31Days)->Unit(benchmark::kMillisecond);

void BM_Replot31Days(benchmark::State& state)
{
    QueriedCurve chart(31);
    chart.rebuild();
    for (auto _ : state)
        chart.curve.plot->replot(QCustomPlot::rpImmediateRefresh);
}
BENCHMARK(BM_Replot31Days)->Unit(benchmark::kMillisecond);

// A zoom or a drag on a month: the readings in view are sampled again per column.
void BM_ZoomResample31Days(benchmark::State& state)
{
    QueriedCurve chart(31);
    chart.rebuild();
    QCPAxis* x = chart.curve.plot->xAxis;
    const double full = x->range().size();
    double factor = 0.5;
    for (auto _ : state) {
        x->setRange(x->range().center(), full * factor, Qt::AlignCenter);
        factor = factor == 0.5 ? 0.25 : 0.5;
        chart.curve.resampleGraphs();
    }
}
BENCHMARK(BM_ZoomResample31Days)->Unit(benchmark::kMillisecond);

// Resident memory of the process before a year's query, with the year's readings in the store,
// and after the curve has plotted them (kibibytes).
void BM_PlotYearMemory(benchmark::State& state)
{
    for (auto _ : state) {
        const long before = residentKiB();
        QueriedCurve chart(365);
        const long stored = residentKiB();
        chart.rebuild();
        chart.curve.plot->replot(QCustomPlot::rpImmediateRefresh);
        const long plotted = residentKiB();
        state.counters["rss_before_MiB"] = before / 1024.0;
        state.counters["rss_stored_MiB"] = stored / 1024.0;
        state.counters["rss_plotted_MiB"] = plotted / 1024.0;
        state.counters["plotted_points"] = double(chart.curve.plot->graph(0)->dataCount() * kSeries);
    }
}
BENCHMARK(BM_PlotYearMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
