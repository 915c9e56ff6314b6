// The settings wizard's tables of controls: which value box, check box and combo box stands for
// which field of the system parameter record, where it is and when it is shown. One table drives
// building, loading and the apply. Included by the wizard's own sources only.
#pragma once

#include "settings/paramfield.h"
#include "settings/wizardparawidget.h"

#include <QString>

class QWidget;

namespace WizardTables {

using Shown = WizardParaWidget::Shown;

inline constexpr int kWidth = 1800;
inline constexpr int kHeight = 950;
inline constexpr int kTitleHeight = 50;
inline constexpr int kTextSeconds = 540;
inline constexpr int kTextRestoreQuestion = 527;
inline constexpr int kTextSimpleDisplay = 300;
inline constexpr int kTextCompleteDisplay = 299;
inline constexpr int kJapanese = 3;
inline const char* const kRecordConnection = "dbList";
inline const char* const kSerialFile = "serialNB.txt";

// A value box: page, place, caption (text id, or a translator text), unit text id (-1 none),
// range, display mode and divisor, field (of camera slot 0 for a camera value) and when shown.
// Camera values are written by the live slots; every other box by the apply.
struct ValueBoxRow {
    int page;
    int x;
    int y;
    int textId;
    int unitId;
    int minimum;
    int maximum;
    int mode;
    int divisor;
    int field;
    bool perCamera;
    Shown shown;
};
inline const ValueBoxRow kValueBoxRows[] = {
    {0, 30, 105, 161, kTextSeconds, 0, 10000, 2, 10, PARAM_FIELD(triggerDelay[0]), false, Shown::Always},
    {0, 30, 165, 162, kTextSeconds, 0, 10000, 2, 10, PARAM_FIELD(triggerDelay[1]), false, Shown::Always},
    {0, 30, 275, 167, -1, 0, 10, 0, 1, PARAM_FIELD(recheckCount), false, Shown::Always},
    {0, 30, 395, 22, -1, 1, 10, 0, 1, PARAM_FIELD(filterSize), false, Shown::WithoutDetails},
    {0, 30, 455, 24, -1, 0, 1000, 0, 1, PARAM_FIELD(alarmArea), false, Shown::WithoutDetails},
    {1, 30, 120, 164, -1, 1, 100, 0, 1, PARAM_FIELD(exposure), true, Shown::Always},
    {1, 30, 180, 165, -1, 0, 64, 0, 1, PARAM_FIELD(gain), true, Shown::Always},
    {1, 30, 240, 241, -1, 0, 100, 0, 1, PARAM_FIELD(sharpness), true, Shown::Factory},
    {1, 30, 300, 242, -1, 0, 200, 0, 1, PARAM_FIELD(contrast), true, Shown::Factory},
    {1, 30, 360, 364, -1, 0, 250, 0, 1, PARAM_FIELD(gamma), true, Shown::Factory},
    {1, 30, 420, 244, -1, 0, 32, 0, 1, PARAM_FIELD(acquisitionSpeed), false, Shown::FactoryFull},
    {1, 30, 480, 575, -1, 0, 300, 0, 1, PARAM_FIELD(distance), true, Shown::Factory},
    {1, 30, 540, 581, -1, 0, 2, 0, 1, PARAM_FIELD(temperatureRange), true, Shown::Factory},
    {3, 30, 50, 336, kTextSeconds, 0, 10000, 2, 1, PARAM_FIELD(inputTimeoutSeconds), false, Shown::Always},
    {3, 30, 110, 168, kTextSeconds, 0, 1000, 2, 10, PARAM_FIELD(ejectorPulse), false, Shown::Always},
    {3, 30, 170, 169, kTextSeconds, 0, 1000, 2, 10, PARAM_FIELD(clampPulse), false, Shown::Always},
    {3, 30, 230, 166, kTextSeconds, 0, 100, 2, 10, PARAM_FIELD(preCutClamp), false, Shown::Always},
    {3, 30, 290, 524, kTextSeconds, 0, 100, 2, 10, PARAM_FIELD(inputDebounce), false, Shown::Always},
    {4, 30, 310, 213, -1, 1, 8000, 0, 1, PARAM_FIELD(maxOffset), false, Shown::Always},
    {4, 30, 365, 188, -1, 0, 4, 0, 1, PARAM_FIELD(differenceMultiple), false, Shown::Always},
    {4, 30, 420, 181, -1, 1, 20, 0, 1, PARAM_FIELD(minSpot), false, Shown::Always},
    {4, 30, 475, 403, -1, 0, 180, 0, 1, PARAM_FIELD(rotationCorrection), false, Shown::Always},
    {4, 30, 530, 243, kTextSeconds, 30, 9999, 0, 1, PARAM_FIELD(screenOffSeconds), false, Shown::Always},
    {4, 30, 585, 189, kTextSeconds, 0, 1000, 0, 1, PARAM_FIELD(autoLogoutSeconds), false, Shown::Always},
    {4, 30, 640, 185, -1, 1, 100, 0, 1, PARAM_FIELD(maxTemplates), false, Shown::Always},
    {4, 30, 695, 186, -1, 0, 500, 0, 1, PARAM_FIELD(ngImagesKept), false, Shown::Always},
    {4, 30, 750, 187, -1, 0, 500, 0, 1, PARAM_FIELD(okImagesKept), false, Shown::Always},
};
inline constexpr int kRecheckRow = 2;

// How a check box stands for its field.
enum class Switch {
    Plain,        // checked <-> non-zero
    Motion,       // motion correction: checked <-> 0, unchecked <-> -1
    ShowOnly,     // shows the field of camera slot 0, never written back
    Details,      // "显示算法详细参数": written after the algorithm switches (see writeControls)
    SaveAll,      // the main window's saveAllFlag, not a field
};
// A check box: page, place, width, caption (text id, or a translator text when -1), field, how.
struct CheckBoxRow {
    int page;
    int x;
    int y;
    int width;
    int textId;
    const char* trText;
    int field;
    Switch kind;
    Shown shown;
};
inline const CheckBoxRow kCheckBoxRows[] = {
    {0, 930, 115, 440, 175, nullptr, PARAM_FIELD(productCheckEnabled), Switch::Plain, Shown::Always},
    {0, 930, 175, 440, 174, nullptr, PARAM_FIELD(semiAutomatic), Switch::Plain, Shown::Always},
    {0, 930, 235, 440, 176, nullptr, PARAM_FIELD(motionCorrection), Switch::Motion, Shown::Always},
    {0, 930, 295, 440, 177, nullptr, PARAM_FIELD(cavityFollowsProduct), Switch::Plain, Shown::Always},
    {0, 930, 355, 440, 170, nullptr, PARAM_FIELD(passwordEnabled), Switch::Plain, Shown::Always},
    {0, 930, 415, 440, 400, nullptr, PARAM_FIELD(templateAutoUpdate), Switch::Plain, Shown::Always},
    {1, 930, 70, 870, 388, nullptr, PARAM_FIELD(autoWdr), Switch::Plain, Shown::FactoryFull},
    {1, 930, 130, 870, 337, nullptr, PARAM_FIELD(lensOptimisationOff), Switch::Plain, Shown::FactoryFull},
    {1, 930, 190, 870, 270, nullptr, PARAM_FIELD(colourCamera), Switch::ShowOnly, Shown::FactoryFull},
    {1, 930, 250, 870, 271, nullptr, PARAM_FIELD(greyChannel), Switch::Plain, Shown::FactoryFull},
    {1, 930, 310, 870, 519, nullptr, PARAM_FIELD(cameraExternalTrigger), Switch::Plain, Shown::FactoryFull},
    {1, 930, 370, 870, 200, nullptr, PARAM_FIELD(showAlgorithmDetails), Switch::Details, Shown::FactoryFull},
    {1, 930, 430, 870, 196, nullptr, PARAM_FIELD(defectDetectionEnabled), Switch::Plain, Shown::FactoryFull},
    {1, 930, 490, 870, 197, nullptr, PARAM_FIELD(spotDetectionEnabled), Switch::Plain, Shown::FactoryFull},
    {1, 930, 550, 870, 198, nullptr, PARAM_FIELD(ignoreAreaEnabled), Switch::Plain, Shown::FactoryFull},
    // The left column shares its last four rows with the right one.
    {1, 930, 610, 460, 199, nullptr, PARAM_FIELD(manualPositioningEnabled), Switch::Plain, Shown::FactoryFull},
    {1, 930, 670, 460, 390, nullptr, PARAM_FIELD(blackAreaCheck), Switch::Plain, Shown::FactoryFull},
    {1, 930, 730, 460, 391, nullptr, PARAM_FIELD(whiteAreaCheck), Switch::Plain, Shown::FactoryFull},
    {1, 930, 790, 460, 397, nullptr, PARAM_FIELD(similarityCheck), Switch::Plain, Shown::FactoryFull},
    {1, 1400, 610, 400, 520, nullptr, PARAM_FIELD(whiteCountCheck), Switch::Plain, Shown::FactoryFull},
    {1, 1400, 670, 400, 570, nullptr, PARAM_FIELD(temperatureAlarm), Switch::Plain, Shown::FactoryFull},
    {1, 1400, 730, 400, 582, nullptr, PARAM_FIELD(matchTemplateBrightness), Switch::Plain, Shown::FactoryFull},
    {1, 1400, 790, 400, -1, QT_TRANSLATE_NOOP("WizardParaWidget", "角度矫正"), PARAM_FIELD(angleCorrection),
     Switch::Plain, Shown::FactoryFull},
    // The first three rows end where the combo boxes at x 1630 begin.
    {3, 930, 60, 690, 179, nullptr, PARAM_FIELD(clampOffWhenStopped), Switch::Plain, Shown::Always},
    {3, 930, 120, 690, 178, nullptr, PARAM_FIELD(ejectorOffWhenClamping), Switch::Plain, Shown::Always},
    {3, 930, 180, 690, 192, nullptr, PARAM_FIELD(productNoEjectorControl), Switch::Plain, Shown::Always},
    {3, 930, 240, 870, 190, nullptr, PARAM_FIELD(productNgEjectorPulse), Switch::Plain, Shown::Always},
    {3, 930, 300, 870, 202, nullptr, PARAM_FIELD(okNgPulseMode), Switch::Plain, Shown::Always},
    {3, 930, 360, 870, 193, nullptr, PARAM_FIELD(clampCutAfterCavityOk), Switch::Plain, Shown::Always},
    {3, 930, 420, 870, 513, nullptr, PARAM_FIELD(ejectorCutAfterProductOk), Switch::Plain, Shown::Always},
    {3, 930, 480, 870, 265, nullptr, PARAM_FIELD(doorTriggersDetection), Switch::Plain, Shown::Always},
    {3, 930, 540, 870, 195, nullptr, PARAM_FIELD(doorOpenClearsAlarm), Switch::Plain, Shown::Always},
    {3, 930, 600, 870, 515, nullptr, PARAM_FIELD(ejectorCutOnProductAlarm), Switch::Plain, Shown::Always},
    {3, 930, 660, 870, 562, nullptr, PARAM_FIELD(clampCutOnCavityAlarm), Switch::Plain, Shown::Always},
    {3, 930, 720, 870, -1, QT_TRANSLATE_NOOP("WizardParaWidget", "温度检测报警不停机"),
     PARAM_FIELD(temperatureAlarmNoStop), Switch::Plain, Shown::Always},
    // The advanced page's right column ends where the buttons at x 1630 begin.
    {4, 930, 170, 690, 254, nullptr, PARAM_FIELD(showFactoryParams), Switch::Plain, Shown::Always},
    {4, 930, 225, 690, 272, nullptr, PARAM_FIELD(showManualSnapshot), Switch::Plain, Shown::Always},
    {4, 930, 280, 690, 194, nullptr, PARAM_FIELD(passwordForSkipMould), Switch::Plain, Shown::Always},
    {4, 930, 335, 870, 341, nullptr, PARAM_FIELD(passwordForAddTemplate), Switch::Plain, Shown::Always},
    {4, 930, 390, 870, 556, nullptr, PARAM_FIELD(passwordForStop), Switch::Plain, Shown::Always},
    {4, 930, 445, 870, 201, nullptr, -1, Switch::SaveAll, Shown::Always},
    {4, 930, 500, 870, 457, nullptr, PARAM_FIELD(templateIsNgImage), Switch::Plain, Shown::Never},
    {4, 930, 555, 870, 470, nullptr, PARAM_FIELD(realtimeRoiDisplay), Switch::Plain, Shown::Always},
    {4, 930, 610, 720, 554, nullptr, PARAM_FIELD(statisticsEnabled), Switch::Plain, Shown::Always},
    {4, 930, 665, 870, 558, nullptr, PARAM_FIELD(logEnabled), Switch::Plain, Shown::Always},
    {4, 930, 720, 870, 579, nullptr, PARAM_FIELD(temperatureChartEnabled), Switch::Plain, Shown::Always},
};

// A combo box of the input/output page: place, size, items (text ids; -1 ends), field, shown.
struct ComboRow {
    int x;
    int y;
    int width;
    int items[4];
    int field;
    Shown shown;
};
inline const ComboRow kComboRows[] = {
    {765, 420, 130, {455, 404, 405, 406}, PARAM_FIELD(spareInputSubstitute), Shown::Always},
    {765, 480, 130, {455, 407, 408, 409}, PARAM_FIELD(spareOutputSubstitute), Shown::Always},
    {765, 540, 130, {204, 211, -1, -1}, PARAM_FIELD(outputRestState[0]), Shown::Factory},
    {765, 600, 130, {204, 211, -1, -1}, PARAM_FIELD(outputRestState[1]), Shown::Factory},
    {765, 660, 130, {204, 211, -1, -1}, PARAM_FIELD(outputRestState[2]), Shown::Factory},
    {765, 720, 130, {204, 211, -1, -1}, PARAM_FIELD(outputRestState[3]), Shown::Factory},
    {1630, 120, 160, {384, 385, 386, -1}, PARAM_FIELD(machineTypeEdited), Shown::Always},
    {1630, 180, 160, {376, 377, 383, -1}, PARAM_FIELD(mouldSide), Shown::BothMoulds},
};
inline const int kComPortField = PARAM_FIELD(comPort);
inline constexpr int kComPorts = 8;
inline constexpr int kBothSides = 2;

// The language names: each Chinese in its own script and English as it is, the same in every
// language, and Japanese under the name of the language shown (translated in the context
// "LanguageList").
inline const char* const kLanguageNames[] = {"简体中文", "English", "繁體中文", QT_TRANSLATE_NOOP("LanguageList", "日文")};

// Painted labels of the input/output page: text id, y, shown.
struct IOLabel {
    int textId;
    int y;
    Shown shown;
};
inline const IOLabel kIOLabels[] = {
    {203, 360, Shown::Always}, {334, 420, Shown::Always}, {273, 480, Shown::Factory},
    {274, 540, Shown::Factory}, {275, 600, Shown::Factory}, {281, 660, Shown::Factory},
};

// Asks `text` in the main window's shared question box (a box of its own without a main window);
// 1 for OK.
int askShared(const QString& text, QWidget* parent);
// Shows `text` in the main window's shared warning box (one of its own without a main window);
// the box's result.
int warnShared(const QString& text);

}  // namespace WizardTables
