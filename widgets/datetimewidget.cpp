#include "widgets/datetimewidget.h"

#include "core/globals.h"
#include "widgets/calendarwidget.h"
#include "widgets/datetimefield.h"
#include "widgets/kitfont.h"
#include "widgets/pickerbars.h"
#include "widgets/rollingtime.h"
#include "widgets/tipbox.h"

#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A field's date and stored time; a valid date without a time means its midnight.
QDateTime combine(const QDate& date, const QTime& time)
{
    if (!date.isValid())
        return QDateTime();
    return QDateTime(date, time.isValid() ? time : QTime(0, 0));
}

// Selects the date in the calendar and makes it the calendar's own selected date. The page is
// turned first: a month change keeps the calendar's previous day, which must not win.
void selectInCalendar(CalendarWidget* calendar, const QDate& date)
{
    calendar->setCurrentPage(date.year(), date.month());
    calendar->setSelectedDate(date);
    calendar->setDate();
}

}  // namespace

DateTimeWidget::DateTimeWidget(QWidget* parent)
    : QDialog(parent)
{
    setFixedSize(860, 540);
    const QFont font(QLatin1String(kKitFontFamily), 13);

    auto topbar = new QWidget(this);
    topbar->setObjectName(QStringLiteral("topbar"));
    topbar->setFixedSize(840, 60);
    m_fromDateField = new _EditDateTime(topbar, 0);
    m_fromDateField->setPlaceholderText(tr("开始日期"));
    m_fromTimeField = new _EditDateTime(topbar, 1);
    m_fromTimeField->setPlaceholderText(tr("开始时间"));
    auto arrow = new QLabel(QStringLiteral(">"), topbar);
    arrow->setFixedSize(20, 30);
    arrow->setAlignment(Qt::AlignCenter);
    arrow->setFont(font);
    m_toDateField = new _EditDateTime(topbar, 0);
    m_toDateField->setPlaceholderText(tr("结束日期"));
    m_toTimeField = new _EditDateTime(topbar, 1);
    m_toTimeField->setPlaceholderText(tr("结束时间"));
    auto top = new QHBoxLayout(topbar);
    top->setSpacing(10);
    top->setContentsMargins(10, 15, 10, 15);
    for (QWidget* w : std::initializer_list<QWidget*>{m_fromDateField, m_fromTimeField, arrow, m_toDateField, m_toTimeField}) {
        if (w != arrow) {
            w->setFixedSize(150, 30);
            w->setFont(font);
        }
        top->addWidget(w);
    }

    auto close = new QPushButton(this);
    close->setObjectName(QStringLiteral("cancelbtn"));
    close->setGeometry(835, 5, 20, 20);
    connect(close, &QPushButton::clicked, this, &DateTimeWidget::rejectDialog);

    auto dateWgt = new QWidget(this);
    dateWgt->setObjectName(QStringLiteral("dateWgt"));
    dateWgt->setFixedSize(840, 400);
    m_fromCalendar = new CalendarWidget(dateWgt);
    m_toCalendar = new CalendarWidget(dateWgt);
    m_fromCalendar->setFixedSize(400, 400);
    m_toCalendar->setFixedSize(400, 400);
    auto line = new QFrame(dateWgt);
    line->setFrameShape(QFrame::VLine);
    line->setStyleSheet(QStringLiteral("QFrame{color: rgba(0,0,0,0.5);width: 1px;}"));
    auto dates = new QHBoxLayout(dateWgt);
    dates->setSpacing(5);
    dates->setContentsMargins(5, 0, 0, 0);
    dates->addWidget(m_fromCalendar);
    dates->addWidget(line);
    dates->addWidget(m_toCalendar);
    connect(m_fromCalendar, &QCalendarWidget::clicked, this, &DateTimeWidget::addFromDate);
    connect(m_toCalendar, &QCalendarWidget::clicked, this, &DateTimeWidget::addToDate);

    QWidget* bottombar = addRightAlignedBar(this, QSize(840, 50), QMargins(0, 20, 20, 0), 20);
    bottombar->setObjectName(QStringLiteral("bottombar"));
    QPushButton* clear = addTextButton(bottombar, tr("清空"), QStringLiteral("#2687F2"), font, 30);
    QPushButton* ok = addTextButton(bottombar, tr("确定"), QStringLiteral("black"), font, 30);
    // A little air on both sides: the first letter's ink of "Clear" reaches left of its advance.
    for (QPushButton* button : {clear, ok})
        button->setMinimumWidth(button->sizeHint().width() + 8);
    connect(clear, &QPushButton::clicked, this, &DateTimeWidget::clearAll);
    connect(ok, &QPushButton::clicked, this, &DateTimeWidget::setDateTime);

    auto layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(5);
    layout->addWidget(topbar);
    layout->addWidget(dateWgt);
    layout->addWidget(bottombar);

    setObjectName(QStringLiteral("dateTimeWidget"));
    setStyleSheet(QStringLiteral(
        "QWidget#dateTimeWidget{background-color: white;}QWidget#topbar{border-bottom: 1px solid rgba(0,0,0,0.5);}"
        "QWidget#bottombar{border-top: 1px solid rgba(0,0,0,0.5);}"
        "QPushButton#cancelbtn{background-color: red;border-radius: 10px;border-image: url(:/Close.png)}"));
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
    close->raise();
}

