#include "widgets/editbox.h"

#include "core/globals.h"
#include "widgets/colorbutton.h"
#include "widgets/editparam.h"
#include "widgets/kitfont.h"
#include "widgets/numberkeypad.h"
#include "widgets/windowhelpers.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLocale>

#include <climits>

namespace {

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::All, QPalette::WindowText, colour);
    widget->setPalette(palette);
}

int saturated(qint64 value)
{
    return static_cast<int>(qBound<qint64>(INT_MIN, value, INT_MAX));
}

}  // namespace

EditBox::EditBox(int minimum, int maximum, QWidget* parent, const QString& label, const QString& unit, int mode,
                 int divisor)
    : QWidget(parent), m_minimum(minimum), m_maximum(maximum), m_divisor(divisor), m_mode(mode), m_labelText(label)
{
    const QFont font(QLatin1String(kKitFontFamily), 27);

    m_label = new QLabel(m_labelText, this);
    m_label->setFixedSize(120, 50);
    setTextColour(m_label, Qt::yellow);
    m_label->setFont(font);
    m_label->setAlignment(Qt::AlignCenter);

    // The step texts are in display units: "- 0.5" for five tenths.
    auto makeStep = [this](const char* sign, int step, void (EditBox::*slot)()) {
        const QString text = QStringLiteral("%1 %2").arg(QLatin1String(sign)).arg(
            double(step) / m_divisor, 0, 'g', QLocale::FloatingPointShortest);
        auto button = new ColorButton(text, this, 0);
        button->setFixedSize(130, 50);
        connect(button, &QPushButton::clicked, this, slot);
        makeAutoRepeat(button);
        return button;
    };
    m_minusFive = makeStep("-", 5, &EditBox::SubFive);
    m_minusOne = makeStep("-", 1, &EditBox::SubOne);

    m_field = new EditParam(Edit::IntegerValidator | Edit::PadInGrandparent, unit, this);
    m_field->setFixedSize(150, 50);
    m_field->setFrame(true);
    m_field->setFont(font);
    m_field->setRange(m_minimum, m_maximum);
    m_field->intValidator()->setRange(m_minimum, m_maximum);
    connect(m_field, &Edit::sig_keyPress, this, &EditBox::keyBoardValue);
    connect(m_field, &Edit::focusOut, this, &EditBox::CheckRange);

    m_plusOne = makeStep("+", 1, &EditBox::AddOne);
    m_plusFive = makeStep("+", 5, &EditBox::AddFive);

    m_layout = new QHBoxLayout(this);
    m_layout->addWidget(m_label);
    m_layout->addWidget(m_minusFive);
    m_layout->addWidget(m_minusOne);
    m_layout->addWidget(m_field);
    m_layout->addWidget(m_plusOne);
    m_layout->addWidget(m_plusFive);
    m_layout->setSpacing(10);
    m_layout->setContentsMargins(40, 0, 0, 0);
    m_layout->setSizeConstraint(QLayout::SetFixedSize);
}

void EditBox::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
    m_field->setRange(minimum, maximum);
    m_field->intValidator()->setRange(minimum, maximum);
}

void EditBox::setZeroAllowed(bool allowed)
{
    m_zeroAllowed = allowed;
}

void EditBox::stepBy(int delta)
{
    m_value = saturated(qint64(m_value) + delta);
    CheckRange();
}

void EditBox::AddOne()
{
    stepBy(1);
}

void EditBox::SubOne()
{
    stepBy(-1);
}

void EditBox::AddFive()
{
    stepBy(5);
}

void EditBox::SubFive()
{
    stepBy(-5);
}

void EditBox::setInputValue(int value)
{
    m_value = value;
}

void EditBox::setValue(int value)
{
    m_value = value;
    CheckRange();
}

void EditBox::setValue()
{
    showValue();
}

void EditBox::keyBoardValue(int value)
{
    if (gpNumKeyPad)
        qInfo("gpNumKeyPad first key: %d", gpNumKeyPad->isFirstKey() ? 1 : 0);
    const qint64 base = gpNumKeyPad && gpNumKeyPad->isFirstKey() ? 0 : m_value;
    m_value = saturated(value >= 0 ? base * 10 + value : base / 10);
    CheckRange();
    if (gpNumKeyPad)
        gpNumKeyPad->setFirstKey(false);
}

void EditBox::CheckRange()
{
    if (m_value < m_minimum) {
        if (!(m_value == 0 && m_zeroAllowed))
            m_value = m_minimum;
    } else if (m_value > m_maximum) {
        m_value = m_maximum;
    }
    showValue();
    emit valueChanged(m_value);
}

void EditBox::showValue()
{
    if (m_mode == Integer)
        m_field->showValueText(QString::number(m_value));
    else if (m_mode == Divided)
        m_field->showValueText(QString::number(double(m_value) / m_divisor, 'g', 6));
}

void EditBox::setText(const QString& text)
{
    m_labelText = text;
    m_label->setText(text);
}

void EditBox::setSampleShow()
{
    m_minusFive->hide();
    m_minusOne->hide();
    m_plusOne->hide();
    m_plusFive->hide();
}

void EditBox::setLabelColor(const QColor& colour)
{
    setTextColour(m_label, colour);
}
