// The inspection tools a region can carry (CammerSingleton::toolType) and their display names.
#pragma once

#include <QString>

namespace ToolType {
enum : int {
    Defect = 0,        // statistical template model
    Spot = 1,          // grey band from the two bytes of P1, area within [P2, P3]
    Ignore = 2,        // ignore points; not inspected
    Position = 3,      // positioning target; not inspected
    BlackArea = 4,     // grey band [0, low byte of P2], area
    WhiteArea = 5,     // grey band [low byte of P2, 255], area
    Similarity = 6,    // correlation with the template vectors
    WhiteCount = 7,    // grey band [low byte of P2, 255], number of blobs
    Temperature = 9,   // temperature from the thermal camera
    AngleCorrect = 10, // alignment mask; not inspected
};
}

// Display name of a tool type: the Chinese source text through the translator (context
// "CammerWidget"); types 8, 11 and unknown values read as the defect tool.
QString toolTypeName(int toolType);
