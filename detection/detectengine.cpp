#include "detection/detectengine.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/pixelconvert.h"
#include "detection/roiinterface.h"
#include "detection/tooltype.h"
#include "mainwindow/mojuwizard.h"
#include "records/temperaturechartdata.h"
#include "view/cammerwidget.h"

#include <QDateTime>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

int lowByte(int v)
{
    return v & 255;
}

int secondByte(int v)
{
    return (v >> 8) & 255;
}

// The low 16 bits read as a signed number (temperature limits are stored that way).
int lowHalf(int v)
{
    return static_cast<int16_t>(v & 0xFFFF);
}

cv::Rect toCv(const QRect& r)
{
    return cv::Rect(r.x(), r.y(), r.width(), r.height());
}

// Regions of detect d that the set really holds (count and list agree after every change, but a
// count from a damaged table must not index past the list).
int regionCount(const CammerSingleton& set, int d)
{
    if (d < 0 || d >= CammerSingleton::kDetects || d >= set.rois.size())
        return 0;
    return std::clamp(std::min(set.roiCount[d], static_cast<int>(set.rois[d].size())), 0,
                      CammerSingleton::kRoisPerDetect);
}

// Morphology kernel sizes come from the database and the settings: 1 .. the region's longer
// side, and at most 255.
int kernelSize(int k, const cv::Rect& r)
{
    return std::clamp(k, 1, std::max(1, std::min(std::max(r.width, r.height), 255)));
}

// The grey band of a band tool; false for the tools without one.
bool toolBand(int tool, int p1, int p2, int& low, int& high)
{
    switch (tool) {
    case ToolType::Defect:
    case ToolType::Ignore:
    case ToolType::Position:
    case ToolType::Similarity:
    case 8:
    case ToolType::Temperature:
    case ToolType::AngleCorrect:
        return false;
    case ToolType::Spot:
        low = std::min(lowByte(p1), secondByte(p1));
        high = std::max(lowByte(p1), secondByte(p1));
        return true;
    case ToolType::BlackArea:
        low = 0;
        high = lowByte(p2);
        return true;
    default:  // white area, white count, 11 and unknown values
        low = lowByte(p2);
        high = 255;
        return true;
    }
}

// Opening kernel of a band tool: the white count's own P1, the minimum spot size otherwise.
int bandKernel(int tool, int p1, const SystemParam& p)
{
    return tool == ToolType::WhiteCount ? std::max(p1, 1) : p.minSpot;
}

bool isBandTool(int tool)
{
    int low = 0;
    int high = 0;
    return toolBand(tool, 0, 0, low, high);
}

bool notInspected(int tool)
{
    return tool == ToolType::Ignore || tool == ToolType::Position || tool == ToolType::AngleCorrect;
}

}  // namespace

DetectEngine::DetectEngine(CammerSingleton* set, CammerWidget* owner)
    : roiSet(set)
    , view(owner)
{
    for (int d = 0; d < kDetects; ++d) {
        if (!activeParams->detectEnabled[d])
            continue;
        trainAlignment(d);
        trainPositioning(d);
        prepareTemplates(d);
    }
}

cv::Mat DetectEngine::scratch(std::vector<unsigned char>& buffer, cv::Size size)
{
    const size_t bytes = static_cast<size_t>(size.area());
    if (buffer.size() < bytes)
        buffer.resize(bytes);
    return cv::Mat(size, CV_8UC1, buffer.data());
}

cv::Mat DetectEngine::frameMat(std::vector<unsigned char>& buffer) const
{
    return cv::Mat(view->imageHeight, view->imageWidth, CV_8UC1, buffer.data());
}

void DetectEngine::copyFrame(const std::vector<unsigned char>& from, std::vector<unsigned char>& to) const
{
    std::memcpy(to.data(), from.data(), static_cast<size_t>(view->frameBytes));
}

bool DetectEngine::insideFrame(const QRect& r) const
{
    // Compared without adding to the stored corner, which may be near the int limit.
    return r.width() >= 1 && r.height() >= 1 && r.x() >= 0 && r.y() >= 0 && r.x() <= view->imageWidth - r.width() &&
           r.y() <= view->imageHeight - r.height();
}

bool DetectEngine::regionFits(const QRect& r, const cv::Mat& mask) const
{
    return insideFrame(r) && !mask.empty() && mask.type() == CV_8UC1 && mask.cols == r.width() &&
           mask.rows == r.height();
}

