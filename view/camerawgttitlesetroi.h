// The editor title of a camera cell, shown while regions are reviewed or edited: the camera's
// name and a caption about the picture on show (template or record).
#pragma once

#include "view/camerawgttitle.h"

class CameraWgt_DataWidget_Title_SetROI : public CameraWgt_DataWidget_Title {
    Q_OBJECT

public:
    CameraWgt_DataWidget_Title_SetROI(CameraWgt_DataWidget* cell, int cameraIndex, QWidget* parent = nullptr);

    // Always the camera label, never the camera buttons.
    void setActive(bool active) override;
    // The caption about the picture on show.
    void setInfoText(const QString& text);

    QLabel* infoLabel;

protected:
    // A press on the camera label opens the image source picker below this title, or closes it.
    bool eventFilter(QObject* watched, QEvent* event) override;
};
