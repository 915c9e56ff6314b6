#include "settings/cameraparamwidget.h"

#include "cameras/camerainterface.h"
#include "core/globals.h"
#include "core/systemparam.h"
#include "settings/paramfield.h"
#include "mainwindow/mojuwizard.h"
#include "settings/settingsstyle.h"
#include "settings/widgetchangecamera.h"
#include "view/cammerwidget.h"
#include "widgets/checkbox.h"
#include "widgets/colorbutton.h"
#include "widgets/dialogstyle.h"
#include "widgets/editbox.h"
#include "widgets/textfit.h"
#include "widgets/tipbox.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>


namespace {


// The five per-camera value boxes: captions for a visible-light and a thermal camera, the
// per-camera array, the range (the thermal temperature range is 0..2), and the slot that takes
// a change.
struct ValueBoxRow {
    const char* visibleCaption;
    const char* thermalCaption;
    int firstField;
    int minimum;
    int maximum;
    int thermalMaximum;
    void (CameraParamWidget::*onChange)(int);
    bool thermalShown;
};
const ValueBoxRow kValueBoxRows[CameraParamWidget::kValueBoxes] = {
    {QT_TRANSLATE_NOOP("CameraParamWidget", "曝光时间"), QT_TRANSLATE_NOOP("CameraParamWidget", "发射率"),
     PARAM_FIELD(exposure), 1, 100, 100, &CameraParamWidget::onExposureChanged, false},
    {QT_TRANSLATE_NOOP("CameraParamWidget", "增益调节"), QT_TRANSLATE_NOOP("CameraParamWidget", "反射温度"),
     PARAM_FIELD(gain), 0, 64, 64, &CameraParamWidget::onGainChanged, false},
    {QT_TRANSLATE_NOOP("CameraParamWidget", "清晰度"), QT_TRANSLATE_NOOP("CameraParamWidget", "大气温度"),
     PARAM_FIELD(sharpness), 0, 100, 100, &CameraParamWidget::onSharpnessChanged, false},
    {QT_TRANSLATE_NOOP("CameraParamWidget", "真实度"), QT_TRANSLATE_NOOP("CameraParamWidget", "温度范围"),
     PARAM_FIELD(contrast), 0, 200, 2, &CameraParamWidget::onContrastChanged, true},
    {QT_TRANSLATE_NOOP("CameraParamWidget", "Gamma"), QT_TRANSLATE_NOOP("CameraParamWidget", "目标距离"),
     PARAM_FIELD(gamma), 0, 250, 250, &CameraParamWidget::onGammaChanged, true},
};

// The system-wide switches, in their column's order; those with a slot act at once, the others
// are written by saveParam. Index 2 is the current camera's colour flag.
struct SwitchRow {
    int textId;
    int field;  // -1: the current camera's colour flag
};
const SwitchRow kSwitchRows[CameraParamWidget::kSwitches] = {
    {388, PARAM_FIELD(autoWdr)},
    {337, PARAM_FIELD(lensOptimisationOff)},
    {270, -1},
    {271, PARAM_FIELD(greyChannel)},
    {519, PARAM_FIELD(cameraExternalTrigger)},
    {200, PARAM_FIELD(showAlgorithmDetails)},
    {196, PARAM_FIELD(defectDetectionEnabled)},
    {197, PARAM_FIELD(spotDetectionEnabled)},
    {198, PARAM_FIELD(ignoreAreaEnabled)},
    {199, PARAM_FIELD(manualPositioningEnabled)},
    {390, PARAM_FIELD(blackAreaCheck)},
    {391, PARAM_FIELD(whiteAreaCheck)},
    {397, PARAM_FIELD(similarityCheck)},
    {520, PARAM_FIELD(whiteCountCheck)},
    {570, PARAM_FIELD(temperatureAlarm)},
    {582, PARAM_FIELD(matchTemplateBrightness)},
    {583, PARAM_FIELD(angleCorrection)},
};
constexpr int kAutoWdrSwitch = 0;
constexpr int kColourSwitch = 2;
constexpr int kDetailsSwitch = 5;
// Switches whose algorithms have parameters that only the detailed display shows.
const int kDetailedAlgorithmFields[] = {
    PARAM_FIELD(spotDetectionEnabled), PARAM_FIELD(whiteAreaCheck),   PARAM_FIELD(blackAreaCheck),
    PARAM_FIELD(whiteCountCheck),      PARAM_FIELD(temperatureAlarm),
};

// Text ids of the page.
constexpr int kTextRestore = 526;
constexpr int kTextAutoExposure = 500;
constexpr int kTextSimpleDisplay = 300;
constexpr int kTextCompleteDisplay = 299;
constexpr int kTextSwitchCamera = 163;
constexpr int kTextSpeed = 244;
constexpr int kTextReorder = 396;
constexpr int kTextRestoreQuestion = 527;

const char* const kTitleStyleComplete = "QLabel{color: #2687F2;background-color:transparent;}";
const char* const kTitleStyleSimple = "QLabel{color: transparent;background-color:transparent;}";
const char* const kIconPadding = "padding-left: 40px;padding-right: 20px}";

ColorButton* iconButton(const QString& text, const char* objectName, QWidget* parent)
{
    auto button = new ColorButton(text, parent, 0);
    button->setObjectName(QLatin1String(objectName));
    button->setFixedSize(170, 50);
    // The page's icon rules style it.
    button->setStyleSheet(QString());
    return button;
}

}  // namespace

