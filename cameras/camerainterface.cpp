#include "cameras/camerainterface.h"

int registerCameraTypeMetaType()
{
    static const int id = qRegisterMetaType<CAMERA_TYPE>("CAMERA_TYPE");
    return id;
}

CameraInterface::CameraInterface(QObject* parent)
    : QObject(parent)
{
    registerCameraTypeMetaType();
}

CameraInfo CameraInterface::info() const
{
    return m_info;
}
