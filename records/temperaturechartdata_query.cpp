// The result store's date-range queries on its query thread, the bin axes and the counting of
// rounds into bins and totals.
#include "records/temperaturechartdata.h"

#include "core/wallclock.h"
#include "records/datathread.h"
#include "records/dayarchive.h"
#include "records/rowparsing.h"

#include <QDir>
#include <QHash>
#include <QMutexLocker>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace {

const char* const kTimeFormat = "yyyy-MM-dd hh:mm:ss.zzz";
const char* const kLabelFormat = "MM-dd hh:mm:ss";
const char* const kResultFile = "ResStatistics.db";
const char* const kArchiveFolder = "ResStatistics";
// The query pass's own connection, made, used and removed in queryThread.
const char* const kQueryConnection = "ResQueryDB";
constexpr int kTemperatureTool = 9;
constexpr int kMaxBins = 24;
constexpr int kHourSeconds = 3600;

// Whole seconds from `from` to `to`, rounded down (a later `to` gives a positive count).
qint64 wholeSeconds(qint64 fromMs, qint64 toMs)
{
    const qint64 d = toMs - fromMs;
    return d >= 0 ? d / 1000 : -((-d + 999) / 1000);
}

// Hourly bins of a range: one per started hour, at most 24.
int binCount(const QueryFilter& f)
{
    if (!f.from.isValid() || !f.to.isValid())
        return 0;
    const qint64 s = f.from.secsTo(f.to);
    if (s <= 0)
        return 0;
    return int(qMin<qint64>((s + kHourSeconds - 1) / kHourSeconds, kMaxBins));
}

struct Axis {
    QDateTime start;
    QDateTime end;
    double binSeconds = kHourSeconds;
    QList<QStringList> labels;
};

Axis rangeAxis(const QueryFilter& f)
{
    Axis axis;
    axis.start = f.from;
    axis.end = f.to;
    const qint64 s = f.from.secsTo(f.to);
    const qint64 n = s > 0 ? (s + kHourSeconds - 1) / kHourSeconds : 0;
    int k = 0;
    if (n > kMaxBins) {
        axis.binSeconds = double(s) / kMaxBins;
        k = kMaxBins - 1;
    } else {
        axis.binSeconds = kHourSeconds;
        k = int(n) - 1;
    }
    const QString format = QString::fromLatin1(kLabelFormat);
    // Labels in whole seconds: a bin of 7199.96 s (two days ending at 23:59:59.999) reads as two
    // hours, not as a start that drifts back a second per bin.
    const qint64 step = qRound64(axis.binSeconds);
    QStringList starts;
    QStringList ends;
    QDateTime t = f.from;
    for (int i = 0; i < k; ++i) {
        starts << t.toString(format);
        ends << t.addSecs(step).toString(format);
        t = t.addSecs(step);
    }
    starts << t.toString(format);
    ends << f.to.toString(format);
    axis.labels = {starts, ends};
    return axis;
}

// The counting rule over entries in key order: consecutive entries of one round start make
// one round, NG when any of them is NG; each round falls into the bin of its start.
class RoundCounting {
public:
    RoundCounting(const Axis& axis, const QueryFilter& f)
        : m_startMs(axis.start.isValid() ? axis.start.toMSecsSinceEpoch() : 0)
        , m_toMs(f.to.isValid() ? f.to.toMSecsSinceEpoch() : 0)
        , m_binSeconds(axis.binSeconds)
        , m_bins(axis.start.isValid() ? binCount(f) : 0)
    {
        for (int i = 0; i < m_bins; ++i) {
            ok << 0;
            ng << 0;
        }
    }

    void add(qint64 roundStartMs, int result)
    {
        if (m_bins <= 0 || m_binSeconds <= 0)
            return;
        qint64 b = qint64(std::floor(double(wholeSeconds(m_startMs, roundStartMs)) / m_binSeconds));
        // A round in the range's last partial second still belongs to the last bin.
        if (b == m_bins && roundStartMs <= m_toMs)
            b = m_bins - 1;
        if (b < 0 || b >= m_bins)
            return;
        if (m_hasLast && m_lastMs == roundStartMs) {
            if (result == 0 && !roundIsNg) {
                --ok[int(b)];
                ++ng[int(b)];
                roundIsNg = 1;
                ++ngRounds;
            }
            return;
        }
        ++rounds;
        m_hasLast = true;
        m_lastMs = roundStartMs;
        if (result != 0) {
            ++ok[int(b)];
            roundIsNg = 0;
        } else {
            ++ng[int(b)];
            roundIsNg = 1;
            ++ngRounds;
        }
    }

