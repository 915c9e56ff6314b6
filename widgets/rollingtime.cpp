#include "widgets/rollingtime.h"

#include "core/globals.h"
#include "widgets/kitfont.h"
#include "widgets/pickerbars.h"
#include "widgets/rollingboxy.h"

#include <QFont>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

_RollingTime::_RollingTime(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("rollingbox"));
    setStyleSheet(QStringLiteral("QDialog#rollingbox{background-color: white;}"));
    setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint);

    m_hour = new RollingBoxY(0, 0, 23, this);
    m_minute = new RollingBoxY(1, 0, 59, this);
    m_second = new RollingBoxY(2, 0, 59, this);
    auto columns = new QHBoxLayout;
    columns->setSpacing(0);
    columns->setContentsMargins(0, 0, 0, 0);
    for (RollingBoxY* column : {m_hour, m_minute, m_second}) {
        column->setFixedSize(50, 200);
        columns->addWidget(column);
    }

    const QFont font(QLatin1String(kKitFontFamily), 12);
    QWidget* strip = addRightAlignedBar(this, QSize(150, 60), QMargins(0, 0, 10, 0), 15);
    QPushButton* ok = addTextButton(strip, tr("确定"), QStringLiteral("#2687F2"), font, 30);
    QPushButton* cancel = addTextButton(strip, tr("取消"), QStringLiteral("black"), font, 30);
    connect(ok, &QPushButton::clicked, this, &_RollingTime::addDayTime);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(columns);
    layout->addWidget(strip);
}

void _RollingTime::presetTime(const QTime& time)
{
    m_hour->setValue(time.isValid() ? time.hour() : -1);
    m_minute->setValue(time.isValid() ? time.minute() : -1);
    m_second->setValue(time.isValid() ? time.second() : -1);
}

void _RollingTime::addDayTime()
{
    // A column still at -1 makes the time invalid, which empties the field it is reported to.
    const QTime time(m_hour->readValue(), m_minute->readValue(), m_second->readValue(), 0);
    emit confirmOnClicked(time);
    accept();
}

void closeOpenTimeRoller()
{
    if (openTimeRoller)
        openTimeRoller->close();
    openTimeRoller = nullptr;
}
