// The program's own pixel conversions, byte for byte, and the shift and rotation of frames.
#include "detection/pixelconvert.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace {

struct PixelCase {
    const char* what;
    std::array<uint8_t, 4> pixel;  // bytes 0..3 of the 32-bit pixel
    uint8_t grey;
    uint8_t hue;
};

// Expected values worked out from the integer weight tables and the hue rule by hand.
const PixelCase kPixels[] = {
    {"black", {0, 0, 0, 0}, 0, 0},
    {"white", {255, 255, 255, 0}, 254, 0},
    {"white with byte 3 set", {255, 255, 255, 255}, 254, 0},
    {"mid grey 128", {128, 128, 128, 0}, 127, 0},
    {"grey 1 rounds down to 0", {1, 1, 1, 0}, 0, 0},
    {"grey 2", {2, 2, 2, 0}, 1, 0},
    {"byte 0 alone", {255, 0, 0, 0}, 76, 0},
    {"byte 1 alone", {0, 255, 0, 0}, 149, 85},
    {"byte 2 alone", {0, 0, 255, 0}, 29, 170},
    {"bytes 0 and 2: byte-0 branch wins", {255, 0, 255, 0}, 105, 212},
    {"bytes 0 and 1", {255, 255, 0, 0}, 225, 42},
    {"byte 3 has no influence", {0, 255, 0, 77}, 149, 85},
    {"weights favour byte 0, not red", {100, 150, 200, 0}, 140, 148},
    {"byte 0 largest", {200, 100, 50, 0}, 124, 14},
    {"byte 1 largest", {100, 200, 50, 0}, 152, 70},
    {"top of the scale is 254", {255, 0, 1, 0}, 76, 254},
    {"single precision rounds up to 120", {0, 34, 28, 0}, 23, 120},
    {"single precision gives 119", {0, 70, 56, 0}, 47, 119},
};

TEST(PixelConversions, GreyAndHueOfATableOfPixels)
{
    const int n = static_cast<int>(std::size(kPixels));
    std::vector<uint8_t> frame;
    for (const PixelCase& c : kPixels)
        frame.insert(frame.end(), c.pixel.begin(), c.pixel.end());
    // One frame of n x 1 pixels and the same pixels as a frame of 1 x n: both walk every pixel.
    for (const auto& [w, h] : {std::pair{n, 1}, std::pair{1, n}}) {
        std::vector<uint8_t> grey(n, 0xAA);
        std::vector<uint8_t> hue(n, 0xAA);
        rgb32ToGray(grey.data(), frame.data(), w, h);
        rgb32ToHue(hue.data(), frame.data(), w, h);
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(grey[i], kPixels[i].grey) << kPixels[i].what;
            EXPECT_EQ(hue[i], kPixels[i].hue) << kPixels[i].what;
        }
    }
}

TEST(PixelConversions, GreyIsNotOpenCvLuma)
{
    // OpenCV's BGR-to-grey of these bytes is 159; the program weights byte 0 with 0.299.
    const uint8_t pixel[4] = {100, 150, 200, 0};
    uint8_t grey = 0;
    rgb32ToGray(&grey, pixel, 1, 1);
    EXPECT_EQ(grey, 140);
}

TEST(PixelConversions, GreyTo32BitAndBackToHueIsZero)
{
    std::vector<uint8_t> grey(256);
    for (int i = 0; i < 256; ++i)
        grey[i] = static_cast<uint8_t>(i);
    std::vector<uint8_t> rgb(256 * 4, 0xAA);
    grayToRgb32(grey.data(), rgb.data(), 16, 16);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(rgb[i * 4 + 0], i);
        ASSERT_EQ(rgb[i * 4 + 1], i);
        ASSERT_EQ(rgb[i * 4 + 2], i);
        ASSERT_EQ(rgb[i * 4 + 3], 0);
    }
    std::vector<uint8_t> hue(256, 0xAA);
    rgb32ToHue(hue.data(), rgb.data(), 16, 16);
    EXPECT_EQ(hue, std::vector<uint8_t>(256, 0));
}

TEST(PixelConversions, Rgb24BecomesBlueGreenRedZero)
{
    const uint8_t src[6] = {10, 20, 30, 200, 100, 0};
    uint8_t dst[8];
    std::fill(std::begin(dst), std::end(dst), 0xAA);
    rgb24ToRgb32(dst, src, 2, 1);
    const uint8_t expected[8] = {30, 20, 10, 0, 0, 100, 200, 0};
    EXPECT_TRUE(std::equal(std::begin(dst), std::end(dst), std::begin(expected)));
}

