// One full check of a camera on grey frames of 1920 x 1080 and 2448 x 2048: 50 regions (20 defect
// regions of 200 x 200, 10 similarity, 10 band, 5 white count, 5 others), 10 templates, position
// correction (200 x 200 target, window grown by 100 px, +-5 degrees), with and without alignment.
// Alignment, positioning (with rotation correction 0 and 5 degrees) and inspection are also
// measured alone. Run pinned to one core
// (taskset -c N) with OPENCV_FOR_THREADS_NUM=1 for figures that compare.
#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/clustomrect.h"
#include "detection/detectengine.h"
#include "detection/tooltype.h"
#include "records/temperaturechartdata.h"
#include "view/cammerwidget.h"

#include "tests/support/syntheticframes.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kDetect = 1;
constexpr int kTemplates = 10;

// The camera view, its regions and templates, the engine and the live frame of one scene.
struct Scene {
    std::unique_ptr<SystemParam> params = std::make_unique<SystemParam>();
    std::unique_ptr<CammerWidget> view;
    cv::Mat live;

    Scene(int w, int h, bool align, int rotationCorrection = 5)
    {
        activeParams = params.get();
        SystemParam& p = *params;
        p.detectEnabled[0] = 0;
        p.detectEnabled[kDetect] = 1;
        p.angleCorrection = align ? 1 : 0;
        p.motionCorrection = 0;
        p.rotationCorrection = rotationCorrection;
        p.maxOffset = 100;
        p.minSpot = 3;
        p.filterSize = 3;
        p.alarmArea = 100;
        templateCountLimit = kTemplates;
        detectsPerCamera = 2;
        view = std::make_unique<CammerWidget>(0, w, h);
        CammerSingleton& set = *view->roiSet;
        for (int d = 0; d < CammerSingleton::kDetects; ++d)
            set.rois.append(QList<ROIInterface*>());

        // A textured mould with a positioning target in the middle.
        const cv::Point centre(w / 2, h / 2);
        cv::Mat base = synthetic::texturedFrame(w, h, 61);
        const cv::Mat target = synthetic::targetFrame(400, 400, cv::Point(200, 200), 180, 62);
        target(cv::Rect(100, 100, 200, 200)).copyTo(base(cv::Rect(centre.x - 100, centre.y - 100, 200, 200)));
        for (int j = 0; j < kTemplates; ++j) {
            cv::Mat t = base.clone();
            synthetic::addNoise(t, 2.0, 70 + j);
            // Template slots are allocated on first use.
            std::memcpy(view->templateSlot(kDetect, j).data(), t.data, t.total());
            view->templateValid[kDetect][j] = 1;
        }
        view->validTemplateCount[kDetect] = kTemplates;

        addRegion(ToolType::Position, cv::Rect(centre.x - 100, centre.y - 100, 200, 200));
        // Regions on a grid of 210-pixel cells clear of the target; when the frame has fewer
        // cells than regions, later regions overlap earlier ones.
        std::vector<cv::Point> cells;
        for (int y = 10; y + 200 <= h; y += 210)
            for (int x = 10; x + 200 <= w; x += 210)
                if ((cv::Rect(x, y, 200, 200) & cv::Rect(centre.x - 110, centre.y - 110, 220, 220)).empty())
                    cells.emplace_back(x, y);
        size_t cell = 0;
        auto next = [&](int size) { return cv::Rect(cells[cell++ % cells.size()], cv::Size(size, size)); };
        for (int i = 0; i < 20; ++i)
            addRegion(ToolType::Defect, next(200), 0, 30);
        for (int i = 0; i < 10; ++i)
            addRegion(ToolType::Similarity, next(150), 0, 80);
        for (int i = 0; i < 5; ++i)
            addRegion(ToolType::BlackArea, next(150), 0, 40, 500);
        for (int i = 0; i < 5; ++i)
            addRegion(ToolType::WhiteArea, next(150), 0, 220, 500);
        for (int i = 0; i < 5; ++i)
            addRegion(ToolType::WhiteCount, next(150), 3, 220, 20);
        addRegion(ToolType::Spot, next(150), 20 | (60 << 8), 0, 500);
        addRegion(ToolType::Spot, next(150), 20 | (60 << 8), 0, 500);
        addRegion(11, next(150), 0, 220);
        addRegion(8, next(150));
        addRegion(ToolType::Ignore, next(150));

        view->engine = new DetectEngine(view->roiSet, view.get());

        live = synthetic::moved(base, synthetic::motion(cv::Point2f(centre), 1.5, {9, -6}));
        synthetic::addNoise(live, 2.0, 90);
        cv::rectangle(live, cv::Rect(40, 40, 30, 30), cv::Scalar(5), cv::FILLED);  // a defect
    }

