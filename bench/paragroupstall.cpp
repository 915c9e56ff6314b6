// The longest stall of the GUI thread while a parameter group is restored and while one is
// backed up: a 10 ms QTimer on the GUI thread notes the longest gap between its ticks, as the
// machine cycle's 100 ms tick would feel it. Reported as the counter longest_stall_ms, beside
// the operation's own time.
//
// The quick run (as CTest runs it) copies four small template folders. MONITOR_BENCH_GROUP_MB=<n>
// fills each of the four template folders (cameras 1-2, checks 1-2) with about n MB of 5 MB
// templates (a 2448 x 2048 grey bitmap) instead, in the working directory:
//   MONITOR_BENCH_GROUP_MB=50 QT_QPA_PLATFORM=offscreen MONITOR_DRY_RUN=1 bench_paragroupstall
// (run in a folder on the disk the monitor uses, not a RAM disk: the flushes are part of it).
#include "settings/paragroups.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace {

constexpr int kCameras = 2;
constexpr int kDetects = 2;
constexpr qint64 kTemplateBytes = 2448LL * 2048 + 1078;  // an 8-bit bitmap with its palette

// Bytes per template folder: MONITOR_BENCH_GROUP_MB, or two small templates.
qint64 folderBytes()
{
    const char* mb = std::getenv("MONITOR_BENCH_GROUP_MB");
    return mb ? std::max<qint64>(1, std::atoll(mb)) * 1024 * 1024 : 2 * 64 * 1024;
}

bool writeBytes(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray chunk(1 << 20, 't');
    for (qint64 left = size; left > 0; left -= chunk.size())
        if (file.write(chunk.constData(), std::min<qint64>(left, chunk.size())) < 0)
            return false;
    return true;
}

bool makeParamDb(const QString& file)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("stallbench"));
        db.setDatabaseName(file);
        QSqlQuery query(db);
        ok = db.open() && query.exec(QStringLiteral("create table sysparam(name text, value text)"))
            && query.exec(QStringLiteral("insert into sysparam values('mark', 'bench')"));
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("stallbench"));
    return ok;
}

// PARAM.db and the template folders cammer<c><d> in `folder`.
bool makeGroupFiles(const QString& folder)
{
    bool ok = QDir().mkpath(folder) && makeParamDb(folder + QStringLiteral("/PARAM.db"));
    const qint64 bytes = folderBytes();
    const qint64 templateBytes = std::min(bytes, kTemplateBytes);
    for (int c = 1; c <= kCameras; ++c)
        for (int d = 1; d <= kDetects; ++d) {
            const QString templates = folder + QStringLiteral("/cammer%1%2").arg(c).arg(d);
            ok = ok && QDir().mkpath(templates);
            for (qint64 written = 0, n = 0; ok && written < bytes; written += templateBytes, ++n)
                ok = writeBytes(templates + QStringLiteral("/template%1.bmp").arg(n), templateBytes);
        }
    return ok;
}

// A fresh working directory "stall" below the current one: the running group's files, and the
// group "other" in the store.
bool prepare()
{
    QDir(QStringLiteral("stall")).removeRecursively();
    return QDir().mkpath(QStringLiteral("stall")) && QDir::setCurrent(QStringLiteral("stall")) && makeGroupFiles(QStringLiteral("."))
        && makeGroupFiles(QStringLiteral("paraGroup/other"));
}

// Runs `operation` from the GUI thread's event loop; the longest gap between two ticks of a 10 ms
// timer meanwhile, in ms.
qint64 longestStall(const std::function<bool()>& operation, bool* ok)
{
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer meter;
    meter.setInterval(10);
    QObject::connect(&meter, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    QEventLoop loop;
    QTimer::singleShot(20, [&] {
        *ok = operation();
        loop.quit();
    });
    clock.start();
    meter.start();
    loop.exec();
    longest = std::max(longest, clock.elapsed() - last);
    return longest;
}

void measure(benchmark::State& state, const std::function<bool()>& operation)
{
    const QString home = QDir::currentPath();
    qint64 worst = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!prepare()) {
            state.SkipWithError("the group files could not be made");
            break;
        }
        state.ResumeTiming();
        bool ok = false;
        worst = std::max(worst, longestStall(operation, &ok));
        state.PauseTiming();
        QDir::setCurrent(home);
        QDir(QStringLiteral("stall")).removeRecursively();
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("the operation failed");
            break;
        }
    }
    state.counters["longest_stall_ms"] = double(worst);
    state.counters["group_MB"] = double(folderBytes() * kCameras * kDetects) / (1024 * 1024);
}

void RestoreGroup(benchmark::State& state)
{
    measure(state, [] {
        return ParaGroups::restoreGroup(QStringLiteral("other"), kCameras, kDetects)
            == ParaGroups::RestoreFailure::None;
    });
}
BENCHMARK(RestoreGroup)->Unit(benchmark::kMillisecond)->Iterations(3);

void BackupGroup(benchmark::State& state)
{
    measure(state, [] { return ParaGroups::backupGroup(QStringLiteral("mouldA"), kCameras, kDetects); });
}
BENCHMARK(BackupGroup)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
