#include "core/logmanager.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <glog/logging.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

const char* const LogManager::kLogDir = "./relaydir/workspace/LOG/";
const char* const LogManager::kStdoutLogDir = "./relaydir/workspace/log_stdout/";
const char* const LogManager::kCrashReportFile = "ERROR_crash.log";

namespace {

// Target of failureWriter; set at start-up, read from the signal handler.
volatile int g_crashFd = -1;

// glog keeps the pointer handed to InitGoogleLogging, so the text must outlive the process.
QByteArray& programPath()
{
    static QByteArray path;
    return path;
}

// What a message adds to the file beyond its text: glog's line prefix (severity, date, time,
// thread, source) and the line end. Rather counted high than low, so the folder is checked at
// least as often as glog starts a new file.
constexpr qint64 kLinePrefixBytes = 64;

// Set once the constructor has configured glog: the LOG folder is then kept within its limits
// while the program runs. Bytes logged since the last check, and the bytes that start the next.
std::atomic<bool> g_keepLogDir{false};
std::atomic<qint64> g_bytesSinceCheck{0};
qint64 g_checkEveryBytes = 0;
qint64 g_keepBytes = 0;
std::mutex g_pruneMutex;

// glog starts a new file once its file reaches FLAGS_max_log_size MB. The folder is pruned after
// every quarter of that: at most one new file can have started since, and the files glog writes
// (INFO with the warnings, and ERROR) can have grown by half a file at most.
void keepLogDirWithinLimits(qint64 messageBytes)
{
    if (!g_keepLogDir.load(std::memory_order_relaxed))
        return;
    if (g_bytesSinceCheck.fetch_add(messageBytes + kLinePrefixBytes) + messageBytes + kLinePrefixBytes < g_checkEveryBytes)
        return;
    std::unique_lock<std::mutex> lock(g_pruneMutex, std::try_to_lock);
    if (!lock.owns_lock())
        return;  // another thread is pruning right now
    g_bytesSinceCheck = 0;
    LogManager::pruneFolder(QString::fromLatin1(LogManager::kLogDir), LogManager::kLogDirLimit, g_keepBytes);
}

bool isGlogFile(const QString& name, const char* prefix)
{
    return name.startsWith(QLatin1String(prefix)) && name.endsWith(QLatin1String(".log"));
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

    archiveLogs(logDir);
    pruneFolder(logDir, kLogDirLimit, g_keepBytes);
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

    if (!google::IsGoogleLoggingInitialized()) {
        programPath() = QCoreApplication::applicationFilePath().toLatin1();
        google::InitGoogleLogging(programPath().constData());
    }

    openCrashReport(logDir + QLatin1String(kCrashReportFile));
    google::InstallFailureSignalHandler();
    google::InstallFailureWriter(&LogManager::failureWriter);
    g_keepLogDir = true;
}

void LogManager::messageHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    const QByteArray text = message.toUtf8();
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
    keepLogDirWithinLimits(text.size());
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

void LogManager::archiveLogs(const QString& logDir)
{
    QDir dir(logDir);
    const QFileInfoList logs =
        dir.entryInfoList({QStringLiteral("log*.log")}, QDir::Files | QDir::Hidden, QDir::Time);
    for (const QFileInfo& log : logs) {
        const QString stamp = QStringLiteral("glog_") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_hhmmss"));
        QString name = stamp + QStringLiteral(".txt");
        for (int n = 2; dir.exists(name); ++n)
            name = QStringLiteral("%1_%2.txt").arg(stamp).arg(n);
        dir.rename(log.fileName(), name);
    }
}

void LogManager::pruneFolder(const QString& folder, int keep, qint64 maxBytes)
{
    QDir dir(folder);
    // Newest first.
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*")}, QDir::Files, QDir::Time);
    const char* const glogKinds[] = {"log", "ERROR_", "FATAL_"};
    bool newestSeen[3] = {false, false, false};
    int kept = 0;
    qint64 bytes = 0;
    // Once a file has had to go, every older one goes too, whatever its size.
    bool full = false;
    for (const QFileInfo& file : files) {
        bool beingWritten = false;
        for (int k = 0; k < 3; ++k) {
            if (!newestSeen[k] && isGlogFile(file.fileName(), glogKinds[k])) {
                newestSeen[k] = true;
                beingWritten = true;
            }
        }
        full = full || kept >= keep || (maxBytes >= 0 && bytes + file.size() > maxBytes);
        if (beingWritten || !full) {
            ++kept;
            bytes += file.size();
        } else {
            QFile::remove(file.absoluteFilePath());
        }
    }
}
