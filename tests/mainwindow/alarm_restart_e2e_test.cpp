// The built program on the wire: a part left in the cavity raises the NG alarm, the process is
// killed as a power cut would end it, and the program started again in the same working
// directory keeps the machine stopped, shows the alarm and counts on from where it was.
#include "tests/core/paramtestdb.h"
#include "tests/mainwindow/modbusread.h"
#include "tests/support/eventwait.h"
#include "tests/support/monitorprocess.h"
#include "tests/support/ptypair.h"

#include "ioboardsim.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace {

// Output bits on the board: a low level is the active one (clamp prohibited, alarm on).
constexpr quint16 kClamp = 1u << 0;
constexpr quint16 kAlarm = 1u << 2;
constexpr quint16 kRest = 0x3FF;

class AlarmRestartEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        QProcess prepare;
        prepare.start(QStringLiteral("bash"), {QStringLiteral(MONITOR_SOURCE_DIR "/scripts/prepare-demo.sh"), QDir::currentPath()});
        ASSERT_TRUE(prepare.waitForFinished(30000));
        ASSERT_EQ(prepare.exitCode(), 0);
        ASSERT_TRUE(pty.start());
        board.onHostFrame([this](const IOBoardSimulator::HostFrame& frame) {
            if (frame.command() != 1)
                return;
            std::lock_guard<std::mutex> lock(mutex);
            commands.push_back(frame.value());
        });
        std::string error;
        ASSERT_TRUE(board.open(pty.deviceEnd().toStdString(), &error)) << error;
        // One Modbus port for both runs of the program.
        program.setEnv(QStringLiteral("MONITOR_MODBUS_PORT"), QString::number(MonitorProcess::freeTcpPort()));
        program.setEnv(QStringLiteral("MONITOR_SERIAL_PORT"), pty.hostEnd());
    }
    void TearDown() override
    {
        program.stop();
        board.close();
    }
    void startProgram()
    {
        ASSERT_TRUE(program.start());
        ASSERT_TRUE(program.answerStartupQuestion());
    }
    // Output words the program sent since the last call.
    std::vector<quint16> takeCommands()
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<quint16> taken;
        taken.swap(commands);
        return taken;
    }
    quint16 held() const { return board.heldOutputs() & kRest; }
    std::vector<int> counters() { return readRegisters(quint16(program.modbusPort()), 50, 18); }

    std::mutex mutex;
    std::vector<quint16> commands;
    PtyPair pty;
    IOBoardSimulator board;
    MonitorProcess program;
};

TEST_F(AlarmRestartEndToEnd, KilledDuringAnAlarmComesBackWithTheClampProhibitedAndItsCounters)
{
    // Camera 1 shows a part left in its cavity.
    const QString picture = QStringLiteral("cammer15/template0.bmp");
    const QString clean = QStringLiteral("clean-template0.bmp");
    ASSERT_TRUE(QFile::rename(picture, clean));
    ASSERT_TRUE(QFile::copy(QStringLiteral("cammer15/template1.bmp"), picture));
    startProgram();
    ASSERT_TRUE(waitUntil([this] { return held() == kRest; }, 30000)) << "detecting, outputs at rest";
    board.setInputs(board.inputs() | 1);
    ASSERT_TRUE(waitUntil([this] { return (held() & (kClamp | kAlarm)) == 0; }, kPatientWaitMs)) << "NG alarm";
    ASSERT_TRUE(waitUntil([this] { return readRegisters(quint16(program.modbusPort()), 1, 1) == std::vector<int>{2}; }, kPatientWaitMs));
    // The cycle is counted right after the alarm is raised.
    std::vector<int> before;
    ASSERT_TRUE(waitUntil(
        [&] {
            before = counters();
            return before.size() == 18u && before[1] == 1;
        },
        5000));
    EXPECT_EQ(before[3], 1) << "NG cycles";

    // A power cut: the program dies, the board drops back to its rest levels. The part is taken
    // out meanwhile, so the camera shows a clean cavity after the restart.
    program.stop();
    board.setHeldOutputs(kRest);
    takeCommands();
    ASSERT_TRUE(QFile::remove(picture));
    ASSERT_TRUE(QFile::rename(clean, picture));
    startProgram();

    ASSERT_TRUE(waitUntil([this] { return (held() & (kClamp | kAlarm)) == 0; }, 30000)) << "clamp prohibited, alarm on";
    ASSERT_TRUE(waitUntil([this] { return counters().size() == 18u; }, kPatientWaitMs));
    EXPECT_EQ(readRegisters(quint16(program.modbusPort()), 1, 1), (std::vector<int>{2})) << "cavity alarm";
    EXPECT_EQ(counters(), before) << "the counters as before the restart, NG included";
    EXPECT_TRUE(sqliteValue(QStringLiteral("RECORD.db"), QStringLiteral("select remarks from RECORD"))
                    .contains(QStringLiteral("重启前未解除的报警已恢复：1号相机 报警")));
    // The clamp stays prohibited: no word since the restart permitted it.
    QThread::msleep(1500);
    const std::vector<quint16> sent = takeCommands();
    EXPECT_FALSE(sent.empty());
    for (quint16 word : sent)
        EXPECT_EQ(word & kClamp, 0) << "word " << word;
    EXPECT_EQ(held() & (kClamp | kAlarm), 0);
    EXPECT_TRUE(program.isRunning());

    // The operator opens and closes the safety door: the re-check sees the clean cavity and lifts
    // the alarm.
    board.setInputs(board.inputs() | 2);
    QThread::msleep(300);
    board.setInputs(board.inputs() & ~2);
    ASSERT_TRUE(waitUntil([this] { return held() == kRest; }, kPatientWaitMs)) << "clamp permitted, alarm off";
    ASSERT_TRUE(waitUntil([this] { return readRegisters(quint16(program.modbusPort()), 1, 1) == std::vector<int>{0}; }, kPatientWaitMs));
    EXPECT_FALSE(QFile::exists(QStringLiteral("alarm.txt")));

    // The mould closes; started once more, the program detects with the clamp permitted from its
    // first word on.
    board.setInputs(board.inputs() & ~1);
    QThread::msleep(1000);
    ASSERT_EQ(held(), kRest);
    program.stop();
    // The board comes up with every output active; the program's first words set them.
    board.setHeldOutputs(0);
    takeCommands();
    startProgram();
    std::vector<quint16> afterLifted;
    ASSERT_TRUE(waitUntil([&] {
        const std::vector<quint16> sent = takeCommands();
        afterLifted.insert(afterLifted.end(), sent.begin(), sent.end());
        return !afterLifted.empty();
    }, 30000)) << "the restarted program drives the outputs";
    QThread::msleep(1500);
    const std::vector<quint16> later = takeCommands();
    afterLifted.insert(afterLifted.end(), later.begin(), later.end());
    EXPECT_EQ(held(), kRest);
    for (quint16 word : afterLifted)
        EXPECT_EQ(word & (kClamp | kAlarm), kClamp | kAlarm) << "word " << word;
    EXPECT_EQ(readRegisters(quint16(program.modbusPort()), 1, 1), (std::vector<int>{0}));
    EXPECT_TRUE(program.isRunning());
}

}  // namespace
