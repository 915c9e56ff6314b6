// The camera area of the main window: one cell per camera, the enabled ones arranged in a grid
// whose shape follows their number, showing all cameras or one alone. GUI thread only.
#pragma once

#include <QList>
#include <QMainWindow>

class CameraInterface;
class CameraWgt_DataWidget;
class CammerWidget;
class QSplitter;

class CameraWgtBox : public QMainWindow {
    Q_OBJECT

public:
    // One cell (and so one camera view) per camera of `cameras`, index = position in the list.
    explicit CameraWgtBox(const QList<CameraInterface*>& cameras, QWidget* parent = nullptr);

    // Arranges the enabled cells in rows: n cameras per row up to 3, then the square root of n
    // (rounded down up to 6, up from 7); tables beside the images for one camera and for more
    // than three, below them for two or three.
    void rebuildLayout();
    // Shows every enabled cell; equal row heights, and equal cell widths in each row (the width
    // over the number of cells of the first row).
    void equalizeSizes();
    // The view and the cell of camera i; null out of range.
    CammerWidget* cammerWidgetAt(int i) const;
    CameraWgt_DataWidget* dataWidgetAt(int i) const;
    // True for -1 (all cameras); else whether cell i is enabled (false out of range).
    bool isCameraEnabled(int i) const;

    QSplitter* mainSplitter;
    // -1 all cameras shown, else the camera shown alone.
    int selectedCamera = -1;
    QList<CameraInterface*> cameras;
    QList<CameraWgt_DataWidget*> cells;

public slots:
    // Shows camera `camera` alone, or all cameras for -1, and tells the main window.
    void slotChangeCameraLayout(int camera);
};
