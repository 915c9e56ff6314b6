#include "widgets/choosemodifytime.h"

#include "core/globals.h"
#include "widgets/boxframe.h"
#include "widgets/colorbutton.h"
#include "widgets/editdatetime.h"

#include <QPainter>

ModifyTimeWidget::ModifyTimeWidget(QWidget* parent)
    : ChooseBox(parent, 750, 370)
{
    m_dateTime = new EditDateTime(QString(), this);
    m_dateTime->setGeometry(0, 50, 280, 60);
    m_yes->setText(tableText(121));
    m_no->setText(tableText(124));
}

void ModifyTimeWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintBackgroundPicture(painter, width(), height());
}
