// The region parameter panel of the camera view: sliders for the selected region's three
// parameters, the tool button, the page switch of packed parameters, the output channel, the size
// and move buttons, and the live preview of every parameter change. Edits only the edit set.
// GUI thread only.
#include "view/cammerwidget.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/detectengine.h"
#include "detection/roiinterface.h"
#include "detection/tooltype.h"
#include "mainwindow/mojuwizard.h"
#include "view/regiontooltable.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/kitfont.h"
#include "widgets/slider.h"
#include "widgets/windowhelpers.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPalette>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <iterator>

namespace {

// Height of a panel row and of the region's panel without and with the detail sliders.
constexpr int kRowHeight = 45;
constexpr int kPanelHeight = 102;
constexpr int kDetailedPanelHeight = 204;
// The panel stays this far above the screen's bottom edge (the move buttons live there).
constexpr int kBottomReserve = 170;
// Milliseconds the size hints stay after a parameter change.
constexpr int kHintMs = 3000;
constexpr int kJapanese = 3;
// Output channels offered for region-mapped outputs (combo index 0..8).
const char* const kOutputChannels[] = {"N1", "N2", "N4", "N5", "N6", "N7", "N8", "N9", "N10"};
// The move-all button names the mode its next press selects: text 12 "隐藏设置", 32 "整体移动",
// 34 "单移/显示", by the present moveMode 0, 1, 2.
constexpr int kMoveAllTexts[] = {12, 32, 34};

// The kit's buttons draw 18-pixel text through their style sheet; a caption wider than its
// button (the panel's widths are fixed) takes the largest smaller size that fits, down to 12.
void fitCaption(QPushButton* button)
{
    constexpr int kKitTextSize = 18;
    constexpr int kSmallestTextSize = 12;
    constexpr int kPadding = 8;
    // The family the style sheet leaves the button (the application's font).
    button->ensurePolished();
    QFont font = button->font();
    int size = kKitTextSize;
    for (; size > kSmallestTextSize; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(button->text()) + kPadding <= button->width())
            break;
    }
    static const QRegularExpression textSize(QStringLiteral("font-size: *\\d+px"));
    button->setStyleSheet(button->styleSheet().replace(textSize, QStringLiteral("font-size: %1px").arg(size)));
}

QFont panelFont(int pixelSize)
{
    QFont font(QString::fromLatin1(kKitFontFamily));
    font.setPixelSize(pixelSize);
    return font;
}

}  // namespace

void CammerWidget::makeParamPanel()
{
    minWHSlider = new Slider(0, 10, 1, 25, this, QString());
    sensitivitySlider = new Slider(0, 255, 1, 25, this, QString());
    areaSlider = new Slider(0, 1000, 1, 50, this, QString());
    connect(minWHSlider, &QAbstractSlider::valueChanged, this, &CammerWidget::SlotMinWH);
    connect(sensitivitySlider, &QAbstractSlider::valueChanged, this, &CammerWidget::SlotSensitivity);
    connect(areaSlider, &QAbstractSlider::valueChanged, this, &CammerWidget::SlotArea);

    funcLabel = new QLabel(tableText(2), this);  // "功能："
    funcLabel->setFont(panelFont(30));
    QPalette palette = funcLabel->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::WindowText, Qt::green);
    funcLabel->setPalette(palette);

    funcButton = new ColorButton(QString(), this, 0);
    connect(funcButton, &QPushButton::clicked, this, &CammerWidget::SlotChangeFunc);
    paraSwitchButton = new ColorButton(tableText(3), this, 0);  // "参数切换"
    connect(paraSwitchButton, &QPushButton::clicked, this, &CammerWidget::SlotChangeParaShow);

    outNCombo = new ComboBox(this);
    for (const char* channel : kOutputChannels)
        outNCombo->addItem(QString::fromLatin1(channel));
    setComboFont(outNCombo, panelFont(20));
    setComboStyle(outNCombo, 50);
    connect(outNCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &CammerWidget::SlotOutN);

    objectButton = new ColorButton(QString(), this, 0);
    connect(objectButton, &QPushButton::clicked, this, &CammerWidget::SlotChangeObject);
    const struct {
        ColorButton** button;
        void (CammerWidget::*slot)();
    } sizeButtons[] = {
        {&add10Button, &CammerWidget::SlotAdd10},
        {&add1Button, &CammerWidget::SlotAdd1},
        {&sub1Button, &CammerWidget::SlotSub1},
        {&sub10Button, &CammerWidget::SlotSub10},
    };
    for (const auto& entry : sizeButtons) {
        *entry.button = new ColorButton(QString(), this, 0);
        makeAutoRepeat(*entry.button);
        connect(*entry.button, &QPushButton::clicked, this, entry.slot);
    }

    nextRoiButton = new ColorButton(tableText(4), this, 0);  // "切换区域"
    connect(nextRoiButton, &QPushButton::clicked, this, &CammerWidget::SlotNextROI);

    // Texts 5 "上移", 6 "下移", 7 "左移", 8 "右移"; a row along the bottom of the screen.
    const int moveRow = screenHeight - 145;
    const struct {
        ColorButton** button;
        int textId;
        int x;
        void (CammerWidget::*slot)();
    } moveButtons[] = {
        {&moveUpButton, 5, 300, &CammerWidget::SlotMoveT},
        {&moveDownButton, 6, 510, &CammerWidget::SlotMoveB},
        {&moveLeftButton, 7, 720, &CammerWidget::SlotMoveL},
        {&moveRightButton, 8, 930, &CammerWidget::SlotMoveR},
    };
    for (const auto& entry : moveButtons) {
        *entry.button = new ColorButton(tableText(entry.textId), this, 0);
        (*entry.button)->setGeometry(entry.x, moveRow, 200, 75);
        makeAutoRepeat(*entry.button);
        connect(*entry.button, &QPushButton::clicked, this, entry.slot);
    }
    moveAllButton = new ColorButton(QString(), this, 0);
    moveAllButton->setGeometry(1140, moveRow, 220, 75);
    connect(moveAllButton, &QPushButton::clicked, this, &CammerWidget::SlotMoveAll);

    for (QWidget* widget : panelWidgets())
        widget->hide();
}

