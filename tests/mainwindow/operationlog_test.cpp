// The operation log, its daily rotation and the counters file, on real files in the test's
// working directory, read back with the sqlite3 command.
#include "tests/mainwindow/recordsfixture.h"
#include "tests/core/logcapture.h"

#include <QDir>
#include <QSaveFile>

#include <QSqlDatabase>
#include <QSqlQuery>

#include <csignal>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using OperationLogTest = RecordsFixture;

const QString kRecordFile = QStringLiteral("RECORD.db");
const QString kFirstRow = QStringLiteral("00.00.00|auto|自动条目,生成新的数据库");
// The window's own start-up row, written into the log of the day it starts on.
const QString kStartRow = QStringLiteral("程序启动，相机数2");

ino_t inodeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

}  // namespace

TEST_F(OperationLogTest, NewLogStartsWithTheAutomaticRow)
{
    build();
    EXPECT_EQ(sqliteValue(kRecordFile, QStringLiteral("select * from RECORD where rowid = 1")), kFirstRow);
    EXPECT_EQ(remarksAfterFirstRow(kRecordFile), kStartRow);
    EXPECT_EQ(fileText(QStringLiteral("time.txt")), QStringLiteral("2024-05-01"));
    EXPECT_TRUE(QDir(QStringLiteral("RECORD")).exists());
    EXPECT_TRUE(QDir(QStringLiteral("ResStatistics")).exists());
}

TEST_F(OperationLogTest, RemarksAreStoredExactlyAsGiven)
{
    build();
    const QString remarks[] = {
        QStringLiteral("参数组还原为Mould 'A'"),
        QStringLiteral("it's O'Brien's group"),
        QStringLiteral("x'); DROP TABLE RECORD; --"),
        QStringLiteral("50% \"quoted\" \\ back"),
        QString(),
    };
    for (const QString& remark : remarks)
        window->InsertRecord(remark);

    const QString hex = sqliteValue(kRecordFile, QStringLiteral("select hex(remarks) from RECORD where rowid > 2 order by rowid"));
    QStringList expected;
    for (const QString& remark : remarks)
        expected << QString::fromLatin1(remark.toUtf8().toHex().toUpper());
    EXPECT_EQ(hex, expected.join(QLatin1Char('\n')));
}

TEST_F(OperationLogTest, LogThatLostItsTableGetsItBack)
{
    build();
    window->FLushAll();
    sqliteValue(kRecordFile, QStringLiteral("drop table RECORD"));
    window->InsertRecord(QStringLiteral("camera 1 lost"));
    EXPECT_EQ(sqliteValue(kRecordFile, QStringLiteral("select remarks from RECORD")), QStringLiteral("camera 1 lost"));
}

TEST_F(OperationLogTest, RowCarriesTimeAndLoginLevel)
{
    build();
    const struct {
        int level;
        const char* text;
    } cases[] = {{2, "高级用户"}, {1, "初级用户"}, {0, "未登录"}};
    for (const auto& c : cases) {
        window->loginLevel = c.level;
        window->InsertRecord(QStringLiteral("level %1").arg(c.level));
    }
    EXPECT_EQ(sqliteValue(kRecordFile, QStringLiteral("select recordtime, recordpassword from RECORD where rowid > 2")),
              QStringLiteral("14.05.09|高级用户\n14.05.09|初级用户\n14.05.09|未登录"));
}

TEST_F(OperationLogTest, ClearRecordEmptiesTheLogAndFlushAllClosesIt)
{
    build();
    window->InsertRecord(QStringLiteral("one"));
    window->ClearRecord();
    EXPECT_EQ(sqliteValue(kRecordFile, QStringLiteral("select count(*) from RECORD")), QStringLiteral("0"));

    window->FLushAll();
    EXPECT_FALSE(window->recordDb.isOpen());
    // The next remark opens the log again.
    window->InsertRecord(QStringLiteral("after flush"));
    EXPECT_EQ(sqliteValue(kRecordFile, QStringLiteral("select remarks from RECORD")), QStringLiteral("after flush"));
}

