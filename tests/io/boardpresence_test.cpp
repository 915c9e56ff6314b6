// The IO thread watching the board on the wire (board simulator over a pty pair): a board that
// falls silent is reported once, polled sparingly while silent and reported once when it answers
// again; bytes that are no frame are counted in one line a minute; the lamp row shows a silent
// board. The thread runs on a clock the test moves, so the bounds are the test's to cross.
#include "tests/io/ioboard_fixture.h"

#include "io/iostatuswidget.h"
#include "io/iothread.h"
#include "io/iowidgetitem.h"
#include "tests/core/logcapture.h"

#include <QLabel>
#include <QTranslator>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The test's clock: it moves only when the test moves it, and counts how often the IO thread
// reads it (each pass reads it several times), so the test can let passes go by as an event.
std::atomic<qint64> g_now{1000000};
std::atomic<long> g_reads{0};

qint64 testClock()
{
    ++g_reads;
    return g_now.load();
}

// Collects the thread's reports of the board in the GUI thread, as the window does.
class AnsweringRecorder : public QObject {
public:
    explicit AnsweringRecorder(IOThread* thread)
    {
        connect(thread, &IOThread::sigBoardAnswering, this, [this](bool answering) { changes.push_back(answering); },
                Qt::QueuedConnection);
    }
    std::vector<bool> changes;
};

int linesWith(LogCapture& log, const std::string& text)
{
    int n = 0;
    for (const std::string& line : log.lines())
        n += line.find(text) != std::string::npos ? 1 : 0;
    return n;
}

class BoardPresenceTest : public IOLineTest {
protected:
    void SetUp() override
    {
        IOLineTest::SetUp();
        // The port opens the line and publishes the outputs; the thread under test is our own.
        port = std::make_unique<ControlPort>();
        ASSERT_TRUE(ioSerialPort->isOpen());
    }
    void TearDown() override
    {
        thread.reset();
        IOLineTest::TearDown();
    }
    void startThread(IOThread::MonotonicClock clock)
    {
        thread = std::make_unique<IOThread>(ioSerialPort, clock);
        recorder = std::make_unique<AnsweringRecorder>(thread.get());
        thread->start();
        ASSERT_TRUE(waitForPolls(3)) << "no polls from the IO thread";
    }
    // Moves the clock, with the detection cycle's heartbeat as the running program gives it.
    void advance(qint64 ms)
    {
        g_now += ms;
        thread->heartbeat();
    }
    // Lets the IO thread run at least `passes` passes (each reads the clock more than once).
    static bool letPassesGo(long passes)
    {
        const long until = g_reads.load() + 2 * passes;
        return waitUntil([&] { return g_reads.load() >= until; }, kPatientWaitMs);
    }
    bool waitForChanges(size_t count)
    {
        return waitUntil([&] { return recorder->changes.size() >= count; }, kPatientWaitMs);
    }

    std::unique_ptr<IOThread> thread;
    std::unique_ptr<AnsweringRecorder> recorder;
};

TEST_F(BoardPresenceTest, ASilentBoardIsReportedOnceEachWayAndPolledSparinglyMeanwhile)
{
    LogCapture log;
    startThread(&testClock);
    EXPECT_TRUE(thread->boardAnswering());

    board.injectFault(IOBoardSimulator::Fault::Silence, IOBoardSimulator::kForever);
    ASSERT_TRUE(waitForPolls(3));
    // Answers already on their way are read; then, just short of the bound, still answering.
    ASSERT_TRUE(letPassesGo(20));
    advance(BoardPresence::kLostAfterMs - 1);
    ASSERT_TRUE(letPassesGo(20));
    QCoreApplication::processEvents();
    EXPECT_TRUE(recorder->changes.empty());
    EXPECT_TRUE(thread->boardAnswering());

    advance(BoardPresence::kLostAfterMs);
    ASSERT_TRUE(waitForChanges(1)) << "the silent board was never reported";
    EXPECT_EQ(recorder->changes, std::vector<bool>{false});
    EXPECT_FALSE(thread->boardAnswering());

    // While the clock stands, passes go by without a poll; one poll each time 200 ms pass. The
    // poll after each step follows all earlier ones on the line, so the count is complete.
    advance(BoardPresence::kLostPollMs);
    ASSERT_TRUE(waitForPolls(1)) << "no poll while the board was silent";
    const size_t before = seen(2);
    ASSERT_TRUE(letPassesGo(100));
    advance(BoardPresence::kLostPollMs);
    ASSERT_TRUE(waitForPolls(1)) << "no poll after 200 ms of silence";
    EXPECT_LE(seen(2) - before, 2u) << "the host floods a silent board";

    // Many more silent passes: the loss is not reported again.
    advance(10 * BoardPresence::kLostAfterMs);
    ASSERT_TRUE(letPassesGo(50));

    board.clearFaults();
    advance(BoardPresence::kLostPollMs);
    ASSERT_TRUE(waitForChanges(2)) << "the board's return was never reported";
    ASSERT_TRUE(letPassesGo(50));
    QCoreApplication::processEvents();
    EXPECT_EQ(recorder->changes, (std::vector<bool>{false, true}));
    EXPECT_TRUE(thread->boardAnswering());
    EXPECT_EQ(linesWith(log, "IO board not answering"), 1);
    EXPECT_EQ(linesWith(log, "IO board answers again"), 1);
    // Back at the full rate: polls follow without the clock moving.
    ASSERT_TRUE(waitForPolls(20)) << "the host did not resume polling at its full rate";
}

