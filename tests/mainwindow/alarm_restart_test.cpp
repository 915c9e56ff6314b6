// A restart during an NG alarm: the window built anew in the same working directory, as after a
// power cut, with the IO board simulator on the wire and the Modbus registers read by a real
// client. The alarm stands again with the machine stopped until the operator clears it, and the
// counters are those from before the restart.
#include "tests/mainwindow/cyclefixture.h"
#include "tests/mainwindow/modbusread.h"

#include "core/texttable.h"
#include "mainwindow/dottomdockwidget.h"
#include "mainwindow/menubtnwidget.h"
#include "view/drawroiwidget.h"
#include "records/saveimagequeue.h"
#include "tests/core/logcapture.h"
#include "tests/core/paramtestdb.h"
#include "tests/settings/settingsfixture.h"

#include <QFile>
#include <QStackedWidget>
#include <QTcpServer>

namespace {

const QString kAlarmRecord = QStringLiteral("alarm.txt");

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QString lastRemark()
{
    return sqliteValue(QStringLiteral("RECORD.db"), QStringLiteral("select remarks from RECORD order by rowid desc limit 1"));
}

QString restoreLine(const QString& cameras)
{
    return QStringLiteral("重启前未解除的报警已恢复：") + cameras + tableText(152);
}

class AlarmRestartTest : public CycleTest {
protected:
    void SetUp() override
    {
        CycleTest::SetUp();
        modbusPort = freePort();
        qputenv("MONITOR_MODBUS_PORT", QByteArray::number(modbusPort));
        fillTextTable();
        currentLanguage = 0;
        if (!saveImageMutex)
            saveImageMutex = new QMutex;
        clearResultPictures();
        resetCounters();
    }
    void TearDown() override
    {
        CycleTest::TearDown();
        qunsetenv("MONITOR_MODBUS_PORT");
        clearResultPictures();
        resetCounters();
    }
    static void resetCounters()
    {
        for (int c = 0; c < 8; ++c)
            totalCounts[c] = ngCounts[c] = 0;
        cycleCount = ngCycleCount = 0;
    }
    // The program starts again; the test's regions are not stored, so they are added anew.
    void restart(int cameras, const std::function<void()>& regions)
    {
        restartProgram(cameras, false);
        regions();
    }
    // Registers 50..55 (cycles, NG cycles, good cycles) and 56.. of the first two cameras.
    std::vector<int> counterRegisters() { return readRegisters(modbusPort, 50, 18); }

