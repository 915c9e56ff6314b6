// The built program started as on the plant's panel PC, in a working directory made from the
// samples, with the IO board simulator on a pseudo-terminal and its Modbus server on a free
// port: the operator answers the question about the missing cameras with Escape, and the
// monitor comes up with two simulated cameras and keeps running.
#include "tests/core/paramtestdb.h"
#include "tests/support/eventwait.h"
#include "tests/support/fakethermalcamera.h"
#include "tests/support/monitorprocess.h"
#include "tests/support/ptypair.h"

#include "ioboardsim.h"

#include <QDir>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

// Holding registers first .. first + count - 1 read with the mbpoll command, one value a line.
QStringList mbpollRead(int port, int first, int count)
{
    QProcess mbpoll;
    mbpoll.start(QStringLiteral("mbpoll"), {QStringLiteral("-m"), QStringLiteral("tcp"), QStringLiteral("-p"), QString::number(port),
                                             QStringLiteral("-a"), QStringLiteral("1"), QStringLiteral("-t"), QStringLiteral("4"),
                                             QStringLiteral("-0"), QStringLiteral("-r"), QString::number(first), QStringLiteral("-c"),
                                             QString::number(count), QStringLiteral("-1"), QStringLiteral("127.0.0.1")});
    mbpoll.waitForFinished(10000);
    QStringList values;
    const QStringList lines = QString::fromLatin1(mbpoll.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        // "[2]: 	0"
        if (line.startsWith(QLatin1Char('[')))
            values << line.section(QLatin1Char(':'), 1).trimmed();
    }
    return values;
}

TEST(StartUpEndToEnd, ComesUpWithTwoSimulatedCamerasAndTalksToBoardAndModbus)
{
    QProcess prepare;
    prepare.start(QStringLiteral("bash"), {QStringLiteral(MONITOR_SOURCE_DIR "/scripts/prepare-demo.sh"), QDir::currentPath()});
    ASSERT_TRUE(prepare.waitForFinished(30000));
    ASSERT_EQ(prepare.exitCode(), 0);

    PtyPair line;
    ASSERT_TRUE(line.start());
    IOBoardSimulator board;
    ASSERT_TRUE(board.open(line.deviceEnd().toStdString()));

    MonitorProcess monitor;
    monitor.setEnv(QStringLiteral("MONITOR_SERIAL_PORT"), line.hostEnd());
    ASSERT_TRUE(monitor.start());
    ASSERT_TRUE(monitor.answerStartupQuestion(QStringLiteral("Escape")));

    // The operation log says the monitor started, and with how many cameras.
    const QString startRow = QStringLiteral("程序启动，相机数2");
    ASSERT_TRUE(waitUntil(
        [&] { return sqliteValue(QStringLiteral("RECORD.db"), QStringLiteral("select remarks from RECORD")).contains(startRow); },
        20000));

    // The folders of both cameras and all eight detects, and none of a third camera.
    for (int c = 1; c <= 2; ++c) {
        for (int d = 1; d <= 8; ++d) {
            EXPECT_TRUE(QDir(QStringLiteral("alarmimage/camera%1/detect%2/NG").arg(c).arg(d)).exists()) << c << d;
            EXPECT_TRUE(QDir(QStringLiteral("alarmimage/camera%1/detect%2/OK").arg(c).arg(d)).exists()) << c << d;
            EXPECT_TRUE(QDir(QStringLiteral("cammer%1%2").arg(c).arg(d)).exists()) << c << d;
            EXPECT_TRUE(QDir(QStringLiteral("originalimage/cammer%1%2").arg(c).arg(d)).exists()) << c << d;
        }
    }
    EXPECT_FALSE(QDir(QStringLiteral("alarmimage/camera3")).exists());
    EXPECT_TRUE(QDir(QStringLiteral("RECORD")).exists());
    EXPECT_TRUE(QDir(QStringLiteral("ResStatistics")).exists());

    // The board is polled with 6-byte frames: 5F 02 00 00 61 F5.
    ASSERT_TRUE(board.waitForHostFrames(2, 20, kPatientWaitMs));
    for (const auto& frame : board.hostFrames()) {
        if (frame.command() != 2)
            continue;
        const std::vector<uint8_t> bytes(frame.bytes, frame.bytes + 6);
        EXPECT_EQ(bytes, (std::vector<uint8_t>{0x5F, 0x02, 0x00, 0x00, 0x61, 0xF5}));
        break;
    }
    EXPECT_EQ(board.strayHostBytes(), 0u);

    // Register 0 says detecting, register 2 the parameter group of the samples (0).
    EXPECT_EQ(mbpollRead(monitor.modbusPort(), 0, 3), (QStringList{"1", "0", "0"}));

    // And it keeps running.
    QThread::msleep(2000);
    EXPECT_TRUE(monitor.isRunning());
    const qint64 rss = monitor.residentKiB();
    RecordProperty("resident_kib", int(rss));
    std::printf("resident memory with two simulated cameras: %lld KiB\n", static_cast<long long>(rss));
}