int DetectEngine::regionCheck(int d, const QRect& r, const cv::Mat& mask) const
{
    if (mask.empty())
        return kRegionMaskEmpty;
    if (detectMask[d].empty())
        return kDetectMaskEmpty;
    if (!regionFits(r, mask))
        return kRegionUnusable;
    return 0;
}

bool DetectEngine::modelFits(int slot, int tool, const QRect& r) const
{
    const cv::Size size(r.width(), r.height());
    if (tool == ToolType::Defect && templateModels[slot].isTrained())
        return templateModels[slot].upperLimits().size() == size;
    if (tool == ToolType::Similarity && !vectorSets[slot].maskSize().empty())
        return vectorSets[slot].maskSize() == size;
    return true;
}

const cv::Mat& DetectEngine::ellipseKernel(int size)
{
    cv::Mat& k = m_kernels[size];
    if (k.empty())
        k = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(size, size));
    return k;
}

cv::Mat DetectEngine::templateGrey(int d, int slot)
{
    unsigned char* data = view->templates[d][slot].data();
    if (!view->colourFrames)
        return cv::Mat(view->imageHeight, view->imageWidth, CV_8UC1, data);
    if (greyChannelInUse)
        rgb32ToGray(view->greyBuffer.data(), data, view->imageWidth, view->imageHeight);
    else
        rgb32ToHue(view->greyBuffer.data(), data, view->imageWidth, view->imageHeight);
    return frameMat(view->greyBuffer);
}

void DetectEngine::trainAlignment(int d)
{
    if (d < 0 || d >= kDetects || !activeParams->angleCorrection || view->colourFrames || view->templates[d].empty())
        return;
    const int W = view->imageWidth;
    const int H = view->imageHeight;
    const cv::Mat templ = frameMat(view->templates[d][0]);
    cv::Mat mask(H, W, CV_8UC1, cv::Scalar(0));

    bool anyRegion = false;
    bool lastUsable = false;
    const int n = regionCount(*roiSet, d);
    for (int k = 0; k < n; ++k) {
        const int s = d * kRoisPerDetect + k;
        if (roiSet->toolType[s] != ToolType::AngleCorrect)
            continue;
        const QRect& r = *roiSet->rois[d][k];
        anyRegion = true;
        // A region outside the frame or with a mask of another size is left out.
        lastUsable = regionFits(r, view->roiMask[s]);
        if (lastUsable)
            view->roiMask[s].copyTo(mask(toCv(r)));
    }
    if (!anyRegion || !lastUsable)
        mask(cv::Rect(W / 4, H / 4, 3 * W / 4, 3 * H / 4)).setTo(255);
    // Fewer than 300 keypoints still serve for alignment.
    siftModels[d].train(templ, mask, 300);
}

void DetectEngine::trainPositioning(int d)
{
    const SystemParam& p = *activeParams;
    if (d < 0 || d >= kDetects || p.motionCorrection == -1 || view->colourFrames || view->templates[d].empty())
        return;
    const int W = view->imageWidth;
    const int H = view->imageHeight;

    // The first positioning region; without a usable one the lower right three quarters.
    cv::Rect r(W / 4, H / 4, 3 * W / 4, 3 * H / 4);
    cv::Mat mask;
    const int n = regionCount(*roiSet, d);
    for (int k = 0; k < n; ++k) {
        const int s = d * kRoisPerDetect + k;
        if (roiSet->toolType[s] != ToolType::Position)
            continue;
        const QRect& region = *roiSet->rois[d][k];
        if (regionFits(region, view->roiMask[s])) {
            r = toCv(region);
            mask = view->roiMask[s].clone();
        }
        break;
    }
    if (mask.empty())
        mask = cv::Mat(r.size(), CV_8UC1, cv::Scalar(255));

    refX[d] = r.x + r.width / 2;
    refY[d] = r.y + r.height / 2;
    const int angle = (p.rotationCorrection >= 1 && p.rotationCorrection <= 180) ? p.rotationCorrection
                                                                                   : p.motionCorrection;
    const cv::Mat templ = frameMat(view->templates[d][0]);
    positionModels[d].setup(templ(r), 0, 0, angle, refX[d], refY[d], 255, mask, 0);

    const int m = p.maxOffset;
    const int left = std::max(r.x - m, 0);
    const int top = std::max(r.y - m, 0);
    const int right = std::min(W, r.x + r.width + m);
    const int bottom = std::min(H, r.y + r.height + m);
    if (right - left > 0 && bottom - top > 0) {
        searchWin[d][0] = left;
        searchWin[d][1] = top;
        searchWin[d][2] = right - left;
        searchWin[d][3] = bottom - top;
    } else {
        std::fill(std::begin(searchWin[d]), std::end(searchWin[d]), 0);
    }
}

