#include "view/camerawgtdatawidget.h"

#include "mainwindow/mojuwizard.h"
#include "core/globals.h"
#include "view/cammerwidget.h"
#include "view/camerareportform.h"
#include "view/camerawgtbox.h"
#include "view/camerawgttitlenormal.h"
#include "view/camerawgttitlesetroi.h"
#include "view/drawroiwidget.h"
#include "widgets/warnbox.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kTitleHeight = 60;

const char* const kHideButtonStyle =
    "QPushButton#btn_hide{background-color: rgba(112,112,112,1);background-image: url(:/Arrow2LeftBold.png);"
    "background-repeat: no-repeat;background-position: center;border: 1px solid #262E34;border-radius: 4px 4px ;}"
    "QPushButton#btn_hide:hover{background-color: rgba(38,135,242,1);}";

}  // namespace

CameraWgt_DataWidget::CameraWgt_DataWidget(int cameraIndex, CameraWgtBox* owner)
    : QWidget(owner)
    , index(cameraIndex)
    , camera(owner ? owner->cameras.value(cameraIndex) : nullptr)
    , box(owner)
    , titleStack(new QStackedWidget(this))
    , view(nullptr)
    , report(nullptr)
    , cellLayout(new QVBoxLayout(this))
    , hideButton(new QPushButton(this))
{
    titleStack->setFixedHeight(kTitleHeight);
    titleStack->addWidget(new CameraWgt_DataWidget_Title_Normal(this, index, titleStack));
    titleStack->addWidget(new CameraWgt_DataWidget_Title_SetROI(this, index, titleStack));
    titleStack->setCurrentIndex(kRunTitlePage);

    view = new CammerWidget(this, index, camera);
    view->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // A press on the view while all cameras are shown asks for this camera alone.
    connect(view, &CammerWidget::click, this, &CameraWgt_DataWidget::sigChangeCameraLayout);
    report = new CameraReportForm(this);
    report->setObjectName(QStringLiteral("CameraReportForm"));

    cellLayout->setContentsMargins(1, 1, 1, 1);
    cellLayout->setSpacing(1);
    cellLayout->addWidget(titleStack);
    setLayoutMode(layoutMode);

    // Floats over the cell's right edge, outside every layout.
    hideButton->setObjectName(QStringLiteral("btn_hide"));
    hideButton->setFixedSize(40, 80);
    hideButton->setStyleSheet(QLatin1String(kHideButtonStyle));
    connect(hideButton, &QPushButton::clicked, this, [this]() { report->setVisible(report->isHidden()); });
}

void CameraWgt_DataWidget::setLayoutMode(int mode)
{
    layoutMode = mode;
    if (m_innerLayout) {
        m_innerLayout->removeWidget(view);
        m_innerLayout->removeWidget(report);
        cellLayout->removeItem(m_innerLayout);
        delete m_innerLayout;
    }
    // A height the table was given in the other mode does not carry over.
    report->setMinimumHeight(0);
    report->setMaximumHeight(QWIDGETSIZE_MAX);
    reportHeight = 0;
    if (mode == 1) {
        // The table beside the image is as tall as the image through the layout, so it follows
        // the cell down as well as up: a fixed height would hold a cell that was once large (shown
        // alone, or while the grid was built) at that size and keep the rows from sharing the
        // area equally.
        auto* row = new QHBoxLayout;
        row->addWidget(view, 2);
        row->addWidget(report, 1);
        m_innerLayout = row;
    } else {
        auto* column = new QVBoxLayout;
        column->addWidget(view);
        column->addWidget(report);
        m_innerLayout = column;
    }
    cellLayout->addLayout(m_innerLayout);
}

void CameraWgt_DataWidget::showForCamera(int camera)
{
    if (!enabled)
        return;
    setVisible(camera == -1 || camera == index);
    currentTitle()->setActive(camera != -1);
}

void CameraWgt_DataWidget::setMode(int mode)
{
    switch (mode) {
    case 0:
    case 1:
        titleStack->setCurrentIndex(kRunTitlePage);
        report->show();
        break;
    case 2:
    case 3:
        titleStack->setCurrentIndex(kEditorTitlePage);
        report->hide();
        if (mode == 3 && mainWindow && mainWindow->regionPanel) {
            // Region review: which template of how many is shown, and when it was taken.
            const MoJuWizard& w = *mainWindow;
            const int d = std::clamp(w.editDetect, 0, CammerWidget::kDetects - 1);
            mainWindow->regionPanel->GetTempTIme(w.shownCamera, w.editDetect, view->currentTemplate);
            showSetRoiTitle()->setInfoText(tr("模板数 %1 / %2   %3")
                                               .arg(view->currentTemplate + 1)
                                               .arg(view->validTemplateCount[d])
                                               .arg(templateTimeText));
        }
        break;
    default:
        break;
    }
}

CameraWgt_DataWidget_Title_SetROI* CameraWgt_DataWidget::showSetRoiTitle()
{
    titleStack->setCurrentIndex(kEditorTitlePage);
    return static_cast<CameraWgt_DataWidget_Title_SetROI*>(titleStack->widget(kEditorTitlePage));
}

CameraWgt_DataWidget_Title* CameraWgt_DataWidget::currentTitle() const
{
    return static_cast<CameraWgt_DataWidget_Title*>(titleStack->currentWidget());
}

void CameraWgt_DataWidget::slotCameraButton(int camera)
{
    if (camera != -1 && box && !box->isCameraEnabled(camera)) {
        auto* warning = new Warnbox(nullptr);
        warning->setAttribute(Qt::WA_DeleteOnClose);
        warning->setText(tr("此相机未启用！"));
        warning->show();
        return;
    }
    emit sigChangeCameraLayout(camera);
}

void CameraWgt_DataWidget::placeHideButton()
{
    hideButton->move(width() - hideButton->width(), (height() - hideButton->height()) / 2);
    // Raising an already topmost button would schedule another paint of the cell.
    if (children().constLast() != hideButton)
        hideButton->raise();
    const bool wanted = !mainWindow || mainWindow->alarmState < 2;
    if (hideButton->isHidden() == wanted)
        hideButton->setVisible(wanted);
}

void CameraWgt_DataWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The layout has already placed view and table for the new size. Below the image the table
    // keeps the height at which it last matched the image.
    if (layoutMode == 0) {
        if (view->height() == report->height())
            reportHeight = view->height();
        if (reportHeight != 0)
            report->setFixedHeight(reportHeight);
    }
    placeHideButton();
}

void CameraWgt_DataWidget::paintEvent(QPaintEvent* event)
{
    placeHideButton();
    QWidget::paintEvent(event);
}