// Four configured thermal cameras that send header lines without end: the IO thread polls the
// board before they are probed, and their probes together end within about a second, so the
// board is polled from the first seconds. The figures are measured and printed, not asserted.
TEST(StartUpEndToEnd, TheBoardIsPolledWhileFourBabblingThermalCamerasAreProbed)
{
    QProcess prepare;
    prepare.start(QStringLiteral("bash"), {QStringLiteral(MONITOR_SOURCE_DIR "/scripts/prepare-demo.sh"), QDir::currentPath()});
    ASSERT_TRUE(prepare.waitForFinished(30000));
    ASSERT_EQ(prepare.exitCode(), 0);

    FakeThermalCamera cameras[4];
    QStringList addresses;
    for (FakeThermalCamera& camera : cameras) {
        camera.setReply("GET", "/sensor/dimension", {200, "{}", FakeThermalCamera::Mode::EndlessHeaders});
        camera.setReply("GET", "/admin/boot-id", {200, "{}", FakeThermalCamera::Mode::EndlessHeaders});
        addresses << QString::fromStdString(camera.address());
    }

    PtyPair line;
    ASSERT_TRUE(line.start());
    IOBoardSimulator board;
    ASSERT_TRUE(board.open(line.deviceEnd().toStdString()));
    const auto boardOpened = std::chrono::steady_clock::now();

    MonitorProcess monitor;
    monitor.setEnv(QStringLiteral("MONITOR_SERIAL_PORT"), line.hostEnd());
    monitor.setEnv(QStringLiteral("MONITOR_FOTRIC_ADDRESSES"), addresses.join(QLatin1Char(',')));
    ASSERT_TRUE(monitor.start());
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(board.waitForHostFrames(2, 1, 90000)) << "the board was never polled";
    // Every camera was asked both questions and left each before its reply was whole.
    for (FakeThermalCamera& camera : cameras)
        ASSERT_TRUE(camera.waitForRepliesLeftUnfinished(2, 90000)) << camera.address();
    ASSERT_TRUE(monitor.answerStartupQuestion(QStringLiteral("Escape")));

    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    const auto firstPoll = boardOpened + std::chrono::microseconds(board.hostFrames().front().micros);
    auto firstProbe = cameras[0].requests().front().at;
    auto lastProbe = firstProbe;
    for (FakeThermalCamera& camera : cameras) {
        for (const auto& request : camera.requests()) {
            firstProbe = std::min(firstProbe, request.at);
            lastProbe = std::max(lastProbe, request.at);
        }
    }
    const long long pollAfterStart = duration_cast<milliseconds>(firstPoll - started).count();
    const long long probeAfterStart = duration_cast<milliseconds>(firstProbe - started).count();
    const long long probesSpan = duration_cast<milliseconds>(lastProbe - firstProbe).count();
    std::printf("[ measured ] first poll of the board %lld ms after the program started; first camera probe at %lld ms; "
                "last probe question %lld ms after the first\n",
                pollAfterStart, probeAfterStart, probesSpan);
    RecordProperty("first_poll_ms", static_cast<int>(pollAfterStart));
    EXPECT_TRUE(monitor.isRunning());
}

}  // namespace
