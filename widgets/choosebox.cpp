#include "widgets/choosebox.h"

#include "core/globals.h"
#include "widgets/boxframe.h"
#include "widgets/colorbutton.h"

#include <QPainter>

ChooseBox::ChooseBox(QWidget* parent, int width, int height)
    : QDialog(parent)
    , m_width(width)
    , m_height(height)
{
    setWindowFlags(Qt::CustomizeWindowHint);
    setGeometry(centredBoxRect(width, height));
    m_yes = new ColorButton(tableText(122), this, 0);
    m_yes->setGeometry(width / 2 - 270, height / 2 + 50, 220, 100);
    connect(m_yes, &QPushButton::clicked, this, &QDialog::accept);
    m_no = new ColorButton(tableText(123), this, 0);
    m_no->setGeometry(width / 2 + 50, height / 2 + 50, 220, 100);
    connect(m_no, &QPushButton::clicked, this, &QDialog::reject);
    hide();
}

void ChooseBox::setText(QString text)
{
    m_text = text;
}

void ChooseBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The question stands at the bottom of the upper part, just above the buttons.
    paintPictureBox(painter, m_width, m_height, QRect(0, 0, m_width, m_height / 2 - 50),
                    Qt::AlignHCenter | Qt::AlignBottom, m_text);
}
