#include "widgets/passwordbox.h"

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

PasswordBox::PasswordBox(QWidget* parent)
    : QDialog(parent)
{
    setWindowFlags(Qt::CustomizeWindowHint | Qt::FramelessWindowHint);
    setGeometry(centredBoxRect(kWidth, kHeight));

    // A password may hold letters: the entry opens the full keyboard.
    m_entry = addPasswordEntry(this, Edit::FullKeyboard);
    m_entry->setPlaceholderText(tableText(125));
    connect(m_entry, &QLineEdit::textChanged, this, &PasswordBox::SlotTextChanged);

    const CancelOkPair buttons = addCancelOk(this, kWidth, kHeight);
    connect(buttons.ok, &QPushButton::clicked, this, &PasswordBox::accept);
    connect(buttons.cancel, &QPushButton::clicked, this, &PasswordBox::reject);
}

void PasswordBox::accept()
{
    const int level = activeParams ? loginLevelFor(m_entry->text(), *activeParams, loginNow()) : 0;
    if (mainWindow)
        mainWindow->loginLevel = level;
    if (level != 0) {
        m_resultState = 0;
        QDialog::accept();
        return;
    }
    m_resultState = 2;
    // Emptying the entry shows the wrong-password placeholder (SlotTextChanged).
    if (m_entry->text().isEmpty())
        SlotTextChanged(QString());
    else
        m_entry->clear();
}

void PasswordBox::SlotTextChanged(QString text)
{
    if (!text.isEmpty()) {
        m_entry->setPlaceholderText(QString());
    } else if (m_resultState == 2) {
        m_entry->setPlaceholderText(tableText(357));
        m_resultState = 0;
    } else {
        m_entry->setPlaceholderText(tableText(125));
    }
}

void PasswordBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintBoxFrame(painter, width(), height());
    painter.drawText(QRect(15, 15, 72, 32), Qt::AlignCenter, tr("输入框"));
}