void DetectEngine::prepareTemplates(int d)
{
    if (d < 0 || d >= kDetects)
        return;
    const int W = view->imageWidth;
    const int H = view->imageHeight;
    for (int k = 0; k < kRoisPerDetect; ++k) {
        const int s = d * kRoisPerDetect + k;
        if (templateModels[s].isTrained())
            templateModels[s].reset();
        vectorSets[s].clearVectors();
    }

    // Inspected where the ignore mask is 0; an ignore mask of the wrong size ignores nothing.
    const std::vector<unsigned char>& ignore = view->ignoreMask[d];
    const bool haveIgnore = static_cast<int>(ignore.size()) == view->pixelCount;
    const cv::Mat ignorePoints = haveIgnore ? cv::Mat(H, W, CV_8UC1, const_cast<unsigned char*>(ignore.data())) : cv::Mat();
    if (haveIgnore)
        cv::compare(ignorePoints, 0, detectMask[d], cv::CMP_EQ);
    else
        detectMask[d] = cv::Mat(H, W, CV_8UC1, cv::Scalar(255));

    // Valid template slots in slot order, at most validTemplateCount of them.
    std::vector<int> validSlots;
    const int limit = std::min(templateCountLimit, static_cast<int>(view->templates[d].size()));
    for (int j = 0; j < limit && static_cast<int>(validSlots.size()) < view->validTemplateCount[d]; ++j) {
        if (j < static_cast<int>(view->templateValid[d].size()) && view->templateValid[d][j])
            validSlots.push_back(j);
    }
    if (!validSlots.empty())
        templateNorm[d] = cv::norm(templateGrey(d, validSlots.back()), cv::NORM_L2);
    if (view->templateZeroUnreadable[d])
        qWarning("camera %d detect %d trained without its template 0 (the file could not be read): its regions stay NG",
                 view->cameraIndex + 1, d + 1);

    // The view draws the ignore points of each ignore region.
    const int n = regionCount(*roiSet, d);
    for (int k = 0; k < n; ++k) {
        const int s = d * kRoisPerDetect + k;
        const QRect& r = *roiSet->rois[d][k];
        if (roiSet->toolType[s] != ToolType::Ignore || !insideFrame(r))
            continue;
        view->roiMask[s] = haveIgnore ? ignorePoints(toCv(r)).clone() : cv::Mat::zeros(r.height(), r.width(), CV_8UC1);
    }

    // Defect and similarity regions: effective mask, then every valid template once (a colour
    // template is converted once for all regions), then the models.
    std::vector<int> trained;
    cv::Mat effective;
    for (int k = 0; k < n; ++k) {
        const int s = d * kRoisPerDetect + k;
        const int tool = roiSet->toolType[s];
        const QRect& r = *roiSet->rois[d][k];
        if ((tool != ToolType::Defect && tool != ToolType::Similarity) || !regionFits(r, view->roiMask[s]))
            continue;
        cv::bitwise_and(detectMask[d](toCv(r)), view->roiMask[s], effective);
        if (tool == ToolType::Similarity)
            vectorSets[s].setMask(r.width(), r.height(), effective);
        else
            templateModels[s].init(r.width(), r.height(), effective, 0);
        trained.push_back(k);
    }
    if (trained.empty())
        return;
    for (int j : validSlots) {
        const cv::Mat templ = templateGrey(d, j);
        for (int k : trained) {
            const int s = d * kRoisPerDetect + k;
            const cv::Mat part = templ(toCv(*roiSet->rois[d][k]));
            if (roiSet->toolType[s] == ToolType::Similarity)
                vectorSets[s].addTemplate(part);
            else
                templateModels[s].addSample(part);
        }
    }
    for (int k : trained) {
        const int s = d * kRoisPerDetect + k;
        if (roiSet->toolType[s] == ToolType::Similarity)
            vectorSets[s].buildVectors();
        else
            templateModels[s].learn(roiSet->sensitivity[s], activeParams->differenceMultiple, 100, 150);
    }
}

bool DetectEngine::alignFrame(int d)
{
    if (d >= 0 && d < kDetects && activeParams->angleCorrection && !view->colourFrames) {
        cv::Mat aligned = frameMat(view->alignedBuffer);
        if (!siftModels[d].align(frameMat(view->grabBuffer), aligned, 0.4f))
            copyFrame(view->grabBuffer, view->alignedBuffer);
        return true;
    }
    // Colour frames are never aligned.
    copyFrame(view->grabBuffer, view->alignedBuffer);
    return true;
}

