#include "core/parametermanager.h"

#include "core/groupjournal.h"
#include "core/shellrunner.h"
#include "core/systemparam.h"

#include <QFile>
#include <QPointer>
#include <QSqlError>
#include <QThread>

namespace {

const char* const kParamConnection = "dbIn";
const char* const kSerialConnection = "dbT";
const char* const kParamFile = "PARAM.db";
const char* const kSerialFile = "SN.db";
const char* const kDefaultGroup = "./paraGroup/default/";

// SQLite creates an empty file when it opens a missing one, so a database counts as present
// only when the file holds table sysparam. Checked on a connection of its own that may write:
// the journal of a save cut by a power failure must be rolled back before the tables can be
// read, and a read-only connection cannot do that.
bool holdsSysparam(const QString& file)
{
    if (!QFile::exists(file))
        return false;
    const QString connection = QStringLiteral("paramcheck");
    bool found = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        if (db.open()) {
            found = db.tables().contains(QStringLiteral("sysparam"));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return found;
}

// Puts the default group's copy of `file` in place. On success the machine is restarted,
// because the program has already read settings from the broken state. Without a usable copy a
// restart would only repeat itself, so the program goes on with the record's defaults.
void restoreFromDefaultGroup(const QString& file, int waitBeforeRebootMs)
{
    const QString source = QString::fromLatin1(kDefaultGroup) + file;
    qWarning("%s is missing or has no parameter table; restoring it from %s", qPrintable(file),
             qPrintable(source));
    // A copy without the table would be restored again at every start, each time with a restart.
    if (!holdsSysparam(source)) {
        qCritical("cannot restore %s: %s does not exist or has no parameter table", qPrintable(file), qPrintable(source));
        return;
    }
    QFile::remove(file);
    if (!QFile::copy(source, file)) {
        qCritical("cannot copy %s to %s", qPrintable(source), qPrintable(file));
        return;
    }
    QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::WriteOwner);
    ShellRunner::run(QStringLiteral("sync"), {});
    if (waitBeforeRebootMs > 0)
        QThread::msleep(static_cast<unsigned long>(waitBeforeRebootMs));
    ShellRunner::run(QStringLiteral("reboot"), {});
}

// Opens `file` on the named connection, restoring it from the default group first when it is
// missing.
QSqlDatabase openDatabase(const char* connection, const char* file, int waitBeforeRebootMs)
{
    const QString name = QString::fromLatin1(file);
    if (!holdsSysparam(name))
        restoreFromDefaultGroup(name, waitBeforeRebootMs);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QString::fromLatin1(connection));
    db.setDatabaseName(name);
    if (!db.open())
        qCritical("cannot open %s: %s", file, qPrintable(db.lastError().text()));
    return db;
}

}  // namespace

ParameterManager* ParameterManager::instance()
{
    static ParameterManager* store = new ParameterManager;
    return store;
}

bool ParameterManager::holdsSysparam(const QString& file)
{
    return ::holdsSysparam(file);
}

ParameterManager::ParameterManager(QObject* parent)
    : QObject(parent)
{
}

ParameterManager::~ParameterManager()
{
    queryIn = QSqlQuery();
    queryT = QSqlQuery();
    dbIn.close();
    dbT.close();
    dbIn = QSqlDatabase();
    dbT = QSqlDatabase();
    QSqlDatabase::removeDatabase(QString::fromLatin1(kParamConnection));
    QSqlDatabase::removeDatabase(QString::fromLatin1(kSerialConnection));
    delete active;
    delete edit;
}

void ParameterManager::openDatabases()
{
    // A parameter-group restore, backup or delete cut off by a power failure or a kill is undone
    // or finished first: a PARAM.db it had moved aside is back in place before the default
    // group is asked to replace a missing one.
    if (!GroupJournal::recover())
        qCritical("an interrupted parameter group operation could not be recovered");
    dbIn = openDatabase(kParamConnection, kParamFile, 0);
    queryIn = QSqlQuery(dbIn);
    // The serial numbers are restored the same way; the restart waits one second after the copy.
    dbT = openDatabase(kSerialConnection, kSerialFile, 1000);
    queryT = QSqlQuery(dbT);
}

bool ParameterManager::loadParams()
{
    openDatabases();
    delete active;
    active = new SystemParam;
    bool ok = active->loadSysParams(QSqlQuery(queryIn));
    ok = active->loadSerialNumbers(QSqlQuery(queryT)) && ok;
    delete edit;
    edit = new SystemParam;
    if (!ok)
        qWarning("parameters were not read completely; defaults fill the gaps");
    return ok;
}

void ParameterManager::closeParamDb()
{
    if (!dbIn.isOpen())
        return;
    queryIn.finish();
    dbIn.close();
    // A dry run records the restart or power-off that follows and goes on: the program keeps
    // saving its settings, so the file is opened again then.
    QPointer<ParameterManager> self(this);
    ShellRunner::reopenAfterDryRunEnd([self]() {
        if (self)
            self->reopenParamDb();
    });
}

bool ParameterManager::reopenParamDb()
{
    if (dbIn.isOpen())
        return true;
    if (!dbIn.open()) {
        qCritical("cannot open %s again: %s", kParamFile, qPrintable(dbIn.lastError().text()));
        return false;
    }
    queryIn = QSqlQuery(dbIn);
    return true;
}
