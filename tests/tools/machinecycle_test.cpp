// The simulator's moulding machine: it opens on its own and closes only with the clamp permitted.
#include "machinecycle.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr uint16_t kClampPermitted = 0x3FF;  // every output at its rest level
constexpr uint16_t kClampProhibited = 0x3FE;

TEST(MachineCycle, OpensClosesAndWaitsForTheClampPermission)
{
    MachineCycle machine({1000, 2000});
    std::string event;
    struct Step {
        int64_t at;
        uint16_t outputs;
        uint16_t inputsAfter;
        const char* event;
    };
    const Step steps[] = {
        {0, kClampPermitted, 0x000, ""},
        {1999, kClampPermitted, 0x000, ""},
        {2000, kClampPermitted, 0x001, "machine: cycle 1, mould open"},
        {2500, kClampProhibited, 0x001, ""},
        {3000, kClampProhibited, 0x001, "machine: waiting for the clamp permission"},
        {9000, kClampProhibited, 0x001, ""},
        {9010, kClampPermitted, 0x000, "machine: mould closes"},
        {11009, kClampPermitted, 0x000, ""},
        {11010, kClampPermitted, 0x001, "machine: cycle 2, mould open"},
        {12010, kClampPermitted, 0x000, "machine: mould closes"},
    };
    uint16_t inputs = 0x100;  // other inputs are left as they are
    for (const Step& s : steps) {
        SCOPED_TRACE(s.at);
        inputs = machine.step(s.at, s.outputs, inputs, &event);
        EXPECT_EQ(inputs, uint16_t(0x100 | s.inputsAfter));
        EXPECT_EQ(event, s.event);
    }
}

TEST(MachineCycle, PausedItKeepsTheMouldClosedUntilResumed)
{
    MachineCycle machine({1000, 2000});
    std::string event;
    machine.step(0, kClampPermitted, 0, &event);
    // Paused while open: the mould still closes with the clamp permitted, then stays closed.
    EXPECT_EQ(machine.step(2000, kClampPermitted, 0, &event), 0x001);
    machine.setPaused(true);
    EXPECT_EQ(machine.step(3000, kClampPermitted, 0x001, &event), 0x000);
    EXPECT_EQ(event, "machine: mould closes");
    for (int64_t at : {5000, 60000, 600000}) {
        EXPECT_EQ(machine.step(at, kClampPermitted, 0, &event), 0x000) << at;
        EXPECT_EQ(event, "") << at;
    }
    // Resumed long after the moulding time: it opens at once.
    machine.setPaused(false);
    EXPECT_EQ(machine.step(600001, kClampPermitted, 0, &event), 0x001);
    EXPECT_EQ(event, "machine: cycle 2, mould open");
}

TEST(MachineCycle, TimingFromTheCommandLine)
{
    MachineCycle::Timing timing;
    EXPECT_TRUE(MachineCycle::parseTiming("1500,4000", &timing));
    EXPECT_EQ(timing.openMs, 1500);
    EXPECT_EQ(timing.closedMs, 4000);
    for (const char* bad : {"", "1500", "0,100", "100,-1", "1x,2", "100,200x"})
        EXPECT_FALSE(MachineCycle::parseTiming(bad, &timing)) << bad;
}

}  // namespace
