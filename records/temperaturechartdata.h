// The process-wide store of per-cycle results: one res_report row of ResStatistics.db per round,
// camera and detect, today's temperature series and region outcomes in memory, and the mark of
// one regular record per interval. At start-up today's rows are read back on a pool thread.
// It also answers the screens' date-range queries on its query thread, counts rounds into time
// bins, and exports the rows of a query through the external export program.
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
#include <QVector>

#include <functional>

class QProcess;
class QSqlError;
class QSqlQuery;
class dataThread;

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
    // Filled by insertRound: "Regular recording" for a regular record, else empty (the only two
    // values of the description column, which the export program selects on).
    QString description;
    // Why the main window's counters leave this inspection out, for column left_out: "Manual
    // capture" (filled by insertRound), "Re-checked" or "Alarm clearing" (by settleCheck); empty
    // when it is counted.
    QString leftOut;
    // Set by the main window: the round was started by a manual capture. Its rows are kept for the
    // chart and the export, but like the main window's counters the statistics leave it out.
    bool manual = false;
};

// How the main window's counters took the inspections of one check.
enum class CheckCount { Counted, ReChecked, AlarmClearing, Manual };

class TemperatureChartData : public QObject {
    Q_OBJECT

public:
    // A point of a temperature series: x = detect start in whole seconds since the epoch,
    // y = the temperature.
    using Series = QVector<QPointF>;

    // Which screen's loader a query pass runs: the temperature chart's series or the
    // statistics screen's counts.
    enum class QueryPass { Temperature, Statistics };

    // Location of the export program, relative to the working directory.
    static const char* const kExportProgram;
    // The left_out marks of the inspections the counters leave out: a manual capture's round, an
    // NG inspection that the next automatic re-check repeats, and the re-check that clears an
    // alarm. Such rows are kept for the chart and the export, but not counted.
    static const char* const kManualCapture;
    static const char* const kReChecked;
    static const char* const kAlarmClearing;
    // The position of column left_out in the rows of `query` (run on res_report), -1 in a file
    // made before the column, whose rows all count.
    static int leftOutColumn(const QSqlQuery& query);
    // Whether the row `query` stands on holds an inspection the counters left out: its left_out
    // is not empty, or (rows of an earlier version, which kept the mark there) its description
    // is one of the three marks.
    static bool leftOutRow(const QSqlQuery& query, int leftOutColumn);

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

    // The rows of `day` in `fileName` read into today's maps again on the global thread pool,
    // as at start-up: the clock has returned to a day already archived, whose file is open again
    // (a day's rows take seconds to read, too long for the GUI thread). Called on the GUI thread
    // just after today's maps were cleared; loaded is 0 until the read has ended, so the rows
    // queued meanwhile reach the file only after it.
    void reloadToday(QDate day, const QString& fileName);
    // The start-up task and that of reloadToday (pool thread), one at a time: reads the rows of
    // `day` on a connection of its own, made, used and removed in this thread; once no other
    // read is pending, marks the store loaded and has the GUI thread write what was queued
    // meanwhile. `generation` is that of today's maps when the read was started.
    void loadTodayTask(QDate day, QString fileName, int generation);
    // Reads the res_report rows whose round start lies on `day` (compared as the stored text,
    // milliseconds included) into todaySeries and todayRounds. Stops once today's maps have been
    // cleared after `generation` (a day change while it read: its rows belong to the closed
    // day); -1 never stops.
    void loadToday(QSqlDatabase& db, QDate day, int generation = -1);
    // For tests: called in the reading thread for each row loadToday has read, before it enters
    // it (no lock held); null for none.
    static void setLoadHook(std::function<void()> hook);

