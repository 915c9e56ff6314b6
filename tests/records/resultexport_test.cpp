// The result export: our stand-in of the export program run as a process on seeded day files,
// and the store's exportData with it, with a failing script and without any program.
#include "records/temperaturechartdata.h"

#include "core/wallclock.h"
#include "tests/core/paramtestdb.h"
#include "tests/records/resultrows.h"
#include "tests/support/eventwait.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTime>

#include <gtest/gtest.h>

namespace {

const char* const kBuiltProgram = MONITOR_BINARY_DIR "/relaydir/export_temperature/temperature_export.exe";
const QString kHeader =
    QStringLiteral("roundstart,detectstart,camera,detect,roi_detail,roi_result,result,description,left_out,counted");

QDateTime at(int day, int h, int m, int s = 0, int ms = 0)
{
    return QDateTime(QDate(2024, 5, day), QTime(h, m, s, ms));
}

SeedRow row(const QDateTime& round, int camera, int detect, const char* description = "")
{
    return {round, round.addMSecs(250), camera, detect, QStringLiteral("[[0,5,25,100,3],[9,41,20,60,3]]"),
            QStringLiteral("[1,1]"), 1, QString::fromLatin1(description)};
}

// 1 May in its archive, 2 May in the open file.
void seedTwoDays()
{
    seedRows(QStringLiteral("ResStatistics/2024-05-01.db"),
             {row(at(1, 8, 0), 0, 0, "Regular recording"), row(at(1, 8, 0), 1, 0), row(at(1, 9, 0), 0, 1),
              row(at(1, 23, 59, 59, 999), 1, 1)});
    seedRows(QStringLiteral("ResStatistics.db"),
             {row(at(2, 8, 0), 0, 0), row(at(2, 8, 30), 1, 1, "Regular recording"), row(at(2, 10, 0, 0, 1), 0, 0)});
}

struct ProgramRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QStringList lines;  // of the CSV file, without the header
    bool written = false;
};

ProgramRun runProgram(const QStringList& arguments)
{
    QProcess process;
    process.start(QString::fromUtf8(kBuiltProgram), arguments);
    ProgramRun run;
    if (!process.waitForFinished(20000))
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    QFile csv(QStringLiteral("out/result.csv"));
    if (csv.open(QIODevice::ReadOnly)) {
        run.written = true;
        run.lines = QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    return run;
}

QStringList rangeArguments(const QDateTime& from, const QDateTime& to, int camera, int detect)
{
    return {QStringLiteral("-t"), stampOf(from), stampOf(to), QStringLiteral("-c"), QString::number(camera),
            QStringLiteral("-d"), QString::number(detect), QStringLiteral("-dir"), QDir::currentPath() + "/out/",
            QStringLiteral("-w"), QDir::currentPath() + QLatin1Char('/')};
}

// The round starts of the written rows.
QStringList roundStarts(const ProgramRun& run)
{
    QStringList starts;
    for (const QString& line : run.lines.mid(1))
        starts << line.section(QLatin1Char(','), 0, 0);
    return starts;
}

}  // namespace