void DetectEngine::correctPosition()
{
    correctPosition(mainWindow ? mainWindow->curDet : 0);
}

void DetectEngine::correctPosition(int d)
{
    const SystemParam& p = *activeParams;
    if (d < 0 || d >= kDetects || p.motionCorrection == -1 || view->colourFrames || !positionModels[d].isTrained()) {
        copyFrame(view->alignedBuffer, view->frameBuffer);
        return;
    }
    const int* win = searchWin[d];
    const bool turn = p.rotationCorrection >= 1 && p.rotationCorrection <= 180;
    bool found = false;
    int dx = 0;
    int dy = 0;
    cv::Point2d shift;
    double score = 0.0;
    double angle = 0.0;
    const cv::Mat aligned = frameMat(view->alignedBuffer);
    if (win[2] > 0 && win[3] > 0) {
        aligned(cv::Rect(win[0], win[1], win[2], win[3])).copyTo(m_searchWindow);
        // With rotation the frame is warped anyway, so the refined pose is applied to a fraction
        // of a pixel; a whole-pixel position with a whole-step angle would turn regions far from
        // the reference point pixels off. Without rotation the frame moves by whole pixels and
        // keeps its pixels as they were.
        found = turn ? positionModels[d].locate(m_searchWindow, shift, score, angle)
                     : positionModels[d].locate(m_searchWindow, dx, dy, score, angle);
    }
    if (!found) {
        copyFrame(view->alignedBuffer, view->frameBuffer);
        return;
    }
    // Shift that moves the found target onto the reference point, in frame coordinates.
    cv::Mat frame = frameMat(view->frameBuffer);
    if (turn)
        rotateImageAboutPoint(aligned, frame, shift.x - win[0], shift.y - win[1], refX[d], refY[d], angle);
    else
        shiftImage(aligned, frame, dx - win[0], dy - win[1]);
}

void DetectEngine::greyBandMask(cv::Mat image, cv::Mat& dst, int low, int high)
{
    // One pass; the same as the two thresholds (v >= low, v <= high) combined, both ends included.
    cv::inRange(image, cv::Scalar(low), cv::Scalar(high), dst);
}

cv::Mat DetectEngine::inspectedFrame(int d)
{
    cv::Mat frame;
    if (view->colourFrames) {
        if (greyChannelInUse)
            rgb32ToGray(view->greyBuffer.data(), view->frameBuffer.data(), view->imageWidth, view->imageHeight);
        else
            rgb32ToHue(view->greyBuffer.data(), view->frameBuffer.data(), view->imageWidth, view->imageHeight);
        frame = frameMat(view->greyBuffer);
    } else {
        frame = frameMat(view->frameBuffer);
    }
    // Scaled into scratch memory: the frame buffer is shown and saved as it came. A template
    // norm of 0 (no template, or a black one) would turn the frame black, so it is not used.
    if (activeParams->matchTemplateBrightness && templateNorm[d] > 0.0) {
        cv::normalize(frame, m_scaledFrame, templateNorm[d], 0.0, cv::NORM_L2, CV_8U);
        frame = m_scaledFrame;
    }
    return frame;
}

cv::Mat DetectEngine::openInto(const cv::Mat& ngMask, int kernel, const cv::Rect& r)
{
    cv::Mat filtered = ngMask;
    if (kernel > 1) {
        filtered = scratch(m_filteredBuffer, ngMask.size());
        cv::morphologyEx(ngMask, filtered, cv::MORPH_OPEN, ellipseKernel(kernel), cv::Point(-1, -1), 1,
                         cv::BORDER_CONSTANT, cv::morphologyDefaultBorderValue());
    }
    cv::Mat ngPixels = frameMat(view->ngPixels);
    filtered.copyTo(ngPixels(r));
    return filtered;
}

