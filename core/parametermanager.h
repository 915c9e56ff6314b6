// The process-wide parameter store: the connections to PARAM.db and SN.db, the active and edit
// copies of the system parameter record, and the repair of a missing database from the default
// parameter group. Used from the GUI thread only.
#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>

class SystemParam;

class ParameterManager : public QObject {
public:
    // The store, created on first use and never destroyed.
    static ParameterManager* instance();

    // Tests build their own store in their working directory; the program uses instance().
    explicit ParameterManager(QObject* parent = nullptr);
    ~ParameterManager() override;

    // Opens both databases (repairing a missing one), creates the active copy fresh and loads it
    // with the camera serial numbers, then creates the edit copy fresh. Run once at start-up.
    // Returns false when the parameters could not be read completely (defaults fill the gaps).
    bool loadParams();
    // Closes PARAM.db before the program or the machine restarts; SN.db stays open. In a dry run,
    // where the process outlives the recorded restart, the shell runner opens it again after the
    // restart command (reopenParamDb).
    void closeParamDb();
    // Opens PARAM.db again on its connection; true when it is open.
    bool reopenParamDb();

    // SQLite creates an empty file when it opens a missing one, so a parameter database counts
    // as present only when `file` holds table sysparam. Checked on a connection of its own.
    static bool holdsSysparam(const QString& file);

    QSqlDatabase dbIn;   // PARAM.db, connection "dbIn"
    QSqlQuery queryIn;   // every statement on PARAM.db runs through a copy of it
    QSqlDatabase dbT;    // SN.db, connection "dbT"
    QSqlQuery queryT;    // every statement on the serial rows runs through a copy of it
    SystemParam* active = nullptr;  // published as activeParams
    SystemParam* edit = nullptr;    // published as editParams

private:
    void openDatabases();
};
