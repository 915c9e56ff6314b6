// A PLC program with a fault, on the wire: it writes a remote-command register on every scan
// with 64 requests in flight while the IO board simulator plays a machine that opens the mould
// every 1.5 s. The built program under Xvfb, the demo's working directory, a real socket client.
// The machine's cycles must go on being checked and counted, memory and the LOG folder must stay
// bounded, the operation log must not fill, and the main window must be caught up as soon as
// the client stops.
#include "tests/mainwindow/modbusread.h"
#include "tests/support/boardsimprocess.h"
#include "tests/support/eventwait.h"
#include "tests/support/monitorprocess.h"
#include "tests/support/ptypair.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

constexpr int kInFlight = 64;
// The flood lasts this long at least, and until the client has had kFloodReplies replies and
// the machine has opened the mould twice, however slowly the machine runs the test.
constexpr int kFloodMs = 5000;
constexpr long kFloodReplies = 10 * kInFlight;
constexpr int kFloodOpenings = 2;
// Only a server or machine that has stopped takes this long to give those.
constexpr int kFloodGiveUpMs = 120000;
// The LOG folder's limit given to the program (MB).
constexpr double kLogLimitMb = 3;

// The simulator's report lines ("machine: cycle N, mould open", "machine: mould closes", ...).
class Machine : public BoardSimProcess {
public:
    bool start(const QString& device)
    {
        // Open at least 0.8 s, closed 0.7 s: a mould opening every 1.5 s.
        return startSimulator({QStringLiteral("--device"), device, QStringLiteral("--machine"), QStringLiteral("800,700")});
    }
    int count(const QString& start, int from, int to) const
    {
        int n = 0;
        for (int i = from; i < to && i < m_lines.size(); ++i)
            n += m_lines[i].startsWith(start);
        return n;
    }
};

// Function-16 requests writing `value` into `reg`, kInFlight at a time, each reply read before
// the next batch goes, until `go` turns false or the server stops answering.
void floodWrites(quint16 port, int reg, int value, const std::atomic<bool>& go, std::atomic<long>* replies)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval timeout{3, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return;
    }
    QByteArray batch;
    for (int t = 0; t < kInFlight; ++t)
        for (int b : {0, t, 0, 0, 0, 9, 1, 16, reg >> 8, reg & 0xFF, 0, 1, 2, (value >> 8) & 0xFF, value & 0xFF})
            batch.append(char(b));
    char buffer[kInFlight * 12];
    while (go) {
        if (::send(fd, batch.constData(), size_t(batch.size()), MSG_NOSIGNAL) != batch.size())
            break;
        size_t got = 0;
        while (got < sizeof buffer) {
            const ssize_t n = ::recv(fd, buffer + got, sizeof buffer - got, 0);
            if (n <= 0)
                break;
            got += size_t(n);
        }
        if (got < sizeof buffer)
            break;
        *replies += kInFlight;
    }
    ::close(fd);
}

qint64 folderBytes(const QString& path)
{
    qint64 bytes = 0;
    QDirIterator it(path, QDir::Files);
    while (it.hasNext()) {
        it.next();
        bytes += it.fileInfo().size();
    }
    return bytes;
}

// Rows of the operation log whose remark is like `like`, -1 when it cannot be read. The
// program may be writing it: the reader waits for its lock.
int recordRows(const QString& like)
{
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"),
                 {QStringLiteral("-cmd"), QStringLiteral(".timeout 10000"), QStringLiteral("RECORD.db"),
                  QStringLiteral("select count(*) from RECORD where remarks like '%1'").arg(like)});
    if (!sqlite.waitForFinished(30000) || sqlite.exitCode() != 0)
        return -1;
    bool ok = false;
    const int rows = sqlite.readAllStandardOutput().trimmed().toInt(&ok);
    return ok ? rows : -1;
}

