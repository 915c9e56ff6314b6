// Result evaluation end to end: whole machine cycles through the IO board simulator with test
// cameras and real regions, read on the wire, in the Modbus registers, in the counters and in the
// saved result pictures.
#include "tests/mainwindow/cyclefixture.h"
#include "tests/mainwindow/modbusread.h"
#include "mainwindow/dottomdockwidget.h"
#include "mainwindow/main_menubtnwidget.h"
#include "mainwindow/menubtnwidget.h"
#include "view/camerawgtbox.h"
#include "view/camerawgtdatawidget.h"
#include "view/drawroiwidget.h"

#include <QStackedWidget>

#include "core/texttable.h"
#include "records/saveimagequeue.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpServer>

#include <modbus.h>

#include <iostream>

namespace {

using Clock = std::chrono::steady_clock;

// A port nothing listens on now.
quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QStringList pictures(int camera, int detect, const char* folder)
{
    return QDir(QStringLiteral("./alarmimage/camera%1/detect%2/%3").arg(camera).arg(detect).arg(QLatin1String(folder)))
        .entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
}

// The newest operation-log remark.
QString lastRemark()
{
    QString remark;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("result-test-log"));
        db.setDatabaseName(QStringLiteral("RECORD.db"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("select * from RECORD order by rowid desc limit 1")) && q.next())
                remark = q.value(q.record().count() - 1).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("result-test-log"));
    return remark;
}

class ResultCycleTest : public CycleTest {
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
    }
    void TearDown() override
    {
        CycleTest::TearDown();
        qunsetenv("MONITOR_MODBUS_PORT");
        clearResultPictures();
    }
    // One machine cycle: the mould opens and closes again.
    void mouldOpening(int openMs = 400)
    {
        pulseInput(0, openMs);
    }
    // The result display of the last round ended.
    bool displayEnded() { return waitFor([this] { return window->alarmState != 1; }, kPatientWaitMs); }

    quint16 modbusPort = 0;
};