    void addRegion(int tool, const cv::Rect& r, int p1 = 0, int p2 = 0, int p3 = 0)
    {
        CammerSingleton& set = *view->roiSet;
        auto* shape = new ClustomRect;
        shape->setRect(r.x, r.y, r.width, r.height);
        const int s = kDetect * 50 + set.roiCount[kDetect]++;
        set.rois[kDetect].append(shape);
        set.toolType[s] = tool;
        set.minWH[s] = p1;
        set.sensitivity[s] = p2;
        set.area[s] = p3;
        view->roiMask[s] = shape->mask();
    }

    void grab() { std::memcpy(view->grabBuffer.data(), live.data, live.total()); }
};

// Rows queue in the result store until today's rows are read; keep the queue short.
void dropQueuedRows()
{
    TemperatureChartData::instance()->insertQueue.clear();
}

void BM_Inspection(benchmark::State& state)
{
    Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), false);
    scene.grab();
    DetectEngine& engine = *scene.view->engine;
    engine.alignFrame(kDetect);
    engine.correctPosition(kDetect);
    for (auto _ : state) {
        engine.inspectDetect(kDetect);
        state.PauseTiming();
        dropQueuedRows();
        state.ResumeTiming();
    }
    state.counters["ok"] = scene.view->detectOk ? 1 : 0;
}
BENCHMARK(BM_Inspection)->Args({1920, 1080})->Args({2448, 2048})->Unit(benchmark::kMillisecond);

// range(2): the rotation correction in degrees (0 shifts only).
void BM_Positioning(benchmark::State& state)
{
    Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), false,
                static_cast<int>(state.range(2)));
    scene.grab();
    DetectEngine& engine = *scene.view->engine;
    engine.alignFrame(kDetect);
    for (auto _ : state)
        engine.correctPosition(kDetect);
}
BENCHMARK(BM_Positioning)
    ->Args({1920, 1080, 0})
    ->Args({2448, 2048, 0})
    ->Args({1920, 1080, 5})
    ->Args({2448, 2048, 5})
    ->Unit(benchmark::kMillisecond);

void BM_Alignment(benchmark::State& state)
{
    Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), true);
    scene.grab();
    DetectEngine& engine = *scene.view->engine;
    for (auto _ : state)
        engine.alignFrame(kDetect);
}
BENCHMARK(BM_Alignment)->Args({1920, 1080})->Args({2448, 2048})->Unit(benchmark::kMillisecond);

// The whole check as the cycle runs it; range(2) 1 = with alignment.
void BM_Check(benchmark::State& state)
{
    Scene scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), state.range(2) != 0);
    scene.grab();
    DetectEngine& engine = *scene.view->engine;
    for (auto _ : state) {
        engine.alignFrame(kDetect);
        engine.correctPosition(kDetect);
        engine.inspectDetect(kDetect);
        state.PauseTiming();
        dropQueuedRows();
        state.ResumeTiming();
    }
    state.counters["ok"] = scene.view->detectOk ? 1 : 0;
}
BENCHMARK(BM_Check)
    ->Args({1920, 1080, 0})
    ->Args({2448, 2048, 0})
    ->Args({1920, 1080, 1})
    ->Args({2448, 2048, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
