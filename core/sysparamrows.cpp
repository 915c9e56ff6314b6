#include "core/sysparamrows.h"

#include "core/globals.h"
#include "core/systemparam.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <iterator>

namespace {

constexpr short S = SystemParam::kSpareIndex;
constexpr short L = kLanguageSlot;
constexpr short M = kMachineTypeSlot;

// Field indices: exposure 0, gain 8, sharpness 16, contrast 24, gamma 32, mirrorH 40, mirrorV 48,
// distance 56, temperatureRange 64, triggerDelay 72, outputRestState 108, colourCamera 182,
// cameraEnabled 192, multiDetectColumnRow 244, multiDetectTrigger 254, multiDetectCutMode 264,
// inputNameIndex 285, outputNameIndex 295.
const SysparamRow kRows[] = {
    {"trigInDelay", false, false, 8, {72, 73, 74, 75, 76, 77, 78, 79}},
    {"exposeTime", false, false, 4, {0, 1, 2, 3}},
    {"adjustPlus", false, false, 4, {8, 9, 10, 11}},
    // machineType, mouldSide, autoExposure, autoWdr, spare, blackAreaCheck, whiteAreaCheck,
    // similarityCheck
    {"numFailDetect", false, false, 8, {M, 206, 208, 209, S, 210, 211, 214}},
    {"numAllDetect", false, false, 8, {32, 33, 34, 35, 36, 37, 38, 39}},
    {"isPswUsed", false, false, 1, {131}},
    {"password", true, false, 0, {}},
    // semiAutomatic, productCheckEnabled, cavityFollowsProduct, motionCorrection,
    // clampOffWhenStopped, preCutClamp, recheckCount, okImagesKept, spare
    {"system1", false, false, 9, {118, 133, 127, 129, 128, 207, 143, 137, S}},
    // ejectorOffWhenClamping, maxTemplates, minSpot, ngImagesKept, ejectorPulse, clampPulse,
    // productNgEjectorPulse, clampCutAfterCavityOk, productNoEjectorControl, passwordForSkipMould,
    // passwordForAddTemplate, spare, language, spareOutputSubstitute, maxOffset,
    // screenOffSeconds, acquisitionSpeed, inputTimeoutSeconds
    {"system2", false, false, 18, {130, 135, 200, 136, 144, 145, 152, 154, 151, 161, 162, S, L, 173, 174, 138, 139, 146}},
    // spareInputSubstitute, doorOpenClearsAlarm, differenceMultiple, defectDetectionEnabled,
    // spotDetectionEnabled, ignoreAreaEnabled, manualPositioningEnabled, showAlgorithmDetails,
    // autoLogoutSeconds, reserved 171, doorTriggersDetection
    {"system3", false, false, 11, {153, 164, 140, 165, 166, 167, 168, 169, 141, 171, 170}},
    // templateAutoUpdate, filterSize, alarmArea
    {"system4", false, false, 3, {132, 149, 150}},
    {"sharp", false, false, 4, {16, 17, 18, 19}},
    {"contrast", false, false, 4, {24, 25, 26, 27}},
    // exposure 4, 5, gain 4, 5, sharpness 4, 5, contrast 4, 5, okNgPulseMode, rotationCorrection,
    // ejectorCutOnProductAlarm, cameraExternalTrigger, clampCutOnCavityAlarm
    {"system5", false, false, 13, {4, 5, 12, 13, 20, 21, 28, 29, 156, 215, 157, 321, 158}},
    // exposure 6, 7, gain 6, 7, sharpness 6, 7, contrast 6, 7, inputDebounce, statisticsEnabled,
    // reserved 178, passwordForStop
    {"system6", false, false, 12, {6, 7, 14, 15, 22, 23, 30, 31, 147, 172, 178, 163}},
    // comPort, spare, greyChannel, showManualSnapshot, rest levels 0, 1, 2, lensOptimisationOff,
    // rest level 3, showFactoryParams, templateIsNgImage, reserved 242, realtimeRoiDisplay, spare,
    // rest level 4, alarmPulse, spare, spare, spare, whiteCountCheck
    {"system7", false, true, 20, {181, S, 190, 201, 108, 109, 110, 191, 111, 203, 175, 242, 176, S, 112, 148, S, S, S, 212}},
    // multiDetectCount, multiDetectTrigger 0..7, multiDetectCutMode 0..7,
    // ejectorCutAfterProductOk, logEnabled, matchTemplateBrightness
    {"system8", false, true, 20, {243, 254, 255, 256, 257, 258, 259, 260, 261, 264, 265, 266, 267, 268, 269, 270, 271, 155, 177, 179}},
    // multiDetectColumnRow 0..7, spare, temperatureAlarm, distance 0..7,
    // continuousTimedDetection, temperatureChartEnabled
    {"system9", false, true, 20, {244, 245, 246, 247, 248, 249, 250, 251, S, 213, 56, 57, 58, 59, 60, 61, 62, 63, 320, 202}},
    // inputNameIndex 0..7, outputNameIndex 0..7, temperatureRange 0..3
    {"system10", false, true, 20, {285, 286, 287, 288, 289, 290, 291, 292, 295, 296, 297, 298, 299, 300, 301, 302, 64, 65, 66, 67}},
    // reserved 323..330 and 339..346, temperatureRange 4..7
    {"system11", false, true, 20, {323, 324, 325, 326, 327, 328, 329, 330, 339, 340, 341, 342, 343, 344, 345, 346, 68, 69, 70, 71}},
    // angleCorrection, firstDelay, secondDelay, reserved 358..363, separateDetectSignals,
    // temperatureAlarmNoStop, temperatureRecordMinutes, colourCamera 0..7
    {"system12", false, true, 20, {180, 356, 357, 358, 359, 360, 361, 362, 363, 159, 160, 322, 182, 183, 184, 185, 186, 187, 188, 189}},
    // mirrorH 0..7, mirrorV 0..7
    {"mirror", false, true, 16, {40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55}},
    {"enable", false, true, 8, {192, 193, 194, 195, 196, 197, 198, 199}},
};

}  // namespace

