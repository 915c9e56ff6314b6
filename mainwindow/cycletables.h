// What each machine type (standard, two-colour, turntable) makes of the machine's inputs: which
// inputs start a machine cycle, which arm the cavity check, which inputs a trigger input of 255
// stands for, and how a countdown index maps to the detect it runs.
#pragma once

namespace cycle {

// One input in one role. The role does not apply on the mould side `excludedSide`; when it
// applies it may select a station of a two-station machine.
struct InputRole {
    int input = -1;          // -1: unused entry
    int excludedSide = -1;   // mould side on which the input has no such role; -1 none
    int station = -1;        // station the input selects; -1 leaves it
    bool needsSemiAutomatic = false;
    bool needsSeparateSignals = false;
};

struct MachineRules {
    const char* name;
    InputRole cycleStarts[2];
    InputRole cavityArms[2];
    // Inputs a trigger input of 255 matches; -1 unused.
    int wildcardInputs[2];
    // Detects 2 and 3 belong to the second station.
    bool twoStations;
};

// Rules of machine type 0 standard, 1 two-colour, 2 turntable; any other value reads as standard.
const MachineRules& machineRules(int machineType);

// The role that makes input `pos` start a machine cycle, or null.
const InputRole* cycleStartRole(const MachineRules& rules, int pos, int mouldSide, bool separateSignals);
// The role that makes input `pos` arm the cavity check of a running cycle, or null.
const InputRole* cavityArmRole(const MachineRules& rules, int pos, int mouldSide, bool semiAutomatic);
// A check whose trigger input is `triggerInput` is started by input `pos` (255: any wildcard input).
bool triggerMatches(const MachineRules& rules, int triggerInput, int pos);

// Countdowns a trigger walks: 2 on two-station machines, else detectsPerCamera.
int countdownCount(const MachineRules& rules, int detectsPerCamera);
// Detect whose enable flag countdown k needs: k + 2 on the second station (station 0).
int countdownDetect(const MachineRules& rules, int k, int station);
// Detect a finished countdown k runs: on two-station machines the first station (1) runs detects
// 0 and 1, the second (0) detects 2 and 3, whatever k was.
int roundDetect(const MachineRules& rules, int k, int station);

}  // namespace cycle
