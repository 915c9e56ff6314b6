// The live view of one camera with its region overlays and region editor; owns the camera's
// active and edit region sets, the frame buffers a frame passes through on its way to detection,
// the stored templates and ignore masks, and the results the detection engine writes.
#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <opencv2/core/mat.hpp>

#include <vector>

class CameraInterface;
class CammerSingleton;
class ColorButton;
class ComboBox;
class DetectEngine;
class QLabel;
class QPainter;
class ROIInterface;
class Slider;

class CammerWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRoiSlots = 400;
    static constexpr int kDetects = 8;
    static constexpr int kRoisPerDetect = 50;
    // Boxes per region slot in ngRects: entry 0 holds the count, entries 1..99 the boxes.
    static constexpr int kNgRectEntries = 100;
    // Recent NG frames kept per detect.
    static constexpr int kRecentNgFrames = 3;
    // Points a free-hand or polygon outline can hold while it is drawn.
    static constexpr int kPolygonPoints = 8096;

    // The view of opened camera `camera` (not owned) for camera position `cameraIndex`, in the
    // camera cell `parent`: asks the camera for its size, pixel format, kind and identity, applies
    // the active camera settings, makes the frame buffers, loads the templates (a generated
    // template 0 where none is stored), loads the region set from PARAM.db, builds the detection
    // engine and starts grabbing. Needs activeParams.
    CammerWidget(QWidget* parent, int cameraIndex, CameraInterface* camera);
    // A view of a W x H frame for camera `cameraIndex` with empty active and edit region sets,
    // its frame buffers (4 bytes a pixel when `colourFrames`), zeroed templates for the detects
    // below detectsPerCamera (templateCountLimit slots each, none valid) and empty ignore masks. No
    // camera is needed, so tests build views of any size.
    CammerWidget(int cameraIndex, int imageWidth, int imageHeight, QWidget* parent = nullptr,
                 bool colourFrames = false);
    ~CammerWidget() override;

signals:
    // The view was pressed while all cameras are shown: show camera `cameraIndex` alone.
    void click(int cameraIndex);

public:

    // Takes the camera's newest frame into grabBuffer; true when one arrived since the last call.
    // In the run view and the live view (without external trigger) grabBuffer is also shown,
    // the previous frame again when none arrived. Called by the cycle on every tick.
    bool grabFrame();
    // editRoiMask := roiMask for every region slot of the detects in use (shared copies), and
    // editIgnoreMask := ignoreMask for those detects.
    void copyMasksToEdit();
    // roiMask := editRoiMask for the detects in use that CopyPara does not derive.
    void copyMasksFromEdit();
    // Pushes every camera value of the active parameters to the camera and restarts grabbing.
    void applyCameraParams();
    // Stops grabbing, sets the acquisition speed of the active parameters and starts again.
    void restartGrabbing();
    // Template slot n of detect d (frameBytes bytes), allocated zeroed on first use: a slot takes
    // memory only once a template is loaded or added into it. Valid flags are not touched.
    std::vector<unsigned char>& templateSlot(int d, int n);

    // The camera's temperature of region `region` of detect `detect`, rounded to an integer;
    // 0 without a camera or when the camera does not answer. `answered` (when given) tells
    // whether a thermal camera gave a reading: once one did not within a check, the rest of that
    // check's regions are not asked (each would cost the same wait) and read unanswered.
    int queryThermalRoi(int detect, int region, bool* answered = nullptr);
    // A check starts: a thermal camera that did not answer in an earlier one is asked again.
    void beginThermalReadings() { m_thermalSilentInCheck = false; }

    // ---- Result pictures, alarm blink and ignore masks (cammerwidget_result.cpp) ----
    // The annotated result picture of `detect` drawn over frameBuffer: the verdict (OK when
    // `ok`), the safety-door note when `safetyDoor`, every region of the active set outlined in
    // green or red with its label and the NG boxes of the failed ones. Notes the first NG region
    // for the image-save hand-over. A null image for a detect out of range.
    QImage renderResultPicture(int detect, bool ok, bool safetyDoor);
    // The label of region `region` of `detect`: "n:limits/value", or "n:value" when the detect
    // has more than 10 regions or the region starts within 165 pixels of the right edge.
    QString resultLabel(int detect, int region) const;
    // Writes the alarm-clearing note of record state `state` (4 to 8) onto the buffered picture
    // of (detect, slot) and returns the state that follows; other states change nothing.
    int writeClearingNote(int detect, int slot, int state);
    // Every detect's ignore mask from cammer<c><d>/ignorepoint.bmp; nothing is ignored when the
    // file is missing, of another size or cut short (a file there that cannot be used is named
    // in the log and the operation log). Called once, at construction.
    void loadIgnoreMasks();
    // Writes the detect's ignore mask as an 8-bit grey bitmap, whole or not at all. False (named
    // in the log and the operation log) when it could not be written: the earlier file stays.
    bool saveIgnoreMask(int detect);
    // Names a problem with a file of `detect` in the log and the operation log: text `textId` of
    // the text table with the camera, the check and the file for %1, %2 and %3. Returns the text.
    QString noteFileProblem(int textId, int detect, const QString& path) const;
    // Text ids of noteFileProblem.
    static constexpr int kTemplateZeroUnreadableText = 680;
    static constexpr int kIgnoreMaskUnreadableText = 681;
    static constexpr int kFileNotWrittenText = 682;
    static constexpr int kTemplateUnreadableText = 683;
