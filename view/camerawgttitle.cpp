#include "view/camerawgttitle.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "mainwindow/mojuwizard.h"
#include "view/camerawgtbox.h"
#include "view/camerawgtdatawidget.h"
#include "widgets/dialogstyle.h"
#include "widgets/multiplebtngroup.h"

#include <QButtonGroup>
#include <QColor>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

CameraWgt_DataWidget_Title::CameraWgt_DataWidget_Title(CameraWgt_DataWidget* owner, int index, QWidget* parent)
    : QWidget(parent)
    , cell(owner)
    , cameraIndex(index)
    , cameraLabel(new QLabel(tr("相机%1").arg(index + 1), this))
    , buttonGroup(new MultipleBtnGroup(owner && owner->box ? owner->box->cameras.size() : 1, this))
    , runStatusLabel(new QLabel(this))
    , m_layout(new QHBoxLayout(this))
{
    cameraLabel->setObjectName(QStringLiteral("cameraLabel"));
    buttonGroup->setObjectName(QStringLiteral("_pBtnGroup"));
    MultipleBtnGroup::markCurrent(buttonGroup, cameraIndex);
    buttonGroup->hide();
    runStatusLabel->setObjectName(QStringLiteral("_lab_runstatus"));
    runStatusLabel->setTextFormat(Qt::RichText);
    // In a narrow cell (three cameras a row) the state wraps onto a second line instead of being
    // cut off.
    runStatusLabel->setWordWrap(true);

    m_layout->setContentsMargins(6, 0, 6, 0);
    m_layout->setSpacing(10);
    m_layout->addWidget(cameraLabel);
    m_layout->addWidget(buttonGroup);
    m_layout->addWidget(runStatusLabel);

    // A camera button asks the cell to show that camera (or all of them, id -1).
    if (auto* group = buttonGroup->findChild<QButtonGroup*>(QStringLiteral("btnGroup")); group && cell)
        connect(group, &QButtonGroup::idPressed, cell, &CameraWgt_DataWidget::slotCameraButton);

    setAttribute(Qt::WA_StyledBackground);
    setWindowFlags(Qt::FramelessWindowHint | Qt::CustomizeWindowHint);
    applyTitleStyle();
}

QString CameraWgt_DataWidget_Title::styleSheet() const
{
    // The state and the counters in a size that leaves two lines room in the 60-pixel title.
    return QStringLiteral("QWidget{background-color:#353D45;outline:0px;border:none;}"
                          "QLabel#_lab_runstatus,QLabel#_lab_detectreport{font-size:20px;}");
}

void CameraWgt_DataWidget_Title::applyTitleStyle()
{
    applyDialogStyle(this, styleSheet());
}

void CameraWgt_DataWidget_Title::setActive(bool active)
{
    buttonGroup->setVisible(active);
    cameraLabel->setVisible(!active);
}

void CameraWgt_DataWidget_Title::refreshText()
{
    if (cell)
        cell->placeHideButton();
    if (!mainWindow)
        return;
    const MoJuWizard& w = *mainWindow;

    QString state;
    QString colour;
    switch (w.runState) {
    case 2:
        state = tr("取样中");
        colour = QColor(Qt::cyan).name();
        break;
    case 3:
        state = tr("停止中");
        colour = QStringLiteral("#FF0000");
        break;
    default:
        colour = QStringLiteral("#00FF00");
        switch (w.phase) {
        case 1: state = tr("检测中"); break;
        case 2: state = tr("检测完"); break;
        case 3: state = tr("等待中"); break;
        default: break;
        }
        break;
    }

    // Two-station machines (types 1 and 2) name the station with the check.
    const bool twoStations = activeParams && (activeParams->machineType == 1 || activeParams->machineType == 2);
    QString check;
    switch (w.curDet) {
    case 0: check = twoStations ? tr("左成品") : tr("成品"); break;
    case 1: check = twoStations ? tr("左模腔") : tr("模腔"); break;
    case 2: check = twoStations ? tr("右成品") : QString(); break;
    case 3: check = twoStations ? tr("右模腔") : QString(); break;
    default: break;
    }

    // Seconds left of the first countdown that runs, three significant digits.
    QString delay;
    for (int k = 0; k < MoJuWizard::kDetects; ++k) {
        if (w.delayTimers[k] && w.delayTimers[k]->isActive()) {
            const float seconds = w.remaining[k];
            if (seconds > 0.02f)
                delay = QString::number(double(seconds), 'g', 3);
            break;
        }
    }

    QString text = tr("%1号相机 %2 %3").arg(cameraIndex + 1).arg(check, state);
    if (!delay.isEmpty())
        text += QLatin1Char(' ') + delay;
    runStatusLabel->setText(colorText(colour, text));
}
