#include "io/iowidgetitem.h"

#include "widgets/kitfont.h"

#include <QPainter>

IOWidget_Item::IOWidget_Item(int index, bool isInput, QWidget* parent)
    : QPushButton(parent), isInput(isInput), index(index)
{
    setStyleSheet(QStringLiteral(
        "outline:0px;border:none;font-size:20px;color:white;background-color:transparent;"));
    setFixedSize(60, 60);
    // Like a plain widget, a lamp never takes the focus from the field being edited.
    setFocusPolicy(Qt::NoFocus);
}

void IOWidget_Item::setOn(bool state)
{
    if (state == on)
        return;
    on = state;
    update();
}

void IOWidget_Item::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = on ? QColor(Qt::green) : QColor(Qt::red);
    painter.setPen(colour);
    painter.setBrush(QBrush(colour, Qt::SolidPattern));
    painter.drawEllipse(QRect(12, 0, 36, 36));
    painter.setPen(Qt::white);
    painter.setFont(QFont(QLatin1String(kKitFontFamily), 10));
    painter.drawText(QRect(0, 40, 60, 20), Qt::AlignCenter, text());
}

void IOWidget_Item::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
}

void IOWidget_Item::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
}
