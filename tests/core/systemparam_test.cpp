#include "core/systemparam.h"

#include "core/globals.h"
#include "tests/core/paramtestdb.h"
#include "tests/support/filesizelimit.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

class SystemParamTest : public ParamGlobalsTest {};

// Loads the record from PARAM.db in the working directory, as start-up does.
SystemParam loadFrom(TestDb& db, bool* ok = nullptr)
{
    SystemParam p;
    const bool loaded = p.loadSysParams(db.query());
    if (ok)
        *ok = loaded;
    return p;
}

TEST_F(SystemParamTest, FreshRecordHoldsTheDefaults)
{
    SystemParam p;
    for (int i = 0; i < SystemParam::kFieldCount; ++i) {
        int expected = 0;
        if ((i >= 108 && i <= 117) || i == 120 || (i >= 192 && i <= 199))
            expected = 1;
        else if (i == 243)
            expected = 2;
        else if (i == 322)
            expected = 30;
        EXPECT_EQ(p.field(i), expected) << "field " << i;
    }
    EXPECT_EQ(p.passwordText(), QString());
    // Named fields sit at their indices.
    EXPECT_EQ(&p.outputRestState[4], reinterpret_cast<int*>(&p) + 112);
    EXPECT_EQ(&p.temperatureRecordMinutes, reinterpret_cast<int*>(&p) + 322);
}

TEST_F(SystemParamTest, CopyAndCompareCoverEveryByte)
{
    SystemParam a;
    SystemParam b = a;
    EXPECT_EQ(a, b);
    b.setField(300, 1);  // a reserved field counts too
    EXPECT_NE(a, b);
    b = a;
    EXPECT_EQ(a, b);

    // A shorter password leaves no trace of a longer one, so equal passwords compare equal.
    ASSERT_TRUE(a.setPassword(QStringLiteral("longer password")));
    ASSERT_TRUE(a.setPassword(QStringLiteral("pw")));
    ASSERT_TRUE(b.setPassword(QStringLiteral("pw")));
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.passwordText(), QStringLiteral("pw"));

    // 99 characters fit with their NUL; 100 do not and leave the password as it was.
    EXPECT_TRUE(a.setPassword(QString(99, QLatin1Char('x'))));
    EXPECT_FALSE(a.setPassword(QString(100, QLatin1Char('y'))));
    EXPECT_EQ(a.passwordText(), QString(99, QLatin1Char('x')));
}

TEST_F(SystemParamTest, EmptyTableLoadsDefaultsAndInsertsRowsMadeFromThem)
{
    TestDb db(QStringLiteral("PARAM.db"));
    db.createSysparam();
    bool ok = false;
    SystemParam p = loadFrom(db, &ok);
    EXPECT_TRUE(ok);

    EXPECT_EQ(p.maxTemplates, 10);
    EXPECT_EQ(p.filterSize, 3);
    EXPECT_EQ(p.alarmArea, 100);
    EXPECT_EQ(p.minSpot, 3);
    EXPECT_EQ(p.maxOffset, 8000);
    EXPECT_EQ(p.multiDetectCount, 2);
    EXPECT_EQ(p.defectDetectionEnabled, 1);
    EXPECT_EQ(p.motionCorrection, 0);
    EXPECT_EQ(p.exposure[0], 0);
    EXPECT_EQ(p.machineType, 0);
    EXPECT_EQ(detectsPerCamera, 2);
    EXPECT_FALSE(initialStationSet);
    EXPECT_EQ(p.detectEnabled[0], 0);
    EXPECT_EQ(p.detectEnabled[1], 1);
    EXPECT_EQ(p.triggerInput[0], 0);
    EXPECT_EQ(p.triggerInput[1], 0);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(p.outputRestState[k], 1) << "output " << k;
    EXPECT_EQ(p.temperatureRecordMinutes, 30);
    EXPECT_EQ(p.paraGroupIndex, 0);

    // sysadd.txt is created holding "0".
    QFile sysadd(QStringLiteral("sysadd.txt"));
    ASSERT_TRUE(sysadd.open(QIODevice::ReadOnly));
    EXPECT_EQ(sysadd.readAll(), QByteArray("0"));

    // The rows of the default set are inserted from the record's defaults; the others are not.
    const QString file = QStringLiteral("PARAM.db");
    EXPECT_EQ(sqliteValue(file, QStringLiteral("select value from sysparam where name='system7'")),
              QStringLiteral("0 0 0 0 1 1 1 0 1 0 0 0 0 0 1 0 0 0 0 0"));
    EXPECT_EQ(sqliteValue(file, QStringLiteral("select value from sysparam where name='system8'")),
              QStringLiteral("2 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"));
    EXPECT_EQ(sqliteValue(file, QStringLiteral("select value from sysparam where name='system12'")),
              QStringLiteral("0 0 0 0 0 0 0 0 0 0 0 30 0 0 0 0 0 0 0 0"));
    EXPECT_EQ(sqliteValue(file, QStringLiteral("select value from sysparam where name='mirror'")),
              QStringLiteral("0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"));
    EXPECT_EQ(sqliteValue(file, QStringLiteral("select value from sysparam where name='enable'")),
              QStringLiteral("1 1 1 1 1 1 1 1"));
    EXPECT_EQ(sqliteValue(file, QStringLiteral("select group_concat(name, ',') from (select name from sysparam order by name)")),
              QStringLiteral("enable,mirror,system10,system11,system12,system7,system8,system9"));

    // The next start reads the same record: no rest level flips, the record interval stays 30.
    SystemParam again = loadFrom(db);
    EXPECT_EQ(again, p);
}