std::vector<QWidget*> CammerWidget::panelWidgets() const
{
    return {minWHSlider, sensitivitySlider, areaSlider, funcLabel, funcButton, paraSwitchButton,
            outNCombo, objectButton, add10Button, add1Button, sub1Button, sub10Button,
            nextRoiButton, moveUpButton, moveDownButton, moveLeftButton, moveRightButton, moveAllButton};
}

int* CammerWidget::selectedParam(int param)
{
    const int s = editedDetect() * kRoisPerDetect + selectedRoi;
    CammerSingleton& set = *editRoiSet;
    switch (param) {
    case RegionTools::P1:
        return &set.minWH[s];
    case RegionTools::P2:
        return &set.sensitivity[s];
    default:
        return &set.area[s];
    }
}

bool CammerWidget::setParamSlider(Slider* slider, int param)
{
    int& stored = *selectedParam(param);
    const int tool = editRoiSet->toolType[editedDetect() * kRoisPerDetect + selectedRoi];
    const RegionTools::SliderSetting setting
        = RegionTools::sliderSetting(tool, paramPage, RegionTools::Param(param), stored);
    if (!setting.set)
        return false;
    {
        // Set quietly: the intermediate values of a range change are not stored.
        const QSignalBlocker quiet(slider);
        slider->reset(setting.minimum, setting.maximum, 1, setting.value, tableText(setting.textId));
    }
    // A stored value outside the slider's range is written back as the slider holds it.
    if (slider->value() != setting.value)
        sliderMoved(param, slider->value());
    slider->update();
    return true;
}

void CammerWidget::sliderMoved(int param, int value)
{
    if (!selectedShape())
        return;
    const int tool = editRoiSet->toolType[editedDetect() * kRoisPerDetect + selectedRoi];
    int& stored = *selectedParam(param);
    stored = RegionTools::storeSliderValue(tool, paramPage, RegionTools::Param(param), stored, value);
    if (RegionTools::startsHint(tool, RegionTools::Param(param)) && mainWindow && mainWindow->hintTimer)
        mainWindow->hintTimer->start(kHintMs);
    if (engine)
        engine->evaluateRoi(editedDetect(), selectedRoi);
    update();
}