cv::Mat DetectEngine::bandTool(const cv::Mat& live, const cv::Mat& regionMask, int d, const cv::Rect& r, int tool,
                               int p1, int p2)
{
    int low = 0;
    int high = 255;
    toolBand(tool, p1, p2, low, high);
    cv::Mat ng = scratch(m_ngBuffer, r.size());
    greyBandMask(live, ng, low, high);
    const cv::Mat effective = scratch(m_effectiveBuffer, r.size());
    cv::bitwise_and(detectMask[d](r), regionMask, effective);
    cv::bitwise_and(ng, effective, ng);
    const int kernel = kernelSize(bandKernel(tool, p1, *activeParams), r);
    if (tool == ToolType::WhiteCount && kernel > 1)
        cv::morphologyEx(ng, ng, cv::MORPH_CLOSE, ellipseKernel(kernel), cv::Point(-1, -1), 1, cv::BORDER_CONSTANT,
                         cv::morphologyDefaultBorderValue());
    return openInto(ng, kernel, r);
}

void DetectEngine::logRegionError(int d, int code) const
{
    const QString line = QStringLiteral("REG RUN ERROR = %1, %2, %3").arg(view->cameraIndex).arg(d).arg(code);
    qWarning("%s", qPrintable(line));
    if (mainWindow)
        mainWindow->InsertRecord(line);
}

