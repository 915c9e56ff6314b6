// The main window's register map and remote commands against a real Modbus-TCP client
// (libmodbus) on 127.0.0.1, with the restart only recorded (dry run).
#include "cameras/simulatecamera.h"
#include "core/groupjournal.h"
#include "core/parametermanager.h"
#include "core/repeatgate.h"
#include "core/shellrunner.h"
#include "io/modbusserver.h"
#include "settings/advanceparamwidget.h"
#include "settings/paragroups.h"
#include "widgets/combobox.h"
#include "tests/core/logcapture.h"
#include "tests/mainwindow/recordsfixture.h"
#include "view/cammerwidget.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <modbus.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

namespace {

class Client {
public:
    explicit Client(quint16 port) : m_ctx(modbus_new_tcp("127.0.0.1", port))
    {
        modbus_set_slave(m_ctx, 1);
        m_connected = modbus_connect(m_ctx) == 0;
    }
    ~Client()
    {
        modbus_close(m_ctx);
        modbus_free(m_ctx);
    }
    bool connected() const { return m_connected; }
    // Registers first .. first + count - 1; empty when the read failed.
    std::vector<int> read(int first, int count)
    {
        std::vector<uint16_t> words(count);
        if (modbus_read_registers(m_ctx, first, count, words.data()) != count)
            return {};
        return std::vector<int>(words.begin(), words.end());
    }
    bool write(int first, std::vector<uint16_t> values)
    {
        return modbus_write_registers(m_ctx, first, int(values.size()), values.data()) == int(values.size());
    }

private:
    modbus_t* m_ctx;
    bool m_connected = false;
};

// Processes the window's events until `done` holds or 5 s have passed.
template <typename Pred>
bool waitFor(Pred done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000)
        QTest::qWait(10);
    return done();
}

// A parameter group folder with a PARAM.db (table sysparam, marked with `mark`) and one template
// of camera 1's product check.
void makeGroup(const QString& name, const QString& mark, bool withParamDb = true)
{
    const QString folder = QStringLiteral("paraGroup/") + name;
    QDir().mkpath(folder + QStringLiteral("/cammer11"));
    QFile templ(folder + QStringLiteral("/cammer11/template1.bmp"));
    ASSERT_TRUE(templ.open(QIODevice::WriteOnly));
    templ.write(mark.toUtf8());
    if (!withParamDb)
        return;
    TestDb db(folder + QStringLiteral("/PARAM.db"), QStringLiteral("group-db"));
    db.exec(QStringLiteral("create table sysparam(name text, value text)"));
    db.exec(QStringLiteral("insert into sysparam values('mark', '%1')").arg(mark));
}

const QString kRunningMark = QStringLiteral("running");

// A camera that notes when the program lets go of it.
class ClosingNotingCamera : public SimulateCamera {
public:
    void close() override { closed = true; }
    bool closed = false;
};

class ModbusMapTest : public RecordsFixture {
protected:
    void SetUp() override
    {
        RecordsFixture::SetUp();
        makeFiles();
    }
    // The working directory runs group "A" (index 0); "B" (index 1) is a complete group, "C"
    // (index 2) lacks its parameter database.
    void makeFiles()
    {
        makeGroup(QStringLiteral("A"), QStringLiteral("A"));
        makeGroup(QStringLiteral("B"), QStringLiteral("B"));
        makeGroup(QStringLiteral("C"), QStringLiteral("C"), false);
        QDir().mkpath(QStringLiteral("cammer11"));
        writeFile(QStringLiteral("cammer11/template1.bmp"), kRunningMark.toUtf8());
        writeFile(QStringLiteral("cammer11/template2.bmp"), kRunningMark.toUtf8());
        {
            TestDb db(QStringLiteral("PARAM.db"), QStringLiteral("running-db"));
            db.exec(QStringLiteral("create table sysparam(name text, value text)"));
            db.exec(QStringLiteral("insert into sysparam values('mark', 'running')"));
        }
        params->paraGroupIndex = 0;
    }
    QString recordedCommands() { return fileText(QString::fromLatin1(ShellRunner::kDryRunLog)); }
};

}  // namespace

