// The IO board simulator program as the demo runs it: on one end of a socat pty pair, driven by
// text commands through its control FIFO and stdin.
#include "io/ioframe.h"
#include "io/ioserialline.h"
#include "tests/support/ptypair.h"

#include "ioboardsim.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<quint8>;

struct CommandCase {
    const char* line;
    const char* reply;  // expected start of the reply
};

TEST(IOBoardSimText, CommandsAndTheirReplies)
{
    IOBoardSimulator board;
    const CommandCase cases[] = {
        { "inputs 321", "inputs 0x321" },
        { "in 1 off", "inputs 0x320" },
        { "in 10 off", "inputs 0x120" },
        { "in 2 on", "inputs 0x122" },
        { "inputs 0x000", "inputs 0x000" },
        { "hold 3ff", "outputs 0x3FF" },
        { "stuck on", "stuck on" },
        { "words 1 10 20 30", "block 1: 3 words" },
        { "fault split 3", "fault split x3" },
        { "fault silence forever", "fault silence forever" },
        { "fault off", "faults cleared" },
        { "status", "inputs 0x000 outputs 0x3FF frames 0" },
        { "inputs 400", "error" },
        { "in 11 on", "error" },
        { "in 0 on", "error" },
        { "fault bogus", "error" },
        { "words 3 1", "error" },
        { "raw 5F 1FF", "error" },
        { "frobnicate", "error" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(board.execute(c.line).rfind(c.reply, 0), 0u) << c.line << " -> " << board.execute("status");
    EXPECT_EQ(board.inputs(), 0x000);
    EXPECT_EQ(board.heldOutputs(), 0x3FF);
}

// Reads `n` bytes from the line within `timeoutMs`.
Bytes readBytes(IOSerialLine& line, size_t n, int timeoutMs = 3000)
{
    Bytes got;
    QElapsedTimer timer;
    timer.start();
    while (got.size() < n && timer.elapsed() < timeoutMs) {
        quint8 buf[64];
        const int r = line.read(buf, int(qMin(sizeof buf, n - got.size())));
        got.insert(got.end(), buf, buf + r);
        if (r == 0)
            QThread::msleep(2);
    }
    return got;
}

Bytes poll(IOSerialLine& line)
{
    EXPECT_TRUE(line.writeIOFrame(kPollInputs, 0));
    return readBytes(line, 8);
}

class IOBoardSimProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.start());
        fifo = QDir::current().filePath(QStringLiteral("board.ctl"));
        record = QDir::current().filePath(QStringLiteral("frames.log"));
        sim.start(QStringLiteral(MONITOR_BINARY_DIR "/tools/ioboard-sim/ioboard-sim"),
                  { QStringLiteral("--device"), pty.deviceEnd(), QStringLiteral("--control"), fifo,
                    QStringLiteral("--record"), record });
        ASSERT_TRUE(sim.waitForStarted(5000));
        ASSERT_TRUE(sim.waitForReadyRead(5000));
        ASSERT_TRUE(sim.readLine().startsWith("ioboard-sim on "));
        ASSERT_TRUE(line.open(pty.hostEnd()));
    }
    void TearDown() override
    {
        if (sim.state() != QProcess::NotRunning) {
            sim.kill();
            sim.waitForFinished(3000);
        }
    }
    void control(const QByteArray& command)
    {
        QFile f(fifo);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(command + "\n");
        f.close();
        ASSERT_TRUE(sim.waitForReadyRead(3000)) << command.constData();
        sim.readAll();
    }

    PtyPair pty;
    QProcess sim;
    QString fifo, record;
    IOSerialLine line;
};

TEST_F(IOBoardSimProgram, AnswersThePollsAndFollowsItsControlFifo)
{
    EXPECT_EQ(poll(line), (Bytes { 0x5F, 0x02, 0x00, 0x00, 0x00, 0x00, 0x61, 0xF5 }));

    control("inputs 321");
    EXPECT_EQ(poll(line), (Bytes { 0x5F, 0x02, 0x21, 0x03, 0x00, 0x00, 0x85, 0xF5 }));

    ASSERT_TRUE(line.writeIOFrame(kSetOutputs, 0xFFFFFC05u));
    ASSERT_TRUE(sim.waitForReadyRead(3000));
    EXPECT_EQ(sim.readLine().trimmed(), QByteArray("outputs 0x005"));
    EXPECT_EQ(poll(line), (Bytes { 0x5F, 0x02, 0x21, 0x03, 0x05, 0x00, 0x8A, 0xF5 }));

    control("fault checksum");
    EXPECT_EQ(poll(line), (Bytes { 0x5F, 0x02, 0x21, 0x03, 0x05, 0x00, 0x8B, 0xF5 }));

    ASSERT_TRUE(line.writeIOFrame(kReadBlock1, 0));
    const Bytes block = readBytes(line, 8 * 8);
    ASSERT_EQ(block.size(), 64u);
    EXPECT_EQ(block[1], 3);

    // Every host frame is on record with its time.
    QFile log(record);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines[0].endsWith(" 5F 02 00 00 61 F5")) << lines[0].constData();
    EXPECT_TRUE(lines[2].endsWith(" 5F 01 05 FC 61 F5")) << lines[2].constData();
    EXPECT_TRUE(lines[5].endsWith(" 5F 03 00 00 62 F5")) << lines[5].constData();

    sim.write("quit\n");
    ASSERT_TRUE(sim.waitForFinished(3000));
    EXPECT_EQ(sim.exitCode(), 0);
}

}  // namespace
