#include "widgets/editdatetime.h"

#include "core/platformutils.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QTimeEdit>

namespace {

QString arrowStyle(const char* field)
{
    return QStringLiteral("%1::up-button{subcontrol-origin:border;subcontrol-position:right;image: url(./images/right.png);"
                          "width: %2px;height: %2px;}%1::down-button {subcontrol-origin:border;subcontrol-position:left;"
                          "image: url(./images/left.png);width: %2px;height: %2px;}")
        .arg(QLatin1String(field))
        .arg(60);
}

}  // namespace

EditDateTime::EditDateTime(const QString& label, QWidget* parent) : QWidget(parent)
{
    setFixedHeight(80);
    const QFont font(QStringLiteral("wenquanyi"), 30);
    setFont(font);

    m_label = new QLabel(label, this);
    m_label->setFont(font);
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::All, QPalette::WindowText, Qt::yellow);
    m_label->setPalette(palette);
    m_label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_dateTime = QDateTime::currentDateTime();

    m_dateField = new QDateEdit(this);
    m_dateField->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_dateField->setFont(font);
    m_dateField->setFixedSize(330, 60);
    m_dateField->setAlignment(Qt::AlignCenter);
    m_dateField->setStyleSheet(arrowStyle("QDateEdit"));

    m_timeField = new QTimeEdit(this);
    m_timeField->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    m_timeField->setFont(font);
    m_timeField->setFixedSize(330, 60);
    m_timeField->setAlignment(Qt::AlignCenter);
    m_timeField->setStyleSheet(arrowStyle("QTimeEdit"));

    auto grid = new QGridLayout(this);
    grid->addWidget(m_label, 0, 0);
    grid->addWidget(m_dateField, 0, 1);
    grid->addWidget(m_timeField, 0, 2);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void EditDateTime::setNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    m_dateField->setDate(now.date());
    m_timeField->setTime(now.time());
}

bool EditDateTime::applyToSystem()
{
    m_dateTime.setDate(m_dateField->date());
    m_dateTime.setTime(m_timeField->time());
    return setSystemClock(m_dateTime);
}
