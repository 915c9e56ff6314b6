#include "widgets/boxframe.h"

#include "core/globals.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QWidget>

QRect centredBoxRect(int w, int h)
{
    return QRect(screenWidth / 2 - w / 2, screenHeight / 2 - h / 2, w, h);
}

void paintBoxFrame(QPainter& painter, int width, int height)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(QStringLiteral("#353D45")));
    painter.drawRect(0, 0, width, 60);
    painter.setBrush(QColor(QStringLiteral("#262E34")));
    painter.drawRect(0, 60, width, height - 60);
    painter.setPen(Qt::white);
    painter.setFont(QFont(QStringLiteral("SimHei"), 15));
}

QPoint summedPosition(const QWidget* widget)
{
    QPoint sum = widget->pos();
    if (const QWidget* parent = widget->parentWidget()) {
        sum += parent->pos();
        if (const QWidget* grandparent = parent->parentWidget())
            sum += grandparent->pos();
    }
    return sum;
}
