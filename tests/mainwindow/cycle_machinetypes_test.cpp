// Which checks each machine type and mode runs, and which inputs trigger them: inputs pulsed on
// the IO board simulator one after another, every check recorded by the test picture it saves.
#include "tests/mainwindow/cyclefixture.h"

#include <initializer_list>
#include <ostream>
#include <vector>

namespace {

struct MachineCase {
    const char* name;
    int machineType;
    int semiAutomatic;
    int mouldSide;
    int productCheck;
    // Inputs pulsed in this order, and the detects each of them runs.
    std::vector<int> inputs;
    std::vector<std::vector<int>> detectsRun;
};

void PrintTo(const MachineCase& c, std::ostream* os)
{
    *os << c.name;
}

class MachineTypeTest : public CycleTest, public ::testing::WithParamInterface<MachineCase> {};

TEST_P(MachineTypeTest, InputsStartTheChecksOfTheMachineType)
{
    const MachineCase& c = GetParam();
    params->machineType = c.machineType;
    params->semiAutomatic = c.semiAutomatic;
    params->mouldSide = c.mouldSide;
    params->productCheckEnabled = c.productCheck;
    build();
    window->saveAllFlag = true;
    const int detects = detectsPerCamera;

    std::vector<int> before(size_t(detects), 0);
    for (size_t step = 0; step < c.inputs.size(); ++step) {
        pulseInput(c.inputs[step]);
        const std::vector<int>& expected = c.detectsRun[step];
        // Delays are 0: the checks run in the tick that takes the edge.
        waitFor(
            [&] {
                int total = 0;
                for (int d = 0; d < detects; ++d)
                    total += checksRun(0, d) - before[size_t(d)];
                return total >= int(expected.size()) && !expected.empty();
            },
            800);
        pump(150);
        std::vector<int> ran;
        for (int d = 0; d < detects; ++d) {
            const int now = checksRun(0, d);
            for (int n = before[size_t(d)]; n < now; ++n)
                ran.push_back(d);
            before[size_t(d)] = now;
        }
        EXPECT_EQ(ran, expected) << "after input " << c.inputs[step] << " (step " << step + 1 << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Machines, MachineTypeTest,
    ::testing::Values(
        MachineCase{"StandardAutomaticRunsBothChecksOnMouldOpen", 0, 0, 0, 1, {0, 2}, {{0, 1}, {}}},
        MachineCase{"StandardSemiAutomaticRunsTheCavityCheckOnEjectorBack", 0, 1, 0, 1, {0, 2}, {{0}, {1}}},
        MachineCase{"StandardSemiAutomaticEjectorBackWithoutMouldOpenRunsNothing", 0, 1, 0, 1, {2}, {{}}},
        MachineCase{"StandardWithoutProductCheckRunsOnlyTheCavityCheck", 0, 0, 0, 0, {0}, {{1}}},
        MachineCase{"TwoColourBothSidesAlternatesTheStations", 1, 0, 2, 1, {0, 2, 0, 3, 0},
                    {{0}, {1}, {0}, {3}, {2}}},
        MachineCase{"TwoColourRightSideUsesTheSecondStationAndInputThree", 1, 0, 1, 1, {0, 2, 3}, {{2}, {}, {3}}},
        MachineCase{"TurntableBothSidesStartsAStationOnEachInput", 2, 0, 2, 1, {0, 3}, {{0, 1}, {2, 3}}},
        MachineCase{"TurntableSemiAutomaticRunsTheCavityCheckOnEjectorBack", 2, 1, 2, 1, {0, 2, 3, 2},
                    {{0}, {1}, {2}, {3}}},
        MachineCase{"TurntableLeftSideIgnoresTheSecondStationInput", 2, 0, 0, 1, {3, 0}, {{}, {0, 1}}}),
    [](const ::testing::TestParamInfo<MachineCase>& info) { return info.param.name; });

}  // namespace
