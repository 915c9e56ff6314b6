// A page of the system parameter dialog: loads its widgets from the edit copy of the system
// parameters and writes them back into it. Pages never touch the active copy.
#pragma once

#include <QWidget>

class TabParamWidget : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

    // Widgets <- edit copy (editParams).
    virtual void loadParam() = 0;
    // Widgets -> edit copy.
    virtual void saveParam() = 0;
};
