#include "widgets/cancelbtn.h"

cancelbtn::cancelbtn(QWidget* parent)
    : QPushButton(parent)
{
    setText(tr("取消"));
    setFixedSize(135, 60);
    setStyleSheet(QStringLiteral("QPushButton{width: 135px;height: 60px;background-color: #CCCCCC;color: #F24C3F;"
                                 "font: 24px;border-radius: 4px;opacity: 1;border: 1px solid #999999}"));
}