class ModbusFloodOnTheWire : public ::testing::Test {
protected:
    void SetUp() override
    {
        QProcess prepare;
        prepare.start(QStringLiteral("bash"), {QStringLiteral(MONITOR_SOURCE_DIR "/scripts/prepare-demo.sh"), QDir::currentPath()});
        ASSERT_TRUE(prepare.waitForFinished(30000));
        ASSERT_EQ(prepare.exitCode(), 0);
        ASSERT_TRUE(pty.start());
        ASSERT_TRUE(machine.start(pty.deviceEnd()));
        program.setEnv(QStringLiteral("MONITOR_SERIAL_PORT"), pty.hostEnd());
        program.setEnv(QStringLiteral("MONITOR_LOG_LIMIT_MB"), QString::number(kLogLimitMb));
        ASSERT_TRUE(program.start());
        ASSERT_TRUE(program.answerStartupQuestion());
        // The machine runs: two cycles counted.
        ASSERT_TRUE(waitUntil([&] { return counted() >= 2; }, 60000)) << "two cycles counted before the flood";
    }
    quint16 port() const { return quint16(program.modbusPort()); }
    // Cycles counted (read registers 50, 51), -1 when the read fails.
    int counted() const
    {
        const std::vector<int> words = readRegisters(port(), 50, 2);
        return words.size() == 2 ? words[0] * 65536 + words[1] : -1;
    }

    struct Figures {
        long replies = 0;
        qint64 residentBeforeKiB = 0;
        qint64 residentPeakKiB = 0;
        qint64 logPeakBytes = 0;
        int openings = 0;  // mould openings while the client wrote
        qint64 floodMs = 0;
    };
    // Floods `reg` with `value` for kFloodMs and until kFloodReplies replies and kFloodOpenings
    // mould openings have come, sampling memory and the LOG folder; `alongside` runs in a thread
    // of its own meanwhile.
    Figures flood(int reg, int value,
                  const std::function<void(const std::atomic<bool>&, const std::atomic<long>&)>& alongside = {})
    {
        Figures f;
        f.residentBeforeKiB = f.residentPeakKiB = program.residentKiB();
        const int from = machine.lineCount();
        std::atomic<bool> go{true};
        std::atomic<long> replies{0};
        std::thread client([&] { floodWrites(port(), reg, value, go, &replies); });
        std::thread other([&] {
            if (alongside)
                alongside(go, replies);
        });
        QElapsedTimer clock;
        clock.start();
        auto openings = [&] { return machine.count(QStringLiteral("machine: cycle"), from, machine.lineCount()); };
        while ((clock.elapsed() < kFloodMs || replies < kFloodReplies || openings() < kFloodOpenings)
               && clock.elapsed() < kFloodGiveUpMs) {
            waitUntil([] { return false; }, 100);
            f.residentPeakKiB = std::max(f.residentPeakKiB, program.residentKiB());
            f.logPeakBytes = std::max(f.logPeakBytes, folderBytes(QStringLiteral("relaydir/workspace/LOG")));
        }
        go = false;
        client.join();
        other.join();
        f.openings = openings();
        f.replies = replies;
        f.floodMs = clock.elapsed();
        return f;
    }

    PtyPair pty;
    Machine machine;
    MonitorProcess program;
};