TEST_F(ModbusMapTest, StartUpPublishesRunStateGroupAndCounters)
{
    writeFile(QStringLiteral("count.txt"), "70000 3 12 0 0 0 0 0 0 0 0 0 0 0 0 0 70000 3 ");
    params->paraGroupIndex = 2;
    build();
    Client client(port);
    ASSERT_TRUE(client.connected());
    EXPECT_EQ(client.read(0, 3), (std::vector<int>{1, 0, 2}));
    // 70000 = 1 * 65536 + 4464, high word first.
    EXPECT_EQ(client.read(50, 18), (std::vector<int>{1, 4464, 0, 3, 1, 4461,             // all cameras
                                                     1, 4464, 0, 3, 1, 4461,             // camera 1
                                                     0, 12, 0, 0, 0, 12}));              // camera 2
    // No third camera: its block is never written.
    EXPECT_EQ(client.read(68, 6), std::vector<int>(6, 0));
}

TEST_F(ModbusMapTest, CounterPairsAreNeverReadTorn)
{
    build();
    Client client(port);
    ASSERT_TRUE(client.connected());
    // Every write changes both halves of register pair 50, 51.
    const int values[] = {0x0000FFFF, 0x00010000};
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0}, reads{0};
    std::thread reader([&]() {
        while (!stop) {
            const std::vector<int> r = client.read(50, 2);
            if (r.size() != 2)
                continue;
            const int v = (r[0] << 16) | r[1];
            if (v != 0 && v != values[0] && v != values[1])
                ++torn;
            ++reads;
        }
    });
    QElapsedTimer t;
    t.start();
    for (int i = 0; t.elapsed() < 1500 || reads < 200; ++i) {
        cycleCount = values[i & 1];
        window->writeCountersToModbus();
    }
    stop = true;
    reader.join();
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
}

TEST_F(ModbusMapTest, TemperatureReadingsFillTheirRegistersUpToTheTableEnd)
{
    build();
    Client client(port);
    ASSERT_TRUE(client.connected());

    window->modbusValues = {36, -5, 70000};
    window->writeValuesToModbus();
    EXPECT_EQ(client.read(200, 6), (std::vector<int>{0, 36, 0xFFFF, 0xFFFB, 1, 4464}));

    // A later round with one reading changes only the first pair.
    window->modbusValues = {41};
    window->writeValuesToModbus();
    EXPECT_EQ(client.read(200, 6), (std::vector<int>{0, 41, 0xFFFF, 0xFFFB, 1, 4464}));

    // More readings than registers: the table's last pair holds reading 149, nothing beyond.
    window->modbusValues.clear();
    for (int j = 0; j < 200; ++j)
        window->appendModbusValue(1000 + j);
    window->writeValuesToModbus();
    EXPECT_EQ(client.read(496, 4), (std::vector<int>{0, 1148, 0, 1149}));
}

TEST_F(ModbusMapTest, WritingRegisterZeroClearsTheCounters)
{
    writeFile(QStringLiteral("count.txt"), "5 2 4 1 0 0 0 0 0 0 0 0 0 0 0 0 6 3 ");
    build();
    Client client(port);
    ASSERT_TRUE(client.connected());
    ASSERT_EQ(client.read(50, 2), (std::vector<int>{0, 6}));

    // The written value does not matter.
    ASSERT_TRUE(client.write(0, {1234}));
    ASSERT_TRUE(waitFor([] { return cycleCount == 0; }));
    EXPECT_EQ(totalCounts[0], 0);
    EXPECT_EQ(ngCounts[1], 0);
    EXPECT_EQ(ngCycleCount, 0);
    EXPECT_EQ(client.read(50, 18), std::vector<int>(18, 0));
    EXPECT_EQ(fileText(QStringLiteral("count.txt")), QStringLiteral("0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 "));
    EXPECT_EQ(remarksAfterFirstRow(QStringLiteral("RECORD.db")), QStringLiteral("程序启动，相机数2\n检测计数已被清零"));
    EXPECT_EQ(recordedCommands(), QString());
}

