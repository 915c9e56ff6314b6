#include "widgets/rollingboxy.h"

#include "widgets/kitfont.h"

#include <QColor>
#include <QEasingCurve>
#include <QFont>
#include <QMouseEvent>
#include <QPainter>
#include <QTime>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

RollingBoxY::RollingBoxY(int kind, int minimum, int maximum, QWidget* parent)
    : QWidget(parent)
    , m_kind(kind)
    , m_minimum(minimum)
    , m_maximum(maximum)
    , m_animation(this, "deviation")
{
    static const char* const kFormats[3] = {"hh", "mm", "ss"};
    const char* format = kFormats[kind >= 0 && kind < 3 ? kind : 0];
    m_value = QTime::currentTime().toString(QLatin1String(format)).toInt();
    setStyleSheet(QStringLiteral("background-color: white;"));
    setWindowFlags(Qt::CustomizeWindowHint | Qt::FramelessWindowHint);
    m_animation.setDuration(300);
    m_animation.setEasingCurve(QEasingCurve::OutQuad);
}

void RollingBoxY::setDeviation(int offset)
{
    m_offset = offset;
    update();
}

void RollingBoxY::setValue(int value)
{
    m_value = value;
    update();
}

int RollingBoxY::readValue()
{
    return m_value;
}

int RollingBoxY::step() const
{
    return (height() - 1) / 4;
}

void RollingBoxY::mousePressEvent(QMouseEvent* event)
{
    m_animation.stop();
    m_pressed = true;
    m_pressY = event->pos().y();
}

void RollingBoxY::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed)
        return;
    const int y = event->pos().y();
    // A column never rolls past its ends.
    if (m_value == m_minimum && y >= m_pressY)
        return;
    if (m_value == m_maximum && y <= m_pressY)
        return;
    const int b = step();
    m_offset = std::clamp(y - m_pressY, -b, b);
    const int fifth = (height() - 1) / 5;
    emit deviationChange(fifth != 0 ? static_cast<float>(m_offset) / fifth : 0.0f);
    stepAtFullDeviation();
    update();
}

void RollingBoxY::stepAtFullDeviation()
{
    const int b = step();
    if (m_offset >= b && m_value > m_minimum) {
        m_pressY += b;
        m_offset -= b;
        --m_value;
    }
    if (m_offset <= -b && m_value < m_maximum) {
        m_pressY -= b;
        m_offset += b;
        ++m_value;
    }
    if (m_offset == b || m_offset == -b)
        m_offset = 0;
}

void RollingBoxY::mouseReleaseEvent(QMouseEvent*)
{
    if (!m_pressed)
        return;
    m_pressed = false;
    settle();
}

void RollingBoxY::wheelEvent(QWheelEvent* event)
{
    const int b = step();
    m_offset = event->angleDelta().y() > 0 ? b : -b;
    settle();
    update();
}

void RollingBoxY::settle()
{
    const int q = height() / 8;
    const int r = (height() - 1) / 8;
    int start = m_offset;
    int value = m_value;
    if (m_offset > q) {
        start = r - m_offset;
        --value;
    } else if (m_offset < -q) {
        start = -r - m_offset;
        ++value;
    }
    if (value < m_minimum || value > m_maximum) {
        // Refused at an end: the value stays and the column comes to rest at once.
        m_offset = 0;
        return;
    }
    m_value = value;
    emit currentValueChanged(m_value);
    m_offset = start;
    m_animation.setStartValue(start);
    m_animation.setEndValue(0);
    m_animation.start();
}

void RollingBoxY::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int h = height();
    const int b = step();
    const int half = (h - 1) / 2;
    auto inRange = [this](int n) { return n >= m_minimum && n <= m_maximum; };

    // A column preset outside its range ("not chosen yet") shows no number of its own.
    if (inRange(m_value))
        paintNumber(painter, m_value, m_offset);
    if (inRange(m_value - 1))
        paintNumber(painter, m_value - 1, m_offset - b);
    if (inRange(m_value + 1))
        paintNumber(painter, m_value + 1, m_offset + b);
    if (m_offset >= 0 && inRange(m_value - 2))
        paintNumber(painter, m_value - 2, m_offset - half);
    if (m_offset <= 0 && inRange(m_value + 2))
        paintNumber(painter, m_value + 2, m_offset + half);

    painter.setPen(QPen(QColor(70, 144, 249), 2));
    const int eighth = (h - 1) / 8;
    painter.drawLine(0, 3 * eighth, width() - 1, 3 * eighth);
    painter.drawLine(0, 5 * eighth, width() - 1, 5 * eighth);
}

void RollingBoxY::paintNumber(QPainter& painter, int number, int offset)
{
    const int h = height();
    const int d = std::abs(offset);
    const int alpha = std::clamp(255 - d * 510 / std::max(h - 1, 1), 0, 255);
    const int half = (h - 1) / 2;
    const int size = half - (d * 3) / 5;
    QColor colour(Qt::black);
    colour.setAlpha(alpha);
    painter.setPen(colour);
    painter.setFont(QFont(QLatin1String(kKitFontFamily), 12));
    QString unit;
    switch (m_kind) {
    case 0: unit = tr("时"); break;
    case 1: unit = tr("分"); break;
    default: unit = tr("秒"); break;
    }
    painter.drawText(QRect(0, offset + half - size / 2, width() - 1, size), Qt::AlignCenter,
                     QString::number(number) + unit);
}
