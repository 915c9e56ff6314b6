#include "core/logmanager.h"

#include "core/writtenorder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <glog/logging.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

const char* const LogManager::kLogDir = "./relaydir/workspace/LOG/";
const char* const LogManager::kStdoutLogDir = "./relaydir/workspace/log_stdout/";
const char* const LogManager::kCrashReportFile = "ERROR_crash.log";
const char* const LogManager::kLogOrderFile = "./relaydir/workspace/LOG-written-order.txt";

namespace {

// Target of failureWriter; set at start-up, read from the signal handler.
volatile int g_crashFd = -1;

// glog keeps the pointer handed to InitGoogleLogging, so the text must outlive the process.
QByteArray& programPath()
{
    static QByteArray path;
    return path;
}

// Set once the constructor has configured glog: the LOG folder is then kept within its limits
// while the program runs. Bytes glog has written since the last check, and the bytes that start
// the next.
std::atomic<bool> g_keepLogDir{false};
std::atomic<qint64> g_bytesSinceCheck{0};
qint64 g_checkEveryBytes = 0;
qint64 g_keepBytes = 0;
std::mutex g_pruneMutex;
// The LOG folder's files in the order they were written, oldest first, for its pruning: the last
// run's, then this run's in the order the prunes first found them. Every name the folder held at
// the last listing, so that a new one is told. Guarded by g_pruneMutex.
QStringList g_logDirWritten;
QSet<QString> g_logDirSeen;
// g_logDirWritten as last saved to LogManager::kLogOrderFile. Guarded by g_pruneMutex.
QStringList g_logDirWrittenSaved;

// Saves g_logDirWritten for the next run when it changed, in one rename and without a flush to
// the disk: it runs inside glog's writer, on whichever thread logs, and the order is only a
// hint (without it the next run goes by the files' dates). Logs nothing, for the same reason.
void saveLogDirWritten()
{
    if (g_logDirWritten == g_logDirWrittenSaved)
        return;
    const QString path = QString::fromLatin1(LogManager::kLogOrderFile);
    const QString temporary = path + QStringLiteral(".tmp");
    QFile file(temporary);
    const QByteArray content = (g_logDirWritten.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
    file.close();
    if (written && std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) == 0)
        g_logDirWrittenSaved = g_logDirWritten;
}

// Prunes the LOG folder to its limits after noting the files that turned up since the last prune
// (glog's new files), newest written. Holds g_pruneMutex, or runs before the folder is kept.
void pruneLogDir()
{
    const QString folder = QString::fromLatin1(LogManager::kLogDir);
    const QDir dir(folder);
    // Several new files in one listing go by their dates: they all carry this run's clock.
    for (const QString& name : dir.entryList(QDir::Files, QDir::Time | QDir::Reversed)) {
        if (!g_logDirSeen.contains(name)) {
            g_logDirSeen.insert(name);
            g_logDirWritten.append(name);
        }
    }
    LogManager::pruneFolder(folder, LogManager::kLogDirLimit, g_keepBytes, g_logDirWritten);
    const QStringList left = dir.entryList(QDir::Files);
    g_logDirSeen = QSet<QString>(left.begin(), left.end());
    g_logDirWritten.erase(std::remove_if(g_logDirWritten.begin(), g_logDirWritten.end(),
                                         [](const QString& name) { return !g_logDirSeen.contains(name); }),
                          g_logDirWritten.end());
    saveLogDirWritten();
}

// Set in a thread while it prunes from inside glog's file writer, which holds glog's lock: a Qt
// message there must not go back into glog.
thread_local bool t_insideLogWrite = false;

// glog starts a new file once its file reaches FLAGS_max_log_size MB. The folder is pruned after
// every quarter of that has been written: down to g_keepBytes, or to the files glog holds open
// (INFO with the warnings, and ERROR: two files at most) when they alone take more. Between two
// prunes the folder grows by the quarter file, so it stays within its limit as long as the limit
// holds two files and a quarter (3 MB, with glog's smallest file of 1 MB). It is pruned too as
// soon as glog has opened a new file (`newFile`), which would otherwise pass the file limit.
void keepLogDirWithinLimits(qint64 writtenBytes, bool newFile)
{
    if (!g_keepLogDir.load(std::memory_order_relaxed))
        return;
    if (g_bytesSinceCheck.fetch_add(writtenBytes) + writtenBytes < g_checkEveryBytes && !newFile)
        return;
    std::unique_lock<std::mutex> lock(g_pruneMutex, std::try_to_lock);
    if (!lock.owns_lock())
        return;  // another thread is pruning right now
    g_bytesSinceCheck = 0;
    pruneLogDir();
}

// glog's file writer of one severity, wrapped so that the bytes glog writes are counted whoever
// logs: Qt's messages through messageHandler and the lines written with LOG() directly. glog
// calls Write with its own lock held, from the thread that logs, one call at a time per severity.
//
// glog drops the lines it cannot write: while its next file cannot be opened (a flood that fills a
// file within the second the file was started in gives the new file the same name) or the disk
// is full. Those are counted, and the next line that reaches the file is preceded by one line
// with their number.
class CountingLogger : public google::base::Logger {
public:
    explicit CountingLogger(google::base::Logger* files)
        : m_files(files)
    {
    }
    void Write(bool forceFlush, time_t timestamp, const char* message, size_t length) override
    {
        const google::uint32 sizeBefore = m_files->LogSize();
        if (m_dropped > 0) {
            const QByteArray note = QDateTime::currentDateTime().toString(QStringLiteral("'W'yyyyMMdd hh:mm:ss.zzz000")).toLatin1()
                + QByteArrayLiteral(" logmanager.cpp] ") + QByteArray::number(m_dropped)
                + QByteArrayLiteral(" log lines dropped: no log file could be written\n");
            const google::uint32 before = m_files->LogSize();
            m_files->Write(true, timestamp, note.constData(), size_t(note.size()));
            if (m_files->LogSize() != before)
                m_dropped = 0;
        }
        const google::uint32 before = m_files->LogSize();
        m_files->Write(forceFlush, timestamp, message, length);
        const google::uint32 sizeAfter = m_files->LogSize();
        if (length > 0 && sizeAfter == before)
            ++m_dropped;
        // glog counts the size of the file it writes from 0: it started one when the size fell.
        const bool newFile = sizeAfter > 0 && (sizeBefore == 0 || sizeAfter < sizeBefore);
        t_insideLogWrite = true;
        keepLogDirWithinLimits(qint64(length), newFile);
        t_insideLogWrite = false;
    }
    void Flush() override { m_files->Flush(); }
    google::uint32 LogSize() override { return m_files->LogSize(); }

private:
    google::base::Logger* const m_files;  // glog's own, owned by glog
    qint64 m_dropped = 0;                 // lines glog could not write since the last one it wrote
};

// The names of the files in `folder` that this process holds open (glog's files, the crash
// report), as the kernel lists them; whatever their dates say.
QSet<QString> openFilesIn(const QString& folder)
{
    QSet<QString> names;
    const QString canonical = QDir(folder).canonicalPath();
    if (canonical.isEmpty())
        return names;
    DIR* fds = ::opendir("/proc/self/fd");
    if (!fds)
        return names;
    while (const dirent* entry = ::readdir(fds)) {
        char link[sizeof "/proc/self/fd/" + sizeof entry->d_name];
        char target[PATH_MAX];
        std::snprintf(link, sizeof link, "/proc/self/fd/%s", entry->d_name);
        const ssize_t length = ::readlink(link, target, sizeof target);
        if (length <= 0 || size_t(length) >= sizeof target)
            continue;
        const QFileInfo file(QFile::decodeName(QByteArray(target, int(length))));
        if (file.path() == canonical)
            names.insert(file.fileName());
    }
    ::closedir(fds);
    return names;
}

}  // namespace

