#include "widgets/windowhelpers.h"

#include <QAbstractButton>
#include <QWidget>

void makeAutoRepeat(QAbstractButton* button)
{
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(300);
    button->setAutoRepeatInterval(50);
}

void setWindowStayOnTop(QWidget* widget, bool onTop)
{
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::FramelessWindowHint;
    if (onTop)
        flags |= Qt::WindowStaysOnTopHint;
    widget->setWindowFlags(flags);
}
