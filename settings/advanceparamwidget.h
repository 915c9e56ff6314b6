// The advanced page of the settings dialog: parameter groups (backup, restore, delete), nine
// limits of detection and display, eleven switches, the password panel and the service buttons
// (USB export and update, exit, clock, touch calibration, factory archive). Values move only
// between the widgets and the edit copy; the buttons act at once. GUI thread only.
#pragma once

#include "settings/tabparamwidget.h"

#include <QDir>

class CheckBox;
class ColorButton;
class ComboBox;
class Edit;
class EditBox;
class QDateTime;
class SystemParamDialog;

class AdvanceParamWidget : public TabParamWidget {
    Q_OBJECT

public:
    // `parent` is the settings dialog, whose save and apply the exit and the group backup run.
    explicit AdvanceParamWidget(QWidget* parent);

    // Widgets <- edit copy (the save-all switch from the main window), then the group store is
    // made when missing and the group list refilled.
    void loadParam() override;
    // Widgets -> edit copy; the save-all switch goes to the main window at once.
    void saveParam() override;

    // Refills the group list from the store, in its sorted order, without selecting the
    // current group.
    void ParaGroupUpdateList();

    static constexpr int kValueBoxes = 9;
    static constexpr int kSwitches = 11;

    Edit* groupNameEdit = nullptr;
    ComboBox* groupBox = nullptr;
    ColorButton* backupButton = nullptr;
    ColorButton* restoreButton = nullptr;
    ColorButton* deleteButton = nullptr;
    // Maximum offset, difference multiple, minimum spot, rotation, screen off, auto logout,
    // templates, NG and OK pictures kept.
    EditBox* valueBoxes[kValueBoxes] = {};
    CheckBox* switches[kSwitches] = {};
    Edit* newPasswordEdit = nullptr;
    Edit* confirmPasswordEdit = nullptr;
    ColorButton* changePasswordButton = nullptr;
    ColorButton* exportButton = nullptr;
    ColorButton* updateButton = nullptr;
    ColorButton* exitButton = nullptr;
    ColorButton* modifyTimeButton = nullptr;
    ColorButton* calibrateButton = nullptr;
    ColorButton* resetButton = nullptr;
    // Opens the version library (SlotToVerion).
    ColorButton* versionLibraryButton = nullptr;

public slots:
    // Saves and applies the settings, then copies PARAM.db and the template folders into the
    // group named in the edit (asking before it replaces one), and makes it the current group.
    void SlotParaGroupBackup();
    // Makes the listed group the current one and restarts the program with it.
    void SlotParaGroupRestore();
    // Removes the listed group from the store.
    void SlotParaGroupDelete();
    // Copies the install folder onto a USB disk, then empties the test pictures.
    void SlotExportData();
    // Takes an update package from a USB disk as the pending package for the next boot.
    void SlotUpdateApp();
    // Logs, saves and applies the settings, closes the cameras and ends the program.
    void SlotExit();
    // Opens the clock picker; its choice arrives in onModifyTimeConfirmed.
    void SlotModifyTime();
    // Runs the touch calibration, then reboots.
    void SlotCalibration();
    // Puts the typed password into the edit copy (the dialog's apply makes it active).
    void ChangePwd();
    // Stages the default group's factory archive as the pending package.
    void SlotRestoreFactorySet();
    // The version library of the update server, modal; a warning instead when the server cannot
    // be read. The button stays disabled until the library closes normally.
    void SlotToVerion();

    // The group picked in the list goes into the name edit.
    void onParaGroupSelected(int index);
    // Sets the system and hardware clocks to `time`, saves, logs and reboots.
    void onModifyTimeConfirmed(const QDateTime& time);

private:
    // Mounts the USB disk, asking to insert one and try again while there is none; empty when
    // the operator gives up.
    QString mountUsbDisk();
    // Cancel/OK question (true for OK), message box with OK, and warning.
    bool ask(const QString& text);
    void inform(const QString& text);
    void warn(const QString& text);

    SystemParamDialog* m_dialog;
    // The group store (set when the values are loaded).
    QDir m_groupDir;
};