TEST_F(ResultCycleTest, OkCycleReleasesEjectorAfterTheProductCheckAndClampAfterTheCavityCheck)
{
    params->triggerDelay[0] = 10;
    params->triggerDelay[1] = 10;
    build();
    addPartRegion(0, 0);
    addPartRegion(0, 1);

    const Clock::time_point edge = Clock::now();
    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return activeOnBoard(0) && activeOnBoard(1); }, kPatientWaitMs));
    ASSERT_TRUE(waitFor([this] { return !activeOnBoard(1); }, kPatientWaitMs)) << "the product check released the ejector";
    const double ejectorAt = std::chrono::duration<double, std::milli>(Clock::now() - edge).count();
    EXPECT_TRUE(activeOnBoard(0)) << "the clamp waits for the cavity check";
    ASSERT_TRUE(waitFor([this] { return !activeOnBoard(0); }, kPatientWaitMs)) << "the cavity check released the clamp";
    const double clampAt = std::chrono::duration<double, std::milli>(Clock::now() - edge).count();
    EXPECT_GE(ejectorAt, 1000);
    EXPECT_GE(clampAt, 2000);
    EXPECT_FALSE(activeOnBoard(2));

    EXPECT_EQ(readRegisters(modbusPort, 150, 6), (std::vector<int>{1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(readRegisters(modbusPort, 1, 1), (std::vector<int>{0}));
    EXPECT_EQ(cycleCount, 1);
    EXPECT_EQ(totalCounts[0], 1);
    EXPECT_EQ(ngCounts[0], 0);
    EXPECT_EQ(ngCycleCount, 0);
    QFile count(QStringLiteral("count.txt"));
    ASSERT_TRUE(count.open(QIODevice::ReadOnly)) << "counters written after the cavity check";

    // The display ends after 2 s and the product check is the next one.
    EXPECT_EQ(window->alarmState, 1);
    ASSERT_TRUE(displayEnded());
    EXPECT_EQ(window->alarmState, 0);
    EXPECT_EQ(window->curDet, 0);
    EXPECT_EQ(window->phase, 3);
}

TEST_F(ResultCycleTest, PartLeftInTheCavityStopsTheMachineUntilTheAlarmIsCleared)
{
    params->productCheckEnabled = 0;
    build();
    addPartRegion(0, 1);
    CycleCamera* camera = CycleCamera::opened().front();
    camera->setFrame(partLeftInCavity());
    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return activeOnBoard(2); }, kPatientWaitMs)) << "alarm output";
    EXPECT_TRUE(activeOnBoard(0)) << "clamp prohibited";
    EXPECT_EQ(window->alarmState, 2);
    EXPECT_EQ(window->runState, 3);
    EXPECT_EQ(readRegisters(modbusPort, 1, 1), (std::vector<int>{2})) << "cavity alarm";
    EXPECT_EQ(readRegisters(modbusPort, 150, 4), (std::vector<int>{2, 2, 1, 2}));
    EXPECT_EQ(lastRemark(), tableText(151).arg(1).chopped(1) + tableText(152));
    EXPECT_EQ(cycleCount, 1);
    EXPECT_EQ(ngCounts[0], 1);
    EXPECT_EQ(ngCycleCount, 1);

    // Further mould openings change nothing while the alarm stands.
    setInput(0, false);
    pump(300);
    const quint16 held = heldOutputs();
    const size_t commands = [this] {
        std::lock_guard<std::mutex> lock(commandsMutex);
        return outputCommands.size();
    }();
    mouldOpening();
    pump(300);
    mouldOpening();
    pump(500);
    EXPECT_EQ(heldOutputs(), held);
    {
        std::lock_guard<std::mutex> lock(commandsMutex);
        EXPECT_EQ(outputCommands.size(), commands) << "no output command while the alarm stands";
    }
    EXPECT_EQ(window->alarmState, 2);
    EXPECT_EQ(cycleCount, 1);

    // The operator takes the part out and re-checks: the alarm goes, the clamp is permitted,
    // and the clearing round is not counted.
    camera->setFrame(emptyCavity());
    waitFrameTaken(camera);
    window->RunAlgorithm(0, 1);
    window->CheckNG(true);
    EXPECT_EQ(cycleCount, 1);
    EXPECT_EQ(window->runState, 1);
    ASSERT_TRUE(waitFor([this] { return !activeOnBoard(2); }, kPatientWaitMs));
    EXPECT_EQ(readRegisters(modbusPort, 1, 1), (std::vector<int>{0}));
    // The mould openings seen during the alarm wait while detection is stopped and start the
    // check of the still open mould once it runs again; let that one finish.
    ASSERT_TRUE(waitFor([this] { return window->alarmState == 0 && !activeOnBoard(0); }, kPatientWaitMs));
    const int counted = cycleCount;

    // The next mould opening runs a cycle again.
    setInput(0, true);
    ASSERT_TRUE(waitFor([&] { return cycleCount == counted + 1; }, kPatientWaitMs));
    EXPECT_FALSE(activeOnBoard(2));
    ASSERT_TRUE(waitFor([this] { return !activeOnBoard(0); }, kPatientWaitMs));
    EXPECT_EQ(ngCounts[0], 1);
}

TEST_F(ResultCycleTest, NgAlarmGivesTheScreenToTheRegionPageAndLiftingItGivesItBack)
{
    params->productCheckEnabled = 0;
    build();
    addPartRegion(0, 1);
    window->show();
    CycleCamera* camera = CycleCamera::opened().front();
    camera->setFrame(partLeftInCavity());
    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return window->alarmState == 2; }, kPatientWaitMs)) << "NG alarm";
    EXPECT_TRUE(window->bottomBar->isHidden());
    EXPECT_EQ(window->sideMenu->stack->currentWidget(), window->regionPanel);
    CameraWgt_DataWidget* cell = window->cameraBox->dataWidgetAt(0);
    EXPECT_EQ(cell->titleStack->currentIndex(), CameraWgt_DataWidget::kEditorTitlePage);

    camera->setFrame(emptyCavity());

    waitFrameTaken(camera);
    window->RunAlgorithm(0, 1);
    window->CheckNG(true);
    EXPECT_NE(window->alarmState, 2);
    EXPECT_FALSE(window->bottomBar->isHidden());
    EXPECT_EQ(window->sideMenu->stack->currentWidget(), window->sideMenu->mainMenu);
    EXPECT_EQ(cell->titleStack->currentIndex(), CameraWgt_DataWidget::kRunTitlePage);
}

