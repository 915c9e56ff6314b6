// The dry run's restart in place when the exec fails: the process has let go of its cameras,
// ports and PARAM.db for the restart, so it must end (non-zero, with a log line) rather than go
// on half stopped.
#include "core/dryrunrestart.h"
#include "core/shellrunner.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(DryRunRestart, AFailedRestartInPlaceEndsTheProcessWithItsReason)
{
    ASSERT_TRUE(ShellRunner::isDryRun());
    // One argument longer than the kernel takes (E2BIG): the exec fails before it replaces
    // anything, whatever the machine.
    std::string program = "mould-monitor";
    std::string tooLong(256 * 1024, 'x');
    char* argv[] = {&program[0], &tooLong[0], nullptr};
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int log = ::open("child-stderr.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(log, 2);
        DryRunRestart::install(2, argv);
        // The program's start of itself: what the group switch does.
        ShellRunner::startDetached(QCoreApplication::applicationFilePath(), {});
        // Going on after the failed restart is the fault.
        ::_exit(42);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 42) << "the process went on";
    EXPECT_NE(WEXITSTATUS(status), 0);
    QFile log(QStringLiteral("child-stderr.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("restart in place failed")) << "the reason is logged";
}

}  // namespace