    QDateTime last() const { return m_hasLast ? QDateTime::fromMSecsSinceEpoch(m_lastMs) : QDateTime(); }

    QList<int> ok;
    QList<int> ng;
    int rounds = 0;
    int ngRounds = 0;
    quint8 roundIsNg = 0;

private:
    qint64 m_startMs;
    qint64 m_toMs;
    double m_binSeconds;
    int m_bins;
    bool m_hasLast = false;
    qint64 m_lastMs = 0;
};

// The results of an axis and of a count into the store's members; the caller holds dataMutex.
void publishAxis(TemperatureChartData& store, const Axis& axis)
{
    store.axisStart = axis.start;
    store.axisEnd = axis.end;
    store.binSeconds = axis.binSeconds;
    store.axisLabels = axis.labels;
}

void publishCounts(TemperatureChartData& store, const RoundCounting& counting)
{
    store.okBins = counting.ok;
    store.ngBins = counting.ng;
    store.roundCount = counting.rounds;
    store.ngRoundCount = counting.ngRounds;
    // Nothing counted shows a rate of 0, not a division of zero by zero.
    store.ngRate = counting.rounds > 0 ? counting.ngRounds * 100.0 / counting.rounds : 0.0;
    store.lastRoundStart = counting.last();
    store.roundIsNg = counting.roundIsNg;
}

// Camera, detect and region position of a round key "T:<time>_C:%1_D:%2_F:%3".
bool parseRoundKey(const QString& key, int* camera, int* detect, int* region)
{
    const int c = key.lastIndexOf(QLatin1String("_C:"));
    const int d = key.lastIndexOf(QLatin1String("_D:"));
    const int f = key.lastIndexOf(QLatin1String("_F:"));
    if (c < 0 || d < c || f < d)
        return false;
    bool ok1 = false;
    bool ok2 = false;
    bool ok3 = false;
    *camera = key.midRef(c + 3, d - c - 3).toInt(&ok1);
    *detect = key.midRef(d + 3, f - d - 3).toInt(&ok2);
    *region = key.midRef(f + 3).toInt(&ok3);
    return ok1 && ok2 && ok3;
}

bool passesFilter(const QueryFilter& f, int camera, int detect, int region)
{
    return (f.camera == -1 || f.camera == camera) && (f.detect == -1 || f.detect == detect)
        && (f.region == -1 || f.region == region);
}

// The rows of one range read file by file, each file once with the range's exact bounds.
// `each` gets every row of the query as it is read, with the position of its file's left_out
// column (-1 in a file made before it); false when a file could not be read.
template <typename Each>
bool readRangeRows(QSqlDatabase& db, const QueryFilter& f, QString* lastFile, QMutex* lastFileLock, Each each)
{
    if (!f.from.isValid() || !f.to.isValid() || f.to < f.from)
        return true;
    const QList<DayFileSpan> files = dayFilesMeeting(QDir(QString::fromLatin1(kArchiveFolder)),
                                                     QString::fromLatin1(kResultFile), f.from.date(), f.to.date());
    const QString format = QString::fromLatin1(kTimeFormat);
    for (const DayFileSpan& file : files) {
        db.setDatabaseName(file.path);
        if (!db.open()) {
            qWarning("cannot open %s: %s", qPrintable(file.path), qPrintable(db.lastError().text()));
            return false;
        }
        {
            QMutexLocker lock(lastFileLock);
            *lastFile = file.path;
        }
        bool ran = false;
        {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            ran = query.prepare(TemperatureChartData::buildSelect(f));
            if (ran) {
                query.addBindValue(f.from.toString(format));
                query.addBindValue(f.to.toString(format));
                if (f.detect >= 0)
                    query.addBindValue(f.detect);
                if (f.camera >= 0)
                    query.addBindValue(f.camera);
                ran = query.exec();
            }
            if (!ran)
                qWarning("rows of %s not read: %s", qPrintable(file.path), qPrintable(query.lastError().text()));
            const int leftOutAt = ran ? TemperatureChartData::leftOutColumn(query) : -1;
            while (ran && query.next())
                each(query, leftOutAt);
        }
        db.close();
    }
    return true;
}

}  // namespace

void TemperatureChartData::setFilter(QueryFilter f)
{
    QMutexLocker lock(&dataMutex);
    filter = std::move(f);
}

void TemperatureChartData::startQuery(QueryPass pass)
{
    // Asked again while waiting: the latest filter, in the place first asked for.
    auto pending = std::find_if(m_pendingPasses.begin(), m_pendingPasses.end(),
                                [pass](const QPair<QueryPass, QueryFilter>& p) { return p.first == pass; });
    if (pending != m_pendingPasses.end())
        pending->second = filter;
    else
        m_pendingPasses.append({pass, filter});
    startPendingQuery();
}

