#include "settings/paramchangelog.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "settings/paramfield.h"

#include <QCoreApplication>


namespace ParamChangeLog {
namespace {


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
    {PARAM_FIELD(triggerDelay[0]), Form::Delay, 263, nullptr},
    {PARAM_FIELD(triggerDelay[1]), Form::Delay, 264, nullptr},
    {PARAM_FIELD(recheckCount), Form::Recheck, 264, nullptr},
    {PARAM_FIELD(filterSize), Form::Value, 22, nullptr},
    {PARAM_FIELD(alarmArea), Form::Value, 24, nullptr},
    {PARAM_FIELD(semiAutomatic), Form::Switch, 174, nullptr},
    {PARAM_FIELD(productCheckEnabled), Form::Switch, 175, nullptr},
    {PARAM_FIELD(motionCorrection), Form::InvertedSwitch, 176, nullptr},
    {PARAM_FIELD(cavityFollowsProduct), Form::Switch, 177, nullptr},
    {PARAM_FIELD(templateAutoUpdate), Form::Switch, 400, nullptr},
    {-1, Form::CameraBlock, -1, nullptr},
    {PARAM_FIELD(acquisitionSpeed), Form::Value, 244, nullptr},
    {PARAM_FIELD(greyChannel), Form::Switch, 271, nullptr},
    {PARAM_FIELD(autoExposure), Form::Switch, 387, nullptr},
    {PARAM_FIELD(matchTemplateBrightness), Form::Switch, 582, nullptr},
    {PARAM_FIELD(autoWdr), Form::Switch, 388, nullptr},
    {PARAM_FIELD(lensOptimisationOff), Form::Switch, 337, nullptr},
    {PARAM_FIELD(cameraExternalTrigger), Form::Switch, 519, nullptr},
    {PARAM_FIELD(defectDetectionEnabled), Form::Switch, 196, nullptr},
    {PARAM_FIELD(spotDetectionEnabled), Form::Switch, 197, nullptr},
    {PARAM_FIELD(ignoreAreaEnabled), Form::Switch, 198, nullptr},
    {PARAM_FIELD(manualPositioningEnabled), Form::Switch, 199, nullptr},
    {PARAM_FIELD(angleCorrection), Form::Switch, -1, QT_TRANSLATE_NOOP("ParamChangeLog", "角度矫正")},
    {PARAM_FIELD(showAlgorithmDetails), Form::Switch, 200, nullptr},
    {PARAM_FIELD(blackAreaCheck), Form::Switch, 390, nullptr},
    {PARAM_FIELD(whiteAreaCheck), Form::Switch, 391, nullptr},
    {PARAM_FIELD(whiteCountCheck), Form::Switch, 520, nullptr},
    {PARAM_FIELD(similarityCheck), Form::Switch, 397, nullptr},
    {PARAM_FIELD(temperatureAlarm), Form::Switch, 570, nullptr},
    {PARAM_FIELD(comPort), Form::Value, 269, nullptr},
    {PARAM_FIELD(inputTimeoutSeconds), Form::Value, 336, nullptr},
    {PARAM_FIELD(preCutClamp), Form::Value, 166, nullptr},
    {PARAM_FIELD(ejectorPulse), Form::Value, 168, nullptr},
    {PARAM_FIELD(clampPulse), Form::Value, 169, nullptr},
    {PARAM_FIELD(spareInputSubstitute), Form::Value, 203, nullptr},
    {PARAM_FIELD(spareOutputSubstitute), Form::Value, 334, nullptr},
    {PARAM_FIELD(outputRestState[0]), Form::Value, 273, nullptr},
    {PARAM_FIELD(outputRestState[1]), Form::Value, 274, nullptr},
    {PARAM_FIELD(outputRestState[2]), Form::Value, 275, nullptr},
    {PARAM_FIELD(outputRestState[3]), Form::Value, 281, nullptr},
    // No text of the table names the mould side; its values are 0 left, 1 right, 2 and 3 both.
    {PARAM_FIELD(mouldSide), Form::Value, -1, QT_TRANSLATE_NOOP("ParamChangeLog", "模具位置")},
    {PARAM_FIELD(ejectorOffWhenClamping), Form::Switch, 178, nullptr},
    {PARAM_FIELD(clampOffWhenStopped), Form::ClampSwitch, 179, nullptr},
    {PARAM_FIELD(productNoEjectorControl), Form::Switch, 192, nullptr},
    {PARAM_FIELD(productNgEjectorPulse), Form::Switch, 190, nullptr},
    {PARAM_FIELD(clampCutAfterCavityOk), Form::Switch, 193, nullptr},
    {PARAM_FIELD(doorOpenClearsAlarm), Form::Switch, 195, nullptr},
    {PARAM_FIELD(doorTriggersDetection), Form::Switch, 265, nullptr},
    {PARAM_FIELD(okNgPulseMode), Form::Switch, 202, nullptr},
    {PARAM_FIELD(maxTemplates), Form::Value, 185, nullptr},
    {PARAM_FIELD(ngImagesKept), Form::Value, 186, nullptr},
    {PARAM_FIELD(okImagesKept), Form::Value, 187, nullptr},
    {PARAM_FIELD(differenceMultiple), Form::Value, 188, nullptr},
    {PARAM_FIELD(autoLogoutSeconds), Form::Value, 189, nullptr},
    {PARAM_FIELD(maxOffset), Form::Value, 213, nullptr},
    {PARAM_FIELD(screenOffSeconds), Form::Value, 243, nullptr},
    {PARAM_FIELD(minSpot), Form::Value, 181, nullptr},
    {PARAM_FIELD(rotationCorrection), Form::Value, 403, nullptr},
    {PARAM_FIELD(passwordForSkipMould), Form::Switch, 194, nullptr},
    {PARAM_FIELD(passwordForAddTemplate), Form::Switch, 341, nullptr},
    {PARAM_FIELD(passwordEnabled), Form::Switch, 170, nullptr},
    {SystemParam::kPasswordIndex, Form::Password, -1, nullptr},
};
static_assert(sizeof(kRows) / sizeof(kRows[0]) == 62, "the line has 62 rows");

// The camera block, per slot in this order: the first field index of the per-camera array and
// the text whose %1 is the camera number.
const struct {
    int firstField;
    int textId;
} kCameraFields[] = {
    {PARAM_FIELD(exposure), 237}, {PARAM_FIELD(gain), 238},     {PARAM_FIELD(sharpness), 246},
    {PARAM_FIELD(contrast), 247}, {PARAM_FIELD(gamma), 365},    {PARAM_FIELD(distance), 576},
    {PARAM_FIELD(temperatureRange), 577},
};
constexpr int kCameraSlots = 8;

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
                    line += tableText(camera.textId)
                                .arg(QString::number(c + 1), QString::number(oldValue), QString::number(newValue));
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
