#include "mainwindow/main_menubtnwidget.h"

#include "core/globals.h"
#include "mainwindow/mojuwizard.h"
#include "widgets/dialogstyle.h"
#include "widgets/textfit.h"

#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char* const kLogoFile = "./logo/logo.png";
constexpr int kCommandMinHeight = 150;
// The side panel is 100 pixels wide; a caption keeps 5 pixels of padding at each side and takes a
// smaller font where it would not fit (the longer English ones).
constexpr int kCaptionRoom = 100 - 2 * 5;
constexpr int kSmallestCaptionPixels = 11;

// One command button of the menu. `detect` is the manual capture the button asks for, -1 for
// the others; `open` is the main window's slot that opens the button's screen, null for the
// buttons whose screens are not built yet.
struct MenuCommand {
    const char* objectName;
    const char* text;
    const char* icon;
    int detect;
    void (MoJuWizard::*open)() = nullptr;
};

const MenuCommand kCommands[] = {
    {"pBtnSetSystem", QT_TRANSLATE_NOOP("Main_MenuBtnWidget", "系统参数"), ":/SetSystem.png", -1, &MoJuWizard::SlotSystemPara},
    {"pBtnSetROI", QT_TRANSLATE_NOOP("Main_MenuBtnWidget", "区域设置"), ":/SetROI.png", -1},
    {"pBtnStatistics", QT_TRANSLATE_NOOP("Main_MenuBtnWidget", "生产统计"), ":/Statistics.png", -1},
    {"pBtnTemperatureChart", QT_TRANSLATE_NOOP("Main_MenuBtnWidget", "温度波形图"), ":/TemperatureChart.png", -1},
    {"pBtnCavityManual", QT_TRANSLATE_NOOP("Main_MenuBtnWidget", "模腔手动抓拍"), ":/CavityManual.png", 1},
    {"pBtnProductManual", QT_TRANSLATE_NOOP("Main_MenuBtnWidget", "成品手动抓拍"), ":/ProductManual.png", 0},
};

// Icon on top, text at the bottom.
QString commandRule(const MenuCommand& command)
{
    return QStringLiteral(
               "QPushButton#%1{background-image:url(%2);background-repeat:no-repeat;"
               "background-position:top center;background-origin:border;padding-top:40px;padding-bottom:-10px;"
               "font-size:16px;font-weight:400;color:#FFFFFF;background-color:#4F5963;}"
               "QPushButton#%1:!hover{background-color:#4F5963;}"
               "QPushButton#%1:pressed{background-color:#2687F2;}")
        .arg(QLatin1String(command.objectName), QLatin1String(command.icon));
}

}  // namespace

Main_MenuBtnWidget::Main_MenuBtnWidget(QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 1);
    column->setSpacing(1);

    m_logoButton = new QPushButton(this);
    m_logoButton->setObjectName(QStringLiteral("pBtnLogo"));
    m_logoButton->setIcon(QPixmap(QString::fromLatin1(kLogoFile)));
    m_logoButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    column->addWidget(m_logoButton);

    QString rules = QStringLiteral("QWidget{background-color:#353D45;outline:0px;border:none;}")
        + QStringLiteral("QPushButton#%1{background-color: #262E34;font-size:22px;text-align: right;color: #FFFFFF;}")
              .arg(QStringLiteral("pBtnLogo"));
    for (const MenuCommand& command : kCommands) {
        auto* button = new QPushButton(tr(command.text), this);
        button->setObjectName(QLatin1String(command.objectName));
        button->setMinimumHeight(kCommandMinHeight);
        column->addWidget(button);
        rules += commandRule(command);
        if (command.detect >= 0) {
            const int detect = command.detect;
            connect(button, &QPushButton::clicked, this, [detect]() {
                if (mainWindow)
                    mainWindow->SlotManualTrig(detect);
            });
        } else if (command.open) {
            const auto open = command.open;
            connect(button, &QPushButton::clicked, this, [open]() {
                if (mainWindow)
                    (mainWindow->*open)();
            });
        }
    }
    applyDialogStyle(this, rules);
    for (QPushButton* button : findChildren<QPushButton*>())
        if (button != m_logoButton)
            fitButtonCaption(button, kCaptionRoom, kSmallestCaptionPixels);
    setAttribute(Qt::WA_StyledBackground, true);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::CustomizeWindowHint);
}

void Main_MenuBtnWidget::showEvent(QShowEvent* event)
{
    m_logoButton->setIconSize(m_logoButton->size());
    const QPixmap logo(QString::fromLatin1(kLogoFile));
    if (!logo.isNull())
        m_logoButton->setIcon(logo.scaled(m_logoButton->size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    update();
    QWidget::showEvent(event);
}
