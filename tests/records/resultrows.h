// Seeding res_report rows into result files for the query and export tests.
#pragma once

#include "records/temperaturechartdata.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <utility>

#include <gtest/gtest.h>

struct SeedRow {
    QDateTime roundStart;
    QDateTime detectStart;
    int camera;
    int detect;
    QString detail;
    QString result;
    int verdict = 1;
    QString description = QString();
    // Written only into a file made with the left_out column.
    QString leftOut = QString();
};

inline QString stampOf(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

// Appends `rows` to res_report of `file` (made with its folder when missing), in one transaction.
// The table is made as files were before the left_out column, unless `leftOutColumn`.
inline void seedRows(const QString& file, const QList<SeedRow>& rows, bool leftOutColumn = false)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("seed"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS res_report(idx INTEGER PRIMARY KEY,roundstart VARCHAR(32) NOT NULL,"
            "detectstart VARCHAR(32) NOT NULL,idx_camera INT NOT NULL,idx_detect INT NOT NULL,roi_detail TEXT NOT "
            "NULL,roi_result TEXT NOT NULL,result tinyint NOT NULL,description TEXT%1)")
                                   .arg(leftOutColumn ? QStringLiteral(",left_out TEXT NOT NULL DEFAULT ''") : QString())));
        db.transaction();
        query.prepare(QStringLiteral("INSERT INTO res_report (roundstart, detectstart, idx_camera, idx_detect, "
                                     "roi_detail, roi_result, result, description%1) values (?, ?, ?, ?, ?, ?, ?, ?%2)")
                          .arg(leftOutColumn ? QStringLiteral(", left_out") : QString(),
                               leftOutColumn ? QStringLiteral(", ?") : QString()));
        for (const SeedRow& r : rows) {
            query.addBindValue(stampOf(r.roundStart));
            query.addBindValue(stampOf(r.detectStart));
            query.addBindValue(r.camera);
            query.addBindValue(r.detect);
            query.addBindValue(r.detail);
            query.addBindValue(r.result);
            query.addBindValue(r.verdict);
            query.addBindValue(r.description);
            if (leftOutColumn)
                query.addBindValue(r.leftOut.isNull() ? QString::fromLatin1("") : r.leftOut);
            ASSERT_TRUE(query.exec());
        }
        db.commit();
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("seed"));
}

// The statistics screen's figure for today (`day`), counted from today's region outcomes:
// (rounds, NG rounds).
inline std::pair<int, int> todaysFigure(TemperatureChartData& store, QDate day)
{
    QueryFilter f;
    f.from = QDateTime(day, QTime(0, 0));
    f.to = QDateTime(day, QTime(23, 59, 59, 999));
    store.statisticsSource = 0;
    store.setFilter(f);
    store.buildDayAxis();
    store.computeStatistics();
    return {store.roundCount, store.ngRoundCount};
}
