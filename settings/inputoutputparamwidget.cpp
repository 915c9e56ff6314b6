#include "settings/inputoutputparamwidget.h"

#include "core/globals.h"
#include "core/systemparam.h"
#include "settings/paramfield.h"
#include "settings/settingsstyle.h"
#include "widgets/checkbox.h"
#include "widgets/combobox.h"
#include "widgets/editbox.h"
#include "widgets/kitfont.h"
#include "widgets/textfit.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>


namespace {


// A caption: a text-table id, or (-1) a source text of the page's translator context.
struct Caption {
    int textId;
    const char* source;

    QString text() const
    {
        return textId >= 0 ? tableText(textId) : QCoreApplication::translate("InputOutputParamWidget", source);
    }
};

// Value boxes in seconds: the field's unit is 1 s (divisor 1) or 100 ms (divisor 10).
struct ValueBoxRow {
    Caption caption;
    int field;
    int maximum;
    int divisor;
};
const ValueBoxRow kValueBoxRows[InputOutputParamWidget::kValueBoxes] = {
    {{336, nullptr}, PARAM_FIELD(inputTimeoutSeconds), 10000, 1},
    {{168, nullptr}, PARAM_FIELD(ejectorPulse), 1000, 10},
    {{169, nullptr}, PARAM_FIELD(clampPulse), 1000, 10},
    {{166, nullptr}, PARAM_FIELD(preCutClamp), 100, 10},
    {{524, nullptr}, PARAM_FIELD(inputDebounce), 100, 10},
    {{-1, QT_TRANSLATE_NOOP("InputOutputParamWidget", "报警时长")}, PARAM_FIELD(alarmPulse), 100, 10},
};

// Combo boxes whose item index is the stored value; items are text ids.
struct ComboRow {
    int captionId;
    int captionArg;  // %1 of the caption, 0 for none
    int field;
    int items[4];
    int itemCount;
};
const ComboRow kComboRows[InputOutputParamWidget::kCombos] = {
    {203, 0, PARAM_FIELD(spareInputSubstitute), {455, 404, 405, 406}, 4},
    {334, 0, PARAM_FIELD(spareOutputSubstitute), {455, 407, 408, 409}, 4},
    {273, 0, PARAM_FIELD(outputRestState[0]), {204, 211}, 2},
    {274, 0, PARAM_FIELD(outputRestState[1]), {204, 211}, 2},
    {275, 0, PARAM_FIELD(outputRestState[2]), {204, 211}, 2},
    {281, 0, PARAM_FIELD(outputRestState[3]), {204, 211}, 2},
    // Outputs 5 to 10 share one stored rest level.
    {496, 5, PARAM_FIELD(outputRestState[4]), {204, 211}, 2},
};

// Switches stored as 1 / 0: the first column, then the second.
const struct {
    Caption caption;
    int field;
} kSwitchRows[InputOutputParamWidget::kSwitches] = {
    {{179, nullptr}, PARAM_FIELD(clampOffWhenStopped)},
    {{178, nullptr}, PARAM_FIELD(ejectorOffWhenClamping)},
    {{192, nullptr}, PARAM_FIELD(productNoEjectorControl)},
    {{190, nullptr}, PARAM_FIELD(productNgEjectorPulse)},
    {{202, nullptr}, PARAM_FIELD(okNgPulseMode)},
    {{193, nullptr}, PARAM_FIELD(clampCutAfterCavityOk)},
    {{513, nullptr}, PARAM_FIELD(ejectorCutAfterProductOk)},
    {{265, nullptr}, PARAM_FIELD(doorTriggersDetection)},
    {{195, nullptr}, PARAM_FIELD(doorOpenClearsAlarm)},
    {{515, nullptr}, PARAM_FIELD(ejectorCutOnProductAlarm)},
    {{562, nullptr}, PARAM_FIELD(clampCutOnCavityAlarm)},
    {{-1, QT_TRANSLATE_NOOP("InputOutputParamWidget", "检测信号分离")}, PARAM_FIELD(separateDetectSignals)},
    {{-1, QT_TRANSLATE_NOOP("InputOutputParamWidget", "温度检测报警不停机")},
     PARAM_FIELD(temperatureAlarmNoStop)},
};
constexpr int kFirstColumnSwitches = 11;

constexpr int kTextSeconds = 540;
constexpr int kTextDelaySection = 219;
const int kMouldSideItems[] = {376, 377, 383};
constexpr int kBothSides = 2;
constexpr int kComPorts = 9;

// A stored value without an item of its own shows no item, and an untouched box leaves it stored
// as it is, so that opening and confirming the dialog never changes a setting by itself.
void showStored(ComboBox* box, int value)
{
    box->setCurrentIndex(value >= 0 && value < box->count() ? value : -1);
}

void store(const ComboBox* box, int& field)
{
    if (box->currentIndex() >= 0)
        field = box->currentIndex();
}

ComboBox* makeCombo(QWidget* parent)
{
    auto box = new ComboBox(parent);
    box->setFixedSize(150, 50);
    setComboFont(box, QFont(QLatin1String(kKitFontFamily), 17));
    setComboStyle(box, 50);
    return box;
}

QLabel* comboLabel(const QString& text, QWidget* parent)
{
    auto label = new QLabel(text, parent);
    label->setFixedHeight(50);
    return label;
}

// The page holds more than the others; its switch and combo captions are a size smaller, so
// that the longer English captions fit beside each other.
const char* const kPageStyle = "QCheckBox{font-size:22px;padding-right:4px;}QLabel#comboCaption{font-size:22px;}";

}  // namespace

