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

// Tests only: in dry-run mode, the output and exit code a recorded command answers with.
// The responder gets the recorded command line; without one, commands answer empty output, 0.
using DryRunResponder = std::function<ShellResult(const QString& commandLine)>;
void setDryRunResponder(DryRunResponder responder);

}  // namespace ShellRunner
