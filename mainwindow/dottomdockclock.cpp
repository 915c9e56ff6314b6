#include "mainwindow/dottomdockclock.h"

#include "core/globals.h"
#include "mainwindow/mojuwizard.h"
#include "widgets/kitfont.h"

#include <QDateTime>
#include <QPainter>

DottomDock_Describe_part1::DottomDock_Describe_part1(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DottomDock_Describe_part1"));
    setFixedHeight(60);
}

QString DottomDock_Describe_part1::cycleText(int tenths)
{
    return tr("周期%1秒").arg(tenths / 10.0, 4, 'f', 1, QLatin1Char(' '));
}

void DottomDock_Describe_part1::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    QFont font(QString::fromLatin1(kKitFontFamily));
    font.setPointSize(12);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 200, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    const int lastCycle = mainWindow ? mainWindow->lastCycle : 0;
    painter.drawText(QRect(0, 30, 100, 30), Qt::AlignLeft | Qt::AlignVCenter, cycleText(lastCycle));
    painter.end();
    QWidget::paintEvent(event);
}
