#include "core/shellrunner.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <vector>

#include <glog/logging.h>

namespace ShellRunner {

const char* const kDryRunLog = "dry-run-commands.log";

namespace {
DryRunResponder& responder()
{
    static DryRunResponder r;
    return r;
}

DryRunEndHandler& endHandler()
{
    static DryRunEndHandler h;
    return h;
}

std::vector<std::function<void()>>& reopeners()
{
    static std::vector<std::function<void()>> list;
    return list;
}

// In a dry run, what comes in place of the end of the process a recorded command would bring.
void standInForEnd(ProcessEnd end)
{
    if (end == ProcessEnd::None)
        return;
    if (endHandler())
        endHandler()(end);
    // Still here: the process goes on, with what was closed for the end open again.
    std::vector<std::function<void()>> pending;
    pending.swap(reopeners());
    for (const auto& reopen : pending)
        reopen();
}

bool isOwnProgram(const QString& program)
{
    if (!QCoreApplication::instance())
        return false;
    const QString own = QCoreApplication::applicationFilePath();
    return !own.isEmpty() && QFileInfo(program).absoluteFilePath() == own;
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

ProcessEnd processEndOf(const QString& program, const QStringList& args)
{
    const QString name = QFileInfo(program).fileName();
    if (name == QLatin1String("reboot"))
        return ProcessEnd::Restart;
    if (name == QLatin1String("poweroff") || name == QLatin1String("halt"))
        return ProcessEnd::PowerOff;
    if (name == QLatin1String("init") && args.size() == 1) {
        if (args.first() == QLatin1String("6"))
            return ProcessEnd::Restart;
        if (args.first() == QLatin1String("0"))
            return ProcessEnd::PowerOff;
    }
    if (name == QLatin1String("shutdown"))
        return args.contains(QLatin1String("-r")) ? ProcessEnd::Restart : ProcessEnd::PowerOff;
    return ProcessEnd::None;
}

void setDryRunEndHandler(DryRunEndHandler handler)
{
    endHandler() = std::move(handler);
}

bool restartsInPlace()
{
    return isDryRun() && endHandler() != nullptr;
}

void reopenAfterDryRunEnd(std::function<void()> reopen)
{
    if (isDryRun() && reopen)
        reopeners().push_back(std::move(reopen));
}

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
    if (isDryRun()) {
        const ShellResult result = recordDryRun(line);
        standInForEnd(processEndOf(program, args));
        return result;
    }

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
    if (isDryRun()) {
        const bool ok = recordDryRun(line).ok();
        // The program's start of itself stands for its restart.
        if (isOwnProgram(program))
            standInForEnd(ProcessEnd::Restart);
        return ok;
    }
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
