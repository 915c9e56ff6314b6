// The older settings screen: one 1800 x 950 widget over the main window whose controls for the
// system, camera, input/output and advanced settings and the operation record are all built at
// once and shown by page, with a page bar along the bottom. It edits the edit copy of the system
// parameters (camera values live), applies it on Confirm, and carries the machine-level service
// commands. Built hidden by the main window; GUI thread only.
#pragma once

#include <QDir>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QWidget>

class CammerWidget;
class CheckBox;
class ColorButton;
class ComboBox;
class Edit;
class EditBox;
class IOWidget;
class ModifyTimeWidget;
class QListWidget;
class QListWidgetItem;
class QPainter;
class QSqlTableModel;
class QTableView;
class QTimer;

class WizardParaWidget : public QWidget {
    Q_OBJECT

public:
    // Pages (2, the network page, is never shown).
    enum Page { SystemPage = 0, CameraPage = 1, IOPage = 3, AdvancedPage = 4, RecordPage = 5 };
    // When a control of a page is shown.
    enum class Shown {
        Always,
        WithoutDetails,  // while "显示算法详细参数" is unchecked
        Factory,         // while "显示厂家参数" is checked
        FactoryFull,     // ... and not in the simple display
        Full,            // not in the simple display
        BothMoulds,      // while the machine type is two-colour or turntable
        Never,
    };

    // `parent` is the main window; the wizard centres itself on the screen.
    explicit WizardParaWidget(QWidget* parent = nullptr);
    ~WizardParaWidget() override;

    // Every control from the edit copy, camera slot 0, complete display; then the page.
    void loadFromParams();
    void setReCheckLabel(const QString& text);

    // The value box, check box or combo box of record field `field` (for a camera value, the
    // field of camera slot 0); null when the wizard has none.
    EditBox* valueBox(int field) const;
    CheckBox* checkBox(int field) const;
    ComboBox* comboBox(int field) const;

    int currentPage = 0;
    int currentCamera = 0;
    int simpleDisplay = 0;
    // First word of serialNB.txt, painted in the title bar.
    QString serialText;
    QDir paraGroupStore;
    // "dbList": the archived day files of the record page.
    QSqlDatabase recordDb;
    QSqlTableModel* recordModel = nullptr;
    QTimer* autoExposeTimer;
    IOWidget* ioDialog;
    ModifyTimeWidget* modifyTimeDialog;

    // The page bar: system, camera, network, input/output, advanced, Confirm.
    ColorButton* pageButtons[6] = {};
    CheckBox* saveAllBox = nullptr;
    ComboBox* languageCombo = nullptr;
    ComboBox* groupCombo = nullptr;
    Edit* groupNameEdit = nullptr;
    Edit* newPasswordEdit = nullptr;
    Edit* confirmPasswordEdit = nullptr;
    ColorButton* showModeButton = nullptr;
    ColorButton* versionButton = nullptr;
    QListWidget* dayList = nullptr;
    QTableView* recordTable = nullptr;
    // The wizard's buttons by their text id (the record, clock and calibration buttons too).
    ColorButton* button(int textId) const;

public slots:
    // Confirm: the controls into the edit copy, the checks, the change log, save and re-apply.
    void accept();
    // Live camera values of camera slot currentCamera: into the edit copy and onto the camera.
    void SetExposeTime(int v);
    void SetAdjust(int v);
    void SetSharp(int v);
    void SetContrast(int v);
    void SetGamma(int v);
    void SetAutoExp(int v);
    void SetAutoWDR(int state);
    void SetDistance(int v);
    void SetTemperature(int v);
    void ResetTotal();
    void ChangePwd();
    void SlotUpdateApp();
    // The export button does nothing.
    void SlotExportData();
    void SlotTuneCamera();
    void DoChangePage();
    void SlotRestoreDefaultSettings();
    void SlotChangeShowMode();
    void SlotChangeCamera();
    void SlotAutoExposeTime();
    void SlotAutoExposeTimeTimeout();
    void SlotToRecord();
    void SlotShutDown();
    void SlotChangeLan(int index);
    void SlotExit();
    void UpdateRecord(QListWidgetItem* item);
    void SlotParaGroupBackup();
    void SlotParaGroupRestore();
    void SlotParaGroupDelete();
    void SlotParaGroupChange(int index);
    void ParaGroupUpdateList();
    void SlotToCommon();
    void SlotToCamera();
    void SlotToNetwork();
    void SlotToIO();
    void SlotToAdvance();
    void SlotClearRecord();
    void SlotModifyTime();
    void SlotCalibration();
    void SlotChangeSysFun(int index);
    void SlotShowIOWidget();
    void SlotShowCustomIONameWidget();
    void SlotRestoreFactorySet();
    void SlotToVerion();
    int GetoutSet();
    void color_mode_actived(int index);
    void on_checkBox_high_warm_clicked(bool checked);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Control {
        QWidget* widget;
        int page;
        Shown shown;
    };
    void buildPageBar();
    void buildValueBoxes();
    void buildCheckBoxes();
    void buildComboBoxes();
    void buildButtons();
    void buildAdvancedEdits();
    void buildRecordPage();
    void addControl(QWidget* widget, int page, Shown shown);
    bool isShown(const Control& control) const;
    // The camera value boxes take the values of camera slot currentCamera from the edit copy.
    void loadCameraBoxes();
    // The controls into the edit copy (the apply's first step).
    void writeControls();
    // Sets one camera value of slot currentCamera in the edit copy and sends it to the camera.
    void setCameraValue(int firstField, int value, void (CammerWidget::*apply)(bool));
    CammerWidget* currentView() const;
    void paintPage(QPainter& painter);

    QList<Control> m_controls;
    QList<EditBox*> m_valueBoxes;
    QList<CheckBox*> m_checkBoxes;
    QList<ComboBox*> m_comboBoxes;
    QList<ColorButton*> m_buttons;
    QList<int> m_buttonTextIds;
    CheckBox* m_detailsBox = nullptr;
    CheckBox* m_factoryBox = nullptr;
    CheckBox* m_colourBox = nullptr;
    ComboBox* m_machineTypeCombo = nullptr;
    ComboBox* m_mouldSideCombo = nullptr;
};
