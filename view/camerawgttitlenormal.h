// The run title of a camera cell: run state, frame rate and counters, and the big OK/NG label of
// the camera's last check.
#pragma once

#include "view/camerawgttitle.h"

class CameraWgt_DataWidget_Title_Normal : public CameraWgt_DataWidget_Title {
    Q_OBJECT

public:
    CameraWgt_DataWidget_Title_Normal(CameraWgt_DataWidget* cell, int cameraIndex, QWidget* parent = nullptr);

    // The base text, then frame rate and counters; the result label is restyled only when the
    // view's verdict differs from the one it shows. Repaints the view.
    void refreshText() override;
    QString styleSheet() const override;

    QLabel* detectReportLabel;
    // "OK" on green or "NG" on red; its dynamic property "isok" holds the verdict shown.
    QLabel* resultLabel;

private:
    // The label shows a verdict (set by the first refresh).
    bool m_verdictShown = false;
};
