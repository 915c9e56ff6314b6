#include "mainwindow/dottomdockwidget.h"

#include "core/globals.h"
#include "io/controlport.h"
#include "io/iostatuswidget.h"
#include "mainwindow/dottomdock_describe.h"
#include "mainwindow/mojuwizard.h"
#include "widgets/dialogstyle.h"
#include "widgets/textfit.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QVariant>

namespace {

constexpr int kButtonWidth = 200;
constexpr int kButtonHeight = 80;
// The caption's room right of the picture: the content between the 40-pixel paddings less the
// 32-pixel picture and a small gap. A longer caption takes a smaller font instead of running
// over the picture.
constexpr int kCaptionRoom = kButtonWidth - 2 * 40 - 32 - 6;
constexpr int kSmallestCaptionPixels = 12;
const char* const kRunningProperty = "is_running";

// The picture at the left inside the content, the text at the right; blue, amber while pressed.
QString buttonRule(const QString& name, const QString& image)
{
    return QStringLiteral(
               "QPushButton#%1{background-image:url(%2);background-repeat:no-repeat;background-position:left center;"
               "background-origin:content;padding-left:40px;padding-right:40px;font-size:22px;text-align:right;"
               "background-color:#2687F2;color:white;}"
               "QPushButton#%1:pressed{background-color:#FFC107;color:#2687F2;}")
        .arg(name, image);
}

}  // namespace

DottomDockWidget::DottomDockWidget(QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setSpacing(1);
    row->setContentsMargins(0, 0, 0, 0);

    ioLamps = new IOStatusWidget_2(this);
    ioLamps->setObjectName(QStringLiteral("IOStatusWidget_2"));
    ioLamps->show();
    if (controlPort) {
        connect(controlPort, &ControlPort::sigIOChange, ioLamps, &IOStatusWidget_2::refresh, Qt::QueuedConnection);
    }
    row->addWidget(ioLamps);
    row->addStretch();

    describe = new DottomDock_Describe(this);
    describe->setMinimumWidth(300);
    row->addWidget(describe);

    repickButton = new QPushButton(tr("重新取样"), this);
    repickButton->setObjectName(QStringLiteral("_btn_repick"));
    repickButton->setFixedSize(kButtonWidth, kButtonHeight);
    connect(repickButton, &QPushButton::clicked, this, []() {
        if (mainWindow)
            mainWindow->SlotReTrain();
    });
    row->addWidget(repickButton);

    startStopButton = new QPushButton(tr("开始检测"), this);
    startStopButton->setObjectName(QStringLiteral("_btn_startstop"));
    startStopButton->setFixedSize(kButtonWidth, kButtonHeight);
    startStopButton->setIconSize(QSize(30, 30));
    connect(startStopButton, &QPushButton::clicked, this, [this]() {
        if (!mainWindow)
            return;
        mainWindow->SlotStartStop();
        setRunning(mainWindow->runState != 3);
    });
    row->addWidget(startStopButton);

    setRunning(mainWindow && mainWindow->runState != 3);

    applyDialogStyle(this,
                     QStringLiteral("QWidget{background-color:#353D45;outline:0px;border:none;}")
                         + buttonRule(repickButton->objectName(), QStringLiteral(":/Retrain.png"))
                         + buttonRule(startStopButton->objectName(), QStringLiteral(":/StartStop.png"))
                         + QStringLiteral("QPushButton#_btn_startstop[is_running=true]{background-color:#F24C3F;"
                                          "color:white;background-image:url(:/Stop.png);}"));
    fitButtonCaption(repickButton, kCaptionRoom, kSmallestCaptionPixels);
    fitButtonCaption(startStopButton, kCaptionRoom, kSmallestCaptionPixels);
    setAttribute(Qt::WA_StyledBackground, true);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::CustomizeWindowHint);
    show();
}

void DottomDockWidget::setRunning(bool running)
{
    startStopButton->setText(running ? tr("停止检测") : tr("开始检测"));
    startStopButton->setProperty(kRunningProperty, running);
    // The property selector applies only after the style has polished the button again.
    startStopButton->style()->unpolish(startStopButton);
    startStopButton->style()->polish(startStopButton);
    startStopButton->update();
    fitButtonCaption(startStopButton, kCaptionRoom, kSmallestCaptionPixels);
}
