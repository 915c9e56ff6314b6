// Hourly OK and NG counts of the current production day per camera and check, in table
// resstatistics of ResStatistics.db; the day start in restime.txt; and the roll-over of the
// file into ./ResStatistics/<date>.db at the first check on a new date. GUI thread only.
#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include <array>

// The counts of one (camera, detect) cell; index = local hour of the count (0 = 00:00-00:59).
struct HourCounters {
    std::array<int, 24> ok{};
    std::array<int, 24> ng{};
};

class ResStatistics {
public:
    // Cameras 0..7 and detects 0..7, and index 8 for all cameras or all detects.
    static constexpr int kCells = 9;
    static constexpr int kAll = 8;
    static constexpr int kHours = 24;

    // Makes ResStatistics.db when missing, loads every cell and reads (or seeds) the day start.
    // When the file cannot be opened: the warning of text 544, then the reboot command.
    ResStatistics();
    ResStatistics(const ResStatistics&) = delete;
    ResStatistics& operator=(const ResStatistics&) = delete;
    ~ResStatistics();

    // Counts one check result in hour `hour` (0..23) of cell (camera, detect), after the day
    // check, and saves the rows of the cameras and detects in use in one transaction.
    // Always true.
    bool addResult(int hour, bool isOk, int camera, int detect);
    // Closes the day when the day start lies on another date than today; a date closed before
    // goes on in its archived file (see rotateDb).
    void checkDay();
    // Makes sure ResStatistics.db exists and holds table res_report with its left_out column
    // (added to a table made before it); false when a statement could not run.
    static bool createReportTable();
    // A ResStatistics.db that SQLite reports as damaged is moved aside (its name says so and
    // keeps its date) and a fresh file with both tables takes its place; the store's connection
    // is closed first, so its next use opens the new file. True when that happened.
    static bool replaceDamagedFile();

    // Row key "C%1_D%2" of a cell.
    static QString rowKey(int camera, int detect);

    HourCounters counters[kCells][kCells];
    // Start of the current production day (08:00 local time of some date), seconds since the
    // epoch; kept in restime.txt.
    quint32 dayStart = 0;

private:
    // Writes the queued result rows, moves the file to the archive under `closed` and goes on
    // with the archive of `today` when there is one (the clock went back to a closed date), else
    // with a fresh file; the counters and the result store's today follow the file. False when
    // the rows could not be written or the file could not be moved (it stays in use and the day
    // is closed at the next check).
    bool rotateDb(QDate closed, QDate today);
    void loadDay();
    void loadDayStart();
    // Writes every row in use; a damaged file is replaced and the rows written again into the
    // new one.
    void save();
    // The rows in use in one transaction; the error of the first statement that failed.
    QSqlError writeRows();
    bool updateRow(int camera, int detect);
    bool openDb();
    void writeDayStart();
    // Table resstatistics with one zero row per cell in the file open on `db`, for a file that
    // lacks them.
    static bool createStatisticsRows(QSqlDatabase& db);

    QSqlDatabase db;  // connection "dbResStatistics"
    QSqlQuery query;
};
