#include "view/recordlists.h"

#include "core/atomicfile.h"
#include "core/writtenorder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QString>

namespace {

QString templateFolder(int camera, int detect)
{
    return QStringLiteral("./cammer%1%2").arg(camera + 1).arg(detect + 1);
}

QString orderFile(int camera, int detect)
{
    return templateFolder(camera, detect) + QStringLiteral("/written-order.txt");
}

}  // namespace

QFileInfoList templateEntries(int camera, int detect)
{
    const QDir folder(templateFolder(camera, detect));
    return folder.entryInfoList({QStringLiteral("template*.bmp")}, QDir::NoFilter, QDir::NoSort);
}

QFileInfoList recordEntries(const QDir& folder)
{
    return folder.entryInfoList({QStringLiteral("*.jpg")}, QDir::Files | QDir::Dirs | QDir::Drives, QDir::Time);
}

int templateSlotOfFile(const QString& fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^template(\\d{1,4})\\.bmp$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QStringList templateWrittenOrder(int camera, int detect)
{
    return readWrittenOrder(orderFile(camera, detect), [](const QString& name) { return templateSlotOfFile(name) >= 0; });
}

void noteTemplateWritten(int camera, int detect, int slot)
{
    const QString path = orderFile(camera, detect);
    // What an earlier replacement cut off left beside the file; it would travel with the group.
    for (const QString& leftover : leftoverTemporaryFiles(path))
        QFile::remove(leftover);
    const QStringList names = noteWritten(templateWrittenOrder(camera, detect),
                                          QStringLiteral("template%1.bmp").arg(slot), QDir(templateFolder(camera, detect)));
    replaceFileContent(path, (names.join(QLatin1Char('\n')) + QLatin1Char('\n')).toLatin1());
}
