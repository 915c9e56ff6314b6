// Cost of converting one decoded picture of the network thermal camera (2688 x 1520 YV12, its
// largest resolution) into the monitor's 32-bit and grey frames.
#include "cameras/hikir/yv12convert.h"

#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>

#include <vector>

namespace {

constexpr int kWidth = 2688;
constexpr int kHeight = 1520;

// Uniform noise in every plane: no chroma value is favoured.
std::vector<unsigned char> picture()
{
    std::vector<unsigned char> yv12(static_cast<size_t>(kWidth) * kHeight * 3 / 2);
    cv::Mat m(1, static_cast<int>(yv12.size()), CV_8UC1, yv12.data());
    cv::RNG rng(2024);
    rng.fill(m, cv::RNG::UNIFORM, 0, 256);
    return yv12;
}

template <bool (*Convert)(const unsigned char*, unsigned char*, int, int)>
void convertPicture(benchmark::State& state, int bytesPerPixel)
{
    const auto yv12 = picture();
    std::vector<unsigned char> out(static_cast<size_t>(kWidth) * kHeight * bytesPerPixel);
    for (auto _ : state) {
        Convert(yv12.data(), out.data(), kWidth, kHeight);
        benchmark::DoNotOptimize(out.data());
    }
}

void Yv12ToBgr32(benchmark::State& state)
{
    convertPicture<yv12ToBgr32>(state, 4);
}
void Yv12ToGray(benchmark::State& state)
{
    convertPicture<yv12ToGray>(state, 1);
}

BENCHMARK(Yv12ToBgr32)->Unit(benchmark::kMillisecond);
BENCHMARK(Yv12ToGray)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
