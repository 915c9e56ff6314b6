#include "widgets/numberkeypad.h"

#include "widgets/colorbutton.h"
#include "widgets/currentedit.h"
#include "widgets/edit.h"
#include "widgets/padpainting.h"

#include <QButtonGroup>

namespace {

ColorButton* makeKey(const QString& text, QWidget* pad, int x, int y)
{
    auto key = new ColorButton(text, pad, 0);
    key->setFocusPolicy(Qt::NoFocus);
    key->setGeometry(x, y, 100, 70);
    return key;
}

}  // namespace

NumberKeyPad::NumberKeyPad(QWidget* edit) : QWidget(edit), m_boundEdit(qobject_cast<Edit*>(edit))
{
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(0, 0, 427, 230);

    // Digit d sits in slot d - 1 (digit 0 in slot 9): four keys per row, 106 pixels apart.
    m_buttonGroup = new QButtonGroup(this);
    for (int digit = 0; digit <= 9; ++digit) {
        const int slot = digit == 0 ? 9 : digit - 1;
        m_buttonGroup->addButton(makeKey(QStringLiteral("%1").arg(digit), this, 5 + 106 * (slot % 4), 5 + 76 * (slot / 4)),
                                 digit);
    }
    m_backspaceKey = makeKey(tr("退格"), this, 217, 157);
    m_okKey = makeKey(tr("确定"), this, 323, 157);

    connect(m_buttonGroup, &QButtonGroup::idClicked, this, &NumberKeyPad::setContent);
    connect(m_backspaceKey, &QPushButton::clicked, this, &NumberKeyPad::eraseContent);
    connect(m_okKey, &QPushButton::clicked, this, &NumberKeyPad::HideUpdate);
}

void NumberKeyPad::paintEvent(QPaintEvent* event)
{
    paintPadBackground(this, event);
}

void NumberKeyPad::setContent(int id)
{
    if (m_boundEdit)
        m_boundEdit->appendKey(m_buttonGroup->button(id)->text(), m_firstKey);
    m_firstKey = false;
}

void NumberKeyPad::eraseContent()
{
    // Emptying the edit makes the next key replace.
    if (m_boundEdit)
        m_boundEdit->backspace(&m_firstKey);
}

void NumberKeyPad::eraseAll()
{
    if (m_boundEdit) {
        m_boundEdit->clear();
        m_boundEdit->setCursorPosition(0);
    }
    m_firstKey = true;
}

void NumberKeyPad::HideUpdate()
{
    QWidget* edit = currentEditWidget();
    if (edit && edit->hasFocus())
        edit->clearFocus();
    // An edit driven without the focus (a slider's value field) keeps this pad for its next tap.
    if (isVisible())
        close();
}
