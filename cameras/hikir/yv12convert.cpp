#include "cameras/hikir/yv12convert.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// Integer offsets that give the same bytes as the double formulas: for an integer Y,
// trunc(Y + x) clamped to 0..255 equals clamp(Y + floor(x)) (a negative sum clamps to 0 either
// way). The tables are made from the very products the formulas compute; the conversion tests
// check every Y, U and V against the formulas.
struct ColourTables {
    int blueU[256];
    int redV[256];
    int greenUV[256][256];
    // Products of the grey weights, added in the formula's order: bit-identical sums.
    double greyG[256];
    double greyR[256];
    double greyB[256];

    ColourTables()
    {
        for (int c = 0; c < 256; ++c) {
            blueU[c] = static_cast<int>(std::floor(1.732446 * (c - 128)));
            redV[c] = static_cast<int>(std::floor(1.370705 * (c - 128)));
            greyG[c] = 0.587 * c;
            greyR[c] = 0.299 * c;
            greyB[c] = 0.114 * c;
        }
        for (int u = 0; u < 256; ++u) {
            for (int v = 0; v < 256; ++v)
                greenUV[u][v] = static_cast<int>(std::floor(-0.698001 * (u - 128) - 0.703125 * (v - 128)));
        }
    }
};

const ColourTables& tables()
{
    static const ColourTables t;
    return t;
}

inline unsigned char clampByte(int v)
{
    return static_cast<unsigned char>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

bool usable(const unsigned char* src, const unsigned char* dst, int w, int h)
{
    return src && dst && w >= 2 && h >= 1 && static_cast<long long>(w) * h >= 1;
}

// Calls pixel(index, B, G, R) for every pixel, rows top to bottom.
template <typename Pixel>
void convert(const unsigned char* yv12, int w, int h, Pixel pixel)
{
    const ColourTables& t = tables();
    const std::size_t pixels = static_cast<std::size_t>(w) * h;
    const unsigned char* vPlane = yv12 + pixels;
    const unsigned char* uPlane = yv12 + pixels * 5 / 4;
    const int chromaStride = w / 2;
    for (int i = 0; i < h; ++i) {
        const unsigned char* yRow = yv12 + static_cast<std::size_t>(i) * w;
        const std::size_t chromaRow = static_cast<std::size_t>(i / 2) * chromaStride;
        const std::size_t rowStart = static_cast<std::size_t>(i) * w;
        for (int j = 0; j < w; ++j) {
            const int y = yRow[j];
            const int u = uPlane[chromaRow + j / 2];
            const int v = vPlane[chromaRow + j / 2];
            pixel(rowStart + j, clampByte(y + t.blueU[u]), clampByte(y + t.greenUV[u][v]), clampByte(y + t.redV[v]));
        }
    }
}

}  // namespace

bool yv12ToBgr32(const unsigned char* yv12, unsigned char* bgr32, int w, int h)
{
    if (!usable(yv12, bgr32, w, h))
        return false;
    convert(yv12, w, h, [bgr32](std::size_t index, unsigned char b, unsigned char g, unsigned char r) {
        unsigned char* out = bgr32 + index * 4;
        out[0] = b;
        out[1] = g;
        out[2] = r;
        out[3] = 0;
    });
    return true;
}

bool yv12ToGray(const unsigned char* yv12, unsigned char* grey, int w, int h)
{
    if (!usable(yv12, grey, w, h))
        return false;
    const ColourTables& t = tables();
    convert(yv12, w, h, [grey, &t](std::size_t index, unsigned char b, unsigned char g, unsigned char r) {
        grey[index] = static_cast<unsigned char>(static_cast<int>(t.greyG[g] + t.greyR[r] + t.greyB[b]));
    });
    return true;
}
