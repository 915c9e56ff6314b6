#include "view/cammerwidget.h"

#include "detection/cammersingleton.h"

CammerWidget::CammerWidget(int index, int width, int height, QWidget* parent)
    : QWidget(parent)
    , cameraIndex(index)
    , imageWidth(width)
    , imageHeight(height)
    , roiSet(new CammerSingleton(index))
    , editRoiSet(new CammerSingleton(index))
{
}

CammerWidget::~CammerWidget()
{
    delete roiSet;
    delete editRoiSet;
}

int registerCammerSingletonMetaType()
{
    static const int id = qRegisterMetaType<CammerSingleton*>("CammerSingleton *");
    return id;
}
