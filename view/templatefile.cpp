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

bool readTemplateFile(const QString& path, int width, int height, bool colour, unsigned char* frame)
{
    if (width <= 0 || height <= 0 || bmpBitDepth(path) != (colour ? 32 : 8))
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
