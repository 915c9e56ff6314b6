// The README's story of the demo, on the wire and in its order: the built program under Xvfb in a
// working directory made by scripts/prepare-demo.sh, the IO board simulator playing the moulding
// machine (--machine) on a pseudo-terminal, the screen tapped with the pointer. OK cycles; with
// the mould closed (the machine paused there, so that no speed of this machine lets it open
// meanwhile), two cavity captures, the second of which shows a part left in the cavity and raises
// the alarm; the machine opens the mould once more; the part taken out by touching
// "take-part-out" in the demo folder; "不检测此模"; and the machine's next mould openings are OK
// cycles again, the one that came during the alarm included, with the clamp permitted and no
// alarm.
#include "tests/core/paramtestdb.h"
#include "tests/mainwindow/modbusread.h"
#include "tests/support/boardsimprocess.h"
#include "tests/support/eventwait.h"
#include "tests/support/monitorprocess.h"
#include "tests/support/ptypair.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// Output bits on the board: a low level is the active one (clamp prohibited, alarm on).
constexpr int kClamp = 1 << 0;
constexpr int kAlarm = 1 << 2;

// Where a person taps on the 1920 x 1080 screen: the side menu's "模腔手动抓拍" (the fifth command
// button of the column at the right), the alarm panel's "不检测此模" in the same column, and the
// OK button of the 600 x 420 question box, from the box's top left corner.
const QPoint kCavityCapture(1870, 770);
const QPoint kSkipMould(1870, 244);
const QPoint kBoxOk(382, 360);

