// The network thermal camera's YV12 conversions: a known picture, every Y, U and V against the
// double-precision formulas, and the refusals.
#include "cameras/hikir/yv12convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

int clampTruncated(double x)
{
    const int v = static_cast<int>(x);
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// The formulas as the camera's conversion is defined, in double precision.
struct Bgr {
    int b, g, r;
};
Bgr formula(int y, int u, int v)
{
    return {clampTruncated(y + 1.732446 * (u - 128)), clampTruncated(y - 0.698001 * (u - 128) - 0.703125 * (v - 128)),
            clampTruncated(y + 1.370705 * (v - 128))};
}
int greyFormula(const Bgr& p)
{
    return static_cast<int>(0.587 * p.g + 0.299 * p.r + 0.114 * p.b);
}

TEST(HikIRConversion, AKnownPictureGivesTheExpectedBytes)
{
    // 4 x 2: the left 2 x 2 block has neutral chroma, the right one U = 255, V = 0.
    const std::vector<uint8_t> yv12 = {
        16, 128, 235, 60,   // Y row 0
        200, 0, 255, 100,   // Y row 1
        128, 0,             // V plane
        128, 255,           // U plane
    };
    const std::vector<uint8_t> bgr = {
        16, 16, 16, 0,    128, 128, 128, 0, 255, 236, 59, 0, 255, 61, 0, 0,
        200, 200, 200, 0, 0, 0, 0, 0,       255, 255, 79, 0, 255, 101, 0, 0,
    };
    // Truncation makes a neutral 16 or 128 one darker in grey.
    const std::vector<uint8_t> grey = {15, 127, 185, 64, 200, 0, 202, 88};

    std::vector<uint8_t> out(bgr.size(), 0xAA);
    ASSERT_TRUE(yv12ToBgr32(yv12.data(), out.data(), 4, 2));
    EXPECT_EQ(out, bgr);
    std::vector<uint8_t> outGrey(grey.size(), 0xAA);
    ASSERT_TRUE(yv12ToGray(yv12.data(), outGrey.data(), 4, 2));
    EXPECT_EQ(outGrey, grey);
}

TEST(HikIRConversion, EveryLumaAndChromaGivesTheFormulasBytes)
{
    // 4096 x 4096: each of the 2048 x 2048 chroma samples holds one (U, V) pair; the 64 repeats of
    // each pair carry luma 4r .. 4r + 3 in their 2 x 2 blocks, so every (Y, U, V) occurs.
    const int w = 4096;
    const int h = 4096;
    const std::size_t pixels = static_cast<std::size_t>(w) * h;
    const int cw = w / 2;
    std::vector<uint8_t> yv12(pixels * 3 / 2);
    uint8_t* vPlane = yv12.data() + pixels;
    uint8_t* uPlane = yv12.data() + pixels * 5 / 4;
    for (int ci = 0; ci < h / 2; ++ci) {
        for (int cj = 0; cj < cw; ++cj) {
            const int c = ci * cw + cj;
            uPlane[c] = static_cast<uint8_t>(c & 0xFF);
            vPlane[c] = static_cast<uint8_t>((c >> 8) & 0xFF);
            const int r = c >> 16;
            yv12[(2 * ci) * w + 2 * cj] = static_cast<uint8_t>(4 * r);
            yv12[(2 * ci) * w + 2 * cj + 1] = static_cast<uint8_t>(4 * r + 1);
            yv12[(2 * ci + 1) * w + 2 * cj] = static_cast<uint8_t>(4 * r + 2);
            yv12[(2 * ci + 1) * w + 2 * cj + 1] = static_cast<uint8_t>(4 * r + 3);
        }
    }
    std::vector<uint8_t> bgr(pixels * 4);
    std::vector<uint8_t> grey(pixels);
    ASSERT_TRUE(yv12ToBgr32(yv12.data(), bgr.data(), w, h));
    ASSERT_TRUE(yv12ToGray(yv12.data(), grey.data(), w, h));

    int mismatches = 0;
    for (int i = 0; i < h && mismatches < 5; ++i) {
        for (int j = 0; j < w; ++j) {
            const std::size_t p = static_cast<std::size_t>(i) * w + j;
            const int c = (i / 2) * cw + j / 2;
            const Bgr want = formula(yv12[p], uPlane[c], vPlane[c]);
            const uint8_t* got = &bgr[p * 4];
            if (got[0] != want.b || got[1] != want.g || got[2] != want.r || got[3] != 0 || grey[p] != greyFormula(want)) {
                ADD_FAILURE() << "Y " << int(yv12[p]) << " U " << int(uPlane[c]) << " V " << int(vPlane[c]) << ": got "
                              << int(got[0]) << "," << int(got[1]) << "," << int(got[2]) << " grey " << int(grey[p])
                              << ", want " << want.b << "," << want.g << "," << want.r << " grey " << greyFormula(want);
                if (++mismatches == 5)
                    break;
            }
        }
    }
}

TEST(HikIRConversion, RefusesMissingBuffersAndTooSmallPictures)
{
    struct Case {
        const char* what;
        bool source;
        bool destination;
        int w;
        int h;
    };
    const Case cases[] = {
        {"no source", false, true, 4, 2},     {"no destination", true, false, 4, 2},
        {"width 1", true, true, 1, 4},        {"height 0", true, true, 4, 0},
        {"negative size", true, true, -4, -2},
    };
    const std::vector<uint8_t> yv12(64, 100);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> out(64, 0xAA);
        const uint8_t* src = c.source ? yv12.data() : nullptr;
        uint8_t* dst = c.destination ? out.data() : nullptr;
        EXPECT_FALSE(yv12ToBgr32(src, dst, c.w, c.h));
        EXPECT_FALSE(yv12ToGray(src, dst, c.w, c.h));
        EXPECT_EQ(out, std::vector<uint8_t>(64, 0xAA));
    }
}

}  // namespace