TEST_F(OperationLogTest, NewDateMovesYesterdaysRowsIntoTheArchive)
{
    build();
    window->InsertRecord(QStringLiteral("alarm on 1 May"));

    // Not yet midnight: nothing moves.
    setNow(QDateTime(QDate(2024, 5, 1), QTime(23, 59, 59)));
    window->SlotCheckDate();
    EXPECT_FALSE(QFile::exists(QStringLiteral("RECORD/2024-05-01.db")));

    setNow(QDateTime(QDate(2024, 5, 2), QTime(0, 0, 30)));
    window->SlotCheckDate();
    const QString archive = QStringLiteral("RECORD/2024-05-01.db");
    ASSERT_TRUE(QFile::exists(archive));
    EXPECT_EQ(remarksAfterFirstRow(archive), kStartRow + QStringLiteral("\nalarm on 1 May"));
    EXPECT_EQ(sqliteValue(kRecordFile, QStringLiteral("select * from RECORD")), kFirstRow);
    EXPECT_EQ(fileText(QStringLiteral("time.txt")), QStringLiteral("2024-05-02"));
    EXPECT_EQ(window->recordDate, QStringLiteral("2024-05-02"));

    window->InsertRecord(QStringLiteral("start on 2 May"));
    EXPECT_EQ(remarksAfterFirstRow(kRecordFile), QStringLiteral("start on 2 May"));
    EXPECT_EQ(remarksAfterFirstRow(archive), kStartRow + QStringLiteral("\nalarm on 1 May"));
}

TEST_F(OperationLogTest, StartOnALaterDayArchivesTheOldLogAtOnce)
{
    build();
    window->InsertRecord(QStringLiteral("last of April"));
    delete window;
    window = nullptr;
    writeFile(QStringLiteral("time.txt"), "2024-04-30");

    build();
    EXPECT_EQ(remarksAfterFirstRow(QStringLiteral("RECORD/2024-04-30.db")), kStartRow + QStringLiteral("\nlast of April"));
    EXPECT_EQ(fileText(QStringLiteral("time.txt")), QStringLiteral("2024-05-01"));
}

TEST_F(OperationLogTest, ArchiveAfterAKilledWriteHoldsNoUncommittedRow)
{
    build();
    window->InsertRecord(QStringLiteral("committed"));
    window->recordDb.close();

    // Another process writes rows in a transaction, so many that SQLite spills them into
    // RECORD.db before the commit, and is killed before it commits: a hot journal remains.
    const pid_t writer = ::fork();
    if (writer == 0) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("killed"));
        db.setDatabaseName(kRecordFile);
        if (db.open()) {
            QSqlQuery query(db);
            query.exec(QStringLiteral("PRAGMA cache_size=1"));
            query.exec(QStringLiteral("BEGIN"));
            for (int i = 0; i < 400; ++i)
                query.exec(QStringLiteral("INSERT INTO RECORD VALUES('00.00.01', 'x', 'uncommitted %1 %2')")
                               .arg(i)
                               .arg(QString(1000, QLatin1Char('u'))));
        }
        ::raise(SIGKILL);
    }
    ASSERT_GT(writer, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(QFile::exists(kRecordFile + QStringLiteral("-journal")));

    setNow(QDateTime(QDate(2024, 5, 2), QTime(0, 1)));
    window->SlotCheckDate();
    const QString archive = QStringLiteral("RECORD/2024-05-01.db");
    EXPECT_EQ(sqliteValue(archive, QStringLiteral("pragma integrity_check")), QStringLiteral("ok"));
    EXPECT_EQ(remarksAfterFirstRow(archive), kStartRow + QStringLiteral("\ncommitted"));
    // The new day's log is a fresh file with no journal of the old one beside it.
    EXPECT_FALSE(QFile::exists(kRecordFile + QStringLiteral("-journal")));
    EXPECT_EQ(sqliteValue(kRecordFile, QStringLiteral("select * from RECORD")), kFirstRow);
}

TEST_F(OperationLogTest, ArchiveOfTheSameDateIsNeverOverwrittenNorMixed)
{
    QDir().mkpath(QStringLiteral("RECORD"));
    writeFile(QStringLiteral("RECORD/2024-05-01.db"), "an older archive of the day");
    build();
    window->InsertRecord(QStringLiteral("second log of 1 May"));
    setNow(QDateTime(QDate(2024, 5, 2), QTime(0, 1)));
    window->SlotCheckDate();

    EXPECT_EQ(fileText(QStringLiteral("RECORD/2024-05-01.db")), QStringLiteral("an older archive of the day"));
    EXPECT_EQ(remarksAfterFirstRow(QStringLiteral("RECORD/2024-05-01_2.db")), kStartRow + QStringLiteral("\nsecond log of 1 May"));
    EXPECT_EQ(sqliteValue(kRecordFile, QStringLiteral("select * from RECORD")), kFirstRow);
}

