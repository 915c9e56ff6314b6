#include "widgets/warnbox.h"

#include "core/globals.h"
#include "widgets/boxframe.h"
#include "widgets/textfit.h"

#include <QPainter>
#include <QPixmap>
#include <QPushButton>

namespace {
constexpr int kWidth = 600;
constexpr int kHeight = 420;
}  // namespace

Warnbox::Warnbox(QWidget* parent)
    : QDialog(parent)
    , m_closeButton(new QPushButton(this))
{
    setGeometry(screenWidth / 2 - kWidth / 2, screenHeight / 2 - kHeight / 2, kWidth, kHeight);
    m_closeButton->setGeometry(540, 0, 60, 60);
    m_closeButton->setStyleSheet(QStringLiteral("QPushButton{background-color: red;border-image: url(:/Close.png);}"));
    connect(m_closeButton, &QPushButton::clicked, this, &Warnbox::acceptDialog);
    // Replaces the dialog's own flags, window type included.
    // Qt::Window keeps a box given a parent a window of its own instead of a child drawn inside it.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
}

void Warnbox::setText(const QString& text)
{
    m_text = text;
}

void Warnbox::acceptDialog()
{
    close();
}

void Warnbox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Leaves the painter with white text in the kit font.
    paintBoxFrame(painter, width(), height());

    painter.drawPixmap(QRect(width() / 2 - 30, height() / 2 - 67, 60, 54), QPixmap(QStringLiteral(":/Warn.png")));
    // The title keeps its rectangle; a translation too long for it takes a smaller font.
    const QRect titleRect(15, 15, 96, 33);
    const QString title = tr("警告提示");
    const QFont textFont = painter.font();
    painter.setFont(fittingFont(textFont, titleRect, Qt::AlignCenter, title, 10));
    painter.drawText(titleRect, Qt::AlignCenter, title);
    painter.setFont(textFont);
    // Below the icon, across the box's width.
    paintBoxMessage(painter, width(), 190, 150, m_text);
}
