// The main window's operation log (RECORD.db and its daily archive), the date of the open log
// (time.txt), the production counters (count.txt), and the construction of these stores with
// the hourly statistics store and the Modbus server. GUI thread only.
#include "mainwindow/mojuwizard.h"

#include "core/atomicfile.h"
#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/systemparam.h"
#include "core/wallclock.h"
#include "io/modbusserver.h"
#include "records/damagedstore.h"
#include "records/dayarchive.h"
#include "records/resstatistics.h"
#include "records/savefialimagethread.h"
#include "records/temperaturechartdata.h"
#include "view/imagepickform.h"

#include <QFile>
#include <QMetaType>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>
#include <QVariant>

namespace {

const char* const kRecordFile = "RECORD.db";
const char* const kRecordConnection = "dbRecord";
const char* const kRecordDateFile = "time.txt";
const char* const kCountFile = "count.txt";
const char* const kRecordFolder = "./RECORD";
const char* const kStatisticsFolder = "./ResStatistics";
const char* const kDateFormat = "yyyy-MM-dd";
// The date is checked once a minute (ms).
constexpr int kDateCheckMs = 60000;
// count.txt: a total and an NG count per camera slot, then the cycle and NG cycle counts.
constexpr int kCountValues = 18;
// A count above this in count.txt (compared unsigned, so negative ones too) starts at 0.
constexpr quint32 kCountLimit = 100000000;

const char* const kCreateRecordTable =
    "CREATE TABLE IF NOT EXISTS RECORD(recordtime     VARCHAR(255),recordpassword VARCHAR(255),"
    "remarks        VARCHAR(1024))";
const char* const kFirstRecordRow =
    "INSERT INTO RECORD ('recordtime', 'recordpassword', 'remarks')VALUES ('00.00.00', 'auto', "
    "'自动条目,生成新的数据库')";

// Texts 154 "高级用户", 155 "初级用户", 156 "未登录" for login levels 2, 1 and 0.
int loginLevelText(int level)
{
    return level == 2 ? 154 : level == 1 ? 155 : 156;
}

QSqlDatabase connectionNamed(const char* name)
{
    const QString connection = QString::fromLatin1(name);
    return QSqlDatabase::contains(connection) ? QSqlDatabase::database(connection, false)
                                              : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
}

// The date of the open log from time.txt: its first word when that is a date, else empty.
QString readRecordDate()
{
    QFile file(QString::fromLatin1(kRecordDateFile));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QString word = QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty).trimmed();
    return QDate::fromString(word, QString::fromLatin1(kDateFormat)).isValid() ? word : QString();
}

}  // namespace

void MoJuWizard::openOperationLog()
{
    replaceDamagedRecordFile();
    if (!QFile::exists(QString::fromLatin1(kRecordFile)))
        createRecordTable();
    recordDb = connectionNamed(kRecordConnection);
    recordDb.setDatabaseName(QString::fromLatin1(kRecordFile));
    // A failure here is retried by every write to the log.
    recordDb.open();
}

void MoJuWizard::setUpRecordDays()
{
    recordDir = QDir(QString::fromLatin1(kRecordFolder));
    statisticsDir = QDir(QString::fromLatin1(kStatisticsFolder));
    QDir().mkpath(recordDir.path());
    QDir().mkpath(statisticsDir.path());
    dateTimer = new QTimer(this);
    dateTimer->setInterval(kDateCheckMs);
    connect(dateTimer, &QTimer::timeout, this, &MoJuWizard::SlotCheckDate);

    // Without a readable time.txt the open log is taken to be today's: nothing is archived.
    recordDate = readRecordDate();
    if (recordDate.isEmpty()) {
        recordDate = WallClock::now().date().toString(QString::fromLatin1(kDateFormat));
        replaceFileContent(QString::fromLatin1(kRecordDateFile), recordDate.toLatin1());
    }
    SlotCheckDate();
}

MoJuWizard::~MoJuWizard()
{
    // Only tests destroy the window; the program's picture writer runs to the end.
    if (saveFialImageThread) {
        saveFialImageThread->requestInterruption();
        saveFialImageThread->wait();
        delete saveFialImageThread;
        saveFialImageThread = nullptr;
    }
    delete modbusServer;
    delete imagePicker;
    delete resStatistics;
    resStatistics = nullptr;
    recordDb.close();
    recordDb = QSqlDatabase();
    QSqlDatabase::removeDatabase(QString::fromLatin1(kRecordConnection));
    // The child widgets are destroyed after this body; none of them may reach the window
    // through the global any more.
    if (mainWindow == this)
        mainWindow = nullptr;
}