CameraParamWidget::CameraParamWidget(QWidget* parent) : TabParamWidget(parent)
{
    if (mainWindow) {
        if (mainWindow->shownCamera >= cameraCount)
            mainWindow->shownCamera = 0;
        // The camera whose values the page shows is the one shown behind the dialog.
        mainWindow->ChangeCammer();
        currentCamera = mainWindow->shownCamera;
    }

    titleLabel = new QLabel(tr("%1 号相机").arg(currentCamera + 1), this);
    titleLabel->setFixedHeight(50);

    enableBox = new CheckBox(this, tr("启用"));
    enableBox->setFixedWidth(110);
    connect(enableBox, &QCheckBox::stateChanged, this, &CameraParamWidget::onEnableChanged);
    restoreDefaultsButton = iconButton(tableText(kTextRestore), "pCButtonRestoreDefaultSettings", this);
    autoExposureButton = iconButton(tableText(kTextAutoExposure), "pCButtonOpenAutoExposeTime", this);
    showModeButton = iconButton(tableText(kTextSimpleDisplay), "pCButtonShowMode", this);
    switchCameraButton = iconButton(tableText(kTextSwitchCamera), "pCButtonCamera", this);
    connect(restoreDefaultsButton, &QPushButton::clicked, this, &CameraParamWidget::onRestoreDefaults);
    connect(autoExposureButton, &QPushButton::clicked, this, &CameraParamWidget::onAutoExposure);
    connect(showModeButton, &QPushButton::clicked, this, &CameraParamWidget::SlotChangeShowMode);
    connect(switchCameraButton, &QPushButton::clicked, this, &CameraParamWidget::switchCamera);

    for (int i = 0; i < kValueBoxes; ++i) {
        const ValueBoxRow& row = kValueBoxRows[i];
        valueBoxes[i] = new EditBox(row.minimum, row.maximum, this, tr(row.visibleCaption), QString(),
                                    EditBox::Integer, 1);
        connect(valueBoxes[i], &EditBox::valueChanged, this, row.onChange);
    }
    speedBox = new EditBox(0, 32, this, tableText(kTextSpeed), QString(), EditBox::Integer, 1);

    switchHeader = SettingsStyle::sectionHeader(tr("参数开关"), this);
    for (int i = 0; i < kSwitches; ++i) {
        switches[i] = new CheckBox(this, tableText(kSwitchRows[i].textId));
    }
    connect(switches[kAutoWdrSwitch], &QCheckBox::stateChanged, this, &CameraParamWidget::onAutoShadingChanged);
    connect(switches[kColourSwitch], &QCheckBox::stateChanged, this, &CameraParamWidget::onColorCameraChanged);
    mirrorHBox = new CheckBox(this, tr("水平镜像"));
    mirrorVBox = new CheckBox(this, tr("垂直镜像"));
    continuousBox = new CheckBox(this, tr("连续采集定时检测"));
    connect(mirrorHBox, &QCheckBox::stateChanged, this, &CameraParamWidget::onMirrorHChanged);
    connect(mirrorVBox, &QCheckBox::stateChanged, this, &CameraParamWidget::onMirrorVChanged);

    reorderLabel = new QLabel(tableText(kTextReorder), this);
    reorderLabel->setFixedHeight(50);
    reorderButton = new ColorButton(tr("排序"), this, 0);
    reorderButton->setFixedSize(170, 50);
    connect(reorderButton, &QPushButton::clicked, this, &CameraParamWidget::onReorderCameras);

    auto topRow = new QHBoxLayout;
    topRow->setContentsMargins(50, 0, 0, 0);
    topRow->addWidget(enableBox);
    for (ColorButton* button : {restoreDefaultsButton, autoExposureButton, showModeButton, switchCameraButton})
        topRow->addWidget(button);
    topRow->addStretch();

    auto reorderRow = new QHBoxLayout;
    reorderRow->addStretch();
    reorderRow->addWidget(reorderLabel);
    reorderRow->addSpacing(10);
    reorderRow->addWidget(reorderButton);

    auto left = new QVBoxLayout;
    left->setSpacing(20);
    left->addWidget(titleLabel);
    left->addLayout(topRow);
    for (EditBox* box : valueBoxes)
        left->addWidget(box);
    left->addWidget(speedBox);
    left->addSpacing(40);
    left->addLayout(reorderRow);
    left->addStretch();

    auto firstColumn = new QVBoxLayout;
    firstColumn->setSpacing(15);
    firstColumn->setContentsMargins(40, 0, 0, 0);
    for (CheckBox* box : switches)
        firstColumn->addWidget(box);
    auto secondColumn = new QVBoxLayout;
    secondColumn->setSpacing(15);
    secondColumn->setContentsMargins(40, 0, 0, 0);
    for (CheckBox* box : {mirrorHBox, mirrorVBox, continuousBox})
        secondColumn->addWidget(box);
    secondColumn->addStretch();
    auto switchColumns = new QHBoxLayout;
    switchColumns->addLayout(firstColumn);
    switchColumns->addLayout(secondColumn);

    auto right = new QVBoxLayout;
    right->setSpacing(15);
    right->addWidget(switchHeader);
    right->addLayout(switchColumns);
    right->addStretch();

    auto columns = new QHBoxLayout(this);
    columns->addLayout(left, 1);
    columns->addSpacing(20);
    columns->addLayout(right, 1);

    const struct {
        ColorButton* button;
        const char* icon;
    } icons[] = {{restoreDefaultsButton, ":/Resume.png"},
                 {autoExposureButton, ":/Exposure.png"},
                 {showModeButton, ":/Display.png"},
                 {switchCameraButton, ":/CameraSwitch.png"}};
    // Seventeen switches beside six value boxes: the switch captions are a size smaller than the
    // dialog's, so that the column fits the page's height.
    QString rules = QStringLiteral("QCheckBox{font-size:20px;padding-right:4px;}");
    QStringList names;
    for (const auto& icon : icons) {
        rules += SettingsStyle::iconButtonRule(icon.button->objectName(), QLatin1String(icon.icon), kIconPadding);
        names << QLatin1Char('#') + icon.button->objectName();
    }
    // The built-in icons are 64 pixels square, larger than the 50-pixel buttons: each sits at the
    // button's left edge and the caption beside it, instead of both in the padded content.
    rules += QStringLiteral("QPushButton%1{background-origin: border;background-position: left center;"
                            "padding-left: 56px;padding-right: 4px;font-size: 20px;text-align: center;}")
                 .arg(names.join(QStringLiteral(",QPushButton")));
    applyDialogStyle(this, rules);
    fitCombosOf(this, 14);

    showCameraKind();
    SlotChangeShowMode();
}