TEST_F(SystemParamTest, MissingRowWithoutDefaultKeepsFieldsAndIsNotInserted)
{
    TestDb db(QStringLiteral("PARAM.db"));
    db.createSysparam();
    db.putRow(QStringLiteral("adjustPlus"), QStringLiteral("5 6 7 8"));
    SystemParam p = loadFrom(db);
    EXPECT_EQ(p.exposure[0], 0);
    EXPECT_EQ(p.gain[3], 8);
    const auto rows = db.rows();
    EXPECT_EQ(rows.count(QStringLiteral("exposeTime")), 0u);
    EXPECT_EQ(rows.count(QStringLiteral("system1")), 0u);
}

struct ClampCase {
    const char* what;
    const char* row;
    int count;
    int position;
    const char* stored;
    int field;  // -1: the UI language
    int expected;
};

TEST_F(SystemParamTest, LoadClampsOutOfRangeValues)
{
    const ClampCase cases[] = {
        {"exposure too high", "exposeTime", 4, 1, "20000", 0, 30},
        {"exposure negative", "exposeTime", 4, 1, "-5", 0, 30},
        {"exposure in range", "exposeTime", 4, 1, "10000", 0, 10000},
        {"exposure camera 7", "system6", 12, 2, "10001", 7, 30},
        {"gain", "adjustPlus", 4, 2, "10001", 9, 32},
        {"sharpness", "sharp", 4, 3, "-1", 18, 0},
        {"contrast camera 5", "system5", 13, 8, "99999", 29, 50},
        {"gamma too high", "numAllDetect", 8, 1, "10001", 32, 70},
        {"gamma at limit", "numAllDetect", 8, 1, "10000", 32, 10000},
        {"temperature range", "system10", 20, 17, "3", 64, 1},
        {"temperature range camera 4", "system11", 20, 17, "-2", 68, 1},
        {"multi-detection count low", "system8", 20, 1, "1", 243, 2},
        {"multi-detection count high", "system8", 20, 1, "9", 243, 2},
        {"multi-detection count 8", "system8", 20, 1, "8", 243, 8},
        {"machine type 3", "numFailDetect", 8, 1, "3", 204, 0},
        {"machine type copied for editing", "numFailDetect", 8, 1, "2", 205, 2},
        {"pre-cut", "system1", 9, 6, "10001", 207, 0},
        {"re-checks", "system1", 9, 7, "-1", 143, 0},
        {"filter size 0", "system4", 3, 2, "0", 149, 3},
        {"alarm area", "system4", 3, 3, "100001", 150, 100},
        {"templates", "system2", 18, 2, "101", 135, 10},
        {"NG images", "system2", 18, 4, "10001", 136, 0},
        {"OK images", "system1", 9, 8, "-3", 137, 0},
        {"ejector pulse", "system2", 18, 5, "10001", 144, 0},
        {"clamp pulse", "system2", 18, 6, "10001", 145, 0},
        {"motion correction 1", "system1", 9, 4, "1", 129, -1},
        {"motion correction off", "system1", 9, 4, "-1", 129, -1},
        {"rotation", "system5", 13, 10, "181", 215, 0},
        {"auto logout", "system3", 11, 9, "10001", 141, 0},
        {"difference multiple", "system3", 11, 3, "5", 140, 0},
        {"max offset 0", "system2", 18, 15, "0", 174, 8000},
        {"screen off 10 s", "system2", 18, 16, "10", 138, 600},
        {"screen off never", "system2", 18, 16, "0", 138, 0},
        {"screen off 30 s", "system2", 18, 16, "30", 138, 30},
        {"screen off 10000 s", "system2", 18, 16, "10000", 138, 600},
        {"acquisition speed", "system2", 18, 17, "101", 139, 12},
        {"input timeout", "system2", 18, 18, "100000001", 146, 60},
        {"language 9", "system2", 18, 13, "9", -1, 0},
        {"language English", "system2", 18, 13, "1", -1, 1},
        {"COM port", "system7", 20, 1, "101", 181, 0},
        {"min spot", "system2", 18, 3, "0", 200, 3},
        {"spare negative", "system1", 9, 9, "-7", SystemParam::kSpareIndex, 0},
        {"not a number reads 0", "system4", 3, 2, "abc", 149, 3},
        {"unclamped field kept", "trigInDelay", 8, 3, "-4", 74, -4},
    };
    for (const ClampCase& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(QStringLiteral("PARAM.db"));
        currentLanguage = 0;
        TestDb db(QStringLiteral("PARAM.db"));
        db.createSysparam();
        db.putRow(QString::fromLatin1(c.row), rowWith(c.count, c.position, QString::fromLatin1(c.stored)));
        SystemParam p = loadFrom(db);
        EXPECT_EQ(c.field < 0 ? currentLanguage : p.field(c.field), c.expected);
    }
}

