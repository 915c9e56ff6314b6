#include "view/resultpicture.h"

#include <cstring>

QString roiLimitsText(int toolType, int p2, int p3, bool showDetails, int alarmArea)
{
    if (!showDetails && toolType == 0)
        return QString::number(alarmArea);
    switch (toolType) {
    case 6:
        return QString::number(p2);
    case 1:
        return QStringLiteral("%1--%2").arg(p2).arg(p3);
    case 9:
        return QStringLiteral("%1--%2").arg(int(qint16(p2 & 0xffff))).arg(int(qint16(p3 & 0xffff)));
    default:
        return QString::number(p3);
    }
}

const QVector<QRgb>& greyColourTable()
{
    static const QVector<QRgb> table = [] {
        QVector<QRgb> grey;
        grey.reserve(256);
        for (int i = 0; i < 256; ++i)
            grey.append(qRgb(i, i, i));
        return grey;
    }();
    return table;
}

QImage greyFrameImage(const unsigned char* frame, int width, int height)
{
    QImage image(width, height, QImage::Format_Indexed8);
    if (image.isNull())
        return image;
    image.setColorTable(greyColourTable());
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), frame + size_t(width) * size_t(y), size_t(width));
    return image;
}