TEST_F(ModbusFloodOnTheWire, GroupThatDoesNotExistWrittenOnEveryScanStallsNothing)
{
    const int countedBefore = counted();
    const int closesFrom = machine.lineCount();
    // Beside the flood, another client connects and closes at once, again and again, from the
    // moment the flood's connection has been answered.
    const Figures f = flood(1, 999, [&](const std::atomic<bool>& go, const std::atomic<long>& replies) {
        while (go && replies == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        for (int i = 0; go && i < 100000; ++i) {
            modbus_t* ctx = modbus_new_tcp("127.0.0.1", port());
            modbus_connect(ctx);
            modbus_close(ctx);
            modbus_free(ctx);
        }
    });
    // How long the catching up takes is printed as a figure: the server keeps at most one write
    // report waiting, so a flood leaves no backlog behind (the Modbus server tests show that).
    QElapsedTimer sinceEnd;
    sinceEnd.start();
    // Every mould opening during the flood but a last one still being checked is counted.
    const bool caughtUp = waitUntil([&] { return counted() >= countedBefore + f.openings - 1; }, kPatientWaitMs);
    const qint64 catchUpMs = sinceEnd.elapsed();
    const int refusalRows = recordRows(QStringLiteral("%999%"));
    std::printf("register-1 flood: %ld requests answered in %lld ms; resident memory %lld KiB before, +%lld KiB at most; "
                "%d mould openings, %d cycles counted %lld ms after the flood's end; %d operation-log rows of the refusal; "
                "LOG folder %lld KiB at most\n",
                f.replies, static_cast<long long>(f.floodMs), static_cast<long long>(f.residentBeforeKiB),
                static_cast<long long>(f.residentPeakKiB - f.residentBeforeKiB), f.openings, counted() - countedBefore,
                static_cast<long long>(catchUpMs), refusalRows, static_cast<long long>(f.logPeakBytes / 1024));
    ASSERT_TRUE(caughtUp) << f.openings << " mould openings, " << counted() - countedBefore << " counted";
    EXPECT_TRUE(waitUntil([&] { return counted() >= countedBefore + f.openings; }, kPatientWaitMs));
    EXPECT_GE(machine.count(QStringLiteral("machine: mould closes"), closesFrom, machine.lineCount()), f.openings)
        << "the clamp is permitted on every OK cycle";

    // The flood was answered all along and the machine went on: a server stalled by the flood
    // leaves the client without replies, a main window stalled by it the machine without clamp.
    EXPECT_GE(f.replies, kFloodReplies) << "the flood ran";
    EXPECT_GE(f.openings, kFloodOpenings);
    EXPECT_LT(f.residentPeakKiB - f.residentBeforeKiB, 20 * 1024);
    EXPECT_GE(refusalRows, 1) << "the refusal is in the operation log";
    EXPECT_LE(refusalRows, 3);
    EXPECT_LE(f.logPeakBytes, qint64(kLogLimitMb * 1024 * 1024));
    EXPECT_TRUE(program.isRunning());
}

TEST_F(ModbusFloodOnTheWire, ClearWrittenOnEveryScanKeepsTheCountersAtZero)
{
    const QString cleared = QStringLiteral("%检测计数已被清零%");
    const int clearRowsBefore = recordRows(cleared);
    const Figures f = flood(0, 1);
    // The last pass cleared the counters; a cycle may have been counted since.
    const int afterFlood = counted();
    const int clearRows = recordRows(cleared) - clearRowsBefore;
    std::printf("register-0 flood: %ld requests answered in %lld ms; resident memory +%lld KiB at most; "
                "%d mould openings; counters %d at the end; %d operation-log rows of the clear\n",
                f.replies, static_cast<long long>(f.floodMs), static_cast<long long>(f.residentPeakKiB - f.residentBeforeKiB), f.openings,
                afterFlood, clearRows);
    EXPECT_GE(f.replies, kFloodReplies) << "the flood ran";
    EXPECT_GE(f.openings, kFloodOpenings);
    EXPECT_LT(f.residentPeakKiB - f.residentBeforeKiB, 20 * 1024);
    EXPECT_GE(afterFlood, 0);
    EXPECT_LE(afterFlood, 1);
    // A clear of counters that were zero already is a repeat: the first clear, one for each
    // cycle counted in between, and a summary at most.
    EXPECT_GE(clearRows, 1);
    EXPECT_LE(clearRows, f.openings + 4);
    // The machine goes on being counted once the client stops: no clears are left queued.
    const int base = counted();
    ASSERT_TRUE(waitUntil([&] { return counted() >= base + 2; }, kPatientWaitMs)) << "cycles counted after the flood";
    EXPECT_LE(f.logPeakBytes, qint64(kLogLimitMb * 1024 * 1024));
    EXPECT_TRUE(program.isRunning());
}

}  // namespace