CammerWidget* CameraParamWidget::currentView() const
{
    if (!mainWindow || currentCamera < 0 || currentCamera >= MoJuWizard::kCameras)
        return nullptr;
    return mainWindow->cameraViews[currentCamera];
}

void CameraParamWidget::showCameraKind()
{
    const CammerWidget* view = currentView();
    const bool thermal = view && view->thermal;
    for (int i = 0; i < kValueBoxes; ++i) {
        const ValueBoxRow& row = kValueBoxRows[i];
        valueBoxes[i]->setText(tr(thermal ? row.thermalCaption : row.visibleCaption));
        valueBoxes[i]->setRange(row.minimum, thermal ? row.thermalMaximum : row.maximum);
        valueBoxes[i]->setVisible(!thermal || row.thermalShown);
    }
    speedBox->setVisible(!thermal);
}

void CameraParamWidget::setValueBoxes()
{
    for (int i = 0; i < kValueBoxes; ++i)
        valueBoxes[i]->setValue(editParams->field(kValueBoxRows[i].firstField + currentCamera));
}

void CameraParamWidget::setCameraSwitches()
{
    const int c = currentCamera;
    enableBox->setCheckedState(editParams->cameraEnabled[c]);
    mirrorHBox->setCheckedState(editParams->mirrorH[c]);
    mirrorVBox->setCheckedState(editParams->mirrorV[c]);
    switches[kColourSwitch]->setCheckedState(editParams->colourCamera[c]);
}

void CameraParamWidget::loadParam()
{
    QList<EditBox*> boxes{valueBoxes, valueBoxes + kValueBoxes};
    boxes << speedBox;
    for (EditBox* box : boxes)
        box->blockSignals(true);
    titleLabel->setText(tr("%1 号相机").arg(currentCamera + 1));
    enableBox->setCheckedState(editParams->cameraEnabled[currentCamera]);
    setValueBoxes();
    speedBox->setValue(editParams->acquisitionSpeed);
    for (EditBox* box : boxes)
        box->blockSignals(false);
    for (int i = 0; i < kSwitches; ++i)
        if (kSwitchRows[i].field >= 0)
            switches[i]->setCheckedState(editParams->field(kSwitchRows[i].field));
    continuousBox->setCheckedState(editParams->continuousTimedDetection);
    setCameraSwitches();
}

