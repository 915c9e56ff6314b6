// Time and peak memory of the result store's two date-range passes (statistics counts and
// temperature series) over 1, 31 and 365 days of a plant's rows: 2 cameras, 2 detects, a cycle
// every 10 s, 10 regions a detect of which 2 measure temperature (34,560 rows, 69,120 points a
// day; one archive file a day).
//
// The quick run (as CTest runs it) seeds and reads one day in its working directory. With
// MONITOR_BENCH_YEAR=<folder> all three sizes run on a year seeded once into that folder and
// kept there for the next run:
//   MONITOR_BENCH_YEAR=/tmp/monitor-result-year build/bench/bench_resultqueries
#include "records/datathread.h"
#include "records/temperaturechartdata.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTime>
#include <QVariant>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

const QDate kLastDay(2023, 12, 31);
constexpr int kCycleSeconds = 10;
constexpr int kRegions = 10;

QString stamp(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

// One archive file with a day of rows; skipped when it is there already.
bool seedDay(const QDate& day)
{
    const QString file = QStringLiteral("ResStatistics/%1.db").arg(day.toString(Qt::ISODate));
    if (QFile::exists(file))
        return true;
    QDir().mkpath(QStringLiteral("ResStatistics"));
    const QString partial = file + QStringLiteral(".part");
    QFile::remove(partial);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("seed"));
        db.setDatabaseName(partial);
        ok = db.open();
        QSqlQuery q(db);
        ok = ok && q.exec(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS res_report(idx INTEGER PRIMARY KEY,roundstart VARCHAR(32) NOT NULL,detectstart "
            "VARCHAR(32) NOT NULL,idx_camera INT NOT NULL,idx_detect INT NOT NULL,roi_detail TEXT NOT NULL,roi_result "
            "TEXT NOT NULL,result tinyint NOT NULL,description TEXT)"));
        ok = ok && db.transaction();
        ok = ok && q.prepare(QStringLiteral("INSERT INTO res_report (roundstart, detectstart, idx_camera, idx_detect, "
                                            "roi_detail, roi_result, result, description) values (?,?,?,?,?,?,?,?)"));
        int n = 0;
        for (int s = 0; ok && s < 86400; s += kCycleSeconds, ++n) {
            const QDateTime round(day, QTime(0, 0).addSecs(s).addMSecs(n % 1000));
            for (int detect = 0; detect < 2; ++detect)
                for (int camera = 0; camera < 2; ++camera) {
                    QStringList detail;
                    QStringList result;
                    for (int r = 0; r < kRegions; ++r) {
                        detail << (r < 2 ? QStringLiteral("[9,%1,20,60,3]").arg(30 + (n + r) % 20)
                                         : QStringLiteral("[0,%1,25,100,3]").arg(n % 50));
                        result << ((n + r + camera) % 97 == 0 ? QStringLiteral("0") : QStringLiteral("1"));
                    }
                    q.addBindValue(stamp(round));
                    q.addBindValue(stamp(round.addMSecs(detect * 3000 + camera * 120 + 5)));
                    q.addBindValue(camera);
                    q.addBindValue(detect);
                    q.addBindValue(QLatin1Char('[') + detail.join(',') + QLatin1Char(']'));
                    q.addBindValue(QLatin1Char('[') + result.join(',') + QLatin1Char(']'));
                    q.addBindValue(result.contains(QStringLiteral("0")) ? 0 : 1);
                    q.addBindValue(n % 180 == 0 ? QStringLiteral("Regular recording") : QString());
                    ok = q.exec();
                }
        }
        ok = ok && db.commit();
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("seed"));
    return ok && QFile::rename(partial, file);
}

// Peak resident memory since the last reset, in MiB.
double peakMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void runPass(benchmark::State& state, TemperatureChartData::QueryPass pass)
{
    const int days = int(state.range(0));
    for (int d = 0; d < days; ++d)
        if (!seedDay(kLastDay.addDays(-d))) {
            state.SkipWithError("cannot seed the day files");
            return;
        }
    QueryFilter f;
    f.from = QDateTime(kLastDay.addDays(1 - days), QTime(0, 0));
    f.to = QDateTime(kLastDay, QTime(23, 59, 59, 999));
    double peak = 0;
    double before = 0;
    qint64 found = 0;
    for (auto _ : state) {
        TemperatureChartData store;
        store.setFilter(f);
        before = residentMiB();
        resetPeak();
        store.startQuery(pass);
        store.queryThread->wait();
        peak = qMax(peak, peakMiB() - before);
        if (pass == TemperatureChartData::QueryPass::Statistics) {
            found = store.roundCount;
        } else {
            found = 0;
            for (const auto& series : store.rangeSeries)
                found += series.size();
        }
    }
    state.counters["peak_growth_MiB"] = peak;
    state.counters[pass == TemperatureChartData::QueryPass::Statistics ? "rounds" : "points"] = double(found);
}

void BM_StatisticsPass(benchmark::State& state)
{
    runPass(state, TemperatureChartData::QueryPass::Statistics);
}

void BM_TemperaturePass(benchmark::State& state)
{
    runPass(state, TemperatureChartData::QueryPass::Temperature);
}

// Today's rows read back into the outcomes and series in memory, as after the clock returned to
// a day already archived (on the thread that rolls the day over).
void BM_TodayReload(benchmark::State& state)
{
    if (!seedDay(kLastDay)) {
        state.SkipWithError("cannot seed the day file");
        return;
    }
    const QString file = QStringLiteral("ResStatistics/%1.db").arg(kLastDay.toString(Qt::ISODate));
    qint64 rounds = 0;
    for (auto _ : state) {
        TemperatureChartData store;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("reload"));
            db.setDatabaseName(file);
            db.open();
            store.loadToday(db, kLastDay);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("reload"));
        rounds = store.todayRounds.size();
    }
    state.counters["outcomes"] = double(rounds);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray year = qgetenv("MONITOR_BENCH_YEAR");
    QList<int> sizes{1};
    if (!year.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(year));
        QDir::setCurrent(QString::fromLocal8Bit(year));
        sizes = {1, 31, 365};
    }
    benchmark::RegisterBenchmark("TodayReload", BM_TodayReload)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
    for (int days : sizes) {
        benchmark::RegisterBenchmark("StatisticsPass", BM_StatisticsPass)->Arg(days)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
        benchmark::RegisterBenchmark("TemperaturePass", BM_TemperaturePass)->Arg(days)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
