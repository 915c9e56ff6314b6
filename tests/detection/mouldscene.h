// A camera's whole check on a 1920 x 1080 mould scene of fine, natural-looking texture (shapes,
// grain at the pixel scale, fresh sensor noise in every frame) with a 200 x 200 positioning
// target in the middle and defect and similarity regions with the region defaults spread over
// the frame, and the frames of that scene after the motions a mould and camera go through.
#pragma once

#include "detection/tooltype.h"

#include "tests/detection/enginefixture.h"

#include <vector>

// The whole frame turned by `degrees` about the reference point (counter-clockwise on screen),
// shifted, its brightness scaled by `gain`, with noise of seed `noiseSeed`.
struct SceneMotion {
    const char* name;
    double degrees;
    cv::Point2f shift;
    double gain;
    uint64_t noiseSeed;
};

class MouldSceneTest : public EngineTest {
protected:
    static constexpr int kW = 1920;
    static constexpr int kH = 1080;
    static constexpr int kMaxOffset = 100;
    static constexpr double kNoise = 2.0;

    static cv::Rect targetRect() { return {kW / 2 - 100, kH / 2 - 100, 200, 200}; }
    static cv::Point2f reference() { return {kW / 2.0f, kH / 2.0f}; }

    // The scene without sensor noise. Its grey levels stay within 20..212, so that a frame 20 %
    // brighter does not saturate.
    static cv::Mat scene()
    {
        cv::Mat base = synthetic::texturedFrame(kW, kH, 61);
        const cv::Mat target = synthetic::targetFrame(400, 400, cv::Point(200, 200), 180, 62);
        target(cv::Rect(100, 100, 200, 200)).copyTo(base(targetRect()));
        synthetic::addGrain(base, 8.0, 63);
        base.convertTo(base, -1, 0.75, 20);
        return base;
    }

    // Motion correction on with the given rotation correction, brightness matched to the
    // template (the frames change their brightness), record defaults otherwise; one template of
    // `base` (the synthetic scene by default) with noise; the positioning region in the middle
    // and inspection regions on a grid that keeps clear of it and of the frame border that a
    // turned and shifted frame uncovers.
    DetectEngine& buildScene(int rotationCorrection) { return buildScene(rotationCorrection, scene()); }
    DetectEngine& buildScene(int rotationCorrection, const cv::Mat& base)
    {
        m_scene = base;
        p().motionCorrection = 0;
        p().rotationCorrection = rotationCorrection;
        p().maxOffset = kMaxOffset;
        p().matchTemplateBrightness = 1;
        p().alarmArea = 100;
        makeView(false, kW, kH);
        cv::Mat templ = base.clone();
        synthetic::addNoise(templ, kNoise, 70);
        setTemplate(D, 0, templ);
        const cv::Rect t = targetRect();
        addRegion(D, ToolType::Position, QRect(t.x, t.y, t.width, t.height));
        const cv::Rect keepClear(t.x - 10, t.y - 10, t.width + 20, t.height + 20);
        for (int row = 0; row < 5; ++row) {
            for (int col = 0; col < 11; ++col) {
                const cv::Rect r(170 + col * 143, 170 + row * 148, 125, 125);
                if (!(r & keepClear).empty())
                    continue;
                const int tool = regions.size() % 3 == 2 ? ToolType::Similarity : ToolType::Defect;
                // Region defaults: minimum size 3, sensitivity 25, area 100.
                regions.push_back(addRegion(D, tool, QRect(r.x, r.y, r.width, r.height), 3, 25, 100));
                regionRects.push_back(r);
            }
        }
        return buildEngine();
    }

    // The scene after `m`, with a 16 x 16 defect of contrast 40 in the first (top-left) region
    // when `defect` is set.
    cv::Mat frame(const SceneMotion& m, bool defect) const
    {
        cv::Mat s = m_scene.clone();
        if (defect) {
            cv::Mat patch = s(cv::Rect(200, 200, 16, 16));
            patch.convertTo(patch, -1, 1.0, cv::mean(patch)[0] > 128 ? -40.0 : 40.0);
        }
        cv::Mat live = synthetic::moved(s, synthetic::motion(reference(), m.degrees, m.shift));
        live.convertTo(live, -1, m.gain, 0.0);
        synthetic::addNoise(live, kNoise, m.noiseSeed);
        return live;
    }

    // Aligns (a copy without alignment), corrects the position and inspects the frame; the
    // regions found NG.
    std::vector<int> check(const cv::Mat& live)
    {
        std::memcpy(view->grabBuffer.data(), live.data, live.total());
        DetectEngine& engine = *view->engine;
        engine.alignFrame(D);
        engine.correctPosition(D);
        engine.inspectDetect(D);
        TemperatureChartData::instance()->insertQueue.clear();
        std::vector<int> ng;
        for (int s : regions)
            if (!view->roiOk[s])
                ng.push_back(s - D * 50);
        return ng;
    }

    std::vector<int> regions;
    std::vector<cv::Rect> regionRects;
    cv::Mat m_scene;  // without sensor noise
};

// No motion with fresh noise, whole-pixel and sub-pixel shifts without a turn, turns of 0.2 to 5
// degrees with shifts up to the search window, and brightness changes of 20 % either way.
inline const std::vector<SceneMotion>& sceneMotions()
{
    static const std::vector<SceneMotion> motions = {
        {"unmoved", 0.0, {0.0f, 0.0f}, 1.0, 101},
        {"unmoved, other noise", 0.0, {0.0f, 0.0f}, 1.0, 102},
        {"whole pixels", 0.0, {7.0f, -5.0f}, 1.0, 103},
        {"whole pixels, far", 0.0, {-62.0f, 41.0f}, 1.0, 104},
        {"half a pixel", 0.0, {0.5f, 0.0f}, 1.0, 105},
        {"sub-pixel", 0.0, {3.3f, -2.6f}, 1.0, 106},
        {"sub-pixel, far, darker", 0.0, {-20.7f, 11.4f}, 0.8, 107},
        {"0.2 degrees", 0.2, {0.4f, 0.3f}, 1.0, 108},
        {"-0.5 degrees", -0.5, {12.5f, -8.25f}, 1.0, 109},
        {"1 degree, brighter", 1.0, {-30.6f, 25.2f}, 1.2, 110},
        {"-2 degrees", -2.0, {45.2f, -35.7f}, 1.0, 111},
        {"3 degrees, darker", 3.0, {-55.5f, -60.25f}, 0.8, 112},
        {"-5 degrees", -5.0, {60.3f, 50.8f}, 1.0, 113},
        {"5 degrees, brighter", 5.0, {-70.0f, 20.5f}, 1.2, 114},
    };
    return motions;
}