    quint16 modbusPort = 0;
};

TEST_F(AlarmRestartTest, CavityAlarmStandsAgainAfterARestartUntilACleanRecheckLiftsIt)
{
    params->productCheckEnabled = 0;
    build(2);
    const auto regions = [this] {
        addPartRegion(0, 1);
        addPartRegion(1, 1);
    };
    regions();
    // One good cycle, then camera 2 finds a part left in its cavity.
    pulseInput(0, 400);
    ASSERT_TRUE(waitFor([] { return cycleCount == 1; }, kPatientWaitMs));
    ASSERT_TRUE(waitFor([this] { return window->alarmState == 0 && !activeOnBoard(0); }, kPatientWaitMs));
    CycleCamera::opened().at(1)->setFrame(partLeftInCavity());
    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return window->alarmState == 2 && activeOnBoard(2); }, kPatientWaitMs));
    setInput(0, false);
    pump(300);
    EXPECT_TRUE(QFile::exists(kAlarmRecord));
    const std::vector<int> countersBefore = counterRegisters();
    ASSERT_EQ(countersBefore.size(), 18u);
    EXPECT_EQ(countersBefore[1], 2) << "cycles";
    EXPECT_EQ(countersBefore[3], 1) << "NG cycles";

    restart(2, regions);
    // Before any output word reaches the board the alarm stands again.
    ASSERT_TRUE(waitFor([this] { return activeOnBoard(0) && activeOnBoard(2); }, kPatientWaitMs)) << "clamp prohibited, alarm on";
    pump(500);
    EXPECT_TRUE(activeOnBoard(0)) << "the clamp stays prohibited";
    EXPECT_EQ(window->alarmState, 2);
    EXPECT_EQ(window->runState, 3);
    EXPECT_EQ(window->curDet, 1);
    EXPECT_TRUE(window->cameraViews[0]->detectOk);
    EXPECT_FALSE(window->cameraViews[1]->detectOk);
    EXPECT_TRUE(window->bottomBar->isHidden());
    EXPECT_EQ(window->sideMenu->stack->currentWidget(), window->regionPanel);
    EXPECT_EQ(readRegisters(modbusPort, 1, 1), (std::vector<int>{2})) << "cavity alarm";
    EXPECT_EQ(counterRegisters(), countersBefore) << "counters as before the restart, NG included";
    EXPECT_EQ(lastRemark(), restoreLine(tableText(151).arg(2).chopped(1)));

    // Mould openings while the alarm stands change nothing.
    pulseInput(0, 300);
    pump(300);
    EXPECT_TRUE(activeOnBoard(0));
    EXPECT_EQ(window->alarmState, 2);
    EXPECT_EQ(counterRegisters(), countersBefore);

    // The operator takes the part out and re-checks with a clean picture: the alarm goes and
    // the clamp is permitted; the clearing round is not counted.
    CycleCamera::opened().at(1)->setFrame(emptyCavity());
    waitFrameTaken(CycleCamera::opened().at(1));
    {
        // The regions added anew after the restart count as an edit: the re-check asks to save them.
        ModalScript save({1});
        window->regionPanel->SlotReCheck();
    }
    EXPECT_NE(window->alarmState, 2);
    ASSERT_TRUE(waitFor([this] { return !activeOnBoard(0) && !activeOnBoard(2); }, kPatientWaitMs));
    EXPECT_EQ(readRegisters(modbusPort, 1, 1), (std::vector<int>{0}));
    EXPECT_FALSE(QFile::exists(kAlarmRecord));
    // The opening seen during the alarm runs its cycle now; let it end.
    ASSERT_TRUE(waitFor([this] { return window->alarmState == 0 && !activeOnBoard(0); }, kPatientWaitMs));
    const std::vector<int> countersAfter = counterRegisters();

    // A restart after the lifted alarm starts detecting with the clamp permitted.
    restart(2, regions);
    ASSERT_TRUE(waitFor([this] { return heldOutputs() == restWord(); }, kPatientWaitMs));
    EXPECT_EQ(window->alarmState, 0);
    EXPECT_EQ(window->runState, 1);
    EXPECT_EQ(counterRegisters(), countersAfter);
}

TEST_F(AlarmRestartTest, CavityAlarmStandingAgainAfterARestartIsSkippedLikeBefore)
{
    params->productCheckEnabled = 0;
    build(2);
    const auto regions = [this] {
        addPartRegion(0, 1);
        addPartRegion(1, 1);
    };
    regions();
    CycleCamera::opened().at(1)->setFrame(partLeftInCavity());
    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return window->alarmState == 2 && activeOnBoard(2); }, kPatientWaitMs));
    setInput(0, false);
    pump(300);

    restart(2, regions);
    ASSERT_TRUE(waitFor([this] { return window->alarmState == 2 && activeOnBoard(0) && activeOnBoard(2); }, kPatientWaitMs));
    pump(300);
    // The part is still in the picture: the operator skips this mould.
    CycleCamera::opened().at(1)->setFrame(partLeftInCavity());
    {
        // Yes to skipping the mould, and to saving the regions added anew after the restart.
        ModalScript yes({1, 1});
        window->regionPanel->SlotNoCheckCur();
        EXPECT_TRUE(yes.texts.contains(tableText(102)) || yes.texts.contains(tableText(105).arg(2)))
            << yes.texts.join(QLatin1Char('|')).toStdString();
    }
    EXPECT_NE(window->alarmState, 2);
    ASSERT_TRUE(waitFor([this] { return !activeOnBoard(0) && !activeOnBoard(2); }, kPatientWaitMs)) << "clamp released";
    EXPECT_EQ(readRegisters(modbusPort, 1, 1), (std::vector<int>{0}));
    EXPECT_FALSE(QFile::exists(kAlarmRecord));
    EXPECT_EQ(lastRemark(), tableText(103)) << "the skip is logged after the restore line";

    restart(2, regions);
    ASSERT_TRUE(waitFor([this] { return heldOutputs() == restWord(); }, kPatientWaitMs));
    EXPECT_EQ(window->alarmState, 0);
}