void DateTimeWidget::presetFrom(const QDateTime& value)
{
    if (value.isValid())
        selectInCalendar(m_fromCalendar, value.date());
    addFromDate(value.date());
    m_fromTimeField->addTime(value.time());
}

void DateTimeWidget::presetTo(const QDateTime& value)
{
    if (value.isValid())
        selectInCalendar(m_toCalendar, value.date());
    addToDate(value.date());
    m_toTimeField->addTime(value.time());
}

void DateTimeWidget::addFromDate(QDate d)
{
    m_fromDateField->setText(d.toString(QStringLiteral("yyyy-MM-dd")));
    m_fromDate = d;
}

void DateTimeWidget::addToDate(QDate d)
{
    m_toDateField->setText(d.toString(QStringLiteral("yyyy-MM-dd")));
    m_toDate = d;
}

void DateTimeWidget::clearAll()
{
    for (_EditDateTime* field : {m_fromDateField, m_fromTimeField, m_toDateField, m_toTimeField})
        field->clear();
}

void DateTimeWidget::setDateTime()
{
    QDateTime from = combine(m_fromDate, m_fromTimeField->storedTime());
    // An end day without a time of its own is taken whole: start and end on the same day is
    // that one day.
    const QTime toTime = m_toTimeField->storedTime();
    QDateTime to = toTime.isValid() || !m_toDate.isValid() ? combine(m_toDate, toTime)
                                                           : QDateTime(m_toDate, QTime(23, 59, 59, 999));
    const QDateTime now = QDateTime::currentDateTime();
    if (!to.isValid())
        to = now;
    if (!from.isValid())
        from = now.addDays(-1);
    if (from >= to) {
        // A window of its own over this picker: the window system stacks it above its parent,
        // never under the calendars that stay on top.
        tipbox box(2, this, 600, 420);
        box.setText(tr("日期检索错误!\n是否重新检索"));
        if (box.exec() == 1)
            return;  // the picker stays open for another choice
        to = now;
        from = now.addDays(-1);
    }
    m_from = from;
    m_to = to;
    emit sendDateTime(dayTime(from, to));
    closeOpenTimeRoller();
    openRangePicker = nullptr;
    accept();
}

void DateTimeWidget::rejectDialog()
{
    // A roller opened from this picker would stay on top with nothing left to fill in.
    closeOpenTimeRoller();
    openRangePicker = nullptr;
    reject();
}

bool DateTimeWidget::event(QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress)
        closeOpenTimeRoller();
    return QDialog::event(event);
}
