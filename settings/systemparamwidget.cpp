#include "settings/systemparamwidget.h"

#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/platformutils.h"
#include "core/shellrunner.h"
#include "core/systemparam.h"
#include "settings/paramfield.h"
#include "mainwindow/mojuwizard.h"
#include "settings/settingsstyle.h"
#include "settings/systemparamdialog.h"
#include "widgets/checkbox.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/editbox.h"
#include "widgets/kitfont.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>


namespace {


// A value box: caption, field, range, and whether it shows tenths of a second.
struct ValueBoxRow {
    const char* caption;
    int field;
    int minimum;
    int maximum;
    bool tenths;
};
const ValueBoxRow kValueBoxRows[SystemParamWidget::kValueBoxes] = {
    {QT_TRANSLATE_NOOP("SystemParamWidget", "成品延時"), PARAM_FIELD(triggerDelay[0]), 0, 10000, true},
    {QT_TRANSLATE_NOOP("SystemParamWidget", "模腔延时"), PARAM_FIELD(triggerDelay[1]), 0, 10000, true},
    {QT_TRANSLATE_NOOP("SystemParamWidget", "一次延时"), PARAM_FIELD(firstDelay), 0, 10000, true},
    {QT_TRANSLATE_NOOP("SystemParamWidget", "二次延时"), PARAM_FIELD(secondDelay), 0, 10000, true},
    {QT_TRANSLATE_NOOP("SystemParamWidget", "模腔重检"), PARAM_FIELD(recheckCount), 0, 10, false},
    {QT_TRANSLATE_NOOP("SystemParamWidget", "过滤尺寸"), PARAM_FIELD(filterSize), 1, 10, false},
    {QT_TRANSLATE_NOOP("SystemParamWidget", "报警面积"), PARAM_FIELD(alarmArea), 0, 1000, false},
};
// Boxes 0..3 are the delays, 4 the re-check count, 5 and 6 the function values.
constexpr int kFirstRecheckBox = 4;
constexpr int kFirstFunctionBox = 5;

// A switch: caption and field. Motion correction is stored as 0 (on) and -1 (off).
struct SwitchRow {
    const char* caption;
    int field;
};
const SwitchRow kSwitchRows[SystemParamWidget::kSwitches] = {
    {QT_TRANSLATE_NOOP("SystemParamWidget", "启用成品检测"), PARAM_FIELD(productCheckEnabled)},
    {QT_TRANSLATE_NOOP("SystemParamWidget", "半自动"), PARAM_FIELD(semiAutomatic)},
    {QT_TRANSLATE_NOOP("SystemParamWidget", "运动矫正"), PARAM_FIELD(motionCorrection)},
    {QT_TRANSLATE_NOOP("SystemParamWidget", "模腔参数同步成品参数"), PARAM_FIELD(cavityFollowsProduct)},
    {QT_TRANSLATE_NOOP("SystemParamWidget", "启用密码保护"), PARAM_FIELD(passwordEnabled)},
    {QT_TRANSLATE_NOOP("SystemParamWidget", "模板自动更新"), PARAM_FIELD(templateAutoUpdate)},
};
const int kMotionField = PARAM_FIELD(motionCorrection);

// The language names: each Chinese in its own script and English as it is, the same in every
// language, and Japanese under the name of the language shown.
const char* const kLanguageNames[] = {"简体中文", "English", "繁體中文", QT_TRANSLATE_NOOP("LanguageList", "日文")};

constexpr int kTextLanguageQuestion = 318;
constexpr int kTextLanguageLog = 319;
constexpr int kTextParamFileError = 160;

QLabel* actionLabel(const QString& text, QWidget* parent)
{
    auto label = new QLabel(text, parent);
    label->setFixedHeight(50);
    return label;
}

}  // namespace

