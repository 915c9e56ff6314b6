#include "widgets/numberinput.h"

#include "core/globals.h"
#include "widgets/colorbutton.h"
#include "widgets/currentedit.h"
#include "widgets/edit.h"
#include "widgets/padpainting.h"

#include <QButtonGroup>

namespace {

ColorButton* makeKey(const QString& text, QWidget* pad, int slot)
{
    auto key = new ColorButton(text, pad, 0);
    key->setFocusPolicy(Qt::NoFocus);
    key->setGeometry(5 + 105 * (slot % 4), 5 + 75 * (slot / 4), 100, 70);
    return key;
}

Edit* currentEdit()
{
    return qobject_cast<Edit*>(currentEditWidget());
}

}  // namespace

NumberInput::NumberInput(QWidget* parent) : QWidget(parent)
{
    setWindowFlags(Qt::CustomizeWindowHint);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(0, 0, 427, 230);

    // Key id k shows the digit k + 1, the last one 0.
    m_buttonGroup = new QButtonGroup(this);
    for (int id = 0; id < 10; ++id) {
        m_digitKeys[id] = makeKey(QStringLiteral("%1").arg((id + 1) % 10), this, id);
        m_buttonGroup->addButton(m_digitKeys[id], id);
    }
    m_backspaceKey = makeKey(tableText(157), this, 10);
    m_okKey = makeKey(tableText(121), this, 11);

    connect(m_buttonGroup, &QButtonGroup::idClicked, this, &NumberInput::setContent);
    connect(m_backspaceKey, &QPushButton::clicked, this, &NumberInput::eraseContent);
    connect(m_okKey, &QPushButton::clicked, this, &NumberInput::HideUpdate);
    hide();
}

NumberInput::~NumberInput()
{
    if (gpNumberInput == this)
        gpNumberInput = nullptr;
}

void NumberInput::mousePressEvent(QMouseEvent*) {}

void NumberInput::mouseReleaseEvent(QMouseEvent*) {}

void NumberInput::paintEvent(QPaintEvent* event)
{
    paintPadBackground(this, event);
}

void NumberInput::setContent(int id)
{
    if (Edit* edit = currentEdit())
        edit->appendKey(m_digitKeys[id]->text(), m_firstKey);
    m_firstKey = false;
}

void NumberInput::eraseContent()
{
    if (Edit* edit = currentEdit())
        edit->backspace(&m_firstKey);
}

void NumberInput::eraseAll()
{
    if (Edit* edit = currentEdit()) {
        edit->clear();
        edit->setCursorPosition(0);
    }
    m_firstKey = true;
}

void NumberInput::HideUpdate() {}