TEST_F(ModbusMapTest, ClearThenSwitchToAnExistingGroupInOneRequest)
{
    cycleCount = 8;
    build();
    ClosingNotingCamera camera;
    CammerWidget view(0, 64, 48);
    view.camera = &camera;
    window->cameraViews[0] = &view;
    // What this process still holds at the moment the restart replaces it (the program's own
    // dry-run restart in place; here the process goes on afterwards).
    struct {
        int restarts = 0;
        bool cameraClosed = false;
        bool viewOpen = true;
        bool grabbing = true;
        bool recordOpen = true;
        bool paramOpen = true;
        bool portOpen = true;
    } atRestart;
    ShellRunner::setDryRunEndHandler([&](ShellRunner::ProcessEnd end) {
        if (end != ShellRunner::ProcessEnd::Restart)
            return;
        ++atRestart.restarts;
        atRestart.cameraClosed = camera.closed;
        atRestart.viewOpen = view.cameraOpen;
        atRestart.grabbing = view.grabbing;
        atRestart.recordOpen = window->recordDb.isOpen();
        atRestart.paramOpen = ParameterManager::instance()->dbIn.isOpen();
        atRestart.portOpen = Client(port).connected();
    });
    Client client(port);
    ASSERT_TRUE(client.connected());
    ASSERT_TRUE(client.write(0, {0, 1}));
    ASSERT_TRUE(waitFor([this] { return recordedCommands().contains(QCoreApplication::applicationFilePath()); }));
    ShellRunner::setDryRunEndHandler(nullptr);

    EXPECT_EQ(cycleCount, 0);
    EXPECT_EQ(params->paraGroupIndex, 1);
    EXPECT_EQ(fileText(QStringLiteral("sysadd.txt")), QStringLiteral("1\n"));
    // The group's parameters and templates replace the running ones; no old template is left.
    EXPECT_EQ(sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select value from sysparam")), QStringLiteral("B"));
    EXPECT_EQ(QDir(QStringLiteral("cammer11")).entryList(QDir::Files), QStringList{QStringLiteral("template1.bmp")});
    EXPECT_EQ(fileText(QStringLiteral("cammer11/template1.bmp")), QStringLiteral("B"));
    EXPECT_EQ(remarksAfterFirstRow(QStringLiteral("RECORD.db")), QStringLiteral("程序启动，相机数2\n检测计数已被清零\n参数组还原为B"));
    // The restart is recorded after this process has let go of its camera, port 502 and its
    // databases.
    EXPECT_EQ(recordedCommands().trimmed(), QCoreApplication::applicationFilePath());
    EXPECT_EQ(atRestart.restarts, 1);
    // Closed through its view, so the view's connection watch does not take it back.
    EXPECT_TRUE(atRestart.cameraClosed);
    EXPECT_FALSE(atRestart.viewOpen);
    EXPECT_FALSE(atRestart.grabbing);
    EXPECT_FALSE(atRestart.recordOpen);
    EXPECT_FALSE(atRestart.paramOpen);
    EXPECT_FALSE(atRestart.portOpen);
    window->cameraViews[0] = nullptr;
}

TEST_F(ModbusMapTest, CommandNamingNoUsableGroupChangesNothing)
{
    // "D" (index 3) has every page but the first zeroed: its table list reads, its integrity
    // check fails.
    makeGroup(QStringLiteral("D"), QStringLiteral("D"));
    QFile damaged(QStringLiteral("paraGroup/D/PARAM.db"));
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
    ASSERT_TRUE(damaged.seek(4096));
    damaged.write(QByteArray(int(damaged.size()) - 4096, '\0'));
    damaged.close();
    using ParaGroups::RestoreFailure;
    const struct {
        const char* name;
        uint16_t index;
        QString logged;  // the operation log's line on the failure, empty for none
    } cases[] = {
        {"the running group", 0, QString()},
        {"a group without parameter database", 2, ParaGroups::failureText(RestoreFailure::NoParameters, "C")},
        {"a group with a damaged parameter database", 3, ParaGroups::failureText(RestoreFailure::NoParameters, "D")},
        {"past the last group", 4, ParaGroups::failureText(RestoreFailure::NoGroup, "4")},
        {"far past the last group", 65535, ParaGroups::failureText(RestoreFailure::NoGroup, "65535")},
    };
    build();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case in a minute of its own: refusals of one kind within a minute are only counted.
        window->modbusNotes->flush();
        const QString remarksBefore = remarksAfterFirstRow(QStringLiteral("RECORD.db"));
        Client client(port);
        ASSERT_TRUE(client.connected());
        ASSERT_TRUE(client.write(1, {c.index}));
        // A clear in a later request proves that the switch request has been handled.
        cycleCount = 5;
        ASSERT_TRUE(client.write(0, {0}));
        ASSERT_TRUE(waitFor([] { return cycleCount == 0; }));

        EXPECT_EQ(params->paraGroupIndex, 0);
        EXPECT_FALSE(QFile::exists(QStringLiteral("sysadd.txt")));
        EXPECT_EQ(sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select value from sysparam")), kRunningMark);
        EXPECT_EQ(QDir(QStringLiteral("cammer11")).entryList(QDir::Files).size(), 2);
        EXPECT_EQ(recordedCommands(), QString());
        EXPECT_TRUE(Client(port).connected());
        // The client learns why from the operation log.
        QStringList added;
        if (!c.logged.isEmpty())
            added << c.logged;
        added << QStringLiteral("检测计数已被清零");
        EXPECT_EQ(remarksAfterFirstRow(QStringLiteral("RECORD.db")), remarksBefore + QLatin1Char('\n') + added.join('\n'));
    }
}

TEST_F(ModbusMapTest, DeletingAGroupSortedBeforeTheCurrentOneKeepsTheIndexOnTheCurrentGroup)
{
    // Groups A, B, C, D; B (index 1) runs. After A is deleted B is at 0 and C at 1.
    makeGroup(QStringLiteral("C"), QStringLiteral("C"));
    makeGroup(QStringLiteral("D"), QStringLiteral("D"));
    params->paraGroupIndex = 1;
    build();
    ComboBox list;
    list.addItems(ParaGroups::groupList());
    list.setCurrentIndex(list.findText(QStringLiteral("A")));
    AdvanceParamWidget::deleteListedGroup(&list, {[](const QString&) { return true; }, [](const QString&) { return 0; }});
    ASSERT_EQ(ParaGroups::groupList(), (QStringList{"B", "C", "D"}));

    EXPECT_EQ(params->paraGroupIndex, 0);
    EXPECT_EQ(fileText(QStringLiteral("sysadd.txt")), QStringLiteral("0\n"));
    Client client(port);
    ASSERT_TRUE(client.connected());
    EXPECT_EQ(client.read(2, 1), std::vector<int>{0});
    // C, now at the old index, is another group: the switch restores it.
    ASSERT_TRUE(client.write(1, {1}));
    ASSERT_TRUE(waitFor([this] { return recordedCommands().contains(QCoreApplication::applicationFilePath()); }));
    EXPECT_EQ(sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select value from sysparam")), QStringLiteral("C"));
    EXPECT_EQ(fileText(QStringLiteral("sysadd.txt")), QStringLiteral("1\n"));
}

TEST_F(ModbusMapTest, DeletingTheCurrentGroupLeavesNoListedGroupCurrent)
{
    params->paraGroupIndex = 1;
    build();
    ComboBox list;
    list.addItems(ParaGroups::groupList());
    list.setCurrentIndex(list.findText(QStringLiteral("B")));
    AdvanceParamWidget::deleteListedGroup(&list, {[](const QString&) { return true; }, [](const QString&) { return 0; }});
    EXPECT_EQ(params->paraGroupIndex, -1);
    Client client(port);
    ASSERT_TRUE(client.connected());
    EXPECT_EQ(client.read(2, 1), std::vector<int>{65535});
}

TEST_F(ModbusMapTest, GroupIndexCountsEverySubFolderOfTheStore)
{
    // Sorted by character: ".old" < "A" < "B" < "C"; a plain file is no group.
    makeGroup(QStringLiteral(".old"), QStringLiteral("old"));
    writeFile(QStringLiteral("paraGroup/notes.txt"), "not a group");
    build();
    Client client(port);
    ASSERT_TRUE(client.connected());
    ASSERT_TRUE(client.write(1, {2}));
    ASSERT_TRUE(waitFor([this] { return recordedCommands().contains(QCoreApplication::applicationFilePath()); }));

    EXPECT_EQ(params->paraGroupIndex, 2);
    EXPECT_EQ(sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select value from sysparam")), QStringLiteral("B"));
    EXPECT_EQ(remarksAfterFirstRow(QStringLiteral("RECORD.db")), QStringLiteral("程序启动，相机数2\n参数组还原为B"));
}

TEST_F(ModbusMapTest, CommandsWrittenManyTimesBetweenTwoPassesActOnceOnTheLatestValue)
{
    writeFile(QStringLiteral("count.txt"), "5 2 4 1 0 0 0 0 0 0 0 0 0 0 0 0 6 3 ");
    build();
    QSignalSpy passes(window->modbusServer, &ModbusServer::sigWriteChange);
    Client client(port);
    ASSERT_TRUE(client.connected());
    // The window runs no events while the client writes: all of it lands before one pass.
    for (uint16_t k = 0; k < 20; ++k)
        ASSERT_TRUE(client.write(0, {k}));
    // Groups that do not exist, then "B".
    for (uint16_t group : {7, 65535, 3, 1})
        ASSERT_TRUE(client.write(1, {group}));
    ASSERT_TRUE(waitFor([this] { return recordedCommands().contains(QCoreApplication::applicationFilePath()); }));

    EXPECT_EQ(passes.count(), 1);
    EXPECT_EQ(cycleCount, 0);
    EXPECT_EQ(params->paraGroupIndex, 1);
    // One clear, no refusal of the groups written before the last, one switch and one restart.
    EXPECT_EQ(remarksAfterFirstRow(QStringLiteral("RECORD.db")), QStringLiteral("程序启动，相机数2\n检测计数已被清零\n参数组还原为B"));
    EXPECT_EQ(recordedCommands().trimmed(), QCoreApplication::applicationFilePath());
}

TEST_F(ModbusMapTest, CommandRepeatedOnEveryPassIsNotedOnceAWindowWithItsRepeats)
{
    using ParaGroups::RestoreFailure;
    const QString cleared = QStringLiteral("检测计数已被清零");
    const QString noGroup7 = ParaGroups::failureText(RestoreFailure::NoGroup, "7");
    build();
    // The running program's minute: all the writes below fall into one window, however slowly
    // the machine runs them; its end is brought on below.
    ASSERT_EQ(window->modbusNotes->windowMs(), RepeatGate::kDefaultWindowMs);
    LogCapture log;
    QSignalSpy passes(window->modbusServer, &ModbusServer::sigWriteChange);
    Client client(port);
    ASSERT_TRUE(client.connected());
    const QString before = remarksAfterFirstRow(QStringLiteral("RECORD.db"));
    auto added = [&] { return remarksAfterFirstRow(QStringLiteral("RECORD.db")).mid(before.size() + 1); };

    // A group that does not exist and a clear of counters that are zero, each pass anew; a
    // second missing group once among them, a refusal of the same kind.
    for (int written = 0; written < 12; ++written) {
        ASSERT_TRUE(client.write(0, {0, written == 5 ? uint16_t(8) : uint16_t(7)}));
        ASSERT_TRUE(waitFor([&] { return passes.count() == written + 1; }));
    }
    const auto lines = log.lines();
    const auto countLines = [&](const char* text) {
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
    };
    EXPECT_EQ(added(), QStringList({cleared, noGroup7}).join('\n'));
    EXPECT_EQ(countLines("parameter group 7 not restored"), 1);
    EXPECT_EQ(countLines("MoJuWizard::SlotModbusDataChange"), 1);
    // When the window ends, the repeats are noted in one row each.
    window->modbusNotes->flush();
    ASSERT_TRUE(waitFor([&] { return added().count('\n') >= 3; }));
    const QStringList rows = added().split('\n');
    EXPECT_EQ(rows.size(), 4);
    EXPECT_TRUE(rows.contains(cleared + QStringLiteral(" ×11"))) << rows.join('|').toStdString();
    EXPECT_TRUE(rows.contains(noGroup7 + QStringLiteral(" ×11"))) << rows.join('|').toStdString();
    EXPECT_EQ(params->paraGroupIndex, 0);
    EXPECT_EQ(recordedCommands(), QString());
    // A clear that finds counters to clear is always written.
    cycleCount = 3;
    ASSERT_TRUE(client.write(0, {0}));
    ASSERT_TRUE(waitFor([] { return cycleCount == 0; }));
    EXPECT_TRUE(added().endsWith(QLatin1Char('\n') + cleared)) << added().toStdString();
}

TEST_F(ModbusMapTest, RefusalsOfChangingGroupNumbersWriteOneRowAMinutePerKindWithTheirCount)
{
    using ParaGroups::RestoreFailure;
    build();
    ASSERT_EQ(window->modbusNotes->windowMs(), 60 * 1000);
    LogCapture log;
    QSignalSpy passes(window->modbusServer, &ModbusServer::sigWriteChange);
    Client client(port);
    ASSERT_TRUE(client.connected());
    const QString before = remarksAfterFirstRow(QStringLiteral("RECORD.db"));
    auto added = [&] { return remarksAfterFirstRow(QStringLiteral("RECORD.db")).mid(before.size() + 1); };

    // A client counting through group numbers that do not exist, with the group that lacks its
    // parameter database (index 2, a refusal of another kind) written once among them.
    int written = 0;
    for (uint16_t group = 100; group < 120; ++group) {
        ASSERT_TRUE(client.write(1, {group == 110 ? uint16_t(2) : group}));
        ++written;
        ASSERT_TRUE(waitFor([&] { return passes.count() >= written; }));
    }
    const QString noGroup100 = ParaGroups::failureText(RestoreFailure::NoGroup, "100");
    const QString noParametersC = ParaGroups::failureText(RestoreFailure::NoParameters, "C");
    EXPECT_EQ(added(), QStringList({noGroup100, noParametersC}).join('\n'));
    const auto lines = log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("not restored") != std::string::npos; }),
              2);

    // The minute's end: one row with the last number and the count of the repeats.
    window->modbusNotes->flush();
    EXPECT_EQ(added(), QStringList({noGroup100, noParametersC,
                                    RepeatGate::summary(ParaGroups::failureText(RestoreFailure::NoGroup, "119"), 18)})
                           .join('\n'));
    EXPECT_EQ(params->paraGroupIndex, 0);
}

