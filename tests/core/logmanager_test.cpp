#include "core/logmanager.h"
#include "tests/core/logcapture.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <glog/logging.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Writes `content` to `path` and dates its modification at `when`.
void makeDatedFile(const QString& path, const QByteArray& content, const QDateTime& when)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
    file.flush();  // a write at close would date the file anew
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
}

// Writes `content` to `path` and dates its modification `ageSeconds` into the past (the future
// when negative).
void makeAgedFile(const QString& path, const QByteArray& content, int ageSeconds)
{
    makeDatedFile(path, content, QDateTime::currentDateTime().addSecs(-ageSeconds));
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList filesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

const QString kLog = QStringLiteral("LOG/");

}  // namespace

TEST(LogArchive, LogsOfEarlierRunsAllSurviveAsArchivesEvenWithinOneSecond)
{
    ASSERT_TRUE(QDir::current().mkpath(kLog));
    makeAgedFile(kLog + "log20261201-080000.100.log", "oldest run", 3000);
    makeAgedFile(kLog + "log20261202-080000.200.log", "middle run", 2000);
    makeAgedFile(kLog + "log20261203-080000.300.log", "newest run", 1000);
    // Not INFO logs of a run: stay as they are.
    makeAgedFile(kLog + "ERROR_20261203-080000.300.log", "an error", 1000);
    makeAgedFile(kLog + "notes.txt", "service notes", 500);

    LogManager::archiveLogs(kLog);

    const QStringList files = filesIn(kLog);
    const QRegularExpression archiveName(QStringLiteral("^glog_\\d{8}_\\d{6}(_\\d+)?\\.txt$"));
    QSet<QByteArray> archived;
    for (const QString& name : files) {
        EXPECT_FALSE(name.startsWith(QLatin1String("log"))) << name.toStdString();
        if (name.startsWith(QLatin1String("glog_"))) {
            EXPECT_TRUE(archiveName.match(name).hasMatch()) << name.toStdString();
            archived << readAll(kLog + name);
        }
    }
    EXPECT_EQ(archived, (QSet<QByteArray>{"oldest run", "middle run", "newest run"}));
    EXPECT_TRUE(files.contains(QStringLiteral("ERROR_20261203-080000.300.log")));
    EXPECT_TRUE(files.contains(QStringLiteral("notes.txt")));
}

TEST(LogArchive, ArchiveOfAnEarlierStartInTheSameSecondIsKept)
{
    ASSERT_TRUE(QDir::current().mkpath(kLog));
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss"));
    const QString nextStamp = QDateTime::currentDateTime().addSecs(1).toString(QStringLiteral("yyyyMMdd_hhmmss"));
    // Both names the archiving could choose in this or the next second are taken already.
    makeAgedFile(kLog + "glog_" + stamp + ".txt", "archived a moment ago", 1);
    makeAgedFile(kLog + "glog_" + nextStamp + ".txt", "archived a moment ago too", 1);
    makeAgedFile(kLog + "log20261203-080000.300.log", "this run's predecessor", 1);

    LogManager::archiveLogs(kLog);

    EXPECT_EQ(readAll(kLog + "glog_" + stamp + ".txt"), "archived a moment ago");
    EXPECT_EQ(readAll(kLog + "glog_" + nextStamp + ".txt"), "archived a moment ago too");
    const QStringList files = filesIn(kLog);
    ASSERT_EQ(files.size(), 3);
    QStringList suffixed = files.filter(QRegularExpression(QStringLiteral("_2\\.txt$")));
    ASSERT_EQ(suffixed.size(), 1) << files.join(' ').toStdString();
    EXPECT_EQ(readAll(kLog + suffixed.first()), "this run's predecessor");
}