// The simulator's report: "machine: ..." steps and "outputs 0x3FE" changes, one a line.
class MachineOnTheWire : public BoardSimProcess {
public:
    bool start(const QString& device)
    {
        // The demo's machine, as the README starts it.
        return startSimulator({QStringLiteral("--device"), device, QStringLiteral("--control"),
                               QString::fromLatin1(kControl), QStringLiteral("--record"),
                               QStringLiteral("io-frames.log"), QStringLiteral("--machine")});
    }
    // One command line through the simulator's control pipe.
    bool command(const QByteArray& line)
    {
        QFile pipe(QString::fromLatin1(kControl));
        return pipe.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && pipe.write(line + '\n') == line.size() + 1;
    }
    // The line of the machine's last step when that step closed the mould, else -1.
    int closedAt() const
    {
        for (int i = m_lines.size() - 1; i >= 0; --i) {
            if (m_lines[i].startsWith(QLatin1String("machine: mould closes")))
                return i;
            if (m_lines[i].startsWith(QLatin1String("machine: cycle")))
                return -1;
        }
        return -1;
    }
    QStringList linesFrom(int first) const { return m_lines.mid(first); }
    // Waits for a line from `first` on that starts with `text`; its index, or -1 on timeout.
    int waitForLine(const QString& text, int first, int timeoutMs = kPatientWaitMs)
    {
        int found = -1;
        waitUntil(
            [&] {
                for (int i = first; i < m_lines.size(); ++i) {
                    if (m_lines[i].startsWith(text)) {
                        found = i;
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        return found;
    }
    // The outputs the board holds as last reported, -1 before the first report.
    int outputs() const
    {
        static const QRegularExpression report(QStringLiteral("^outputs 0x([0-9A-F]+)$"));
        for (int i = m_lines.size() - 1; i >= 0; --i) {
            const QRegularExpressionMatch match = report.match(m_lines[i]);
            if (match.hasMatch())
                return match.captured(1).toInt(nullptr, 16);
        }
        return -1;
    }
    // Output reports from line `first` on, up to line `end` (not included; -1: all).
    QList<int> outputsFrom(int first, int end = -1) const
    {
        static const QRegularExpression report(QStringLiteral("^outputs 0x([0-9A-F]+)$"));
        QList<int> words;
        for (int i = first; i < (end < 0 ? m_lines.size() : end); ++i) {
            const QRegularExpressionMatch match = report.match(m_lines[i]);
            if (match.hasMatch())
                words << match.captured(1).toInt(nullptr, 16);
        }
        return words;
    }

private:
    static constexpr const char* kControl = "io-board.ctl";
};

int okPictures(int camera)
{
    return QDir(QStringLiteral("alarmimage/camera%1/detect2/OK").arg(camera)).entryList({QStringLiteral("*.jpg")}, QDir::Files).size();
}

QString remarks()
{
    return sqliteValue(QStringLiteral("RECORD.db"), QStringLiteral("select group_concat(remarks, '|') from RECORD"));
}

TEST(DemoStoryEndToEnd, ThePartTakenOutDuringTheAlarmAndTheMouldSkippedGivesOkCyclesAgain)
{
    QProcess prepare;
    prepare.start(QStringLiteral("bash"), {QStringLiteral(MONITOR_SOURCE_DIR "/scripts/prepare-demo.sh"), QDir::currentPath()});
    ASSERT_TRUE(prepare.waitForFinished(30000));
    ASSERT_EQ(prepare.exitCode(), 0);
    PtyPair pty;
    ASSERT_TRUE(pty.start());
    MachineOnTheWire machine;
    ASSERT_TRUE(machine.start(pty.deviceEnd()));
    MonitorProcess program;
    program.setEnv(QStringLiteral("MONITOR_SERIAL_PORT"), pty.hostEnd());
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.answerStartupQuestion());
    const auto alarmRegister = [&] { return readRegisters(quint16(program.modbusPort()), 1, 1); };
    const auto ngCycles = [&] {
        const std::vector<int> words = readRegisters(quint16(program.modbusPort()), 52, 2);
        return words.size() == 2 ? words[0] * 65536 + words[1] : -1;
    };

    // OK cycles: the machine opens the mould, the monitor checks the empty cavities and permits
    // the clamp, the mould closes, and again.
    int from = machine.lineCount();
    ASSERT_TRUE(waitUntil([] { return okPictures(1) >= 2 && okPictures(2) >= 2; }, 60000)) << "two OK cycles";
    int closes = machine.waitForLine(QStringLiteral("machine: mould closes"), machine.lineCount());
    ASSERT_GE(closes, 0);
    for (int word : machine.outputsFrom(from))
        EXPECT_EQ(word & kAlarm, kAlarm) << "no alarm in the OK cycles";
    // (The machine may wait for the clamp a moment on a loaded machine: how long a check takes is
    // no part of this test.)
    EXPECT_EQ(ngCycles(), 0);

    // With the mould closed, two cavity captures: the empty cavity, then the part left in it. The
    // machine is paused once it has closed the mould, so the captures take what time they need.
    int paused = machine.lineCount();
    ASSERT_TRUE(machine.command("machine pause"));
    paused = machine.waitForLine(QStringLiteral("machine: paused"), paused);
    ASSERT_GE(paused, 0);
    ASSERT_TRUE(waitUntil([&] { return machine.closedAt() >= 0; }, kPatientWaitMs));
    closes = machine.closedAt();
    const int okBefore[2] = {okPictures(1), okPictures(2)};
    program.click(kCavityCapture);
    ASSERT_TRUE(waitUntil([&] { return okPictures(1) > okBefore[0] && okPictures(2) > okBefore[1]; }, kPatientWaitMs))
        << "the first capture finds the cavities empty";
    from = machine.lineCount();
    program.click(kCavityCapture);
    ASSERT_TRUE(waitUntil([&] { return machine.outputs() >= 0 && (machine.outputs() & (kAlarm | kClamp)) == 0; }, kPatientWaitMs))
        << "the capture raises the alarm with the clamp prohibited";
    ASSERT_TRUE(waitUntil([&] { return alarmRegister() == std::vector<int>{2}; }, kPatientWaitMs)) << "cavity alarm";
    EXPECT_EQ(machine.linesFrom(closes + 1).filter(QStringLiteral("mould open")).size(), 0)
        << "the alarm came while the mould was closed";
    const int ngAfterAlarm = ngCycles();
    ASSERT_TRUE(machine.command("machine resume"));

    // The machine opens the mould during the alarm and waits for the clamp.
    const int opened = machine.waitForLine(QStringLiteral("machine: cycle"), from);
    ASSERT_GE(opened, 0) << "the mould opens during the alarm";
    ASSERT_GE(machine.waitForLine(QStringLiteral("machine: waiting for the clamp permission"), opened), 0);
    EXPECT_EQ(machine.outputs() & (kAlarm | kClamp), 0);

    // The operator takes the part out, as the README says: touching take-part-out.
    {
        QFile file(QStringLiteral("take-part-out"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    // The simulated cameras see it at their next grab, which comes before any check.
    const int picturesBefore = okPictures(1);
    from = machine.lineCount();
    program.click(kSkipMould);
    ASSERT_TRUE(program.clickInBox(QSize(600, 420), kBoxOk)) << "the question of 不检测此模";

    // The alarm is lifted; the mould opening that came during it is checked on the empty cavity:
    // the clamp is permitted and the mould closes.
    ASSERT_GE(machine.waitForLine(QStringLiteral("machine: mould closes"), from), 0) << "the clamp is permitted";
    ASSERT_TRUE(waitUntil([&] { return alarmRegister() == std::vector<int>{0}; }, kPatientWaitMs));
    ASSERT_TRUE(waitUntil([&] { return okPictures(1) > picturesBefore; }, kPatientWaitMs))
        << "the waiting mould opening is checked OK";
    EXPECT_TRUE(remarks().contains(QStringLiteral("所有相机都不检测本模")));
    // Within that opening the clamp is permitted once, after its check, and never withdrawn
    // again: the machine closes the mould on the permission.
    const int nextOpening = machine.waitForLine(QStringLiteral("machine: cycle"), from);
    ASSERT_GE(nextOpening, 0);
    bool permitted = false;
    for (int word : machine.outputsFrom(from, nextOpening)) {
        EXPECT_FALSE(permitted && (word & kClamp) == 0) << "the clamp permitted and prohibited again";
        permitted = permitted || (word & kClamp) != 0;
    }

    // The next mould openings are OK cycles with the clamp permitted and no alarm.
    int at = machine.lineCount();
    for (int cycle = 0; cycle < 2; ++cycle) {
        SCOPED_TRACE(cycle);
        const int open = machine.waitForLine(QStringLiteral("machine: cycle"), at);
        ASSERT_GE(open, 0);
        at = machine.waitForLine(QStringLiteral("machine: mould closes"), open);
        ASSERT_GE(at, 0) << "the clamp is permitted";
        ++at;
    }
    for (int word : machine.outputsFrom(from + 1))
        EXPECT_EQ(word & kAlarm, kAlarm) << "no alarm after the mould was skipped";
    EXPECT_EQ(alarmRegister(), std::vector<int>{0});
    EXPECT_EQ(ngCycles(), ngAfterAlarm) << "no NG cycle after the part was taken out";
    const QString log = remarks();
    EXPECT_FALSE(log.mid(log.lastIndexOf(QStringLiteral("所有相机都不检测本模"))).contains(QStringLiteral("报警")))
        << log.toStdString();
    EXPECT_TRUE(program.isRunning());
}

}  // namespace