cv::Mat numbered(int rows, int cols)
{
    cv::Mat m(rows, cols, CV_8UC1);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x)
            m.at<uint8_t>(y, x) = static_cast<uint8_t>(1 + y * cols + x);
    return m;
}

// Reference: dst(y, x) = src(y - dy, x - dx) inside, else 0.
cv::Mat shiftedByHand(const cv::Mat& src, int dx, int dy)
{
    cv::Mat out = cv::Mat::zeros(src.size(), CV_8UC1);
    for (int y = 0; y < src.rows; ++y)
        for (int x = 0; x < src.cols; ++x) {
            const int sy = y - dy;
            const int sx = x - dx;
            if (sy >= 0 && sy < src.rows && sx >= 0 && sx < src.cols)
                out.at<uint8_t>(y, x) = src.at<uint8_t>(sy, sx);
        }
    return out;
}

bool sameBytes(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && a.type() == b.type() && cv::countNonZero(a != b) == 0;
}

TEST(PixelConversions, ShiftMovesContentAndFillsWithZero)
{
    const cv::Mat src = numbered(6, 7);
    struct Shift {
        int dx, dy;
    };
    const Shift shifts[] = {{0, 0}, {2, 0}, {0, 3}, {-3, 0}, {0, -2}, {2, -1}, {-1, 4}, {7, 0}, {0, 6}, {-7, -6}, {100, 100}};
    for (const Shift& s : shifts) {
        cv::Mat dst(src.size(), CV_8UC1, cv::Scalar(0xAA));
        shiftImage(src, dst, s.dx, s.dy);
        EXPECT_TRUE(sameBytes(dst, shiftedByHand(src, s.dx, s.dy))) << "shift " << s.dx << ", " << s.dy;
    }
    cv::Mat dst(src.size(), CV_8UC1);
    shiftImage(src, dst, 7, 0);
    EXPECT_EQ(cv::countNonZero(dst), 0) << "a shift by the full width empties the frame";
}

TEST(PixelConversions, ShiftFollowsEachMatrixRowStep)
{
    // Source and destination as windows into larger buffers: rows are not contiguous.
    cv::Mat bigSrc = numbered(10, 12);
    cv::Mat bigDst(9, 15, CV_8UC1, cv::Scalar(0xAA));
    cv::Mat src = bigSrc(cv::Rect(2, 1, 7, 6));
    cv::Mat dst = bigDst(cv::Rect(4, 2, 7, 6));
    shiftImage(src, dst, 1, 2);
    EXPECT_TRUE(sameBytes(dst, shiftedByHand(src.clone(), 1, 2)));
    // Nothing outside the destination window is written.
    cv::Mat outside = bigDst.clone();
    outside(cv::Rect(4, 2, 7, 6)).setTo(0xAA);
    EXPECT_EQ(cv::countNonZero(outside != 0xAA), 0);
}

TEST(PixelConversions, ShiftInPlaceReadsTheUnshiftedSource)
{
    cv::Mat frame = numbered(5, 5);
    const cv::Mat expected = shiftedByHand(frame, 1, 1);
    shiftImage(frame, frame, 1, 1);
    EXPECT_TRUE(sameBytes(frame, expected));
}

TEST(PixelConversions, RotationByZeroDegreesEqualsTheShift)
{
    const cv::Mat src = numbered(12, 16);
    for (const auto& [dx, dy] : {std::pair{0, 0}, std::pair{3, -2}, std::pair{-5, 4}}) {
        cv::Mat rotated;
        rotateImageAboutPoint(src, rotated, dx, dy, 8, 6, 0.0);
        EXPECT_TRUE(sameBytes(rotated, shiftedByHand(src, dx, dy))) << dx << ", " << dy;
    }
}

TEST(PixelConversions, RotationAppliesAFractionalShift)
{
    // Half a pixel right and a quarter down without a turn: each pixel is interpolated from its
    // neighbours to the left and above (warpAffine weighs in steps of 1/32 pixel and rounds).
    const cv::Mat src = numbered(12, 16);
    cv::Mat moved;
    rotateImageAboutPoint(src, moved, 0.5, 0.25, 8, 6, 0.0);
    for (int y = 1; y < src.rows; ++y) {
        for (int x = 1; x < src.cols; ++x) {
            const double expected = 0.75 * (0.5 * src.at<uint8_t>(y, x - 1) + 0.5 * src.at<uint8_t>(y, x)) +
                                    0.25 * (0.5 * src.at<uint8_t>(y - 1, x - 1) + 0.5 * src.at<uint8_t>(y - 1, x));
            EXPECT_NEAR(moved.at<uint8_t>(y, x), expected, 1.0) << x << ", " << y;
        }
    }
}

