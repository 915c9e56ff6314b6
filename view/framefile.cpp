#include "view/framefile.h"

#include "core/atomicfile.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QRegularExpression>
#include <QString>
#include <QVector>

bool writeImageFile(const QImage& image, const QString& path)
{
    if (image.isNull())
        return false;
    const QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) {
        qWarning("cannot write %s: %s", qPrintable(path), qPrintable(writer.errorString()));
        return false;
    }
    return replaceFileContent(path, bytes);
}

bool writeFrameFile(const QString& path, const unsigned char* frame, int width, int height, bool colour)
{
    if (!frame || width <= 0 || height <= 0)
        return false;
    const int bytesPerPixel = colour ? 4 : 1;
    const QImage image(frame, width, height, width * bytesPerPixel, colour ? QImage::Format_RGB32 : QImage::Format_Indexed8);
    if (colour)
        return writeImageFile(image, path);
    static const QVector<QRgb> greyTable = [] {
        QVector<QRgb> table(256);
        for (int i = 0; i < 256; ++i)
            table[i] = qRgb(i, i, i);
        return table;
    }();
    QImage indexed = image;
    indexed.setColorTable(greyTable);
    return writeImageFile(indexed, path);
}

int removeCutPictureWrites(const QString& folder)
{
    // The temporary name is the target's with a dot and six letters or digits appended.
    static const QRegularExpression temporary(QStringLiteral("^.+\\.bmp\\.[A-Za-z0-9]{6}$"));
    const QDir dir(folder);
    int removed = 0;
    for (const QString& name : dir.entryList({QStringLiteral("*.bmp.*")}, QDir::Files | QDir::Hidden)) {
        if (!temporary.match(name).hasMatch())
            continue;
        if (QFile::remove(dir.filePath(name))) {
            qWarning("removed %s, left by a picture write that was cut", qPrintable(dir.filePath(name)));
            ++removed;
        }
    }
    return removed;
}
