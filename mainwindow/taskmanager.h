// The repaint task: one process-wide 100 ms timer that keeps the clock of the bottom bar and the
// camera titles current, instead of a timer in every widget. GUI thread only.
#pragma once

#include <QObject>

class QTimer;

class TaskManager : public QObject {
    Q_OBJECT

public:
    // The one task object, created on first use with `parent` (later calls ignore it) and never
    // destroyed. Start-up creates it before any other thread exists, so no lock is taken.
    static TaskManager* instance(QObject* parent = nullptr);

    // Starts the repaint timer (100 ms); main calls it once the main window is shown.
    void start();

public slots:
    // One repaint round; does nothing while the main window does not exist yet.
    void SlotLoopShowTask();

private:
    explicit TaskManager(QObject* parent);

    // Child of the task object; its timeout reaches SlotLoopShowTask queued.
    QTimer* m_timer;
};
