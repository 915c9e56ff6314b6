// Writes BMP files byte by byte, so tests control the bit depth and palette exactly (Qt and
// OpenCV choose their own depths when they write).
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QtEndian>

#include <functional>

namespace BmpWriter {

inline void put16(QByteArray& b, int offset, quint16 v) { qToLittleEndian<quint16>(v, b.data() + offset); }
inline void put32(QByteArray& b, int offset, quint32 v) { qToLittleEndian<quint32>(v, b.data() + offset); }

// A bottom-up BMP of `bits` (8 with the given 256-entry palette, 24 or 32) whose pixel (x, y)
// (top-left origin) has the value `pixel(x, y)`: a palette index for 8 bits, else 0x00RRGGBB.
inline bool write(const QString& path, int width, int height, int bits, const std::function<quint32(int, int)>& pixel,
                  const std::function<quint32(int)>& palette = [](int i) { return quint32(i * 0x010101); })
{
    const int paletteBytes = bits == 8 ? 256 * 4 : 0;
    const int rowBytes = ((width * bits / 8) + 3) / 4 * 4;
    const int dataOffset = 54 + paletteBytes;
    QByteArray b(dataOffset + rowBytes * height, '\0');
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, quint32(b.size()));
    put32(b, 10, quint32(dataOffset));
    put32(b, 14, 40);
    put32(b, 18, quint32(width));
    put32(b, 22, quint32(height));
    put16(b, 26, 1);
    put16(b, 28, quint16(bits));
    put32(b, 34, quint32(rowBytes * height));
    if (bits == 8) {
        put32(b, 46, 256);
        for (int i = 0; i < 256; ++i)
            put32(b, 54 + i * 4, palette(i));
    }
    for (int y = 0; y < height; ++y) {
        char* row = b.data() + dataOffset + (height - 1 - y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            const quint32 v = pixel(x, y);
            if (bits == 8) {
                row[x] = char(v);
            } else {
                const int n = bits / 8;
                row[x * n] = char(v & 0xff);
                row[x * n + 1] = char((v >> 8) & 0xff);
                row[x * n + 2] = char((v >> 16) & 0xff);
            }
        }
    }
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(b) == b.size();
}

}  // namespace BmpWriter
