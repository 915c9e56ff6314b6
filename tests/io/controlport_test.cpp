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
