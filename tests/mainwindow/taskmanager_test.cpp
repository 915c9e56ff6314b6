#include "mainwindow/taskmanager.h"
#include "tests/mainwindow/windowfixture.h"
#include "tests/support/eventwait.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Counts the paint events of the widget it watches.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
    int paints = 0;
};

using TaskManagerTest = MainWindowFixture;

}  // namespace

TEST_F(TaskManagerTest, RepaintsTheClockEvery100msOnceTheMainWindowExists)
{
    TaskManager* task = TaskManager::instance(nullptr);
    EXPECT_EQ(TaskManager::instance(qApp), task);
    EXPECT_EQ(task->parent(), nullptr);

    // Before the main window exists a round does nothing.
    ASSERT_EQ(mainWindow, nullptr);
    task->SlotLoopShowTask();

    build();
    // The machine cycle repaints the camera views on every tick; it is held here so that only
    // the task's repaints are counted.
    window->runTimer->stop();
    // The bottom bar's clock field, found however deep it sits.
    QWidget* field = window->findChild<QWidget*>(QStringLiteral("DottomDock_Describe_part1"));
    ASSERT_NE(field, nullptr);
    PaintCounter counter;
    field->installEventFilter(&counter);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QTest::qWait(50);
    const int before = counter.paints;

    QElapsedTimer running;
    running.start();
    task->start();
    ASSERT_TRUE(waitUntil([&] { return counter.paints - before >= 3; }, kPatientWaitMs)) << "the clock was not repainted";
    // No more often than every 100 ms (a slow machine only makes the rounds rarer).
    EXPECT_LE(counter.paints - before, 2 + running.elapsed() / 100);
}
