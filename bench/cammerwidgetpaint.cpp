// Cost of one repaint of a camera view of a 1920 x 1080 grey camera with 50 outlined and
// labelled regions: after a new frame (the frame is converted again) and without one (the kept
// picture is drawn again), on the view sizes of a one-camera and a two-camera screen.
#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/clustomrect.h"
#include "view/cammerwidget.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

#include <opencv2/core.hpp>

#include <memory>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kRegions = 50;

// A view of a noisy frame with 50 regions in a 10 x 5 grid, shown with real-time outlines.
struct PaintedView {
    PaintedView(int viewWidth, int viewHeight)
    {
        params = std::make_unique<SystemParam>();
        params->realtimeRoiDisplay = 1;
        params->alarmArea = 100;
        activeParams = params.get();
        detectsPerCamera = 2;
        templateCountLimit = 1;
        imageSource = -1;
        view = std::make_unique<CammerWidget>(0, kWidth, kHeight);
        view->resize(viewWidth, viewHeight);
        cv::Mat frame(kHeight, kWidth, CV_8UC1, view->displayBuffer.data());
        cv::RNG(7).fill(frame, cv::RNG::UNIFORM, 0, 256);
        CammerSingleton& set = *view->roiSet;
        while (set.rois.size() < CammerSingleton::kDetects)
            set.rois.append(QList<ROIInterface*>());
        for (int r = 0; r < kRegions; ++r) {
            auto* shape = new ClustomRect;
            shape->setRect(40 + (r % 10) * 185, 60 + (r / 10) * 200, 150, 120);
            set.rois[0].append(shape);
            set.toolType[r] = 0;
            view->roiValue[r] = r * 3;
        }
        set.roiCount[0] = kRegions;
        target = QImage(viewWidth, viewHeight, QImage::Format_RGB32);
        // The first paint lays out the font caches.
        view->displayChanged();
        view->render(&target);
    }
    ~PaintedView()
    {
        view.reset();
        activeParams = nullptr;
    }

    std::unique_ptr<SystemParam> params;
    std::unique_ptr<CammerWidget> view;
    QImage target;
};

void viewSizes(benchmark::internal::Benchmark* b)
{
    b->Args({1920, 1080})->Args({960, 540})->Unit(benchmark::kMillisecond);
}

void BM_PaintAfterNewFrame(benchmark::State& state)
{
    PaintedView painted(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        painted.view->displayChanged();
        painted.view->render(&painted.target);
        benchmark::DoNotOptimize(painted.target.constBits());
    }
}
BENCHMARK(BM_PaintAfterNewFrame)->Apply(viewSizes);

void BM_PaintWithoutNewFrame(benchmark::State& state)
{
    PaintedView painted(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        painted.view->render(&painted.target);
        benchmark::DoNotOptimize(painted.target.constBits());
    }
}
BENCHMARK(BM_PaintWithoutNewFrame)->Apply(viewSizes);

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
