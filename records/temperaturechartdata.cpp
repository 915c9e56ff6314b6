#include "records/temperaturechartdata.h"

#include "core/wallclock.h"
#include "records/damagedstore.h"
#include "records/datathread.h"
#include "records/resstatistics.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutexLocker>
#include <QSqlError>
#include <QSqlQuery>
#include <QThreadPool>
#include <QTime>

#include <climits>

namespace {

const char* const kTimeFormat = "yyyy-MM-dd hh:mm:ss.zzz";
const char* const kResultFile = "ResStatistics.db";
// The start-up read's own connection, made and removed in the pool thread.
const char* const kLoadConnection = "ResLoadDB";
// A roi_detail element that starts with this tool type holds a temperature.
constexpr int kTemperatureTool = 9;

// SQLite's primary result codes that pass: another connection holds the file, or the file
// cannot be opened, written or grown just now.
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteIoErr = 10;
constexpr int kSqliteFull = 13;
constexpr int kSqliteCantOpen = 14;
// The generic code, which "no such table" and "has no column named" also carry.
constexpr int kSqliteError = 1;

const char* const kInsert =
    "INSERT INTO res_report (roundstart, detectstart, idx_camera, idx_detect, roi_detail, roi_result, result, "
    "description, left_out) values(?, ?, ?, ?, ?, ?, ?, ?, ?)";
const char* const kRegularRecord = "Regular recording";

QSqlDatabase connectionNamed(const QString& name)
{
    return QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
}

// A text that is not a JSON array reads as an empty array.
QJsonArray jsonArray(const QString& text)
{
    return QJsonDocument::fromJson(text.toUtf8()).array();
}

// MissingTable: res_report, or a column of it, is missing (a file made before the column).
enum class Failure { Passing, MissingTable, Damaged, Permanent };

Failure classify(const QSqlError& error)
{
    if (isDamagedStoreError(error))
        return Failure::Damaged;
    const int code = error.nativeErrorCode().toInt() & 0xFF;
    switch (code) {
    case kSqliteBusy:
    case kSqliteLocked:
    case kSqliteCantOpen:
    case kSqliteIoErr:
    case kSqliteFull:
        return Failure::Passing;
    case kSqliteError:
        if (error.databaseText().contains(QStringLiteral("no such table"))
            || error.databaseText().contains(QStringLiteral("has no column named")))
            return Failure::MissingTable;
        return Failure::Permanent;
    default:
        return Failure::Permanent;
    }
}

QString rowText(const RoundRecord& row)
{
    return QStringLiteral("camera %1, detect %2, round %3")
        .arg(row.camera)
        .arg(row.detect)
        .arg(row.roundStart.toString(QString::fromLatin1(kTimeFormat)));
}

}  // namespace

TemperatureChartData* TemperatureChartData::instance()
{
    static TemperatureChartData* store = new TemperatureChartData;
    return store;
}

TemperatureChartData::TemperatureChartData(QObject* parent)
    : QObject(parent)
{
}

TemperatureChartData::~TemperatureChartData()
{
    m_loadsEnded.acquire(m_loadsStarted);
    if (queryThread) {
        queryThread->wait();
        delete queryThread;
    }
    stopExport();
}

void TemperatureChartData::init()
{
    readDb = connectionNamed(QStringLiteral("ResDB"));
    dbFileName = QString::fromLatin1(kResultFile);
    readDb.setDatabaseName(dbFileName);
    insertDb = connectionNamed(QStringLiteral("ResInsertDB"));
    insertDb.setDatabaseName(QString::fromLatin1(kResultFile));
    // Qt's default of 5 s would stall the GUI thread behind another connection's lock.
    insertDb.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));

    // Today by the wall clock, taken here: the pool thread does not read it.
    const QDate today = WallClock::now().date();
    if (!queryThread)
        queryThread = new dataThread(this);
    {
        QMutexLocker lock(&dataMutex);
        filter.from = QDateTime(today, QTime(0, 0));
        filter.to = QDateTime(today, QTime(23, 59, 59, 999));
    }
    buildDayAxis();

    m_loadsRunning.ref();
    ++m_loadsStarted;
    const QString file = dbFileName;
    const int generation = currentDayGeneration();
    QThreadPool::globalInstance()->start([this, today, file, generation]() { loadTodayTask(today, file, generation); });

    connect(&recordTimer, &QTimer::timeout, this, &TemperatureChartData::markNextRound, Qt::UniqueConnection);
}

