// The system page of the settings dialog: check delays (tenths of a second), the cavity re-check
// count, filter size and alarm area, six function switches, the language switch (saves and
// restarts the machine), counter clearing and power off.
#pragma once

#include "settings/tabparamwidget.h"

class CheckBox;
class ColorButton;
class ComboBox;
class EditBox;
class SystemParamDialog;

class SystemParamWidget : public TabParamWidget {
    Q_OBJECT

public:
    // `parent` is the settings dialog, which the language change closes.
    explicit SystemParamWidget(QWidget* parent);

    void loadParam() override;
    void saveParam() override;

    // The value boxes and switches in the order of their table; the language list and the two
    // action buttons.
    static constexpr int kValueBoxes = 7;
    static constexpr int kSwitches = 6;
    EditBox* valueBoxes[kValueBoxes] = {};
    CheckBox* switches[kSwitches] = {};
    ComboBox* languageBox = nullptr;
    ColorButton* clearCountButton = nullptr;
    ColorButton* powerOffButton = nullptr;

public slots:
    // Asks, logs, makes `index` the language, applies and saves the settings, then reboots.
    void onLanguageChanged(int index);
    // Asks, then every counter of the main window goes to 0 (registers, log, count.txt).
    void onClearCount();
    // The dialog's power-off sequence.
    void powerOff();

private:
    SystemParamDialog* m_dialog;
};
