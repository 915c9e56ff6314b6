// The process-wide store of per-cycle results: one res_report row of ResStatistics.db per round,
// camera and detect, today's temperature series and region outcomes in memory, and the mark of
// one regular record per interval. At start-up today's rows are read back on a pool thread.
#pragma once

#include <QAtomicInteger>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QPointF>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QString>
#include <QTimer>

class QSqlError;

// The current query: camera, detect and region -1 for all, else an index; a date range.
struct QueryFilter {
    int camera = -1;
    int detect = -1;
    int region = -1;
    QDateTime from;
    QDateTime to;
};

// Outcome of one region in one round: 1 OK, 0 NG, and the start of its round.
struct RoundEntry {
    int result = 0;
    QDateTime roundStart;
};

// The round being assembled: the main window sets roundStart and camera, the detection engine
// the rest; each writer copies the store's record, changes its own fields and hands it back.
struct RoundRecord {
    int camera = 0;
    int detect = 0;
    QDateTime roundStart;
    QDateTime detectStart;
    // 1 when the detect as a whole passed, 0 when NG.
    int result = 0;
    // Per inspected region in region order: its detail integers (the first is the tool type,
    // an empty list for the area, similarity and count tools) and its verdict (1 OK, 0 NG).
    QList<QList<int>> roiDetail;
    QList<int> roiResult;
    // Filled by insertRound: "Regular recording" for a regular record, else empty.
    QString description;
};

class TemperatureChartData : public QObject {
    Q_OBJECT

public:
    // A point of a temperature series: x = detect start in whole seconds since the epoch,
    // y = the temperature.
    using Series = QList<QPointF>;

    // The one store, created on first use without a lock (first used by main in the GUI thread).
    static TemperatureChartData* instance();

    // The process uses instance(); tests build their own. Query filter all cameras, detects
    // and regions, the next row marked as regular record, interval 30 minutes (timer idle).
    explicit TemperatureChartData(QObject* parent = nullptr);
    // Waits for a start-up read still running on the pool (tests destroy their stores).
    ~TemperatureChartData() override;

    // Start-up, before the main window exists: names "ResDB" and "ResInsertDB" on
    // ResStatistics.db, sets today's query range (today by the wall clock) and reads today's
    // rows on the global thread pool; loaded becomes 1 when that read ends, also when the file
    // could not be opened, and the rows queued meanwhile are written then. No failure reaches
    // the caller.
    void init();

    // Stores the interval and (re)starts the regular-record timer with minutes x 60000 ms.
    // 0 minutes (or less) means every row is a regular record: no timer runs then, and the mark
    // stays set.
    void setRecordInterval(int minutes);

    // Empty today's region outcomes and today's temperature series: the day's file has just
    // been moved into the archive.
    void clearTodayRounds();
    void clearTodaySeries();

    // Keys of the in-memory maps: "C:%1_D:%2_F:%3" and "T:%1_C:%2_D:%3_F:%4".
    static QString seriesKey(int camera, int detect, int region);
    static QString roundKey(const QString& time, int camera, int detect, int region);

    // The start-up task (pool thread): reads the rows of `day` on a connection of its own,
    // made, used and removed in this thread, then marks the store loaded and has the GUI thread
    // write what was queued meanwhile.
    void loadTodayTask(QDate day, QString fileName);
    // Reads the res_report rows whose round start lies on `day` (compared as the stored text,
    // milliseconds included) into todaySeries and todayRounds.
    void loadToday(QSqlDatabase& db, QDate day);

    // Copies every field of `record` into round.
    void setRoundInfo(RoundRecord record);
    // Enters round into today's temperature series and the real-time points (its temperature
    // regions) and into today's region outcomes (the first entry of a round key stays).
    void addRoundToSeries();
    // Queues round as one res_report row. Once today's rows are loaded the queue is written
    // when the running event has ended (after the round's outputs are decided), not here.
    void insertRound();
    // Writes the queued rows in one transaction through insertDb and closes it again (GUI
    // thread; the roll-over and the restart call it directly). Rows that failed for a passing
    // reason (busy, locked, file not openable) stay queued in order; a missing res_report is
    // made again and the batch retried once; a row that can never be written is dropped with a
    // log line. Nothing is written before today's rows are loaded. True when nothing is left
    // queued.
    bool writeQueue();

    // The series the chart shows: todaySeries (chartSource 0), rangeSeries (2), else none.
    QMap<QString, Series> getSeries();
    // The real-time curve took the new points.
    void clearNewPoints();
    // The compact JSON texts of roi_detail and roi_result, e.g. [[0,12,25,100,3],[]] and [1,0].
    static QString detailToJson(const QList<QList<int>>& detail);
    static QString resultToJson(const QList<int>& result);

    QString dbFileName;
    QSqlDatabase readDb;    // connection "ResDB": the date-range queries
    QSqlDatabase insertDb;  // connection "ResInsertDB": rows written by the GUI thread
    QueryFilter filter;
    // Guards the series and round maps between the start-up read, the queries and the GUI thread.
    QMutex dataMutex;
    QMap<QString, Series> todaySeries;
    // Series of the last date-range query.
    QMap<QString, Series> rangeSeries;
    QMap<QString, RoundEntry> todayRounds;
    // Temperature points added since the real-time curve last took them (GUI thread).
    QMap<QString, Series> newPoints;
    // The round being assembled (GUI thread).
    RoundRecord round;
    // Rows not yet written, in order (GUI thread); at most kQueueLimit, the oldest falling off.
    QList<RoundRecord> insertQueue;
    // More than a day of rows at a cycle every few seconds.
    static constexpr int kQueueLimit = 50000;
    // How long a batch waits for another connection's lock before its rows wait for the next
    // batch, in ms; it holds the GUI thread that long at most.
    static constexpr int kBusyTimeoutMs = 100;
    // 0: the chart shows todaySeries live; 1: the live curve is paused; 2: it shows rangeSeries.
    int chartSource = 0;
    // Today's rows have been read (set once by the start-up task; read by the GUI thread).
    QAtomicInteger<quint8> loaded{0};
    QTimer recordTimer;
    // The next row written is a regular record.
    quint8 markNext = 1;
    int intervalMinutes = 30;

public slots:
    // Regular-record timer: mark the next row written.
    void markNextRound();

private:
    enum class BatchOutcome { Written, Waiting, MissingTable };
    // One transaction over the whole queue.
    BatchOutcome writeBatch();
    BatchOutcome rowsWait(const QSqlError& error);

    // A write of the queue is due once the running event has ended.
    bool m_writeScheduled = false;
    // The last batch could not reach the file (logged once until it can again).
    bool m_writeFailing = false;
    // Start-up reads started by init, and released by each when it has ended.
    int m_loadsStarted = 0;
    QSemaphore m_loadsEnded;
};