TEST_F(SystemParamTest, ShortRowReadsMissingPositionsAsZero)
{
    TestDb db(QStringLiteral("PARAM.db"));
    db.createSysparam();
    db.putRow(QStringLiteral("system2"), QStringLiteral("1 20 4 5 6 7 0 0 0 0 0 0 1 3 100 60 50 90"));
    SystemParam full = loadFrom(db);
    EXPECT_EQ(currentLanguage, 1);
    EXPECT_EQ(full.inputTimeoutSeconds, 90);

    db.putRow(QStringLiteral("system2"), QStringLiteral("1 20 4 5 6 7 0 0 0 0 0 0"));
    SystemParam shortRow = loadFrom(db);
    EXPECT_EQ(shortRow.maxTemplates, 20);
    EXPECT_EQ(currentLanguage, 0);
    EXPECT_EQ(shortRow.spareOutputSubstitute, 0);
    EXPECT_EQ(shortRow.screenOffSeconds, 0);
    EXPECT_EQ(shortRow.inputTimeoutSeconds, 0);
}

TEST_F(SystemParamTest, RestLevelOfOutputFourCoversOutputsFourToNine)
{
    TestDb db(QStringLiteral("PARAM.db"));
    db.createSysparam();
    // Positions 5, 6, 7 and 9 hold outputs 0..3, position 15 output 4: all open here.
    db.putRow(QStringLiteral("system7"), rowWith(20, 15, QStringLiteral("0")));
    db.putRow(QStringLiteral("numFailDetect"), QStringLiteral("1 0 0 0 0 0 0 0"));
    SystemParam p = loadFrom(db);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(p.outputRestState[k], 0) << "two-colour, output " << k;

    // On the standard machine outputs 5 to 7 follow the product-NG ejector pulse switch instead,
    // exactly as the settings set them on apply.
    db.putRow(QStringLiteral("numFailDetect"), QStringLiteral("0 0 0 0 0 0 0 0"));
    p = loadFrom(db);
    const int standard[10] = {0, 0, 0, 0, 0, 1, 1, 1, 0, 0};
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(p.outputRestState[k], standard[k]) << "standard, output " << k;

    db.putRow(QStringLiteral("system2"), rowWith(18, 7, QStringLiteral("1")));
    db.putRow(QStringLiteral("system7"), rowWith(20, 15, QStringLiteral("1")));
    p = loadFrom(db);
    const int pulse[10] = {0, 0, 0, 0, 1, 0, 0, 0, 1, 1};
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(p.outputRestState[k], pulse[k]) << "ejector pulse, output " << k;
}

