// How long the screen's thread goes without running its events while an operation on large files
// runs there: a 10 ms timer of the GUI thread notes the longest gap between its ticks (the machine
// cycle's tick is 100 ms, and nothing on that thread may take a good part of it). Figures only.
//
// Placing an update package (the USB update and the factory reset: copy, digests, check, flush)
// with its notice on the screen. The quick run (as CTest runs it) places a small generated
// package; with MONITOR_BENCH_PACKAGE=<file> it places that file, e.g. a 1.5 GB archive of
// zeros made by hand:
//   MONITOR_BENCH_PACKAGE=/tmp/zeros.tar.gz build/bench/bench_screenstall
//
// The USB export's copy of the install folder, as the export runs it (beside the screen): its
// time is what the screen stood still for when the copy ran on the screen's thread. 8 files of
// 1 MiB in the quick run; MONITOR_BENCH_EXPORT_MB=<n> makes n files of 1 MiB.
#include "core/runaside.h"
#include "settings/advanceparamwidget.h"
#include "settings/paragroups.h"
#include "settings/pendingpackage.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <archive.h>
#include <archive_entry.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

// The longest gap between two ticks of a 10 ms timer of the calling (GUI) thread, from start()
// to longestMs().
class StallMeter {
public:
    StallMeter()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this]() { tick(); });
    }
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    qint64 longestMs()
    {
        tick();
        m_timer.stop();
        return m_longest;
    }

private:
    void tick()
    {
        const qint64 now = m_clock.elapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// A tar.gz with one file of `bytes` pseudo-random bytes (so that gzip cannot shrink it).
bool writeSmallPackage(const QString& path, size_t bytes)
{
    std::unique_ptr<archive, int (*)(archive*)> writer(archive_write_new(), archive_write_free);
    archive_write_add_filter_gzip(writer.get());
    archive_write_set_format_ustar(writer.get());
    if (archive_write_open_filename(writer.get(), QFile::encodeName(path).constData()) != ARCHIVE_OK)
        return false;
    std::string content(bytes, '\0');
    unsigned state = 12345;
    for (char& c : content) {
        state = state * 1103515245u + 12345u;
        c = char(state >> 24);
    }
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, "bin/mould-monitor");
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0755);
    archive_entry_set_size(entry, la_int64_t(content.size()));
    const bool ok = archive_write_header(writer.get(), entry) == ARCHIVE_OK
                    && archive_write_data(writer.get(), content.data(), content.size()) == la_ssize_t(content.size());
    archive_entry_free(entry);
    return ok && archive_write_close(writer.get()) == ARCHIVE_OK;
}

void PackagePlacing(benchmark::State& state)
{
    const QString install = QDir::current().absoluteFilePath(QStringLiteral("bench-install"));
    QDir().mkpath(install);
    qputenv("MONITOR_INSTALL_DIR", QFile::encodeName(install));
    QString source = qEnvironmentVariable("MONITOR_BENCH_PACKAGE");
    if (source.isEmpty()) {
        source = QDir::current().absoluteFilePath(QStringLiteral("small.tar.gz"));
        if (!writeSmallPackage(source, 4 << 20)) {
            state.SkipWithError("no package written");
            return;
        }
    }
    const QString target = PendingPackage::targetFor(QFileInfo(source).fileName());
    StallMeter meter;
    qint64 longest = 0;
    for (auto _ : state) {
        meter.start();
        QString why;
        bool cancelled = false;
        const bool placed = AdvanceParamWidget::placePackage(nullptr, source, target, &why, &cancelled);
        longest = std::max(longest, meter.longestMs());
        if (!placed) {
            state.SkipWithError(qPrintable(QStringLiteral("not placed: ") + why));
            break;
        }
    }
    state.counters["longest_stall_ms"] = double(longest);
    state.counters["package_MB"] = double(QFileInfo(source).size()) / (1 << 20);
    QDir(install).removeRecursively();
}
BENCHMARK(PackagePlacing)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void InstallFolderExport(benchmark::State& state)
{
    const int files = qEnvironmentVariableIsSet("MONITOR_BENCH_EXPORT_MB") ? qEnvironmentVariableIntValue("MONITOR_BENCH_EXPORT_MB") : 8;
    const QString source = QDir::current().absoluteFilePath(QStringLiteral("export-source"));
    const QString target = QDir::current().absoluteFilePath(QStringLiteral("export-target"));
    QDir().mkpath(source + QStringLiteral("/images"));
    const QByteArray block(1 << 20, 'x');
    for (int i = 0; i < files; ++i) {
        QFile file(source + QStringLiteral("/images/%1.bmp").arg(i));
        if (!file.open(QIODevice::WriteOnly) || file.write(block) != block.size()) {
            state.SkipWithError("cannot write the install folder");
            return;
        }
    }
    StallMeter meter;
    qint64 longest = 0;
    for (auto _ : state) {
        QDir(target).removeRecursively();
        meter.start();
        bool copied = false;
        runAside([&]() { copied = ParaGroups::copyFolderContent(source, target); });
        longest = std::max(longest, meter.longestMs());
        if (!copied) {
            state.SkipWithError("not copied");
            break;
        }
    }
    state.counters["longest_stall_ms"] = double(longest);
    state.counters["folder_MB"] = files;
    QDir(source).removeRecursively();
    QDir(target).removeRecursively();
}
BENCHMARK(InstallFolderExport)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