TEST_F(OperationLogTest, CountersFileHoldsEighteenValues)
{
    build();
    // One counted cycle with camera 1 NG on a two-camera system.
    totalCounts[0] = 1;
    ngCounts[0] = 1;
    totalCounts[1] = 1;
    cycleCount = 1;
    ngCycleCount = 1;
    window->CountWrite();
    EXPECT_EQ(fileText(QStringLiteral("count.txt")),
              QStringLiteral("1 1 1 0 0 0 0 0 0 0 0 0 0 0 0 0 1 1 "));
}

TEST_F(OperationLogTest, CountersFileIsReadWithItsLimits)
{
    build();
    const struct {
        const char* name;
        const char* content;  // null: no file
        int total0, ng0, total1, cycles, ngCycles;
        bool warned;
    } cases[] = {
        {"values as written", "7 2 5 1 0 0 0 0 0 0 0 0 0 0 0 0 12 3 ", 7, 2, 5, 12, 3, false},
        {"a negative camera count loads as 0", "-5 2 5 1 0 0 0 0 0 0 0 0 0 0 0 0 12 3 ", 0, 2, 5, 12, 3, false},
        {"above 100000000 loads as 0", "100000001 100000000 5 1 0 0 0 0 0 0 0 0 0 0 0 0 12 3 ", 0, 100000000, 5, 12, 3,
         false},
        {"17 numbers: all 0", "7 2 5 1 0 0 0 0 0 0 0 0 0 0 0 12 3 ", 0, 0, 0, 0, 0, true},
        {"19 numbers: all 0", "7 2 5 1 0 0 0 0 0 0 0 0 0 0 0 0 12 3 4 ", 0, 0, 0, 0, 0, true},
        {"a word among them: all 0", "12 x -5 1 0 0 0 0 0 0 0 0 0 0 0 0 12 3 ", 0, 0, 0, 0, 0, true},
        {"a short file: all 0", "7 2", 0, 0, 0, 0, 0, true},
        {"an empty file: all 0", "", 0, 0, 0, 0, 0, true},
        {"no file: all 0", nullptr, 0, 0, 0, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(QStringLiteral("count.txt"));
        if (c.content)
            writeFile(QStringLiteral("count.txt"), c.content);
        cycleCount = 99;
        ngCycleCount = 99;
        totalCounts[1] = 99;
        LogCapture log;
        window->CountRead();
        EXPECT_EQ(totalCounts[0], c.total0);
        EXPECT_EQ(ngCounts[0], c.ng0);
        EXPECT_EQ(totalCounts[1], c.total1);
        EXPECT_EQ(cycleCount, c.cycles);
        EXPECT_EQ(ngCycleCount, c.ngCycles);
        EXPECT_EQ(log.contains("count.txt does not hold 18 numbers"), c.warned);
    }
}

TEST_F(OperationLogTest, CountersSurviveACrashBetweenWriteAndRename)
{
    build();
    totalCounts[0] = 40;
    cycleCount = 40;
    window->CountWrite();
    const ino_t before = inodeOf(QStringLiteral("count.txt"));
    QFile reader(QStringLiteral("count.txt"));
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));

    // The next write puts a new file in place by renaming: a reader, like a power cut, sees the
    // old content whole, never a truncated file.
    totalCounts[0] = 41;
    cycleCount = 41;
    window->CountWrite();
    EXPECT_NE(inodeOf(QStringLiteral("count.txt")), before);
    EXPECT_EQ(QString::fromLatin1(reader.readAll()), QStringLiteral("40 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 40 0 "));

    // A write that dies before its rename leaves the last complete counters.
    {
        QSaveFile interrupted(QStringLiteral("count.txt"));
        ASSERT_TRUE(interrupted.open(QIODevice::WriteOnly));
        interrupted.write("9");
        interrupted.flush();
    }  // destroyed without commit, as by a crash
    resetCounters();
    window->CountRead();
    EXPECT_EQ(totalCounts[0], 41);
    EXPECT_EQ(cycleCount, 41);
}
