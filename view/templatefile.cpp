#include "view/templatefile.h"

#include <QFile>
#include <QImage>
#include <QString>
#include <QtEndian>

#include <cstring>

int bmpBitDepth(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    // File header (14 bytes), then the info header whose bit count sits at offset 14 of it.
    const QByteArray head = file.read(30);
    if (head.size() < 30 || head[0] != 'B' || head[1] != 'M')
        return 0;
    return qFromLittleEndian<quint16>(head.constData() + 28);
}

bool bmpComplete(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(54);
    if (head.size() < 26 || head[0] != 'B' || head[1] != 'M')
        return false;
    const char* h = head.constData();
    const quint32 dataOffset = qFromLittleEndian<quint32>(h + 10);
    const quint32 infoSize = qFromLittleEndian<quint32>(h + 14);
    qint64 width = 0;
    qint64 height = 0;
    int bits = 0;
    quint32 compression = 0;
    quint32 imageBytes = 0;
    if (infoSize == 12) {
        // The old core header: 16-bit sizes, no compression.
        width = qFromLittleEndian<quint16>(h + 18);
        height = qFromLittleEndian<quint16>(h + 20);
        bits = qFromLittleEndian<quint16>(h + 24);
    } else {
        if (head.size() < 54 || infoSize < 40)
            return false;
        width = qFromLittleEndian<qint32>(h + 18);
        height = qAbs(qint64(qFromLittleEndian<qint32>(h + 22)));
        bits = qFromLittleEndian<quint16>(h + 28);
        compression = qFromLittleEndian<quint32>(h + 30);
        imageBytes = qFromLittleEndian<quint32>(h + 34);
    }
    if (width <= 0 || height <= 0 || bits <= 0)
        return false;
    qint64 pixelBytes = 0;
    if (compression == 0 || compression == 3) {
        // Uncompressed rows are padded to whole 4-byte words.
        pixelBytes = (width * bits + 31) / 32 * 4 * height;
    } else {
        // Run-length coded: only the coded size the header records can be checked.
        pixelBytes = imageBytes;
    }
    return qint64(dataOffset) + pixelBytes <= file.size();
}

bool readTemplateFile(const QString& path, int width, int height, bool colour, unsigned char* frame)
{
    if (width <= 0 || height <= 0 || bmpBitDepth(path) != (colour ? 32 : 8) || !bmpComplete(path))
        return false;
    QImage image(path, "BMP");
    if (image.isNull() || image.width() != width || image.height() != height)
        return false;
    // Rows are copied one by one: a picture row is padded to 4 bytes, a frame row is not.
    if (colour) {
        image = image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            std::memcpy(frame + size_t(y) * width * 4, image.constScanLine(y), size_t(width) * 4);
    } else {
        image = image.convertToFormat(QImage::Format_Grayscale8);
        for (int y = 0; y < height; ++y)
            std::memcpy(frame + size_t(y) * width, image.constScanLine(y), size_t(width));
    }
    return true;
}