TEST_F(SystemParamTest, ToolFallbackOffersTheDefectTool)
{
    TestDb db(QStringLiteral("PARAM.db"));
    db.createSysparam();
    // Every tool switch off except the temperature alarm.
    db.putRow(QStringLiteral("system9"), rowWith(20, 10, QStringLiteral("1")));
    SystemParam p = loadFrom(db);
    EXPECT_EQ(p.temperatureAlarm, 1);
    EXPECT_EQ(p.defectDetectionEnabled, 1);

    // With the spot tool on, the defect tool stays off.
    db.putRow(QStringLiteral("system3"), rowWith(11, 5, QStringLiteral("1")));
    p = loadFrom(db);
    EXPECT_EQ(p.spotDetectionEnabled, 1);
    EXPECT_EQ(p.defectDetectionEnabled, 0);
}

struct DerivationCase {
    const char* what;
    int machineType;
    int mouldSide;
    int productCheck;
    int semiAutomatic;
    int ngEjectorPulse;
    int detects[4];
    int triggers[2];
    int station;
    int restLevel567;
};

const DerivationCase kDerivationCases[] = {
    {"standard", 0, 0, 0, 0, 0, {0, 1, 0, 0}, {0, 0}, -1, 1},
    {"standard with product check", 0, 0, 1, 0, 0, {1, 1, 0, 0}, {0, 0}, -1, 1},
    {"standard semi-automatic", 0, 0, 0, 1, 0, {0, 1, 0, 0}, {0, 2}, -1, 1},
    {"standard, product NG gives ejector pulse", 0, 0, 1, 0, 1, {1, 1, 0, 0}, {0, 0}, -1, 0},
    {"two-colour left", 1, 0, 1, 0, 0, {1, 1, 0, 0}, {0, 2}, 1, 1},
    {"two-colour right", 1, 1, 1, 0, 0, {0, 0, 1, 1}, {0, 3}, 0, 1},
    {"two-colour right, no product check", 1, 1, 0, 1, 0, {0, 0, 0, 1}, {0, 3}, 0, 1},
    {"two-colour both", 1, 2, 1, 0, 0, {1, 1, 1, 1}, {0, 255}, -1, 1},
    {"two-colour both (3)", 1, 3, 0, 0, 1, {0, 1, 0, 1}, {0, 255}, -1, 1},
    {"turntable left", 2, 0, 1, 0, 0, {1, 1, 0, 0}, {0, 0}, 1, 1},
    {"turntable left semi-automatic", 2, 0, 1, 1, 0, {1, 1, 0, 0}, {0, 2}, 1, 1},
    {"turntable right", 2, 1, 1, 0, 0, {0, 0, 1, 1}, {3, 3}, 0, 1},
    {"turntable right semi-automatic", 2, 1, 1, 1, 0, {0, 0, 1, 1}, {3, 2}, 0, 1},
    {"turntable both", 2, 2, 1, 0, 0, {1, 1, 1, 1}, {255, 255}, -1, 1},
    {"turntable both semi-automatic", 2, 2, 0, 1, 0, {0, 1, 0, 1}, {255, 2}, -1, 1},
};

