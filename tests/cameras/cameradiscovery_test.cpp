#include "cameras/cameradiscovery.h"

#include "cameras/camerainfo.h"
#include "cameras/camerainterface.h"
#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/shellrunner.h"
#include "core/systemparam.h"
#include "core/texttable.h"
#include "tests/cameras/testcamera.h"
#include "tests/support/modalanswer.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <ostream>
#include <vector>

// Readable texts in failure messages.
static void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

// The program's five families in their order, each served by the test driver.
const std::vector<std::pair<int, QString>> kFamilies = {
    {0x10, QStringLiteral("hikircamera_IID")},
    {0x100, QStringLiteral("fotriccamera_IID")},
    {0x08, QStringLiteral("hikcamera_IID")},
    {0x04, QStringLiteral("mindcamera_IID")},
    {0x200, QStringLiteral("do3thinkcamera_IID")},
};

QString shortName(const QString& iid)
{
    return QString(iid).remove(QStringLiteral("camera_IID"));
}

// cameraInfoList as "family:serial" in list order.
QStringList listed()
{
    QStringList out;
    for (const CameraInfo* record : cameraInfoList)
        out << shortName(record->iid) + QLatin1Char(':') + QString::fromLatin1(infoText(record->sn));
    return out;
}

QStringList serialsOf(const QList<CameraInterface*>& cameras)
{
    QStringList out;
    for (CameraInterface* camera : cameras)
        out << camera->serial();
    return out;
}

QString sqliteValue(const QString& sql)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {QStringLiteral("SN.db"), sql});
    EXPECT_TRUE(p.waitForFinished(10000));
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QStringList storedRows()
{
    QStringList out;
    for (int n = 0; n < 8; ++n)
        out << sqliteValue(QStringLiteral("select value from sysparam where name='serialNB%1'").arg(n));
    return out;
}

QStringList recordedCommands()
{
    QFile log(QString::fromLatin1(ShellRunner::kDryRunLog));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

class CameraDiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestCamera::reset();
        QVector<CameraDiscovery::DriverFamily> families;
        for (const auto& [bit, iid] : kFamilies) {
            const QString family = iid;
            families.append({bit, "test", [family]() -> CameraInterface* { return new TestCamera(family); }});
        }
        CameraDiscovery::setDriverFamilies(families);
        CameraDiscovery::setOperationLog([this](const QString& line) { m_operationLog << line; });
        cameraDriverMask = 0x31C;
        cameraDrivers.clear();
        qDeleteAll(cameraInfoList);
        cameraInfoList.clear();
        std::memset(cameraSerials, 0, sizeof(cameraSerials));
        for (int k = 0; k < 8; ++k)
            cameraOrderSlots[k] = k;
        cameraCount = 0;
        simulatedCameraFlag = 0;
        activeParams = &m_params;
    }

    void TearDown() override
    {
        CameraDiscovery::setDriverFamilies({});
        CameraDiscovery::setOperationLog({});
        ParameterManager* store = ParameterManager::instance();
        store->queryT = QSqlQuery();
        store->queryIn = QSqlQuery();
        store->dbT = QSqlDatabase();
        store->dbIn = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("test-sn"));
        QSqlDatabase::removeDatabase(QStringLiteral("test-param"));
        activeParams = nullptr;
    }

    static void store(const std::vector<QByteArray>& serials)
    {
        for (size_t n = 0; n < serials.size(); ++n)
            setInfoText(cameraSerials[n], serials[n]);
    }

    // SN.db in the working directory with rows serialNB0..7 holding "OLD<n>", and PARAM.db,
    // opened as the parameter store's connections.
    void openDatabases()
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("test-sn"));
            db.setDatabaseName(QStringLiteral("SN.db"));
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(QStringLiteral("create table sysparam(name text primary key, value text)")));
            for (int n = 0; n < 8; ++n)
                ASSERT_TRUE(q.exec(QStringLiteral("insert into sysparam values('serialNB%1', 'OLD%1')").arg(n)));
        }
        QSqlDatabase param = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("test-param"));
        param.setDatabaseName(QStringLiteral("PARAM.db"));
        ASSERT_TRUE(param.open());
        ParameterManager* store = ParameterManager::instance();
        store->dbT = QSqlDatabase::database(QStringLiteral("test-sn"));
        store->queryT = QSqlQuery(store->dbT);
        store->dbIn = param;
        store->queryIn = QSqlQuery(param);
    }

    // For the next case of a table: fresh globals, databases and command log.
    void startAfresh()
    {
        TearDown();
        SetUp();
        QFile::remove(QStringLiteral("SN.db"));
        QFile::remove(QStringLiteral("PARAM.db"));
        QFile::remove(QString::fromLatin1(ShellRunner::kDryRunLog));
        openDatabases();
    }

    // Discovers the given devices of the Hik family and opens them.
    QList<CameraInterface*> openHikCameras(const QList<QByteArray>& serials)
    {
        TestCamera::devices()[QStringLiteral("hikcamera_IID")] = serials;
        CameraDiscovery::discoverCameras();
        return CameraDiscovery::openCameras(m_params);
    }

    SystemParam m_params;
    QStringList m_operationLog;
};

}  // namespace