TEST_F(ResultCycleTest, RecheckCountGivesThatManyMoreInspectionsBeforeTheAlarm)
{
    params->productCheckEnabled = 0;
    params->recheckCount = 2;
    build();
    window->saveAllFlag = true;
    addPartRegion(0, 1);
    CycleCamera::opened().front()->setFrame(partLeftInCavity());
    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return activeOnBoard(2); }, kPatientWaitMs));
    pump(500);
    EXPECT_EQ(checksRun(0, 1), 3) << "the check and its two re-checks";
    EXPECT_EQ(window->alarmState, 2);
    EXPECT_EQ(cycleCount, 1) << "the cycle is counted once";
    EXPECT_EQ(ngCounts[0], 1);
}

TEST_F(ResultCycleTest, RecheckThatPassesReleasesTheClampWithoutAlarm)
{
    params->productCheckEnabled = 0;
    params->recheckCount = 1;
    build();
    addPartRegion(0, 1);
    CycleCamera* camera = CycleCamera::opened().front();
    camera->setFrame(partLeftInCavity());
    // The part drops out just after the first look.
    window->saveAllFlag = true;
    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return checksRun(0, 1) == 1; }, kPatientWaitMs));
    camera->setFrame(emptyCavity());
    ASSERT_TRUE(waitFor([] { return cycleCount == 1; }, kPatientWaitMs)) << "the re-check ended the cycle";
    ASSERT_TRUE(waitFor([this] { return !activeOnBoard(0); }, kPatientWaitMs)) << "clamp permitted";
    EXPECT_FALSE(activeOnBoard(2));
    EXPECT_EQ(checksRun(0, 1), 2);
    EXPECT_EQ(ngCounts[0], 0);
}

TEST_F(ResultCycleTest, OkPicturesAreSavedAndTheFolderKeepsItsCount)
{
    params->productCheckEnabled = 0;
    params->okImagesKept = 2;
    params->ngImagesKept = 5;
    build();
    addPartRegion(0, 1);
    const QRegularExpression name(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d_\\d\\d\\.\\d\\d\\.\\d\\d\\.jpg$"));
    QStringList seen;
    for (int cycle = 1; cycle <= 4; ++cycle) {
        SCOPED_TRACE(cycle);
        mouldOpening();
        ASSERT_TRUE(waitFor([&] { return cycleCount == cycle; }, kPatientWaitMs));
        ASSERT_TRUE(waitFor(
            [&] {
                const QStringList now = pictures(1, 2, "OK");
                return !now.isEmpty() && !seen.contains(now.last());
            },
            5000))
            << "a new OK picture";
        const QStringList now = pictures(1, 2, "OK");
        EXPECT_EQ(now.size(), std::min(cycle, 2));
        for (const QString& file : now)
            EXPECT_TRUE(name.match(file).hasMatch()) << file.toStdString();
        seen = now;
        ASSERT_TRUE(displayEnded());
        pump(1100);  // names go by the second
    }
    EXPECT_TRUE(pictures(1, 2, "NG").isEmpty());
    EXPECT_TRUE(pictures(1, 1, "OK").isEmpty()) << "the product check is off";
}

TEST_F(ResultCycleTest, NgPictureInPulseModeCarriesItsFirstNgRegion)
{
    params->productCheckEnabled = 0;
    params->okNgPulseMode = 1;
    params->clampPulse = 5;
    params->ngImagesKept = 5;
    build();
    addPartRegion(0, 1);
    CycleCamera::opened().front()->setFrame(partLeftInCavity());
    const Clock::time_point edge = Clock::now();
    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return activeOnBoard(2); }, kPatientWaitMs));
    EXPECT_TRUE(activeOnBoard(0)) << "NG pulse: clamp prohibited";
    EXPECT_FALSE(activeOnBoard(1)) << "NG pulse: ejector released";
    Clock::time_point alarmAt;
    ASSERT_TRUE(firstCommandWithActive(2, edge, &alarmAt));
    // 500 ms later the three outputs are back at rest.
    ASSERT_TRUE(waitFor([this] { return heldOutputs() == restWord(); }, kPatientWaitMs));
    const double pulseMs = std::chrono::duration<double, std::milli>(Clock::now() - alarmAt).count();
    // Nominally 500 ms; on a loaded machine the alarm word can reach the board a little after the
    // pulse timer started. Outputs that never pulse, or fall back at once, read well under this.
    EXPECT_GE(pulseMs, 250);
    EXPECT_EQ(window->alarmState, 1) << "pulse mode raises no standing alarm";
    ASSERT_TRUE(waitFor([] { return !pictures(1, 2, "NG").isEmpty(); }, kPatientWaitMs));
    const QStringList ng = pictures(1, 2, "NG");
    ASSERT_EQ(ng.size(), 1);
    EXPECT_TRUE(ng[0].startsWith(QStringLiteral("1_"))) << ng[0].toStdString();
    EXPECT_EQ(cycleCount, 1);
    EXPECT_EQ(ngCounts[0], 1);
}

