#include "widgets/boxframe.h"

#include "core/globals.h"
#include "widgets/kitfont.h"
#include "widgets/textfit.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <algorithm>

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
    painter.setFont(QFont(QLatin1String(kKitFontFamily), 15));
}

void paintBoxMessage(QPainter& painter, int boxWidth, int top, int height, const QString& message)
{
    const QRect room(kBoxMessageMargin, top, boxWidth - 2 * kBoxMessageMargin, height);
    painter.drawText(room, Qt::AlignCenter, wrappedAtPhrases(painter.font(), message, room.width()));
}

void paintBackgroundPicture(QPainter& painter, int width, int height)
{
    if (backgroundPixmap && !backgroundPixmap->isNull())
        painter.drawPixmap(QRect(0, 0, width, height), *backgroundPixmap);
}

void paintPictureBox(QPainter& painter, int width, int height, const QRect& messageRect, int alignment,
                     const QString& message)
{
    paintBackgroundPicture(painter, width, height);
    painter.setPen(Qt::red);
    painter.setFont(QFont(QLatin1String(kKitFontFamily), 40));
    painter.drawText(messageRect, alignment, message);
    painter.setPen(QPen(Qt::white, 5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, width - 1, height - 1);
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

QPoint keptOnScreen(const QPoint& wanted, const QSize& size)
{
    const int x = std::max(0, std::min(wanted.x(), screenWidth - size.width()));
    const int y = std::max(0, std::min(wanted.y(), screenHeight - size.height()));
    return QPoint(x, y);
}