namespace {

int flushesBeforeFailure = 0;
bool flushFailed = false;

// Makes the `flushesBeforeFailure`-th flush from now fail, once, as an I/O error or a full disk
// would; every other step goes on.
bool failAtFlush(const char* what, const QString&)
{
    if (std::strcmp(what, "flush") != 0 || --flushesBeforeFailure != 0)
        return true;
    flushFailed = true;
    return false;
}

// What an operation reported: done, or the text it showed.
struct Reported {
    bool done = false;
    QString said;
};

// The screens' backup and delete over a list of the store, every question answered yes.
Reported backUpAs(const QString& name)
{
    ComboBox list;
    list.addItems(ParaGroups::groupList());
    QStringList warnings;
    AdvanceParamWidget::backupGroupFrom(
        &list, name,
        {[](const QString&) { return true; },
         [&warnings](const QString& text) {
             warnings << text;
             return 0;
         }},
        [] {},
        [&list] {
            list.clear();
            list.addItems(ParaGroups::groupList());
        });
    return {warnings.isEmpty(), warnings.join(QLatin1Char('\n'))};
}

Reported deleteListed(const QString& name)
{
    ComboBox list;
    list.addItems(ParaGroups::groupList());
    list.setCurrentIndex(list.findText(name));
    QStringList warnings;
    AdvanceParamWidget::deleteListedGroup(&list, {[](const QString&) { return true; },
                                                  [&warnings](const QString& text) {
                                                      warnings << text;
                                                      return 0;
                                                  }});
    return {warnings.isEmpty(), warnings.join(QLatin1Char('\n'))};
}

QString paramMark(const QString& file)
{
    return sqliteValue(file, QStringLiteral("select value from sysparam"));
}

}  // namespace

