// Checks that the benchmark harness builds and links against the monitor's libraries.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

static void BM_FrameCopy1080p(benchmark::State& state)
{
    cv::Mat src(1080, 1920, CV_8UC1, cv::Scalar(7));
    cv::Mat dst;
    for (auto _ : state) {
        src.copyTo(dst);
        benchmark::DoNotOptimize(dst.data);
    }
}
BENCHMARK(BM_FrameCopy1080p);

BENCHMARK_MAIN();
