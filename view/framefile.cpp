#include "view/framefile.h"

#include <QImage>
#include <QString>
#include <QVector>

bool writeFrameFile(const QString& path, const unsigned char* frame, int width, int height, bool colour)
{
    if (!frame || width <= 0 || height <= 0)
        return false;
    const int bytesPerPixel = colour ? 4 : 1;
    const QImage image(frame, width, height, width * bytesPerPixel, colour ? QImage::Format_RGB32 : QImage::Format_Indexed8);
    if (colour)
        return image.save(path);
    static const QVector<QRgb> greyTable = [] {
        QVector<QRgb> table(256);
        for (int i = 0; i < 256; ++i)
            table[i] = qRgb(i, i, i);
        return table;
    }();
    QImage indexed = image;
    indexed.setColorTable(greyTable);
    return indexed.save(path);
}