TEST_F(ResultCycleTest, ProductAlarmOfTheSecondCameraAndItsClearingRecheck)
{
    params->triggerDelay[1] = 5;
    build(2);
    addPartRegion(0, 0);
    addPartRegion(1, 0);
    addPartRegion(0, 1);
    addPartRegion(1, 1);
    CycleCamera* second = CycleCamera::opened().at(1);
    second->setFrame(partLeftInCavity());
    setInput(0, true);
    ASSERT_TRUE(waitFor([this] { return window->alarmState == 2; }, kPatientWaitMs));
    ASSERT_TRUE(waitFor([this] { return activeOnBoard(2); }, kPatientWaitMs));
    EXPECT_EQ(readRegisters(modbusPort, 150, 1), (std::vector<int>{2}));
    EXPECT_EQ(readRegisters(modbusPort, 153, 4), (std::vector<int>{1, 1, 1, 2}));
    EXPECT_EQ(readRegisters(modbusPort, 1, 1), (std::vector<int>{1})) << "product alarm";
    EXPECT_EQ(lastRemark(), tableText(151).arg(2).chopped(1) + tableText(152));
    EXPECT_EQ(window->runState, 3);
    EXPECT_EQ(cycleCount, 0) << "counted after the cavity check";

    // An OK re-check clears the product alarm; the cavity check of the same cycle follows on
    // the next tick with its own delay and permits the clamp.
    second->setFrame(emptyCavity());
    waitFrameTaken(second);
    window->RunAlgorithm(0, 0);
    window->RunAlgorithm(1, 0);
    window->CheckNG(true);
    EXPECT_EQ(window->alarmState, 1);
    EXPECT_EQ(window->runState, 1);
    ASSERT_TRUE(waitFor([this] { return !activeOnBoard(2) && !activeOnBoard(1); }, kPatientWaitMs));
    ASSERT_TRUE(waitFor([this] { return !activeOnBoard(0); }, kPatientWaitMs)) << "the cavity check of the cycle ran";
    EXPECT_EQ(cycleCount, 1);
    EXPECT_EQ(ngCounts[0], 0);
    EXPECT_EQ(ngCounts[1], 1);
    EXPECT_EQ(ngCycleCount, 1);
}

TEST_F(ResultCycleTest, ManualRoundIsEvaluatedButNotCounted)
{
    params->productCheckEnabled = 0;
    build();
    addPartRegion(0, 1);
    QFile::remove(QStringLiteral("count.txt"));
    window->manualRound = true;
    window->curDet = 1;
    window->RunAlgorithm(0, 1);
    window->CheckNG();
    EXPECT_FALSE(window->manualRound);
    EXPECT_EQ(cycleCount, 0);
    EXPECT_TRUE(QFile::exists(QStringLiteral("count.txt"))) << "count.txt is written after a cavity round";
}

}  // namespace
