#include "widgets/combobox.h"

#include <QEvent>
#include <QFont>
#include <QListView>

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent)
{
    installEventFilter(this);
    setFocusPolicy(Qt::NoFocus);
    m_listView = new QListView(this);
    setView(m_listView);
}

bool ComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this) {
        if (event->type() == QEvent::MouseButtonPress)
            emit clicked();  // and the press goes on, so the list still opens
        else if (event->type() == QEvent::Wheel)
            return true;  // the wheel never changes the selection
    }
    return QComboBox::eventFilter(watched, event);
}

void setComboFont(ComboBox* box, const QFont& font)
{
    box->listView()->setFont(font);
    box->setFont(font);
}

void setComboStyle(ComboBox* box, int height)
{
    const QString h = QString::number(height);
    box->setStyleSheet(
        QStringLiteral("QComboBox{background-color:white;border-radius:4px;border:none;}"
                       "QComboBox::drop-down{width:30px;height:%1;border-style:none;}"
                       "QComboBox::down-arrow{width:15px;height:12px;image:url(:/down-arrow.png);}")
            .arg(h)
        + QStringLiteral("QComboBox QAbstractItemView::item{height:%1px;background-color: white;}").arg(h)
        + QStringLiteral("QComboBox QAbstractItemView::item:hover{color: black;}"
                         "QComboBox QAbstractItemView::item:selected{color: black;}"
                         "QComboBox::tab-bar{border-width:0px;}"));
}