void TemperatureChartData::startPendingQuery()
{
    if (m_pendingPasses.isEmpty() || m_passUnderWay.loadAcquire())
        return;
    const QPair<QueryPass, QueryFilter> next = m_pendingPasses.takeFirst();
    beginQuery(next.first, next.second);
}

void TemperatureChartData::beginQuery(QueryPass pass, const QueryFilter& f)
{
    if (!queryThread)
        queryThread = new dataThread(this);
    // The pass before has ended its work: at most the thread's own end is left to wait for.
    queryThread->wait();
    {
        QMutexLocker lock(&dataMutex);
        // Only the asking screen's results are replaced: the other screen keeps what it shows.
        if (pass == QueryPass::Temperature)
            rangeSeries.clear();
        else
            rangeRounds.clear();
        m_pass = pass;
        m_passFilter = f;
    }
    m_passUnderWay.storeRelease(1);
    queryThread->start(QThread::InheritPriority);
}

std::function<void()>& TemperatureChartData::queryPassHook()
{
    static std::function<void()> hook;
    return hook;
}

void TemperatureChartData::setQueryPassHook(std::function<void()> hook)
{
    queryPassHook() = std::move(hook);
}

void TemperatureChartData::runQueryPass()
{
    if (queryPassHook())
        queryPassHook()();
    QueryPass pass;
    QueryFilter f;
    {
        QMutexLocker lock(&dataMutex);
        pass = m_pass;
        f = m_passFilter;
    }
    const QString name = QString::fromLatin1(kQueryConnection);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        if (pass == QueryPass::Temperature) {
            QMap<QString, Series> series = loadTemperatureRange(db, f);
            QMutexLocker lock(&dataMutex);
            rangeSeries = std::move(series);
        } else {
            loadStatisticsRange(db, f);
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (pass == QueryPass::Temperature)
        emit queryThread->readTempFinished();
    else
        emit queryThread->readResFinished();
    // The next pass asked for meanwhile starts on the GUI thread.
    m_passUnderWay.storeRelease(0);
    QMetaObject::invokeMethod(this, [this]() { startPendingQuery(); }, Qt::QueuedConnection);
}

QString TemperatureChartData::buildSelect(const QueryFilter& f)
{
    // Round starts are stored as "yyyy-MM-dd hh:mm:ss.zzz", which compares in time order as
    // text: the bounds are bound as such texts, milliseconds included.
    QString text = QStringLiteral("select * from res_report where roundstart >= ? and roundstart <= ?");
    if (f.detect >= 0)
        text += QStringLiteral(" and idx_detect = ?");
    if (f.camera >= 0)
        text += QStringLiteral(" and idx_camera = ?");
    // Key order of the round entries (their key starts with the detect start, then camera and
    // detect); rows of one key keep their written order, the later overwriting the earlier.
    return text + QStringLiteral(" order by detectstart, idx_camera, idx_detect, idx");
}

QMap<QString, TemperatureChartData::Series> TemperatureChartData::loadTemperatureRange(QSqlDatabase& db,
                                                                                       const QueryFilter& f)
{
    // Series by (camera, detect, region position) while reading; the texts keys at the end.
    QHash<qint64, Series> byRegion;
    StampReader stamps;
    QVector<DetailHead> heads;
    readRangeRows(db, f, &dbFileName, &dataMutex, [&](const QSqlQuery& row, int) {
        qint64 detectMs = 0;
        const bool timed = stamps.read(row.value(2).toString(), &detectMs);
        const int camera = row.value(3).toInt();
        const int detect = row.value(4).toInt();
        readDetailHeads(row.value(5).toString(), &heads);
        for (int i = 0; i < heads.size(); ++i) {
            const DetailHead& h = heads.at(i);
            if ((f.region != -1 && f.region != i) || h.size < 2 || h.first != kTemperatureTool)
                continue;
            // A detect start that does not read gives the epoch, as an invalid time would.
            const double x = timed ? double(std::floor(detectMs / 1000.0)) : 0.0;
            byRegion[(qint64(camera) << 40) | (qint64(detect) << 32) | quint32(i)].append(QPointF(x, h.second));
        }
    });
    QMap<QString, Series> series;
    for (auto it = byRegion.begin(); it != byRegion.end(); ++it)
        series.insert(seriesKey(int(it.key() >> 40), int((it.key() >> 32) & 0xFF), int(it.key() & 0xFFFFFFFF)),
                      std::move(it.value()));
    return series;
}

void TemperatureChartData::loadStatisticsRange(QSqlDatabase& db, const QueryFilter& f)
{
    const Axis axis = rangeAxis(f);
    RoundCounting counting(axis, f);

    // Rows of one round key (detect start text, camera, detect) are gathered first: a later
    // row's entry overwrites an earlier one of the same region position, as in a map.
    struct Entry {
        int region;
        int result;
        qint64 roundStartMs;
        bool timed;
    };
    QString groupTime;
    int groupCamera = -1;
    int groupDetect = -1;
    QVector<Entry> group;
    auto flush = [&]() {
        if (group.isEmpty())
            return;
        // Key order within the group: region positions as text ("F:10" before "F:2"), which
        // matters only when the gathered rows belong to different rounds.
        if (std::any_of(group.begin(), group.end(),
                        [&](const Entry& e) { return e.roundStartMs != group.first().roundStartMs; }))
            std::sort(group.begin(), group.end(), [](const Entry& a, const Entry& b) {
                return QString::number(a.region) < QString::number(b.region);
            });
        for (const Entry& e : group)
            if (e.timed && passesFilter(f, groupCamera, groupDetect, e.region))
                counting.add(e.roundStartMs, e.result);
        group.clear();
    };

    StampReader stamps;
    QVector<int> results;
    readRangeRows(db, f, &dbFileName, &dataMutex, [&](const QSqlQuery& row, int leftOutAt) {
        // Manual captures, NG inspections that were re-checked and alarm-clearing re-checks are
        // not counted, as the main window's counters do not count them.
        if (leftOutRow(row, leftOutAt))
            return;
        const QString detectText = row.value(2).toString();
        const int camera = row.value(3).toInt();
        const int detect = row.value(4).toInt();
        const bool sameKey = camera == groupCamera && detect == groupDetect && detectText == groupTime;
        if (!sameKey) {
            flush();
            groupTime = detectText;
            groupCamera = camera;
            groupDetect = detect;
        }
        qint64 roundMs = 0;
        const bool timed = stamps.read(row.value(1).toString(), &roundMs);
        readResultArray(row.value(6).toString(), &results);
        for (int i = 0; i < results.size(); ++i) {
            const Entry e{i, results.at(i), roundMs, timed};
            auto same = std::find_if(group.begin(), group.end(), [i](const Entry& g) { return g.region == i; });
            if (!sameKey || same == group.end())
                group.append(e);
            else
                *same = e;
        }
    });
    flush();

    QMutexLocker lock(&dataMutex);
    publishAxis(*this, axis);
    publishCounts(*this, counting);
}

void TemperatureChartData::buildRangeAxis()
{
    QMutexLocker lock(&dataMutex);
    const Axis axis = rangeAxis(filter);
    publishAxis(*this, axis);
}

void TemperatureChartData::buildDayAxis()
{
    const QDate today = WallClock::now().date();
    QMutexLocker lock(&dataMutex);
    axisStart = QDateTime(today, QTime(0, 0));
    axisEnd = QDateTime(today.addDays(1), QTime(0, 0));
    const qint64 step = axisStart.secsTo(axisEnd) / kMaxBins;
    binSeconds = double(step);
    const QString format = QString::fromLatin1(kLabelFormat);
    QStringList starts;
    QStringList ends;
    QDateTime t = axisStart;
    for (int i = 0; i < kMaxBins; ++i) {
        starts << t.toString(format);
        ends << t.addSecs(kHourSeconds).toString(format);
        t = t.addSecs(step);
    }
    axisLabels = {starts, ends};
}

void TemperatureChartData::computeStatistics()
{
    QMutexLocker lock(&dataMutex);
    Axis axis;
    axis.start = axisStart;
    axis.binSeconds = binSeconds;
    RoundCounting counting(axis, filter);
    const QMap<QString, RoundEntry>* rounds =
        statisticsSource == 0 ? &todayRounds : statisticsSource == 1 ? &rangeRounds : nullptr;
    if (rounds) {
        for (auto it = rounds->constBegin(); it != rounds->constEnd(); ++it) {
            int camera = 0;
            int detect = 0;
            int region = 0;
            if (!parseRoundKey(it.key(), &camera, &detect, &region) || !passesFilter(filter, camera, detect, region)
                || !it.value().roundStart.isValid())
                continue;
            counting.add(it.value().roundStart.toMSecsSinceEpoch(), it.value().result);
        }
    }
    publishCounts(*this, counting);
}

QList<QList<int>> TemperatureChartData::hourBins()
{
    QMutexLocker lock(&dataMutex);
    return {okBins, ngBins};
}