TEST_F(AlarmRestartTest, ProductAlarmClearedAfterARestartStillRunsTheCavityCheckOfItsCycle)
{
    params->triggerDelay[1] = 5;
    build(2);
    const auto regions = [this] {
        for (int c = 0; c < 2; ++c) {
            addPartRegion(c, 0);
            addPartRegion(c, 1);
        }
    };
    regions();
    CycleCamera::opened().at(1)->setFrame(partLeftInCavity());
    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return window->alarmState == 2 && activeOnBoard(2); }, kPatientWaitMs));
    EXPECT_EQ(cycleCount, 0) << "counted after the cavity check";
    // The mould closed before the restart, so the new program takes no mould opening that would
    // start another cycle.
    setInput(0, false);
    pump(300);

    restart(2, regions);
    ASSERT_TRUE(waitFor([this] { return activeOnBoard(0) && activeOnBoard(1) && activeOnBoard(2); }, kPatientWaitMs))
        << "clamp and ejector prohibited, alarm on";
    EXPECT_EQ(readRegisters(modbusPort, 1, 1), (std::vector<int>{1})) << "product alarm";
    EXPECT_EQ(window->curDet, 0);

    CycleCamera::opened().at(1)->setFrame(emptyCavity());

    waitFrameTaken(CycleCamera::opened().at(1));
    window->ResetRun();
    window->RunAlgorithm(0, 0);
    window->RunAlgorithm(1, 0);
    window->CheckNG(true);
    ASSERT_TRUE(waitFor([this] { return !activeOnBoard(2) && !activeOnBoard(1); }, kPatientWaitMs));
    ASSERT_TRUE(waitFor([this] { return !activeOnBoard(0); }, kPatientWaitMs)) << "the cavity check of the cycle ran";
    // The cycle is counted with camera 2's NG product check.
    EXPECT_EQ(cycleCount, 1);
    EXPECT_EQ(ngCounts[1], 1);
    EXPECT_EQ(ngCycleCount, 1);
    EXPECT_FALSE(QFile::exists(kAlarmRecord));
}

TEST_F(AlarmRestartTest, UnreadableAlarmRecordStillKeepsTheMachineStopped)
{
    params->productCheckEnabled = 0;
    QFile record(kAlarmRecord);
    ASSERT_TRUE(record.open(QIODevice::WriteOnly));
    record.write("1 x");
    record.close();
    LogCapture log;
    build(2, false);
    ASSERT_TRUE(waitFor([this] { return activeOnBoard(0) && activeOnBoard(2); }, kPatientWaitMs));
    EXPECT_EQ(window->alarmState, 2);
    EXPECT_EQ(window->curDet, 1);
    EXPECT_FALSE(window->cameraViews[0]->detectOk);
    EXPECT_FALSE(window->cameraViews[1]->detectOk);
    EXPECT_EQ(readRegisters(modbusPort, 1, 1), (std::vector<int>{2}));
    EXPECT_TRUE(log.contains("alarm.txt is not readable"));
    EXPECT_EQ(lastRemark(), restoreLine(tableText(151).arg(1) + tableText(151).arg(2).chopped(1)));
}

}  // namespace
