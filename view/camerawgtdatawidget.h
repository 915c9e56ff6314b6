// One camera's cell of the camera area: a 60-pixel title (run title or editor title), the camera
// view and its per-region result table beside or below it, and a small button that hides or
// shows the table. GUI thread only.
#pragma once

#include <QWidget>

class CameraInterface;
class CameraReportForm;
class CameraWgtBox;
class CameraWgt_DataWidget_Title;
class CameraWgt_DataWidget_Title_SetROI;
class CammerWidget;
class QBoxLayout;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

class CameraWgt_DataWidget : public QWidget {
    Q_OBJECT

public:
    // Page numbers of titleStack.
    static constexpr int kRunTitlePage = 0;
    static constexpr int kEditorTitlePage = 1;

    // The cell of camera `index` of `box`: builds the camera's view around the box's camera.
    CameraWgt_DataWidget(int index, CameraWgtBox* box);

    // 1: the table beside the image (stretch 2 : 1, as tall as the image); 0: the table below it.
    void setLayoutMode(int mode);
    // Only for an enabled cell: shown when `camera` is -1 (all) or this camera; the title shows
    // the camera buttons while a single camera is shown.
    void showForCamera(int camera);
    // 0 and 1: run title and table; 2 and 3: editor title, table hidden.
    void setMode(int mode);
    // Switches to the editor title and returns it.
    CameraWgt_DataWidget_Title_SetROI* showSetRoiTitle();
    // The title of the current page.
    CameraWgt_DataWidget_Title* currentTitle() const;
    // Puts the hide button at the right edge, vertically centred, above the other children;
    // visible only while the main window's alarm state is below 2 (no NG alarm, no region
    // review or editing). Called on every paint, resize and title refresh.
    void placeHideButton();

    int index;
    int layoutMode = 0;
    // The camera slot is enabled in the settings (kept by the main window).
    bool enabled = true;
    CameraInterface* camera;
    CameraWgtBox* box;
    QStackedWidget* titleStack;
    CammerWidget* view;
    CameraReportForm* report;
    // Below the image: the table height remembered across resizes; 0 until first taken.
    int reportHeight = 0;
    QVBoxLayout* cellLayout;
    QPushButton* hideButton;

signals:
    // Show camera `index` alone, or all cameras for -1.
    void sigChangeCameraLayout(int index);

public slots:
    // A camera button of the title: a disabled camera only gets a warning; otherwise the choice
    // goes to the box.
    void slotCameraButton(int camera);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The layout of image and table inside cellLayout; rebuilt by setLayoutMode.
    QBoxLayout* m_innerLayout = nullptr;
};
