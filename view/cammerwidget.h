// The live view of one camera with its region overlays and region editor; owns the camera's
// active and edit region sets, the frame buffers a frame passes through on its way to detection,
// the stored templates and ignore masks, and the results the detection engine writes.
#pragma once

#include <QWidget>

#include <opencv2/core/mat.hpp>

#include <vector>

class CameraInterface;
class CammerSingleton;
class DetectEngine;

class CammerWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRoiSlots = 400;
    static constexpr int kDetects = 8;
    // Boxes per region slot in ngRects: entry 0 holds the count, entries 1..99 the boxes.
    static constexpr int kNgRectEntries = 100;

    // A view of a W x H frame for camera `cameraIndex` with empty active and edit region sets,
    // its frame buffers (4 bytes a pixel when `colourFrames`), zeroed templates for the detects
    // below detectsPerCamera (templateLimit slots each, none valid) and empty ignore masks. No
    // camera is needed, so tests build views of any size.
    CammerWidget(int cameraIndex, int imageWidth, int imageHeight, QWidget* parent = nullptr,
                 bool colourFrames = false);
    ~CammerWidget() override;

    // The camera's temperature of region `region` of detect `detect`, rounded to an integer;
    // 0 without a camera or when the camera does not answer.
    int queryThermalRoi(int detect, int region);

    // The view's opened camera (not owned); null in a view built without one.
    CameraInterface* camera = nullptr;
    // The camera's detection engine, built over this view and roiSet; owned by the view.
    DetectEngine* engine = nullptr;

    // Index of the camera (0 for the first); names the region table cammer<n>.
    int cameraIndex;
    // Frame size in pixels, handed to the region shapes as "width" and "height".
    int imageWidth;
    int imageHeight;
    // imageWidth x imageHeight, and the bytes of one frame (four times that for colour frames).
    int pixelCount;
    int frameBytes;
    // Frames are 32-bit colour (bytes blue, green, red, 0) instead of one grey byte a pixel.
    bool colourFrames;

    // Masks of the active regions by slot detect * 50 + region, each the size of its region's
    // bounding rectangle; filled by CammerSingleton::load. The engine overwrites the masks of
    // ignore regions with the ignore points inside them.
    cv::Mat roiMask[kRoiSlots];
    // The same for the edit set, used by the preview.
    cv::Mat editRoiMask[kRoiSlots];
    // Active region set (read by detection) and edit set (changed by the region editor).
    CammerSingleton* roiSet;
    CammerSingleton* editRoiSet;

    // Frame buffers of frameBytes each: the newest raw frame, the frame after alignment and the
    // frame after position correction (inspected, shown, saved); allocated once.
    std::vector<unsigned char> grabBuffer;
    std::vector<unsigned char> alignedBuffer;
    std::vector<unsigned char> frameBuffer;
    // pixelCount bytes: the grey or hue conversion of a colour frame or template (colour only).
    std::vector<unsigned char> greyBuffer;

    // Per detect the template slots (frameBytes each); slot 0 is the reference of alignment and
    // positioning. templateValid: non-zero where the slot holds a template.
    std::vector<std::vector<unsigned char>> templates[kDetects];
    std::vector<int> templateValid[kDetects];
    int validTemplateCount[kDetects] = {};
    // Template slot shown in the region editor; the mono preview inspects it.
    int currentTemplate = 0;
    // Per detect pixelCount bytes, non-zero at ignored pixels.
    std::vector<unsigned char> ignoreMask[kDetects];

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
    // The preview pixels of the selected region are shown.
    bool previewActive = false;
};

// Registers "CammerSingleton *" with the meta-type system on the first call; returns its id.
int registerCammerSingletonMetaType();
