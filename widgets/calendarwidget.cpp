#include "widgets/calendarwidget.h"

#include "widgets/kitfont.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QTextCharFormat>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

CalendarWidget::CalendarWidget(QWidget* parent)
    : QCalendarWidget(parent)
{
    m_selected = selectedDate();
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setFirstDayOfWeek(Qt::Sunday);
    setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    setNavigationBarVisible(false);

    // Weekends look like weekdays.
    QTextCharFormat format;
    format.setForeground(QColor(51, 51, 51));
    format.setBackground(Qt::white);
    QFont font(QLatin1String(kKitFontFamily), 12);
    font.setWeight(QFont::Medium);
    format.setFont(font);
    setHeaderTextFormat(format);
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day)
        setWeekdayTextFormat(static_cast<Qt::DayOfWeek>(day), format);

    m_prev = findChild<QToolButton*>(QStringLiteral("qt_calendar_prevmonth"));
    m_next = findChild<QToolButton*>(QStringLiteral("qt_calendar_nextmonth"));
    m_prev->setObjectName(QStringLiteral("prevBtn"));
    m_next->setObjectName(QStringLiteral("nextBtn"));

    auto top = new QWidget(this);
    top->setObjectName(QStringLiteral("CalendarTopWidget"));
    top->setFixedHeight(50);
    top->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_label = new QLabel(top);
    m_label->setObjectName(QStringLiteral("dateLabel"));
    auto row = new QHBoxLayout(top);
    row->setContentsMargins(5, 5, 5, 5);
    row->setSpacing(4);
    row->addStretch();
    row->addWidget(m_prev);
    row->addSpacing(40);
    row->addWidget(m_label);
    row->addSpacing(40);
    row->addWidget(m_next);
    row->addStretch();
    if (auto own = qobject_cast<QVBoxLayout*>(layout()))
        own->insertWidget(0, top);

    m_prev->setIcon(QIcon(QStringLiteral(":/Arrow2Left.png")));
    m_next->setIcon(QIcon(QStringLiteral(":/Arrow2Right.png")));
    m_prev->installEventFilter(this);
    m_next->installEventFilter(this);

    QString style;
    for (const char* name : {"prevBtn", "nextBtn"})
        style += QStringLiteral("QToolButton#%1{border: none;background-color: white;}"
                                "QToolButton#%1:hover{border: none;background-color: white;}")
                     .arg(QLatin1String(name));
    style += QStringLiteral("QLabel#%1{color:black;background-color: transparent;font-size: 18px;font-family: %2}")
                 .arg(QStringLiteral("dateLabel"), QLatin1String(kKitFontFamily));
    style += QStringLiteral("QCalendarView{background-color: white;}QWidget#CalendarTopWidget{background-color: white;}");
    setStyleSheet(style);

    setObjectName(QStringLiteral("CalendarWidget"));
    setWindowFlags(Qt::CustomizeWindowHint | Qt::FramelessWindowHint);

    connect(this, &QCalendarWidget::clicked, this, &CalendarWidget::setDate);
    connect(this, &QCalendarWidget::currentPageChanged, this, &CalendarWidget::setNextDate);
    showSelected();
}

void CalendarWidget::setDate()
{
    m_selected = selectedDate();
    showSelected();
}

void CalendarWidget::setNextDate()
{
    const int year = yearShown();
    const int month = monthShown();
    const int day = std::min(m_selected.day(), QDate(year, month, 1).daysInMonth());
    const QDate date(year, month, day);
    setSelectedDate(date);
    m_selected = date;
    showSelected();
}

void CalendarWidget::showSelected()
{
    // The heading's date format follows the language ("yyyy-MM-dd" in English).
    m_label->setText(m_selected.toString(tr("yyyy年MM月dd日")));
}

bool CalendarWidget::eventFilter(QObject* watched, QEvent* event)
{
    // The arrows light up while the pointer is over them.
    const bool enter = event->type() == QEvent::Enter;
    if (enter || event->type() == QEvent::Leave) {
        if (watched == m_prev)
            m_prev->setIcon(QIcon(enter ? QStringLiteral(":/Arrow2Left_hovered.png") : QStringLiteral(":/Arrow2Left.png")));
        else if (watched == m_next)
            m_next->setIcon(
                QIcon(enter ? QStringLiteral(":/Arrow2Right_hovered.png") : QStringLiteral(":/Arrow2Right.png")));
    }
    return QCalendarWidget::eventFilter(watched, event);
}
