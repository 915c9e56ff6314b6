#include "view/camerawgttitlesetroi.h"

#include "core/globals.h"
#include "mainwindow/mojuwizard.h"
#include "view/imagepickform.h"
#include "widgets/multiplebtngroup.h"

#include <QEvent>

#include <QHBoxLayout>
#include <QLabel>

CameraWgt_DataWidget_Title_SetROI::CameraWgt_DataWidget_Title_SetROI(CameraWgt_DataWidget* owner, int index,
                                                                     QWidget* parent)
    : CameraWgt_DataWidget_Title(owner, index, parent)
    , infoLabel(new QLabel(tr("图片信息"), this))
{
    infoLabel->setAlignment(Qt::AlignCenter);
    infoLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_layout->addWidget(infoLabel);
    applyTitleStyle();
    cameraLabel->installEventFilter(this);
}

bool CameraWgt_DataWidget_Title_SetROI::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == cameraLabel && event->type() == QEvent::MouseButtonPress && mainWindow && mainWindow->imagePicker) {
        ImagePickForm* picker = mainWindow->imagePicker;
        if (picker->isVisible()) {
            picker->hide();
        } else {
            picker->move(0, mapToGlobal(QPoint(0, height())).y());
            picker->setWindowModality(Qt::WindowModal);
            picker->show();
        }
        return true;
    }
    return CameraWgt_DataWidget_Title::eventFilter(watched, event);
}

void CameraWgt_DataWidget_Title_SetROI::setActive(bool)
{
    buttonGroup->hide();
    cameraLabel->show();
}

void CameraWgt_DataWidget_Title_SetROI::setInfoText(const QString& text)
{
    infoLabel->setText(text);
}
