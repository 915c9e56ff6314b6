// Runs the platform's shell commands (reboot, clock, mount, backlight, ...) for every subsystem.
// With MONITOR_DRY_RUN=1 nothing is executed: the command line is appended to
// dry-run-commands.log in the working directory and success is reported.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

struct ShellResult {
    bool started = false;   // the process could be started (always true in dry-run mode)
    bool finished = false;  // it ended within the time allowed
    int exitCode = -1;      // its exit code when it finished normally
    QByteArray output;      // standard output and error, merged

    bool ok() const { return started && finished && exitCode == 0; }
};

namespace ShellRunner {

// Name of the file, relative to the working directory, that records dry-run commands.
extern const char* const kDryRunLog;

// True when MONITOR_DRY_RUN is set to 1.
bool isDryRun();

// Runs `program` with `args`, waiting up to `timeoutMs` (a process still running then is killed).
ShellResult run(const QString& program, const QStringList& args, int timeoutMs = 30000);

// Runs one command line through "bash -c".
ShellResult runShell(const QString& commandLine, int timeoutMs = 30000);

// Starts `program` detached (the program's restart of itself). Returns whether it started.
bool startDetached(const QString& program, const QStringList& args);

// The command line as recorded in dry-run mode: program and arguments joined by blanks.
QString commandLine(const QString& program, const QStringList& args);

// How a command ends this process on the panel PC: a reboot (or the program's start of itself)
// brings the program back, a power-off does not.
enum class ProcessEnd { None, Restart, PowerOff };
ProcessEnd processEndOf(const QString& program, const QStringList& args);

// A dry run records a reboot or power-off and the process goes on. What then happens in place
// of the end: the program installs a handler that starts it again in place (see
// core/dryrunrestart.h); the handler returns only when it did not restart. Without a handler,
// and after a handler that returned, the process goes on as it was: what was closed for the end
// (registered with reopenAfterDryRunEnd) is opened again.
using DryRunEndHandler = std::function<void(ProcessEnd)>;
void setDryRunEndHandler(DryRunEndHandler handler);
// True in a dry run with a handler installed: a restart will replace this process.
bool restartsInPlace();
// A store that closes itself for the end of the process registers how to open it again. In a dry
// run the runner calls it after the next recorded reboot or power-off that left the process
// running; outside a dry run nothing is registered.
void reopenAfterDryRunEnd(std::function<void()> reopen);

// Tests only: in dry-run mode, the output and exit code a recorded command answers with.
// The responder gets the recorded command line; without one, commands answer empty output, 0.
using DryRunResponder = std::function<ShellResult(const QString& commandLine)>;
void setDryRunResponder(DryRunResponder responder);

}  // namespace ShellRunner
