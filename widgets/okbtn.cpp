#include "widgets/okbtn.h"

okbtn::okbtn(QWidget* parent)
    : QPushButton(parent)
{
    setText(tr("确定"));
    setFixedSize(135, 60);
    setStyleSheet(QStringLiteral("QPushButton{width: 135px;height: 60px;background-color: #2687F2;color: #FFFFFF;"
                                 "font: 24px;border-radius: 4px;opacity: 1;}"));
}
