// The camera page of the settings dialog: one camera at a time, its image values tried live on
// the camera while the operator edits them (and put back by the dialog when declined), its
// enable, colour and mirror switches, the acquisition speed and the algorithm switches. A simple
// display hides most controls and makes the dialog see-through over the live picture.
#pragma once

#include "settings/tabparamwidget.h"

class CammerWidget;
class CheckBox;
class ColorButton;
class EditBox;
class QLabel;

class CameraParamWidget : public TabParamWidget {
    Q_OBJECT

public:
    // `parent` is the settings dialog. Shows the main window's camera alone.
    explicit CameraParamWidget(QWidget* parent);

    void loadParam() override;
    void saveParam() override;

    // The camera whose values the page shows, and the display mode.
    int currentCamera = 0;
    bool simpleMode = true;

    static constexpr int kValueBoxes = 5;
    static constexpr int kSwitches = 17;
    QLabel* titleLabel = nullptr;
    CheckBox* enableBox = nullptr;
    ColorButton* restoreDefaultsButton = nullptr;
    ColorButton* autoExposureButton = nullptr;
    ColorButton* showModeButton = nullptr;
    ColorButton* switchCameraButton = nullptr;
    // Exposure, gain, sharpness, contrast, gamma (thermal: emissivity, reflected temperature,
    // atmospheric temperature, temperature range, target distance) and the acquisition speed.
    EditBox* valueBoxes[kValueBoxes] = {};
    EditBox* speedBox = nullptr;
    CheckBox* switches[kSwitches] = {};
    CheckBox* mirrorHBox = nullptr;
    CheckBox* mirrorVBox = nullptr;
    CheckBox* continuousBox = nullptr;
    QLabel* switchHeader = nullptr;
    QLabel* reorderLabel = nullptr;
    ColorButton* reorderButton = nullptr;

signals:
    void showModeChange(int simple);

public slots:
    // Into simple display and back; tells the dialog.
    void SlotChangeShowMode();
    // The next camera (wrapping), shown alone behind the dialog, its values pushed to it.
    void switchCamera();
    // "排序": the camera order dialog, modal, over the settings dialog.
    void onReorderCameras();
    void onExposureChanged(int value);
    void onGainChanged(int value);
    void onSharpnessChanged(int value);
    void onContrastChanged(int value);
    void onGammaChanged(int value);
    void onEnableChanged(int state);
    void onMirrorHChanged(int state);
    void onMirrorVChanged(int state);
    void onColorCameraChanged(int state);
    void onAutoShadingChanged(int state);
    // Asks, then the camera reloads its factory values into the edit copy and gets them again.
    void onRestoreDefaults();
    // The camera adjusts its exposure itself; the values it finds are not kept.
    void onAutoExposure();

private:
    CammerWidget* currentView() const;
    // Captions, ranges and visibility of the value boxes for the current camera's kind.
    void showCameraKind();
    // The five value boxes from the current camera's slots; with signals active each pushes its
    // value to the camera.
    void setValueBoxes();
    void setCameraSwitches();
    void setValue(int* perCamera, int value, void (CammerWidget::*apply)(bool));
};