TEST(PixelConversions, RotationKeepsTheSizeAndTurnsCounterClockwise)
{
    // A single bright pixel right of the centre lands above the centre after +90 degrees.
    cv::Mat src = cv::Mat::zeros(21, 31, CV_8UC1);
    src.at<uint8_t>(10, 20) = 255;
    cv::Mat rotated;
    rotateImageAboutPoint(src, rotated, 0, 0, 15, 10, 90.0);
    EXPECT_EQ(rotated.size(), src.size());
    cv::Point peak;
    cv::minMaxLoc(rotated, nullptr, nullptr, nullptr, &peak);
    EXPECT_EQ(peak, cv::Point(15, 5));

    // A wide frame keeps its corners while it turns: the turned image is still the frame's size.
    cv::Mat wide(40, 120, CV_8UC1, cv::Scalar(9));
    rotateImageAboutPoint(wide, rotated, 2, 1, 60, 20, 33.0);
    EXPECT_EQ(rotated.size(), wide.size());
    EXPECT_EQ(rotated.type(), CV_8UC1);
}

// The rotation as first built: shift into a zero-bordered square of side 1.414 x the longer
// side, turn that about the moved centre, cut the frame back out.
cv::Mat rotatedInASquare(const cv::Mat& src, int dx, int dy, int cx, int cy, double angle)
{
    const int side = static_cast<int>(std::max(src.cols, src.rows) * 1.414);
    const int bx = (side - src.cols) / 2;
    const int by = (side - src.rows) / 2;
    cv::Mat extended;
    cv::copyMakeBorder(src, extended, by, by, bx, bx, cv::BORDER_CONSTANT, cv::Scalar(0));
    cv::Mat shifted(extended.size(), extended.type());
    shiftImage(extended, shifted, dx, dy);
    const cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(float(cx + bx), float(cy + by)), angle, 1.0);
    cv::Mat turned;
    cv::warpAffine(shifted, turned, m, extended.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(0));
    return turned(cv::Rect(bx, by, src.cols, src.rows)).clone();
}

TEST(PixelConversions, RotationInOneWarpMatchesTheBorderedSquare)
{
    cv::Mat src(120, 200, CV_8UC1);
    cv::RNG(5).fill(src, cv::RNG::UNIFORM, 0, 256);
    cv::GaussianBlur(src, src, cv::Size(0, 0), 1.5);
    for (const double angle : {-4.5, -1.0, 0.3, 2.7, 33.0}) {
        for (const auto& [dx, dy] : {std::pair{0, 0}, std::pair{7, -5}, std::pair{-12, 9}}) {
            cv::Mat rotated(src.size(), CV_8UC1);
            const uchar* buffer = rotated.data;
            rotateImageAboutPoint(src, rotated, dx, dy, 90, 70, angle);
            EXPECT_EQ(rotated.data, buffer) << "written in place";
            const cv::Mat reference = rotatedInASquare(src, dx, dy, 90, 70, angle);
            cv::Mat diff;
            cv::absdiff(rotated, reference, diff);
            // warpAffine places its samples on a 1/32-pixel grid that starts at the output's
            // origin, so the two outputs differ by a fraction of that step: a few grey levels on
            // the steepest edges of this noise, on average well below one.
            EXPECT_LE(cv::norm(diff, cv::NORM_INF), 6.0) << angle << " " << dx << " " << dy;
            EXPECT_LT(cv::mean(diff)[0], 0.5) << angle << " " << dx << " " << dy;
        }
    }
    // The same buffer as source and destination still turns the original content.
    cv::Mat inPlace = src.clone();
    rotateImageAboutPoint(inPlace, inPlace, 3, 2, 90, 70, 2.0);
    cv::Mat diff;
    cv::absdiff(inPlace, rotatedInASquare(src, 3, 2, 90, 70, 2.0), diff);
    EXPECT_LT(cv::mean(diff)[0], 0.5);
}

}  // namespace
