// The 60-pixel title bar of a camera cell: the camera's name or, while one camera is shown alone,
// the buttons that choose another camera, and the machine's run state as this camera sees it.
// Base of the run title and the editor title. GUI thread only.
#pragma once

#include <QWidget>

class CameraWgt_DataWidget;
class MultipleBtnGroup;
class QHBoxLayout;
class QLabel;

class CameraWgt_DataWidget_Title : public QWidget {
    Q_OBJECT

public:
    // The title of `cell`, camera `cameraIndex`, with one camera button per camera of the box.
    CameraWgt_DataWidget_Title(CameraWgt_DataWidget* cell, int cameraIndex, QWidget* parent = nullptr);

    // Recomposes the texts from the main window's state; called every 100 ms for the title on
    // show.
    virtual void refreshText();
    // true: the camera buttons in place of the camera label (one camera shown alone).
    virtual void setActive(bool active);
    // The title's own style rules, set after the common dark style.
    virtual QString styleSheet() const;

    CameraWgt_DataWidget* cell;
    int cameraIndex;
    QLabel* cameraLabel;
    MultipleBtnGroup* buttonGroup;
    QLabel* runStatusLabel;

protected:
    // Sets the common dark style followed by styleSheet(); subclasses call it once built.
    void applyTitleStyle();

    QHBoxLayout* m_layout;
};
