// The IO port's output word, input edges and door release, with the board's inputs set directly.
#include "tests/io/ioboard_fixture.h"

#include "io/iothread.h"

#include <QSignalSpy>

namespace {

constexpr quint32 kHigh = 0xFFFFFC00u;  // bits 10..31, always 1

class ControlPortTest : public IOPortTest {
protected:
    void makePort() { port = std::make_unique<ControlPort>(); }
    void setRest(std::initializer_list<int> levels)
    {
        int i = 0;
        for (int l : levels)
            params->outputRestState[i++] = l;
    }
};

TEST_F(ControlPortTest, OutputsStartAtRestAndArePublished)
{
    setRest({ 1, 0, 1, 0, 1, 1, 1, 1, 0, 1 });
    makePort();
    EXPECT_EQ(port->outputs(), kHigh | 0x2F5u);
    IOWordLock lock;
    EXPECT_EQ(publishedOutputs, kHigh | 0x2F5u);
    EXPECT_EQ(lastPublishedOutputs, kHigh | 0x2F5u);
}

struct OutputCase {
    const char* name;
    std::vector<int> rest;  // outputs 0..9
    int spare;              // spareOutputSubstitute
    std::vector<std::pair<int, bool>> sets;
    quint32 expected;       // bits 0..9
};

TEST_F(ControlPortTest, OutputWordFollowsRestLevelsAndSpareOutput)
{
    const OutputCase cases[] = {
        { "all rest 1: reset gives every bit 1", { 1, 1, 1, 1, 1, 1, 1, 1, 1, 1 }, 0, {}, 0x3FF },
        { "all rest 1: the active alarm clears bit 2", { 1, 1, 1, 1, 1, 1, 1, 1, 1, 1 }, 0, { { 2, true } }, 0x3FB },
        { "all rest 0: outputs 0 and 9 active", { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }, 0, { { 0, true }, { 9, true } }, 0x201 },
        { "back to rest after active", { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }, 0, { { 4, true }, { 4, false } }, 0x000 },
        { "spare mirrors output 0 at rest", { 0, 1, 1, 1, 1, 1, 1, 1, 1, 1 }, 1, {}, 0x3F6 },
        { "spare mirrors output 0 when active", { 0, 1, 1, 1, 1, 1, 1, 1, 1, 1 }, 1, { { 0, true } }, 0x3FF },
        { "spare 4 is output 3 itself", { 1, 1, 1, 0, 1, 1, 1, 1, 1, 1 }, 4, {}, 0x3F7 },
        { "spare 10 takes output 9's rest level", { 1, 1, 1, 1, 1, 1, 1, 1, 1, 0 }, 10, {}, 0x1F7 },
        { "spare out of range leaves output 3 alone", { 1, 1, 1, 1, 1, 1, 1, 1, 1, 0 }, 11, {}, 0x1FF },
        { "other outputs do not move the spare", { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }, 1, { { 5, true } }, 0x020 },
        { "out-of-range outputs are ignored", { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }, 0, { { 10, true }, { -1, true } }, 0x000 },
    };
    for (const auto& c : cases) {
        for (int i = 0; i < 10; ++i)
            params->outputRestState[i] = c.rest[size_t(i)];
        params->spareOutputSubstitute = c.spare;
        makePort();
        for (const auto& [i, active] : c.sets)
            port->setOutput(i, active);
        EXPECT_EQ(port->outputs(), kHigh | c.expected) << c.name;
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(port->readBit(true, i), bool((c.expected >> i) & 1u)) << c.name << ", output " << i;
        port.reset();
    }
}

TEST_F(ControlPortTest, SetOutputIsNotPublishedUntilAsked)
{
    makePort();
    QSignalSpy changed(port.get(), &ControlPort::sigIOChange);
    port->setOutput(0, true);
    {
        IOWordLock lock;
        EXPECT_EQ(publishedOutputs, kHigh | 0x3FFu);
    }
    port->publishOutputs();
    EXPECT_EQ(changed.count(), 1);
    {
        IOWordLock lock;
        EXPECT_EQ(publishedOutputs, kHigh | 0x3FEu);
    }
    port->publishOutputs();  // same word again: no signal
    port->setOutput(0, true);
    port->publishOutputs();
    EXPECT_EQ(changed.count(), 1);
    port->setOutput(0, false);
    port->publishOutputs();
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(ControlPortTest, ActiveHighInputGivesOneEdgePerActivation)
{
    makePort();
    const struct { quint32 inputs; bool edge; } steps[] = {
        { 0x000, false }, { 0x001, true }, { 0x001, false }, { 0x001, false }, { 0x000, false }, { 0x001, true },
    };
    for (const auto& s : steps) {
        setBoardInputs(s.inputs);
        EXPECT_EQ(port->inputEdge(0), s.edge) << "inputs " << s.inputs;
    }
}

TEST_F(ControlPortTest, ActiveLowInputGivesEdgeOnFallingLevel)
{
    params->inputPolarity[5] = 1;
    makePort();
    const struct { quint32 inputs; bool edge; bool active; } steps[] = {
        { 0x020, false, false }, { 0x000, true, true }, { 0x000, false, true }, { 0x020, false, false },
    };
    for (const auto& s : steps) {
        setBoardInputs(s.inputs);
        EXPECT_EQ(port->inputEdge(5), s.edge) << "inputs " << s.inputs;
        EXPECT_EQ(port->readBit(false, 5), s.active) << "inputs " << s.inputs;
    }
}

TEST_F(ControlPortTest, InputAlreadyHighAtStartIsAnEdge)
{
    makePort();
    setBoardInputs(0x001);
    EXPECT_TRUE(port->inputEdge(0));
}

TEST_F(ControlPortTest, SpareInputStandsInForInputZeroOneOrTwo)
{
    params->spareInputSubstitute = 2;
    makePort();
    setBoardInputs(0x002);  // board's own input 1 high, spare input 3 low
    EXPECT_FALSE(port->inputEdge(1));
    EXPECT_FALSE(port->readBit(false, 1));
    setBoardInputs(0x008);  // spare input high
    EXPECT_TRUE(port->inputEdge(1));
    EXPECT_TRUE(port->readBit(false, 1));
    EXPECT_TRUE(port->readBit(false, 3));

    params->spareInputSubstitute = 4;  // not a substitution
    setBoardInputs(0x002);
    port->inputEdge(0);
    EXPECT_TRUE(port->readBit(false, 1));
}

TEST_F(ControlPortTest, InputsEightAndNineAreActiveHigh)
{
    // Only inputs 0..7 have a polarity setting; the rest levels stored after it must not leak in.
    params->outputRestState[0] = 1;
    makePort();
    setBoardInputs(0x300);
    port->inputEdge(0);
    EXPECT_TRUE(port->readBit(false, 8));
    EXPECT_TRUE(port->readBit(false, 9));
    setBoardInputs(0x000);
    port->inputEdge(0);
    EXPECT_FALSE(port->readBit(false, 8));
    EXPECT_FALSE(port->readBit(false, 9));
}

TEST_F(ControlPortTest, OutOfRangePositionsGiveNothing)
{
    makePort();
    setBoardInputs(0x3FF);
    EXPECT_FALSE(port->inputEdge(8));
    EXPECT_FALSE(port->inputEdge(-1));
    EXPECT_FALSE(port->readBit(false, 10));
    EXPECT_FALSE(port->readBit(true, -1));
}

struct DoorCase {
    const char* name;
    int machineType;
    int doorPolarity;
    int alarmRest;
    quint32 doorActive, doorInactive;  // board inputs with the door open and closed
    bool released;
    bool alarmBackAtRest;
};

TEST_F(ControlPortTest, SafetyDoorReleaseSetsTheFlagAndRestsTheAlarm)
{
    const DoorCase cases[] = {
        { "active-high door, alarm rest 1", 0, 0, 1, 0x002, 0x000, true, true },
        { "active-high door, alarm rest 0", 0, 0, 0, 0x002, 0x000, true, true },
        { "active-low door", 0, 1, 1, 0x000, 0x002, true, true },
        { "two-colour machine: no release", 1, 0, 1, 0x002, 0x000, false, false },
        { "turntable machine: no release", 2, 0, 0, 0x002, 0x000, false, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        params->machineType = c.machineType;
        params->inputPolarity[1] = c.doorPolarity;
        params->outputRestState[2] = c.alarmRest;
        resetIOGlobals();
        makePort();
        QSignalSpy changed(port.get(), &ControlPort::sigIOChange);
        setBoardInputs(c.doorActive);
        port->inputEdge(1);
        port->setOutput(2, true);  // alarm raised while the door is open
        port->publishOutputs();
        EXPECT_EQ(doorReleaseFlag, 0);
        setBoardInputs(c.doorInactive);
        port->inputEdge(0);  // the release shows on every call of the tick
        EXPECT_EQ(doorReleaseFlag, c.released ? 1 : 0);
        EXPECT_EQ(port->readBit(true, 2), bool(c.alarmBackAtRest ? c.alarmRest : !c.alarmRest));
        {
            IOWordLock lock;
            EXPECT_EQ(publishedOutputs, port->outputs());
        }
        EXPECT_EQ(changed.count(), c.alarmBackAtRest ? 2 : 1);
        port.reset();
    }
}

TEST_F(ControlPortTest, DoorReleaseMovesTheMirroringSpareToo)
{
    params->spareOutputSubstitute = 3;
    params->outputRestState[2] = 0;
    makePort();
    port->setOutput(2, true);
    EXPECT_TRUE(port->readBit(true, 3));
    setBoardInputs(0x002);
    port->inputEdge(1);
    setBoardInputs(0x000);
    port->inputEdge(1);
    EXPECT_FALSE(port->readBit(true, 2));
    EXPECT_FALSE(port->readBit(true, 3));
}

TEST_F(ControlPortTest, PortWithoutLineStillComputesAndPublishes)
{
    makePort();
    ASSERT_NE(ioSerialPort, nullptr);
    EXPECT_FALSE(ioSerialPort->isOpen());
    port->startIOThread(nullptr);
    port->setOutput(1, true);
    port->publishOutputs();
    QThread::msleep(100);
    EXPECT_TRUE(port->ioThread()->isRunning());
    EXPECT_FALSE(port->inputEdge(0));
    IOWordLock lock;
    EXPECT_EQ(publishedOutputs, kHigh | 0x3FDu);
    EXPECT_EQ(boardInputs, 0u);
}

}  // namespace

// The changes the IO thread keeps for a late cycle, fed here as the IO thread feeds them (the
// thread itself idles: the line is closed).
class KeptInputsTest : public ControlPortTest {
protected:
    void SetUp() override
    {
        ControlPortTest::SetUp();
        makePort();
        port->startIOThread(nullptr);
    }
    // The board's inputs became `word` `atMs` after the start of the case; `late` says whether
    // the IO thread would apply the opening outputs (the cycle being late).
    void boardChange(quint32 word, qint64 atMs, bool late = false)
    {
        IOWordLock lock;
        const quint32 before = boardInputs;
        boardInputs = word;
        handover().keep(word, start + atMs);
        if (late)
            handover().applyOpening(before, word, &publishedOutputs);
    }
    CycleHandover& handover() { return port->ioThread()->handover(); }
    // One tick's edges, bit i = input i.
    quint32 tickEdges()
    {
        port->takeInputs();
        quint32 edges = 0;
        for (int i = 0; i < 8; ++i)
            edges |= quint32(port->inputEdge(i)) << i;
        return edges;
    }
    static quint32 published()
    {
        IOWordLock lock;
        return publishedOutputs & 0x3FFu;
    }

    const qint64 start = IOThread::steadyMilliseconds();
};

TEST_F(KeptInputsTest, LateTicksSeeEveryChangeInOrder)
{
    // Mould opened for 2 s and closed, then the ejector input came and went, all between two
    // ticks: the ticks that follow see each edge once, in the order the board showed them.
    boardChange(0x001, 0);
    boardChange(0x000, 2000);
    boardChange(0x004, 2100);
    boardChange(0x000, 2200);
    EXPECT_EQ(tickEdges(), 0x001u);
    EXPECT_TRUE(port->readBit(false, 0)) << "the tick reads the level of its own change";
    EXPECT_EQ(tickEdges(), 0x000u);
    EXPECT_EQ(tickEdges(), 0x004u);
    EXPECT_EQ(tickEdges(), 0x000u);
    EXPECT_EQ(tickEdges(), 0x000u) << "nothing kept: the present word, no edge";
    EXPECT_FALSE(port->readBit(false, 0));
}

TEST_F(KeptInputsTest, ChangesBeyondTheCapacityFoldWithoutLosingAnEdge)
{
    params->inputPolarity[1] = 1;  // the safety door is active low
    // A flickering input 5 fills the store; then the mould opens and closes and the door is opened
    // and shut: all of it folds into the newest entry.
    quint32 word = 0x002;
    boardChange(word, 0);
    for (int i = 1; i < CycleHandover::kCapacity; ++i)
        boardChange(word ^= 0x020, i);
    const quint32 beforeFold = word;
    boardChange(word |= 0x001, 100);
    boardChange(word &= ~0x001u, 200);
    boardChange(word &= ~0x002u, 300);
    boardChange(word |= 0x002, 400);
    ASSERT_EQ(word, beforeFold) << "the folded changes end where they began";

    for (int i = 0; i < CycleHandover::kCapacity - 1; ++i)
        EXPECT_EQ(tickEdges() & 0x003u, 0u) << "tick " << i;
    doorReleaseFlag = 0;
    EXPECT_EQ(tickEdges() & 0x003u, 0x003u) << "the mould opening and the door opening of the folded entry";
    EXPECT_EQ(doorReleaseFlag, 1) << "and the door's release";
    EXPECT_EQ(tickEdges() & 0x003u, 0u) << "each once";
}

TEST_F(KeptInputsTest, ConfirmationLooksAtTheLevelAfterTheConfirmationTime)
{
    boardChange(0x001, 0);
    boardChange(0x000, 2000);
    port->takeInputs();
    EXPECT_TRUE(port->activeAfter(0, 300)) << "held for 2 s: confirmed after 300 ms";
    EXPECT_FALSE(port->activeAfter(0, 2500)) << "gone after 2 s";

    boardChange(0x001, 3000);
    boardChange(0x000, 3050);
    port->takeInputs();
    port->takeInputs();
    EXPECT_FALSE(port->activeAfter(0, 300)) << "a 50 ms pulse is not confirmed";
}

TEST_F(KeptInputsTest, OutputsAppliedAtALateOpeningHoldUntilTheCycleLetsGo)
{
    // Input 0 opens the mould and prohibits the clamp (output 0, rest 1); input 2 does nothing.
    ControlPort::Opening openings[8];
    openings[0] = {0x001, 0x000};
    port->setOpenings(0x001, openings);

    boardChange(0x004, 0, true);
    EXPECT_EQ(published(), 0x3FFu) << "not an opening";
    boardChange(0x005, 100, true);
    EXPECT_EQ(published(), 0x3FEu) << "clamp prohibited at the opening";
    EXPECT_TRUE(port->openingWaiting());

    // Whatever the cycle publishes before it has taken the opening, the clamp stays prohibited.
    port->setOutput(1, true);
    port->publishOutputs();
    EXPECT_EQ(published(), 0x3FCu);
    // Nor does a release asked for while the opening is still kept: it may have come after the
    // cycle last looked.
    port->releaseOpening();
    EXPECT_EQ(published(), 0x3FCu);
    EXPECT_TRUE(port->openingHeld());
    tickEdges();
    tickEdges();
    EXPECT_FALSE(port->openingWaiting());
    EXPECT_TRUE(port->openingHeld());
    port->releaseOpening();
    EXPECT_EQ(published(), 0x3FDu) << "the cycle's own word again";

    // In time, or unarmed, the IO thread applies nothing.
    boardChange(0x004, 200, true);
    boardChange(0x005, 300, false);
    EXPECT_EQ(published(), 0x3FDu);
    port->setOpenings(0x000, openings);
    boardChange(0x004, 400, true);
    boardChange(0x005, 500, true);
    EXPECT_EQ(published(), 0x3FDu);
}

TEST_F(KeptInputsTest, OpeningOnAnInputTheSpareStandsInForComesFromTheSpare)
{
    params->spareInputSubstitute = 1;  // input 3 stands in for input 0
    params->inputPolarity[0] = 1;
    ControlPort::Opening openings[8];
    openings[0] = {0x001, 0x000};
    port->setOpenings(0x001, openings);
    boardChange(0x008, 0, true);
    boardChange(0x009, 100, true);
    boardChange(0x008, 200, true);
    EXPECT_EQ(published(), 0x3FFu) << "the board's own input 0 opens nothing";
    boardChange(0x000, 300, true);
    EXPECT_EQ(published(), 0x3FEu) << "the spare input falling is the active-low opening";
}