TEST_F(CameraDiscoveryTest, OrdersDevicesByTheStoredSerialNumbers)
{
    struct Case {
        const char* what;
        std::map<QString, QList<QByteArray>> found;  // by family identifier
        std::vector<QByteArray> stored;             // cameraSerials entries 0, 1, ...
        QStringList order;
    };
    const QString hik = QStringLiteral("hikcamera_IID");
    const QString mind = QStringLiteral("mindcamera_IID");
    const QString hikir = QStringLiteral("hikircamera_IID");
    const QString fotric = QStringLiteral("fotriccamera_IID");
    const QString do3 = QStringLiteral("do3thinkcamera_IID");
    const Case cases[] = {
        {"stored A and B, found C, B, A", {{hik, {"C", "B", "A"}}}, {"A", "B"}, {"hik:A", "hik:B", "hik:C"}},
        {"a stored serial no device has leaves no gap", {{hik, {"B", "A"}}}, {"A", "X", "B"}, {"hik:A", "hik:B"}},
        {"two devices with the stored serial: the later found first",
         {{hik, {"P", "S"}}, {mind, {"S"}}}, {"S"}, {"mind:S", "hik:S", "hik:P"}},
        {"stored cameras first, the rest in driver order",
         {{hikir, {"IR1"}}, {hik, {"H1", "H2"}}, {mind, {"M1"}}, {do3, {"D1"}}}, {"D1", "H2"},
         {"do3think:D1", "hik:H2", "hikir:IR1", "hik:H1", "mind:M1"}},
        {"nothing stored: network thermal, REST thermal, Hik, Mind, Do3think",
         {{do3, {"D1"}}, {mind, {"M1"}}, {hik, {"H1"}}, {fotric, {"F1"}}, {hikir, {"IR1"}}}, {},
         {"hikir:IR1", "fotric:F1", "hik:H1", "mind:M1", "do3think:D1"}},
        {"positions 5 and 7 only", {{hik, {"A", "B", "C"}}}, {"0", "0", "0", "0", "0", "B", "0", "A"},
         {"hik:B", "hik:A", "hik:C"}},
        {"placeholders match no device", {{hik, {"X", "Y"}}}, {"0", "0", "0", "0", "0", "0", "0", "0"},
         {"hik:X", "hik:Y"}},
        {"a device without serial matches an empty position", {{hik, {"X", ""}}}, {"", "X"}, {"hik:", "hik:X"}},
        {"no device", {}, {"A", "B"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        for (const auto& [iid, serials] : c.found)
            TestCamera::devices()[iid] = serials;
        store(c.stored);
        CameraDiscovery::discoverCameras();
        EXPECT_EQ(listed(), c.order);
        // Every enabled family's prototype is registered, also when it found nothing.
        EXPECT_EQ(cameraDrivers.size(), 5);
        for (const auto& [bit, iid] : kFamilies)
            EXPECT_EQ(cameraDrivers.value(iid) ? cameraDrivers.value(iid)->iid() : QString(), iid);
    }
}

TEST_F(CameraDiscoveryTest, ADisabledFamilyIsNeitherEnumeratedNorRegistered)
{
    TestCamera::devices()[QStringLiteral("hikcamera_IID")] = {"H1"};
    TestCamera::devices()[QStringLiteral("mindcamera_IID")] = {"M1"};
    cameraDriverMask = 0x31C & ~0x08;
    CameraDiscovery::discoverCameras();
    EXPECT_EQ(listed(), QStringList{"mind:M1"});
    EXPECT_FALSE(cameraDrivers.contains(QStringLiteral("hikcamera_IID")));
    EXPECT_EQ(cameraDrivers.size(), 4);
}

TEST_F(CameraDiscoveryTest, CreateCameraSetsTheColourModeBeforeOpening)
{
    TestCamera::devices()[QStringLiteral("hikcamera_IID")] = {"H1", "H2"};
    TestCamera::failing() = {"H2"};
    CameraDiscovery::discoverCameras();
    CameraInterface* camera = CameraDiscovery::createCamera(*cameraInfoList[0], true);
    ASSERT_TRUE(camera);
    EXPECT_TRUE(camera->colorMode());
    EXPECT_EQ(camera->serial(), QStringLiteral("H1"));
    EXPECT_STREQ(camera->info().sn, "H1");
    EXPECT_EQ(camera->info().iid, QStringLiteral("hikcamera_IID"));
    EXPECT_EQ(CameraDiscovery::createCamera(*cameraInfoList[1], false), nullptr);
    EXPECT_EQ(TestCamera::calls(), (QStringList{"create H1", "open H1 colour", "create H2", "open H2 grey"}));

    // An identifier no prototype has touches no driver.
    TestCamera::calls().clear();
    CameraInfo unknown;
    unknown.iid = QStringLiteral("nosuchcamera_IID");
    setInfoText(unknown.sn, "H1");
    EXPECT_EQ(CameraDiscovery::createCamera(unknown, false), nullptr);
    EXPECT_TRUE(TestCamera::calls().isEmpty());
}

TEST_F(CameraDiscoveryTest, OnlyTheFirstEightDevicesAreTried)
{
    // Nine devices, the third fails: seven cameras, and the ninth is never tried.
    TestCamera::failing() = {"D3"};
    const QList<CameraInterface*> cameras =
        openHikCameras({"D1", "D2", "D3", "D4", "D5", "D6", "D7", "D8", "D9"});
    EXPECT_EQ(serialsOf(cameras), (QStringList{"D1", "D2", "D4", "D5", "D6", "D7", "D8"}));
    EXPECT_EQ(cameraCount, 7);
    EXPECT_FALSE(TestCamera::calls().contains(QStringLiteral("create D9")));
    EXPECT_EQ(simulatedCameraFlag, 0);
    EXPECT_EQ(CameraDiscovery::openedCameras(), cameras);
}

TEST_F(CameraDiscoveryTest, ColourSettingOfAPositionGoesToTheNextCameraThatOpens)
{
    m_params.colourCamera[0] = 1;
    m_params.colourCamera[1] = 0;
    m_params.colourCamera[2] = 1;
    TestCamera::failing() = {"G1"};
    openHikCameras({"G1", "C1", "C2", "C3"});
    EXPECT_EQ(TestCamera::calls().filter(QStringLiteral("open")),
              (QStringList{"open G1 colour", "open C1 colour", "open C2 grey", "open C3 colour"}));
}

TEST_F(CameraDiscoveryTest, WithoutAnOpenedCameraTwoSimulatedCamerasStandIn)
{
    struct Case {
        const char* what;
        int mask;
        QList<QByteArray> found;
        QSet<QByteArray> failing;
    };
    const Case cases[] = {
        {"no driver family enabled", 0, {"H1"}, {}},
        {"no device found", 0x31C, {}, {}},
        {"every device fails to open", 0x31C, {"H1", "H2"}, {"H1", "H2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        cameraDriverMask = c.mask;
        m_params.colourCamera[0] = 1;  // simulated cameras are grey whatever the settings say
        TestCamera::failing() = c.failing;
        const QList<CameraInterface*> cameras = openHikCameras(c.found);
        ASSERT_EQ(cameras.size(), 2);
        EXPECT_EQ(cameraCount, 2);
        EXPECT_EQ(simulatedCameraFlag, 1);
        for (int k = 0; k < 2; ++k) {
            SCOPED_TRACE(k);
            int width = 0;
            int height = 0;
            cameras[k]->size(&width, &height);
            EXPECT_EQ(width, 1920);
            EXPECT_EQ(height, 1080);
            EXPECT_FALSE(cameras[k]->colorMode());
            EXPECT_EQ(cameras[k]->cameraType(), CAMERA_SIMULATED);
            EXPECT_EQ(cameras[k]->info().index, k);
        }
        // The found devices are replaced by the two simulated ones, whose prototype is registered.
        ASSERT_EQ(cameraInfoList.size(), 2);
        EXPECT_EQ(cameraInfoList[0]->iid, QStringLiteral("simulatecamera_IID"));
        EXPECT_TRUE(cameraDrivers.contains(QStringLiteral("simulatecamera_IID")));
    }
}

TEST_F(CameraDiscoveryTest, SavesTheSerialNumbersOfTheOpenedCamerasByPosition)
{
    struct Case {
        const char* what;
        bool clear;
        std::vector<int> positions;  // cameraOrderSlots of cameras 0, 1
        QStringList rows;        // serialNB0..7 afterwards
    };
    const QString z = QStringLiteral("0");
    const Case cases[] = {
        {"clear", true, {0, 1}, {z, z, z, z, z, z, z, z}},
        {"each camera at its own position", false, {0, 1}, {"DA0000001", "K'0042-ABCDEF", z, z, z, z, z, z}},
        {"swapped", false, {1, 0}, {"K'0042-ABCDEF", "DA0000001", z, z, z, z, z, z}},
        {"moved to the last position", false, {7, 0}, {"K'0042-ABCDEF", z, z, z, z, z, z, "DA0000001"}},
        {"two cameras at one position: the later wins", false, {1, 1}, {z, "K'0042-ABCDEF", z, z, z, z, z, z}},
        {"positions outside 0..7 are skipped", false, {8, -1}, {z, z, z, z, z, z, z, z}},
    };
    openDatabases();
    openHikCameras({"DA0000001", "K'0042-ABCDEF"});
    ASSERT_EQ(cameraCount, 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_operationLog.clear();
        cameraOrderSlots[0] = c.positions[0];
        cameraOrderSlots[1] = c.positions[1];
        CameraDiscovery::saveSerialNumbers(c.clear);
        EXPECT_EQ(storedRows(), c.rows);
        for (int n = 0; n < 8; ++n)
            EXPECT_EQ(QString::fromLatin1(cameraSerials[n]), c.rows[n]) << "entry " << n;
        // One operation-log line per camera position in use.
        EXPECT_EQ(m_operationLog,
                  (QStringList{QStringLiteral("Save SN 1: ") + c.rows[0], QStringLiteral("Save SN 2: ") + c.rows[1]}));
    }
}

TEST_F(CameraDiscoveryTest, ASaveCutOffMidwayLeavesTheOldSerialNumbers)
{
    openDatabases();
    openHikCameras({"DA0000001", "K'0042-ABCDEF"});
    // The sixth row's update fails, as a save cut off there by a power failure would.
    ASSERT_TRUE(QSqlQuery(QSqlDatabase::database(QStringLiteral("test-sn")))
                    .exec(QStringLiteral("create trigger cut before update on sysparam when new.name = 'serialNB5' "
                                         "begin select raise(abort, 'cut'); end")));
    CameraDiscovery::saveSerialNumbers(false);
    EXPECT_EQ(storedRows(), (QStringList{"OLD0", "OLD1", "OLD2", "OLD3", "OLD4", "OLD5", "OLD6", "OLD7"}));
    ASSERT_EQ(m_operationLog.size(), 1);
    EXPECT_TRUE(m_operationLog.first().startsWith(QStringLiteral("Save SN failed")));
}

TEST_F(CameraDiscoveryTest, SavedSerialNumbersAreReadBackAtTheNextStart)
{
    openDatabases();
    openHikCameras({"DA0000001", "DA0000002", "DA0000003"});
    cameraOrderSlots[0] = 2;
    cameraOrderSlots[1] = 0;
    cameraOrderSlots[2] = 1;
    CameraDiscovery::saveSerialNumbers(false);

    // The next start: the loader reads the rows, and discovery puts the cameras in that order.
    std::memset(cameraSerials, 0, sizeof(cameraSerials));
    SystemParam loaded;
    ASSERT_TRUE(loaded.loadSerialNumbers(QSqlQuery(QSqlDatabase::database(QStringLiteral("test-sn")))));
    EXPECT_EQ(loaded.serialCount, 3);
    EXPECT_STREQ(cameraSerials[0], "DA0000002");
    EXPECT_STREQ(cameraSerials[1], "DA0000003");
    EXPECT_STREQ(cameraSerials[2], "DA0000001");
    qDeleteAll(cameraInfoList);
    cameraInfoList.clear();
    CameraDiscovery::discoverCameras();
    EXPECT_EQ(listed(), (QStringList{"hik:DA0000002", "hik:DA0000003", "hik:DA0000001"}));
}

TEST_F(CameraDiscoveryTest, StartUpAsksAboutTheStoredSerialNumbers)
{
    fillTextTable();
    currentLanguage = 0;
    screenWidth = 1280;
    screenHeight = 800;
    struct Case {
        const char* what;
        bool simulated;
        int serialCount;
        int devicesFound;
        bool answer;
        int askedText;  // 0: no question
        int width, height;
        bool cleared;
        bool reboot;
    };
    const Case cases[] = {
        {"simulated cameras, OK", true, 2, 2, true, 134, 1280, 800, true, false},
        {"simulated cameras, Cancel", true, 2, 2, false, 134, 1280, 800, false, false},
        {"camera count changed, OK", false, 2, 3, true, 360, 600, 420, true, true},
        {"camera count changed, Cancel", false, 2, 1, false, 360, 600, 420, false, false},
        {"no serial numbers stored", false, 0, 3, true, 0, 0, 0, false, false},
        {"as many cameras as stored", false, 3, 3, true, 0, 0, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        startAfresh();
        openHikCameras({"DA0000001", "DA0000002"});
        simulatedCameraFlag = c.simulated ? 1 : 0;
        m_params.serialCount = c.serialCount;
        qDeleteAll(cameraInfoList);
        cameraInfoList.clear();
        for (int i = 0; i < c.devicesFound; ++i)
            cameraInfoList.append(new CameraInfo);

        int asked = 0;
        QString text;
        int width = 0;
        int height = 0;
        bool recordDbClosed = false;
        // PARAM.db at the moment of the restart: in a dry run the process goes on afterwards
        // and opens it again.
        bool paramOpenAtRestart = true;
        ShellRunner::setDryRunEndHandler([&](ShellRunner::ProcessEnd end) {
            if (end == ShellRunner::ProcessEnd::Restart)
                paramOpenAtRestart = ParameterManager::instance()->dbIn.isOpen();
        });
        CameraDiscovery::checkSerialNumbers([&] { recordDbClosed = true; },
                                            [&](const QString& t, int w, int h) {
                                                ++asked;
                                                text = t;
                                                width = w;
                                                height = h;
                                                return c.answer;
                                            });

        EXPECT_EQ(asked, c.askedText ? 1 : 0);
        if (c.askedText) {
            EXPECT_EQ(text, TextTable[c.askedText * 4]);
            EXPECT_EQ(width, c.width);
            EXPECT_EQ(height, c.height);
        }
        EXPECT_EQ(storedRows()[0], c.cleared ? QStringLiteral("0") : QStringLiteral("OLD0"));
        EXPECT_EQ(recordedCommands().contains(QStringLiteral("reboot")), c.reboot);
        EXPECT_EQ(recordDbClosed, c.reboot);
        ShellRunner::setDryRunEndHandler(nullptr);
        EXPECT_EQ(paramOpenAtRestart, !c.reboot);
        EXPECT_TRUE(ParameterManager::instance()->dbIn.isOpen());
    }
}

TEST_F(CameraDiscoveryTest, TheQuestionIsTheKitsOkCancelBox)
{
    fillTextTable();
    currentLanguage = 0;
    struct Case {
        const char* button;
        QString row0;
    };
    const Case cases[] = {{"确定", QStringLiteral("0")}, {"取消", QStringLiteral("OLD0")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        startAfresh();
        openHikCameras({});
        ASSERT_EQ(simulatedCameraFlag, 1);
        const int answeredBefore = ModalAnswer::answeredCount();
        ModalAnswer::pressWhenShown(QString::fromUtf8(c.button));
        CameraDiscovery::checkSerialNumbers({});
        EXPECT_EQ(ModalAnswer::answeredCount(), answeredBefore + 1);
        EXPECT_EQ(storedRows()[0], c.row0);
    }
}