qint64 LogManager::logDirByteLimit()
{
    bool ok = false;
    const double megabytes = qEnvironmentVariable("MONITOR_LOG_LIMIT_MB").toDouble(&ok);
    return qint64((ok && megabytes > 0 ? megabytes : double(kLogDirMegabytes)) * 1024 * 1024);
}

LogManager::LogManager(QObject* parent)
    : QObject(parent)
{
    const QString logDir = QString::fromLatin1(kLogDir);
    // Failures of mkpath, rename, remove and the listings are ignored: logging must never stop
    // the monitor from starting.
    if (!QDir(logDir).exists())
        QDir::current().mkpath(logDir);
    // A file glog writes grows to a tenth of the folder's limit at most (100 MB under the
    // default), so that room for the files being written is kept beside the older ones.
    const qint64 limit = logDirByteLimit();
    constexpr qint64 kMegabyte = 1024 * 1024;
    const int fileMegabytes = int(std::clamp<qint64>(limit / 10 / kMegabyte, 1, 100));
    g_keepBytes = std::max<qint64>(0, limit - fileMegabytes * kMegabyte);
    g_checkEveryBytes = fileMegabytes * kMegabyte / 4;

    // The last run's files are the newest of the folder, whatever their dates; the crash report
    // is opened first so that the prune counts it.
    QStringList lastRun = lastRunFiles(logDir);
    lastRun += archiveLogs(logDir);
    openCrashReport(logDir + QLatin1String(kCrashReportFile));
    {
        const std::lock_guard<std::mutex> lock(g_pruneMutex);
        QFileInfoList files;
        for (const QString& name : qAsConst(lastRun))
            if (QFileInfo::exists(logDir + name))  // its INFO logs are found under their archived names
                files << QFileInfo(logDir + name);
        // The files earlier runs wrote, in that order, as the last run saved it; then the last
        // run's own.
        g_logDirWritten = readLogOrder(logDir);
        for (const QString& name : qAsConst(lastRun))
            g_logDirWritten.removeAll(name);
        g_logDirWrittenSaved.clear();
        for (const QFileInfo& file : oldestWrittenFirst(files, QDateTime::currentDateTime()))
            g_logDirWritten << file.fileName();
        const QStringList present = QDir(logDir).entryList(QDir::Files);
        g_logDirSeen = QSet<QString>(present.begin(), present.end());
        pruneLogDir();
    }
    pruneFolder(QString::fromLatin1(kStdoutLogDir), kStdoutLogDirLimit);

    qInstallMessageHandler(&LogManager::messageHandler);

    FLAGS_log_dir = kLogDir;
    FLAGS_logbufsecs = 0;  // every message reaches the file at once
    FLAGS_max_log_size = fileMegabytes;  // MB; glog starts a new file beyond it
    FLAGS_stop_logging_if_full_disk = true;
    FLAGS_logtostderr = false;

    // INFO and WARNING share one file: glog writes every message into the files of its own and
    // all lower severities, so the INFO file already holds the warnings. A separate WARNING file
    // on the same base name would duplicate them, or fail to open when created in the same second.
    const QByteArray base = QByteArray(kLogDir);
    google::SetLogFilenameExtension(".log");
    google::SetLogDestination(google::GLOG_INFO, (base + "log").constData());
    google::SetLogDestination(google::GLOG_WARNING, "");
    google::SetLogDestination(google::GLOG_ERROR, (base + "ERROR_").constData());
    google::SetLogDestination(google::GLOG_FATAL, (base + "FATAL_").constData());

    // No "<program>.INFO" links: the folder holds only logs and archives, and links would count
    // against its limit.
    for (google::LogSeverity severity : {google::GLOG_INFO, google::GLOG_WARNING, google::GLOG_ERROR, google::GLOG_FATAL})
        google::SetLogSymlink(severity, "");
    // Every byte written to a file of the folder is counted (WARNING writes no file of its own).
    for (google::LogSeverity severity : {google::GLOG_INFO, google::GLOG_ERROR, google::GLOG_FATAL}) {
        google::base::Logger* files = google::base::GetLogger(severity);
        if (!dynamic_cast<CountingLogger*>(files))
            google::base::SetLogger(severity, new CountingLogger(files));
    }

    if (!google::IsGoogleLoggingInitialized()) {
        programPath() = QCoreApplication::applicationFilePath().toLatin1();
        google::InitGoogleLogging(programPath().constData());
    }

    google::InstallFailureSignalHandler();
    google::InstallFailureWriter(&LogManager::failureWriter);
    g_keepLogDir = true;
}

