// The source panel of the image picker: buttons for the image source, the camera and the detect,
// each group showing its chosen button in blue.
#pragma once

#include <QWidget>

class QButtonGroup;
class QLabel;

class ImagePickForm_Source : public QWidget {
    Q_OBJECT

public:
    // Camera buttons for `cameras` cameras and "全部相机"; detect buttons for the machine type.
    ImagePickForm_Source(int cameras, int machineType, QWidget* parent = nullptr);

    // The pressed button of `group` gets the "choose" look, the others lose it.
    static void markChosen(QButtonGroup* group, int id);
    // The detect label and buttons shown or hidden.
    void setDetectsVisible(bool visible);

    QLabel* sourceLabel;
    QLabel* cameraLabel;
    QLabel* detectLabel;
    QButtonGroup* sourceGroup;
    QButtonGroup* cameraGroup;
    QButtonGroup* detectGroup;
    int currentSource = 0;
    int currentCamera = 0;
    int currentDetect = 0;
};