void CammerWidget::layoutParamPanel()
{
    previewActive = false;
    ROIInterface* shape = selectedShape();
    if (!shape) {
        for (QWidget* widget : panelWidgets())
            widget->hide();
        moveMode = 0;
        handleIndex = 0;
        moveAllButton->setText(tableText(kMoveAllTexts[0]));
        update();
        return;
    }
    const SystemParam& p = *activeParams;
    const bool details = p.showAlgorithmDetails != 0;
    const int d = editedDetect();
    const int tool = editRoiSet->toolType[d * kRoisPerDetect + selectedRoi];

    // Below the region when the panel fits above the move buttons, else above it, else as low
    // as it may go.
    const int regionBottom = int((shape->top() + shape->height()) * imageScaleY);
    const int regionTop = int(shape->top() * imageScaleY);
    const int panelHeight = details ? kDetailedPanelHeight : kPanelHeight;
    const int limit = screenHeight - kBottomReserve;
    int y = regionBottom + panelHeight < limit ? regionBottom + 5
            : panelHeight < regionTop          ? regionTop - panelHeight
                                               : limit - panelHeight;
    const int sliderWidth = screenWidth / 2 + 45;
    sensitivitySlider->setGeometry(400, y, sliderWidth, kRowHeight);
    if (details) {
        areaSlider->setGeometry(400, y + 50, sliderWidth, kRowHeight);
        minWHSlider->setGeometry(400, y + 100, sliderWidth, kRowHeight);
        y += 100;
    }
    const int row = y + 50;
    const bool japanese = currentLanguage == kJapanese;
    const int wide = japanese ? 180 : 120;
    funcLabel->setGeometry(400, row, 80, kRowHeight);
    funcButton->setGeometry(483, row, 120, kRowHeight);
    paraSwitchButton->setGeometry(606, row, wide, kRowHeight);
    outNCombo->setGeometry(japanese ? 789 : 729, row, 55, kRowHeight);
    nextRoiButton->setGeometry(japanese ? 847 : 787, row, wide, kRowHeight);
    ColorButton* const stepButtons[] = {objectButton, add10Button, add1Button, sub1Button, sub10Button};
    for (int i = 0; i < int(std::size(stepButtons)); ++i)
        stepButtons[i]->setGeometry(910 + 96 * i + (japanese ? 120 : 0), row, 93, kRowHeight);

    paramPage = false;
    funcButton->setText(tableText(RegionTools::toolButtonTextId(tool)));
    setParamSlider(minWHSlider, RegionTools::P1);
    setParamSlider(sensitivitySlider, RegionTools::P2);
    setParamSlider(areaSlider, RegionTools::P3);

    for (ColorButton* button : {moveUpButton, moveDownButton, moveLeftButton, moveRightButton, moveAllButton})
        button->show();
    moveAllButton->setText(tableText(kMoveAllTexts[std::clamp(moveMode, 0, 2)]));
    const bool single = moveMode == 0;
    const bool packed = tool == ToolType::Spot || tool == ToolType::Temperature;
    const bool noP1 = tool == ToolType::BlackArea || tool == ToolType::WhiteArea || tool == ToolType::Similarity;
    const bool manyTools = RegionTools::availableToolCount(p, thermal || simulated) > 1;
    minWHSlider->setVisible(single && details && !noP1);
    areaSlider->setVisible(single && details && tool != ToolType::Similarity);
    sensitivitySlider->setVisible(single);
    funcLabel->setVisible(single && manyTools);
    funcButton->setVisible(single && manyTools);
    paraSwitchButton->setVisible(single && packed);
    for (ColorButton* button : stepButtons)
        button->setVisible(single);
    nextRoiButton->setVisible(single);
    const bool outputs = mainWindow && mainWindow->editDetect == 0 && p.productNgEjectorPulse != 0;
    if (single && outputs) {
        const QSignalBlocker quiet(outNCombo);
        outNCombo->setCurrentIndex(editRoiSet->outN[selectedRoi]);
    }
    outNCombo->setVisible(single && outputs);

    // Size buttons: radius steps for a circle's radii, else one pixel up, left, down, right.
    const bool radius = shape->type() == ShapeCircle && (handleIndex == 0 || handleIndex == 1);
    const char* const radiusTexts[] = {"+10", "+1", "-1", "-10"};
    const char* const pointTexts[] = {"Y -1", "X -1", "Y +1", "X +1"};
    for (int i = 0; i < 4; ++i)
        stepButtons[i + 1]->setText(QString::fromLatin1(radius ? radiusTexts[i] : pointTexts[i]));

    // The part the size buttons act on: 30 "左上点", 29 "右下点"; 28 "内半径", 26 "外半径", 27 "圆心";
    // 31 "第 %1 点".
    switch (shape->type()) {
    case ShapeCircle:
        objectButton->setText(tableText(handleIndex == 1 ? 26 : handleIndex == 2 ? 27 : 28));
        break;
    case ShapePolygon:
        objectButton->setText(tableText(31).arg(handleIndex + 1));
        break;
    default:
        objectButton->setText(tableText(handleIndex == 1 ? 29 : 30));
        break;
    }
    for (QPushButton* button : {static_cast<QPushButton*>(funcButton), static_cast<QPushButton*>(paraSwitchButton),
                                static_cast<QPushButton*>(nextRoiButton), static_cast<QPushButton*>(objectButton)})
        fitCaption(button);
    update();
}

