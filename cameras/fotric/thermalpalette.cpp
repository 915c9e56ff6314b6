#include "cameras/fotric/thermalpalette.h"

#include <algorithm>
#include <cstddef>

namespace {

// The palette's anchor rows; the rows between them are a straight blend of their neighbours.
struct Anchor {
    int row;
    PaletteEntry colour;
};
constexpr Anchor kAnchors[] = {
    {0, {0, 15, 20}},       {16, {18, 0, 102}},     {32, {74, 0, 145}},     {48, {123, 0, 162}},
    {64, {161, 8, 154}},    {80, {193, 28, 129}},   {96, {215, 54, 93}},    {112, {220, 83, 57}},
    {128, {220, 114, 22}},  {144, {220, 145, 0}},   {160, {220, 178, 0}},   {176, {220, 206, 14}},
    {192, {220, 230, 65}},  {208, {220, 230, 157}}, {224, {220, 230, 189}}, {240, {220, 230, 205}},
    {255, {220, 230, 220}},
};

std::uint8_t blend(int a, int b, int step, int steps)
{
    // Rounded to the nearest level.
    return static_cast<std::uint8_t>((a * (steps - step) + b * step + steps / 2) / steps);
}

ThermalPalette makePalette()
{
    ThermalPalette palette{};
    for (std::size_t i = 0; i + 1 < std::size(kAnchors); ++i) {
        const Anchor& lo = kAnchors[i];
        const Anchor& hi = kAnchors[i + 1];
        const int steps = hi.row - lo.row;
        for (int step = 0; step <= steps; ++step) {
            palette[static_cast<std::size_t>(lo.row + step)] = {blend(lo.colour.red, hi.colour.red, step, steps),
                                                                blend(lo.colour.green, hi.colour.green, step, steps),
                                                                blend(lo.colour.blue, hi.colour.blue, step, steps)};
        }
    }
    return palette;
}

}  // namespace

const ThermalPalette& thermalPalette()
{
    static const ThermalPalette palette = makePalette();
    return palette;
}

void renderThermalFrame(const std::uint16_t* raw, int width, int height, const ThermalPalette& palette,
                        std::uint8_t* bgr0)
{
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (count == 0)
        return;
    const auto range = std::minmax_element(raw, raw + count);
    const unsigned lo = *range.first;
    const unsigned span = std::max(static_cast<unsigned>(*range.second) - lo, 1u);
    for (std::size_t i = 0; i < count; ++i) {
        const PaletteEntry& entry = palette[(raw[i] - lo) * 255u / span];
        std::uint8_t* pixel = bgr0 + 4 * i;
        pixel[0] = entry.blue;
        pixel[1] = entry.green;
        pixel[2] = entry.red;
        pixel[3] = 0;
    }
}
