#include "view/recordlists.h"

#include <QDir>
#include <QRegularExpression>
#include <QString>

QFileInfoList templateEntries(int camera, int detect)
{
    const QDir folder(QStringLiteral("./cammer%1%2").arg(camera + 1).arg(detect + 1));
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
