// The operation log RECORD.db: one timestamped row per remark, written from the GUI thread.
#include "mainwindow/mojuwizard.h"

#include "core/globals.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#include <QTime>

namespace {

const char* const kRecordConnection = "dbRecord";

// Text ids of the login levels 2, 1 and 0 in the recordpassword column.
int loginLevelTextId(int level)
{
    return level == 2 ? 154 : level == 1 ? 155 : 156;
}

}  // namespace

void MoJuWizard::InsertRecord(QString remark)
{
    const QString name = QString::fromLatin1(kRecordConnection);
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    if (!db.isOpen()) {
        db.setDatabaseName(QStringLiteral("RECORD.db"));
        // Without the log file the remark is lost; nothing reaches the caller.
        if (!db.open())
            return;
        QSqlQuery create(db);
        create.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS RECORD(recordtime     VARCHAR(255),"
                                   "recordpassword VARCHAR(255),remarks        VARCHAR(1024))"));
    }
    // Bound values: a remark with an apostrophe is stored like any other.
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO RECORD(recordtime, recordpassword, remarks) VALUES(?, ?, ?)"));
    insert.addBindValue(QTime::currentTime().toString(QStringLiteral("hh.mm.ss")));
    insert.addBindValue(tableText(loginLevelTextId(loginLevel)));
    insert.addBindValue(remark);
    if (!insert.exec())
        qWarning("operation log: %s", qPrintable(remark));
}
