// The inspection engine of one camera: trains, per detect, the alignment model, the positioning
// model and the per-region template models from the stored templates; per frame aligns it,
// corrects its position and inspects every region of a detect with the region's tool, writing
// the results into the camera view and one round record into the result store. Also the live
// preview of one region for the region editor. GUI thread only, no lock.
#pragma once

#include "detection/positionmodel.h"
#include "detection/siftmodel.h"
#include "detection/templatemodel.h"
#include "detection/templatevectorset.h"

#include <opencv2/core.hpp>

#include <vector>

class CammerSingleton;
class CammerWidget;
class QRect;

class DetectEngine {
public:
    static constexpr int kDetects = 8;
    static constexpr int kRoisPerDetect = 50;
    static constexpr int kSlots = kDetects * kRoisPerDetect;
    // Region check results (also written to the operation log as "REG RUN ERROR").
    static constexpr int kRegionMaskEmpty = -1;
    static constexpr int kDetectMaskEmpty = -2;
    // The rectangle is empty or leaves the frame, or a mask or model of the region has another
    // size than the rectangle.
    static constexpr int kRegionUnusable = -3;

    // Builds every model empty, then trains each enabled detect (alignment, positioning,
    // templates). `roiSet` is the view's active set; both outlive the engine.
    DetectEngine(CammerSingleton* roiSet, CammerWidget* view);
    DetectEngine(const DetectEngine&) = delete;
    DetectEngine& operator=(const DetectEngine&) = delete;

    // Alignment model of detect d from template 0, features taken inside the angle-correction
    // regions (or the lower right three quarters of the frame). Mono cameras with angle
    // correction only.
    void trainAlignment(int d);
    // Positioning model, reference point and search window of detect d from template 0 inside
    // the first positioning region (or the lower right three quarters). Mono cameras with motion
    // correction only.
    void trainPositioning(int d);
    // Inspection mask, template brightness, ignore-region masks and the template models and
    // similarity vectors of every defect and similarity region of detect d.
    void prepareTemplates(int d);

    // Grab buffer -> aligned buffer, aligned onto template 0 when angle correction is on and the
    // camera is mono, otherwise (or when alignment fails) copied. Always true.
    bool alignFrame(int d);
    // Aligned buffer -> frame buffer for the main window's current detect.
    void correctPosition();
    // The same for detect d: the positioning target is searched in the window and the frame
    // shifted (or shifted and turned) onto the reference point; copied when not found.
    void correctPosition(int d);
    // Inspects every region of detect d on the frame buffer, writes the view's results, logs
    // region errors and hands the round record to the result store.
    void inspectDetect(int d);
    // Preview of region k of the edit set on the current image: NG pixels into the view's
    // ngPixels, the value into roiValue; no verdict. Nothing for an index outside the set.
    void evaluateRoi(int d, int k);

    // dst := 255 where low <= pixel <= high, else 0 (8-bit, the image's size).
    static void greyBandMask(cv::Mat image, cv::Mat& dst, int low, int high);

    CammerSingleton* roiSet;
    CammerWidget* view;
    // Per detect, frame-sized: 255 where the pixel is inspected, 0 at ignore points.
    cv::Mat detectMask[kDetects];
    TemplateModel templateModels[kSlots];
    TemplateVectorSet vectorSets[kSlots];
    SiftModel siftModels[kDetects];
    // Per detect: L2 norm of the last valid template (0 until computed).
    double templateNorm[kDetects] = {};
    PositionModel positionModels[kDetects];
    // Per detect: reference point (centre of the positioning rectangle) and search window
    // x, y, width, height (all 0 when empty or not trained).
    int refX[kDetects] = {};
    int refY[kDetects] = {};
    int searchWin[kDetects][4] = {};

private:
    // Grows `buffer` as needed and returns an 8-bit matrix of `size` over it: the per-region
    // masks reuse one allocation whatever the region sizes.
    static cv::Mat scratch(std::vector<unsigned char>& buffer, cv::Size size);

    // The rectangle has an area and lies inside the frame.
    bool insideFrame(const QRect& r) const;
    // The same, and `mask` is 8-bit of the rectangle's size.
    bool regionFits(const QRect& r, const cv::Mat& mask) const;
    // 0, or the error code of a region of detect d.
    int regionCheck(int d, const QRect& r, const cv::Mat& mask) const;
    bool modelFits(int slot, int tool, const QRect& r) const;
    const cv::Mat& ellipseKernel(int size);
    // The frame the tools read: the frame buffer (mono) or its grey/hue conversion (colour),
    // scaled to the template's brightness when that is switched on.
    cv::Mat inspectedFrame(int d);
    // Mono: the template itself; colour: its conversion in the grey buffer.
    cv::Mat templateGrey(int d, int slot);
    cv::Mat frameMat(std::vector<unsigned char>& buffer) const;
    void copyFrame(const std::vector<unsigned char>& from, std::vector<unsigned char>& to) const;
    // Opens N into M with a K x K ellipse (K 1 leaves N as it is) and writes M into ngPixels at r.
    cv::Mat openInto(const cv::Mat& ngMask, int kernel, const cv::Rect& r);
    // A band tool's NG pixels of `live` (region r of detect d, mask `regionMask`): the grey band
    // inside the effective mask, closed for the white count, opened, written into ngPixels.
    cv::Mat bandTool(const cv::Mat& live, const cv::Mat& regionMask, int d, const cv::Rect& r, int tool, int p1, int p2);
    void logRegionError(int d, int code) const;

    cv::Mat m_kernels[256];
    std::vector<unsigned char> m_effectiveBuffer;  // L: inspection mask AND region mask
    std::vector<unsigned char> m_ngBuffer;         // N: the tool's NG pixels
    std::vector<unsigned char> m_filteredBuffer;   // M: N after the opening
    std::vector<unsigned char> m_copyBuffer;       // contiguous copy of a similarity region
    std::vector<std::vector<cv::Point>> m_contours;
    cv::Mat m_scaledFrame;   // the brightness-matched frame; never the shown frame buffer
    cv::Mat m_searchWindow;  // copy of the positioning search window
};