TEST(LogPrune, OldestFilesGoWhateverTheirNames)
{
    struct Case {
        const char* name;
        int files;
        int keep;
    };
    const Case cases[] = {
        {"55 files in the LOG folder keep the newest 50", 55, LogManager::kLogDirLimit},
        {"12 files in log_stdout keep the newest 10", 12, LogManager::kStdoutLogDirLimit},
        {"at the limit nothing goes", 10, 10},
    };
    const char* const kinds[] = {"ERROR_%1.log", "FATAL_%1.log", "glog_%1.txt", "log%1.log"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString dir = QString::fromLatin1(c.name) + QLatin1Char('/');
        ASSERT_TRUE(QDir::current().mkpath(dir + "subfolder"));
        // File i is i hours old; names are shuffled against their age so only time decides.
        for (int i = 0; i < c.files; ++i)
            makeAgedFile(dir + QString::fromLatin1(kinds[i % 4]).arg((i * 7) % c.files, 3, 10, QLatin1Char('0')),
                         QByteArray::number(i), i * 3600);

        LogManager::pruneFolder(dir, c.keep);

        QSet<QByteArray> kept;
        for (const QString& name : filesIn(dir))
            kept << readAll(dir + name);
        QSet<QByteArray> expected;
        for (int i = 0; i < qMin(c.files, c.keep); ++i)
            expected << QByteArray::number(i);
        EXPECT_EQ(kept, expected);
        EXPECT_TRUE(QDir(dir + "subfolder").exists());
    }
}

TEST(LogPrune, SizeLimitKeepsTheNewestFilesAndTheOnesHeldOpen)
{
    const QString dir = QStringLiteral("sized/");
    ASSERT_TRUE(QDir::current().mkpath(dir));
    const struct {
        const char* name;
        int kib;
        int ageSeconds;
        bool open;
        bool kept;
    } files[] = {
        {"log20261211-080000.7.log", 600, 10, true, true},      // being written: kept, counted
        {"glog_20261211_070000.txt", 300, 100, false, true},
        {"glog_20261211_060000.txt", 300, 200, false, true},
        {"log20261210-080000.6.log", 300, 300, false, false},   // would pass the limit
        {"glog_20261210_070000.txt", 100, 400, false, false},   // would fit, but older than one that went
        {"ERROR_20261201-080000.2.log", 100, 5000, false, false},  // an earlier run's: nobody writes it
        {"ERROR_20261201-080000.9.log", 100, 6000, true, true},    // oldest, but held open
        {"ERROR_crash.log", 100, 7000, false, true},               // a later crash appends to it
    };
    std::vector<std::unique_ptr<QFile>> held;
    for (const auto& f : files) {
        makeAgedFile(dir + QLatin1String(f.name), QByteArray(f.kib * 1024, 'x'), f.ageSeconds);
        if (f.open) {
            held.push_back(std::make_unique<QFile>(dir + QLatin1String(f.name)));
            ASSERT_TRUE(held.back()->open(QIODevice::Append));
        }
    }

    LogManager::pruneFolder(dir, LogManager::kLogDirLimit, 1500 * 1024);

    for (const auto& f : files)
        EXPECT_EQ(QFile::exists(dir + QLatin1String(f.name)), f.kept) << f.name;
}

// The clock was set back a day before the previous run: everything older is dated in the future,
// the previous run's log (the most recent in truth) is the oldest by date.
TEST(LogPrune, AfterTheClockWasSetBackThePreviousRunsLogIsKeptAndFutureDatedFilesGoFirst)
{
    ASSERT_TRUE(QDir::current().mkpath(kLog));
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < LogManager::kLogDirLimit; ++i) {
        // Written before the set-back, one a minute; file 0 the earliest.
        makeDatedFile(kLog + QStringLiteral("glog_20261212_%1.txt").arg(i, 6, 10, QLatin1Char('0')), QByteArray::number(i),
                      now.addDays(1).addSecs(60 * (i - 50)));
    }
    makeAgedFile(kLog + "log20261211-080000.1234.log", "the previous run", 60);

    LogManager::archiveLogs(kLog);
    LogManager::pruneFolder(kLog, LogManager::kLogDirLimit);

    QSet<QByteArray> kept;
    for (const QString& name : filesIn(kLog))
        kept << readAll(kLog + name);
    EXPECT_EQ(kept.size(), LogManager::kLogDirLimit);
    EXPECT_TRUE(kept.contains("the previous run"));
    EXPECT_FALSE(kept.contains("0")) << "the earliest of the future-dated files goes";
    EXPECT_TRUE(kept.contains("1"));
}

