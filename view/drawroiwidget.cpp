#include "view/drawroiwidget.h"

DrawROIWidget::DrawROIWidget(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QStringLiteral("QWidget{background-color:#353D45;outline:0px;border:none;}"));
}
