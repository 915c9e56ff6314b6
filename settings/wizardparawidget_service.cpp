// The settings wizard's service commands: password, counters, language, power, exit, clock,
// touch calibration, the parameter groups, the USB update, the version library and the record
// page (these and the group backup and delete shared with the advanced page). Every platform
// command goes through the shell runner. GUI thread only; the commands that end in a reboot
// block the GUI thread while they run.
#include "settings/wizardparawidget.h"

#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/platformutils.h"
#include "core/shellrunner.h"
#include "core/systemparam.h"
#include "mainwindow/mojuwizard.h"
#include "settings/advanceparamwidget.h"
#include "settings/paragroups.h"
#include "settings/recordwidget.h"
#include "settings/wizardparatables.h"
#include "widgets/choosemodifytime.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/edit.h"
#include "widgets/editdatetime.h"
#include "widgets/numcharinput.h"
#include "widgets/tipbox.h"

#include <QHeaderView>
#include <QListWidget>
#include <QSqlTableModel>
#include <QTableView>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <iterator>

using namespace WizardTables;

namespace {

constexpr int kTextPasswordEmpty = 278;
constexpr int kTextPasswordChanged = 279;
constexpr int kTextPasswordsDiffer = 280;
constexpr int kTextResetQuestion = 616;
constexpr int kTextCountCleared = 255;
constexpr int kTextLanguageQuestion = 318;
constexpr int kTextLanguageLog = 319;
constexpr int kTextPowerQuestion = 291;
constexpr int kTextPowerLog = 292;
constexpr int kTextRestartQuestion = 293;
constexpr int kTextExitQuestion = 294;
constexpr int kTextExitLog = 295;
constexpr int kTextExitNotice = 296;
constexpr int kTextClearRecordQuestion = 297;
constexpr int kTextClearRecordLog = 298;
constexpr int kTextClockQuestion = 402;
constexpr int kTextClockLog = 401;
constexpr int kTextFactoryReset = 551;
constexpr int kTextRestoreGroupQuestion = 285;
constexpr int kTextGroupRestored = 286;
// Bytes of a password kept in the record.
constexpr int kPasswordLength = 32;

// A Cancel/OK question in a box of its own; true for OK.
bool confirmedInOwnBox(const QString& text, QWidget* parent)
{
    tipbox box(2, parent, 600, 420);
    box.setText(text);
    return box.exec() == 1;
}

void insertRecord(const QString& line)
{
    if (mainWindow)
        mainWindow->InsertRecord(line);
}

void flushAll()
{
    if (mainWindow)
        mainWindow->FLushAll();
}

// The wizard asks and warns in the main window's shared boxes.
ServiceBoxes sharedBoxes(QWidget* parent)
{
    return {[parent](const QString& text) { return askShared(text, parent) == 1; },
            [](const QString& text) { return warnShared(text); }};
}

void saveActiveParams()
{
    if (activeParams && !SystemParam::saveSysParams(*activeParams, ParameterManager::instance()->queryIn))
        qWarning("system parameters not saved");
}

}  // namespace

void WizardParaWidget::ChangePwd()
{
    const QString password = newPasswordEdit->text();
    const QString confirmation = confirmPasswordEdit->text();
    if (password.isEmpty() || confirmation.isEmpty()) {
        warnShared(tableText(kTextPasswordEmpty));
        return;
    }
    if (password != confirmation) {
        warnShared(tableText(kTextPasswordsDiffer));
        return;
    }
    const QByteArray bytes = password.toLatin1().left(kPasswordLength);
    std::memset(editParams->password, 0, sizeof editParams->password);
    std::memcpy(editParams->password, bytes.constData(), size_t(bytes.size()));
    warnShared(tableText(kTextPasswordChanged));
    newPasswordEdit->clear();
    confirmPasswordEdit->clear();
}

void WizardParaWidget::ResetTotal()
{
    if (!confirmedInOwnBox(tableText(kTextResetQuestion), this))
        return;
    std::fill(std::begin(ngCounts), std::end(ngCounts), 0);
    std::fill(std::begin(totalCounts), std::end(totalCounts), 0);
    ngCycleCount = 0;
    cycleCount = 0;
    insertRecord(tableText(kTextCountCleared));
    if (mainWindow) {
        mainWindow->CountWrite();
        // A Modbus client reading the counters afterwards sees them cleared too.
        mainWindow->writeCountersToModbus();
    }
}

void WizardParaWidget::SlotChangeLan(int index)
{
    if (index == currentLanguage || index < 0 || index >= languageCombo->count())
        return;
    if (askShared(tableText(kTextLanguageQuestion), this) != 1)
        return;
    insertRecord(tableText(kTextLanguageLog));
    currentLanguage = index;
    accept();
    // The language is stored with the record (row system2).
    saveActiveParams();
    stopAndWait();
    flushAll();
    ShellRunner::run(QStringLiteral("reboot"), {});
}

void WizardParaWidget::SlotShutDown()
{
    if (!confirmedInOwnBox(tableText(kTextPowerQuestion), nullptr))
        return;
    accept();
    saveActiveParams();
    insertRecord(tableText(kTextPowerLog));
    stopAndWait();
    flushAll();
    if (confirmedInOwnBox(tableText(kTextRestartQuestion), mainWindow))
        ShellRunner::run(QStringLiteral("reboot"), {});
    else
        ShellRunner::run(QStringLiteral("init"), {QStringLiteral("0")});
}

void WizardParaWidget::SlotExit()
{
    if (askShared(tableText(kTextExitQuestion), this) != 1)
        return;
    insertRecord(tableText(kTextExitLog));
    accept();
    saveActiveParams();
    warnShared(tableText(kTextExitNotice));
    exitApplication(0);
}

