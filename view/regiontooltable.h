// What the region parameter panel shows and stores for each tool type, the tool types a region can
// be switched to, and the parameters a new region of each tool type starts with.
#pragma once

class SystemParam;

namespace RegionTools {

// Which of a region's three parameters a slider edits: P1 (minWH), P2 (sensitivity), P3 (area).
enum Param { P1 = 0, P2 = 1, P3 = 2 };

// A slider as the panel sets it for one parameter of one tool type on one page.
struct SliderSetting {
    // False: the panel leaves the slider as it is (the tool has no such parameter).
    bool set;
    // Caption (text table id), range and the value shown for the stored parameter.
    int textId;
    int minimum;
    int maximum;
    int value;
};

// The slider of parameter `param` for a region of `toolType` whose parameter holds `stored`, on
// the first page or on the second (`secondPage`: the high byte of a spot region's grey band, the
// high halves of a temperature region's parameters).
SliderSetting sliderSetting(int toolType, bool secondPage, Param param, int stored);
// The parameter after the slider of `param` was set to `value`: a spot region's P1 takes the
// page's byte, a temperature region's parameter the page's 16-bit half, any other the value.
int storeSliderValue(int toolType, bool secondPage, Param param, int stored, int value);
// Whether a change of `param` shows the size hints again (parameters stored whole).
bool startsHint(int toolType, Param param);
// Text id of the tool button's caption for `toolType`.
int toolButtonTextId(int toolType);

// The low and high 16-bit halves of a packed temperature parameter, signed, and a parameter with
// one half replaced (the other half kept). Packing goes through unsigned 16-bit values, so a
// negative half never shifts a negative number.
int lowHalf(int packed);
int highHalf(int packed);
int withLowHalf(int packed, int half);
int withHighHalf(int packed, int half);

// The tool types the settings make available on a camera (temperature only on a thermal or
// simulated camera): how many there are, the tool type of a detect's first region, and the
// next available tool type after `toolType` in the tool button's order (-1 when none is).
int availableToolCount(const SystemParam& p, bool temperatureCamera);
int firstRegionToolType(const SystemParam& p, bool temperatureCamera);
int nextToolType(int toolType, const SystemParam& p, bool temperatureCamera);

// The parameters a region of `toolType` starts with; a parameter the tool keeps is left as it
// is. `switched`: the tool button chose the tool (a white-count region then starts with 1, 128,
// 100 instead of 5, 128, 1).
void applyToolDefaults(int toolType, const SystemParam& p, bool switched, int& p1, int& p2, int& p3);

}  // namespace RegionTools
