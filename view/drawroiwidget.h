// The region and template tool panel: the column that replaces the main menu in the side panel
// while an NG alarm is handled or regions are reviewed and edited. It arms the drawing modes of
// the camera views, switches what they show (templates, live, recent NG frames, record pictures),
// keeps the template library, saves the edited regions and offers the alarm-clearing actions.
// Works on the main window's editing state and every camera's edit region set. GUI thread only.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

class CammerSingleton;
class CammerWidget;
class ComboBox;
class QPushButton;

class DrawROIWidget : public QWidget {
    Q_OBJECT

public:
    static constexpr int kCameras = 8;

    // The panel with its widgets; the combo lists follow the camera count and the machine type
    // of the active parameters at this moment.
    explicit DrawROIWidget(QWidget* parent = nullptr);

public slots:
    // Shows the picture help on its alarm page.
    void SlotHelp();

public:
    // Prepares the editor: every camera's edit set and masks from its active ones, the detect
    // to edit, and the live source during an NG alarm, else the templates. Showing the panel is
    // the caller's business.
    void enterEditMode(bool togglePage);
    // Closes the editor without saving (an alarm was lifted): unsaved edits are dropped.
    void leaveEditMode();
    // Selects entry i of the source combo box (which switches the source when it changes).
    void setSource(int i);

    // The record picture shown in the record sources: its name without ".jpg", the picture, the
    // camera and detect of the folder listed last, how many pictures it holds (0: the views
    // paint none), 1 OK or 0 NG records, and the 0-based position of the picture shown.
    QString recordName;
    QImage recordImage;
    int recordCamera = 0;
    int recordDetect = 0;
    int recordCount = 0;
    int recordOk = 1;
    int recordIndex = 0;
    // Buttons shown on the template source: 0 the template page, 1 the region-editing page.
    int regionPage = 0;

    // The widgets, top to bottom.
    QPushButton* pCButtonReturn = nullptr;
    ComboBox* pComboChangeSource = nullptr;
    ComboBox* pComboChangeCamera = nullptr;
    ComboBox* pComboChangeDetect = nullptr;
    QPushButton* pCButtonChangeOp = nullptr;
    QPushButton* pCButtonEditArea = nullptr;
    QPushButton* pCButtonNoCheckCur = nullptr;
    QPushButton* pCButtonDrawRect = nullptr;
    QPushButton* pCButtonTempLast = nullptr;
    QPushButton* pCButtonAddTemp = nullptr;
    QPushButton* pCButtonDrawCircle = nullptr;
    QPushButton* pCButtonTempNext = nullptr;
    QPushButton* pCButtonDrawPloygn = nullptr;
    QPushButton* pCButtonTempDeleteCur = nullptr;
    QPushButton* pCButtonDrawHand = nullptr;
    QPushButton* pCButtonCopyArea = nullptr;
    QPushButton* pCButtonDeleteROI = nullptr;
    QPushButton* pCButtonReCheck = nullptr;
    QPushButton* pCButtonDeleteAllROI = nullptr;
    QPushButton* pCButtonAutoChange = nullptr;

    // Set when the editor is entered: the first switch to the template source takes fresh edit
    // copies of the active sets.
    bool editCopyStale = false;
    // Per camera: templates were added or deleted; the next SlotSaveData rebuilds its models.
    bool templatesChanged[kCameras] = {};

signals:
    // The caption of the picture now shown in the editor.
    void recentNgImg(QString imgInfo);

public slots:
    // Refreshes the button page.
    void SlotShowHide();
    // "完成设定": saves and closes the editor, or goes back to the live source during an alarm.
    void SlotReturn();
    // Source, camera and detect switching (drawroiwidget_source.cpp).
    void SlotChangeSource(int source);
    void SlotChangeCamera(int index);
    void SlotChangeDetect(int detect);
    // Toggles the template page and the region-editing page.
    void SlotChangeOp();
    // Region tools: arm copy, free-hand, rectangle, circle or polygon drawing (a second press of
    // the polygon button ends the polygon), delete the selected region or all regions.
    void SlotCopyArea();
    void SlotDrawHand();
    void SlotDrawRect();
    void SlotDrawCircle();
    void SlotDrawPloygn();
    void SlotDeleteROI();
    void SlotDeleteAllROI();
    // Template library and browsing (drawroiwidget_templates.cpp): previous, next, or picker row
    // n of the templates, recent NG frames or record pictures; delete the shown template or
    // every template of every camera (before re-sampling).
    void SlotTempLast();
    void SlotTempNext();
    void SlotTempList(int n);
    void SlotTempDeleteCur();
    void SlotTempDeleteAll();
    // Alarm clearing and saving (drawroiwidget_save.cpp).
    void SlotNoCheckCur();
    void SlotAddTemp();
    void SlotReCheck();
    // "实时↔模板": live and template in turn during an alarm.
    void SlotAutoChange();
    // Shows the widgets of the present source and state.
    void SlotChangePage();
    // Asks, logs, saves and retrains the cameras whose regions changed; rebuilds the template
    // models of cameras whose templates changed. False when a region table could not be written
    // (text 1 was shown; that camera's edits stay in its edit set).
    bool SlotSaveData();
    // Lists the record folder of the shown camera and detect and loads the picture shown.
    void LoadPic();
    // templateTimeText := modification time of template n of camera c, detect d.
    void GetTempTIme(int c, int d, int n);

private:
    // The view of the shown camera when one valid camera is shown, else null.
    CammerWidget* shownView() const;
    // Name of detect d as the machine type calls it ("左成品", "成品" ...).
    static QString detectName(int d);
    // The detects of one camera the editor works on.
    static int detectsInUse();
    // Arms drawing mode 1 (rectangle), 4 (circle) or 2 (here: free-hand) on the shown camera.
    void armDrawing(int drawMode);
    // Button captions that depend on the language and the mode.
    void setPolygonCaption(int textId);
    // Copies every camera's active regions and masks to its edit set and masks.
    void copyActiveToEdit();
    // Template slot currentTemplate of detect editDetect into the view's shown picture, with its
    // time and caption.
    void showTemplate(CammerWidget* view);
    // Recent NG frame recentNgShown of detect editDetect into the view, with its caption.
    void showRecentNg(CammerWidget* view);
    // The caption of the record source with the present record.
    void emitRecordCaption();
    // The edit set of the view differs from its active set, or an edit ignore mask from its
    // live mask.
    static bool cameraChanged(CammerWidget* view);
    // Saves one changed camera: log lines, active := edit, stored table, ignore masks; false
    // when the table could not be written (then nothing of it is taken over) or an ignore mask
    // could not be written (that detect keeps its earlier mask, the edit copy its edits).
    bool saveCamera(CammerWidget* view);
    // The live ignore masks become the edit copies (applied) or the edit copies the live masks
    // (dropped). Applying is false when a mask file could not be written.
    static bool applyEditIgnoreMasks(CammerWidget* view);
    static void dropEditIgnoreMasks(CammerWidget* view);
    // Slot a new template of detect t takes: a free slot, or the one the oldest replaceable
    // template file names; -1 when none can be used.
    int slotForNewTemplate(CammerWidget* view, int t);
    // Step to the previous or next valid template slot, recent NG frame or record picture.
    void stepImage(int step);
    // The password gate of adding a template or skipping the mould: `passwordFlag` asks for the
    // password box even without password protection.
    static bool passwordAccepted(int passwordFlag);
    // Warns with text `id` in the shared kind of box.
    static void warn(const QString& text);
    static bool confirm(const QString& question);
};
