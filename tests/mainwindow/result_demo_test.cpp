// The demo as a person runs it: the built program in a working directory made from samples/,
// two simulated 1920 x 1080 cameras showing the empty cavities, the cavity check trained on them
// with the sample regions, and the IO board simulator opening the mould. Also the time from the
// cavity check's trigger to the clamp decision, measured on the wire.
#include "core/globals.h"
#include "core/texttable.h"
#include "tests/core/paramtestdb.h"
#include "tests/support/monitorprocess.h"
#include "tests/support/eventwait.h"
#include "tests/support/ptypair.h"

#include "ioboardsim.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr quint16 kClamp = 1u << 0;
constexpr quint16 kAlarm = 1u << 2;

// What prepare-demo.sh makes: samples/ copied, the default group's databases beside them.
void copyTree(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + '/' + QDir(from).relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).path());
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(file, target)) << target.toStdString();
    }
}

void prepareDemo()
{
    copyTree(QStringLiteral(MONITOR_SOURCE_DIR "/samples"), QDir::currentPath());
    if (!QFile::exists(QStringLiteral("SN.db"))) {
        ASSERT_TRUE(QFile::copy(QStringLiteral("paraGroup/default/SN.db"), QStringLiteral("SN.db")));
    }
}

int jpgCount(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files).size();
}

// Everything the program logged in this working directory, earlier runs included.
QString logText()
{
    QString text;
    QDirIterator it(QStringLiteral("relaydir/workspace/LOG"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            text += QString::fromUtf8(file.readAll());
    }
    return text;
}

// The line that names a file of camera 1's cavity check, in any of the four languages.
bool namesCavityFile(const QString& text, int textId, const QString& file)
{
    for (int language = 0; language < 4; ++language) {
        const QString line = TextTable[textId * 4 + language].arg(1).arg(TextTable[264 * 4 + language], file);
        if (text.contains(line))
            return true;
    }
    return false;
}

void cutToAThird(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(file.size() / 3));
}

class DemoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prepareDemo();
        ASSERT_TRUE(pty.start());
        board.onHostFrame([this](const IOBoardSimulator::HostFrame& frame) {
            if (frame.command() != 1)
                return;
            std::lock_guard<std::mutex> lock(mutex);
            commands.push_back({Clock::now(), frame.value()});
        });
        std::string error;
        ASSERT_TRUE(board.open(pty.deviceEnd().toStdString(), &error)) << error;
        program.setEnv(QStringLiteral("MONITOR_SERIAL_PORT"), pty.hostEnd());
        ASSERT_TRUE(program.start());
        ASSERT_TRUE(program.answerStartupQuestion());
        // Detecting, all outputs at rest (clamp permitted, alarm off).
        ASSERT_TRUE(waitFor([this] { return (board.heldOutputs() & 0x3FF) == 0x3FF; }, 30000));
    }
    void TearDown() override
    {
        program.stop();
        board.close();
    }

    static bool waitFor(const std::function<bool()>& done, int timeoutMs) { return waitUntil(done, timeoutMs); }
    // One mould opening; the time of the edge.
    Clock::time_point openMould()
    {
        board.setInputs(board.inputs() | 1);
        return Clock::now();
    }
    void closeMould() { board.setInputs(board.inputs() & ~1); }

    // Milliseconds from `edge` to the first output command after it that `decided` accepts.
    double msToCommand(Clock::time_point edge, const std::function<bool(quint16, quint16)>& decided, int timeoutMs)
    {
        double ms = -1;
        waitFor(
            [&] {
                std::lock_guard<std::mutex> lock(mutex);
                quint16 before = 0x3FF;
                for (const Command& c : commands) {
                    if (c.at >= edge && decided(before, c.value)) {
                        ms = std::chrono::duration<double, std::milli>(c.at - edge).count();
                        return true;
                    }
                    before = c.value;
                }
                return false;
            },
            timeoutMs);
        return ms;
    }

    struct Command {
        Clock::time_point at;
        quint16 value;
    };
    std::mutex mutex;
    std::vector<Command> commands;
    PtyPair pty;
    IOBoardSimulator board;
    MonitorProcess program;
};

// Each cycle is known by its OK pictures. The clamp cut lasts only as long as the checks (about
// 70 ms here); the IO thread puts on the wire the outputs it finds at its passes, so on a starved
// machine a cut that short may never reach the board, and that cycle gives no figure.
TEST_F(DemoTest, EmptyCavitiesGiveOkCyclesWithTheirPictures)
{
    const QString okFolders[] = {QStringLiteral("alarmimage/camera1/detect2/OK"),
                                 QStringLiteral("alarmimage/camera2/detect2/OK")};
    std::vector<double> decisions;
    for (int cycle = 0; cycle < 3; ++cycle) {
        SCOPED_TRACE(cycle);
        {
            std::lock_guard<std::mutex> lock(mutex);
            commands.clear();
        }
        const Clock::time_point edge = openMould();
        ASSERT_TRUE(waitFor([&] { return jpgCount(okFolders[0]) == cycle + 1 && jpgCount(okFolders[1]) == cycle + 1; },
                            kPatientWaitMs))
            << "no OK pictures of the cycle";
        // The cycle start prohibits the clamp; the OK cavity check permits it again.
        const double cut = msToCommand(edge, [](quint16, quint16 value) { return !(value & kClamp); }, 0);
        if (cut >= 0) {
            bool prohibited = false;
            const double ms = msToCommand(
                edge,
                [&](quint16, quint16 value) {
                    if (!(value & kClamp))
                        prohibited = true;
                    return prohibited && (value & kClamp);
                },
                kPatientWaitMs);
            ASSERT_GE(ms, 0) << "the clamp was permitted again";
            decisions.push_back(ms);
            std::cout << "[ cycle ] clamp cut at " << cut << " ms, permitted at " << ms << " ms\n";
        } else {
            std::cout << "[ cycle ] the clamp cut never reached the wire: no figure\n";
        }
        ASSERT_TRUE(waitFor([this] { return (board.heldOutputs() & kClamp) == kClamp; }, kPatientWaitMs))
            << "clamp still prohibited";
        EXPECT_EQ(board.heldOutputs() & kAlarm, kAlarm) << "no alarm";
        QThread::msleep(500);
        closeMould();
        QThread::msleep(2600);  // the 2 s result display, and distinct picture names
    }
    EXPECT_EQ(jpgCount(QStringLiteral("alarmimage/camera1/detect2/NG")), 0);
    EXPECT_TRUE(program.isRunning());
    if (decisions.empty())
        return;
    std::sort(decisions.begin(), decisions.end());
    std::cout << "[ measured ] mould-open edge to clamp permitted on the wire, two 1920 x 1080 cameras, "
                 "sample regions, OK: min "
              << decisions.front() << " ms, median " << decisions[decisions.size() / 2] << " ms, max "
              << decisions.back() << " ms\n";
}

