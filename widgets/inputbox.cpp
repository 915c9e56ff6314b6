#include "widgets/inputbox.h"

#include "core/globals.h"
#include "mainwindow/mojuwizard.h"
#include "widgets/boxframe.h"
#include "widgets/boxparts.h"
#include "widgets/cancelbtn.h"
#include "widgets/edit.h"
#include "widgets/logincheck.h"
#include "widgets/okbtn.h"

#include <QPainter>

namespace {
constexpr int kWidth = 750;
constexpr int kHeight = 550;
}  // namespace

inputbox::inputbox(int editFlags, QWidget* parent)
    : QDialog(parent)
{
    // The flags first: changing them re-creates the window, and the geometry must survive it.
    setWindowFlags(Qt::CustomizeWindowHint | Qt::FramelessWindowHint);
    setGeometry(centredBoxRect(kWidth, kHeight));

    m_entry = addPasswordEntry(this, editFlags);
    m_entry->setPlaceholderText(tr("请输入密码"));
    setObjectName(QStringLiteral("inputbox"));

    const CancelOkPair buttons = addCancelOk(this, kWidth, kHeight);
    m_cancel = buttons.cancel;
    m_ok = buttons.ok;
    connect(m_ok, &QPushButton::clicked, this, &inputbox::accept);
    connect(m_cancel, &QPushButton::clicked, this, &inputbox::reject);
}

void inputbox::accept()
{
    const QString entered = m_entry->text();
    // Without a parameter record there is no password to compare with: nothing logs in.
    const int level = activeParams ? loginLevelFor(entered, *activeParams, loginNow()) : 0;
    if (mainWindow)
        mainWindow->loginLevel = level;
    if (level != 0) {
        m_entry->setPlaceholderText(tableText(125));
        QDialog::accept();
        return;
    }
    // A wrong password is reported only by the emptied entry and its placeholder.
    m_entry->clear();
    m_entry->setPlaceholderText(tableText(357));
}

void inputbox::reject()
{
    m_entry->clear();
    QDialog::reject();
}

void inputbox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintBoxFrame(painter, width(), height());
    painter.drawText(QRect(15, 15, 72, 32), Qt::AlignCenter, tr("输入框"));
    painter.drawText(QPoint(100, 200), tr("请输入密码"));
}
