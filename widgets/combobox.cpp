#include "widgets/combobox.h"

#include "widgets/kitfont.h"

#include <QEvent>
#include <QFont>
#include <QListView>
#include <QStyledItemDelegate>

#include <algorithm>

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent)
{
    installEventFilter(this);
    setFocusPolicy(Qt::NoFocus);
    m_listView = new QListView(this);
    setView(m_listView);
    setListRowHeight(this, kKitSmallestRowPixels);
}

namespace {

// Draws the rows as the list's style and style sheet say, at least `m_height` pixels high.
class RowHeightDelegate : public QStyledItemDelegate {
public:
    RowHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), m_height(height) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), m_height));
        return size;
    }

private:
    int m_height;
};

}  // namespace

void setListRowHeight(QComboBox* box, int height)
{
    // Replaces Qt's menu-like delegate of the combo boxes too, which ignores the item height of
    // a style sheet. The combo box deletes the delegate it had.
    box->setItemDelegate(new RowHeightDelegate(height, box));
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
    setListRowHeight(box, height);
}
