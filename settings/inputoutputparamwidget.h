// The input/output page of the settings dialog: machine signal timings, the spare input and
// output, output rest states, output-behaviour switches, the machine type with its mould side,
// and the IO board's serial port. Acts only through the apply step.
#pragma once

#include "settings/tabparamwidget.h"

class CheckBox;
class ComboBox;
class EditBox;

class InputOutputParamWidget : public TabParamWidget {
    Q_OBJECT

public:
    explicit InputOutputParamWidget(QWidget* parent);

    void loadParam() override;
    void saveParam() override;

    static constexpr int kValueBoxes = 6;
    static constexpr int kCombos = 7;   // spare input, spare output, rest states of outputs 1..5
    static constexpr int kSwitches = 13;
    EditBox* valueBoxes[kValueBoxes] = {};
    ComboBox* combos[kCombos] = {};
    CheckBox* switches[kSwitches] = {};
    ComboBox* machineTypeBox = nullptr;
    ComboBox* mouldSideBox = nullptr;
    ComboBox* comPortBox = nullptr;

public slots:
    // The mould side is chosen only on the two-station machines (index 1 and 2).
    void onMachineTypeChanged(int index);
};
