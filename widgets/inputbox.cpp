#include "widgets/inputbox.h"

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

inputbox::inputbox(int editFlags, QWidget* parent)
    : QDialog(parent)
{
    // The flags first: changing them re-creates the window, and the geometry must survive it.
    setWindowFlags(Qt::CustomizeWindowHint | Qt::FramelessWindowHint);
    setGeometry(centredBoxRect(kWidth, kHeight));

    m_entry = new Edit(editFlags | Edit::Reserved4, this, 1);
    m_entry->setPhysicalKeyTyping(true);
    m_entry->setPlaceholderText(tr("请输入密码"));
    m_entry->setGeometry(100, 230, 550, 60);
    m_entry->setFont(QFont(QLatin1String(kKitFontFamily), 18));
    m_entry->setEchoMode(QLineEdit::Password);
    setObjectName(QStringLiteral("inputbox"));

    const int buttonY = (kHeight + 240) / 2;
    m_cancel = new cancelbtn(this);
    m_cancel->setGeometry((kWidth - 30) / 2 - 135, buttonY, 135, 60);
    m_ok = new okbtn(this);
    m_ok->setGeometry((kWidth + 30) / 2, buttonY, 135, 60);
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