// Each flush of a group operation fails once in turn. Whatever the program then says, its group
// index, register 2 and sysadd.txt name the group that is on the disk, the one the next start
// runs; a restore that stands asks for its restart, one that does not keeps the running group.
TEST_F(ModbusMapTest, AFailedFlushLeavesTheProgramOnTheGroupTheDiskHolds)
{
    const struct {
        const char* name;
        int indexBefore;  // of the running group
        int indexAfter;
        std::function<Reported(MoJuWizard*)> run;
        std::function<bool()> newOnDisk;
    } cases[] = {
        {"restore of B", 0, 1,
         [](MoJuWizard* w) {
             Reported r;
             r.done = w->restoreParaGroup(1, &r.said);
             return r;
         },
         [] { return paramMark(QStringLiteral("PARAM.db")) == QLatin1String("B"); }},
        {"backup over B", 0, 1, [](MoJuWizard*) { return backUpAs(QStringLiteral("B")); },
         [] { return paramMark(QStringLiteral("paraGroup/B/PARAM.db")) == kRunningMark; }},
        {"backup of a new group AB", 0, 1, [](MoJuWizard*) { return backUpAs(QStringLiteral("AB")); },
         [] { return QFileInfo::exists(QStringLiteral("paraGroup/AB")); }},
        {"delete of A while B runs", 1, 0, [](MoJuWizard*) { return deleteListed(QStringLiteral("A")); },
         [] { return !QFileInfo::exists(QStringLiteral("paraGroup/A")); }},
    };
    const QString restart = QCoreApplication::applicationFilePath();
    build();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int stood = 0;
        int undone = 0;
        for (int failAt = 1; failAt < 100; ++failAt) {
            // The fixture's files afresh, the running group's index in the program and in sysadd.txt.
            for (const char* entry : {"paraGroup", "paraGroup.restore", "paraGroup.previous", "paraGroup.staging",
                                      "paraGroup.replaced", "paraGroup.deleted", "cammer11", "cammer12", "cammer21",
                                      "cammer22"})
                QDir(QLatin1String(entry)).removeRecursively();
            QFile::remove(QString::fromLatin1(ShellRunner::kDryRunLog));
            QFile::remove(QStringLiteral("paraGroup.journal"));
            QFile::remove(QStringLiteral("PARAM.db"));
            makeFiles();
            // A backup takes every check's template folder.
            for (const char* folder : {"cammer12", "cammer21", "cammer22"}) {
                QDir().mkpath(QLatin1String(folder));
                writeFile(QLatin1String(folder) + QStringLiteral("/template1.bmp"), kRunningMark.toUtf8());
            }
            params->paraGroupIndex = c.indexBefore;
            writeFile(QStringLiteral("sysadd.txt"), QByteArray::number(c.indexBefore) + '\n');
            window->writeParaGroupToModbus();

            flushesBeforeFailure = failAt;
            flushFailed = false;
            GroupJournal::setStepHook(failAtFlush);
            const Reported reported = c.run(window);
            GroupJournal::setStepHook(nullptr);
            if (!flushFailed) {
                EXPECT_TRUE(reported.done) << "without a failure: " << reported.said.toStdString();
                break;
            }
            SCOPED_TRACE("flush " + std::to_string(failAt) + " failed; the program said: "
                         + (reported.done ? std::string("done") : reported.said.toStdString()));
            const bool newOnDisk = c.newOnDisk();
            EXPECT_EQ(reported.done, newOnDisk);
            EXPECT_EQ(reported.said.isEmpty(), reported.done);
            const int index = newOnDisk ? c.indexAfter : c.indexBefore;
            EXPECT_EQ(params->paraGroupIndex, index);
            EXPECT_EQ(fileText(QStringLiteral("sysadd.txt")), QString::number(index) + QLatin1Char('\n'));
            Client client(port);
            ASSERT_TRUE(client.connected());
            EXPECT_EQ(client.read(2, 1), std::vector<int>{index});
            if (QLatin1String(c.name).startsWith(QLatin1String("restore"))) {
                EXPECT_EQ(recordedCommands().contains(restart), newOnDisk) << "a restore that stands restarts";
            }
            // The next start runs what the program said.
            EXPECT_TRUE(GroupJournal::recover());
            EXPECT_EQ(c.newOnDisk(), newOnDisk);
            EXPECT_EQ(fileText(QStringLiteral("sysadd.txt")), QString::number(index) + QLatin1Char('\n'));
            stood += newOnDisk;
            undone += !newOnDisk;
            if (HasFailure())
                break;
        }
        EXPECT_GT(stood, 0) << "a flush after the record says done";
        EXPECT_GT(undone, 0) << "a flush before it";
    }
}
