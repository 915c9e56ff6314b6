// The process-wide store of per-cycle results: one res_report row of ResStatistics.db per round,
// camera and detect, today's temperature series and region outcomes in memory, and the mark of
// one regular record per interval. At start-up today's rows are read back on a pool thread.
#pragma once

#include <QAtomicInteger>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QPointF>
#include <QSqlDatabase>
#include <QString>
#include <QTimer>

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

    // Start-up, before the main window exists: opens "ResDB" and "ResInsertDB" on
    // ResStatistics.db, sets today's query range and reads today's rows on the global thread
    // pool (loaded becomes 1 when done). When the read connection cannot be opened nothing is
    // read and the regular-record timer stays unconnected. No failure reaches the caller.
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

    // Reads today's res_report rows into todaySeries and todayRounds and closes readDb.
    // Runs on a pool thread at start-up.
    void loadToday();

    // Copies every field of `record` into round.
    void setRoundInfo(RoundRecord record);
    // Enters round into today's temperature series and the real-time points (its temperature
    // regions) and into today's region outcomes (the first entry of a round key stays).
    void addRoundToSeries();
    // Queues round as one res_report row; once today's rows are loaded, writes every queued
    // row through insertDb and closes it again. Rows wait while the file cannot be opened.
    void insertRound();
    // The compact JSON texts of roi_detail and roi_result, e.g. [[0,12,25,100,3],[]] and [1,0].
    static QString detailToJson(const QList<QList<int>>& detail);
    static QString resultToJson(const QList<int>& result);

    QString dbFileName;
    QSqlDatabase readDb;    // connection "ResDB": start-up read and queries
    QSqlDatabase insertDb;  // connection "ResInsertDB": rows written by the GUI thread
    QueryFilter filter;
    // Guards todaySeries and todayRounds between the start-up read and the GUI thread.
    QMutex dataMutex;
    QMap<QString, Series> todaySeries;
    QMap<QString, RoundEntry> todayRounds;
    // Temperature points added since the real-time curve last took them (GUI thread).
    QMap<QString, Series> newPoints;
    // The round being assembled (GUI thread).
    RoundRecord round;
    // Rows not yet written, in order (GUI thread).
    QList<RoundRecord> insertQueue;
    // Today's rows have been read (set once by the start-up task; read by the GUI thread).
    QAtomicInteger<quint8> loaded{0};
    QTimer recordTimer;
    // The next row written is a regular record.
    quint8 markNext = 1;
    int intervalMinutes = 30;

public slots:
    // Regular-record timer: mark the next row written.
    void markNextRound();
};