TEST(LogPrune, MissingFolderIsLeftAlone)
{
    LogManager::pruneFolder(QStringLiteral("./relaydir/workspace/log_stdout/"), 10);
    EXPECT_FALSE(QDir(QStringLiteral("./relaydir")).exists());
}

TEST(LogRouting, QtMessagesReachGlogWithTheirSeverityAndDebugIsDropped)
{
    LogCapture routed;
    QMessageLogContext context;
    LogManager::messageHandler(QtDebugMsg, context, QStringLiteral("debug chatter"));
    LogManager::messageHandler(QtInfoMsg, context, QStringLiteral("相机1，重连成功"));
    LogManager::messageHandler(QtWarningMsg, context, QStringLiteral("a warning"));
    LogManager::messageHandler(QtCriticalMsg, context, QStringLiteral("a critical"));

    const auto messages = routed.messages();
    ASSERT_EQ(messages.size(), 3u);
    const google::LogSeverity severities[] = {google::GLOG_INFO, google::GLOG_WARNING, google::GLOG_ERROR};
    const char* const texts[] = {"相机1，重连成功", "a warning", "a critical"};
    for (size_t i = 0; i < messages.size(); ++i) {
        EXPECT_EQ(messages[i].severity, severities[i]);
        EXPECT_EQ(messages[i].text, texts[i]);
        EXPECT_EQ(messages[i].file, "logmanager.cpp");
    }
}

TEST(LogRoutingDeathTest, FatalQtMessageEndsTheProcess)
{
    EXPECT_DEATH(LogManager::messageHandler(QtFatalMsg, QMessageLogContext(), QStringLiteral("fatal end")), "fatal end");
}