void LogManager::messageHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    const QByteArray text = message.toUtf8();
    if (t_insideLogWrite) {
        // From the pruning inside glog's writer, which holds glog's lock.
        if (type != QtDebugMsg)
            std::fprintf(stderr, "%s\n", text.constData());
        return;
    }
    switch (type) {
    case QtDebugMsg:
        break;
    case QtInfoMsg:
        LOG(INFO) << text.constData();
        break;
    case QtWarningMsg:
        LOG(WARNING) << text.constData();
        break;
    case QtCriticalMsg:
        LOG(ERROR) << text.constData();
        break;
    case QtFatalMsg:
        LOG(FATAL) << text.constData();
        break;
    }
}

void LogManager::failureWriter(const char* data, size_t size)
{
    const int fd = g_crashFd >= 0 ? g_crashFd : STDERR_FILENO;
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
}

bool LogManager::openCrashReport(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const int previous = g_crashFd;
    g_crashFd = fd;
    if (previous >= 0)
        ::close(previous);
    return fd >= 0;
}

QStringList LogManager::readLogOrder(const QString& logDir)
{
    const QDir dir(logDir);
    QStringList names;
    for (const QString& name : readWrittenOrder(QString::fromLatin1(kLogOrderFile), [&](const QString& name) {
             return !name.contains(QLatin1Char('/')) && dir.exists(name);
         })) {
        if (!names.contains(name))
            names << name;
    }
    return names;
}