void TemperatureChartData::reloadToday(QDate day, const QString& fileName)
{
    // Counted first: a read still running that ends now must not mark the store loaded.
    m_loadsRunning.ref();
    loaded = 0;
    ++m_loadsStarted;
    const int generation = currentDayGeneration();
    QThreadPool::globalInstance()->start([this, day, fileName, generation]() { loadTodayTask(day, fileName, generation); });
}

int TemperatureChartData::currentDayGeneration()
{
    QMutexLocker lock(&dataMutex);
    return m_dayGeneration;
}

void TemperatureChartData::loadTodayTask(QDate day, QString fileName, int generation)
{
    {
        QMutexLocker serial(&m_loadMutex);
        const QString name = QString::fromLatin1(kLoadConnection);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(fileName);
            if (db.open()) {
                loadToday(db, day, generation);
                db.close();
            } else {
                // Nothing of today is shown; the rounds of this run are written all the same.
                qWarning("cannot open %s: today's results are not read back", qPrintable(fileName));
            }
        }
        QSqlDatabase::removeDatabase(name);
    }
    if (!m_loadsRunning.deref()) {
        loaded = 1;
        // The rows queued meanwhile are written by the GUI thread.
        QMetaObject::invokeMethod(this, [this]() { writeQueue(); }, Qt::QueuedConnection);
    }
    m_loadsEnded.release();
}

void TemperatureChartData::setRecordInterval(int minutes)
{
    intervalMinutes = minutes;
    if (minutes <= 0) {
        // A zero-interval timer would fire without pause; every row is regular anyway.
        recordTimer.stop();
        markNext = 1;
        return;
    }
    const qint64 ms = qint64(minutes) * 60000;
    recordTimer.setSingleShot(false);
    recordTimer.start(static_cast<int>(qMin<qint64>(ms, INT_MAX)));
}

void TemperatureChartData::markNextRound()
{
    markNext = 1;
}

void TemperatureChartData::clearTodayRounds()
{
    QMutexLocker lock(&dataMutex);
    ++m_dayGeneration;
    todayRounds.clear();
    // A check of the closed day not yet settled has nothing left to take back.
    m_checkChanges.clear();
}

void TemperatureChartData::clearTodaySeries()
{
    QMutexLocker lock(&dataMutex);
    ++m_dayGeneration;
    todaySeries.clear();
}

QString TemperatureChartData::seriesKey(int camera, int detect, int region)
{
    return QStringLiteral("C:%1_D:%2_F:%3").arg(camera).arg(detect).arg(region);
}

QString TemperatureChartData::roundKey(const QString& time, int camera, int detect, int region)
{
    return QStringLiteral("T:%1_C:%2_D:%3_F:%4").arg(time).arg(camera).arg(detect).arg(region);
}

void TemperatureChartData::setRoundInfo(RoundRecord record)
{
    round = std::move(record);
}

void TemperatureChartData::addRoundToSeries()
{
    const QString roundText = round.roundStart.toString(QString::fromLatin1(kTimeFormat));
    const double x = double(round.detectStart.toSecsSinceEpoch());
    const int n = qMin(round.roiDetail.size(), round.roiResult.size());
    QMutexLocker lock(&dataMutex);
    for (int i = 0; i < n; ++i) {
        const QList<int>& element = round.roiDetail.at(i);
        if (element.size() >= 2 && element.at(0) == kTemperatureTool) {
            const QString key = seriesKey(round.camera, round.detect, i);
            const QPointF point(x, double(element.at(1)));
            todaySeries[key].append(point);
            if (curveRunning)
                newPoints[key].append(point);
        }
        if (round.manual)
            continue;
        const QString rkey = roundKey(roundText, round.camera, round.detect, i);
        auto it = todayRounds.find(rkey);
        if (it == todayRounds.end()) {
            m_checkChanges.append(OutcomeChange{rkey, false, RoundEntry()});
            todayRounds.insert(rkey, RoundEntry{round.result, round.roundStart});
        } else if (it->result != 0 && round.result == 0) {
            m_checkChanges.append(OutcomeChange{rkey, true, *it});
            it->result = 0;
        }
    }
}

