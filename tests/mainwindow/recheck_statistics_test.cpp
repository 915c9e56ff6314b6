// Statistics against the counters with cavity re-checks on: real machine cycles with the IO board
// simulator on the wire and two cameras whose frames follow the cycle. An NG check followed by an
// OK re-check, an NG through every re-check into the alarm, alarms cleared by the editor's
// re-check and by the safety door, a manual capture in the middle of a cycle: the hand count, the
// camera headers, the Modbus counters read by a real client, the statistics screen, a search of
// the day and today's figures read back after a restart all agree.
#include "tests/mainwindow/cyclefixture.h"
#include "tests/mainwindow/modbusread.h"

#include "records/camerastatisticswidget.h"
#include "records/datathread.h"
#include "records/statisticswidget.h"
#include "records/saveimagequeue.h"
#include "tests/core/paramtestdb.h"
#include "view/camerawgtbox.h"
#include "view/camerawgtdatawidget.h"
#include "view/camerawgttitlenormal.h"
#include "view/drawroiwidget.h"
#include "widgets/combobox.h"

#include <QLabel>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTcpServer>
#include <QThreadPool>

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Cycles and NG cycles, of one camera or of the machine.
struct Counts {
    int total = 0;
    int ng = 0;
    bool operator==(const Counts& o) const { return total == o.total && ng == o.ng; }
};

std::ostream& operator<<(std::ostream& out, const Counts& c)
{
    return out << c.total << " cycles, " << c.ng << " NG";
}

// What a camera's frames show: the empty cavity, a part left in it, or a part left until the
// automatic re-check, which finds the cavity empty (the part fell out meanwhile).
enum class Frame { Empty, Part, PartUntilReCheck };

class RecheckStatisticsTest : public CycleTest {
protected:
    void SetUp() override
    {
        CycleTest::SetUp();
        modbusPort = freePort();
        qputenv("MONITOR_MODBUS_PORT", QByteArray::number(modbusPort));
        if (!saveImageMutex)
            saveImageMutex = new QMutex;
        resetCounters();
        // The product check at the mould opening (without regions: it stores nothing), the cavity
        // check 0.3 s later with two automatic re-checks.
        params->productCheckEnabled = 1;
        params->triggerDelay[0] = 0;
        params->triggerDelay[1] = 3;
        params->recheckCount = 2;
        params->statisticsEnabled = 1;
        store = TemperatureChartData::instance();
        store->insertQueue.clear();
        store->round = RoundRecord();
        store->markNext = 1;
    }
    void TearDown() override
    {
        CycleTest::TearDown();
        qunsetenv("MONITOR_MODBUS_PORT");
        resetCounters();
    }
    static void resetCounters()
    {
        for (int c = 0; c < 8; ++c)
            totalCounts[c] = ngCounts[c] = 0;
        cycleCount = ngCycleCount = 0;
    }
    // The store as at program start, its read of today done.
    void startStore()
    {
        store->clearTodayRounds();
        store->init();
        QThreadPool::globalInstance()->waitForDone();
        ASSERT_TRUE(waitFor([this] { return store->loaded == 1; }, kPatientWaitMs));
    }
    // Two cameras with a part region in the cavity check, their frames decided at every grab.
    void buildWindow()
    {
        build(2);
        for (int c = 0; c < 2; ++c) {
            addPartRegion(c, 1);
            CycleCamera::opened().at(size_t(c))->partLeftRule = [this, c] {
                switch (frames[c]) {
                case Frame::Part:
                    return true;
                case Frame::PartUntilReCheck:
                    return window->reDetectPending == 0;
                case Frame::Empty:
                    break;
                }
                return false;
            };
        }
    }
    void show(Frame camera0, Frame camera1)
    {
        frames[0] = camera0;
        frames[1] = camera1;
    }
    // A grab after the frames changed: the next check sees them.
    void waitForFreshFrames()
    {
        const int before = CycleCamera::opened().front()->grabs;
        ASSERT_TRUE(waitFor([&] { return CycleCamera::opened().front()->grabs > before; }, kPatientWaitMs));
    }

