#include "io/iowidgetitem.h"

#include "widgets/kitfont.h"
#include "widgets/textfit.h"

#include <QPainter>

namespace {

constexpr int kCaptionPixels = 13;
constexpr int kSmallestCaptionPixels = 9;
// The caption's room: the lamp's 60 pixels less a little air on each side.
constexpr int kCaptionRoom = 60 - 2 * 4;

QString lampRules(int captionPixels)
{
    return QStringLiteral("outline:0px;border:none;font-size:%1px;color:white;background-color:transparent;")
        .arg(captionPixels);
}

}  // namespace

IOWidget_Item::IOWidget_Item(int index, bool isInput, QWidget* parent)
    : QPushButton(parent), isInput(isInput), index(index)
{
    setStyleSheet(lampRules(kCaptionPixels));
    setFixedSize(60, 60);
    // Like a plain widget, a lamp never takes the focus from the field being edited.
    setFocusPolicy(Qt::NoFocus);
}

void IOWidget_Item::setCaption(const QString& caption)
{
    setText(caption);
    const QFont font{QLatin1String(kKitFontFamily)};
    setStyleSheet(lampRules(fittingPixelSize(font, caption, kCaptionRoom, kCaptionPixels, kSmallestCaptionPixels)));
}

void IOWidget_Item::setOn(bool state)
{
    if (state == on)
        return;
    on = state;
    update();
}

void IOWidget_Item::setKnown(bool state)
{
    if (state == known)
        return;
    known = state;
    update();
}

void IOWidget_Item::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = !known ? QColor(Qt::gray) : on ? QColor(Qt::green) : QColor(Qt::red);
    painter.setPen(colour);
    painter.setBrush(QBrush(colour, Qt::SolidPattern));
    painter.drawEllipse(QRect(12, 0, 36, 36));
    painter.setPen(Qt::white);
    painter.setFont(font());
    painter.drawText(QRect(0, 40, 60, 20), Qt::AlignCenter, text());
}

void IOWidget_Item::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
}

void IOWidget_Item::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
}
