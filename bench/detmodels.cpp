// Training and per-frame cost of the positioning (shape model) and alignment (SIFT) models on
// full camera frames. Run pinned to one core (taskset -c N) for figures that compare.
#include "detection/positionmodel.h"
#include "detection/siftmodel.h"

#include "tests/support/syntheticframes.h"

#include <benchmark/benchmark.h>

namespace {

// Positioning as the engine sets it up: a 200 x 200 region in a 1920 x 1080 frame, the search
// window grown by 100 pixels, rotation +-5 degrees (range(0) is the angle end: 0 or 5).
struct PositionScene {
    cv::Rect region{860, 440, 200, 200};
    int margin = 100;
    cv::Mat templ;
    cv::Mat window;

    PositionScene()
    {
        const cv::Point centre(region.x + region.width / 2, region.y + region.height / 2);
        const cv::Mat frame = synthetic::targetFrame(1920, 1080, centre, 180, 41);
        templ = frame(region).clone();
        cv::Mat live = synthetic::moved(frame, synthetic::motion(cv::Point2f(centre), 2.7, {-31, 24}));
        synthetic::addNoise(live, 2.0, 42);
        const cv::Rect win(region.x - margin, region.y - margin, region.width + 2 * margin, region.height + 2 * margin);
        window = live(win).clone();
    }
};

void BM_PositionTrain(benchmark::State& state)
{
    const PositionScene scene;
    const cv::Mat mask(scene.templ.size(), CV_8UC1, cv::Scalar(255));
    const int angleEnd = static_cast<int>(state.range(0));
    PositionModel model;
    for (auto _ : state) {
        const bool trained = model.setup(scene.templ, 0, 0, angleEnd, 960, 540, 255, mask, 0);
        benchmark::DoNotOptimize(trained);
    }
}
BENCHMARK(BM_PositionTrain)->Arg(0)->Arg(5)->Unit(benchmark::kMillisecond);

void BM_PositionSearch(benchmark::State& state)
{
    const PositionScene scene;
    const cv::Mat mask(scene.templ.size(), CV_8UC1, cv::Scalar(255));
    PositionModel model;
    model.setup(scene.templ, 0, 0, static_cast<int>(state.range(0)), 960, 540, 255, mask, 0);
    int dx = 0;
    int dy = 0;
    double score = 0.0;
    double angle = 0.0;
    bool found = false;
    for (auto _ : state) {
        found = model.locate(scene.window, dx, dy, score, angle);
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = found ? 1 : 0;
    state.counters["angle"] = angle;
}
BENCHMARK(BM_PositionSearch)->Arg(0)->Arg(5)->Unit(benchmark::kMillisecond);

// Alignment of a frame shifted by (12, -7) and turned by 3 degrees; range(0) x range(1) is the
// frame size.
void BM_AlignTrain(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    const cv::Mat templ = synthetic::texturedFrame(w, h, 51);
    SiftModel model;
    for (auto _ : state) {
        const bool trained = model.train(templ, cv::Mat(), 300);
        benchmark::DoNotOptimize(trained);
    }
    state.counters["keypoints"] = model.templateKeypointCount();
}
BENCHMARK(BM_AlignTrain)->Args({1920, 1080})->Args({2448, 2048})->Unit(benchmark::kMillisecond);

void BM_Align(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    const cv::Mat templ = synthetic::texturedFrame(w, h, 51);
    cv::Mat live = synthetic::moved(templ, synthetic::motion({w / 2.0f, h / 2.0f}, 3.0, {12, -7}));
    synthetic::addNoise(live, 2.0, 52);
    SiftModel model;
    model.train(templ, cv::Mat(), 300);
    cv::Mat aligned(h, w, CV_8UC1);
    bool ok = false;
    for (auto _ : state) {
        ok = model.align(live, aligned, 0.4f);
        benchmark::DoNotOptimize(ok);
    }
    state.counters["aligned"] = ok ? 1 : 0;
}
BENCHMARK(BM_Align)->Args({1920, 1080})->Args({2448, 2048})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
