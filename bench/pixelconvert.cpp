// Per-frame cost of the pixel conversions and the position-correction transforms on the two
// frame sizes of the supported cameras (1920 x 1080 and 2448 x 2048).
#include "detection/pixelconvert.h"

#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include <vector>

namespace {

// A deterministic frame of uniform noise, `channels` bytes per pixel: the worst case for the
// branches of the hue conversion, which real frames with smooth areas take far more predictably.
std::vector<uint8_t> frame(int width, int height, int channels)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(width) * height * channels);
    cv::Mat m(1, static_cast<int>(bytes.size()), CV_8UC1, bytes.data());
    cv::RNG rng(12345);
    rng.fill(m, cv::RNG::UNIFORM, 0, 256);
    return bytes;
}

void sizes(benchmark::internal::Benchmark* b)
{
    b->Args({1920, 1080})->Args({2448, 2048})->Unit(benchmark::kMillisecond);
}

// Times `convert(dst, src, w, h)` from a frame of `srcChannels` into one of `dstChannels`.
template <class Convert>
void timeBufferConversion(benchmark::State& state, int srcChannels, int dstChannels, Convert convert)
{
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    const auto src = frame(w, h, srcChannels);
    std::vector<uint8_t> dst(static_cast<size_t>(w) * h * dstChannels);
    for (auto _ : state) {
        convert(dst.data(), src.data(), w, h);
        benchmark::DoNotOptimize(dst.data());
    }
}

// Times `transform(src, dst, w, h)` on 8-bit matrices of the frame size.
template <class Transform>
void timeFrameTransform(benchmark::State& state, Transform transform)
{
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    auto bytes = frame(w, h, 1);
    const cv::Mat src(h, w, CV_8UC1, bytes.data());
    cv::Mat dst(h, w, CV_8UC1);
    for (auto _ : state) {
        transform(src, dst, w, h);
        benchmark::DoNotOptimize(dst.data);
    }
}

void BM_Rgb24ToRgb32(benchmark::State& state)
{
    timeBufferConversion(state, 3, 4, rgb24ToRgb32);
}
BENCHMARK(BM_Rgb24ToRgb32)->Apply(sizes);

void BM_GrayToRgb32(benchmark::State& state)
{
    timeBufferConversion(state, 1, 4, [](uint8_t* dst, const uint8_t* src, int w, int h) { grayToRgb32(src, dst, w, h); });
}
BENCHMARK(BM_GrayToRgb32)->Apply(sizes);

void BM_Rgb32ToGray(benchmark::State& state)
{
    timeBufferConversion(state, 4, 1, rgb32ToGray);
}
BENCHMARK(BM_Rgb32ToGray)->Apply(sizes);

void BM_Rgb32ToHue(benchmark::State& state)
{
    timeBufferConversion(state, 4, 1, rgb32ToHue);
}
BENCHMARK(BM_Rgb32ToHue)->Apply(sizes);

void BM_ShiftImage(benchmark::State& state)
{
    timeFrameTransform(state, [](const cv::Mat& src, cv::Mat& dst, int, int) { shiftImage(src, dst, 13, -7); });
}
BENCHMARK(BM_ShiftImage)->Apply(sizes);

void BM_RotateImageAboutPoint(benchmark::State& state)
{
    timeFrameTransform(state, [](const cv::Mat& src, cv::Mat& dst, int w, int h) {
        rotateImageAboutPoint(src, dst, 13, -7, w / 2, h / 2, 2.5);
    });
}
BENCHMARK(BM_RotateImageAboutPoint)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
