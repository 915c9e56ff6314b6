// Conversion of a decoded YV12 picture (Y plane, then V, then U at half resolution in both
// directions) into the monitor's grey or 32-bit (blue, green, red, 0) frame.
#pragma once

// Per pixel, in double precision, each truncated toward zero and clamped to 0..255:
//   B = Y + 1.732446 (U - 128),  G = Y - 0.698001 (U - 128) - 0.703125 (V - 128),
//   R = Y + 1.370705 (V - 128)
// with U and V of the pixel's 2 x 2 block. The conversions compute exactly these bytes from
// tables. Both return false and write nothing when a buffer is missing, w x h is below 1 or w
// is below 2.
bool yv12ToBgr32(const unsigned char* yv12, unsigned char* bgr32, int w, int h);
// 0.587 G + 0.299 R + 0.114 B of the clamped values, truncated.
bool yv12ToGray(const unsigned char* yv12, unsigned char* grey, int w, int h);
