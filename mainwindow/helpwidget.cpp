#include "mainwindow/helpwidget.h"

#include "core/globals.h"
#include "widgets/colorbutton.h"

#include <QDir>
#include <QPainter>

namespace {

constexpr int kButtonWidth = 150;
constexpr int kButtonHeight = 60;
constexpr int kButtonY = 5;
// The grey strip behind the buttons.
const QRect kButtonStrip(0, 0, 630, 70);

}  // namespace

HelpWidget::HelpWidget(QWidget* parent) : QWidget(parent)
{
    setGeometry(0, 0, screenWidth, screenHeight);

    struct ButtonRow {
        ColorButton** button;
        int textId;
        int x;
        void (HelpWidget::*slot)();
    };
    const ButtonRow buttons[] = {
        {&m_lastButton, 339, 10, &HelpWidget::SlotLast},
        {&m_nextButton, 340, 165, &HelpWidget::SlotNext},
        {&m_alarmButton, 146, 320, &HelpWidget::SlotAlarm},
        {&m_returnButton, 58, 475, &HelpWidget::SlotReturn},
    };
    for (const ButtonRow& row : buttons) {
        auto* button = new ColorButton(tableText(row.textId), this, 0);
        button->setGeometry(row.x, kButtonY, kButtonWidth, kButtonHeight);
        connect(button, &QPushButton::clicked, this, row.slot);
        *row.button = button;
    }

    loadPages();
}

void HelpWidget::loadPages()
{
    m_folder = currentLanguage == 0 ? QStringLiteral("./help/") : QStringLiteral("./help-en/");
    const QStringList files =
        QDir(m_folder).entryList({QStringLiteral("*.png")}, QDir::Files | QDir::Readable, QDir::Name);
    // Only pictures that load count as pages: every page the buttons reach can be drawn.
    for (const QString& file : files) {
        if (m_pages.size() == kMaxPages)
            break;
        QPixmap page(QStringLiteral("%1%2").arg(m_folder, file));
        if (page.isNull()) {
            qWarning("help page %s%s cannot be read", qPrintable(m_folder), qPrintable(file));
            continue;
        }
        m_pages.append(page);
    }
}

void HelpWidget::SlotReturn()
{
    hide();
}

void HelpWidget::SlotNext()
{
    if (m_pages.isEmpty())
        return;
    helpPage = (helpPage + 1) % m_pages.size();
    update();
}

void HelpWidget::SlotLast()
{
    if (m_pages.isEmpty())
        return;
    helpPage = helpPage - 1;
    // helpPage is shared: another help may have left it beyond this one's pages.
    if (helpPage < 0 || helpPage >= m_pages.size())
        helpPage = m_pages.size() - 1;
    update();
}

void HelpWidget::SlotAlarm()
{
    if (kAlarmPage < m_pages.size())
        helpPage = kAlarmPage;
    update();
}

void HelpWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (helpPage >= 0 && helpPage < m_pages.size())
        painter.drawPixmap(0, 0, m_pages[helpPage]);
    painter.fillRect(kButtonStrip, Qt::gray);
}