void CammerWidget::SlotMinWH(int value)
{
    sliderMoved(RegionTools::P1, value);
}

void CammerWidget::SlotSensitivity(int value)
{
    sliderMoved(RegionTools::P2, value);
}

void CammerWidget::SlotArea(int value)
{
    sliderMoved(RegionTools::P3, value);
}

void CammerWidget::SlotOutN(int index)
{
    // Region-mapped outputs belong to the product check only.
    if (!mainWindow || mainWindow->editDetect != 0 || !selectedShape() || index < 0
        || index >= int(std::size(kOutputChannels)))
        return;
    editRoiSet->outN[selectedRoi] = index;
}

void CammerWidget::SlotChangeFunc()
{
    if (!selectedShape())
        return;
    const int s = editedDetect() * kRoisPerDetect + selectedRoi;
    CammerSingleton& set = *editRoiSet;
    const int tool = RegionTools::nextToolType(set.toolType[s], *activeParams, thermal || simulated);
    // No tool offered at all: the region keeps its tool and parameters.
    if (tool < 0)
        return;
    set.toolType[s] = tool;
    RegionTools::applyToolDefaults(tool, *activeParams, true, set.minWH[s], set.sensitivity[s], set.area[s]);
    layoutParamPanel();
    paramPage = false;
}

void CammerWidget::SlotChangeParaShow()
{
    if (!selectedShape())
        return;
    paramPage = !paramPage;
    // Only the spot region's grey band and the temperature region's halves have a second page.
    const int tool = editRoiSet->toolType[editedDetect() * kRoisPerDetect + selectedRoi];
    if (tool == ToolType::Spot || tool == ToolType::Temperature)
        setParamSlider(minWHSlider, RegionTools::P1);
    if (tool == ToolType::Temperature) {
        setParamSlider(sensitivitySlider, RegionTools::P2);
        setParamSlider(areaSlider, RegionTools::P3);
    }
    update();
}

void CammerWidget::SlotChangeObject()
{
    const ROIInterface* shape = selectedShape();
    if (!shape)
        return;
    handleIndex = handleIndex + 1 >= shape->pointCount() ? 0 : handleIndex + 1;
    layoutParamPanel();
}

void CammerWidget::SlotAdd10()
{
    SlotSize(0);
}

void CammerWidget::SlotAdd1()
{
    SlotSize(1);
}

void CammerWidget::SlotSub1()
{
    SlotSize(2);
}

void CammerWidget::SlotSub10()
{
    SlotSize(3);
}

void CammerWidget::SlotSize(int step)
{
    ROIInterface* shape = selectedShape();
    if (!shape)
        return;
    shape->nudge(handleIndex, step, imageWidth, imageHeight);
    shape->updateBounds();
    regionChanged(selectedRoi);
    update();
}

void CammerWidget::SlotMove(int dx, int dy)
{
    if (!selectedShape())
        return;
    QList<ROIInterface*>& shapes = editedShapes();
    const int first = moveMode == 2 ? 0 : selectedRoi;
    const int last = moveMode == 2 ? int(shapes.size()) - 1 : selectedRoi;
    for (int i = first; i <= last; ++i) {
        shapes[i]->moveBy(dx, dy, imageWidth, imageHeight);
        keepInsideBand(*shapes[i]);
        regionChanged(i);
    }
    layoutParamPanel();
}

void CammerWidget::SlotMoveT()
{
    SlotMove(0, -1);
}

void CammerWidget::SlotMoveB()
{
    SlotMove(0, 1);
}

void CammerWidget::SlotMoveL()
{
    SlotMove(-1, 0);
}

void CammerWidget::SlotMoveR()
{
    SlotMove(1, 0);
}

void CammerWidget::SlotMoveAll()
{
    if (selectedShape())
        moveMode = (moveMode + 1) % 3;
    layoutParamPanel();
}
