#include "mainwindow/cycletables.h"

namespace cycle {

namespace {

// Input 0 mould-open end, 2 ejector-back end, 3 the second station's input.
const MachineRules kRules[] = {
    {"standard",
     {{0, -1, -1, false, false}, {2, -1, -1, false, true}},
     {{2, -1, -1, true, false}, {}},
     {-1, -1},
     false},
    {"two-colour",
     {{0, -1, -1, false, false}, {2, -1, -1, false, true}},
     {{2, 1, 1, false, false}, {3, 0, 0, false, false}},
     {2, 3},
     true},
    {"turntable",
     {{0, 1, 1, false, false}, {3, 0, 0, false, false}},
     {{2, -1, -1, false, false}, {}},
     {0, 3},
     true},
};

const InputRole* findRole(const InputRole (&roles)[2], int pos, int mouldSide, bool semiAutomatic,
                          bool separateSignals)
{
    for (const InputRole& role : roles) {
        if (role.input < 0 || role.input != pos || role.excludedSide == mouldSide)
            continue;
        if (role.needsSemiAutomatic && !semiAutomatic)
            continue;
        if (role.needsSeparateSignals && !separateSignals)
            continue;
        return &role;
    }
    return nullptr;
}

}  // namespace

const MachineRules& machineRules(int machineType)
{
    if (machineType == 1 || machineType == 2)
        return kRules[machineType];
    return kRules[0];
}

const InputRole* cycleStartRole(const MachineRules& rules, int pos, int mouldSide, bool separateSignals)
{
    return findRole(rules.cycleStarts, pos, mouldSide, false, separateSignals);
}

const InputRole* cavityArmRole(const MachineRules& rules, int pos, int mouldSide, bool semiAutomatic)
{
    return findRole(rules.cavityArms, pos, mouldSide, semiAutomatic, false);
}

bool triggerMatches(const MachineRules& rules, int triggerInput, int pos)
{
    if (triggerInput == pos)
        return true;
    if (triggerInput != 255)
        return false;
    return rules.wildcardInputs[0] == pos || rules.wildcardInputs[1] == pos;
}

int countdownCount(const MachineRules& rules, int detectsPerCamera)
{
    return rules.twoStations ? 2 : detectsPerCamera;
}

int countdownDetect(const MachineRules& rules, int k, int station)
{
    return rules.twoStations && station == 0 ? k + 2 : k;
}

int roundDetect(const MachineRules& rules, int k, int station)
{
    if (!rules.twoStations)
        return k;
    if (station == 1)
        return k >= 2 ? k - 2 : k;
    return k < 2 ? k + 2 : k;
}

}  // namespace cycle
