#include "view/regionchangelog.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/roiinterface.h"
#include "detection/tooltype.h"
#include "view/regiontooltable.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// A value of a region's three parameters the log prints. A spot region keeps its grey band in
// P1, the minimum in the low byte and the maximum in the second byte; a temperature region keeps
// two signed 16-bit values in each parameter.
enum class Field { None, P1, P2, P3, GreyMin, GreyMax, LowP1, LowP2, LowP3, HighP1, HighP2, HighP3 };

struct Params {
    int p1;
    int p2;
    int p3;
};

int fieldValue(Field f, const Params& v)
{
    switch (f) {
    case Field::P1: return v.p1;
    case Field::P2: return v.p2;
    case Field::P3: return v.p3;
    case Field::GreyMin: return int(quint32(v.p1) & 0xFFu);
    case Field::GreyMax: return int((quint32(v.p1) >> 8) & 0xFFu);
    case Field::LowP1: return RegionTools::lowHalf(v.p1);
    case Field::LowP2: return RegionTools::lowHalf(v.p2);
    case Field::LowP3: return RegionTools::lowHalf(v.p3);
    case Field::HighP1: return RegionTools::highHalf(v.p1);
    case Field::HighP2: return RegionTools::highHalf(v.p2);
    case Field::HighP3: return RegionTools::highHalf(v.p3);
    case Field::None: break;
    }
    return 0;
}

// "，<what> from %1 to %2": text `textId` with the old and new value of `field`.
struct Phrase {
    int textId;
    Field field;
};

// How the log describes a region of one tool type: the summary of a kept region (text with one
// %n per phrase, each phrase printed only when its value changed), and the description of an
// added region (text with the fields in order). A text id of 0 stands for the translated
// literal `literal`.
struct ToolLog {
    int toolType;
    int summaryId;
    Phrase phrases[6];
    int descriptionId;
    Field description[6];
    const char* literal;
};

const ToolLog kToolLogs[] = {
    {ToolType::Defect, 97, {{94, Field::P2}, {95, Field::P3}, {96, Field::P1}},
     78, {Field::P2, Field::P1, Field::P3}, nullptr},
    {ToolType::Spot, 89, {{85, Field::GreyMin}, {86, Field::GreyMax}, {87, Field::P2}, {88, Field::P3}},
     77, {Field::GreyMin, Field::GreyMax, Field::P2, Field::P3}, nullptr},
    {ToolType::Ignore, 17, {}, 17, {}, nullptr},
    {ToolType::Position, 93, {{90, Field::P3}, {91, Field::P1}, {92, Field::P2}},
     79, {Field::P2, Field::P3, Field::P1}, nullptr},
    {ToolType::Temperature, 619,
     {{620, Field::LowP2}, {621, Field::LowP3}, {622, Field::LowP1}, {623, Field::HighP2}, {624, Field::HighP3},
      {625, Field::HighP1}},
     618, {Field::LowP2, Field::LowP3, Field::LowP1, Field::HighP2, Field::HighP3, Field::HighP1}, nullptr},
    {ToolType::AngleCorrect, 0, {}, 0, {}, QT_TRANSLATE_NOOP("DrawROIWidget", "角度矫正")},
};

const ToolLog* toolLog(int toolType)
{
    for (const ToolLog& log : kToolLogs) {
        if (log.toolType == toolType)
            return &log;
    }
    return nullptr;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("DrawROIWidget", text);
}

bool movesAlignment(int toolType)
{
    return toolType == ToolType::Position || toolType == ToolType::AngleCorrect;
}

QString summary(int toolType, const Params& before, const Params& after, bool* anyPhrase)
{
    *anyPhrase = false;
    const ToolLog* log = toolLog(toolType);
    if (!log)
        return QString();
    if (log->summaryId == 0)
        return tr(log->literal);
    QString text = tableText(log->summaryId);
    for (const Phrase& phrase : log->phrases) {
        if (phrase.textId == 0)
            break;
        const int from = fieldValue(phrase.field, before);
        const int to = fieldValue(phrase.field, after);
        QString part;
        if (from != to) {
            part = tableText(phrase.textId).arg(from).arg(to);
            *anyPhrase = true;
        }
        text = text.arg(part);
    }
    return text;
}