void TemperatureChartData::settleCheck(CheckCount how)
{
    const int rows = qMin(m_checkRows, int(insertQueue.size()));
    m_checkRows = 0;
    QList<OutcomeChange> changes;
    changes.swap(m_checkChanges);
    if (how == CheckCount::Counted)
        return;
    {
        // Undone from the last change back, so a key changed twice gets its first entry again.
        QMutexLocker lock(&dataMutex);
        for (int i = changes.size() - 1; i >= 0; --i) {
            const OutcomeChange& change = changes.at(i);
            if (change.existed)
                todayRounds.insert(change.key, change.before);
            else
                todayRounds.remove(change.key);
        }
    }
    const QString mark = QString::fromLatin1(how == CheckCount::ReChecked       ? kReChecked
                                             : how == CheckCount::AlarmClearing ? kAlarmClearing
                                                                                : kManualCapture);
    for (int i = insertQueue.size() - rows; i < insertQueue.size(); ++i) {
        RoundRecord& row = insertQueue[i];
        // A manual capture's rows keep their own mark.
        if (row.manual)
            continue;
        row.leftOut = mark;
        // The regular record is a row of a counted inspection: the mark waits for the next one.
        // With an interval of 0 every row is one.
        if (intervalMinutes > 0 && row.description == QLatin1String(kRegularRecord)) {
            markNext = 1;
            row.description = QString::fromLatin1("");
        }
    }
}

void TemperatureChartData::insertRound()
{
    // A manual capture is no regular record (unless every row is one): the mark waits for the
    // next round of the machine. Both columns hold the empty text, not NULL, when unmarked.
    const bool regular = markNext && (!round.manual || intervalMinutes <= 0);
    round.description = QString::fromLatin1(regular ? kRegularRecord : "");
    round.leftOut = QString::fromLatin1(round.manual ? kManualCapture : "");
    if (insertQueue.size() >= kQueueLimit) {
        qWarning("result rows queue full: row of %s dropped", qPrintable(rowText(insertQueue.first())));
        insertQueue.removeFirst();
    }
    insertQueue.append(round);
    m_checkRows = qMin(m_checkRows + 1, int(insertQueue.size()));
    if (!loaded)
        return;
    // The mark goes with this row as though it were written now: the next row of the round is
    // not a regular record. An interval of 0 makes every row one.
    round.description.clear();
    round.leftOut.clear();
    if (intervalMinutes > 0 && !round.manual)
        markNext = 0;
    if (!m_writeScheduled) {
        m_writeScheduled = true;
        QTimer::singleShot(0, this, [this]() { writeQueue(); });
    }
}

bool TemperatureChartData::writeQueue()
{
    m_writeScheduled = false;
    if (insertQueue.isEmpty())
        return true;
    if (!loaded)
        return false;
    const BatchOutcome outcome = writeBatch();
    if (outcome == BatchOutcome::MissingTable) {
        // The file was replaced by one without the table: make it again and try once more.
        ResStatistics::createReportTable();
        if (writeBatch() == BatchOutcome::MissingTable)
            qWarning("res_report cannot be made in %s; result rows wait", qPrintable(insertDb.databaseName()));
    } else if (outcome == BatchOutcome::Damaged) {
        // SQLite cannot read the file: it is kept aside and the rows go into a fresh one. When
        // it cannot be moved the rows wait.
        if (ResStatistics::replaceDamagedFile())
            writeBatch();
    }
    return insertQueue.isEmpty();
}

TemperatureChartData::BatchOutcome TemperatureChartData::rowsWait(const QSqlError& error)
{
    // Logged when the writes start failing, not at every round after.
    if (!m_writeFailing)
        qWarning("result rows wait for the next batch: %s", qPrintable(error.text()));
    m_writeFailing = true;
    return BatchOutcome::Waiting;
}

TemperatureChartData::BatchOutcome TemperatureChartData::writeBatch()
{
    if (!insertDb.isOpen() && !insertDb.open())
        return rowsWait(insertDb.lastError());

    // What a failed statement means for the batch; Written: the statement's rows are dropped
    // and the batch goes on.
    auto judge = [this](const QSqlError& error) {
        switch (classify(error)) {
        case Failure::Passing:
            return rowsWait(error);
        case Failure::MissingTable:
            return BatchOutcome::MissingTable;
        case Failure::Damaged:
            return BatchOutcome::Damaged;
        case Failure::Permanent:
            break;
        }
        return BatchOutcome::Written;
    };

    BatchOutcome outcome = BatchOutcome::Written;
    {
        QSqlQuery query(insertDb);
        if (!insertDb.transaction()) {
            outcome = rowsWait(insertDb.lastError());
        } else if (!query.prepare(QString::fromLatin1(kInsert))) {
            outcome = judge(query.lastError());
            if (outcome == BatchOutcome::Written)
                qWarning("%d result rows dropped: %s", int(insertQueue.size()), qPrintable(query.lastError().text()));
        } else {
            const QString format = QString::fromLatin1(kTimeFormat);
            for (int i = 0; i < insertQueue.size() && outcome == BatchOutcome::Written; ++i) {
                const RoundRecord& row = insertQueue.at(i);
                query.addBindValue(row.roundStart.toString(format));
                query.addBindValue(row.detectStart.toString(format));
                query.addBindValue(row.camera);
                query.addBindValue(row.detect);
                query.addBindValue(detailToJson(row.roiDetail));
                query.addBindValue(resultToJson(row.roiResult));
                query.addBindValue(row.result);
                query.addBindValue(row.description);
                query.addBindValue(row.leftOut);
                if (query.exec())
                    continue;
                outcome = judge(query.lastError());
                if (outcome == BatchOutcome::Written)
                    qWarning("result row of %s dropped: %s", qPrintable(rowText(row)),
                             qPrintable(query.lastError().text()));
            }
        }
        query.finish();
        if (outcome == BatchOutcome::Written && !insertDb.commit())
            outcome = rowsWait(insertDb.lastError());
        // Nothing of a failed batch is in the file: every row stays queued, in order.
        if (outcome != BatchOutcome::Written)
            insertDb.rollback();
    }
    // Closed between batches: the roll-over moves the file.
    insertDb.close();
    if (outcome == BatchOutcome::Written) {
        insertQueue.clear();
        m_checkRows = 0;
        if (m_writeFailing)
            qInfo("result rows are written again");
        m_writeFailing = false;
    }
    return outcome;
}

