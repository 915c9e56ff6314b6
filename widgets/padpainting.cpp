#include "widgets/padpainting.h"

#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

void paintPadBackground(QWidget* pad, QPaintEvent* event)
{
    QPainter painter(pad);
    painter.fillRect(event->rect(), QColor(255, 251, 240, 200));
    painter.setPen(QColor(QStringLiteral("#191532")));
    painter.drawRect(0, 0, pad->width() - 1, pad->height() - 1);
}
