// Writes a camera frame buffer as a picture file: 32-bit RGB for colour frames (bytes blue,
// green, red and an ignored byte), 8-bit indexed with an opaque grey palette otherwise.
#pragma once

class QString;

// `frame` holds width x height pixels of 4 bytes (colour) or 1 byte, rows top to bottom. The
// format follows from the file name. False when the file could not be written.
bool writeFrameFile(const QString& path, const unsigned char* frame, int width, int height, bool colour);