bool MoJuWizard::createRecordTable()
{
    const char* const connection = "createRecordDB";
    bool created = false;
    {
        QSqlDatabase db = connectionNamed(connection);
        db.setDatabaseName(QString::fromLatin1(kRecordFile));
        if (db.open()) {
            QSqlQuery query(db);
            created = query.exec(QString::fromLatin1(kCreateRecordTable));
            if (!query.exec(QString::fromUtf8(kFirstRecordRow)))
                qWarning("cannot write the first row of %s: %s", kRecordFile, qPrintable(query.lastError().text()));
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QString::fromLatin1(connection));
    return created;
}

bool MoJuWizard::replaceDamagedRecordFile()
{
    return replaceDamagedStore(QString::fromLatin1(kRecordFile), [this]() { return createRecordTable(); });
}

void MoJuWizard::InsertRecord(QString s)
{
    if (!recordDb.isOpen() && !recordDb.open()) {
        qWarning("operation log not open, remark lost: %s", qPrintable(s));
        return;
    }
    const QString time = WallClock::now().time().toString(QStringLiteral("hh.mm.ss"));
    QSqlError error;
    // The remark is bound, never spliced into the statement: any text is stored as it is. The
    // error kept is that of the step that failed, so a damaged file is named as such.
    auto insert = [&]() {
        QSqlQuery query(recordDb);
        if (query.prepare(QStringLiteral("INSERT INTO RECORD(recordtime, recordpassword, remarks) VALUES(?, ?, ?)"))) {
            query.addBindValue(time);
            query.addBindValue(tableText(loginLevelText(loginLevel)));
            query.addBindValue(s);
            if (query.exec())
                return true;
        }
        error = query.lastError();
        return false;
    };
    if (insert())
        return;
    if (isDamagedStoreError(error)) {
        // A damaged log is kept aside and a fresh one takes this remark and the next ones.
        recordDb.close();
        replaceDamagedRecordFile();
        if (!recordDb.open()) {
            qWarning("operation log not open, remark lost: %s", qPrintable(s));
            return;
        }
    } else {
        // A log file that lost its table (emptied or replaced) gets it back rather than dropping
        // every remark from now on.
        QSqlQuery(recordDb).exec(QString::fromLatin1(kCreateRecordTable));
    }
    if (!insert())
        qWarning("cannot write to the operation log: %s; remark lost: %s", qPrintable(error.text()), qPrintable(s));
}

void MoJuWizard::ClearRecord()
{
    if (!recordDb.isOpen() && !recordDb.open())
        return;
    QSqlQuery query(recordDb);
    if (!query.exec(QStringLiteral("DELETE FROM RECORD")))
        qWarning("cannot clear the operation log: %s", qPrintable(query.lastError().text()));
}

void MoJuWizard::SlotCheckDate()
{
    const QString today = WallClock::now().date().toString(QString::fromLatin1(kDateFormat));
    if (today == recordDate)
        return;
    recordDb.close();
    // While the log cannot be moved it stays open under its own date and the move is tried
    // again at the next check, so its rows are never filed under a later day.
    if (!archiveDayFile(QString::fromLatin1(kRecordFile), recordDir, recordDate)) {
        qWarning("operation log of %s not archived; trying again in a minute", qPrintable(recordDate));
        return;
    }
    createRecordTable();
    recordDate = today;
    replaceFileContent(QString::fromLatin1(kRecordDateFile), recordDate.toLatin1());
}

void MoJuWizard::FLushAll()
{
    // Result rows still queued would be lost with the process.
    TemperatureChartData::instance()->writeQueue();
    ParameterManager::instance()->closeParamDb();
    recordDb.close();
    QThread::msleep(500);
}

void MoJuWizard::CountRead()
{
    std::fill(std::begin(totalCounts), std::end(totalCounts), 0);
    std::fill(std::begin(ngCounts), std::end(ngCounts), 0);
    cycleCount = 0;
    ngCycleCount = 0;
    QFile file(QString::fromLatin1(kCountFile));
    if (!file.open(QIODevice::ReadOnly))
        return;
    // The file is taken whole or not at all: a value missing or not a number would shift the
    // camera totals against the cycle counts.
    const QList<QByteArray> words = file.readAll().simplified().split(' ');
    int values[kCountValues] = {};
    bool whole = words.size() == kCountValues;
    for (int i = 0; whole && i < kCountValues; ++i)
        values[i] = words.at(i).toInt(&whole);
    if (!whole) {
        qWarning("%s does not hold %d numbers; the counters start at 0", kCountFile, kCountValues);
        return;
    }
    auto bounded = [](int v) { return quint32(v) > kCountLimit ? 0 : v; };
    for (int c = 0; c < 8; ++c) {
        totalCounts[c] = bounded(values[2 * c]);
        ngCounts[c] = bounded(values[2 * c + 1]);
    }
    cycleCount = values[16];
    ngCycleCount = values[17];
}

void MoJuWizard::CountWrite()
{
    QByteArray text;
    for (int c = 0; c < 8; ++c)
        text += QByteArray::number(totalCounts[c]) + ' ' + QByteArray::number(ngCounts[c]) + ' ';
    text += QByteArray::number(cycleCount) + ' ' + QByteArray::number(ngCycleCount) + ' ';
    replaceFileContent(QString::fromLatin1(kCountFile), text);
}
