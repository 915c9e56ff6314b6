// A cycle step that opens a modal box (the password box at the end of template sampling) spins an
// event loop in which the cycle's timers fire. Those ticks must keep the machine watched, and no
// cycle step may start inside the one that waits.
#include "tests/mainwindow/cyclefixture.h"

#include "io/iothread.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace {

TEST_F(CycleTest, TicksDuringThePasswordBoxWatchButStartNoCycle)
{
    params->passwordEnabled = 1;
    params->triggerDelay[0] = 0;
    params->triggerDelay[1] = 0;
    build();
    window->saveAllFlag = true;

    // Template re-sampling: the next check of each enabled detect stores template 0; when the
    // last one is stored the password decides between region review and detection.
    window->runState = 2;
    window->cameraViews[0]->samplingPending[0] = true;
    window->cameraViews[0]->samplingPending[1] = true;

    struct Seen {
        bool boxShown = false;
        int checksDuringBox = -1;
        qint64 stampDuringBox = 0;
        bool clampReleasedBeforeLoss = false;
        bool clampCutWhileLost = false;
        bool runTimerArmed = false;
        size_t pollsAfterTenSeconds = 0;
    } seen;
    qint64 stampBefore = 0;
    QElapsedTimer boxOpen;
    QTimer watcher;
    int stage = 0;
    // Runs inside the box's event loop.
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (!QApplication::activeModalWidget())
            return;
        if (stage == 0) {
            seen.boxShown = true;
            boxOpen.start();
            stampBefore = window->cycleStamp;
            setInput(0, false);
            stage = 1;
        } else if (stage == 1 && boxOpen.elapsed() > 300) {
            // The mould opens again while the box waits.
            setInput(0, true);
            stage = 2;
        } else if (stage == 2 && boxOpen.elapsed() > 1300) {
            seen.checksDuringBox = checksRun(0, 0) + checksRun(0, 1);
            seen.stampDuringBox = window->cycleStamp;
            controlPort->setOutput(0, false);
            controlPort->publishOutputs();
            stage = 3;
        } else if (stage == 3 && boxOpen.elapsed() > 1800) {
            seen.clampReleasedBeforeLoss = !activeOnBoard(0);
            window->cameraViews[0]->cameraConnected = false;
            stage = 4;
        } else if (stage == 4 && boxOpen.elapsed() > 2600) {
            seen.clampCutWhileLost = activeOnBoard(0);
            window->cameraViews[0]->cameraConnected = true;
            stage = 5;
        } else if (stage == 5 && boxOpen.elapsed() > 11000) {
            // Past the IO thread's 10 s watchdog: the board must still be polled.
            const size_t polls = board.hostFrameCount(2);
            stage = 6;
            QTimer::singleShot(500, [&, polls] {
                seen.pollsAfterTenSeconds = board.hostFrameCount(2) - polls;
                seen.runTimerArmed = window->runTimer->isActive();
                if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                    dialog->reject();
            });
        }
    });
    watcher.start(20);

    setInput(0, true);
    ASSERT_TRUE(waitFor([&] { return stage >= 6 && !QApplication::activeModalWidget(); }, 20000));
    watcher.stop();

    ASSERT_TRUE(seen.boxShown);
    EXPECT_EQ(seen.checksDuringBox, 2) << "a check ran inside the sampling step";
    EXPECT_EQ(seen.stampDuringBox, stampBefore) << "a machine cycle started inside the sampling step";
    EXPECT_TRUE(seen.clampReleasedBeforeLoss);
    EXPECT_TRUE(seen.clampCutWhileLost) << "a camera lost during the box left the clamp released";
    EXPECT_GT(seen.pollsAfterTenSeconds, 20u);
    EXPECT_TRUE(seen.runTimerArmed);

    // Password refused: detection goes on with the next mould opening.
    EXPECT_EQ(window->runState, 1);
    setInput(0, false);
    pump(200);
    setInput(0, true);
    EXPECT_TRUE(waitFor([] { return checksRun(0, 0) == 2; }, kPatientWaitMs));
}

}  // namespace
