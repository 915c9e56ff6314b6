// Turning the thermal camera's raw 16-bit frames into images: the 256-entry false-colour palette
// (dark blue through purple, red, orange and yellow to white) and the rendering through it.
#pragma once

#include <array>
#include <cstdint>

struct PaletteEntry {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

using ThermalPalette = std::array<PaletteEntry, 256>;

// The program's false-colour palette.
const ThermalPalette& thermalPalette();

// Spreads the frame's own range of raw values over the palette: with lo and hi the frame's
// minimum and maximum and span = max(hi - lo, 1), pixel v shows entry (v - lo) * 255 / span
// (integer arithmetic). Writes width x height pixels blue, green, red, 0 into `bgr0`.
void renderThermalFrame(const std::uint16_t* raw, int width, int height, const ThermalPalette& palette,
                        std::uint8_t* bgr0);