SystemParamWidget::SystemParamWidget(QWidget* parent)
    : TabParamWidget(parent), m_dialog(qobject_cast<SystemParamDialog*>(parent))
{
    for (int i = 0; i < kValueBoxes; ++i) {
        const ValueBoxRow& row = kValueBoxRows[i];
        valueBoxes[i] = row.tenths ? new EditBox(row.minimum, row.maximum, this, tr(row.caption), tr("秒"),
                                                 EditBox::Divided, 10)
                                   : new EditBox(row.minimum, row.maximum, this, tr(row.caption), QString(),
                                                 EditBox::Integer, 1);
    }
    for (int i = 0; i < kSwitches; ++i)
        switches[i] = new CheckBox(this, tr(kSwitchRows[i].caption));

    languageBox = new ComboBox(this);
    for (const char* name : kLanguageNames)
        languageBox->addItem(QCoreApplication::translate("LanguageList", name));
    languageBox->setFixedSize(150, 50);
    setComboFont(languageBox, QFont(QLatin1String(kKitFontFamily), 17));
    setComboStyle(languageBox, 50);
    connect(languageBox, qOverload<int>(&ComboBox::currentIndexChanged), this,
            &SystemParamWidget::onLanguageChanged);

    clearCountButton = new ColorButton(tr("清零"), this, 0);
    clearCountButton->setFixedSize(150, 50);
    connect(clearCountButton, &QPushButton::clicked, this, &SystemParamWidget::onClearCount);
    powerOffButton = new ColorButton(tr("关闭电源"), this, 1);
    powerOffButton->setFixedSize(150, 50);
    connect(powerOffButton, &QPushButton::clicked, this, &SystemParamWidget::powerOff);

    auto left = new QVBoxLayout;
    left->setSpacing(20);
    left->addWidget(SettingsStyle::sectionHeader(tr("延时参数"), this));
    for (int i = 0; i < kFirstRecheckBox; ++i)
        left->addWidget(valueBoxes[i]);
    left->addWidget(SettingsStyle::sectionHeader(tr("NG时自动重检次数"), this));
    left->addWidget(valueBoxes[kFirstRecheckBox]);
    left->addWidget(SettingsStyle::sectionHeader(tr("功能设置"), this));
    for (int i = kFirstFunctionBox; i < kValueBoxes; ++i)
        left->addWidget(valueBoxes[i]);
    left->addStretch();

    auto switchColumn = new QVBoxLayout;
    switchColumn->setSpacing(30);
    switchColumn->setContentsMargins(40, 0, 0, 0);
    for (CheckBox* box : switches)
        switchColumn->addWidget(box);

    auto actionRow = new QHBoxLayout;
    actionRow->setContentsMargins(40, 0, 20, 0);
    actionRow->addWidget(actionLabel(tr("计数清零"), this));
    actionRow->addSpacing(10);
    actionRow->addWidget(clearCountButton);
    actionRow->addStretch();
    actionRow->addWidget(actionLabel(tr("系统语言"), this));
    actionRow->addSpacing(10);
    actionRow->addWidget(languageBox);

    auto powerRow = new QHBoxLayout;
    powerRow->setContentsMargins(40, 0, 0, 0);
    powerRow->addWidget(actionLabel(tr("电源管理"), this));
    powerRow->addSpacing(10);
    powerRow->addWidget(powerOffButton);
    powerRow->addStretch();

    auto right = new QVBoxLayout;
    right->setSpacing(20);
    right->addWidget(SettingsStyle::sectionHeader(tr("参数开关"), this));
    right->addLayout(switchColumn);
    right->addWidget(SettingsStyle::sectionHeader(tr("参数管理"), this));
    right->addLayout(actionRow);
    right->addSpacing(20);
    right->addLayout(powerRow);
    right->addStretch();

    auto columns = new QHBoxLayout(this);
    columns->addLayout(left);
    columns->addSpacing(20);
    columns->addLayout(right);
}

void SystemParamWidget::loadParam()
{
    for (int i = 0; i < kValueBoxes; ++i)
        valueBoxes[i]->setValue(editParams->field(kValueBoxRows[i].field));
    for (int i = 0; i < kSwitches; ++i) {
        int value = editParams->field(kSwitchRows[i].field);
        if (kSwitchRows[i].field == kMotionField)
            value += 1;
        switches[i]->setCheckedState(value != 0);
    }
    const bool blocked = languageBox->blockSignals(true);
    languageBox->setCurrentIndex(currentLanguage);
    languageBox->blockSignals(blocked);
}

void SystemParamWidget::saveParam()
{
    for (int i = 0; i < kValueBoxes; ++i)
        editParams->setField(kValueBoxRows[i].field, valueBoxes[i]->value());
    for (int i = 0; i < kSwitches; ++i) {
        int value = switches[i]->isCheckedState() ? 1 : 0;
        if (kSwitchRows[i].field == kMotionField)
            value -= 1;
        editParams->setField(kSwitchRows[i].field, value);
    }
}

void SystemParamWidget::onLanguageChanged(int index)
{
    tipbox question(2, nullptr, 600, 420);
    question.setText(tableText(kTextLanguageQuestion));
    if (question.exec() != 1)
        return;
    if (mainWindow)
        mainWindow->InsertRecord(tableText(kTextLanguageLog));
    const int previous = currentLanguage;
    currentLanguage = index;
    if (m_dialog)
        m_dialog->acceptDialog();
    // The language lives in PARAM.db only: without the save the machine would come back in the
    // old language, so it is not restarted.
    if (!SystemParam::saveSysParams(*activeParams, ParameterManager::instance()->queryIn)) {
        qWarning("language not saved; no restart");
        currentLanguage = previous;
        Warnbox warning;
        warning.setText(tableText(kTextParamFileError));
        warning.exec();
        return;
    }
    stopAndWait();
    if (mainWindow)
        mainWindow->FLushAll();
    ShellRunner::run(QStringLiteral("reboot"), {});
}

void SystemParamWidget::onClearCount()
{
    tipbox question(2, nullptr, 600, 420);
    question.setText(tr("确定要清零计数吗？"));
    if (question.exec() != 1)
        return;
    if (mainWindow)
        mainWindow->clearCounters();
}

void SystemParamWidget::powerOff()
{
    if (m_dialog)
        m_dialog->powerOff();
}