TEST(ExportProgram, WritesExactlyTheSelectedRows)
{
    seedTwoDays();
    const QDateTime from = at(1, 0, 0);
    const QDateTime to = at(2, 10, 0);
    const struct {
        const char* name;
        QStringList arguments;
        QStringList rounds;
    } cases[] = {
        {"all cameras and detects of both days, the archived last millisecond included",
         rangeArguments(from, to, -1, -1),
         {stampOf(at(1, 8, 0)), stampOf(at(1, 8, 0)), stampOf(at(1, 9, 0)), stampOf(at(1, 23, 59, 59, 999)),
          stampOf(at(2, 8, 0)), stampOf(at(2, 8, 30))}},
        {"camera 1", rangeArguments(from, to, 1, -1),
         {stampOf(at(1, 8, 0)), stampOf(at(1, 23, 59, 59, 999)), stampOf(at(2, 8, 30))}},
        {"detect 0 of camera 0", rangeArguments(from, to, 0, 0), {stampOf(at(1, 8, 0)), stampOf(at(2, 8, 0))}},
        {"regular records only", rangeArguments(from, to, -1, -1) + QStringList{"-detail", "Regular recording"},
         {stampOf(at(1, 8, 0)), stampOf(at(2, 8, 30))}},
        {"a range of one millisecond", rangeArguments(at(2, 10, 0, 0, 1), at(2, 10, 0, 0, 1), -1, -1),
         {stampOf(at(2, 10, 0, 0, 1))}},
    };
    for (const auto& c : cases) {
        QDir(QStringLiteral("out")).removeRecursively();
        QDir().mkpath(QStringLiteral("out"));
        const ProgramRun run = runProgram(c.arguments);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run.exitCode, 0) << run.err.constData();
        EXPECT_EQ(run.out, QByteArray("export finished\r\n"));
        ASSERT_TRUE(run.written);
        EXPECT_EQ(run.lines.value(0), kHeader);
        EXPECT_EQ(roundStarts(run), c.rounds);
    }
    // A row in full: the JSON columns quoted, since they hold commas.
    const ProgramRun run = runProgram(rangeArguments(at(2, 8, 30), at(2, 8, 30), -1, -1));
    EXPECT_EQ(run.lines.value(1), QStringLiteral("2024-05-02 08:30:00.000,2024-05-02 08:30:00.250,1,1,"
                                                 "\"[[0,5,25,100,3],[9,41,20,60,3]]\",\"[1,1]\",1,Regular recording,,1"));
}

TEST(ExportProgram, EveryRowSaysWhetherTheStatisticsCountIt)
{
    // Today's file has the left_out column; 1 May's was made before it, when the marks were kept
    // in the description.
    auto marked = [](const QDateTime& round, const char* leftOut, const char* description = "") {
        SeedRow r = row(round, 0, 0, description);
        r.leftOut = QString::fromLatin1(leftOut);
        return r;
    };
    seedRows(QStringLiteral("ResStatistics/2024-05-01.db"),
             {row(at(1, 8, 0), 0, 0, "Regular recording"), row(at(1, 8, 1), 0, 0, "Manual capture"),
              row(at(1, 8, 2), 0, 0, "Re-checked"), row(at(1, 8, 3), 0, 0, "Alarm clearing")});
    seedRows(QStringLiteral("ResStatistics.db"),
             {marked(at(2, 8, 0), ""), marked(at(2, 8, 1), "Manual capture"), marked(at(2, 8, 2), "Re-checked"),
              marked(at(2, 8, 3), "Alarm clearing", "Regular recording"), marked(at(2, 8, 4), "", "Regular recording")},
             true);
    QDir().mkpath(QStringLiteral("out"));
    const ProgramRun run = runProgram(rangeArguments(at(1, 0, 0), at(2, 23, 0), -1, -1));
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    ASSERT_EQ(run.lines.value(0), kHeader);
    // description, left_out, counted: the last three fields of each row.
    QStringList tails;
    for (const QString& line : run.lines.mid(1))
        tails << line.section(QLatin1Char(','), -3);
    EXPECT_EQ(tails, (QStringList{"Regular recording,,1", "Manual capture,Manual capture,0",
                                  "Re-checked,Re-checked,0", "Alarm clearing,Alarm clearing,0", ",,1",
                                  ",Manual capture,0", ",Re-checked,0", "Regular recording,Alarm clearing,0",
                                  "Regular recording,,1"}));
}

TEST(ExportProgram, FindsTheOpenFilesRowsWhateverArchivesExist)
{
    // An archive dated 40 days ahead (a run with the clock set forward), and 2 May closed when
    // the clock was set back to 1 May: the open file holds 1 May's later rows.
    seedRows(QStringLiteral("ResStatistics/2024-05-01.db"), {row(at(1, 8, 0), 0, 0)});
    seedRows(QStringLiteral("ResStatistics/2024-05-02.db"), {row(at(2, 8, 0), 0, 0)});
    seedRows(QStringLiteral("ResStatistics/2024-06-11.db"), {row(QDateTime(QDate(2024, 6, 11), QTime(8, 0)), 0, 0)});
    seedRows(QStringLiteral("ResStatistics.db"), {row(at(1, 10, 0), 0, 0), row(at(1, 11, 0), 1, 0)});
    QDir().mkpath(QStringLiteral("out"));
    const ProgramRun run = runProgram(rangeArguments(at(1, 0, 0), at(1, 23, 59, 59, 999), -1, -1));
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(roundStarts(run), (QStringList{stampOf(at(1, 8, 0)), stampOf(at(1, 10, 0)), stampOf(at(1, 11, 0))}));
}