TEST_F(DemoTest, PartLeftInTheCavityRaisesTheAlarmWithTheClampProhibited)
{
    // Restart the program with camera 1 showing a part left in its cavity.
    program.stop();
    ASSERT_TRUE(QFile::remove(QStringLiteral("cammer15/template0.bmp")));
    ASSERT_TRUE(QFile::copy(QStringLiteral("cammer15/template1.bmp"), QStringLiteral("cammer15/template0.bmp")));
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.answerStartupQuestion());
    ASSERT_TRUE(waitFor([this] { return (board.heldOutputs() & 0x3FF) == 0x3FF; }, 30000));
    {
        std::lock_guard<std::mutex> lock(mutex);
        commands.clear();
    }
    const Clock::time_point edge = openMould();
    const double ms = msToCommand(edge, [](quint16, quint16 value) { return !(value & kAlarm); }, kPatientWaitMs);
    ASSERT_GE(ms, 0) << "alarm output";
    EXPECT_EQ(board.heldOutputs() & kClamp, 0) << "clamp prohibited";
    std::cout << "[ measured ] mould-open edge to alarm with the clamp prohibited on the wire, two 1920 x 1080 "
                 "cameras, sample regions, part left: "
              << ms << " ms\n";
    // The machine stays open: the clamp is not permitted again.
    closeMould();
    QThread::msleep(1500);
    openMould();
    QThread::msleep(1500);
    EXPECT_EQ(board.heldOutputs() & kClamp, 0);
    EXPECT_EQ(board.heldOutputs() & kAlarm, 0);
}

// A start with camera 1's cavity template or ignore mask cut short (a write cut by a power cut
// before the writes were made whole): the cavity check fails safe, the clamp prohibited, and the
// log and the operation log name the camera, the check and the file.
TEST_F(DemoTest, CutTemplateOrIgnoreMaskFailsSafeAndIsNamed)
{
    const struct {
        const char* name;
        const char* file;
        int textId;
        // The camera shows a part left in its cavity.
        bool partLeft;
    } cases[] = {
        // The empty cavity the template shows: judged against nothing real, it stays NG.
        {"cut template 0", "cammer12/template0.bmp", 680, false},
        // A mask that ignores the whole frame, cut: it counts as no mask, so the part is found.
        {"cut ignore mask", "cammer12/ignorepoint.bmp", 681, true},
    };
    fillTextTable();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        program.stop();
        prepareDemo();
        if (c.partLeft) {
            ASSERT_TRUE(QFile::remove(QStringLiteral("cammer15/template0.bmp")));
            ASSERT_TRUE(QFile::copy(QStringLiteral("cammer15/template1.bmp"), QStringLiteral("cammer15/template0.bmp")));
        }
        if (QString::fromLatin1(c.file).endsWith(QStringLiteral("ignorepoint.bmp"))) {
            QImage everything(1920, 1080, QImage::Format_Grayscale8);
            everything.fill(255);
            ASSERT_TRUE(everything.save(QString::fromLatin1(c.file), "BMP"));
        }
        cutToAThird(QString::fromLatin1(c.file));

        ASSERT_TRUE(program.start());
        ASSERT_TRUE(program.answerStartupQuestion());
        ASSERT_TRUE(waitFor([this] { return (board.heldOutputs() & 0x3FF) == 0x3FF; }, 30000));
        const QString named = QStringLiteral("./") + QLatin1String(c.file);
        EXPECT_TRUE(waitFor([&] { return namesCavityFile(logText(), c.textId, named); }, kPatientWaitMs))
            << "the log names the file";
        EXPECT_TRUE(namesCavityFile(sqliteValue(QStringLiteral("RECORD.db"), QStringLiteral("select remarks from RECORD")),
                                    c.textId, named))
            << "the operation log names the file";

        {
            std::lock_guard<std::mutex> lock(mutex);
            commands.clear();
        }
        const Clock::time_point edge = openMould();
        EXPECT_GE(msToCommand(edge, [](quint16, quint16 value) { return !(value & kAlarm); }, kPatientWaitMs), 0)
            << "alarm output";
        EXPECT_EQ(board.heldOutputs() & kClamp, 0) << "clamp prohibited";
        EXPECT_EQ(jpgCount(QStringLiteral("alarmimage/camera1/detect2/OK")), 0);
        closeMould();
    }
}

}  // namespace