QStringList LogManager::lastRunFiles(const QString& logDir)
{
    static const QRegularExpression glogName(QStringLiteral("^(log|ERROR_|FATAL_)(\\d{8}-\\d{6})\\.(\\d+)\\.log$"));
    const QStringList names = QDir(logDir).entryList(QDir::Files | QDir::Hidden);
    // Per process of an INFO log waiting to be archived, the start of its earliest one.
    QHash<QString, QString> started;
    for (const QString& name : names) {
        const QRegularExpressionMatch match = glogName.match(name);
        if (match.hasMatch() && match.captured(1) == QLatin1String("log")) {
            const QString pid = match.captured(3);
            if (!started.contains(pid) || match.captured(2) < started.value(pid))
                started.insert(pid, match.captured(2));
        }
    }
    QStringList files;
    for (const QString& name : names) {
        const QRegularExpressionMatch match = glogName.match(name);
        if (match.hasMatch() && started.contains(match.captured(3)) && match.captured(2) >= started.value(match.captured(3)))
            files << name;
    }
    return files;
}

QStringList LogManager::archiveLogs(const QString& logDir)
{
    QDir dir(logDir);
    QStringList archived;
    const QFileInfoList logs =
        dir.entryInfoList({QStringLiteral("log*.log")}, QDir::Files | QDir::Hidden, QDir::Time);
    for (const QFileInfo& log : logs) {
        const QString stamp = QStringLiteral("glog_") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss"));
        QString name = stamp + QStringLiteral(".txt");
        for (int n = 2; dir.exists(name); ++n)
            name = QStringLiteral("%1_%2.txt").arg(stamp).arg(n);
        if (dir.rename(log.fileName(), name))
            archived << name;
    }
    return archived;
}

void LogManager::pruneFolder(const QString& folder, int keep, qint64 maxBytes, const QStringList& written)
{
    QDir dir(folder);
    // Newest written first.
    QFileInfoList files = oldestWrittenFirst(dir.entryInfoList({QStringLiteral("*")}, QDir::Files, QDir::Time | QDir::Reversed),
                                             QDateTime::currentDateTime(), written);
    std::reverse(files.begin(), files.end());

    // Never deleted, and counted first: what the program holds open (glog's files, whatever
    // their dates) and the crash report, which a later crash appends to.
    const QSet<QString> open = openFilesIn(folder);
    int kept = 0;
    qint64 bytes = 0;
    QFileInfoList others;
    for (const QFileInfo& file : qAsConst(files)) {
        if (open.contains(file.fileName()) || file.fileName() == QLatin1String(kCrashReportFile)) {
            ++kept;
            bytes += file.size();
        } else {
            others << file;
        }
    }
    // Once a file has had to go, every older one goes too, whatever its size.
    bool full = false;
    for (const QFileInfo& file : qAsConst(others)) {
        full = full || kept >= keep || (maxBytes >= 0 && bytes + file.size() > maxBytes);
        if (full) {
            QFile::remove(file.absoluteFilePath());
        } else {
            ++kept;
            bytes += file.size();
        }
    }
}
