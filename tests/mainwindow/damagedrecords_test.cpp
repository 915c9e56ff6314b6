// Damaged record stores: RECORD.db and ResStatistics.db replaced by other bytes or cut short, as
// a power cut or a failing disk leaves them. The program starts and runs on a fresh file, keeps
// every damaged one beside it under a dated name, and the next remark and round are read back
// with the sqlite3 command.
#include "tests/mainwindow/cyclefixture.h"

#include "core/texttable.h"
#include "records/saveimagequeue.h"
#include "tests/core/logcapture.h"
#include "tests/core/paramtestdb.h"

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>
#include <QThreadPool>

namespace {

enum class Damage { RandomBytes, CutInHalf };

struct DamageCase {
    const char* name;
    const char* file;
    Damage damage;
};

const DamageCase kCases[] = {
    {"RecordReplacedByRandomBytes", "RECORD.db", Damage::RandomBytes},
    {"RecordCutInHalf", "RECORD.db", Damage::CutInHalf},
    {"StatisticsReplacedByRandomBytes", "ResStatistics.db", Damage::RandomBytes},
    {"StatisticsCutInHalf", "ResStatistics.db", Damage::CutInHalf},
};

// Test names show the case, not its bytes.
void PrintTo(const DamageCase& c, std::ostream* os)
{
    *os << c.name;
}

// The day the damaged file was last written, which its kept copy is named after.
const QDateTime kDamagedAt(QDate(2024, 4, 30), QTime(17, 0));

// Damages `file` in place and dates it kDamagedAt; returns the damaged bytes.
QByteArray damage(const QString& file, Damage kind, quint32 seed)
{
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadWrite)) << qPrintable(file);
    if (kind == Damage::RandomBytes) {
        QByteArray bytes(8192, '\0');
        QRandomGenerator random(seed);
        for (char& b : bytes)
            b = char(random.bounded(256));
        f.resize(0);
        f.write(bytes);
    } else {
        EXPECT_GT(f.size(), 4096) << "a database of more than one page";
        f.resize(f.size() / 2);
    }
    f.close();
    f.open(QIODevice::ReadWrite);
    f.setFileTime(kDamagedAt, QFileDevice::FileModificationTime);
    f.close();
    QFile read(file);
    read.open(QIODevice::ReadOnly);
    return read.readAll();
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class DamagedRecordsTest : public CycleTest {
protected:
    void SetUp() override
    {
        CycleTest::SetUp();
        fillTextTable();
        currentLanguage = 0;
        if (!saveImageMutex)
            saveImageMutex = new QMutex;
        clearResultPictures();
        // Only the cavity check; its OK results are recorded and counted by the hour.
        params->productCheckEnabled = 0;
        params->statisticsEnabled = 1;
        params->okImagesKept = 10;
        store = TemperatureChartData::instance();
        store->insertQueue.clear();
        store->round = RoundRecord();
    }
    void TearDown() override
    {
        CycleTest::TearDown();
        clearResultPictures();
    }
    // The result store is opened by main before the window, and reads today's rows first.
    void startStore()
    {
        store->init();
        QThreadPool::globalInstance()->waitForDone();
        ASSERT_TRUE(waitFor([this] { return store->loaded == 1; }, kPatientWaitMs));
    }
    void start()
    {
        startStore();
        restartProgram(1);
        addPartRegion(0, 1);
    }
    // One OK machine cycle, its rows written.
    void okCycle()
    {
        const int before = cycleCount;
        pulseInput(0, 400);
        ASSERT_TRUE(waitFor([&] { return cycleCount == before + 1; }, kPatientWaitMs));
        ASSERT_TRUE(waitFor([this] { return store->insertQueue.isEmpty(); }, kPatientWaitMs));
        ASSERT_TRUE(waitFor([this] { return window->alarmState == 0; }, kPatientWaitMs));
    }
    // The next remark, or the next round's rows, read back from the fresh file.
    void expectFreshFileTakesWrites(const QString& file, const QString& remark)
    {
        if (file == QStringLiteral("RECORD.db")) {
            window->InsertRecord(remark);
            EXPECT_EQ(sqliteValue(file, QStringLiteral("select remarks from RECORD where rowid > 1 order by rowid")),
                      QStringLiteral("程序启动，相机数1\n") + remark);
            return;
        }
        okCycle();
        EXPECT_EQ(sqliteValue(file, QStringLiteral("select count(*), min(idx_detect), min(result) from res_report")),
                  QStringLiteral("1|1|1"));
        const QString hour = QString::number(QTime::currentTime().hour());
        EXPECT_EQ(sqliteValue(file, QStringLiteral("select value1 from resstatistics where name = 'C0_D1'"))
                      .split(QLatin1Char(' '))
                      .value(QTime::currentTime().hour()),
                  QStringLiteral("1"))
            << "hour " << qPrintable(hour);
    }

    TemperatureChartData* store = nullptr;
};