void CameraParamWidget::saveParam()
{
    editParams->acquisitionSpeed = speedBox->value();
    for (int i = 0; i < kSwitches; ++i)
        if (kSwitchRows[i].field >= 0 && i != kDetailsSwitch)
            editParams->setField(kSwitchRows[i].field, switches[i]->isCheckedState() ? 1 : 0);
    editParams->continuousTimedDetection = continuousBox->isCheckedState() ? 1 : 0;
    // An algorithm with parameters of its own needs the detailed display to set them.
    for (int field : kDetailedAlgorithmFields)
        if (editParams->field(field))
            switches[kDetailsSwitch]->setCheckedState(true);
    editParams->showAlgorithmDetails = switches[kDetailsSwitch]->isCheckedState() ? 1 : 0;
}

void CameraParamWidget::setValue(int* perCamera, int value, void (CammerWidget::*apply)(bool))
{
    perCamera[currentCamera] = value;
    if (CammerWidget* view = currentView())
        (view->*apply)(true);
}

void CameraParamWidget::onExposureChanged(int value)
{
    setValue(editParams->exposure, value, &CammerWidget::applyExposure);
}

void CameraParamWidget::onGainChanged(int value)
{
    setValue(editParams->gain, value, &CammerWidget::applyGain);
}

void CameraParamWidget::onSharpnessChanged(int value)
{
    setValue(editParams->sharpness, value, &CammerWidget::applySharpness);
}

void CameraParamWidget::onContrastChanged(int value)
{
    setValue(editParams->contrast, value, &CammerWidget::applyContrast);
}

void CameraParamWidget::onGammaChanged(int value)
{
    setValue(editParams->gamma, value, &CammerWidget::applyGamma);
}

void CameraParamWidget::onEnableChanged(int state)
{
    editParams->cameraEnabled[currentCamera] = state == Qt::Checked ? 1 : 0;
}

void CameraParamWidget::onMirrorHChanged(int state)
{
    setValue(editParams->mirrorH, state == Qt::Checked ? 1 : 0, &CammerWidget::applyMirror);
}

void CameraParamWidget::onMirrorVChanged(int state)
{
    setValue(editParams->mirrorV, state == Qt::Checked ? 1 : 0, &CammerWidget::applyMirror);
}

void CameraParamWidget::onColorCameraChanged(int state)
{
    editParams->colourCamera[currentCamera] = state == Qt::Checked ? 1 : 0;
}

void CameraParamWidget::onAutoShadingChanged(int state)
{
    editParams->autoWdr = state == Qt::Checked ? 1 : 0;
    if (!mainWindow)
        return;
    for (int c = 0; c < cameraCount && c < MoJuWizard::kCameras; ++c)
        if (CammerWidget* view = mainWindow->cameraViews[c])
            view->applyWdr(true);
}

void CameraParamWidget::onReorderCameras()
{
    WidgetChangeCamera dialog(window());
    dialog.exec();
}

void CameraParamWidget::switchCamera()
{
    currentCamera = cameraCount > 0 ? (currentCamera + 1) % cameraCount : 0;
    if (mainWindow) {
        mainWindow->shownCamera = currentCamera;
        mainWindow->ChangeCammer();
    }
    titleLabel->setText(tr("%1 号相机").arg(currentCamera + 1));
    showCameraKind();
    setValueBoxes();
    setCameraSwitches();
    update();
}

void CameraParamWidget::SlotChangeShowMode()
{
    simpleMode = !simpleMode;
    showModeButton->setText(tableText(simpleMode ? kTextCompleteDisplay : kTextSimpleDisplay));
    QList<QWidget*> detailed{reorderButton, reorderLabel, switchHeader, mirrorHBox, mirrorVBox};
    for (CheckBox* box : switches)
        detailed << box;
    for (QWidget* w : detailed)
        w->setVisible(!simpleMode);
    titleLabel->setStyleSheet(QLatin1String(simpleMode ? kTitleStyleSimple : kTitleStyleComplete));
    emit showModeChange(simpleMode);
}

void CameraParamWidget::onRestoreDefaults()
{
    tipbox question(2, nullptr, 600, 420);
    question.setText(tableText(kTextRestoreQuestion));
    if (question.exec() != 1)
        return;
    if (CammerWidget* view = currentView())
        view->loadCameraDefaults();
    setValueBoxes();
    speedBox->setValue(editParams->acquisitionSpeed);
}

void CameraParamWidget::onAutoExposure()
{
    CammerWidget* view = currentView();
    if (view && view->cameraOpen && view->camera)
        view->camera->autoAdjust(true);
}
