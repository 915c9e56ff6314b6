#include "mainwindow/taskmanager.h"
#include "tests/mainwindow/windowfixture.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Stands where the bottom bar's clock field sits and counts its repaints.
class ClockField : public QWidget {
public:
    explicit ClockField(QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("DottomDock_Describe_part1"));
    }
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
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
    auto* holder = new QWidget(window);  // found however deep it sits
    auto* clock = new ClockField(holder);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QTest::qWait(50);
    const int before = clock->paints;

    task->start();
    QTest::qWait(550);
    EXPECT_GE(clock->paints - before, 3);
    EXPECT_LE(clock->paints - before, 7);
}
