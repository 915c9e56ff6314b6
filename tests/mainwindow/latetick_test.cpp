// The machine cycle while the screen's thread is held for seconds: the IO thread withdraws the
// clamp at the mould-open edge on its own, the cycle checks the opening once the thread is back,
// and only that check permits the clamp again.
#include "tests/core/logcapture.h"
#include "tests/mainwindow/cyclefixture.h"

#include "io/iothread.h"

#include <condition_variable>
#include <iostream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double msSince(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Waits in a thread other than the screen's (no event loop there).
bool spinUntil(const std::function<bool()>& done, int timeoutMs)
{
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class LateTickTest : public CycleTest {
protected:
    // Holds the screen's thread (this one: no event, timer or tick runs) while `machine` plays in
    // a thread of its own, until the machine is done (its own waits are bounded) and at least
    // `holdMs` have passed, as a long operation on the screen's thread would. The machine opens the mould 1 s into the stall, as
    // after the operator's confirmation: by then the cycle's last tick is 1 s old.
    void holdScreenThread(int holdMs, const std::function<void()>& machine)
    {
        const Clock::time_point heldAt = Clock::now();
        std::mutex mutex;
        std::condition_variable doneChanged;
        bool done = false;
        std::thread player([&] {
            std::this_thread::sleep_until(heldAt + 1s);
            machine();
            std::lock_guard<std::mutex> lock(mutex);
            done = true;
            doneChanged.notify_all();
        });
        {
            std::unique_lock<std::mutex> lock(mutex);
            const bool finished = doneChanged.wait_for(lock, std::chrono::milliseconds(holdMs + 3 * kPatientWaitMs),
                                                       [&] { return done; });
            EXPECT_TRUE(finished) << "the machine never finished its part while the screen's thread was held";
        }
        player.join();
        std::this_thread::sleep_until(heldAt + std::chrono::milliseconds(holdMs));
    }
};

struct StallCase {
    const char* name;
    bool partLeft;
    int confirmTenths;  // inputDebounce
};

class MouldOpensDuringStallTest : public LateTickTest, public ::testing::WithParamInterface<StallCase> {};

TEST_P(MouldOpensDuringStallTest, ClampWithdrawnAtTheEdgeAndPermittedOnlyByTheOpeningsCheck)
{
    const StallCase& c = GetParam();
    params->inputDebounce = c.confirmTenths;
    build();
    addPartRegion(0, 1);
    window->saveAllFlag = true;
    CycleCamera* camera = CycleCamera::opened().front();
    camera->setFrame(c.partLeft ? partLeftInCavity() : emptyCavity());
    waitFrameTaken(camera);
    ASSERT_FALSE(activeOnBoard(0));
    LogCapture log;

    Clock::time_point edge;
    bool withdrawnWhileHeld = false;
    bool closeReachedHost = false;
    holdScreenThread(10000, [&] {
        edge = Clock::now();
        setInput(0, true);
        withdrawnWhileHeld = spinUntil([this] { return activeOnBoard(0); }, kPatientWaitMs);
        // The machine closes the mould after 2 s, permitted or not.
        std::this_thread::sleep_until(edge + 2s);
        setInput(0, false);
        closeReachedHost = spinUntil([] { return !inputOnHost(0); }, kPatientWaitMs);
    });
    const Clock::time_point resumed = Clock::now();
    ASSERT_TRUE(withdrawnWhileHeld) << "the clamp was not withdrawn on the board while the screen's thread was held";
    ASSERT_TRUE(closeReachedHost) << "the closing never reached the IO thread";
    Clock::time_point withdrawnAt;
    ASSERT_TRUE(firstCommandWithActive(0, edge, &withdrawnAt));
    EXPECT_LT(withdrawnAt, resumed);
    std::cout << "[ measured ] mould-open edge -> clamp withdrawn on the board, screen's thread held: "
              << msSince(edge, withdrawnAt) << " ms" << std::endl;
    EXPECT_EQ(checksRun(0, 1), 0) << "no check while the screen's thread was held";
    EXPECT_TRUE(log.contains("while the detection cycle is")) << "the IO thread says how late the cycle was";

    ASSERT_TRUE(waitFor([] { return checksRun(0, 1) == 1; }, kPatientWaitMs))
        << "the opening was never checked once the screen's thread was back";
    if (c.partLeft) {
        ASSERT_TRUE(waitFor([this] { return activeOnBoard(2); }, kPatientWaitMs)) << "no alarm for the part left";
        EXPECT_TRUE(activeOnBoard(0)) << "the clamp stays withdrawn";
    } else {
        ASSERT_TRUE(waitFor([this] { return !activeOnBoard(0); }, kPatientWaitMs))
            << "the clamp was never permitted after the opening's check";
    }
    // Withdrawn at the edge, and permitted (if at all) once, by the check: never permitted and
    // withdrawn again in between.
    {
        std::lock_guard<std::mutex> lock(commandsMutex);
        const int rest = params->outputRestState[0] != 0 ? 1 : 0;
        // The IO thread repeats a command until the board echoes it: count the changes.
        int permits = 0;
        bool permitted = false;
        bool withdrawnAgain = false;
        for (const OutputCommand& command : outputCommands) {
            if (command.at <= withdrawnAt)
                continue;
            const bool now = (command.value & 1) == rest;
            permits += now && !permitted ? 1 : 0;
            withdrawnAgain = withdrawnAgain || (permitted && !now);
            permitted = now;
        }
        EXPECT_EQ(permits, c.partLeft ? 0 : 1);
        EXPECT_FALSE(withdrawnAgain) << "the clamp was permitted before the opening's check";
    }
    EXPECT_EQ(checksRun(0, 0), 1) << "one product check: the opening counted once";

    bool gapLogged = false;
    for (const std::string& line : log.lines()) {
        const std::string marker = "no tick for ";
        const size_t at = line.find(marker);
        if (at != std::string::npos) {
            gapLogged = true;
            EXPECT_GE(std::stoll(line.substr(at + marker.size())), 10000) << line;
        }
    }
    EXPECT_TRUE(gapLogged) << "no line about the screen's thread not ticking";
}

INSTANTIATE_TEST_SUITE_P(Stall, MouldOpensDuringStallTest,
                         ::testing::Values(StallCase{"EmptyCavityIsPermittedAfterItsCheck", false, 0},
                                           StallCase{"PartLeftKeepsTheClampWithdrawn", true, 0},
                                           StallCase{"ConfirmationTimeCountsFromTheEdge", false, 3}),
                         [](const ::testing::TestParamInfo<StallCase>& info) { return info.param.name; });

// A mould opening seen late by the IO thread gives the outputs a tick on time gives.
struct ModeCase {
    const char* name;
    std::function<void(SystemParam&)> configure;
    int input;           // the input that opens (0-based)
    bool stopped;        // detection stopped before the opening
    bool outputsChange;  // the opening changes the outputs at all
};

class LateOpeningModeTest : public LateTickTest, public ::testing::WithParamInterface<ModeCase> {
protected:
    // The input changes the IO thread kept for the cycle have all been taken by ticks that have
    // run to their end (asked in the screen's thread, between events).
    bool changesTaken() const
    {
        IOWordLock lock;
        return controlPort->ioThread()->handover().kept() == 0;
    }
    // The IO thread has handed the board everything it had from the frames read so far.
    void waitBoardPasses()
    {
        ASSERT_TRUE(board.waitForHostFrames(2, board.hostFrameCount(2) + 3, kPatientWaitMs)) << "the IO thread stopped polling";
    }
    // A fresh program in the case's configuration with the mould closed.
    void prepare()
    {
        const ModeCase& c = GetParam();
        board.setInputs(params->inputPolarity[c.input] != 0 ? quint16(1 << c.input) : 0);
        if (window) {
            // Replies still on their way from before the closing would open the mould for the
            // next program: it starts once the host reads the mould closed.
            ASSERT_TRUE(waitFor([this] { return !openOnHost(); }, kPatientWaitMs)) << "the mould never closed at the host";
            closeProgram();
        }
        CycleCamera::opened().clear();
        build();
        if (c.stopped)
            window->StopDetect();
        ASSERT_TRUE(waitFor([this] { return changesTaken() && heldOutputs() == (controlPort->outputs() & 0x3FF); }, kPatientWaitMs));
        waitBoardPasses();
    }
    // The mould opens at the case's input: its level goes to the active one.
    void open() { setInput(GetParam().input, activeLevel()); }
    bool activeLevel() const { return params->inputPolarity[GetParam().input] == 0; }
    bool openOnHost() const { return inputOnHost(GetParam().input) == activeLevel(); }
    // The cycle has taken the opening (confirmed it, and started its machine cycle unless stopped)
    // and the board holds its outputs.
    void waitCycleTook()
    {
        const int input = GetParam().input;
        ASSERT_TRUE(waitFor(
            [this, input] {
                return changesTaken() && !window->inputConfirmTimers[input]->isActive() &&
                       (!window->inEvt[input] || window->runState == 3);
            },
            kPatientWaitMs))
            << "the cycle never took the opening";
        ASSERT_TRUE(waitFor([this] { return heldOutputs() == (controlPort->outputs() & 0x3FF); }, kPatientWaitMs));
        waitBoardPasses();
    }
};

TEST_P(LateOpeningModeTest, OutputsAtALateOpeningAreThoseOfATickOnTime)
{
    const ModeCase& c = GetParam();
    // Long delays: no check runs and output 4 does not follow input 3 while the outputs are
    // compared.
    params->triggerDelay[0] = 100;
    params->triggerDelay[1] = 100;
    params->firstDelay = 100;
    c.configure(*params);

    prepare();
    const quint16 closed = heldOutputs();
    open();
    ASSERT_TRUE(waitFor([this] { return openOnHost(); }, kPatientWaitMs)) << "the opening never reached the IO thread";
    waitCycleTook();
    const quint16 onTime = heldOutputs();
    EXPECT_EQ(onTime != closed, c.outputsChange) << "outputs 0x" << std::hex << closed << " -> 0x" << onTime;

    prepare();
    ASSERT_EQ(heldOutputs(), closed);
    quint16 late = 0;
    bool reachedHost = false;
    holdScreenThread(0, [&] {
        open();
        reachedHost = spinUntil([this] { return openOnHost(); }, kPatientWaitMs);
        // The pass that read the opening sends the outputs before its next poll.
        board.waitForHostFrames(2, board.hostFrameCount(2) + 3, kPatientWaitMs);
        late = heldOutputs();
    });
    ASSERT_TRUE(reachedHost) << "the opening never reached the IO thread";
    EXPECT_EQ(late, onTime) << std::hex << "late 0x" << late << ", on time 0x" << onTime;
    waitCycleTook();
    EXPECT_EQ(heldOutputs(), onTime) << "the cycle's own tick, late, sets the same outputs";
}

void standard(SystemParam&) {}

INSTANTIATE_TEST_SUITE_P(
    Modes, LateOpeningModeTest,
    ::testing::Values(
        ModeCase{"StandardAutomatic", standard, 0, false, true},
        ModeCase{"ConfirmationTime", [](SystemParam& p) { p.inputDebounce = 3; }, 0, false, true},
        ModeCase{"ActiveLowMouldOpen", [](SystemParam& p) { p.inputPolarity[0] = 1; }, 0, false, true},
        ModeCase{"SpareInputForMouldOpen", [](SystemParam& p) { p.spareInputSubstitute = 1; }, 3, false, true},
        ModeCase{"SeparateSignalsMouldOpen", [](SystemParam& p) { p.separateDetectSignals = 1; p.semiAutomatic = 1; }, 0, false, true},
        ModeCase{"SeparateSignalsEjectorBack", [](SystemParam& p) { p.separateDetectSignals = 1; p.semiAutomatic = 1; }, 2, false, true},
        ModeCase{"PreCutClamp", [](SystemParam& p) { p.preCutClamp = 5; }, 0, false, true},
        ModeCase{"ClampCutOnCavityAlarm", [](SystemParam& p) { p.clampCutOnCavityAlarm = 1; p.productNoEjectorControl = 1; }, 0, false, false},
        ModeCase{"EjectorCutOnProductAlarm", [](SystemParam& p) { p.ejectorCutOnProductAlarm = 1; }, 0, false, false},
        ModeCase{"PulseMode", [](SystemParam& p) { p.okNgPulseMode = 1; }, 0, false, false},
        ModeCase{"DetectionStopped", standard, 0, true, false},
        ModeCase{"TwoColourMachine", [](SystemParam& p) { p.machineType = 1; p.mouldSide = 2; }, 0, false, true},
        ModeCase{"TurntableSecondSide", [](SystemParam& p) { p.machineType = 2; p.mouldSide = 1; }, 3, false, true}),
    [](const ::testing::TestParamInfo<ModeCase>& info) { return info.param.name; });

}  // namespace
