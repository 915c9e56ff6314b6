#include "widgets/passwordbox.h"

#include "core/globals.h"
#include "mainwindow/mojuwizard.h"
#include "widgets/boxframe.h"
#include "widgets/cancelbtn.h"
#include "widgets/edit.h"
#include "widgets/kitfont.h"
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
    m_entry = new Edit(Edit::FullKeyboard | Edit::Reserved4, this, 1);
    m_entry->setPhysicalKeyTyping(true);
    m_entry->setGeometry(100, 230, 550, 60);
    m_entry->setFont(QFont(QLatin1String(kKitFontFamily), 18));
    m_entry->setEchoMode(QLineEdit::Password);
    m_entry->setPlaceholderText(tableText(125));
    connect(m_entry, &QLineEdit::textChanged, this, &PasswordBox::SlotTextChanged);

    const int buttonY = (kHeight + 240) / 2;
    auto cancel = new cancelbtn(this);
    cancel->setGeometry((kWidth - 30) / 2 - 135, buttonY, 135, 60);
    auto ok = new okbtn(this);
    ok->setGeometry((kWidth + 30) / 2, buttonY, 135, 60);
    connect(ok, &QPushButton::clicked, this, &PasswordBox::accept);
    connect(cancel, &QPushButton::clicked, this, &PasswordBox::reject);
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
