// The program's own pixel-layout conversions (8-bit grey, 24-bit RGB, 32-bit 0x00RRGGBB) and the
// frame shift and rotation of the position correction. Free functions over caller-owned buffers;
// none keeps memory beyond the call.
#pragma once

#include <opencv2/core/mat.hpp>

#include <cstdint>

// Each grey value g becomes the 32-bit pixel g, g, g, 0.
void grayToRgb32(const uint8_t* src, uint8_t* dst, int width, int height);

// 24-bit pixels in the order red, green, blue become 32-bit pixels blue, green, red, 0.
void rgb24ToRgb32(uint8_t* dst, const uint8_t* src, int width, int height);

// Grey value per 32-bit pixel with the program's integer weights: 0.299 on byte 0 (blue),
// 0.587 on byte 1, 0.114 on byte 2 (red), each table entry rounded down, so white gives 254.
void rgb32ToGray(uint8_t* dst, const uint8_t* src, int width, int height);

// Hue per 32-bit pixel on the scale 0..254 (42.5 steps per 60 degrees), with byte 0 taken as "r".
void rgb32ToHue(uint8_t* dst, const uint8_t* src, int width, int height);

// dst(y, x) = src(y - dy, x - dx) where that lies inside src, else 0. Both matrices 8-bit, one
// channel, same size; dst must already be allocated. Positive dx moves right, positive dy down.
void shiftImage(cv::Mat src, cv::Mat& dst, int dx, int dy);

// Shifts by (dx, dy), then turns about (cx, cy) by `angle` degrees (positive counter-clockwise
// on screen), with bilinear interpolation; dst gets the source's size, unreached areas are 0.
// The shift may be fractional: the position correction applies a sub-pixel pose in this one
// warp.
void rotateImageAboutPoint(cv::Mat src, cv::Mat& dst, double dx, double dy, int cx, int cy, double angle);
