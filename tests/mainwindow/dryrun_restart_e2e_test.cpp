// The built program's restart in a dry run: a Modbus client switches the parameter group, the
// program records its restart and comes back in place (same process, program, arguments and
// working directory), running on the restored group.
#include "tests/core/paramtestdb.h"
#include "tests/mainwindow/modbusread.h"
#include "tests/support/eventwait.h"
#include "tests/support/monitorprocess.h"
#include "tests/support/ptypair.h"

#include "ioboardsim.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <modbus.h>

namespace {

QByteArray procFile(qint64 pid, const char* name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeRegister(quint16 port, int address, int value)
{
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", port);
    modbus_set_slave(ctx, 1);
    bool ok = false;
    if (modbus_connect(ctx) == 0) {
        const uint16_t word = uint16_t(value);
        ok = modbus_write_registers(ctx, address, 1, &word) == 1;
        modbus_close(ctx);
    }
    modbus_free(ctx);
    return ok;
}

TEST(DryRunRestartEndToEnd, GroupSwitchRestartsTheProgramInPlace)
{
    QProcess prepare;
    prepare.start(QStringLiteral("bash"), {QStringLiteral(MONITOR_SOURCE_DIR "/scripts/prepare-demo.sh"), QDir::currentPath()});
    ASSERT_TRUE(prepare.waitForFinished(30000));
    ASSERT_EQ(prepare.exitCode(), 0);
    // A second group beside the default one: "other" sorts after it, at index 1.
    QDir().mkpath(QStringLiteral("paraGroup/other"));
    for (const char* file : {"PARAM.db", "SN.db"})
        ASSERT_TRUE(QFile::copy(QStringLiteral("paraGroup/default/") + QLatin1String(file),
                                QStringLiteral("paraGroup/other/") + QLatin1String(file)));

    PtyPair pty;
    ASSERT_TRUE(pty.start());
    IOBoardSimulator board;
    std::string error;
    ASSERT_TRUE(board.open(pty.deviceEnd().toStdString(), &error)) << error;
    MonitorProcess program;
    program.setEnv(QStringLiteral("MONITOR_MODBUS_PORT"), QString::number(MonitorProcess::freeTcpPort()));
    program.setEnv(QStringLiteral("MONITOR_SERIAL_PORT"), pty.hostEnd());
    program.setArguments({QStringLiteral("restart-check")});
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.answerStartupQuestion());
    const quint16 port = quint16(program.modbusPort());
    ASSERT_TRUE(waitUntil([&] { return readRegisters(port, 2, 1) == std::vector<int>{0}; }, 20000));
    const qint64 pid = program.pid();
    const QByteArray commandLine = procFile(pid, "cmdline");
    ASSERT_TRUE(commandLine.contains("restart-check"));

    ASSERT_TRUE(writeRegister(port, 1, 1));
    QFile log(QStringLiteral("dry-run-commands.log"));
    ASSERT_TRUE(waitUntil([&] { return log.exists() && log.size() > 0; }, 20000)) << "the restart is recorded";
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("/mould-monitor"));
    // The new start asks its start-up question again, in the same process, and serves Modbus
    // only once it is answered (a press that reached the old window before it went is repeated).
    bool cameBack = false;
    for (int attempt = 0; attempt < 5 && !cameBack; ++attempt) {
        program.answerStartupQuestion(QStringLiteral("Escape"), 10000);
        cameBack = waitUntil([&] { return !readRegisters(port, 2, 1).empty(); }, 5000);
    }
    ASSERT_TRUE(cameBack) << "the program came back";
    EXPECT_TRUE(program.isRunning());
    EXPECT_EQ(program.pid(), pid);
    EXPECT_EQ(procFile(pid, "cmdline"), commandLine);
    EXPECT_EQ(QFileInfo(QStringLiteral("/proc/%1/cwd").arg(pid)).symLinkTarget(), QDir::currentPath());
    std::vector<int> group;
    const bool restored = waitUntil(
        [&] {
            group = readRegisters(port, 2, 1);
            return group == std::vector<int>{1};
        },
        20000);
    ASSERT_TRUE(restored) << "running on the restored group; register 2: "
                          << (group.empty() ? std::string("not read") : std::to_string(group.front())) << "; log: "
                          << sqliteValue(QStringLiteral("RECORD.db"), QStringLiteral("select remarks from RECORD")).toStdString();
    EXPECT_TRUE(sqliteValue(QStringLiteral("RECORD.db"), QStringLiteral("select remarks from RECORD"))
                    .contains(QStringLiteral("参数组还原为other")));
    EXPECT_EQ(sqliteValue(QStringLiteral("RECORD.db"), QStringLiteral("select count(*) from RECORD where remarks like '程序启动%'")),
              QStringLiteral("2"))
        << "started twice";
    program.stop();
    board.close();
}

}  // namespace
