#include "widgets/fromtimetotime.h"

#include "core/globals.h"
#include "widgets/boxframe.h"
#include "widgets/datetimefield.h"
#include "widgets/datetimewidget.h"
#include "widgets/rollingtime.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

namespace {
const QString kShownFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
}

FromTimeToTime::FromTimeToTime(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(420, 40);
    m_startField = new _EditDateTime(this, 2);
    m_startField->setPlaceholderText(tr("开始日期"));
    auto dash = new QLabel(QStringLiteral("-"), this);
    dash->setFixedSize(10, 40);
    m_endField = new _EditDateTime(this, 2);
    m_endField->setPlaceholderText(tr("结束日期"));
    auto layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_startField);
    layout->addWidget(dash);
    layout->addWidget(m_endField);
    // Disabled fields pass their presses on to the display.
    for (_EditDateTime* field : {m_startField, m_endField}) {
        field->setFixedSize(180, 40);
        field->setAlignment(Qt::AlignCenter);
        field->setEnabled(false);
    }
    setObjectName(QStringLiteral("fromtimetotime"));
    setStyleSheet(QStringLiteral("QWidget#fromtimetotime{background-color: white;border-radius: 4px;}"
                                 "QLabel{background-color: white;color: black;}"));
}

void FromTimeToTime::setStartDateTime(const QDateTime& value)
{
    m_start = value;
    m_startField->setText(value.toString(kShownFormat));
}

void FromTimeToTime::setEndDateTime(const QDateTime& value)
{
    m_end = value;
    m_endField->setText(value.toString(kShownFormat));
}

void FromTimeToTime::clearTexts()
{
    m_startField->clear();
    m_endField->clear();
}

bool FromTimeToTime::event(QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        ++m_pressCount;
        if (!openRangePicker)
            pickRange();
    }
    return QWidget::event(event);
}

void FromTimeToTime::ownerPressed()
{
    ++m_pressCount;
    if (openRangePicker && m_pressCount % 2 == 1) {
        openRangePicker->reject();
        openRangePicker = nullptr;
        m_pressCount = 0;
    }
    if (openTimeRoller) {
        openTimeRoller->close();
        openTimeRoller = nullptr;
    }
}

void FromTimeToTime::pickRange()
{
    auto picker = new DateTimeWidget(nullptr);
    picker->presetFrom(m_start);
    picker->presetTo(m_end);
    openRangePicker = picker;
    const QPoint origin = summedPosition(this);
    // Below the display, and never past the screen's edge (the display may stand far right).
    picker->move(keptOnScreen(QPoint(origin.x(), origin.y() + height()), picker->size()));
    if (picker->exec() == 1) {
        setStartDateTime(picker->from());
        setEndDateTime(picker->to());
    }
    // The picker is made for this one choice; the reference to it resets itself.
    delete picker;
}
