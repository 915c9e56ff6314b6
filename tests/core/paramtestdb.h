// Helpers of the parameter tests: SQLite files in the test's working directory, built and read
// back on connections of the test's own, and the process globals that loading sets.
#pragma once

#include "core/globals.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <ostream>
#include <utility>
#include <vector>

// Readable QString values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

// A connection of the test's own on one database file, removed again at the end of the scope.
class TestDb {
public:
    explicit TestDb(const QString& file, const QString& connection = QStringLiteral("test-db"))
        : m_connection(connection)
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        m_db.setDatabaseName(file);
        EXPECT_TRUE(m_db.open()) << qPrintable(file);
    }
    ~TestDb()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
    TestDb(const TestDb&) = delete;
    TestDb& operator=(const TestDb&) = delete;

    QSqlQuery query() const { return QSqlQuery(m_db); }

    void exec(const QString& sql)
    {
        QSqlQuery q(m_db);
        EXPECT_TRUE(q.exec(sql)) << qPrintable(sql) << ": " << qPrintable(q.lastError().text());
    }

    void createSysparam() { exec(QStringLiteral("create table sysparam(name text primary key, value text)")); }

    void putRow(const QString& name, const QString& value)
    {
        QSqlQuery q(m_db);
        q.prepare(QStringLiteral("insert or replace into sysparam(name, value) values(?, ?)"));
        q.addBindValue(name);
        q.addBindValue(value);
        EXPECT_TRUE(q.exec()) << qPrintable(q.lastError().text());
    }

    // All rows of table sysparam, by name.
    std::map<QString, QString> rows() const
    {
        std::map<QString, QString> out;
        QSqlQuery q(m_db);
        EXPECT_TRUE(q.exec(QStringLiteral("select name, value from sysparam")));
        while (q.next())
            out[q.value(0).toString()] = q.value(1).toString();
        return out;
    }

private:
    QString m_connection;
    QSqlDatabase m_db;
};

// One value read back with the sqlite3 command, independent of the program's connections.
inline QString sqliteValue(const QString& file, const QString& sql)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {file, sql});
    EXPECT_TRUE(p.waitForFinished(10000));
    QString out = QString::fromUtf8(p.readAllStandardOutput());
    if (out.endsWith(QLatin1Char('\n')))
        out.chop(1);
    return out;
}

// A row of `count` zeros with `value` at 1-based `position`.
inline QString rowWith(int count, int position, const QString& value)
{
    QStringList parts;
    for (int k = 1; k <= count; ++k)
        parts << (k == position ? value : QStringLiteral("0"));
    return parts.join(QLatin1Char(' '));
}

// Resets the process globals that loading writes, and puts the caption texts into the table.
class ParamGlobalsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        currentLanguage = 0;
        detectsPerCamera = 2;
        initialStation = 0;
        initialStationSet = false;
        for (int k = 0; k < 10; ++k) {
            ioInputCaptions[k].clear();
            ioOutputCaptions[k].clear();
        }
        for (QString& line : nameFileLines)
            line.clear();
        std::memset(cameraSerials, 0, sizeof(cameraSerials));
        const std::vector<std::pair<int, const char*>> english = {
            {301, "Open"}, {302, "Safety"}, {303, "Back"}, {304, "RSV"}, {305, "Clmp"}, {306, "Thim"},
            {307, "Alrm"}, {376, "Left mold"}, {377, "Right mold"}, {378, "Transfer mold"},
            {379, "Shift left"}, {380, "Reset key"}, {381, "Start key"}, {382, "Shift right"}};
        for (const auto& [id, text] : english) {
            TextTable[id * 4] = QStringLiteral("zh-%1").arg(id);
            TextTable[id * 4 + 1] = QString::fromLatin1(text);
        }
    }
};