void DetectEngine::inspectDetect(int d)
{
    if (d < 0 || d >= kDetects)
        return;
    CammerWidget& v = *view;
    const SystemParam& p = *activeParams;
    v.detectOk = true;
    v.imageRoisOk = true;
    v.tempRoisOk = true;
    std::fill(v.roiOk + d * kRoisPerDetect, v.roiOk + (d + 1) * kRoisPerDetect, 1);
    if (v.cameraIndex < 0 || v.cameraIndex >= 8 || !p.cameraEnabled[v.cameraIndex])
        return;

    TemperatureChartData* store = TemperatureChartData::instance();
    RoundRecord record = store->round;
    record.detect = d;
    record.detectStart = QDateTime::currentDateTime();
    record.roiDetail.clear();
    record.roiResult.clear();

    const cv::Mat frame = inspectedFrame(d);
    std::fill(v.ngPixels.begin(), v.ngPixels.end(), 0);
    cv::Mat ngPixels = frameMat(v.ngPixels);
    v.beginThermalReadings();

    const int n = regionCount(*roiSet, d);
    for (int k = 0; k < n; ++k) {
        const int s = d * kRoisPerDetect + k;
        const int tool = roiSet->toolType[s];
        const int p1 = roiSet->minWH[s];
        const int p2 = roiSet->sensitivity[s];
        const int p3 = roiSet->area[s];
        int& value = v.roiValue[s];
        int& boxCount = v.ngRects[s][0][0];
        if (notInspected(tool)) {
            value = 0;
            boxCount = 0;
            continue;
        }

        if (v.templateZeroUnreadable[d] && tool != ToolType::Temperature) {
            // Trained on the generated template 0 (its file could not be read and was named at
            // start), the region would judge nothing real: NG until template 0 is sampled again.
            value = 0;
            boxCount = 0;
            v.roiOk[s] = 0;
            v.imageRoisOk = false;
            v.detectOk = false;
            continue;
        }

        const QRect& region = *roiSet->rois[d][k];
        int code = regionCheck(d, region, v.roiMask[s]);
        if (code == 0 && !modelFits(s, tool, region))
            code = kRegionUnusable;
        if (code != 0) {
            // No stale value or boxes of an earlier round stay with a region in error.
            value = 0;
            boxCount = 0;
            v.detectOk = false;
            logRegionError(d, code);
            continue;
        }

        const cv::Rect r = toCv(region);
        // A temperature region whose camera gave no reading cannot pass.
        bool unread = false;
        if (tool == ToolType::Temperature) {
            bool answered = true;
            value = v.queryThermalRoi(d, k, &answered);
            unread = !answered;
            if (mainWindow)
                mainWindow->appendModbusValue(value);
            boxCount = 0;
        } else if (tool == ToolType::Similarity || tool == 8) {
            // No NG pixels: the region's rectangle in ngPixels is cleared, no boxes.
            ngPixels(r).setTo(0);
            boxCount = 0;
            value = 0;
            if (tool == ToolType::Similarity) {
                cv::Mat live = scratch(m_copyBuffer, r.size());
                frame(r).copyTo(live);
                cv::Mat unused = scratch(m_ngBuffer, r.size());
                value = static_cast<int>(vectorSets[s].bestScore(live, unused));
            }
        } else {
            cv::Mat filtered;
            if (tool == ToolType::Defect) {
                cv::Mat ng = scratch(m_ngBuffer, r.size());
                ng.setTo(0);
                if (templateModels[s].isTrained())
                    templateModels[s].compare(frame(r), ng);
                filtered = openInto(ng, kernelSize(p.showAlgorithmDetails ? p1 : p.filterSize, r), r);
            } else {
                filtered = bandTool(frame(r), v.roiMask[s], d, r, tool, p1, p2);
            }
            cv::findContours(filtered, m_contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
            value = 0;
            int boxes = 0;
            for (const std::vector<cv::Point>& contour : m_contours) {
                value = static_cast<int>(value + cv::contourArea(contour));
                if (boxes < CammerWidget::kNgRectEntries - 1) {
                    const cv::Rect box = cv::boundingRect(contour) + r.tl();
                    int* entry = v.ngRects[s][++boxes];
                    entry[0] = box.x;
                    entry[1] = box.y;
                    entry[2] = box.x + box.width;
                    entry[3] = box.y + box.height;
                }
            }
            boxCount = boxes;
            if (tool == ToolType::WhiteCount)
                value = boxes;
        }

        // Verdict and the region's detail list.
        // Limit of the area rule.
        const int limit = p.showAlgorithmDetails ? p3 : p.alarmArea;
        bool ng = false;
        QList<int> detail;
        switch (tool) {
        case ToolType::Spot:
            ng = value < p2 || value > p3;
            detail = {ToolType::Spot, value, p2, p3, lowByte(p1), secondByte(p1)};
            break;
        case ToolType::BlackArea:
        case ToolType::WhiteArea:
        case ToolType::WhiteCount:
            ng = value > p3;
            break;
        case ToolType::Similarity:
            ng = value < p2;
            break;
        case ToolType::Temperature: {
            const int lo = std::min(lowHalf(p2), lowHalf(p3));
            const int hi = std::max(lowHalf(p2), lowHalf(p3));
            ng = unread || value < lo || value > hi;
            detail = {ToolType::Temperature, value, lowHalf(p2), lowHalf(p3), lowHalf(p1)};
            break;
        }
        default:  // defect, 8, 11 and unknown values: the area rule
            ng = p.templateIsNgImage ? value < limit : value > limit;
            detail = {tool, value, p2, limit, p1};
            break;
        }
        v.roiOk[s] = ng ? 0 : 1;
        record.roiDetail.append(detail);
        record.roiResult.append(v.roiOk[s]);

        if (tool == ToolType::Temperature)
            v.tempRoisOk = v.tempRoisOk && !ng;
        else
            v.imageRoisOk = v.imageRoisOk && !ng;
        if (ng && !(tool == ToolType::Temperature && p.temperatureAlarmNoStop))
            v.detectOk = false;
    }

    // A detect without inspected regions leaves no record.
    if (record.roiDetail.isEmpty() && record.roiResult.isEmpty())
        return;
    record.result = v.detectOk ? 1 : 0;
    store->setRoundInfo(record);
    store->addRoundToSeries();
    store->insertRound();
}

void DetectEngine::evaluateRoi(int d, int k)
{
    CammerWidget& v = *view;
    const CammerSingleton& set = *v.editRoiSet;
    // Validated before anything is written.
    if (d < 0 || d >= kDetects || k < 0 || k >= regionCount(set, d))
        return;
    const int s = d * kRoisPerDetect + k;
    cv::Mat source;
    if (v.colourFrames) {
        source = frameMat(v.greyBuffer);
    } else {
        const int t = v.currentTemplate;
        if (t < 0 || t >= static_cast<int>(v.templates[d].size()))
            return;
        source = frameMat(v.templates[d][t]);
    }

    std::fill(v.ngPixels.begin(), v.ngPixels.end(), 0);
    v.roiValue[s] = 0;
    v.ngRects[s][0][0] = 0;

    const int tool = set.toolType[s];
    if (tool == ToolType::Defect || notInspected(tool) || tool == ToolType::Similarity) {
        v.update();
        return;
    }
    const QRect& region = *set.rois[d][k];
    if (regionCheck(d, region, v.editRoiMask[s]) != 0)
        return;

    const cv::Rect r = toCv(region);
    if (isBandTool(tool)) {
        const cv::Mat filtered = bandTool(source(r), v.editRoiMask[s], d, r, tool, set.minWH[s], set.sensitivity[s]);
        cv::findContours(filtered, m_contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
        if (tool == ToolType::WhiteCount) {
            v.roiValue[s] = static_cast<int>(m_contours.size());
        } else {
            int value = 0;
            for (const std::vector<cv::Point>& contour : m_contours)
                value = static_cast<int>(value + cv::contourArea(contour));
            v.roiValue[s] = value;
        }
    }
    v.previewActive = true;
    v.update();
}
