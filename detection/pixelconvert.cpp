#include "detection/pixelconvert.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Grey weight table: entry i = floor(i * weight * 1024), evaluated in double precision.
constexpr std::array<int32_t, 256> weightTable(double weight)
{
    std::array<int32_t, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<int32_t>(i * weight * 1024);  // positive, so truncation is floor
    return t;
}

constexpr std::array<int32_t, 256> kByte0Weights = weightTable(0.299);
constexpr std::array<int32_t, 256> kByte1Weights = weightTable(0.587);
constexpr std::array<int32_t, 256> kByte2Weights = weightTable(0.114);

static_assert(kByte0Weights[255] == 78074 && kByte1Weights[255] == 153277 && kByte2Weights[255] == 29767,
              "grey weight tables");

uint8_t hueOf(int r, int g, int b)
{
    const int maxV = std::max({r, g, b});
    const int minV = std::min({r, g, b});
    if (maxV == 0 || maxV == minV)
        return 0;
    const int delta = maxV - minV;
    // Quotient in single precision; each later step in double, rounded back to single.
    float h;
    if (r == maxV) {
        h = static_cast<float>(g - b) / static_cast<float>(delta);
        if (g < b)
            h = static_cast<float>(static_cast<double>(h) + 6.0);
    } else if (g == maxV) {
        h = static_cast<float>(static_cast<double>(static_cast<float>(b - r) / static_cast<float>(delta)) + 2.0);
    } else {
        h = static_cast<float>(static_cast<double>(static_cast<float>(r - g) / static_cast<float>(delta)) + 4.0);
    }
    const float scaled = static_cast<float>(static_cast<double>(h) * 42.5);
    return static_cast<uint8_t>(static_cast<int>(scaled));
}

}  // namespace

void grayToRgb32(const uint8_t* src, uint8_t* dst, int width, int height)
{
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t g = src[i];
        uint8_t* p = dst + i * 4;
        p[0] = g;
        p[1] = g;
        p[2] = g;
        p[3] = 0;
    }
}

void rgb24ToRgb32(uint8_t* dst, const uint8_t* src, int width, int height)
{
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* s = src + i * 3;
        uint8_t* d = dst + i * 4;
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        d[3] = 0;
    }
}

void rgb32ToGray(uint8_t* dst, const uint8_t* src, int width, int height)
{
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = src + i * 4;
        dst[i] = static_cast<uint8_t>((kByte0Weights[p[0]] + kByte1Weights[p[1]] + kByte2Weights[p[2]]) >> 10);
    }
}

void rgb32ToHue(uint8_t* dst, const uint8_t* src, int width, int height)
{
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = src + i * 4;
        dst[i] = hueOf(p[0], p[1], p[2]);
    }
}

void shiftImage(cv::Mat src, cv::Mat& dst, int dx, int dy)
{
    // The source is read while the destination is written: a destination that shares the
    // source's pixels would read already shifted rows.
    if (src.data == dst.data)
        src = src.clone();
    const int width = src.cols;
    const int height = src.rows;
    for (int y = 0; y < height; ++y) {
        uint8_t* out = dst.ptr<uint8_t>(y);
        const int sy = y - dy;
        if (sy < 0 || sy >= height) {
            std::memset(out, 0, static_cast<size_t>(width));
            continue;
        }
        const uint8_t* in = src.ptr<uint8_t>(sy);
        // Destination columns x with 0 <= x - dx < width take the source; the rest are 0.
        const int first = std::clamp(dx, 0, width);
        const int last = std::clamp(width + dx, 0, width);  // one past the last copied column
        std::memset(out, 0, static_cast<size_t>(first));
        if (last > first)
            std::memcpy(out + first, in + (first - dx), static_cast<size_t>(last - first));
        std::memset(out + std::max(last, first), 0, static_cast<size_t>(width - std::max(last, first)));
    }
}

void rotateImageAboutPoint(cv::Mat src, cv::Mat& dst, double dx, double dy, int cx, int cy, double angle)
{
    // One warp of the frame with the shift folded into the rotation: the same pixels as shifting
    // into a zero-bordered square and turning that, without the square (7 million pixels for a
    // 1920 x 1080 frame) and without losing content that a large shift pushes past its border.
    // Areas that no source pixel reaches are 0.
    if (src.data == dst.data)
        src = src.clone();
    cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(static_cast<float>(cx), static_cast<float>(cy)), angle, 1.0);
    m.at<double>(0, 2) += m.at<double>(0, 0) * dx + m.at<double>(0, 1) * dy;
    m.at<double>(1, 2) += m.at<double>(1, 0) * dx + m.at<double>(1, 1) * dy;
    dst.create(src.size(), src.type());
    cv::warpAffine(src, dst, m, src.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(0));
}