TEST_F(SystemParamTest, MachineTypeDerivation)
{
    for (const DerivationCase& c : kDerivationCases) {
        SCOPED_TRACE(c.what);
        SystemParam p;
        p.machineType = c.machineType;
        p.mouldSide = c.mouldSide;
        p.productCheckEnabled = c.productCheck;
        p.semiAutomatic = c.semiAutomatic;
        p.productNgEjectorPulse = c.ngEjectorPulse;
        EXPECT_EQ(p.deriveMachineFields(), c.station);
        for (int d = 0; d < 4; ++d)
            EXPECT_EQ(p.detectEnabled[d], c.detects[d]) << "detect " << d;
        for (int d = 4; d < 8; ++d)
            EXPECT_EQ(p.detectEnabled[d], 0) << "detect " << d;
        EXPECT_EQ(p.triggerInput[0], c.triggers[0]);
        EXPECT_EQ(p.triggerInput[1], c.triggers[1]);
        for (int k = 5; k <= 7; ++k)
            EXPECT_EQ(p.outputRestState[k], c.restLevel567) << "output " << k;
        EXPECT_EQ(SystemParam::detectsForMachineType(c.machineType), c.machineType == 0 ? 2 : 4);
    }
}

TEST_F(SystemParamTest, LoadingDerivesDetectsStationAndCaptions)
{
    struct Case {
        const char* what;
        const char* numFailDetect;
        int detects;
        bool stationSet;
        int station;
        int detectEnabled[4];
        QStringList inputs;
        QStringList outputs;
    };
    const Case cases[] = {
        {"standard", "0 0 0 0 0 0 0 0", 2, false, 0, {1, 1, 0, 0},
         {"zh-301", "zh-302", "zh-303", "zh-304", "zh-304"}, {"zh-305", "zh-306", "zh-307", "zh-304", "zh-304"}},
        {"two-colour right", "1 1 0 0 0 0 0 0", 4, true, 0, {0, 0, 1, 1},
         {"zh-301", "zh-302", "zh-376", "zh-377", "zh-304"}, {"zh-305", "zh-378", "zh-307", "zh-304", "zh-304"}},
        {"two-colour mould side 7 counts as left", "1 7 0 0 0 0 0 0", 4, true, 1, {1, 1, 0, 0},
         {"zh-301", "zh-302", "zh-376", "zh-377", "zh-304"}, {"zh-305", "zh-378", "zh-307", "zh-304", "zh-304"}},
        {"turntable both", "2 2 0 0 0 0 0 0", 4, false, 0, {1, 1, 1, 1},
         {"zh-379", "zh-380", "zh-381", "zh-382", "zh-304"}, {"zh-378", "zh-306", "zh-307", "zh-304", "zh-304"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        QFile::remove(QStringLiteral("PARAM.db"));
        TestDb db(QStringLiteral("PARAM.db"));
        db.createSysparam();
        db.putRow(QStringLiteral("numFailDetect"), QString::fromLatin1(c.numFailDetect));
        db.putRow(QStringLiteral("system1"), QStringLiteral("0 1 0 0 0 0 0 0 0"));  // product check on
        SystemParam p = loadFrom(db);
        EXPECT_EQ(detectsPerCamera, c.detects);
        EXPECT_EQ(initialStationSet, c.stationSet);
        if (c.stationSet) {
            EXPECT_EQ(initialStation, c.station);
        }
        for (int d = 0; d < 4; ++d)
            EXPECT_EQ(p.detectEnabled[d], c.detectEnabled[d]) << "detect " << d;
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(ioInputCaptions[k], c.inputs[k]) << "input " << k;
            EXPECT_EQ(ioOutputCaptions[k], c.outputs[k]) << "output " << k;
        }
        EXPECT_TRUE(ioInputCaptions[5].isEmpty());
    }
}

TEST_F(SystemParamTest, CaptionsFollowTheLanguageAndNameFileReplacesThem)
{
    TestDb db(QStringLiteral("PARAM.db"));
    db.createSysparam();
    db.putRow(QStringLiteral("system2"), rowWith(18, 13, QStringLiteral("1")));
    loadFrom(db);
    EXPECT_EQ(ioInputCaptions[0], QStringLiteral("Open"));
    EXPECT_EQ(ioOutputCaptions[2], QStringLiteral("Alrm"));

    QFile names(QStringLiteral("name.txt"));
    ASSERT_TRUE(names.open(QIODevice::WriteOnly));
    names.write("in0\r\nin1\n\xe6\x88\x90\xe5\x93\x81\nin3\nin4\nout0\nout1\nout2\nline9\n");
    names.close();
    loadFrom(db);
    for (int k = 0; k < 10; ++k) {
        EXPECT_TRUE(ioInputCaptions[k].isEmpty()) << k;
        EXPECT_TRUE(ioOutputCaptions[k].isEmpty()) << k;
    }
    EXPECT_EQ(nameFileLines[0], QStringLiteral("in0"));
    EXPECT_EQ(nameFileLines[1], QStringLiteral("in1"));
    EXPECT_EQ(nameFileLines[2], QString::fromUtf8("成品"));
    EXPECT_EQ(nameFileLines[7], QStringLiteral("out2"));
    EXPECT_TRUE(nameFileLines[8].isEmpty());
}

TEST_F(SystemParamTest, GroupIndexFile)
{
    struct Case {
        const char* what;
        const char* content;  // nullptr: no file
        int expected;
    };
    const Case cases[] = {
        {"three with line end", "3\n", 3},
        {"no number", "abc", 0},
        {"empty", "", 0},
        {"missing", nullptr, 0},
    };
    TestDb db(QStringLiteral("PARAM.db"));
    db.createSysparam();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(QStringLiteral("sysadd.txt"));
        if (c.content) {
            QFile f(QStringLiteral("sysadd.txt"));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.content);
        }
        SystemParam p = loadFrom(db);
        EXPECT_EQ(p.paraGroupIndex, c.expected);
    }

    SystemParam p;
    p.paraGroupIndex = 3;
    ASSERT_TRUE(p.saveParaGroupIndex());
    QFile f(QStringLiteral("sysadd.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("3\n"));
    f.close();

    // A save that the disk cannot take (files limited to one byte) keeps the old index whole.
    p.paraGroupIndex = 345;
    EXPECT_EQ(runWithFileSizeLimit(1, [&] { return p.saveParaGroupIndex() ? 1 : 0; }), 0);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("3\n"));
}

