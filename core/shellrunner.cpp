#include "core/shellrunner.h"

#include <QFile>
#include <QProcess>

#include <glog/logging.h>

namespace ShellRunner {

const char* const kDryRunLog = "dry-run-commands.log";

namespace {
DryRunResponder& responder()
{
    static DryRunResponder r;
    return r;
}

ShellResult recordDryRun(const QString& line)
{
    QFile log(QString::fromLatin1(kDryRunLog));
    if (log.open(QIODevice::WriteOnly | QIODevice::Append)) {
        log.write(line.toUtf8());
        log.write("\n");
    }
    if (responder())
        return responder()(line);
    ShellResult result;
    result.started = true;
    result.finished = true;
    result.exitCode = 0;
    return result;
}
}  // namespace

bool isDryRun()
{
    return qEnvironmentVariable("MONITOR_DRY_RUN") == QLatin1String("1");
}

QString commandLine(const QString& program, const QStringList& args)
{
    QStringList parts;
    parts << program << args;
    return parts.join(QLatin1Char(' '));
}

ShellResult run(const QString& program, const QStringList& args, int timeoutMs)
{
    const QString line = commandLine(program, args);
    if (isDryRun())
        return recordDryRun(line);

    ShellResult result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForStarted(timeoutMs)) {
        LOG(WARNING) << "command could not start: " << line.toStdString();
        return result;
    }
    result.started = true;
    if (!process.waitForFinished(timeoutMs)) {
        LOG(WARNING) << "command did not finish in " << timeoutMs << " ms: " << line.toStdString();
        process.kill();
        process.waitForFinished(1000);
        result.output = process.readAll();
        return result;
    }
    result.output = process.readAll();
    result.finished = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    return result;
}

ShellResult runShell(const QString& commandLine, int timeoutMs)
{
    return run(QStringLiteral("bash"), {QStringLiteral("-c"), commandLine}, timeoutMs);
}

bool startDetached(const QString& program, const QStringList& args)
{
    const QString line = commandLine(program, args);
    if (isDryRun())
        return recordDryRun(line).ok();
    const bool started = QProcess::startDetached(program, args);
    if (!started)
        LOG(WARNING) << "command could not start: " << line.toStdString();
    return started;
}

void setDryRunResponder(DryRunResponder r)
{
    responder() = std::move(r);
}

}  // namespace ShellRunner
