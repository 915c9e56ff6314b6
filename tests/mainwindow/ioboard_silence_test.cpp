// The whole window over the IO board simulator when the board falls silent and comes back: the
// program log, the operation log and the IO lamp row each say so once each way.
#include "tests/mainwindow/cyclefixture.h"

#include "io/iostatuswidget.h"
#include "mainwindow/dottomdockwidget.h"
#include "tests/core/logcapture.h"
#include "tests/core/paramtestdb.h"

#include <QLabel>

#include <string>

namespace {

int linesWith(LogCapture& log, const std::string& text)
{
    int n = 0;
    for (const std::string& line : log.lines())
        n += line.find(text) != std::string::npos ? 1 : 0;
    return n;
}

int operationLogRows(const QString& remark)
{
    return sqliteValue(QStringLiteral("RECORD.db"),
                       QStringLiteral("select count(*) from RECORD where remarks = '%1'").arg(remark))
        .toInt();
}

TEST_F(CycleTest, ASilentBoardIsToldOnceEachWayInTheLogTheOperationLogAndTheLampRow)
{
    LogCapture log;
    build();
    QLabel* notice = window->bottomBar->ioLamps->boardSilentNotice();
    ASSERT_FALSE(notice->isVisibleTo(window));

    board.injectFault(IOBoardSimulator::Fault::Silence, IOBoardSimulator::kForever);
    ASSERT_TRUE(waitFor([&] { return operationLogRows(QStringLiteral("IO板无应答")) == 1; }, kPatientWaitMs))
        << "the operation log never got the silent board";
    ASSERT_TRUE(waitFor([&] { return notice->isVisibleTo(window); }, kPatientWaitMs))
        << "the lamp row never showed the silent board";
    EXPECT_EQ(linesWith(log, "IO board not answering"), 1);
    // The bottom bar as the operator sees it, when MONITOR_TEST_SHOTS names a folder.
    const QString shots = QString::fromLocal8Bit(qgetenv("MONITOR_TEST_SHOTS"));
    if (!shots.isEmpty()) {
        // At the width of the panel's screen, not the test screen's.
        window->bottomBar->setFixedWidth(1920);
        window->bottomBar->show();
        window->bottomBar->grab().save(shots + QStringLiteral("/bottom-bar-board-silent.png"));
    }

    board.clearFaults();
    ASSERT_TRUE(waitFor([&] { return operationLogRows(QStringLiteral("IO板恢复应答")) == 1; }, kPatientWaitMs))
        << "the operation log never got the board's return";
    ASSERT_TRUE(waitFor([&] { return !notice->isVisibleTo(window); }, kPatientWaitMs))
        << "the lamp row never showed the board's return";
    // A few more of the board's answers: nothing more is said.
    ASSERT_TRUE(board.waitForHostFrames(2, board.hostFrameCount(2) + 20, kPatientWaitMs));
    QCoreApplication::processEvents();
    EXPECT_EQ(operationLogRows(QStringLiteral("IO板无应答")), 1);
    EXPECT_EQ(operationLogRows(QStringLiteral("IO板恢复应答")), 1);
    EXPECT_EQ(linesWith(log, "IO board not answering"), 1);
    EXPECT_EQ(linesWith(log, "IO board answers again"), 1);
}

}  // namespace
