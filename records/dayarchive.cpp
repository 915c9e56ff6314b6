#include "records/dayarchive.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QString>

#include <algorithm>

QString freeArchivePath(const QDir& folder, const QString& day)
{
    const QString base = folder.absolutePath() + QLatin1Char('/') + day;
    QString path = base + QStringLiteral(".db");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = base + QStringLiteral("_%1.db").arg(n);
    return path;
}

bool archiveDayFile(const QString& file, const QDir& folder, const QString& day)
{
    if (!QFile::exists(file))
        return true;
    if (!folder.exists())
        QDir().mkpath(folder.absolutePath());
    const QString target = freeArchivePath(folder, day);
    qInfo("%s", qPrintable(target));
    if (!QFile::rename(file, target)) {
        qInfo("fail rename %s to %s", qPrintable(file), qPrintable(target));
        return false;
    }
    qInfo("rename %s.db success", qPrintable(day));
    return true;
}

namespace {

struct Archive {
    QDate date;
    int n;  // 1 for "<date>.db", else the "_<n>" of a later file of the same date
    QString path;
};

// Whether first..last (open ends invalid) meets from..to.
bool meets(const DayFileSpan& span, QDate from, QDate to)
{
    return (!span.first.isValid() || span.first <= to) && (!span.last.isValid() || span.last >= from);
}

}  // namespace

QList<DayFileSpan> dayFilesMeeting(const QDir& folder, const QString& current, QDate from, QDate to)
{
    static const QRegularExpression name(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2})(?:_(\\d+))?\\.db$"));
    QList<Archive> archives;
    const QStringList files = folder.entryList({QStringLiteral("*.db")}, QDir::Files);
    for (const QString& file : files) {
        const QRegularExpressionMatch m = name.match(file);
        if (!m.hasMatch())
            continue;
        const QDate date = QDate::fromString(m.captured(1), Qt::ISODate);
        if (!date.isValid())
            continue;
        const int n = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
        archives.append({date, n, folder.absoluteFilePath(file)});
    }
    std::sort(archives.begin(), archives.end(), [](const Archive& a, const Archive& b) {
        return a.date != b.date ? a.date < b.date : a.n < b.n;
    });

    QList<DayFileSpan> spans;
    for (int i = 0; i < archives.size(); ++i) {
        const DayFileSpan span{archives.at(i).path, archives.at(i).date,
                               i + 1 < archives.size() ? archives.at(i + 1).date : QDate()};
        if (meets(span, from, to))
            spans.append(span);
    }
    if (QFile::exists(current)) {
        const DayFileSpan span{current, archives.isEmpty() ? QDate() : archives.last().date, QDate()};
        if (meets(span, from, to))
            spans.append(span);
    }
    return spans;
}
