// The side panel at the right of the camera area: the main menu, or the region and template
// panel while an NG alarm is handled or regions are edited. GUI thread only.
#pragma once

#include <QWidget>

class DrawROIWidget;
class Main_MenuBtnWidget;
class QStackedWidget;

class MenuBtnWidget : public QWidget {
    Q_OBJECT

public:
    // A column 100 pixels wide showing the main menu (page 0); the region panel is page 1.
    explicit MenuBtnWidget(QWidget* parent = nullptr);

    // 0 shows the main menu; 2 and 3 (the NG alarm and region editing) the region panel; any
    // other value only repaints.
    void setPage(int page);

    QStackedWidget* stack = nullptr;
    Main_MenuBtnWidget* mainMenu = nullptr;
    DrawROIWidget* regionPanel = nullptr;
};