// A record as the settings leave it on apply: every stored field changed, the machine type
// taken over from the edited one and the derived fields set again.
SystemParam editedRecord()
{
    SystemParam p;
    for (int k = 0; k < 8; ++k) {
        p.exposure[k] = 100 + k;
        p.gain[k] = 10 + k;
        p.sharpness[k] = 20 + k;
        p.contrast[k] = 30 + k;
        p.gamma[k] = 40 + k;
        p.mirrorH[k] = k & 1;
        p.mirrorV[k] = (k >> 1) & 1;
        p.distance[k] = 500 + k;
        p.temperatureRange[k] = k % 3;
        p.triggerDelay[k] = 5 * k;
        p.colourCamera[k] = (k + 1) & 1;
        p.cameraEnabled[k] = k < 3;
        p.multiDetectColumnRow[k] = k - 1;
        p.multiDetectTrigger[k] = k;
        p.multiDetectCutMode[k] = k % 3;
        p.inputNameIndex[k] = k + 1;
        p.outputNameIndex[k] = k + 2;
    }
    for (int k = 0; k < 10; ++k)
        p.outputRestState[k] = k == 2 ? 0 : 1;
    p.semiAutomatic = 1;
    p.cavityFollowsProduct = 1;
    p.motionCorrection = -1;
    p.passwordEnabled = 1;
    p.productCheckEnabled = 1;
    p.maxTemplates = 25;
    p.screenOffSeconds = 120;
    p.inputTimeoutSeconds = 90;
    p.productNgEjectorPulse = 1;
    p.spotDetectionEnabled = 1;
    p.maxOffset = 300;
    p.comPort = 3;
    p.minSpot = 7;
    p.machineTypeEdited = 0;
    p.rotationCorrection = 15;
    p.spare = 0;
    p.multiDetectCount = 5;
    p.temperatureRecordMinutes = 0;  // every round a regular record
    p.firstDelay = 12;
    p.secondDelay = 13;
    p.filterSize = 5;
    p.alarmArea = 250;
    p.setPassword(QStringLiteral("it's a 'quoted' pass; --"));
    p.machineType = p.machineTypeEdited;
    p.deriveMachineFields();
    return p;
}

