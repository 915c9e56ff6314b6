#include "widgets/choosecalinum.h"

#include "widgets/boxframe.h"
#include "widgets/combobox.h"
#include "widgets/kitfont.h"

#include <QFont>
#include <QPainter>

ChooseCaliNumWidget::ChooseCaliNumWidget(QWidget* parent)
    : ChooseBox(parent, 750, 370)
{
    m_points = new ComboBox(this);
    m_points->addItems({QStringLiteral(" 4 "), QStringLiteral(" 9 "), QStringLiteral(" 25 ")});
    setComboFont(m_points, QFont(QLatin1String(kKitFontFamily), 33));
    m_points->move((m_width - 200) / 2, m_height / 4 + 30);
    m_points->setFixedSize(200, 50);
    setComboStyle(m_points, 50);
}

void ChooseCaliNumWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintPictureBox(painter, m_width, m_height, QRect(50, 50, m_width, 50), Qt::AlignCenter, m_text);
}
