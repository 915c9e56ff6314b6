#include "view/regiontooltable.h"

#include "core/systemparam.h"
#include "detection/tooltype.h"

#include <QtGlobal>

#include <climits>

namespace RegionTools {

namespace {

// Caption and range of a slider; textId -1: the panel does not set the slider.
struct SliderRange {
    int textId;
    int minimum;
    int maximum;
};
constexpr SliderRange kNotSet{-1, 0, 0};

// The first page of the panel for one tool type: the tool button's caption and the P1, P2, P3
// sliders.
struct PanelRow {
    int toolType;
    int buttonTextId;
    SliderRange sliders[3];
};

// Text ids: 10 "最小灰度", 11 "最大灰度", 13 "最小面积", 14 "最大面积", 16 " 保    留 ", 20 "最少匹配",
// 22 "过滤尺寸", 23 " 灵敏度 ", 24 "报警面积", 362 "最小分数", 522 "报警个数", 568 "高温警报",
// 569 "低温警报", 571 "发射率".
constexpr PanelRow kPanelRows[] = {
    {ToolType::Defect, 25, {{22, 1, 10}, {23, 0, 255}, {24, 0, 1000}}},
    {ToolType::Spot, 15, {{10, 0, 255}, {13, 0, 99999}, {14, 0, 99999}}},
    {ToolType::Ignore, 17, {{16, 0, 255}, {16, 0, 255}, {16, 0, 255}}},
    {ToolType::Position, 21, {{20, 1, 100}, {16, 1, 32}, {16, 1, 100}}},
    {ToolType::BlackArea, 392, {kNotSet, {11, 0, 255}, {24, 0, 50000}}},
    {ToolType::WhiteArea, 393, {kNotSet, {10, 0, 255}, {24, 0, 50000}}},
    {ToolType::Similarity, 398, {kNotSet, {362, 0, 100}, kNotSet}},
    {ToolType::WhiteCount, 521, {{22, 1, 100}, {10, 0, 255}, {522, 0, 100}}},
    {ToolType::Temperature, 570, {{571, 0, 100}, {569, -40, 600}, {568, -40, 600}}},
    {ToolType::AngleCorrect, 583, {{20, 1, 2}, {16, 1, 2}, {16, 1, 2}}},
};

// The second page: the parameters that hold a second value (spot P1's maximum grey, the
// temperature region's high halves: 573 "温度补偿", 617 "温度类型", 574 "反射温度").
struct SecondPageRow {
    int toolType;
    Param param;
    SliderRange range;
};
constexpr SecondPageRow kSecondPageRows[] = {
    {ToolType::Spot, P1, {11, 0, 255}},
    {ToolType::Temperature, P1, {573, -100, 100}},
    {ToolType::Temperature, P2, {617, 1, 3}},
    {ToolType::Temperature, P3, {574, -100, 100}},
};

// How a parameter holds its value(s).
enum class Packing { Whole, GreyBand, Halves };

Packing packingOf(int toolType, Param param)
{
    if (toolType == ToolType::Spot && param == P1)
        return Packing::GreyBand;
    if (toolType == ToolType::Temperature)
        return Packing::Halves;
    return Packing::Whole;
}

// Tool type 8 and unknown tool types are shown as the defect tool.
const PanelRow& panelRow(int toolType)
{
    for (const PanelRow& row : kPanelRows) {
        if (row.toolType == toolType)
            return row;
    }
    return kPanelRows[0];
}

// The tool button's order; each tool is offered only while its setting is on. Tool 8 is never
// offered, the temperature tool only on cameras that measure temperature.
struct ToolSwitch {
    int toolType;
    int SystemParam::*enabled;
    bool temperatureOnly;
};
constexpr ToolSwitch kToolOrder[] = {
    {ToolType::Defect, &SystemParam::defectDetectionEnabled, false},
    {ToolType::Spot, &SystemParam::spotDetectionEnabled, false},
    {ToolType::Ignore, &SystemParam::ignoreAreaEnabled, false},
    {ToolType::Position, &SystemParam::manualPositioningEnabled, false},
    {ToolType::BlackArea, &SystemParam::blackAreaCheck, false},
    {ToolType::WhiteArea, &SystemParam::whiteAreaCheck, false},
    {ToolType::Similarity, &SystemParam::similarityCheck, false},
    {ToolType::WhiteCount, &SystemParam::whiteCountCheck, false},
    {8, nullptr, false},
    {ToolType::Temperature, &SystemParam::temperatureAlarm, true},
    {ToolType::AngleCorrect, &SystemParam::angleCorrection, false},
};
constexpr int kToolOrderSize = int(sizeof kToolOrder / sizeof kToolOrder[0]);

bool offered(const ToolSwitch& tool, const SystemParam& p, bool temperatureCamera)
{
    return tool.enabled && p.*tool.enabled != 0 && (!tool.temperatureOnly || temperatureCamera);
}

// Defaults of a new region: a number, or one of the markers below.
constexpr int kKept = INT_MIN;
constexpr int kFilterSize = INT_MIN + 1;
constexpr int kAlarmArea = INT_MIN + 2;
struct ToolDefaults {
    int toolType;
    int values[3];
};
// Spot: grey band 0..50 (low byte minimum, second byte maximum). Temperature: emissivity 90 with
// compensation 0; low limit 80 with temperature type 1; high limit 120 with reflection 20.
constexpr ToolDefaults kDefaults[] = {
    {ToolType::Defect, {kFilterSize, 25, kAlarmArea}},
    {ToolType::Spot, {12800, 80, 500}},
    {ToolType::Position, {10, 10, 10}},
    {ToolType::BlackArea, {kKept, 50, 100}},
    {ToolType::WhiteArea, {kKept, 200, 100}},
    {ToolType::Similarity, {kKept, 80, kKept}},
    {ToolType::WhiteCount, {5, 128, 1}},
    {ToolType::Temperature, {90, 65616, 1310840}},
    {ToolType::AngleCorrect, {1, 1, 1}},
};
constexpr ToolDefaults kSwitchedWhiteCount{ToolType::WhiteCount, {1, 128, 100}};

}  // namespace

int lowHalf(int packed)
{
    return qint16(quint16(quint32(packed) & 0xFFFFu));
}

int highHalf(int packed)
{
    return qint16(quint16(quint32(packed) >> 16));
}

int withLowHalf(int packed, int half)
{
    return int((quint32(packed) & 0xFFFF0000u) | quint32(quint16(half)));
}

int withHighHalf(int packed, int half)
{
    return int((quint32(quint16(half)) << 16) | (quint32(packed) & 0xFFFFu));
}

SliderSetting sliderSetting(int toolType, bool secondPage, Param param, int stored)
{
    SliderRange range = panelRow(toolType).sliders[param];
    if (secondPage) {
        for (const SecondPageRow& row : kSecondPageRows) {
            if (row.toolType == toolType && row.param == param)
                range = row.range;
        }
    }
    if (range.textId < 0)
        return SliderSetting{false, -1, 0, 0, 0};
    int value = stored;
    switch (packingOf(toolType, param)) {
    case Packing::GreyBand:
        value = int((quint32(stored) >> (secondPage ? 8 : 0)) & 0xFFu);
        break;
    case Packing::Halves:
        value = secondPage ? highHalf(stored) : lowHalf(stored);
        break;
    case Packing::Whole:
        break;
    }
    return SliderSetting{true, range.textId, range.minimum, range.maximum, value};
}

int storeSliderValue(int toolType, bool secondPage, Param param, int stored, int value)
{
    switch (packingOf(toolType, param)) {
    case Packing::GreyBand: {
        const int shift = secondPage ? 8 : 0;
        return int((quint32(stored) & ~(0xFFu << shift)) | ((quint32(value) & 0xFFu) << shift));
    }
    case Packing::Halves:
        return secondPage ? withHighHalf(stored, value) : withLowHalf(stored, value);
    case Packing::Whole:
        break;
    }
    return value;
}

bool startsHint(int toolType, Param param)
{
    return packingOf(toolType, param) == Packing::Whole;
}

int toolButtonTextId(int toolType)
{
    return panelRow(toolType).buttonTextId;
}

int availableToolCount(const SystemParam& p, bool temperatureCamera)
{
    int count = 0;
    for (const ToolSwitch& tool : kToolOrder)
        count += offered(tool, p, temperatureCamera) ? 1 : 0;
    return count;
}

int firstRegionToolType(const SystemParam& p, bool temperatureCamera)
{
    const struct {
        int toolType;
        int SystemParam::*enabled;
    } order[] = {
        {ToolType::Spot, &SystemParam::spotDetectionEnabled},
        {ToolType::BlackArea, &SystemParam::blackAreaCheck},
        {ToolType::WhiteArea, &SystemParam::whiteAreaCheck},
        {ToolType::Similarity, &SystemParam::similarityCheck},
        {ToolType::WhiteCount, &SystemParam::whiteCountCheck},
    };
    for (const auto& tool : order) {
        if (p.*tool.enabled != 0)
            return tool.toolType;
    }
    if (p.temperatureAlarm != 0 && temperatureCamera)
        return ToolType::Temperature;
    return ToolType::Defect;
}

int nextToolType(int toolType, const SystemParam& p, bool temperatureCamera)
{
    // One pass over the order, starting after the present tool and ending with it.
    int index = toolType + 1;
    for (int step = 0; step < kToolOrderSize; ++step, ++index) {
        if (index < 0 || index >= kToolOrderSize)
            index = 0;
        if (offered(kToolOrder[index], p, temperatureCamera))
            return kToolOrder[index].toolType;
    }
    return -1;
}

void applyToolDefaults(int toolType, const SystemParam& p, bool switched, int& p1, int& p2, int& p3)
{
    const ToolDefaults* row = &kDefaults[0];
    for (const ToolDefaults& candidate : kDefaults) {
        if (candidate.toolType == toolType)
            row = &candidate;
    }
    if (switched && toolType == ToolType::WhiteCount)
        row = &kSwitchedWhiteCount;
    int* targets[3] = {&p1, &p2, &p3};
    for (int i = 0; i < 3; ++i) {
        const int v = row->values[i];
        if (v == kKept)
            continue;
        *targets[i] = v == kFilterSize ? p.filterSize : v == kAlarmArea ? p.alarmArea : v;
    }
}

}  // namespace RegionTools