const SysparamRow* sysparamRowsBegin()
{
    return std::begin(kRows);
}

const SysparamRow* sysparamRowsEnd()
{
    return std::end(kRows);
}

void readRowValue(SystemParam& record, const SysparamRow& row, const QString& value)
{
    if (row.isText) {
        // A stored password of 100 or more bytes does not fit and is ignored.
        record.setPassword(value);
        return;
    }
    const QStringList parts = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int k = 0; k < row.count; ++k) {
        bool ok = false;
        const int v = k < parts.size() ? parts[k].trimmed().toInt(&ok) : 0;
        const int number = ok ? v : 0;
        switch (row.fields[k]) {
        case kLanguageSlot:
            currentLanguage = number;
            break;
        case kMachineTypeSlot:
            record.machineType = number;
            break;
        default:
            record.setField(row.fields[k], number);
            break;
        }
    }
}

QString rowValue(const SystemParam& record, const SysparamRow& row)
{
    if (row.isText)
        return record.passwordText();
    QStringList parts;
    for (int k = 0; k < row.count; ++k) {
        switch (row.fields[k]) {
        case kLanguageSlot:
            parts << QString::number(currentLanguage);
            break;
        case kMachineTypeSlot:
            parts << QString::number(record.machineTypeEdited);
            break;
        default:
            parts << QString::number(record.field(row.fields[k]));
            break;
        }
    }
    return parts.join(QLatin1Char(' '));
}

bool writeRow(QSqlQuery& query, const SysparamRow& row, const QString& value)
{
    const QString name = QString::fromLatin1(row.name);
    query.prepare(QStringLiteral("update sysparam set value=? where name=?"));
    query.addBindValue(value);
    query.addBindValue(name);
    if (!query.exec()) {
        qWarning("update of sysparam row %s failed: %s", row.name, qPrintable(query.lastError().text()));
        return false;
    }
    if (query.numRowsAffected() > 0)
        return true;
    query.prepare(QStringLiteral("insert into sysparam(name, value) values(?, ?)"));
    query.addBindValue(name);
    query.addBindValue(value);
    if (!query.exec()) {
        qWarning("insert of sysparam row %s failed: %s", row.name, qPrintable(query.lastError().text()));
        return false;
    }
    return true;
}