public slots:
    // Renders the result picture of `detect` into its image-save buffer: slot 1 the OK picture,
    // 0 the NG picture (the verdict follows the slot).
    void SaveFailImage(int detect, int slot);
    // Writes the alarm-clearing note of the camera's record state of `detect` onto the buffered
    // picture of `slot` and moves the record state on.
    void UpdateFailImage(int detect, int slot);
    // The blink step of the NG pixels, driven by alarmTimer; ends at the next OK result.
    void TimerShowAlarm();
public:
    // ---- end of result pictures ----

public slots:
    // Derives the regions of the following detects from their leading detects in roiSet:
    // machine type 0 copies detect 0 to 1; types 1 and 2 copy 1 to 3, then 0 to 2.
    void CopyPara();

public:
    // Active region set (read by detection) and edit set (changed by the region editor).
    CammerSingleton* roiSet;
    CammerSingleton* editRoiSet;
    // The camera's detection engine, built over this view and roiSet; owned by the view.
    DetectEngine* engine = nullptr;

    // Index of the camera (0 for the first); names the region table cammer<n>.
    int cameraIndex;
    // The camera's serial text, its first 64 bytes (NUL-terminated when shorter).
    char serial[64] = {};
    // The camera driver's identifier.
    QString iid;
    // True from construction, cleared only when the camera is closed; no camera operation runs
    // while it is false.
    bool cameraOpen = true;
    // Frame size in pixels, handed to the region shapes as "width" and "height".
    int imageWidth;
    int imageHeight;
    // imageWidth x imageHeight, and the bytes of one frame (four times that for colour frames).
    int pixelCount;
    int frameBytes;
    // Frames are 32-bit colour (bytes blue, green, red, 0) instead of one grey byte a pixel.
    bool colourFrames;
    // Widget size / image size; 1.0 until the first resize.
    float imageScaleX = 1.0f;
    float imageScaleY = 1.0f;

    // Masks of the active regions by slot detect * 50 + region, each the size of its region's
    // bounding rectangle; filled by CammerSingleton::load. The engine overwrites the masks of
    // ignore regions with the ignore points inside them.
    cv::Mat roiMask[kRoiSlots];
    // The same for the edit set, used by the preview.
    cv::Mat editRoiMask[kRoiSlots];

    // The frame the view shows (frameBytes, zeroed), its 32-bit RGB conversion (pixelCount x 4)
    // and the image over that conversion (no copy).
    std::vector<unsigned char> displayBuffer;
    std::vector<unsigned char> rgbBuffer;
    QImage displayImage;
    // Frame buffers of frameBytes each: the newest raw frame, the frame after alignment and the
    // frame after position correction (inspected, shown, saved); allocated once.
    std::vector<unsigned char> grabBuffer;
    std::vector<unsigned char> alignedBuffer;
    std::vector<unsigned char> frameBuffer;
    // pixelCount bytes: the grey or hue conversion of a colour frame or template (colour only).
    std::vector<unsigned char> greyBuffer;

    // Drive the alarm blink and the once-a-second connection watch of the camera.
    QTimer alarmTimer;
    QTimer watchdogTimer;

    // Per detect: the alarm of this machine cycle was handled in the region panel.
    bool detectResolved[kDetects] = {};
    // Per detect: template re-sampling requested; the next sampling pass stores template 0.
    bool samplingPending[kDetects] = {};
    // Results of the last inspection (any detect) or preview, written by the engine.
    // The detect passed: every inspected region OK and no region in error.
    bool detectOk = true;
    // AND of the verdicts of the image regions, and of the temperature regions.
    bool imageRoisOk = true;
    bool tempRoisOk = true;
    // Per region slot: 1 OK, 0 NG.
    unsigned char roiOk[kRoiSlots];
    // Per region slot: the tool's value (area, count, score or temperature).
    int roiValue[kRoiSlots] = {};
    // Per region slot: [s][0][0] the box count n (0..99); [s][1..n] boxes x1, y1, x2, y2.
    int ngRects[kRoiSlots][kNgRectEntries][4] = {};
    // pixelCount bytes: 255 at the NG pixels of the last inspection or preview.
    std::vector<unsigned char> ngPixels;
    // Blink phase 0/1 of the NG-pixel overlay.
    int alarmBlink = 0;
    // The preview pixels of the selected region are shown.
    bool previewActive = false;
    // Frames received in the last second.
    int fps = 0;
    // The connection watch still finds the camera; the cycle stops the machine while it is false.
    bool cameraConnected = true;

    // Per detect pixelCount bytes, non-zero at ignored pixels.
    std::vector<unsigned char> ignoreMask[kDetects];
    // Per detect the template slots (templateCountLimit of them); slot n is the file template<n>.bmp.
    // A slot is empty until a template is loaded or added into it (templateSlot); slot 0, the
    // reference of alignment and positioning, always holds frameBytes bytes.
    // templateValid: non-zero where the slot holds a template.
    std::vector<std::vector<unsigned char>> templates[kDetects];
    std::vector<int> templateValid[kDetects];
    int validTemplateCount[kDetects] = {};
    // Per detect: its template0.bmp was there at start but could not be read, so slot 0 holds the
    // generated template. Every inspected region of the detect is NG until a new template 0 is
    // sampled (the models trained on the generated template would judge nothing real).
    bool templateZeroUnreadable[kDetects] = {};
    // Template slot shown in the region editor; the mono preview inspects it.
    int currentTemplate = 0;
    // Per detect the ring of the most recent NG frames (frameBytes each, zeroed), the index the
    // region panel shows and how many are stored.
    std::vector<unsigned char> recentNg[kDetects][kRecentNgFrames];
    int recentNgShown = 0;
    int recentNgCount[kDetects] = {};

    // Thermal camera (camera type 2), and the simulated camera (type 0).
    bool thermal = false;
    bool simulated = false;
    // Acquisition started and not stopped by the view.
    bool grabbing = false;
    // Number used in the next camera-loss log line.
    int lossCount = 1;
    // A grabbing camera that has delivered no frame for this many watch ticks (one a second) is
    // lost, whatever its driver reports; well above the longest frame interval the settings
    // allow (about 3.3 s: 100 ms exposure with every 33rd frame kept).
    static constexpr int kFrameSilenceTicks = 5;
    // The same limit in milliseconds, for waits outside the watch.
    static constexpr int kFrameSilenceLimitMs = kFrameSilenceTicks * 1000;
    // Frames grabFrame has taken from the camera since construction (each grab of the simulated
    // camera counts: it hands over its present picture every time).
    quint64 framesTaken = 0;
    // The cycle notes the mould-open edge: frames taken up to now show the mould before it.
    void markCycleStart() { m_framesAtCycleStart = framesTaken; }
    // A frame was taken after the last markCycleStart.
    bool hasFrameSinceCycleStart() const { return framesTaken > m_framesAtCycleStart; }
    // The camera gave no frame for the silence limit: it takes the camera-loss path (released,
    // logged, reconnection tried every watch tick), and comes back only once a reconnection has
    // succeeded and a frame has arrived after it. Nothing while it is already lost.
    void reportFrameSilence();
    // The view's opened camera (not owned); null in a view built without one.
    CameraInterface* camera = nullptr;

    // ---- Camera control and connection watch (cammerwidget_control.cpp) ----
    // Each setter passes one value of camera slot cameraIndex to the camera: from the edit copy
    // of the parameters when `edit`, else from the active copy. Nothing while the camera is closed.
    void applyExposure(bool edit);
    void applyGain(bool edit);
    void applySharpness(bool edit);
    void applyContrast(bool edit);
    void applyGamma(bool edit);
    void applyMirror(bool edit);
    void applyWdr(bool edit);
    // One-shot white balance; colour cameras only.
    void whiteBalanceOnce();
    // Hardware trigger mode on or off.
    void setTrigger(bool on);
    // Closes the camera; from then on the view leaves it alone (the watchdog too).
    void closeCamera();
    // Stops acquisition; the watchdog no longer questions the camera.
    void stopGrabbing();
    // The driver's own defaults, written into this camera's slot of the edit copy.
    void loadCameraDefaults();
    // Hands the active region set to a thermal camera, which measures its temperature regions.
    void sendRoiSetToCamera();
