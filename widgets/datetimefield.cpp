#include "widgets/datetimefield.h"

#include "core/globals.h"
#include "widgets/boxframe.h"
#include "widgets/kitfont.h"
#include "widgets/rollingtime.h"

#include <QEvent>
#include <QFont>

_EditDateTime::_EditDateTime(QWidget* parent, int kind)
    : QLineEdit(parent)
    , m_kind(kind)
{
    setFont(QFont(QLatin1String(kKitFontFamily), 10));
    const QString border = kind == 2 ? QStringLiteral("none") : QStringLiteral("1px solid rgba(0, 0, 0, 0.5)");
    setStyleSheet(
        QStringLiteral("QLineEdit{background-color: white;border-radius: 4px;border: %1;color: black;}").arg(border));
    setReadOnly(kind == 0);
}

void _EditDateTime::addTime(QTime t)
{
    setText(t.isValid() ? t.toString(QStringLiteral("hh:mm:ss")) : QString());
    m_time = t;
}

bool _EditDateTime::event(QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && m_kind == 1)
        showTimeRoller();
    return QLineEdit::event(event);
}

void _EditDateTime::showTimeRoller()
{
    closeOpenTimeRoller();
    auto roller = new _RollingTime(nullptr);
    // Shown without blocking and forgotten by everyone once closed: it deletes itself.
    roller->setAttribute(Qt::WA_DeleteOnClose);
    roller->presetTime(m_time);
    openTimeRoller = roller;
    // The field sits in a bar of a dialog: its own, its parent's and its grandparent's positions
    // add up to a place just below it on the screen.
    const QPoint origin = summedPosition(this);
    roller->adjustSize();
    roller->move(keptOnScreen(QPoint(origin.x(), origin.y() + height() + 10), roller->size()));
    // Window-modal, so that the modal range picker it is opened from does not block it.
    roller->setWindowModality(Qt::WindowModal);
    roller->show();
    connect(roller, &_RollingTime::confirmOnClicked, this, &_EditDateTime::addTime);
}
