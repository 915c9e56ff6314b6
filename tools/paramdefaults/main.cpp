// Writes the default parameter group: PARAM.db with table sysparam holding the record that a
// fresh installation loads and the empty region tables cammer0..cammer7, and SN.db with no
// camera serial numbers. The rows are written by the monitor's own load and save, so the group
// always matches the record's defaults.
//
// Usage: make-param-defaults DIR   (DIR is created; existing databases in it are replaced)

#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/systemparam.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>

namespace {

// The monitor reads and writes these tables but never creates them.
bool createTables(const QString& file, bool withRegionTables)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("create"));
        db.setDatabaseName(file);
        if (!db.open()) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(file));
            return false;
        }
        QStringList statements{QStringLiteral("create table sysparam(name text primary key, value text)")};
        if (withRegionTables) {
            for (int camera = 0; camera < 8; ++camera)
                statements << QStringLiteral("create table cammer%1(name text primary key, value text)").arg(camera);
        }
        QSqlQuery query(db);
        for (const QString& sql : statements) {
            if (!query.exec(sql)) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(sql), qPrintable(query.lastError().text()));
                ok = false;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("create"));
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-param-defaults DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(dir) || !QDir::setCurrent(dir)) {
        std::fprintf(stderr, "cannot use %s\n", argv[1]);
        return 1;
    }
    QFile::remove(QStringLiteral("PARAM.db"));
    QFile::remove(QStringLiteral("SN.db"));
    if (!createTables(QStringLiteral("PARAM.db"), true) || !createTables(QStringLiteral("SN.db"), false))
        return 1;

    // Loading leaves a group index file behind; the group carries none of its own.
    const bool hadGroupIndex = QFile::exists(QStringLiteral("sysadd.txt"));
    currentLanguage = 0;
    bool ok = true;
    {
        ParameterManager store;
        store.loadParams();
        ok = SystemParam::saveSysParams(*store.active, QSqlQuery(store.queryIn));
    }
    if (!hadGroupIndex)
        QFile::remove(QStringLiteral("sysadd.txt"));
    if (!ok) {
        std::fprintf(stderr, "saving the default record failed\n");
        return 1;
    }
    std::printf("default parameter group written to %s\n", qPrintable(QDir::currentPath()));
    return 0;
}