class DamagedAtStart : public DamagedRecordsTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedAtStart, ProgramStartsOnAFreshFileAndKeepsEveryDamagedOne)
{
    const QString file = QString::fromLatin1(GetParam().file);
    const QString stem = file.chopped(3);
    const QString firstCopy = stem + QStringLiteral(".damaged-2024-04-30.db");
    const QString secondCopy = stem + QStringLiteral(".damaged-2024-04-30_2.db");
    startStore();
    build(1);
    addPartRegion(0, 1);
    okCycle();

    // The program ends; its file is damaged before the next start.
    delete window;
    window = nullptr;
    const QByteArray firstDamage = damage(file, GetParam().damage, 1);
    {
        LogCapture log;
        start();
        EXPECT_TRUE(log.contains(qPrintable(file + QStringLiteral(" is damaged: kept as ")
                                            + QDir::current().absoluteFilePath(firstCopy))));
    }
    EXPECT_EQ(fileBytes(firstCopy), firstDamage) << "the damaged file is kept as it was";
    EXPECT_EQ(QFileInfo(firstCopy).lastModified(), kDamagedAt);
    expectFreshFileTakesWrites(file, QStringLiteral("after the first damage"));

    // Damaged again: a second start keeps both damaged copies.
    delete window;
    window = nullptr;
    const QByteArray secondDamage = damage(file, GetParam().damage, 2);
    start();
    EXPECT_EQ(fileBytes(firstCopy), firstDamage);
    EXPECT_EQ(fileBytes(secondCopy), secondDamage);
    expectFreshFileTakesWrites(file, QStringLiteral("after the second damage"));
}

INSTANTIATE_TEST_SUITE_P(Stores, DamagedAtStart, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.name); });

TEST_F(DamagedRecordsTest, FileDamagedWhileRunningIsReplacedAtTheNextWrite)
{
    startStore();
    build(1);
    addPartRegion(0, 1);
    okCycle();

    // The operation log, closed between writes as before a restart, becomes other bytes.
    window->FLushAll();
    const QByteArray damagedLog = damage(QStringLiteral("RECORD.db"), Damage::RandomBytes, 3);
    {
        LogCapture log;
        window->InsertRecord(QStringLiteral("camera 1 lost"));
        EXPECT_FALSE(log.contains("Parameter count mismatch"));
    }
    EXPECT_EQ(fileBytes(QStringLiteral("RECORD.damaged-2024-04-30.db")), damagedLog);
    EXPECT_EQ(sqliteValue(QStringLiteral("RECORD.db"), QStringLiteral("select remarks from RECORD where rowid > 1")),
              QStringLiteral("camera 1 lost"));

    // The statistics file is cut short under the running store: the next round's counts and
    // rows go into a fresh one.
    const QByteArray damagedStatistics = damage(QStringLiteral("ResStatistics.db"), Damage::CutInHalf, 4);
    okCycle();
    EXPECT_EQ(fileBytes(QStringLiteral("ResStatistics.damaged-2024-04-30.db")), damagedStatistics);
    EXPECT_EQ(sqliteValue(QStringLiteral("ResStatistics.db"), QStringLiteral("select count(*) from res_report")),
              QStringLiteral("1"));
    EXPECT_EQ(sqliteValue(QStringLiteral("ResStatistics.db"), QStringLiteral("select value1 from resstatistics where name = 'C0_D1'"))
                  .split(QLatin1Char(' '))
                  .value(QTime::currentTime().hour()),
              QStringLiteral("2"))
        << "the counts of the day go on in the new file";
}

}  // namespace
