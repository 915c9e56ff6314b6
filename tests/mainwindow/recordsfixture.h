// A main window with two cameras, its Modbus server on a free local port, the text table filled
// and the wall clock set by the test; and read-back helpers for its files.
#pragma once

#include "core/texttable.h"
#include "core/wallclock.h"
#include "tests/core/paramtestdb.h"
#include "tests/mainwindow/windowfixture.h"

#include <QFile>
#include <QHostAddress>
#include <QTcpServer>

class RecordsFixture : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        fillTextTable();
        currentLanguage = 0;
        cameraCount = 2;
        detectsPerCamera = 2;
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
        probe.close();
        qputenv("MONITOR_MODBUS_PORT", QByteArray::number(port));
        setNow(QDateTime(QDate(2024, 5, 1), QTime(14, 5, 9)));
        resetCounters();
    }
    void TearDown() override
    {
        MainWindowFixture::TearDown();
        WallClock::setForTests(nullptr);
        qunsetenv("MONITOR_MODBUS_PORT");
        cameraCount = 0;
        resetCounters();
    }
    void setNow(const QDateTime& t)
    {
        now = t;
        WallClock::setForTests([this]() { return now; });
    }
    static void resetCounters()
    {
        for (int c = 0; c < 8; ++c)
            totalCounts[c] = ngCounts[c] = 0;
        cycleCount = ngCycleCount = 0;
    }
    static QString fileText(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    static void writeFile(const QString& path, const QByteArray& content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
        file.write(content);
    }
    // The remarks of a log file after its automatic first row, in order, one per line.
    static QString remarksAfterFirstRow(const QString& file)
    {
        return sqliteValue(file, QStringLiteral("select remarks from RECORD where rowid > 1 order by rowid"));
    }

    quint16 port = 0;
    QDateTime now;
};