    // One mould opening whose checks end without an alarm; counted once.
    void okCycle()
    {
        const int before = cycleCount;
        pulseInput(0, 400);
        ASSERT_TRUE(waitFor([&] { return cycleCount == before + 1; }, kPatientWaitMs));
        ASSERT_TRUE(waitFor([this] { return window->alarmState == 0 && window->reDetectPending == 0; }, kPatientWaitMs));
        EXPECT_FALSE(activeOnBoard(2)) << "no alarm";
    }
    // One mould opening whose cavity check stays NG through both re-checks: the alarm stands.
    void alarmCycle()
    {
        const int before = cycleCount;
        pulseInput(0, 400);
        ASSERT_TRUE(waitFor([&] { return cycleCount == before + 1; }, kPatientWaitMs));
        ASSERT_TRUE(waitFor([this] { return window->alarmState == 2 && activeOnBoard(2); }, kPatientWaitMs));
    }
    // The operator takes the part out and re-checks in the region editor, or opens the safety door.
    void clearByReCheck()
    {
        show(Frame::Empty, Frame::Empty);
        waitForFreshFrames();
        window->regionPanel->SlotReCheck();
        ASSERT_TRUE(waitFor([this] { return window->alarmState == 0 && !activeOnBoard(2); }, kPatientWaitMs));
    }
    void clearByDoor()
    {
        show(Frame::Empty, Frame::Empty);
        pulseInput(1, 300);
        ASSERT_TRUE(waitFor([this] { return window->alarmState == 0 && !activeOnBoard(2); }, kPatientWaitMs));
    }

    // ---- the figures of every view ----

    Counts header(int c) const
    {
        auto* title = static_cast<CameraWgt_DataWidget_Title_Normal*>(
            window->cameraBox->dataWidgetAt(c)->titleStack->widget(0));
        title->refreshText();
        QString text = title->detectReportLabel->text();
        text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("NG数\\s*(\\d+)\\s*总数\\s*(\\d+)")).match(text);
        if (!m.hasMatch()) {
            ADD_FAILURE() << "camera header: " << text.toStdString();
            return {};
        }
        return {m.captured(2).toInt(), m.captured(1).toInt()};
    }
    // Registers 50..55: cycles, NG cycles, good cycles; 56 + 6c ..: camera c's.
    Counts modbus(int camera) const
    {
        const std::vector<int> w = readRegisters(modbusPort, 50, 18);
        if (w.size() != 18u) {
            ADD_FAILURE() << "Modbus read failed";
            return {};
        }
        const int first = camera < 0 ? 0 : 6 + 6 * camera;
        auto value = [&](int i) { return w[size_t(first + 2 * i)] * 65536 + w[size_t(first + 2 * i + 1)]; };
        EXPECT_EQ(value(2), value(0) - value(1)) << "good cycles";
        return {value(0), value(1)};
    }
    static Counts screen(int camera)
    {
        StatisticsWidget screen;
        screen.resetToToday();
        screen.cameraCombo->setCurrentIndex(camera + 1);
        return {screen.page->totalCount->text().toInt(), screen.page->totalNGCount->text().toInt()};
    }
    Counts search(int camera)
    {
        QueryFilter f;
        f.camera = camera;
        f.from = QDateTime(QDate::currentDate(), QTime(0, 0));
        f.to = QDateTime(QDate::currentDate(), QTime(23, 59, 59, 999));
        store->statisticsSource = 1;
        store->setFilter(f);
        store->startQuery(TemperatureChartData::QueryPass::Statistics);
        store->queryThread->wait();
        const Counts counts{store->roundCount, store->ngRoundCount};
        store->statisticsSource = 0;
        return counts;
    }
    // Every view against the hand count: the machine's cycles, then each camera's.
    void expectAgreement(const Counts& machine, const Counts (&cameras)[2])
    {
        ASSERT_TRUE(waitFor([this] { return store->insertQueue.isEmpty(); }, kPatientWaitMs));
        EXPECT_EQ((Counts{cycleCount, ngCycleCount}), machine) << "counters";
        EXPECT_EQ(modbus(-1), machine) << "Modbus";
        EXPECT_EQ(screen(-1), machine) << "statistics screen";
        EXPECT_EQ(search(-1), machine) << "search of the day";
        for (int c = 0; c < 2; ++c) {
            SCOPED_TRACE(c);
            EXPECT_EQ(header(c), cameras[c]) << "camera header";
            EXPECT_EQ(modbus(c), cameras[c]) << "Modbus";
            EXPECT_EQ(screen(c), cameras[c]) << "statistics screen";
            EXPECT_EQ(search(c), cameras[c]) << "search of the day";
        }
    }

    TemperatureChartData* store = nullptr;
    quint16 modbusPort = 0;
    Frame frames[2] = {Frame::Empty, Frame::Empty};
};