    // Copies every field of `record` into round.
    void setRoundInfo(RoundRecord record);
    // Enters round into today's temperature series and, while the real-time curve runs, its new
    // points (the temperature regions), and into today's region outcomes (an NG entry of a round
    // key stays; an OK one gives way to a later NG, as the counters mark a camera's cycle NG
    // when any of its counted inspections is NG).
    void addRoundToSeries();
    // Queues round as one res_report row. Once today's rows are loaded the queue is written
    // when the running event has ended (after the round's outputs are decided), not here.
    void insertRound();
    // The main window has evaluated the check whose rows were handed in since the last call
    // (addRoundToSeries, insertRound) and tells how its counters took it. A check they leave out
    // is taken back out of today's region outcomes and its queued rows are marked left out, so
    // that the statistics, live, read back or searched, count what the counters count. Unless
    // every row is a regular record (interval 0), a regular-record mark such a row carried goes
    // to the next row. GUI thread, before the rows are written (the write waits for the running
    // event to end).
    void settleCheck(CheckCount how);
    // Writes the queued rows in one transaction through insertDb and closes it again (GUI
    // thread; the roll-over and the restart call it directly). Rows that failed for a passing
    // reason (busy, locked, file not openable) stay queued in order; a missing res_report is
    // made again and the batch retried once; a file SQLite reports as damaged is moved aside for
    // a fresh one and the batch retried once; a row that can never be written is dropped with a
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

    // ---- Date-range queries and statistics ----

    // filter := f (GUI thread).
    void setFilter(QueryFilter f);
    // Starts one pass of `pass`'s loader on queryThread over the filter as it is now. While a
    // pass is under way the request is kept instead (one per pass, the latest filter) and runs
    // once that pass has ended, in the order asked: the screen's thread never waits for a pass,
    // and a pass's results are never emptied under it. GUI thread.
    void startQuery(QueryPass pass);
    // For tests: called on queryThread at the start of every pass; null for none.
    static void setQueryPassHook(std::function<void()> hook);
    // The query pass, on queryThread: loads with a connection of that thread, publishes under
    // dataMutex, then emits readTempFinished or readResFinished.
    void runQueryPass();
    // SELECT of one day file for `f`'s camera and detect, with two bound values for the exact
    // round-start bounds (milliseconds included), in key order (detect start, camera, detect).
    static QString buildSelect(const QueryFilter& f);
    // The temperature series of `f`'s range, read file by file through `db` (query thread).
    QMap<QString, Series> loadTemperatureRange(QSqlDatabase& db, const QueryFilter& f);
    // Counts the rounds of `f`'s range into bins and totals as the rows are read, in key order,
    // without holding them (a year of rows is too many); then publishes the counts (query thread).
    void loadStatisticsRange(QSqlDatabase& db, const QueryFilter& f);
    // The bin axis of the filter's range: up to 24 hourly bins, 24 wider ones beyond a day.
    void buildRangeAxis();
    // The bin axis of today by the wall clock: 24 hourly bins. The filter is not changed.
    void buildDayAxis();
    // Counts the rounds of todayRounds (statisticsSource 0) or rangeRounds (1) into okBins,
    // ngBins and the totals over the present axis and filter.
    void computeStatistics();
    // [okBins, ngBins].
    QList<QList<int>> hourBins();

    // ---- Export ----

    // Starts the export program on the filter's rows: mode 2 only the regular records, any
    // other mode all rows, written into a new "<time>_result" folder in `dir`. Ignored while
    // an export runs; the end is announced by exportFinish. A filter without its start or end
    // time starts nothing and ends at once, not ok, naming the missing time.
    void exportData(int mode, QString dir);
    // A screen's notice of a failed export: `headline`, and the reason on the line below.
    static QString exportFailureText(const QString& headline, const QString& reason);

