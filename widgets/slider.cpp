#include "widgets/slider.h"

#include "core/globals.h"
#include "widgets/colorbutton.h"
#include "widgets/edit.h"
#include "widgets/kitfont.h"
#include "widgets/windowhelpers.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <climits>

namespace {

// The shared pictures loaded at start-up; a missing one draws nothing in its place.
void drawPicture(QPainter& painter, const QRect& target, const QPixmap* picture)
{
    if (picture && !picture->isNull())
        painter.drawPixmap(target, *picture);
}

int saturated(qint64 value)
{
    return static_cast<int>(qBound<qint64>(INT_MIN, value, INT_MAX));
}

}  // namespace

Slider::Slider(int minimum, int maximum, int pageStep, int value, QWidget* parent, const QString& objectName)
    : QAbstractSlider(parent)
{
    setOrientation(Qt::Horizontal);
    setObjectName(objectName);
    setMinimum(minimum);
    setMaximum(maximum);
    setPageStep(pageStep);
    setValue(value);

    m_plusButton = new ColorButton(QStringLiteral("+ 1"), this, 0);
    m_plusButton->setFixedSize(70, 41);
    connect(m_plusButton, &QPushButton::clicked, this, &Slider::Add);
    makeAutoRepeat(m_plusButton);

    m_minusButton = new ColorButton(QStringLiteral("- 1"), this, 0);
    m_minusButton->setFixedSize(70, 41);
    connect(m_minusButton, &QPushButton::clicked, this, &Slider::Sub);
    makeAutoRepeat(m_minusButton);

    m_valueField = new Edit(Edit::IntegerValidator | Edit::PadInGrandparent, this, 1);
    m_valueField->setGeometry(0, 0, 0, 60);
    connect(m_valueField, &QLineEdit::textChanged, this, &Slider::SetText);
}

void Slider::reset(int minimum, int maximum, int pageStep, int value, const QString& objectName)
{
    setObjectName(objectName);
    setMinimum(minimum);
    setMaximum(maximum);
    setPageStep(pageStep);
    setValue(value);
    m_pressPoint = QPoint(-1, -1);
}

void Slider::Add()
{
    setValue(saturated(qint64(value()) + 1));
}

void Slider::Sub()
{
    setValue(saturated(qint64(value()) - 1));
}

void Slider::SetText(const QString& text)
{
    bool ok = false;
    const uint number = text.toUInt(&ok, 10);
    setValue(ok ? static_cast<int>(qMin<uint>(number, INT_MAX)) : 0);
}

void Slider::resizeEvent(QResizeEvent*)
{
    m_trackWidth = width() - 390;
    m_trackMargin = static_cast<int>(m_trackWidth * 0.03);
    m_fillWidth = static_cast<int>(m_trackWidth * 0.935);
    const int buttonY = (height() - 28) / 2 - 6;
    m_plusButton->move(width() - 70, buttonY);
    m_minusButton->move(240, buttonY);
}

int Slider::fillFor(int value) const
{
    const qint64 range = qint64(maximum()) - minimum();
    if (range <= 0 || m_fillWidth <= 0)
        return 0;
    const float fill = float(m_fillWidth) * float(qint64(value) - minimum()) / float(range);
    return static_cast<int>(fill);
}

void Slider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(Qt::green);
    painter.setFont(QFont(QLatin1String(kKitFontFamily), 16));

    painter.drawText(QRect(0, 0, 140, height()), Qt::AlignLeft | Qt::AlignVCenter, objectName());

    const QRect valueRect(155, 3, 80, height() - 6);
    drawPicture(painter, valueRect, editPixmap);
    painter.drawText(valueRect, Qt::AlignCenter, QString::number(value()));

    drawPicture(painter, QRect(315, 3, m_trackWidth, height() - 6), sliderTrackPixmap);

    const int fill = fillFor(value());
    drawPicture(painter, QRect(315 + m_trackMargin, 11, fill, height() - 22), sliderFillPixmap);

    m_handleX = 315 + m_trackMargin + fill;
    m_handleY = 3;
    m_handleWidth = 10;
    m_handleHeight = height() - 6;
    drawPicture(painter, handleRect(), sliderHandlePixmap);
}

void Slider::mousePressEvent(QMouseEvent* event)
{
    const int x = event->pos().x();
    // The handle with 20 pixels of grace on either side arms a drag.
    if (m_handleX - 20 <= x && x < m_handleX + m_handleWidth + 20)
        m_pressPoint = event->pos();
    else
        m_pressPoint = QPoint(-1, -1);
}

void Slider::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressPoint.x() <= 0)
        return;
    const qint64 range = qint64(maximum()) - minimum();
    if (range <= 0 || m_fillWidth <= 0)
        return;  // nothing to move along
    // Small movements accumulate until they make a whole step.
    const int delta = static_cast<int>(float(event->pos().x() - m_pressPoint.x()) / float(m_fillWidth) * float(range));
    if (delta != 0) {
        setValue(saturated(qint64(value()) + delta));
        m_pressPoint = event->pos();
    }
}

void Slider::mouseReleaseEvent(QMouseEvent* event)
{
    m_pressPoint = QPoint(-1, -1);
    const int x = event->pos().x();
    if (135 <= x && x < 215) {
        // Over the value: the hidden value field becomes the current edit and opens its pad.
        QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
        QCoreApplication::sendEvent(m_valueField, &focusIn);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(0, 0), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_valueField, &release);
    }
}
