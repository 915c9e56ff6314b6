#include "core/shellrunner.h"
#include "tests/support/dryrunlog.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

TEST(ShellRunner, DryRunRecordsAndReportsSuccessWithoutExecuting)
{
    ASSERT_TRUE(ShellRunner::isDryRun());
    // Were this executed, the file would exist afterwards.
    ShellResult r = ShellRunner::runShell(QStringLiteral("touch executed.flag"));
    EXPECT_TRUE(r.ok());
    r = ShellRunner::run(QStringLiteral("reboot"), {});
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(ShellRunner::startDetached(QStringLiteral("./mould-monitor"), {QStringLiteral("-restart")}));
    EXPECT_FALSE(QFile::exists(QStringLiteral("executed.flag")));
    EXPECT_EQ(DryRunLog::recordedCommands(),
              (QStringList{QStringLiteral("bash -c touch executed.flag"), QStringLiteral("reboot"),
                           QStringLiteral("./mould-monitor -restart")}));
}

TEST(ShellRunner, DryRunResponderAnswersRecordedCommands)
{
    ShellRunner::setDryRunResponder([](const QString& line) {
        ShellResult r;
        r.started = r.finished = true;
        r.exitCode = line.contains(QLatin1String("fail")) ? 1 : 0;
        r.output = line.toUtf8();
        return r;
    });
    EXPECT_EQ(ShellRunner::runShell(QStringLiteral("blkid")).output, QByteArray("bash -c blkid"));
    EXPECT_FALSE(ShellRunner::runShell(QStringLiteral("fail now")).ok());
    ShellRunner::setDryRunResponder(nullptr);
}

TEST(ShellRunner, RealRunCapturesOutputExitCodeAndTimeout)
{
    qunsetenv("MONITOR_DRY_RUN");
    ShellResult r = ShellRunner::runShell(QStringLiteral("echo out; echo err >&2; exit 3"));
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.output.contains("out"));
    EXPECT_TRUE(r.output.contains("err"));
    r = ShellRunner::run(QStringLiteral("/nonexistent/program"), {});
    EXPECT_FALSE(r.started);
    r = ShellRunner::runShell(QStringLiteral("sleep 5"), 200);
    EXPECT_TRUE(r.started);
    EXPECT_FALSE(r.finished);
    qputenv("MONITOR_DRY_RUN", "1");
}

}  // namespace
