#include "core/shellrunner.h"
#include "tests/support/dryrunlog.h"

#include <QCoreApplication>
#include <QFile>

#include <vector>

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

TEST(ShellRunner, DryRunStandsInForTheEndOfTheProcess)
{
    using End = ShellRunner::ProcessEnd;
    std::vector<End> ends;
    ShellRunner::setDryRunEndHandler([&ends](End end) { ends.push_back(end); });
    EXPECT_TRUE(ShellRunner::restartsInPlace());
    const struct {
        const char* program;
        QStringList args;
        End end;
    } cases[] = {
        {"reboot", {}, End::Restart},
        {"/sbin/reboot", {}, End::Restart},
        {"init", {"6"}, End::Restart},
        {"shutdown", {"-r", "now"}, End::Restart},
        {"init", {"0"}, End::PowerOff},
        {"poweroff", {}, End::PowerOff},
        {"sync", {}, End::None},
        {"umount", {"/mnt"}, End::None},
        {"hwclock", {"--systohc"}, End::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        ends.clear();
        int reopened = 0;
        // A store closed for the end: opened again once the handler has returned.
        ShellRunner::reopenAfterDryRunEnd([&reopened]() { ++reopened; });
        EXPECT_TRUE(ShellRunner::run(QString::fromLatin1(c.program), c.args).ok());
        if (c.end == End::None) {
            EXPECT_TRUE(ends.empty());
            EXPECT_EQ(reopened, 0);
            ShellRunner::run(QStringLiteral("reboot"), {});  // takes the pending reopen
        } else {
            EXPECT_EQ(ends, std::vector<End>{c.end});
        }
        EXPECT_EQ(reopened, 1);
    }

    // The program's start of itself is its restart; another program is not.
    ends.clear();
    EXPECT_TRUE(ShellRunner::startDetached(QStringLiteral("./mould-monitor-other"), {}));
    EXPECT_TRUE(ends.empty());
    EXPECT_TRUE(ShellRunner::startDetached(QCoreApplication::applicationFilePath(), {}));
    EXPECT_EQ(ends, std::vector<End>{End::Restart});

    // Without a handler the process simply goes on, with what was closed opened again.
    ShellRunner::setDryRunEndHandler(nullptr);
    EXPECT_FALSE(ShellRunner::restartsInPlace());
    int reopened = 0;
    ShellRunner::reopenAfterDryRunEnd([&reopened]() { ++reopened; });
    ShellRunner::run(QStringLiteral("reboot"), {});
    ShellRunner::run(QStringLiteral("reboot"), {});
    EXPECT_EQ(reopened, 1) << "each registration is taken once";
}

}  // namespace
