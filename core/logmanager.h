// Keeps the technical log in files through glog: tidies the log folders at start-up, configures
// glog and routes every Qt message into it. Created once by main, never destroyed.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstddef>

class QMessageLogContext;

class LogManager : public QObject {
    Q_OBJECT

public:
    // Folders relative to the working directory.
    static const char* const kLogDir;        // glog files and archived logs of earlier runs
    static const char* const kStdoutLogDir;  // only pruned, never written
    // Crash reports of glog's failure signal handler, appended in the LOG folder.
    static const char* const kCrashReportFile;
    // The names of the LOG folder's files in the order they were written, oldest first, one a
    // line, as the program saves it whenever it prunes the folder; beside the folder, so that it
    // does not count against the folder's limit. The next run prunes by it.
    static const char* const kLogOrderFile;
    // Files the two folders keep at most after start-up; the LOG folder keeps to its file limit
    // and to logDirByteLimit() all the while the program runs, counted on the bytes glog writes
    // whoever logs (Qt's messages or LOG() directly).
    static constexpr int kLogDirLimit = 50;
    static constexpr int kStdoutLogDirLimit = 10;
    // Total size of the LOG folder, in MB, unless MONITOR_LOG_LIMIT_MB names another.
    static constexpr int kLogDirMegabytes = 1000;

    // Archives and prunes the log folders, installs the Qt message handler, configures glog
    // and its failure signal handler. In the LOG folder the files kLogOrderFile names are newer
    // than the others, in its order; the last run's files newer still, and this run's files the
    // newest, in the order glog opened them.
    explicit LogManager(QObject* parent = nullptr);

    // Qt's message handler: info, warning, critical and fatal become glog INFO, WARNING, ERROR
    // and FATAL (which ends the process); debug is dropped. Only the text is logged, in UTF-8.
    static void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);

    // Writer of glog's crash report. Runs inside a signal handler, so it takes no lock and
    // allocates nothing: it write(2)s to the crash report opened at start-up (stderr without).
    static void failureWriter(const char* data, size_t size);

    // Renames the INFO/WARNING logs of earlier runs ("log*.log") in `logDir` to
    // "glog_<yyyyMMdd_hhmmss>.txt", newest first. A name already taken (several logs archived
    // in one second) gets "_2", "_3", ... appended, so no earlier log is lost. Returns the names
    // the logs were archived under.
    static QStringList archiveLogs(const QString& logDir);

    // The files of `logDir` that the last run wrote, as found before archiveLogs: its INFO logs
    // ("log<time>.<pid>.log") and the ERROR_ and FATAL_ files glog opened for the same process
    // (same pid, started no earlier than its first INFO log). glog's names and the process
    // number tell them, not the clock: the last run may have run under another date.
    static QStringList lastRunFiles(const QString& logDir);

    // The files of `logDir` that kLogOrderFile names, oldest written first; names of files gone
    // from the folder are left out. Empty without the file.
    static QStringList readLogOrder(const QString& logDir);

    // Deletes files of `dir` until at most `keep` remain and, when `maxBytes` is not negative,
    // they take at most `maxBytes` together, the oldest written first. `written` names files in
    // the order they were written, oldest first; they are newer than every other file whatever
    // their dates. The others go by their dates: those dated after the present (written before
    // the clock was set back) first, then the oldest. Never deleted, and counted first: the files
    // this process holds open (glog's files being written) and the crash report. Sub-folders are
    // not touched; a missing folder is left alone. Writes no log line: it runs inside glog's
    // writer too.
    static void pruneFolder(const QString& dir, int keep, qint64 maxBytes = -1, const QStringList& written = {});

    // The LOG folder's size limit in bytes (MONITOR_LOG_LIMIT_MB, else kLogDirMegabytes).
    static qint64 logDirByteLimit();

    // Opens `path` for appending as the target of failureWriter (closing an earlier one).
    static bool openCrashReport(const QString& path);
};
