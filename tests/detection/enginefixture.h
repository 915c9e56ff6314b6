// A camera view without a camera, its active region set and a detection engine over them, with
// seeded synthetic frames: an empty mould cavity, a moulded part, and the helpers that paste
// blobs, fill templates and hand frames to the engine.
#pragma once

#include "cameras/simulatecamera.h"
#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/clustomrect.h"
#include "detection/detectengine.h"
#include "detection/pixelconvert.h"
#include "records/temperaturechartdata.h"
#include "view/cammerwidget.h"

#include "tests/support/syntheticframes.h"

#include <QJsonObject>
#include <QMap>

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

// A thermal camera of the tests: answers each region's temperature from a table.
class TableThermalCamera : public SimulateCamera {
public:
    void readValue(QVariant request, QVariant* result, int) override
    {
        const QJsonObject r = request.toJsonObject();
        const int key = r.value(QStringLiteral("detect")).toInt() * 50 + r.value(QStringLiteral("funcNO")).toInt();
        if (temperatures.contains(key))
            *result = temperatures.value(key);
    }
    QMap<int, double> temperatures;
};

// An empty cavity: a flat mould surface at grey 100 with a little noise.
inline cv::Mat cavity(uint64_t seed, int width = 320, int height = 240)
{
    cv::Mat img(height, width, CV_8UC1, cv::Scalar(100));
    synthetic::addNoise(img, 2.0, seed);
    return img;
}

inline void paste(cv::Mat& img, const cv::Rect& r, int grey)
{
    img(r).setTo(grey);
}

// The same cavity with a moulded part (a fixed texture) in `part`, noise by seed.
inline cv::Mat product(uint64_t seed, const cv::Rect& part)
{
    cv::Mat img = cavity(seed);
    cv::Mat texture(part.size(), CV_8UC1);
    cv::RNG rng(777);
    rng.fill(texture, cv::RNG::UNIFORM, 40, 220);
    cv::GaussianBlur(texture, texture, cv::Size(0, 0), 2.0);
    texture.copyTo(img(part));
    synthetic::addNoise(img, 2.0, seed + 100);
    return img;
}

class EngineTest : public ::testing::Test {
protected:
    static constexpr int W = 320;
    static constexpr int H = 240;
    // The detect the tests inspect (the cavity check, enabled in a fresh record).
    static constexpr int D = 1;

    void SetUp() override
    {
        params = std::make_unique<SystemParam>();
        activeParams = params.get();
        p().motionCorrection = -1;
        p().angleCorrection = 0;
        p().minSpot = 3;
        p().filterSize = 3;
        p().alarmArea = 50;
        p().maxOffset = 100;
        savedLimit = templateCountLimit;
        savedDetects = detectsPerCamera;
        templateCountLimit = 4;
        detectsPerCamera = 2;
        greyChannelInUse = 1;
        TemperatureChartData* store = TemperatureChartData::instance();
        store->insertQueue.clear();
        store->round = RoundRecord();
    }

    void TearDown() override
    {
        delete view;
        view = nullptr;
        activeParams = nullptr;
        templateCountLimit = savedLimit;
        detectsPerCamera = savedDetects;
        greyChannelInUse = 1;
    }

    SystemParam& p() { return *params; }

    CammerWidget& makeView(bool colour = false, int width = W, int height = H)
    {
        view = new CammerWidget(0, width, height, nullptr, colour);
        CammerSingleton& set = *view->roiSet;
        for (int d = 0; d < CammerSingleton::kDetects; ++d) {
            set.rois.append(QList<ROIInterface*>());
            view->editRoiSet->rois.append(QList<ROIInterface*>());
        }
        return *view;
    }

    // Appends a rectangle region to detect d of the active set; returns its slot.
    int addRegion(int d, int tool, const QRect& r, int p1 = 0, int p2 = 0, int p3 = 0)
    {
        CammerSingleton& set = *view->roiSet;
        auto* shape = new ClustomRect;
        shape->setCoords(r.left(), r.top(), r.right(), r.bottom());
        const int k = set.roiCount[d]++;
        set.rois[d].append(shape);
        const int s = d * 50 + k;
        set.toolType[s] = tool;
        set.minWH[s] = p1;
        set.sensitivity[s] = p2;
        set.area[s] = p3;
        set.shapeKind[s] = ShapeRectangle;
        view->roiMask[s] = shape->mask();
        return s;
    }

    // No regions in any detect of the active set.
    void clearRegions()
    {
        CammerSingleton& set = *view->roiSet;
        for (int d = 0; d < CammerSingleton::kDetects; ++d) {
            CammerSingleton::clearRois(set.rois[d]);
            set.roiCount[d] = 0;
        }
    }

    // The edit set as a copy of the active set, with its masks.
    void copyToEditSet()
    {
        view->editRoiSet->copyFrom(*view->roiSet);
        for (int s = 0; s < CammerWidget::kRoiSlots; ++s)
            view->editRoiMask[s] = view->roiMask[s].clone();
    }

    // Writes an 8-bit grey image into a frame buffer of the view (32-bit grey pixels in colour).
    void fill(std::vector<unsigned char>& buffer, const cv::Mat& grey)
    {
        ASSERT_TRUE(grey.isContinuous());
        if (view->colourFrames)
            grayToRgb32(grey.data, buffer.data(), grey.cols, grey.rows);
        else
            std::memcpy(buffer.data(), grey.data, static_cast<size_t>(grey.total()));
    }

    void setTemplate(int d, int slot, const cv::Mat& grey)
    {
        fill(view->templateSlot(d, slot), grey);
        if (!view->templateValid[d][slot]) {
            view->templateValid[d][slot] = 1;
            ++view->validTemplateCount[d];
        }
    }

    // The frame after alignment and position correction.
    void setFrame(const cv::Mat& grey) { fill(view->frameBuffer, grey); }

    DetectEngine& buildEngine()
    {
        view->engine = new DetectEngine(view->roiSet, view);
        return *view->engine;
    }

    cv::Mat ngPixels() const { return cv::Mat(H, W, CV_8UC1, view->ngPixels.data()); }
    int boxCount(int s) const { return view->ngRects[s][0][0]; }
    cv::Rect box(int s, int i) const
    {
        const int* b = view->ngRects[s][i];
        return cv::Rect(cv::Point(b[0], b[1]), cv::Point(b[2], b[3]));
    }

    std::unique_ptr<SystemParam> params;
    CammerWidget* view = nullptr;
    int savedLimit = 10;
    int savedDetects = 2;
};
