#include "settings/vselectbox.h"

#include "core/globals.h"
#include "widgets/boxframe.h"
#include "widgets/kitfont.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int kTextConfirm = 121;
constexpr int kTextYes = 122;
constexpr int kTextNo = 123;

}  // namespace

QPoint v_SelectBox::centredCorner()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize area = screen ? screen->size() : QSize(1024, 768);
    const QSize box = screenWidth > 1024 ? QSize(750, 370) : QSize(420, 180);
    return {(area.width() - box.width()) / 2, (area.height() - box.height()) / 2};
}

v_SelectBox::v_SelectBox(int x, int y, QWidget* parent, int type)
    : QDialog(parent, Qt::CustomizeWindowHint), m_x(x), m_y(y), m_type(type), m_large(screenWidth > 1024)
{
    if (m_large)
        setFixedSize(750, 370);
    else
        setFixedSize(420, 180);
    move(m_x, m_y);

    auto makeButton = [this](int textId, const QRect& large, const QRect& small) {
        auto button = new QPushButton(tableText(textId), this);
        button->setGeometry(m_large ? large : small);
        return button;
    };
    if (m_type == 2) {
        QPushButton* yes = makeButton(kTextYes, {100, height() - 150, 220, 100}, {30, 105, 140, 60});
        QPushButton* no = makeButton(kTextNo, {width() - 320, height() - 150, 220, 100}, {240, 105, 140, 60});
        connect(yes, &QPushButton::clicked, this, &QDialog::accept);
        connect(no, &QPushButton::clicked, this, &QDialog::reject);
    } else if (m_type == 1) {
        QPushButton* ok = makeButton(kTextConfirm, {(width() - 220) / 2, height() - 150, 220, 100}, {140, 105, 140, 60});
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}

void v_SelectBox::showEvent(QShowEvent* event)
{
    move(m_x, m_y);
    QDialog::showEvent(event);
}

void v_SelectBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintBackgroundPicture(painter, width(), height());
    painter.setPen(Qt::red);
    painter.setFont(QFont(QLatin1String(kKitFontFamily), m_large ? 40 : 20));
    const QRect textArea = m_type == 0 ? rect() : QRect(0, 0, width(), height() / 2);
    painter.drawText(textArea, Qt::AlignCenter, text);
    painter.setPen(QPen(Qt::white, 5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, width() - 1, height() - 1);
}