TEST_F(SystemParamTest, SaveAndLoadRoundTripTheWholeRecord)
{
    TestDb db(QStringLiteral("PARAM.db"));
    db.createSysparam();
    SystemParam saved = editedRecord();
    currentLanguage = 3;
    ASSERT_TRUE(SystemParam::saveSysParams(saved, db.query()));

    // Every row exists, the password exactly as typed.
    EXPECT_EQ(db.rows().size(), 23u);
    EXPECT_EQ(sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select value from sysparam where name='password'")),
              QStringLiteral("it's a 'quoted' pass; --"));
    EXPECT_EQ(sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select value from sysparam where name='system1'")),
              QStringLiteral("1 1 1 -1 0 0 0 0 0"));

    currentLanguage = 0;
    SystemParam loaded = loadFrom(db);
    EXPECT_EQ(currentLanguage, 3);
    EXPECT_EQ(loaded.passwordText(), QStringLiteral("it's a 'quoted' pass; --"));
    // The rest levels of outputs 5 to 7 stay as the apply left them (product NG ejector pulse).
    EXPECT_EQ(loaded.outputRestState[5], 0);
    EXPECT_EQ(loaded.temperatureRecordMinutes, 0);
    EXPECT_EQ(loaded.paraGroupIndex, 0);
    // Nothing is lost or changed on the way: the record equals the saved one byte for byte.
    for (int i = 0; i < SystemParam::kFieldCount; ++i)
        EXPECT_EQ(loaded.field(i), saved.field(i)) << "field " << i;
    EXPECT_EQ(loaded, saved);
}

