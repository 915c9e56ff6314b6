#include "core/writtenorder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <tuple>
#include <vector>

QFileInfoList oldestWrittenFirst(QFileInfoList files, const QDateTime& now, const QStringList& written)
{
    QHash<QString, int> rank;
    for (int i = 0; i < written.size(); ++i)
        rank.insert(written.at(i), i);
    const qint64 nowMs = now.toMSecsSinceEpoch();
    // Per file, read once: whether the program's order places it (those come last, by their
    // place in it); else whether it is dated up to now (false, the files of a set-back, sort
    // first), then its modification time.
    struct Key {
        bool placed;
        bool upToNow;
        qint64 when;
        int index;
    };
    std::vector<Key> keys;
    keys.reserve(size_t(files.size()));
    for (int i = 0; i < files.size(); ++i) {
        const auto place = rank.constFind(files.at(i).fileName());
        if (place != rank.constEnd()) {
            keys.push_back({true, true, qint64(*place), i});
        } else {
            const qint64 ms = files.at(i).lastModified().toMSecsSinceEpoch();
            keys.push_back({false, ms <= nowMs, ms, i});
        }
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return std::tie(a.placed, a.upToNow, a.when) < std::tie(b.placed, b.upToNow, b.when);
    });
    QFileInfoList ordered;
    ordered.reserve(files.size());
    for (const Key& key : keys)
        ordered.append(files.at(key.index));
    return ordered;
}

QStringList noteWritten(QStringList order, const QString& name, const QDir& folder)
{
    order.removeAll(name);
    order.append(name);
    order.erase(std::remove_if(order.begin(), order.end(),
                               [&](const QString& entry) { return !QFileInfo::exists(folder.filePath(entry)); }),
                order.end());
    return order;
}

QStringList readWrittenOrder(const QString& path, const std::function<bool(const QString&)>& keep)
{
    constexpr qint64 kMaxBytes = 64 * 1024;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList names;
    for (const QByteArray& line : file.read(kMaxBytes).split('\n')) {
        const QString name = QString::fromUtf8(line.trimmed());
        if (!name.isEmpty() && keep(name))
            names << name;
    }
    return names;
}