private:
    // The camera-loss steps of the watch: released, repainted, logged with the loss count.
    void markLost(bool silent);
    // Watch ticks in a row without a frame while grabbing; restarted whenever grabbing starts.
    int m_silentTicks = 0;
    // The camera was lost for its silence: a reconnection counts once a frame follows it.
    bool m_lostSilent = false;
    // Such a reconnection succeeded; waiting for its first frame.
    bool m_awaitingFrame = false;
    // Hardware trigger on: frames come only with a trigger, so silence means nothing.
    bool m_triggerMode = false;
    quint64 m_framesAtCycleStart = 0;
    // The thermal camera gave no reading in the present check; and it has been named in the log
    // as not answering (until it answers again).
    bool m_thermalSilentInCheck = false;
    bool m_thermalSilenceLogged = false;
public slots:
    // The connection watch, once a second: takes the frame count into fps, questions a grabbing
    // camera that sent nothing, releases and logs a lost one, and tries to reconnect a lost one
    // on every tick; a reconnected camera is logged and gets all its settings again.
    void TimerFPS();
public:
    // ---- end of camera control ----

    // ---- Painting (cammerwidget_paint.cpp) ----
    // displayBuffer was written: the shown picture is converted anew at the next paint, which is
    // scheduled. Every writer of displayBuffer calls it.
    void displayChanged();
    // The label of region `region` of `detect` of `set` as the view shows it:
    // "n: limits / value " for a detect of fewer than 11 regions, else "n: value".
    QString overlayLabel(const CammerSingleton& set, int detect, int region) const;

    // Region editing state (cammerwidget_pointer.cpp), read by the painting.
    // 0 idle, 1 drawing (a polygon or stroke, or dragging out a new rectangle or circle), 2 moving
    // a region, 3 resizing a rectangle or circle by a handle or dragging a polygon vertex, 5 a new
    // rectangle or circle pressed but not yet dragged.
    int editState = 0;
    // The rectangle or circle being drawn (editState 5 and 1); owned by the view until it becomes
    // a region, never one of the edit set's shapes.
    ROIInterface* newShape = nullptr;
    // The polygon or free-hand outline being drawn: its first polygonCount points, image pixels.
    std::vector<QPoint> polygonPoints = std::vector<QPoint>(kPolygonPoints);
    int polygonCount = 0;
    // 0 single move with the panel shown, 1 single move with the panel hidden, 2 all regions move
    // together.
    int moveMode = 0;
    // Index of the selected region of the edited detect; -1 none.
    int selectedRoi = -1;
    // The region selected before the last press outside it (the copy's source when none is
    // selected); -1 none.
    int lastSelectedRoi = -1;
    // Handle code of the resize or vertex drag in progress.
    int hitHandleIndex = -1;
    // A press holds a rectangle or circle: the new one (editState 5, 1) or the selected one
    // (editState 2, 3).
    bool shapePressed = false;
    // A polygon is being drawn, moved or has a vertex dragged.
    bool polygonActive = false;
    // The pointer is down in the editing view.
    bool mouseDown = false;
    // Image points: the last point a drag took, the point of the press or of the last drag step,
    // and where the operator last selected a region (the region switch looks there).
    QPoint lastPoint;
    QPoint pressPoint;
    QPoint lastSelectPoint;
    // Pointer position (widget pixels) of the last press, moved along while a drag pans the
    // zoomed picture.
    int pressX = 0;
    int pressY = 0;
    // The panel's anchor: the selected region's top-left, 26 pixels up (image pixels).
    int panelAnchorX = 0;
    int panelAnchorY = 0;
    // The part of the selected shape the size buttons act on (corner, radius, centre or vertex).
    int handleIndex = 0;
    // The panel shows the second values of a spot or temperature region.
    bool paramPage = false;
    // Per detect the ignore mask as the region editor changes it (pixelCount bytes), taken from
    // ignoreMask by copyMasksToEdit; the template source paints it. Deleting a region clears its
    // pixels here only, so detection and ignorepoint.bmp keep the saved mask until the edit is
    // saved.
    std::vector<unsigned char> editIgnoreMask[kDetects];

    // The image pixel under widget position `pos` as the present image source draws it (the
    // window's zoom and pan only for the sources drawn zoomed), held inside the image.
    QPoint imagePoint(const QPoint& pos) const;
    // Region `region` of the edited detect is taken out of the edit set: the regions after it
    // move down one slot with their parameters, masks and output channels, and its bounding
    // rectangle is cleared in the detect's edit ignore mask. The caller deselects afterwards.
    void deleteRoi(int region);
    // Ends any drawing and clears the selection.
    void deselectRoi();
    // selectedRoi := the first region of the edited detect that is selected; whether there is one.
    bool findSelectedRoi();

