#include "mainwindow/menubtnwidget.h"

#include "mainwindow/main_menubtnwidget.h"
#include "view/drawroiwidget.h"

#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
constexpr int kPanelWidth = 100;
}

MenuBtnWidget::MenuBtnWidget(QWidget* parent)
    : QWidget(parent)
    , stack(new QStackedWidget)
{
    setFixedWidth(kPanelWidth);
    auto* column = new QVBoxLayout(this);
    column->setSpacing(0);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(stack);

    mainMenu = new Main_MenuBtnWidget(nullptr);
    mainMenu->setObjectName(QStringLiteral("_Main_MenuBtn"));
    stack->addWidget(mainMenu);
    regionPanel = new DrawROIWidget(nullptr);
    regionPanel->setObjectName(QStringLiteral("_DrawROI_MenuBtn"));
    stack->addWidget(regionPanel);
    stack->setCurrentIndex(0);
    update();
}

void MenuBtnWidget::setPage(int page)
{
    if (page == 0)
        stack->setCurrentIndex(0);
    else if (page == 2 || page == 3)
        stack->setCurrentIndex(1);
    // A page that hid itself (the region panel when it closes) is shown again.
    if (page == 0 || page == 2 || page == 3)
        stack->currentWidget()->show();
    update();
}
