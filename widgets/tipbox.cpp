#include "widgets/tipbox.h"

#include "widgets/boxframe.h"
#include "widgets/boxparts.h"
#include "widgets/cancelbtn.h"
#include "widgets/okbtn.h"
#include "widgets/textfit.h"

#include <QPainter>

namespace {
constexpr int kSmallestTitlePixels = 10;
}

tipbox::tipbox(int buttons, QWidget* parent, int width, int height)
    : QDialog(parent)
{
    // The flags first: changing them re-creates the window, and the geometry must survive it.
    // Qt::Window keeps a box given a parent a window of its own instead of a child drawn inside it.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
    setGeometry(centredBoxRect(width, height));
    if (buttons == 2) {
        const CancelOkPair pair = addCancelOk(this, width, height);
        m_cancel = pair.cancel;
        m_ok = pair.ok;
        connect(m_cancel, &QPushButton::clicked, this, &tipbox::rejectDialog);
    } else if (buttons != 0) {
        m_ok = new okbtn(this);
        m_ok->setGeometry(width / 2 - 67, (height + 240) / 2, 135, 60);
    }
    if (m_ok)
        connect(m_ok, &QPushButton::clicked, this, &tipbox::acceptDialog);
}

void tipbox::setText(QString text)
{
    m_text = text;
}

void tipbox::acceptDialog()
{
    accept();
}

void tipbox::rejectDialog()
{
    reject();
}

void tipbox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintBoxFrame(painter, width(), height());
    // The title keeps its rectangle; a longer translation ("Notice") takes a smaller font.
    const QRect titleRect(15, 15, 48, 32);
    const QString title = tr("提示");
    const QFont textFont = painter.font();
    painter.setFont(fittingFont(textFont, titleRect, Qt::AlignCenter, title, kSmallestTitlePixels));
    painter.drawText(titleRect, Qt::AlignCenter, title);
    painter.setFont(textFont);
    paintBoxMessage(painter, width(), (height() - 300) / 2, 300, m_text);
}