public slots:
    // Turns newShape into a new region of the edited detect, selected.
    void SaveNewROI();
    // Turns the collected points into a new polygon region (at least 3 points; a full detect is
    // refused with text 36).
    void SavePolygon();
    // After the operator confirms, a copy of the selected region (or the one selected last)
    // centred on image point `p`.
    void SlotCopyArea(QPoint p);
    // Selects the next region under the point where a region was last selected.
    void SlotNextROI();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // While this camera is shown alone a press or move sets the main window's zoom centre to the
    // pointed image point. While all cameras are shown a press selects this camera (click); in
    // the editing view it places a copy, draws, selects, or grabs the selected region.
    void mousePressEvent(QMouseEvent* event) override;
    // In the editing view: drags out a new shape, moves or resizes the selected region, collects
    // a free-hand stroke, and sets the cursor over regions and handles. Elsewhere, with the pan
    // buttons out, dragging with the left button pans the zoomed run or live picture along one
    // axis.
    void mouseMoveEvent(QMouseEvent* event) override;
    // In the editing view: ends a drawing, move or resize and lays out the parameter panel.
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The editing view: the template source, with this camera shown alone.
    bool editingView() const;
    // The shape list of the edited detect in the edit set (made when the set has none yet), and
    // the selected shape of it or null.
    QList<ROIInterface*>& editedShapes();
    ROIInterface* selectedShape();
    int editedDetect() const;
    // Tool type and parameters of new region `region` of the edited detect.
    void setNewRegionParams(int region);
    // After a move: a rectangle or circle is shifted into the 3-pixel band (keep-size clamp), a
    // polygon is shifted there as a whole, its vertices clamped only where it is too large.
    void keepInsideBand(ROIInterface& shape);
    // The mask of region `region`'s shape into editRoiMask and the panel anchor to its top-left.
    void regionChanged(int region);
    // Selects region `region` (unselecting the one before) at the press point `p`.
    void selectRegion(int region, const QPoint& p);
    // Ends the drawing mode: the drawn shape is dropped, the window's drawing mode back to 0.
    void endDrawing();
    // The 51st region is refused with text 36.
    static void warnRegionLimit();
    // The editing branches of the pointer handlers, at image point `p`. A press answers whether
    // QWidget's own press handling follows (not after placing a copy).
    bool pressInEditor(const QPoint& p);
    void moveInEditor(const QPoint& p);
    void releaseInEditor();
    // ---- end of region editing ----

    // ---- Region parameter panel (cammerwidget_panel.cpp) ----