TEST(CrashReportDeathTest, CrashReportIsWrittenToTheFileOpenedAtStartUp)
{
    const QString report = QDir::current().absoluteFilePath(QStringLiteral("ERROR_crash.log"));
    makeAgedFile(report, "earlier crash\n", 0);
    // The child crashes inside glog's failure signal handler path, which calls the writer;
    // the writer must get the report out without glog's locks or the heap.
    EXPECT_DEATH(
        {
            LogManager::openCrashReport(report);
            google::InstallFailureSignalHandler();
            google::InstallFailureWriter(&LogManager::failureWriter);
            std::raise(SIGSEGV);
        },
        "");
    const QByteArray text = readAll(report);
    EXPECT_TRUE(text.startsWith("earlier crash\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("SIGSEGV")) << text.toStdString();
}

namespace {

// Sums the sizes of the LOG folder's files.
qint64 logFolderBytes(int* files = nullptr)
{
    qint64 bytes = 0;
    const QFileInfoList list = QDir(QStringLiteral("relaydir/workspace/LOG")).entryInfoList(QDir::Files);
    for (const QFileInfo& f : list)
        bytes += f.size();
    if (files)
        *files = list.size();
    return bytes;
}

}  // namespace

TEST(LogFolderLimitDeathTest, FolderStaysWithinItsLimitWhoeverLogs)
{
    // In a child of its own: glog is set up once per process. Two threads log 12 MB of
    // messages against a limit of 3 MB (glog's files grow to 1 MB at least, and its INFO and
    // ERROR files are written at once), through Qt or with glog directly, errors among them; the
    // folder is measured all the while, with files of an earlier run in it from the start.
    for (const bool direct : {false, true}) {
        SCOPED_TRACE(direct ? "lines written with glog directly" : "Qt messages");
        EXPECT_EXIT(
            {
                QDir::current().mkpath(QStringLiteral("relaydir/workspace/LOG"));
                for (int i = 0; i < 5; ++i)
                    makeAgedFile(QStringLiteral("relaydir/workspace/LOG/glog_2026120%1_080000.txt").arg(i + 1),
                                 QByteArray(300 * 1024, 'x'), 3600 * (i + 1));
                qputenv("MONITOR_LOG_LIMIT_MB", "3");
                new LogManager;
                const qint64 limit = 3 * 1024 * 1024;
                const std::string line(200, 'm');
                std::atomic<int> running{2};
                auto logger = [&](bool errors) {
                    for (int i = 0; i < 30000; ++i) {
                        if (direct && errors)
                            LOG(ERROR) << line << ' ' << i;
                        else if (direct)
                            LOG(INFO) << line << ' ' << i;
                        else if (errors)
                            qCritical("%s %d", line.c_str(), i);
                        else
                            qInfo("%s %d", line.c_str(), i);
                    }
                    --running;
                };
                std::thread a(logger, false);
                std::thread b(logger, true);
                qint64 peak = 0;
                int files = 0;
                while (running > 0) {
                    int now = 0;
                    peak = std::max(peak, logFolderBytes(&now));
                    files = std::max(files, now);
                }
                a.join();
                b.join();
                fprintf(stderr, "LOG folder at most %lld bytes in %d files\n", static_cast<long long>(peak), files);
                std::_Exit(peak <= limit && peak > limit / 4 ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "LOG folder at most");
    }
}

// The clock was set back a day: every earlier file is dated in the future, this run's files and
// the crash report are the oldest by date. A prune down to one file keeps them all the same.
// Runs in a child of its own (glog is set up once per process); 0 when they all survive.
namespace {
int pruneAfterASetBack()
{
    const QString dir = QStringLiteral("relaydir/workspace/LOG/");
    QDir::current().mkpath(dir);
    const char* const earlier[] = {"log20261212-080000.77.log", "ERROR_20261212-080000.77.log", "glog_20261212_080000.txt"};
    for (const char* name : earlier)
        makeAgedFile(dir + QLatin1String(name), "before the set-back", -24 * 3600);
    new LogManager;
    LOG(ERROR) << "this run's error";  // opens this run's INFO and ERROR files
    LogManager::pruneFolder(dir, 1, 0);
    QStringList left = filesIn(dir);
    fprintf(stderr, "left: %s\n", qPrintable(left.join(' ')));
    for (const char* name : earlier)
        if (left.contains(QLatin1String(name)))
            return 1;
    const bool crashReport = left.removeAll(QStringLiteral("ERROR_crash.log")) == 1;
    const bool thisRun = left.filter(QRegularExpression(QStringLiteral("^log\\d{8}-\\d{6}\\.\\d+\\.log$"))).size() == 1
        && left.filter(QRegularExpression(QStringLiteral("^ERROR_\\d{8}-\\d{6}\\.\\d+\\.log$"))).size() == 1;
    return crashReport && thisRun && left.size() == 2 ? 0 : 1;
}
}  // namespace

TEST(LogFolderLimitDeathTest, CrashReportAndThisRunsFilesSurvivePruningAfterASetBack)
{
    EXPECT_EXIT(std::_Exit(pruneAfterASetBack()), ::testing::ExitedWithCode(0), "left: ");
}

TEST(LogPrune, LastRunsFilesAreToldByGlogsNamesNotByTheirDates)
{
    ASSERT_TRUE(QDir::current().mkpath(kLog));
    const struct {
        const char* name;
        bool lastRun;
    } files[] = {
        {"log20261212-080000.4242.log", true},     // waiting to be archived: the last run's
        {"log20261212-100000.4242.log", true},     // its next file after glog's size limit
        {"ERROR_20261212-090000.4242.log", true},  // opened by the same process
        {"FATAL_20261212-091500.4242.log", true},
        {"ERROR_20261201-080000.4242.log", false},  // the same number, but an earlier run's
        {"ERROR_20261212-090000.99.log", false},    // another process
        {"glog_20261211_080000.txt", false},
        {"ERROR_crash.log", false},
    };
    for (const auto& f : files)
        makeAgedFile(kLog + QLatin1String(f.name), "x", 3600);
    QStringList expected;
    for (const auto& f : files)
        if (f.lastRun)
            expected << QLatin1String(f.name);
    QStringList found = LogManager::lastRunFiles(kLog);
    found.sort();
    expected.sort();
    EXPECT_EQ(found, expected);
}

// A run under a clock a day ahead crashed, with the LOG folder full; the program then starts
// with the clock set back a day. The crashed run's files, the only ones dated ahead, explain the
// crash: at every start the oldest logs go instead, also once the crashed run is no longer the
// last run, and the folder holds its 50 files once the run logs. Each start runs in a child of
// its own (glog is set up once per process).
namespace {

// The full folder: `older` logs an hour apart, the crashed run's log and its errors.
void makeLogFolderOfACrashUnderAClockAhead(int older)
{
    const QString dir = QStringLiteral("relaydir/workspace/LOG/");
    ASSERT_TRUE(QDir::current().mkpath(dir));
    for (int i = 0; i < older; ++i)
        makeAgedFile(dir + QStringLiteral("glog_202612%1_080000.txt").arg(i, 4, 10, QLatin1Char('0')),
                     "older " + QByteArray::number(i), 3600 * (older - i));
    makeAgedFile(dir + QStringLiteral("log20261212-080000.4242.log"), "the crashed run", -86400 + 600);
    makeAgedFile(dir + QStringLiteral("ERROR_20261212-081000.4242.log"), "the crashed run's errors", -86400 + 1200);
}

// One start of the program that logs a line. With `check`, 0 when the folder holds the crashed
// run's files, the crash report and all but the two oldest of the `older` logs.
int startAndLog(bool check, int older)
{
    const QString dir = QStringLiteral("relaydir/workspace/LOG/");
    new LogManager;
    FLAGS_minloglevel = 0;  // the tests' main keeps INFO lines out of the files
    LOG(INFO) << "this run";
    QSet<QByteArray> kept;
    const QStringList left = filesIn(dir);
    for (const QString& name : left)
        kept << readAll(dir + name);
    fprintf(stderr, "left: %d files\n", int(left.size()));
    if (!check)
        return 0;
    bool ok = left.size() == LogManager::kLogDirLimit && kept.contains("the crashed run")
        && kept.contains("the crashed run's errors") && left.contains(QStringLiteral("ERROR_crash.log"));
    for (int i = 0; i < older; ++i)
        ok = ok && kept.contains("older " + QByteArray::number(i)) == (i >= 2);
    return ok ? 0 : 1;
}

}  // namespace

// 48 older logs, the crashed run's two, the crash report and this run's log: the two oldest go.
TEST(LogFolderLimitDeathTest, StartAfterACrashUnderAClockAheadKeepsTheCrashedRunsLogs)
{
    const int older = LogManager::kLogDirLimit - 2;
    makeLogFolderOfACrashUnderAClockAhead(older);
    EXPECT_EXIT(std::_Exit(startAndLog(true, older)), ::testing::ExitedWithCode(0), "left: 50 files");
}

// 47 older logs, the crashed run's two, the crash report, the first start's log and the second
// start's: the two oldest went, one at each start.
TEST(LogFolderLimitDeathTest, TheCrashedRunsLogsOutliveTheStartsAfterTheNext)
{
    const int older = LogManager::kLogDirLimit - 3;
    makeLogFolderOfACrashUnderAClockAhead(older);
    EXPECT_EXIT(std::_Exit(startAndLog(false, older)), ::testing::ExitedWithCode(0), "left: 50 files");
    EXPECT_EXIT(std::_Exit(startAndLog(true, older)), ::testing::ExitedWithCode(0), "left: 50 files");
}
