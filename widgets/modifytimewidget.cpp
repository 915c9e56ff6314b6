#include "widgets/modifytimewidget.h"

#include "widgets/calendarwidget.h"
#include "widgets/datetimefield.h"
#include "widgets/kitfont.h"
#include "widgets/pickerbars.h"
#include "widgets/rollingtime.h"

#include <QEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

modifyTimeWidget::modifyTimeWidget(QWidget* parent)
    : QDialog(parent)
    , m_date(QDate::currentDate())
    , m_time(QTime::currentTime())
{
    setFixedSize(420, 480);
    const QFont font(QLatin1String(kKitFontFamily), 12);

    auto topbar = new QWidget(this);
    topbar->setObjectName(QStringLiteral("topbar"));
    topbar->setFixedSize(400, 60);
    m_dateField = new _EditDateTime(topbar, 0);
    m_dateField->setPlaceholderText(tr("修改日期"));
    m_dateField->setText(m_date.toString(QStringLiteral("yyyy-MM-dd")));
    // Only the text: the field's stored time stays invalid until a time is rolled in.
    m_timeField = new _EditDateTime(topbar, 1);
    m_timeField->setPlaceholderText(tr("修改时间"));
    m_timeField->setText(m_time.toString(QStringLiteral("hh:mm:ss")));
    auto top = new QHBoxLayout(topbar);
    top->setContentsMargins(10, 15, 10, 15);
    top->addStretch();
    top->addWidget(m_dateField);
    top->addSpacing(40);
    top->addWidget(m_timeField);
    top->addStretch();
    for (_EditDateTime* field : {m_dateField, m_timeField}) {
        field->setFixedSize(135, 30);
        field->setFont(font);
    }

    auto dateWgt = new QWidget(this);
    dateWgt->setObjectName(QStringLiteral("dateWgt"));
    dateWgt->setFixedSize(400, 320);
    m_calendar = new CalendarWidget(dateWgt);
    // The calendar fills the area: at its size hint its rows would be too small for a finger.
    auto dates = new QHBoxLayout(dateWgt);
    dates->setContentsMargins(0, 0, 0, 0);
    dates->addWidget(m_calendar);
    connect(m_calendar, &QCalendarWidget::clicked, this, &modifyTimeWidget::addDate);

    QWidget* bottombar = addRightAlignedBar(this, QSize(400, 60), QMargins(0, 0, 20, 0), 20);
    bottombar->setObjectName(QStringLiteral("bottombar"));
    QPushButton* clear = addTextButton(bottombar, tr("清空"), QStringLiteral("#2687F2"), font, 0);
    QPushButton* ok = addTextButton(bottombar, tr("确定"), QStringLiteral("black"), font, 0);
    connect(clear, &QPushButton::clicked, this, &modifyTimeWidget::clearAll);
    connect(ok, &QPushButton::clicked, this, &modifyTimeWidget::acceptDialog);

    auto layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(5);
    layout->addWidget(topbar);
    layout->addWidget(dateWgt);
    layout->addWidget(bottombar);

    setObjectName(QStringLiteral("modifyDateTimeWidget"));
    setStyleSheet(QStringLiteral(
        "QDialog#modifyDateTimeWidget{background-color: white;}QWidget#topbar{background-color: white;}"
        "QWidget#bottombar{background-color: white;}"
        "QWidget#dateWgt{background-color: white;border-top: 1px solid black;border-bottom: 1px solid black;}"));
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
}

void modifyTimeWidget::addDate(QDate date)
{
    m_dateField->setText(date.toString(QStringLiteral("yyyy-MM-dd")));
    m_date = date;
}

void modifyTimeWidget::clearAll()
{
    m_dateField->clear();
    m_timeField->clear();
}

void modifyTimeWidget::acceptDialog()
{
    closeOpenTimeRoller();
    // The time is read from the field's text; an empty or unreadable text means midnight.
    m_time = QTime::fromString(m_timeField->text(), QStringLiteral("hh:mm:ss"));
    m_chosen = QDateTime(m_date, m_time.isValid() ? m_time : QTime(0, 0));
    emit sendModifyTime(m_chosen);
    accept();
}

bool modifyTimeWidget::event(QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress)
        closeOpenTimeRoller();
    return QDialog::event(event);
}
