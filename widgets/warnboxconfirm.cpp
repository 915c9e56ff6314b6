#include "widgets/warnboxconfirm.h"

#include "core/globals.h"
#include "core/platformutils.h"
#include "core/systemparam.h"
#include "mainwindow/mojuwizard.h"
#include "widgets/boxframe.h"
#include "widgets/colorbutton.h"

#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int kWidth = 750;
constexpr int kHeight = 370;
}  // namespace

WarnBox::WarnBox(QWidget* parent)
    : QDialog(parent)
{
    setWindowFlags(Qt::CustomizeWindowHint);
    setGeometry(centredBoxRect(kWidth, kHeight));

    // English whatever the language, as the prompt appears before anyone can read the others.
    m_confirm = new ColorButton(TextTable[121 * 4 + 1], this, 0);
    m_confirm->setFixedSize(220, 100);
    connect(m_confirm, &QPushButton::clicked, this, &QDialog::accept);

    auto layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(20);
    layout->addWidget(m_confirm, 0, Qt::AlignHCenter);
    layout->addStretch(3);
}

void WarnBox::setText(QString text)
{
    m_text = text;
}

void WarnBox::showEvent(QShowEvent* event)
{
    setGeometry(centredBoxRect(kWidth, kHeight));
    if (mainWindow && mainWindow->backlightOff) {
        setScreenPower(true);
        if (activeParams && activeParams->screenOffSeconds > 0 && mainWindow->screenOffTimer)
            mainWindow->screenOffTimer->start(activeParams->screenOffSeconds * 1000);
    }
    QDialog::showEvent(event);
}

void WarnBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintPictureBox(painter, width(), height(), QRect(0, 5, width(), (2 * height()) / 3), Qt::AlignCenter, m_text);
}
