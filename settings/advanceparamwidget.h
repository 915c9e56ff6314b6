// The advanced page of the settings dialog: parameter groups (backup, restore, delete), nine
// limits of detection and display, eleven switches, the password panel and the service buttons
// (USB export and update, exit, clock, touch calibration, factory archive). Values move only
// between the widgets and the edit copy; the buttons act at once. GUI thread only.
#pragma once

#include "settings/tabparamwidget.h"

#include <QDir>

#include <functional>

class CheckBox;
class ColorButton;
class ComboBox;
class Edit;
class EditBox;
class QDateTime;
class SystemParamDialog;

// How a settings screen asks and warns: the advanced page in boxes of its own, the settings
// wizard in the main window's shared boxes. `ask` is true for OK; `warn` gives the box's result.
struct ServiceBoxes {
    std::function<bool(const QString&)> ask;
    std::function<int(const QString&)> warn;
};

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

public:
    // The group commands, USB update and version library that the advanced page and the settings
    // wizard share; each screen passes its boxes and list.
    //
    // Backs up the working settings as group `name` (a name refused with a warning): asks,
    // runs `apply` (the screen's save and apply, whatever it answers), asks before it replaces a
    // listed group, then `refill`s the list for a new group, selects it and stores its index.
    static void backupGroupFrom(ComboBox* list, const QString& name, const ServiceBoxes& boxes,
                                const std::function<void()>& apply, const std::function<void()>& refill);
    // The default group is refused with a warning by both.
    // Removes the listed group from the store and then from the list after asking; nothing when
    // none is listed. The current group's index is moved so that it names the same group (-1 when
    // that group itself was deleted). A refused delete keeps the group listed and says why in a
    // warning and the operation log.
    static void deleteListedGroup(ComboBox* list, const ServiceBoxes& boxes);
    // Makes `index` the current group's index: in the active and the edit record, sysadd.txt and
    // Modbus read register 2.
    static void setCurrentGroupIndex(int index);
    // The same without sysadd.txt, which holds `index` already.
    static void takeCurrentGroupIndex(int index);
    // Takes a package chosen on the USB disk (file dialog over `parent` in font size `fontSize`)
    // as the pending package, after the update question; the disk is unmounted afterwards.
    static void updateFromUsbDisk(QWidget* parent, int fontSize, const ServiceBoxes& boxes);
    // The file dialog, the question and the copy of updateFromUsbDisk on the disk mounted at
    // `mountPoint`; false only when a chosen package could not be placed (damaged, of another
    // type, or not copied whole), `why` then saying why for the operator; true when the operator
    // stopped its check.
    static bool copyPackageFromDisk(QWidget* parent, int fontSize, const ServiceBoxes& boxes, const QString& mountPoint,
                                    QString* why);
    // PendingPackage::write with a notice over `parent` while it runs, whose "取消" stops the
    // copy and the check; `cancelled` says whether it was pressed.
    static bool placePackage(QWidget* parent, const QString& source, const QString& target, QString* why,
                             bool* cancelled);
    // The version library over `parent`, modal, or a warning when the server cannot be read;
    // `button` stays disabled unless the library or the warning ends with result 1.
    static void openVersionLibrary(QWidget* button, QWidget* parent, const ServiceBoxes& boxes);

private:
    ServiceBoxes boxes();
    // Mounts the USB disk, asking to insert one and try again while there is none; empty when
    // the operator gives up.
    static QString mountUsbDisk(const ServiceBoxes& boxes);
    // Cancel/OK question (true for OK), message box with OK, and warning (its result).
    bool ask(const QString& text);
    void inform(const QString& text);
    int warn(const QString& text);

    SystemParamDialog* m_dialog;
    // The group store (set when the values are loaded).
    QDir m_groupDir;
};