InputOutputParamWidget::InputOutputParamWidget(QWidget* parent) : TabParamWidget(parent)
{
    for (int i = 0; i < kValueBoxes; ++i) {
        const ValueBoxRow& row = kValueBoxRows[i];
        valueBoxes[i] = new EditBox(0, row.maximum, this, row.caption.text(), tableText(kTextSeconds),
                                    EditBox::Divided, row.divisor);
    }
    QLabel* comboLabels[kCombos];
    for (int i = 0; i < kCombos; ++i) {
        const ComboRow& row = kComboRows[i];
        combos[i] = makeCombo(this);
        for (int k = 0; k < row.itemCount; ++k)
            combos[i]->addItem(tableText(row.items[k]));
        QString caption = tableText(row.captionId);
        if (row.captionArg)
            caption = caption.arg(row.captionArg);
        comboLabels[i] = comboLabel(caption, this);
        comboLabels[i]->setObjectName(QStringLiteral("comboCaption"));
    }
    for (int i = 0; i < kSwitches; ++i)
        switches[i] = new CheckBox(this, kSwitchRows[i].caption.text());

    machineTypeBox = makeCombo(this);
    machineTypeBox->addItems({tr("  标准"), tr(" 双色机"), tr(" 转盘机")});
    mouldSideBox = makeCombo(this);
    for (int id : kMouldSideItems)
        mouldSideBox->addItem(tableText(id));
    comPortBox = makeCombo(this);
    for (int port = 1; port <= kComPorts; ++port)
        comPortBox->addItem(QStringLiteral("  COM%1").arg(port));
    connect(machineTypeBox, qOverload<int>(&ComboBox::currentIndexChanged), this,
            &InputOutputParamWidget::onMachineTypeChanged);

    auto left = new QVBoxLayout;
    left->setSpacing(17);
    left->addWidget(SettingsStyle::sectionHeader(tableText(kTextDelaySection), this));
    for (EditBox* box : valueBoxes)
        left->addWidget(box);
    left->addWidget(SettingsStyle::sectionHeader(tableText(kTextDelaySection), this));
    // Two label-and-combo pairs per row, output 5 alone in the last; the combos line up.
    auto comboGrid = new QGridLayout;
    comboGrid->setHorizontalSpacing(10);
    comboGrid->setVerticalSpacing(17);
    for (int i = 0; i < kCombos; ++i) {
        comboGrid->addWidget(comboLabels[i], i / 2, (i % 2) * 3);
        comboGrid->addWidget(combos[i], i / 2, (i % 2) * 3 + 1);
    }
    comboGrid->setColumnMinimumWidth(2, 20);
    comboGrid->setColumnStretch(5, 1);
    left->addLayout(comboGrid);
    left->addStretch();

    auto firstColumn = new QVBoxLayout;
    firstColumn->setSpacing(20);
    auto secondColumn = new QVBoxLayout;
    secondColumn->setSpacing(20);
    for (int i = 0; i < kSwitches; ++i)
        (i < kFirstColumnSwitches ? firstColumn : secondColumn)->addWidget(switches[i]);
    secondColumn->addStretch();
    auto switchColumns = new QHBoxLayout;
    switchColumns->addLayout(firstColumn);
    switchColumns->addSpacing(20);
    switchColumns->addLayout(secondColumn);

    auto machineRow = new QHBoxLayout;
    QLabel* machineLabel = comboLabel(tr("系统功能"), this);
    machineLabel->setFixedWidth(150);
    machineRow->addWidget(machineLabel);
    machineRow->addWidget(machineTypeBox);
    machineRow->addWidget(mouldSideBox);
    machineRow->addStretch();

    auto portRow = new QHBoxLayout;
    QLabel* portLabel = comboLabel(tr("通讯端口"), this);
    portLabel->setFixedWidth(150);
    portRow->addWidget(portLabel);
    portRow->addWidget(comPortBox);
    portRow->addStretch();

    auto right = new QVBoxLayout;
    right->setSpacing(20);
    right->addWidget(SettingsStyle::sectionHeader(tr("参数开关"), this));
    right->addLayout(switchColumns);
    right->addWidget(SettingsStyle::sectionHeader(tr("参数调整"), this));
    right->addLayout(machineRow);
    right->addLayout(portRow);
    right->addStretch();

    auto columns = new QHBoxLayout(this);
    columns->addLayout(left);
    columns->addSpacing(20);
    columns->addLayout(right);
    setStyleSheet(QLatin1String(kPageStyle));
    fitCombosOf(this, 14);
}