void WizardParaWidget::SlotModifyTime()
{
    modifyTimeDialog->dateTimeEdit()->setNow();
    if (modifyTimeDialog->exec() != 1)
        return;
    if (askShared(tableText(kTextClockQuestion), this) != 1)
        return;
    // "date", then "hwclock", through the shell runner.
    if (!modifyTimeDialog->dateTimeEdit()->applyToSystem())
        qWarning("the clock could not be set");
    accept();
    saveActiveParams();
    insertRecord(tableText(kTextClockLog));
    stopAndWait();
    flushAll();
    QThread::msleep(1000);
    ShellRunner::run(QStringLiteral("reboot"), {});
}

void WizardParaWidget::SlotCalibration()
{
    ShellRunner::run(QStringLiteral("./tsc"), {});
    QThread::msleep(500);
    flushAll();
    ShellRunner::run(QStringLiteral("reboot"), {});
}

void WizardParaWidget::SlotClearRecord()
{
    if (!mainWindow || !mainWindow->checkAdvancedUser())
        return;
    if (askShared(tableText(kTextClearRecordQuestion), this) != 1)
        return;
    if (!mainWindow->checkAdvancedUser())
        return;
    mainWindow->ClearRecord();
    mainWindow->InsertRecord(tableText(kTextClearRecordLog));
}

void WizardParaWidget::SlotRestoreFactorySet()
{
    // Asked, but nothing is reset whatever the answer.
    confirmedInOwnBox(tableText(kTextFactoryReset) + QLatin1Char('?'), this);
}

void WizardParaWidget::SlotExportData()
{
}

// ---- Parameter groups ----

void WizardParaWidget::ParaGroupUpdateList()
{
    const QSignalBlocker blocker(groupCombo);
    groupCombo->clear();
    const QStringList groups = ParaGroups::groupList();
    for (int i = 0; i < groups.size(); ++i)
        groupCombo->addItem(groups[i], i);
}

void WizardParaWidget::SlotParaGroupChange(int)
{
    groupNameEdit->setText(groupCombo->currentText());
}

void WizardParaWidget::SlotParaGroupRestore()
{
    const QString name = groupCombo->currentText();
    if (askShared(tableText(kTextRestoreGroupQuestion), this) != 1)
        return;
    // The group is swapped in only once it is whole beside the working files; otherwise the
    // running group, its index and the program stay as they are.
    const ParaGroups::RestoreFailure result = ParaGroups::restoreGroup(name, cameraCount, detectsPerCamera);
    if (result != ParaGroups::RestoreFailure::None) {
        const QString text = ParaGroups::failureText(result, name);
        qWarning("parameter group \"%s\" not restored", qPrintable(name));
        insertRecord(text);
        warnShared(text);
        return;
    }
    activeParams->paraGroupIndex = groupCombo->currentIndex();
    activeParams->saveParaGroupIndex();
    // Until the reboot a Modbus client reads the group that is in place.
    if (mainWindow)
        mainWindow->writeParaGroupToModbus();
    insertRecord(tableText(kTextGroupRestored).arg(name));
    flushAll();
    ShellRunner::run(QStringLiteral("reboot"), {});
}

void WizardParaWidget::SlotParaGroupBackup()
{
    const QString name = groupNameEdit->text();
    if (gpNumCharInput)
        gpNumCharInput->HideUpdate();
    // The wizard's apply hides it; the backup goes on whatever its own question was answered.
    AdvanceParamWidget::backupGroupFrom(groupCombo, name, sharedBoxes(this), [this] { accept(); },
                                        [this] { ParaGroupUpdateList(); });
}

void WizardParaWidget::SlotParaGroupDelete()
{
    AdvanceParamWidget::deleteListedGroup(groupCombo, sharedBoxes(this));
}

// ---- Update, version library, record page ----

void WizardParaWidget::SlotUpdateApp()
{
    // As the advanced page's update: the package applies at the next boot and the program keeps
    // running, so its databases stay open (no flush without the restart that would follow it).
    AdvanceParamWidget::updateFromUsbDisk(this, screenWidth <= 800 ? 20 : 30, sharedBoxes(this));
}

void WizardParaWidget::SlotToVerion()
{
    AdvanceParamWidget::openVersionLibrary(versionButton, mainWindow ? static_cast<QWidget*>(mainWindow) : this,
                                           sharedBoxes(this));
}

void WizardParaWidget::SlotToRecord()
{
    if (currentPage == RecordPage)
        return;
    RecordWidget::listDays(dayList);
    UpdateRecord(dayList->item(0));
    currentPage = RecordPage;
    DoChangePage();
}

void WizardParaWidget::UpdateRecord(QListWidgetItem*)
{
    // The view lets go of the model before it is deleted.
    recordTable->setModel(nullptr);
    delete recordModel;
    recordModel = RecordWidget::openDay(dayList, recordDb, this);
    if (!recordModel)
        return;
    recordTable->setModel(recordModel);
    recordTable->verticalHeader()->hide();
    // Time and user at least as wide as their texts in the page's 25-point font (the times of
    // the day would be cut at 120 px); the content takes the rest of the row.
    const int widths[] = {120, 125};
    for (int c = 0; c < int(std::size(widths)); ++c) {
        recordTable->resizeColumnToContents(c);
        recordTable->setColumnWidth(c, std::max(widths[c], recordTable->columnWidth(c)));
    }
    recordTable->horizontalHeader()->setStretchLastSection(true);
}