public:
    // Places, labels, fills and shows or hides the panel for the present selection; a stored
    // parameter outside its slider's range is written back clamped.
    void layoutParamPanel();

    // The panel's widgets, children of the view, made hidden at construction.
    Slider* minWHSlider = nullptr;
    Slider* sensitivitySlider = nullptr;
    Slider* areaSlider = nullptr;
    QLabel* funcLabel = nullptr;
    ColorButton* funcButton = nullptr;
    ColorButton* paraSwitchButton = nullptr;
    ComboBox* outNCombo = nullptr;
    ColorButton* objectButton = nullptr;
    ColorButton* add10Button = nullptr;
    ColorButton* add1Button = nullptr;
    ColorButton* sub1Button = nullptr;
    ColorButton* sub10Button = nullptr;
    ColorButton* nextRoiButton = nullptr;
    ColorButton* moveUpButton = nullptr;
    ColorButton* moveDownButton = nullptr;
    ColorButton* moveLeftButton = nullptr;
    ColorButton* moveRightButton = nullptr;
    ColorButton* moveAllButton = nullptr;

public slots:
    // The three parameter sliders: store the value into the selected region (by its tool type
    // and the page) and preview the region on the present image.
    void SlotMinWH(int value);
    void SlotSensitivity(int value);
    void SlotArea(int value);
    // Output channel (combo index 0..8) of the selected region of the product check.
    void SlotOutN(int index);
    // The next tool type the settings offer, with its starting parameters.
    void SlotChangeFunc();
    // Switches between the two pages of a spot or temperature region.
    void SlotChangeParaShow();
    // The next part of the shape for the size buttons.
    void SlotChangeObject();
    // Size buttons: SlotSize with the step codes 0, 1, 2, 3.
    void SlotAdd10();
    void SlotAdd1();
    void SlotSub1();
    void SlotSub10();
    // One step of the selected part of the selected shape, clamped to the frame.
    void SlotSize(int step);
    // Moves the selected region (all regions in move mode 2) by (dx, dy) image pixels.
    void SlotMove(int dx, int dy);
    void SlotMoveT();
    void SlotMoveB();
    void SlotMoveL();
    void SlotMoveR();
    // Steps the move mode: single with the panel, single without it, all regions.
    void SlotMoveAll();