    dataThread* queryThread = nullptr;
    // The database file the last query pass read (query thread, under dataMutex).
    QString dbFileName;
    QSqlDatabase readDb;    // connection "ResDB", made by init; other threads use their own
    QSqlDatabase insertDb;  // connection "ResInsertDB": rows written by the GUI thread
    QueryFilter filter;
    // Guards the series and round maps between the start-up read, the queries and the GUI thread.
    QMutex dataMutex;
    QMap<QString, Series> todaySeries;
    // Series of the last date-range query.
    QMap<QString, Series> rangeSeries;
    QMap<QString, RoundEntry> todayRounds;
    // Temperature points added since the real-time curve last took them (GUI thread). Filled only
    // while the curve's 1 s timer runs: a closed or paused chart rebuilds from todaySeries, and
    // points kept meanwhile would grow without bound and be drawn twice.
    QMap<QString, Series> newPoints;
    // The real-time curve's timer runs (set by the curve when it starts and stops it).
    bool curveRunning = false;
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
    // 0: statistics count todayRounds; 1: they show the last range query's counts.
    int statisticsSource = 0;
    // Outcomes of date-range rows, keyed by their detect start. The statistics pass counts its
    // rows without keeping them here; computeStatistics counts what it holds.
    QMap<QString, RoundEntry> rangeRounds;
    // Counting results, axis and counting state: under dataMutex.
    int roundCount = 0;
    int ngRoundCount = 0;
    double ngRate = 0;
    double binSeconds = 3600;
    // [start labels, end labels], "MM-dd hh:mm:ss".
    QList<QStringList> axisLabels;
    QList<int> okBins;
    QList<int> ngBins;
    QDateTime axisStart;
    QDateTime axisEnd;
    QDateTime lastRoundStart;
    quint8 roundIsNg = 0;
    // An export process runs (GUI thread).
    quint8 exportBusy = 0;
    // Today's rows have been read (set by the last read of them to end, cleared by reloadToday;
    // read by the GUI thread).
    QAtomicInteger<quint8> loaded{0};
    QTimer recordTimer;
    // The next row written is a regular record.
    quint8 markNext = 1;
    int intervalMinutes = 30;

signals:
    // The export ended: ok when the program exited with 0 and printed its closing line; not ok
    // when it failed, crashed or could not be started, with `reason`, a short translated text
    // for the operator (empty when ok). A folder the export made and left empty is gone then.
    void exportFinish(bool ok, const QString& reason);

public slots:
    // Regular-record timer: mark the next row written.
    void markNextRound();

private slots:
    // The export program's output (merged channels) and its end.
    void exportOutput();
    void exportDone(int exitCode, int exitStatus);
    // The export is over: the process object goes, an empty folder of a failed export too, and
    // exportFinish announces the end.
    void endExport(bool ok, const QString& reason);

private:
    // Damaged: SQLite reports the file as damaged; the rows stay queued.
    enum class BatchOutcome { Written, Waiting, MissingTable, Damaged };
    // One transaction over the whole queue.
    BatchOutcome writeBatch();
    BatchOutcome rowsWait(const QSqlError& error);
    // Ends a running export without announcing it (the store goes away).
    void stopExport();

    // A write of the queue is due once the running event has ended.
    bool m_writeScheduled = false;
    // The check not yet settled: how many rows at the end of insertQueue are its own, and what
    // its entries changed in todayRounds (key, and the entry before, if any), in order.
    struct OutcomeChange {
        QString key;
        bool existed = false;
        RoundEntry before;
    };
    int m_checkRows = 0;
    QList<OutcomeChange> m_checkChanges;
    // The last batch could not reach the file (logged once until it can again).
    bool m_writeFailing = false;
    // Reads of today's rows started by init and reloadToday (GUI thread), and released by each
    // when it has ended.
    int m_loadsStarted = 0;
    QSemaphore m_loadsEnded;
    // Reads of today's rows not yet ended; the last to end sets loaded.
    QAtomicInt m_loadsRunning{0};
    // Held by a read of today's rows while it runs, so that a reload follows the read before it.
    QMutex m_loadMutex;
    // Counts the clearings of today's maps (guarded by dataMutex).
    int m_dayGeneration = 0;
    int currentDayGeneration();
    static std::function<void()>& loadHook();

    // The pass that queryThread runs next, and its filter (set before the thread starts).
    QueryPass m_pass = QueryPass::Statistics;
    QueryFilter m_passFilter;
    // Whether a pass was started and has not yet ended its work (the thread may still be
    // leaving run()); set by the GUI thread at the start, cleared by the pass at its end.
    QAtomicInt m_passUnderWay{0};
    // Passes asked for while one was under way, oldest first, at most one per pass (GUI thread).
    QList<QPair<QueryPass, QueryFilter>> m_pendingPasses;
    // Starts the oldest pending pass once none is under way (GUI thread).
    void startPendingQuery();
    void beginQuery(QueryPass pass, const QueryFilter& f);
    static std::function<void()>& queryPassHook();
    // The running export and all it has printed so far.
    QProcess* m_export = nullptr;
    QByteArray m_exportOutput;
    // The "<time>_result" folder the running export made (empty when it wrote into a folder
    // that was there before).
    QString m_exportFolder;
};