TEST(ExportProgram, FailuresEndWithoutTheClosingLine)
{
    seedTwoDays();
    QDir().mkpath(QStringLiteral("out"));
    const QStringList good = rangeArguments(at(1, 0, 0), at(2, 10, 0), -1, -1);
    QStringList noWorkDir = good.mid(0, 9);
    QStringList badTime = good;
    badTime[1] = QStringLiteral("yesterday");
    QStringList badCamera = good;
    badCamera[4] = QStringLiteral("first");
    const struct {
        const char* name;
        QStringList arguments;
        int exitCode;
    } cases[] = {
        {"no working directory", noWorkDir, 2},
        {"a time that does not read", badTime, 2},
        {"a camera that is no number", badCamera, 2},
        {"an unknown argument", good + QStringList{"-x"}, 2},
        {"a value missing at the end", good + QStringList{"-detail"}, 2},
        {"a folder that cannot be written", good.mid(0, 8) + QStringList{"/proc/no-such/", "-w", good.last()}, 4},
    };
    for (const auto& c : cases) {
        const ProgramRun run = runProgram(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name;
        EXPECT_FALSE(run.out.contains("export finished")) << c.name;
        EXPECT_FALSE(run.err.isEmpty()) << c.name;
    }

    // A day file that is no database.
    QFile broken(QStringLiteral("ResStatistics.db"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write(QByteArray(4096, 'x'));
    broken.close();
    QFile::remove(QStringLiteral("out/result.csv"));
    const ProgramRun run = runProgram(good);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_FALSE(run.out.contains("export finished"));
    EXPECT_FALSE(run.written);
}

namespace {

const QString kInstalled = QString::fromLatin1(TemperatureChartData::kExportProgram);

void installProgram()
{
    QDir().mkpath(QStringLiteral("relaydir/export_temperature"));
    QFile::remove(kInstalled);
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(kBuiltProgram), kInstalled));
}

void installScript(const QByteArray& body)
{
    QDir().mkpath(QStringLiteral("relaydir/export_temperature"));
    QFile script(kInstalled);
    QFile::remove(kInstalled);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n" + body);
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
}

// One export, waited for; the outcome it announced.
bool exportOnce(TemperatureChartData& store, int mode)
{
    QSignalSpy finished(&store, &TemperatureChartData::exportFinish);
    store.exportData(mode, QDir::currentPath() + QStringLiteral("/usb"));
    EXPECT_EQ(store.exportBusy, 1);
    EXPECT_TRUE(finished.wait(20000));
    EXPECT_EQ(store.exportBusy, 0);
    return !finished.isEmpty() && finished.first().first().toBool();
}

// The CSV lines of the only export folder in ./usb.
QStringList exportedLines()
{
    const QStringList folders = QDir(QStringLiteral("usb")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (folders.size() != 1)
        return {QStringLiteral("folders: %1").arg(folders.join(' '))};
    QFile csv(QStringLiteral("usb/%1/result.csv").arg(folders.first()));
    if (!csv.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

}  // namespace

TEST(ResultExport, ReportsTheOutcomeAndLetsTheNextExportStart)
{
    seedTwoDays();
    WallClock::setForTests([]() { return at(2, 12, 0); });
    TemperatureChartData store;
    QueryFilter f;
    f.camera = 1;
    f.from = at(1, 0, 0);
    f.to = at(2, 23, 59, 59, 999);
    store.setFilter(f);

    // No program: the start fails, the export ends not ok and the next one may start.
    EXPECT_FALSE(exportOnce(store, 1));

    installProgram();
    EXPECT_TRUE(exportOnce(store, 2));
    const QStringList lines = exportedLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines.at(1).startsWith(stampOf(at(2, 8, 30)))) << lines.at(1).toStdString();
    // The folder is named by the wall clock's time, milliseconds included.
    EXPECT_TRUE(QDir(QStringLiteral("usb/2024-05-02_12.00.00.000_result")).exists());

    const struct {
        const char* name;
        QByteArray script;
        bool ok;
    } scripts[] = {
        {"closing line, then exit 3", "printf 'export finished\\r\\n'; exit 3\n", false},
        {"exit 0 without the closing line", "echo done; exit 0\n", false},
        {"closing line in two pieces", "printf 'export fin'; sleep 0.3; printf 'ished\\r\\n'; exit 0\n", true},
        {"closing line on standard error", "printf 'export finished\\r\\n' >&2\n", true},
    };
    for (const auto& s : scripts) {
        installScript(s.script);
        EXPECT_EQ(exportOnce(store, 1), s.ok) << s.name;
    }
}

TEST(ResultExport, SecondExportWhileOneRunsIsIgnored)
{
    installScript("sleep 0.5; printf 'export finished\\r\\n'\n");
    WallClock::setForTests([]() { return at(2, 12, 0); });
    TemperatureChartData store;
    QueryFilter f;
    f.from = at(2, 0, 0);
    f.to = at(2, 23, 59, 59, 999);
    store.setFilter(f);
    QSignalSpy finished(&store, &TemperatureChartData::exportFinish);
    store.exportData(1, QDir::currentPath() + QStringLiteral("/usb"));
    WallClock::setForTests([]() { return at(2, 12, 0, 1); });
    store.exportData(1, QDir::currentPath() + QStringLiteral("/usb"));
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_TRUE(finished.first().first().toBool());
    EXPECT_FALSE(finished.wait(800));
    EXPECT_EQ(QDir(QStringLiteral("usb")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    WallClock::setForTests(nullptr);
}

TEST(ResultExport, WithEveryRowRegularTheRegularExportHasEveryRowTheStoreWrote)
{
    // Interval 0: every row is a regular record, counted or left out.
    WallClock::setForTests([]() { return at(2, 12, 0); });
    TemperatureChartData store;
    store.init();
    ASSERT_TRUE(waitUntil([&store] { return store.loaded == 1; }, kPatientWaitMs));
    store.setRecordInterval(0);
    const struct {
        const char* name;
        int result;
        bool manual;
        CheckCount how;
    } checks[] = {
        {"counted OK", 1, false, CheckCount::Counted},
        {"NG that a re-check repeats", 0, false, CheckCount::ReChecked},
        {"the re-check, NG: the alarm", 0, false, CheckCount::Counted},
        {"the alarm-clearing re-check", 1, false, CheckCount::AlarmClearing},
        {"a manual capture", 0, true, CheckCount::Manual},
    };
    int second = 0;
    for (const auto& c : checks) {
        RoundRecord r;
        r.roundStart = at(2, 9, 0, second++);
        r.detectStart = r.roundStart.addMSecs(100);
        r.result = c.result;
        r.roiDetail = {{9, 40, 20, 60, 3}};
        r.roiResult = {c.result};
        r.manual = c.manual;
        store.setRoundInfo(r);
        store.addRoundToSeries();
        store.insertRound();
        store.settleCheck(c.how);
    }
    ASSERT_TRUE(store.writeQueue());
    // The description column keeps its two values; left_out holds the marks.
    EXPECT_EQ(sqliteValue(QStringLiteral("ResStatistics.db"),
                          QStringLiteral("select group_concat(quote(description) || ' ' || quote(left_out), ';') "
                                         "from res_report")),
              QStringLiteral("'Regular recording' '';'Regular recording' 'Re-checked';'Regular recording' '';"
                             "'Regular recording' 'Alarm clearing';'Regular recording' 'Manual capture'"));

    QDir().mkpath(QStringLiteral("out"));
    const ProgramRun run =
        runProgram(rangeArguments(at(2, 0, 0), at(2, 23, 59, 59, 999), -1, -1) + QStringList{"-detail", "Regular recording"});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(run.lines.size(), 1 + 5);
    WallClock::setForTests(nullptr);
}
