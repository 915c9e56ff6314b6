#include "mainwindow/taskmanager.h"

#include "core/globals.h"
#include "mainwindow/mojuwizard.h"
#include "view/camerawgtbox.h"
#include "view/camerawgtdatawidget.h"
#include "view/camerawgttitle.h"

#include <QTimer>

namespace {
constexpr int kRepaintIntervalMs = 100;
}

TaskManager* TaskManager::instance(QObject* parent)
{
    static TaskManager* task = new TaskManager(parent);
    return task;
}

TaskManager::TaskManager(QObject* parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
{
    // Queued, so a repaint round never runs inside whatever emitted the timeout.
    connect(m_timer, &QTimer::timeout, this, &TaskManager::SlotLoopShowTask, Qt::QueuedConnection);
}

void TaskManager::start()
{
    m_timer->start(kRepaintIntervalMs);
}

void TaskManager::SlotLoopShowTask()
{
    if (!mainWindow)
        return;
    // The clock field of the bottom bar paints the present time and the last cycle duration.
    if (QWidget* clock = mainWindow->findChild<QWidget*>(QStringLiteral("DottomDock_Describe_part1")))
        clock->update();
    // The title on show of every visible camera cell: run state, countdown, counters, verdict.
    if (const CameraWgtBox* box = mainWindow->cameraBox) {
        for (CameraWgt_DataWidget* cell : box->cells)
            if (cell->isVisible())
                cell->currentTitle()->refreshText();
    }
}
