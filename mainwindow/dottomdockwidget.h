// The bottom bar along the foot of the main window: the IO lamp row, the clock with the last
// cycle time, and the re-sample and start/stop buttons. GUI thread only.
#pragma once

#include <QWidget>

class DottomDock_Describe;
class IOStatusWidget_2;
class QPushButton;

class DottomDockWidget : public QWidget {
    Q_OBJECT

public:
    // Builds the bar; its buttons reach the main window through `mainWindow` when pressed, and
    // the start/stop button shows the run state the window has now.
    explicit DottomDockWidget(QWidget* parent = nullptr);

    // "停止检测" in the red running style while running, "开始检测" otherwise.
    void setRunning(bool running);

    IOStatusWidget_2* ioLamps = nullptr;
    DottomDock_Describe* describe = nullptr;
    QPushButton* repickButton = nullptr;
    QPushButton* startStopButton = nullptr;
};
