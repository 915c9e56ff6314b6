#include "core/parametermanager.h"

#include "core/globals.h"
#include "core/shellrunner.h"
#include "core/systemparam.h"
#include "tests/core/paramtestdb.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstring>

namespace {

class ParameterManagerTest : public ParamGlobalsTest {
protected:
    static QString shippedGroup() { return QStringLiteral(MONITOR_SOURCE_DIR "/samples/paraGroup/default/"); }

    // Puts the shipped default group under ./paraGroup/default/.
    static void installDefaultGroup()
    {
        ASSERT_TRUE(QDir().mkpath(QStringLiteral("paraGroup/default")));
        for (const char* name : {"PARAM.db", "SN.db"})
            ASSERT_TRUE(QFile::copy(shippedGroup() + QLatin1String(name), QStringLiteral("paraGroup/default/") + QLatin1String(name)));
    }

    static void createDatabase(const QString& file)
    {
        TestDb db(file, QStringLiteral("create"));
        db.createSysparam();
    }

    static QStringList recordedCommands()
    {
        QFile f(QString::fromLatin1(ShellRunner::kDryRunLog));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static QByteArray fileBytes(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(ParameterManagerTest, LoadsBothDatabasesAndCreatesTheEditCopyFresh)
{
    createDatabase(QStringLiteral("PARAM.db"));
    createDatabase(QStringLiteral("SN.db"));
    {
        TestDb db(QStringLiteral("PARAM.db"));
        db.putRow(QStringLiteral("system4"), QStringLiteral("1 5 300"));
    }
    ParameterManager store;
    EXPECT_TRUE(store.loadParams());
    ASSERT_NE(store.active, nullptr);
    ASSERT_NE(store.edit, nullptr);
    EXPECT_NE(store.active, store.edit);
    EXPECT_EQ(store.active->filterSize, 5);
    EXPECT_EQ(store.active->templateAutoUpdate, 1);
    EXPECT_EQ(*store.edit, SystemParam());
    EXPECT_TRUE(recordedCommands().isEmpty());

    // Other parts run their statements on copies of the two queries.
    QSqlQuery regions(store.queryIn);
    EXPECT_TRUE(regions.exec(QStringLiteral("create table cammer0(name text, value text)")));
    QSqlQuery serials(store.queryT);
    EXPECT_TRUE(serials.exec(QStringLiteral("select count(*) from sysparam")));
    ASSERT_TRUE(serials.next());
    EXPECT_EQ(serials.value(0).toInt(), 8);

    // After closing PARAM.db its query runs nothing; SN.db stays open.
    store.closeParamDb();
    QSqlQuery closed(store.queryIn);
    EXPECT_FALSE(closed.exec(QStringLiteral("select count(*) from sysparam")));
    QSqlQuery stillOpen(store.queryT);
    EXPECT_TRUE(stillOpen.exec(QStringLiteral("select count(*) from sysparam")));
}

TEST_F(ParameterManagerTest, SerialNumberRows)
{
    struct Case {
        const char* what;
        bool hasRow;
        QByteArray stored;
        QByteArray entry;  // cameraSerials entry afterwards
        bool counted;
    };
    // Row n of SN.db holds case n.
    const Case cases[8] = {
        {"placeholder 0", true, "0", "", false},
        {"exactly 8 characters", true, "DA123456", "", false},
        {"9 characters", true, "DA1234567", "DA1234567", true},
        {"missing row", false, "", "0", false},
        {"with a quote", true, "K'0042-ABCDEF", "K'0042-ABCDEF", true},
        {"99 characters", true, QByteArray(99, 'S'), QByteArray(99, 'S'), true},
        {"100 characters", true, QByteArray(100, 'T'), "", false},
        {"empty", true, "", "", false},
    };
    createDatabase(QStringLiteral("PARAM.db"));
    createDatabase(QStringLiteral("SN.db"));
    {
        TestDb sn(QStringLiteral("SN.db"));
        for (int n = 0; n < 8; ++n) {
            if (cases[n].hasRow)
                sn.putRow(QStringLiteral("serialNB%1").arg(n), QString::fromLatin1(cases[n].stored));
        }
    }
    ParameterManager store;
    store.loadParams();
    int counted = 0;
    for (int n = 0; n < 8; ++n) {
        SCOPED_TRACE(cases[n].what);
        EXPECT_EQ(QByteArray(cameraSerials[n]), cases[n].entry);
        counted += cases[n].counted;
    }
    EXPECT_EQ(store.active->serialCount, counted);
    // The missing row is inserted with "0".
    EXPECT_EQ(sqliteValue(QStringLiteral("SN.db"), QStringLiteral("select value from sysparam where name='serialNB3'")),
              QStringLiteral("0"));
    EXPECT_EQ(sqliteValue(QStringLiteral("SN.db"), QStringLiteral("select count(*) from sysparam")), QStringLiteral("8"));
}

TEST_F(ParameterManagerTest, SerialWrittenThroughTheSerialQueryIsReadAtTheNextStart)
{
    createDatabase(QStringLiteral("PARAM.db"));
    createDatabase(QStringLiteral("SN.db"));
    {
        ParameterManager store;
        store.loadParams();
        // The camera discovery writes the rows on a copy of queryT.
        QSqlQuery q(store.queryT);
        q.prepare(QStringLiteral("update sysparam set value=? where name=?"));
        q.addBindValue(QStringLiteral("00E12345678"));
        q.addBindValue(QStringLiteral("serialNB2"));
        ASSERT_TRUE(q.exec());
    }
    std::memset(cameraSerials, 0, sizeof(cameraSerials));
    ParameterManager store;
    store.loadParams();
    EXPECT_STREQ(cameraSerials[2], "00E12345678");
    EXPECT_EQ(store.active->serialCount, 1);
}

TEST_F(ParameterManagerTest, MissingParamDbIsRestoredFromTheDefaultGroupAndTheMachineRestarted)
{
    installDefaultGroup();
    createDatabase(QStringLiteral("SN.db"));
    ParameterManager store;
    store.loadParams();
    EXPECT_EQ(fileBytes(QStringLiteral("PARAM.db")).size(), fileBytes(QStringLiteral("paraGroup/default/PARAM.db")).size());
    EXPECT_EQ(recordedCommands(), (QStringList{QStringLiteral("sync"), QStringLiteral("reboot")}));
    // The restored copy is the one in use.
    EXPECT_EQ(sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select value from sysparam where name='system4'")),
              QStringLiteral("0 3 100"));
    EXPECT_EQ(store.active->maxTemplates, 10);
}

TEST_F(ParameterManagerTest, MissingSnDbIsRestoredToo)
{
    installDefaultGroup();
    createDatabase(QStringLiteral("PARAM.db"));
    ParameterManager store;
    store.loadParams();
    EXPECT_EQ(recordedCommands(), (QStringList{QStringLiteral("sync"), QStringLiteral("reboot")}));
    EXPECT_EQ(sqliteValue(QStringLiteral("SN.db"), QStringLiteral("select value from sysparam where name='serialNB7'")),
              QStringLiteral("0"));
    // PARAM.db was present and is left as it was.
    EXPECT_EQ(sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select count(*) from sysparam where name='system4'")),
              QStringLiteral("0"));
}

TEST_F(ParameterManagerTest, EmptyDatabaseFilesCountAsMissing)
{
    // What SQLite leaves behind when it opened a missing file: an empty database.
    installDefaultGroup();
    for (const char* name : {"PARAM.db", "SN.db"}) {
        QFile f{QString::fromLatin1(name)};
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ParameterManager store;
    store.loadParams();
    EXPECT_EQ(recordedCommands(),
              (QStringList{QStringLiteral("sync"), QStringLiteral("reboot"), QStringLiteral("sync"), QStringLiteral("reboot")}));
    EXPECT_EQ(sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select value from sysparam where name='enable'")),
              QStringLiteral("1 1 1 1 1 1 1 1"));
    EXPECT_EQ(sqliteValue(QStringLiteral("SN.db"), QStringLiteral("select count(*) from sysparam")), QStringLiteral("8"));
}

TEST_F(ParameterManagerTest, SaveCutByAPowerFailureIsRolledBackAndTheDatabaseKept)
{
    // What the disk holds after a power cut in the middle of a save: the database with the
    // journal of the unfinished transaction beside it. SQLite rolls it back at the next open;
    // the database must not be taken for a missing one and replaced by the default group.
    installDefaultGroup();
    createDatabase(QStringLiteral("SN.db"));
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("live")));
    const QString live = QStringLiteral("live/PARAM.db");
    createDatabase(live);
    {
        TestDb db(live);
        db.putRow(QStringLiteral("system4"), QStringLiteral("1 5 300"));
        db.exec(QStringLiteral("create table cammer0(name text primary key, value text)"));
        db.exec(QStringLiteral("insert into cammer0 values('detect0', 'region')"));
    }
    {
        TestDb db(live);
        db.exec(QStringLiteral("pragma cache_size=1"));
        db.exec(QStringLiteral("begin immediate"));
        db.putRow(QStringLiteral("system4"), QStringLiteral("1 9 300"));
        for (int k = 0; k < 200; ++k)
            db.exec(QStringLiteral("insert into cammer0 values('row%1', '%2')").arg(k).arg(QString(2000, QLatin1Char('x'))));
        // The power fails here: the files as they are on the disk now.
        ASSERT_TRUE(QFile::exists(live + QLatin1String("-journal")));
        ASSERT_TRUE(QFile::copy(live, QStringLiteral("PARAM.db")));
        ASSERT_TRUE(QFile::copy(live + QLatin1String("-journal"), QStringLiteral("PARAM.db-journal")));
        db.exec(QStringLiteral("rollback"));
    }

    ParameterManager store;
    EXPECT_TRUE(store.loadParams());
    EXPECT_TRUE(recordedCommands().isEmpty()) << qPrintable(recordedCommands().join(QLatin1String(", ")));
    EXPECT_EQ(store.active->filterSize, 5);
    EXPECT_FALSE(QFile::exists(QStringLiteral("PARAM.db-journal")));
    QSqlQuery regions(store.queryIn);
    ASSERT_TRUE(regions.exec(QStringLiteral("select value from cammer0")));
    QStringList values;
    while (regions.next())
        values << regions.value(0).toString();
    EXPECT_EQ(values, QStringList{QStringLiteral("region")});
}

TEST_F(ParameterManagerTest, WithoutADefaultGroupTheProgramGoesOnWithDefaultsAndDoesNotRestart)
{
    // A restart could not repair anything and would only repeat itself.
    ParameterManager store;
    EXPECT_FALSE(store.loadParams());
    EXPECT_TRUE(recordedCommands().isEmpty());
    EXPECT_EQ(store.active->maxTemplates, 10);
    EXPECT_EQ(store.active->temperatureRecordMinutes, 30);
    EXPECT_EQ(detectsPerCamera, 2);
}

TEST_F(ParameterManagerTest, ShippedDefaultGroupLoadsTheRecordDefaultsAndHoldsTheRegionTables)
{
    installDefaultGroup();
    ASSERT_TRUE(QFile::copy(QStringLiteral("paraGroup/default/PARAM.db"), QStringLiteral("PARAM.db")));
    ASSERT_TRUE(QFile::copy(QStringLiteral("paraGroup/default/SN.db"), QStringLiteral("SN.db")));
    QFile::setPermissions(QStringLiteral("PARAM.db"), QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(QStringLiteral("SN.db"), QFile::ReadOwner | QFile::WriteOwner);
    ParameterManager store;
    EXPECT_TRUE(store.loadParams());
    EXPECT_TRUE(recordedCommands().isEmpty());

    // The same record as a load from an empty table.
    SystemParam fromEmpty;
    {
        TestDb empty(QStringLiteral("empty.db"));
        empty.createSysparam();
        fromEmpty.loadSysParams(empty.query());
    }
    EXPECT_EQ(*store.active, fromEmpty);

    // Every row is present, so loading inserted nothing and a save changes nothing.
    TestDb db(QStringLiteral("PARAM.db"));
    const auto before = db.rows();
    EXPECT_EQ(before.size(), 23u);
    ASSERT_TRUE(SystemParam::saveSysParams(*store.active, QSqlQuery(store.queryIn)));
    EXPECT_EQ(db.rows(), before);

    // The region tables exist, so region saves work in a fresh installation.
    for (int camera = 0; camera < 8; ++camera) {
        QSqlQuery q(store.queryIn);
        EXPECT_TRUE(q.exec(QStringLiteral("insert into cammer%1 values('detect0', '0')").arg(camera))) << camera;
    }
}

}  // namespace
