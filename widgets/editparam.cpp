#include "widgets/editparam.h"

#include "widgets/editbox.h"
#include "widgets/kitfont.h"

#include <QLabel>

#include <climits>

EditParam::EditParam(int flags, const QString& unit, EditBox* owner) : Edit(flags, owner, 1), m_owner(owner)
{
    if (!unit.isEmpty()) {
        m_charWidth = 16;
        m_unitLabel = new QLabel(unit, this);
        m_unitLabel->setFixedSize(unit.length() * m_charWidth + 10, 35);
        m_unitLabel->setAlignment(Qt::AlignCenter);
        m_unitLabel->setStyleSheet(QStringLiteral("color: #2687F2;font-family: %1;font-size: 18px;"
                                                  "background-color: transparent")
                                       .arg(QLatin1String(kKitFontFamily)));
        QMargins margins = textMargins();
        margins.setRight(m_unitLabel->width());
        setTextMargins(margins);
        connect(this, &QLineEdit::textChanged, this, &EditParam::ChangeLabelP);
        placeUnitLabel(unit.length());
    }
    setFocusPolicy(Qt::StrongFocus);
    setAlignment(Qt::AlignCenter);
}

void EditParam::showValueText(const QString& text)
{
    const int lo = minimum();
    const int hi = maximum();
    setRange(-1, -1);
    setText(text);
    setRange(lo, hi);
}

void EditParam::appendKey(const QString& key, bool replace)
{
    const int digit = key.left(1).toInt();
    const qint64 value = replace ? digit : qint64(m_owner->value()) * 10 + digit;
    m_owner->setInputValue(static_cast<int>(qBound<qint64>(INT_MIN, value, INT_MAX)));
    m_owner->CheckRange();
}

void EditParam::backspace(bool*)
{
    m_owner->setInputValue(m_owner->value() / 10);
    m_owner->CheckRange();
}

void EditParam::focusInEvent(QFocusEvent* event)
{
    Edit::focusInEvent(event);
}

void EditParam::focusOutEvent(QFocusEvent* event)
{
    // The edit's own event handling has emitted focusOut() already: the owner checks twice.
    emit focusOut();
    Edit::focusOutEvent(event);
}

void EditParam::ChangeLabelP(const QString& text)
{
    placeUnitLabel(text.length());
}

void EditParam::placeUnitLabel(int characters)
{
    if (!m_unitLabel)
        return;
    const int numberWidth = static_cast<int>(characters * 27 * 0.5);
    m_unitLabelX = (numberWidth + width() - m_unitLabel->width()) / 2;
    m_unitLabel->move(m_unitLabelX, (height() - m_unitLabel->height()) / 2);
}
