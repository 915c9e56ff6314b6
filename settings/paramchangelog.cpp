#include "settings/paramchangelog.h"

#include "core/globals.h"
#include "core/systemparam.h"

#include <QCoreApplication>

#include <cstddef>

namespace ParamChangeLog {
namespace {

// 32-bit field index of a member (or array element) of the record.
#define FIELD(member) int(offsetof(SystemParam, member) / sizeof(int))

constexpr int kTextLineStart = 235;
constexpr int kTextValue = 245;
constexpr int kTextDelay = 236;
constexpr int kTextRecheck = 239;
constexpr int kTextSwitch = 240;
constexpr int kTextActive = 250;
constexpr int kTextInactive = 251;
constexpr int kTextClampProhibited = 252;
constexpr int kTextClampAllowed = 253;
constexpr int kTextPassword = 249;

const Row kRows[] = {
    {FIELD(triggerDelay[0]), Form::Delay, 263, nullptr},
    {FIELD(triggerDelay[1]), Form::Delay, 264, nullptr},
    {FIELD(recheckCount), Form::Recheck, 264, nullptr},
    {FIELD(filterSize), Form::Value, 22, nullptr},
    {FIELD(alarmArea), Form::Value, 24, nullptr},
    {FIELD(semiAutomatic), Form::Switch, 174, nullptr},
    {FIELD(productCheckEnabled), Form::Switch, 175, nullptr},
    {FIELD(motionCorrection), Form::InvertedSwitch, 176, nullptr},
    {FIELD(cavityFollowsProduct), Form::Switch, 177, nullptr},
    {FIELD(templateAutoUpdate), Form::Switch, 400, nullptr},
    {-1, Form::CameraBlock, -1, nullptr},
    {FIELD(acquisitionSpeed), Form::Value, 244, nullptr},
    {FIELD(greyChannel), Form::Switch, 271, nullptr},
    {FIELD(autoExposure), Form::Switch, 387, nullptr},
    {FIELD(matchTemplateBrightness), Form::Switch, 582, nullptr},
    {FIELD(autoWdr), Form::Switch, 388, nullptr},
    {FIELD(lensOptimisationOff), Form::Switch, 337, nullptr},
    {FIELD(cameraExternalTrigger), Form::Switch, 519, nullptr},
    {FIELD(defectDetectionEnabled), Form::Switch, 196, nullptr},
    {FIELD(spotDetectionEnabled), Form::Switch, 197, nullptr},
    {FIELD(ignoreAreaEnabled), Form::Switch, 198, nullptr},
    {FIELD(manualPositioningEnabled), Form::Switch, 199, nullptr},
    {FIELD(angleCorrection), Form::Switch, -1, QT_TRANSLATE_NOOP("ParamChangeLog", "角度矫正")},
    {FIELD(showAlgorithmDetails), Form::Switch, 200, nullptr},
    {FIELD(blackAreaCheck), Form::Switch, 390, nullptr},
    {FIELD(whiteAreaCheck), Form::Switch, 391, nullptr},
    {FIELD(whiteCountCheck), Form::Switch, 520, nullptr},
    {FIELD(similarityCheck), Form::Switch, 397, nullptr},
    {FIELD(temperatureAlarm), Form::Switch, 570, nullptr},
    {FIELD(comPort), Form::Value, 269, nullptr},
    {FIELD(inputTimeoutSeconds), Form::Value, 336, nullptr},
    {FIELD(preCutClamp), Form::Value, 166, nullptr},
    {FIELD(ejectorPulse), Form::Value, 168, nullptr},
    {FIELD(clampPulse), Form::Value, 169, nullptr},
    {FIELD(spareInputSubstitute), Form::Value, 203, nullptr},
    {FIELD(spareOutputSubstitute), Form::Value, 334, nullptr},
    {FIELD(outputRestState[0]), Form::Value, 273, nullptr},
    {FIELD(outputRestState[1]), Form::Value, 274, nullptr},
    {FIELD(outputRestState[2]), Form::Value, 275, nullptr},
    {FIELD(outputRestState[3]), Form::Value, 281, nullptr},
    // No text of the table names the mould side; its values are 0 left, 1 right, 2 and 3 both.
    {FIELD(mouldSide), Form::Value, -1, QT_TRANSLATE_NOOP("ParamChangeLog", "模具位置")},
    {FIELD(ejectorOffWhenClamping), Form::Switch, 178, nullptr},
    {FIELD(clampOffWhenStopped), Form::ClampSwitch, 179, nullptr},
    {FIELD(productNoEjectorControl), Form::Switch, 192, nullptr},
    {FIELD(productNgEjectorPulse), Form::Switch, 190, nullptr},
    {FIELD(clampCutAfterCavityOk), Form::Switch, 193, nullptr},
    {FIELD(doorOpenClearsAlarm), Form::Switch, 195, nullptr},
    {FIELD(doorTriggersDetection), Form::Switch, 265, nullptr},
    {FIELD(okNgPulseMode), Form::Switch, 202, nullptr},
    {FIELD(maxTemplates), Form::Value, 185, nullptr},
    {FIELD(ngImagesKept), Form::Value, 186, nullptr},
    {FIELD(okImagesKept), Form::Value, 187, nullptr},
    {FIELD(differenceMultiple), Form::Value, 188, nullptr},
    {FIELD(autoLogoutSeconds), Form::Value, 189, nullptr},
    {FIELD(maxOffset), Form::Value, 213, nullptr},
    {FIELD(screenOffSeconds), Form::Value, 243, nullptr},
    {FIELD(minSpot), Form::Value, 181, nullptr},
    {FIELD(rotationCorrection), Form::Value, 403, nullptr},
    {FIELD(passwordForSkipMould), Form::Switch, 194, nullptr},
    {FIELD(passwordForAddTemplate), Form::Switch, 341, nullptr},
    {FIELD(passwordEnabled), Form::Switch, 170, nullptr},
    {SystemParam::kPasswordIndex, Form::Password, -1, nullptr},
};
static_assert(sizeof(kRows) / sizeof(kRows[0]) == 62, "the line has 62 rows");

// The camera block, per slot in this order: the first field index of the per-camera array and
// the text whose %1 is the camera number.
const struct {
    int firstField;
    int textId;
} kCameraFields[] = {
    {FIELD(exposure), 237}, {FIELD(gain), 238},     {FIELD(sharpness), 246},        {FIELD(contrast), 247},
    {FIELD(gamma), 365},    {FIELD(distance), 576}, {FIELD(temperatureRange), 577},
};
constexpr int kCameraSlots = 8;

#undef FIELD

QString caption(const Row& row)
{
    if (row.captionId >= 0)
        return tableText(row.captionId);
    return QCoreApplication::translate("ParamChangeLog", row.trCaption);
}

}  // namespace

const Row* rows(int* count)
{
    *count = int(sizeof(kRows) / sizeof(kRows[0]));
    return kRows;
}

void appendFragments(QString& line, const Row& row, const SystemParam& before, const SystemParam& after)
{
    if (row.form == Form::CameraBlock) {
        for (int c = 0; c < kCameraSlots; ++c)
            for (const auto& camera : kCameraFields) {
                const int oldValue = before.field(camera.firstField + c);
                const int newValue = after.field(camera.firstField + c);
                if (oldValue != newValue)
                    line += tableText(camera.textId).arg(QString::number(c + 1), QString::number(oldValue), QString::number(newValue));
            }
        return;
    }
    if (row.form == Form::Password) {
        if (before.passwordText() != after.passwordText())
            line += tableText(kTextPassword);
        return;
    }
    const int oldValue = before.field(row.field);
    const int newValue = after.field(row.field);
    if (oldValue == newValue)
        return;
    switch (row.form) {
    case Form::Value:
        line += tableText(kTextValue).arg(caption(row), QString::number(oldValue), QString::number(newValue));
        break;
    case Form::Delay:
        line += tableText(kTextDelay).arg(caption(row), QString::number(oldValue), QString::number(newValue));
        break;
    case Form::Recheck:
        line += tableText(kTextRecheck).arg(caption(row), QString::number(oldValue), QString::number(newValue));
        break;
    case Form::Switch:
        line += tableText(kTextSwitch).arg(caption(row)) + tableText(newValue != 0 ? kTextActive : kTextInactive);
        break;
    case Form::InvertedSwitch:
        line += tableText(kTextSwitch).arg(caption(row)) + tableText(newValue == 0 ? kTextActive : kTextInactive);
        break;
    case Form::ClampSwitch:
        line += tableText(kTextSwitch).arg(caption(row))
            + tableText(newValue != 0 ? kTextClampProhibited : kTextClampAllowed);
        break;
    case Form::CameraBlock:
    case Form::Password:
        break;
    }
}

QString line(const SystemParam& before, const SystemParam& after)
{
    QString text = tableText(kTextLineStart);
    for (const Row& row : kRows)
        appendFragments(text, row, before, after);
    return text;
}

}  // namespace ParamChangeLog
