// The settings wizard's Confirm: controls into the edit copy, the checks, the change log, the
// save and the re-application. GUI thread only.
#include "settings/wizardparawidget.h"

#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/systemparam.h"
#include "mainwindow/mojuwizard.h"
#include "settings/paramapply.h"
#include "settings/paramchangelog.h"
#include "settings/paramfield.h"
#include "settings/wizardparatables.h"
#include "widgets/checkbox.h"
#include "widgets/combobox.h"
#include "widgets/editbox.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"

#include <memory>

using namespace WizardTables;

namespace {

constexpr int kTextNoAlgorithm = 232;
constexpr int kTextSaveQuestion = 234;
constexpr int kTextParamFileError = 160;
constexpr int kTextRestartMachine = 277;
// The change-log row of the colour camera switch, which only the wizard logs: after the
// acquisition speed (the twelfth row of the shared table).
constexpr int kColourRowAfter = 11;
const ParamChangeLog::Row kColourRow = {PARAM_FIELD(colourCamera[0]), ParamChangeLog::Form::Switch, 270, nullptr};

// The wizard's change-log line: the shared rows with the colour camera row added.
QString wizardLogLine(const SystemParam& before, const SystemParam& after)
{
    int count = 0;
    const ParamChangeLog::Row* rows = ParamChangeLog::rows(&count);
    QString line = tableText(235);
    for (int i = 0; i < count; ++i) {
        ParamChangeLog::appendFragments(line, rows[i], before, after);
        if (i == kColourRowAfter)
            ParamChangeLog::appendFragments(line, kColourRow, before, after);
    }
    return line;
}

}  // namespace

namespace WizardTables {

int askShared(const QString& text, QWidget* parent)
{
    if (sharedTipbox) {
        sharedTipbox->setText(text);
        return sharedTipbox->exec();
    }
    tipbox box(2, parent, 600, 420);
    box.setText(text);
    return box.exec();
}

int warnShared(const QString& text)
{
    if (sharedWarnbox) {
        sharedWarnbox->setText(text);
        return sharedWarnbox->exec();
    }
    Warnbox box;
    box.setText(text);
    return box.exec();
}

}  // namespace WizardTables

void WizardParaWidget::writeControls()
{
    SystemParam& p = *editParams;
    // Value boxes other than the camera values, which the live slots have written.
    for (int i = 0; i < m_valueBoxes.size(); ++i)
        if (!kValueBoxRows[i].perCamera)
            p.setField(kValueBoxRows[i].field, m_valueBoxes[i]->value());

    for (int i = 0; i < m_checkBoxes.size(); ++i) {
        const CheckBoxRow& row = kCheckBoxRows[i];
        const bool on = m_checkBoxes[i]->isCheckedState();
        switch (row.kind) {
        case Switch::Plain:
            p.setField(row.field, on ? 1 : 0);
            break;
        case Switch::Motion:
            p.setField(row.field, on ? 0 : -1);
            break;
        case Switch::SaveAll:
            if (mainWindow)
                mainWindow->saveAllFlag = on;
            break;
        case Switch::ShowOnly:
        case Switch::Details:
            break;
        }
    }
    // An algorithm with parameters of its own needs the detailed parameters shown.
    if (p.spotDetectionEnabled || p.whiteAreaCheck || p.blackAreaCheck || p.whiteCountCheck || p.temperatureAlarm)
        m_detailsBox->setCheckedState(true);
    p.showAlgorithmDetails = m_detailsBox->isCheckedState() ? 1 : 0;

    for (int i = 0; i < int(std::size(kComboRows)); ++i) {
        const int index = m_comboBoxes[i]->currentIndex();
        if (index < 0)
            continue;
        // "Both moulds" keeps a stored 3, which means both as well.
        if (kComboRows[i].field == PARAM_FIELD(mouldSide) && index == kBothSides && p.mouldSide >= kBothSides)
            continue;
        p.setField(kComboRows[i].field, index);
    }
    if (const int index = comboBox(kComPortField)->currentIndex(); index >= 0)
        p.comPort = index;
}

void WizardParaWidget::accept()
{
    if (!editParams || !activeParams) {
        hide();
        return;
    }
    // Leaving the wizard ends a service login, whatever follows.
    if (mainWindow && mainWindow->loginLevel == 2)
        mainWindow->loginLevel = activeParams->passwordEnabled ? 1 : 0;

    writeControls();
    if (!ParamApply::algorithmsEnabled(*editParams)) {
        warnShared(tableText(kTextNoAlgorithm));
        return;
    }

    if (*editParams != *activeParams) {
        if (askShared(tableText(kTextSaveQuestion), this) != 1) {
            // The edit copy goes back first; the cameras then get the values in use again.
            const SystemParam edited = *editParams;
            *editParams = *activeParams;
            ParamApply::restoreLiveCameraValues(*activeParams, edited);
        } else {
            const QString logLine = wizardLogLine(*activeParams, *editParams);
            const bool machineTypeDiffered = editParams->machineType != activeParams->machineType;
            ParamApply::deriveMachineType(*editParams);
            const SystemParam before = *activeParams;
            *activeParams = *editParams;
            // Logged and acted on only once stored: a record the database refused would come
            // back at the next start.
            if (!SystemParam::saveSysParams(*activeParams, ParameterManager::instance()->queryIn)) {
                qWarning("system parameters not saved; the previous record stays active");
                *activeParams = before;
                const SystemParam edited = *editParams;
                *editParams = *activeParams;
                ParamApply::restoreLiveCameraValues(*activeParams, edited);
                warnShared(tableText(kTextParamFileError));
            } else {
                if (mainWindow)
                    mainWindow->InsertRecord(logLine);
                ParamApply::reapply(before, *activeParams);
                std::unique_ptr<Warnbox> own;
                Warnbox* box = sharedWarnbox.data();
                if (!box)
                    box = (own = std::make_unique<Warnbox>()).get();
                ParamApply::showRestartNotices(before, *activeParams, *box);
                // An edit copy that held another machine type than the record in use; a changed
                // machine type setting has been told already.
                if (machineTypeDiffered && before.machineTypeEdited == activeParams->machineTypeEdited)
                    warnShared(tableText(kTextRestartMachine));
            }
        }
    }
    hide();
    ParamApply::repaintCameraViews();
}
