// Reads a stored template picture (./cammer<c><d>/template<n>.bmp) into a frame buffer of the
// camera's pixel format, refusing pictures of another size or bit depth.
#pragma once

class QString;

// Bits per pixel recorded in a BMP file's header; 0 when the file is missing or no BMP.
int bmpBitDepth(const QString& path);

// True when `path` is a BMP file that holds every pixel row its header announces. A file cut
// short (a write ended by a power cut) is not: image readers would take the missing rows as
// whatever memory held.
bool bmpComplete(const QString& path);

// Reads `path` into `frame` (width x height bytes for grey frames, 4 x that for colour frames,
// rows top to bottom). Accepted only when the file is a BMP of exactly width x height whose bit
// depth gives one frame: 8 bits a pixel for grey frames, 32 for colour frames, and that holds
// all its rows (see bmpComplete). Grey pixels are
// taken through the file's palette, colour pixels as blue, green, red and a fourth byte.
// Returns false and leaves `frame` alone otherwise.
bool readTemplateFile(const QString& path, int width, int height, bool colour, unsigned char* frame);
