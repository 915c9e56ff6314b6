#include "core/logmanager.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <glog/logging.h>

#include <cerrno>
#include <fcntl.h>
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

}  // namespace

LogManager::LogManager(QObject* parent)
    : QObject(parent)
{
    const QString logDir = QString::fromLatin1(kLogDir);
    // Failures of mkpath, rename, remove and the listings are ignored: logging must never stop
    // the monitor from starting.
    if (!QDir(logDir).exists())
        QDir::current().mkpath(logDir);
    archiveLogs(logDir);
    pruneFolder(logDir, kLogDirLimit);
    pruneFolder(QString::fromLatin1(kStdoutLogDir), kStdoutLogDirLimit);

    qInstallMessageHandler(&LogManager::messageHandler);

    FLAGS_log_dir = kLogDir;
    FLAGS_logbufsecs = 0;  // every message reaches the file at once
    FLAGS_max_log_size = 100;  // MB; glog starts a new file beyond it
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

void LogManager::pruneFolder(const QString& folder, int keep)
{
    QDir dir(folder);
    QFileInfoList files = dir.entryInfoList({QStringLiteral("*")}, QDir::Files, QDir::Time);
    while (files.size() > keep)
        QFile::remove(files.takeLast().absoluteFilePath());
}