private:
    void makeParamPanel();
    // Every widget of the panel, in the order they are made.
    std::vector<QWidget*> panelWidgets() const;
    // Resets `slider` for parameter `param` of the selected region and writes the slider's value
    // back when the range held the stored value off; false when the tool has no such parameter.
    bool setParamSlider(Slider* slider, int param);
    // Stores a slider's value into parameter `param` of the selected region and runs the preview.
    void sliderMoved(int param, int value);
    int* selectedParam(int param);
    // ---- end of region parameter panel ----

private:
    // The shown picture up to date with displayBuffer and free of marks: converted in full when
    // displayBuffer changed, else only the rectangles marked by the last paint are restored.
    void refreshShownFrame();
    // Converts `area` (clipped to the image) of displayBuffer into the shown picture.
    void convertShownRows(const QRect& area);
    // Sets the pixels of `bounds` (clipped to the image) whose byte in `source` (pixelCount
    // bytes) is non-zero to `colour` in the shown picture.
    void markPixels(const QRect& bounds, const std::vector<unsigned char>& source, quint32 colour);
    // Overlay steps after the picture: outlines, labels and size hints of the regions, the
    // shape being drawn and the editor's legend.
    void paintRegions(QPainter& painter, const CammerSingleton& set, int detect, int alarmState);
    void paintSizeHints(QPainter& painter, const CammerSingleton& set, int slot, const QRect& bounds);
    void paintNewShape(QPainter& painter, int drawMode);
    void paintLegend(QPainter& painter);

    // displayBuffer as 32-bit RGB, the picture the view draws; kept between paints, so a paint
    // without a new frame converts nothing. Separate from rgbBuffer, which the result pictures
    // overwrite.
    std::vector<unsigned char> m_shownBuffer;
    QImage m_shownImage;
    bool m_shownStale = true;
    // Rectangles of the shown picture that the last paint marked (NG, ignored, preview pixels).
    std::vector<QRect> m_markedAreas;
    // ---- end of painting ----

private:
    // Sets the main window's zoom centre from the pointer at `at` when this camera is shown alone.
    void readPointer(const QPoint& at);
    // Sizes and zeroes the per-detect storage that both constructors share.
    void allocateDetectStorage();
    // Template slots of every detect in use from cammer<c><d>/template<n>.bmp; a detect without
    // a usable template 0 gets the generated one. A file there that cannot be read (cut short,
    // another size or depth) is named; temporary files of cut writes are removed.
    void loadTemplates();
    // Template 0 of detect d: white (255) on the middle half in each direction, black elsewhere.
    void generateTemplateZero(int d);
    // Copies detect `from` of roiSet and its masks onto detect `to` (not the output channels).
    void copyDetect(int from, int to);

    // ---- Template sampling (cammerwidget_sampling.cpp) ----
public slots:
    // The present raw frame becomes template 0 of `detect`, in memory and in
    // ./cammer<camera><detect>/template0.bmp (whole or not at all; a failed write is named and
    // keeps the earlier file); it is shown as the view's frame.
    void SaveReTrainImage(int detect);
};

// Registers "CammerSingleton *" with the meta-type system on the first call; returns its id.
int registerCammerSingletonMetaType();