TEST_F(RecheckStatisticsTest, StatisticsCountWhatTheCountersCountThroughReChecksAlarmsAndManualCaptures)
{
    startStore();
    buildWindow();

    // 1: both cavities empty.
    okCycle();
    // 2: camera 2 finds a part, its re-check the empty cavity: an OK cycle.
    show(Frame::Empty, Frame::PartUntilReCheck);
    okCycle();
    show(Frame::Empty, Frame::Empty);
    // 3: camera 1 finds the part at the check and both re-checks: the alarm, an NG cycle, which
    // the editor's re-check of the empty cavity clears.
    show(Frame::Part, Frame::Empty);
    alarmCycle();
    clearByReCheck();
    // 4: camera 2 the same, cleared by the safety door.
    show(Frame::Empty, Frame::Part);
    alarmCycle();
    clearByDoor();
    // 5: a manual capture of the product while the cavity check counts down; then camera 1 finds
    // the part: an NG cycle of the machine all the same.
    params->triggerDelay[1] = 50;
    show(Frame::Part, Frame::Empty);
    {
        const int before = cycleCount;
        pulseInput(0, 400);
        ASSERT_TRUE(waitFor([this] { return window->delayTimers[1]->isActive(); }, kPatientWaitMs));
        const qint64 stamp = window->cycleStamp;
        window->SlotManualTrig(0);
        ASSERT_TRUE(waitFor([&] { return window->cycleStamp != stamp; }, kPatientWaitMs)) << "the capture ran";
        ASSERT_TRUE(window->delayTimers[1]->isActive()) << "the capture came in the middle of the cycle";
        ASSERT_TRUE(waitFor([&] { return cycleCount == before + 1; }, kPatientWaitMs));
        ASSERT_TRUE(waitFor([this] { return window->alarmState == 2; }, kPatientWaitMs));
    }
    params->triggerDelay[1] = 3;
    clearByReCheck();
    // 6: both cavities empty.
    okCycle();

    // By hand: six cycles, three NG (3, 4, 5); camera 1 NG in 3 and 5, camera 2 in 4.
    const Counts machine{6, 3};
    const Counts cameras[2] = {{6, 2}, {6, 1}};
    {
        SCOPED_TRACE("running");
        expectAgreement(machine, cameras);
    }
    // The NG checks that were re-checked and the alarm-clearing re-checks stay in the file for the
    // chart and the export, marked in left_out; the cycle's checks after the manual capture are
    // not. The description column keeps its two values, which the export program selects on.
    const QString file = QStringLiteral("ResStatistics.db");
    EXPECT_EQ(sqliteValue(file, QStringLiteral("select distinct quote(left_out) from res_report order by left_out")),
              QStringLiteral("''\n'Alarm clearing'\n'Re-checked'"));
    EXPECT_EQ(sqliteValue(file, QStringLiteral("select distinct quote(description) from res_report "
                                               "order by description")),
              QStringLiteral("''\n'Regular recording'"));

    // The program starts again: the counters from count.txt, today's rows read back.
    restartProgram(2);
    startStore();
    {
        SCOPED_TRACE("after a restart");
        expectAgreement(machine, cameras);
    }
}

}  // namespace