TEST_F(BoardPresenceTest, TheHostsOwnSilenceIsNotTheBoards)
{
    // The detection cycle stalls (no heartbeat for 10 s): the host stops talking, and the board's
    // silence that follows is not a lost board.
    startThread(&testClock);
    g_now += IOThread::kHeartbeatTimeoutMs + 1;
    // A silent turn reads the clock once a second.
    ASSERT_TRUE(letPassesGo(1));
    thread->heartbeat();
    ASSERT_TRUE(waitForPolls(3));
    ASSERT_TRUE(letPassesGo(20));
    QCoreApplication::processEvents();
    EXPECT_TRUE(recorder->changes.empty());
    EXPECT_TRUE(thread->boardAnswering());
}

TEST_F(BoardPresenceTest, GarbageIsCountedInALineAMinute)
{
    LogCapture log;
    startThread(&testClock);
    const std::string marker = "received bytes were no frame";
    // Bursts of bytes that can never start a frame, among the board's answers.
    long sent = 0;
    for (int burst = 0; burst < 20; ++burst) {
        board.sendRaw(std::vector<uint8_t>(37, 0x00));
        sent += 37;
        ASSERT_TRUE(waitForPolls(2));
    }
    // The bytes reach the host when the pty relay hands them on: each minute that passes brings
    // one line with what arrived in it, until all are counted. The minute passes in steps of a
    // second with the board's answers between them, as on a real clock.
    long counted = 0;
    int minutes = 0;
    while (counted < sent && minutes < 5) {
        for (int second = 0; second < 60; ++second) {
            advance(1000);
            ASSERT_TRUE(waitForPolls(3));
        }
        ++minutes;
        counted = 0;
        for (const std::string& line : log.lines()) {
            const size_t at = line.find("IO board line: ");
            if (at != std::string::npos && line.find(marker) != std::string::npos)
                counted += std::atol(line.c_str() + at + 15);
        }
    }
    EXPECT_EQ(counted, sent);
    EXPECT_LE(linesWith(log, marker), minutes) << "more than one garbage line a minute";
    EXPECT_TRUE(thread->boardAnswering()) << "a board that answers among garbage is not lost";
}

// The lamp row on the real clock: grey lamps and the notice while the board is silent, back to
// the board's state when it answers; drawn in both languages when MONITOR_TEST_SHOTS names a
// folder.
TEST_F(BoardPresenceTest, TheLampRowShowsASilentBoard)
{
    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral(MONITOR_BINARY_DIR "/Translator/tr_en.qm")));
    const QString shots = QString::fromLocal8Bit(qgetenv("MONITOR_TEST_SHOTS"));
    port.reset();
    port = std::make_unique<ControlPort>();
    controlPort = port.get();
    port->startIOThread(nullptr);
    ASSERT_TRUE(waitForPolls(3));
    IOStatusWidget_2 row;
    row.setStyleSheet(QStringLiteral("background:#303030;"));
    row.setAttribute(Qt::WA_StyledBackground);
    ASSERT_TRUE(waitUntil([&] { return row.outputLamp(0)->known; }, kPatientWaitMs));
    EXPECT_FALSE(row.boardSilentNotice()->isVisibleTo(&row));

    board.injectFault(IOBoardSimulator::Fault::Silence, IOBoardSimulator::kForever);
    ASSERT_TRUE(waitUntil([&] { return row.boardSilentNotice()->isVisibleTo(&row); }, kPatientWaitMs))
        << "the lamp row never showed the silent board";
    EXPECT_EQ(row.boardSilentNotice()->text(), QStringLiteral("IO板无应答"));
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(row.inputLamp(i)->known) << i;
        EXPECT_FALSE(row.outputLamp(i)->known) << i;
    }
    if (!shots.isEmpty()) {
        row.grab().save(shots + QStringLiteral("/io-lamps-board-silent-zh.png"));
        QCoreApplication::installTranslator(&english);
        IOStatusWidget_2 englishRow;
        englishRow.setStyleSheet(QStringLiteral("background:#303030;"));
        englishRow.setAttribute(Qt::WA_StyledBackground);
        englishRow.refresh();
        EXPECT_EQ(englishRow.boardSilentNotice()->text(), QStringLiteral("IO board not answering"));
        englishRow.grab().save(shots + QStringLiteral("/io-lamps-board-silent-en.png"));
        QCoreApplication::removeTranslator(&english);
    }

    board.clearFaults();
    ASSERT_TRUE(waitUntil([&] { return !row.boardSilentNotice()->isVisibleTo(&row); }, kPatientWaitMs))
        << "the lamp row never showed the board's return";
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(row.outputLamp(i)->known) << i;
    if (!shots.isEmpty())
        row.grab().save(shots + QStringLiteral("/io-lamps-board-back.png"));
    controlPort = nullptr;
}

}  // namespace