void InputOutputParamWidget::onMachineTypeChanged(int index)
{
    mouldSideBox->setVisible(index == 1 || index == 2);
}

void InputOutputParamWidget::loadParam()
{
    for (int i = 0; i < kValueBoxes; ++i)
        valueBoxes[i]->setValue(editParams->field(kValueBoxRows[i].field));
    for (int i = 0; i < kCombos; ++i)
        showStored(combos[i], editParams->field(kComboRows[i].field));
    for (int i = 0; i < kSwitches; ++i)
        switches[i]->setCheckedState(editParams->field(kSwitchRows[i].field) != 0);
    showStored(machineTypeBox, editParams->machineTypeEdited);
    // Sides 2 and 3 both mean both moulds.
    showStored(mouldSideBox, qMin(editParams->mouldSide, kBothSides));
    onMachineTypeChanged(machineTypeBox->currentIndex());
    showStored(comPortBox, editParams->comPort);
}

void InputOutputParamWidget::saveParam()
{
    for (int i = 0; i < kValueBoxes; ++i)
        editParams->setField(kValueBoxRows[i].field, valueBoxes[i]->value());
    for (int i = 0; i < kCombos; ++i)
        if (combos[i]->currentIndex() >= 0)
            editParams->setField(kComboRows[i].field, combos[i]->currentIndex());
    for (int i = 0; i < kSwitches; ++i)
        editParams->setField(kSwitchRows[i].field, switches[i]->isCheckedState() ? 1 : 0);
    for (int k = 5; k < 10; ++k)
        editParams->outputRestState[k] = editParams->outputRestState[4];
    store(machineTypeBox, editParams->machineTypeEdited);
    if (!(mouldSideBox->currentIndex() == kBothSides && editParams->mouldSide >= kBothSides))
        store(mouldSideBox, editParams->mouldSide);
    store(comPortBox, editParams->comPort);
}
