#include "view/camerawgttitlesetroi.h"

#include "widgets/multiplebtngroup.h"

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
