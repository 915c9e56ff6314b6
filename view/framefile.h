// Writes a camera frame buffer as a picture file: 32-bit RGB for colour frames (bytes blue,
// green, red and an ignored byte), 8-bit indexed with an opaque grey palette otherwise.
// Pictures are written whole or not at all: encoded in memory, written to a temporary file
// beside the target, flushed to the disk and renamed over the target (core/atomicfile.h). A cut
// at any instant leaves the earlier file as it was.
#pragma once

class QImage;
class QString;

// `frame` holds width x height pixels of 4 bytes (colour) or 1 byte, rows top to bottom. The
// format follows from the file name. False (and logged) when the file could not be written;
// the earlier file is then kept.
bool writeFrameFile(const QString& path, const unsigned char* frame, int width, int height, bool colour);

// `image` into `path` in the format of the file name's suffix, the same way.
bool writeImageFile(const QImage& image, const QString& path);

// Removes from `folder` the temporary files of picture writes that were cut before their rename
// ("<name>.bmp.XXXXXX"), so no half-written file lies about for the next start. The number
// removed.
int removeCutPictureWrites(const QString& folder);