QMap<QString, TemperatureChartData::Series> TemperatureChartData::getSeries()
{
    QMutexLocker lock(&dataMutex);
    switch (chartSource) {
    case 0:
        return todaySeries;
    case 2:
        return rangeSeries;
    default:
        return {};
    }
}

void TemperatureChartData::clearNewPoints()
{
    QMutexLocker lock(&dataMutex);
    newPoints.clear();
}

QString TemperatureChartData::detailToJson(const QList<QList<int>>& detail)
{
    QJsonArray outer;
    for (const QList<int>& element : detail) {
        QJsonArray inner;
        for (int v : element)
            inner.append(v);
        outer.append(inner);
    }
    return QString::fromUtf8(QJsonDocument(outer).toJson(QJsonDocument::Compact));
}

QString TemperatureChartData::resultToJson(const QList<int>& result)
{
    QJsonArray array;
    for (int v : result)
        array.append(v);
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

std::function<void()>& TemperatureChartData::loadHook()
{
    static std::function<void()> hook;
    return hook;
}

void TemperatureChartData::setLoadHook(std::function<void()> hook)
{
    loadHook() = std::move(hook);
}

void TemperatureChartData::loadToday(QSqlDatabase& db, QDate day, int generation)
{
    const QString format = QString::fromLatin1(kTimeFormat);
    // The stored texts compare in time order; the whole last second of the day is included.
    QSqlQuery query(db);
    bool ran = query.prepare(QStringLiteral("select * from res_report where roundstart >= ? and roundstart <= ?"));
    if (ran) {
        query.addBindValue(QDateTime(day, QTime(0, 0)).toString(format));
        query.addBindValue(QDateTime(day, QTime(23, 59, 59, 999)).toString(format));
        ran = query.exec();
    }
    if (!ran)
        qWarning("today's results not read: %s", qPrintable(query.lastError().text()));
    const int leftOutAt = leftOutColumn(query);
    while (query.next()) {
        const QString roundText = query.value(1).toString();
        const QDateTime roundStart = QDateTime::fromString(roundText, format);
        const QDateTime detectStart = QDateTime::fromString(query.value(2).toString(), format);
        const int camera = query.value(3).toInt();
        const int detect = query.value(4).toInt();
        const QJsonArray detail = jsonArray(query.value(5).toString());
        const QJsonArray results = jsonArray(query.value(6).toString());
        const bool uncounted = leftOutRow(query, leftOutAt);
        if (loadHook())
            loadHook()();

        QMutexLocker lock(&dataMutex);
        if (generation >= 0 && generation != m_dayGeneration) {
            qInfo("today's results: the day changed while they were read; the rest is left out");
            break;
        }
        for (int i = 0; i < detail.size(); ++i) {
            const QJsonArray element = detail.at(i).toArray();
            if (element.size() >= 2 && element.at(0).toInt() == kTemperatureTool)
                todaySeries[seriesKey(camera, detect, i)].append(
                    QPointF(double(detectStart.toSecsSinceEpoch()), element.at(1).toDouble()));
        }
        // As live: only inspections the counters counted, and an NG one of a round key stays.
        for (int i = 0; i < results.size() && !uncounted; ++i) {
            const QString key = roundKey(roundText, camera, detect, i);
            const int result = results.at(i).toInt();
            auto it = todayRounds.find(key);
            if (it == todayRounds.end())
                todayRounds.insert(key, RoundEntry{result, roundStart});
            else if (result == 0)
                it->result = 0;
        }
    }
    qInfo("finish read");
}