TEST_F(SystemParamTest, FieldsAreStoredAtTheirRowPositions)
{
    struct Case {
        int field;
        const char* row;
        int position;  // 1-based
    };
    const Case cases[] = {
        {3, "exposeTime", 4},         {4, "system5", 1},          {7, "system6", 2},
        {13, "system5", 4},           {23, "system6", 6},         {29, "system5", 8},
        {39, "numAllDetect", 8},      {48, "mirror", 9},          {56, "system9", 11},
        {64, "system10", 17},         {71, "system11", 20},       {79, "trigInDelay", 8},
        {111, "system7", 9},          {112, "system7", 15},       {118, "system1", 1},
        {131, "isPswUsed", 1},        {137, "system1", 8},        {138, "system2", 16},
        {141, "system3", 9},          {146, "system2", 18},       {147, "system6", 9},
        {148, "system7", 16},         {150, "system4", 3},        {155, "system8", 18},
        {158, "system5", 13},         {163, "system6", 12},       {170, "system3", 11},
        {173, "system2", 14},         {179, "system8", 20},       {180, "system12", 1},
        {189, "system12", 20},        {199, "enable", 8},         {202, "system9", 20},
        {206, "numFailDetect", 2},    {212, "system7", 20},       {213, "system9", 10},
        {214, "numFailDetect", 8},    {215, "system5", 10},       {251, "system9", 8},
        {261, "system8", 9},          {271, "system8", 17},       {292, "system10", 8},
        {302, "system10", 16},        {320, "system9", 19},       {321, "system5", 12},
        {322, "system12", 12},        {330, "system11", 8},       {346, "system11", 16},
        {357, "system12", 3},         {363, "system12", 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        QFile::remove(QStringLiteral("PARAM.db"));
        TestDb db(QStringLiteral("PARAM.db"));
        db.createSysparam();
        SystemParam p;
        p.setField(c.field, 4321);
        ASSERT_TRUE(SystemParam::saveSysParams(p, db.query()));
        for (const auto& [name, value] : db.rows()) {
            const QStringList parts = value.split(QLatin1Char(' '));
            for (int k = 0; k < parts.size(); ++k) {
                const bool here = name == QLatin1String(c.row) && k + 1 == c.position;
                EXPECT_EQ(parts[k] == QLatin1String("4321"), here) << qPrintable(name) << " position " << k + 1;
            }
        }
    }
}

TEST_F(SystemParamTest, MachineTypeIsSavedFromTheEditedOne)
{
    TestDb db(QStringLiteral("PARAM.db"));
    db.createSysparam();
    SystemParam p;
    p.machineType = 0;
    p.machineTypeEdited = 2;
    p.mouldSide = 1;
    ASSERT_TRUE(SystemParam::saveSysParams(p, db.query()));
    EXPECT_EQ(sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select value from sysparam where name='numFailDetect'")),
              QStringLiteral("2 1 0 0 0 0 0 0"));
    SystemParam loaded = loadFrom(db);
    EXPECT_EQ(loaded.machineType, 2);
    EXPECT_EQ(loaded.machineTypeEdited, 2);
    EXPECT_EQ(detectsPerCamera, 4);
}

TEST_F(SystemParamTest, SpareValueIsWrittenToEverySparePosition)
{
    TestDb db(QStringLiteral("PARAM.db"));
    db.createSysparam();
    SystemParam p;
    p.spare = 77;
    ASSERT_TRUE(SystemParam::saveSysParams(p, db.query()));
    EXPECT_EQ(sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select value from sysparam where name='system7'")),
              QStringLiteral("0 77 0 0 1 1 1 0 1 0 0 0 0 77 1 0 77 77 77 0"));
    EXPECT_EQ(loadFrom(db).spare, 77);
}

TEST_F(SystemParamTest, SaveUpdatesExistingRowsWithoutDuplicates)
{
    TestDb db(QStringLiteral("PARAM.db"));
    db.createSysparam();
    db.putRow(QStringLiteral("isPswUsed"), QStringLiteral("0"));
    db.putRow(QStringLiteral("unrelated"), QStringLiteral("keep"));
    SystemParam p;
    p.passwordEnabled = 1;
    ASSERT_TRUE(SystemParam::saveSysParams(p, db.query()));
    ASSERT_TRUE(SystemParam::saveSysParams(p, db.query()));
    EXPECT_EQ(sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select count(*) from sysparam where name='isPswUsed'")),
              QStringLiteral("1"));
    EXPECT_EQ(db.rows().at(QStringLiteral("isPswUsed")), QStringLiteral("1"));
    EXPECT_EQ(db.rows().at(QStringLiteral("unrelated")), QStringLiteral("keep"));
    EXPECT_EQ(db.rows().size(), 24u);
}

TEST_F(SystemParamTest, FailedSaveReportsAndLeavesTheStoredRecordUnchanged)
{
    TestDb db(QStringLiteral("PARAM.db"));
    db.createSysparam();
    SystemParam before;
    before.triggerDelay[0] = 4;
    ASSERT_TRUE(SystemParam::saveSysParams(before, db.query()));
    const auto stored = db.rows();

    // The database refuses one row in the middle of the save.
    db.exec(QStringLiteral("create trigger refuse before update on sysparam when new.name='system5' "
                           "begin select raise(abort, 'refused'); end"));
    SystemParam after = before;
    after.triggerDelay[0] = 9;
    after.comPort = 2;
    EXPECT_FALSE(SystemParam::saveSysParams(after, db.query()));
    EXPECT_EQ(db.rows(), stored);

    // Without the table nothing can be saved, and loading reports it.
    db.exec(QStringLiteral("drop table sysparam"));
    EXPECT_FALSE(SystemParam::saveSysParams(after, db.query()));
    bool ok = true;
    SystemParam loaded = loadFrom(db, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(loaded.maxTemplates, 10);
}

}  // namespace
