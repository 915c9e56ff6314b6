#include "core/writtenorder.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>
#include <utility>
#include <vector>

QFileInfoList oldestWrittenFirst(QFileInfoList files, const QDateTime& now)
{
    const qint64 nowMs = now.toMSecsSinceEpoch();
    // Per file, read once: whether it is dated up to now (false, the files of a set-back, sort
    // first), then its modification time.
    std::vector<std::pair<std::pair<bool, qint64>, int>> keys;
    keys.reserve(size_t(files.size()));
    for (int i = 0; i < files.size(); ++i) {
        const qint64 ms = files.at(i).lastModified().toMSecsSinceEpoch();
        keys.push_back({{ms <= nowMs, ms}, i});
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QFileInfoList ordered;
    ordered.reserve(files.size());
    for (const auto& key : keys)
        ordered.append(files.at(key.second));
    return ordered;
}