QString description(int toolType, const Params& v)
{
    const ToolLog* log = toolLog(toolType);
    if (!log)
        return QString();
    if (log->descriptionId == 0)
        return tr(log->literal);
    QString text = tableText(log->descriptionId);
    for (Field f : log->description) {
        if (f == Field::None)
            break;
        text = text.arg(fieldValue(f, v));
    }
    return text;
}

const ROIInterface* shapeAt(const CammerSingleton& set, int d, int k)
{
    return d < set.rois.size() && k < set.rois[d].size() ? set.rois[d][k] : nullptr;
}

QString shapeName(const ROIInterface* shape)
{
    return shape ? shape->name() : QString();
}

}  // namespace

namespace RegionChangeLog {

QString detectName(int d)
{
    const int machineType = activeParams ? activeParams->machineType : 0;
    if (machineType == 1 || machineType == 2)
        return d >= 0 && d < 4 ? tableText(372 + d) : QString();
    return d >= 0 && d < 2 ? tableText(263 + d) : QString();
}

QString toolName(int toolType)
{
    switch (toolType) {
    case ToolType::Defect: return tr("缺陷检测");
    case ToolType::Spot: return tableText(15);
    case ToolType::Ignore: return tableText(17);
    case ToolType::Position: return tableText(21);
    case ToolType::Temperature: return tableText(570);
    case ToolType::AngleCorrect: return tr("角度矫正");
    default: return QString();
    }
}

QStringList lines(const CammerSingleton& before, const CammerSingleton& after, int detects, int camera,
                  bool* positioning)
{
    QStringList out;
    for (int d = 0; d < std::min(detects, int(CammerSingleton::kDetects)); ++d) {
        const QString header = tableText(73).arg(camera + 1).arg(detectName(d));
        const int oldCount = std::clamp(before.roiCount[d], 0, int(CammerSingleton::kRoisPerDetect));
        const int newCount = std::clamp(after.roiCount[d], 0, int(CammerSingleton::kRoisPerDetect));
        for (int k = 0; k < std::max(oldCount, newCount); ++k) {
            const int s = d * CammerSingleton::kRoisPerDetect + k;
            const Params was{before.minWH[s], before.sensitivity[s], before.area[s]};
            const Params now{after.minWH[s], after.sensitivity[s], after.area[s]};
            const int oldType = before.toolType[s];
            const int newType = after.toolType[s];
            if (k >= newCount) {
                out << header + tableText(81).arg(shapeName(shapeAt(before, d, k)), QString::number(k + 1),
                                                  toolName(oldType));
                *positioning = *positioning || movesAlignment(oldType);
            } else if (k >= oldCount) {
                out << header + tableText(80).arg(shapeName(shapeAt(after, d, k)), QString::number(k + 1),
                                                  description(newType, now));
                *positioning = *positioning || movesAlignment(newType);
            } else {
                const ROIInterface* oldShape = shapeAt(before, d, k);
                const ROIInterface* newShape = shapeAt(after, d, k);
                const bool moved = !oldShape || !newShape || !oldShape->equals(*newShape);
                bool anyPhrase = false;
                const QString said = summary(newType, was, now, &anyPhrase);
                if (movesAlignment(newType) || (oldType != newType && movesAlignment(oldType)))
                    *positioning = true;
                if (!moved && !anyPhrase)
                    continue;
                const QString function = oldType == newType
                    ? tableText(84)
                    : tableText(82) + toolName(oldType) + tableText(83);
                out << header + tableText(99).arg(shapeName(newShape), QString::number(k + 1), function, said,
                                                  moved ? tableText(98) : QString());
            }
        }
    }
    return out;
}

}  // namespace RegionChangeLog
