// The settings wizard driven as an operator would: built hidden by the main window, shown from
// the hardware page, its pages and display rules, live camera values, and its Confirm with the
// change log, the save and the paths that save nothing.
#include "mainwindow/hardwareconfigurationwidget.h"
#include "mainwindow/helpwidget.h"
#include "io/customionamewidget.h"
#include "io/iowidget.h"
#include "settings/paramchangelog.h"
#include "settings/systemparamdialog.h"
#include "settings/systemparamwidget.h"
#include "tests/settings/wizardfixture.h"
#include "view/cammerwidget.h"
#include "widgets/colorbutton.h"

namespace {

using Wizard = WizardFixture;

TEST_F(Wizard, MainWindowBuildsTheThreeScreensHidden)
{
    ASSERT_NE(window->helpWidget, nullptr);
    ASSERT_NE(window->hardwareWidget, nullptr);
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_FALSE(window->helpWidget->isVisible());
    EXPECT_FALSE(window->hardwareWidget->isVisible());
    EXPECT_EQ(wizard->parentWidget(), window);
    // The IO name dialog found the wizard's IO dialog, so its confirm returns to the wizard.
    EXPECT_EQ(window->findChild<IOWidget*>(), wizard->ioDialog);
}

TEST_F(Wizard, HardwarePageConfirmShowsTheWizardOnTheActiveRecord)
{
    // An edit copy left behind by a declined change elsewhere.
    editParams->alarmArea = activeParams->alarmArea + 7;
    window->hardwareWidget->show();
    window->hardwareWidget->confirmButton()->click();

    EXPECT_FALSE(window->hardwareWidget->isVisible());
    ASSERT_TRUE(wizard->isVisible());
    EXPECT_EQ(wizard->valueBox(PARAM_FIELD(alarmArea))->value(), activeParams->alarmArea);
    EXPECT_EQ(wizard->currentPage, WizardParaWidget::SystemPage);
}

TEST_F(Wizard, NamesChosenInTheIONameDialogSurviveTheReturnAndAreSaved)
{
    showWizard();
    wizard->SlotShowCustomIONameWidget();
    EXPECT_FALSE(wizard->isVisible());
    ASSERT_TRUE(window->ioNameDialog->isVisible());
    const int input = activeParams->inputNameIndex[2] == 3 ? 4 : 3;
    const int output = activeParams->outputNameIndex[5] == 2 ? 1 : 2;
    window->ioNameDialog->inputCombo(2)->setCurrentIndex(input);
    window->ioNameDialog->outputCombo(5)->setCurrentIndex(output);
    window->ioNameDialog->confirmButton()->click();

    // Shown again without a fresh copy: the names are still in the edit copy.
    ASSERT_TRUE(wizard->isVisible());
    EXPECT_EQ(editParams->inputNameIndex[2], input);
    ModalScript script({1});
    wizard->pageButtons[5]->click();
    EXPECT_EQ(script.texts, QStringList{tableText(234)});
    const SystemParam stored = reloadParams();
    EXPECT_EQ(stored.inputNameIndex[2], input);
    EXPECT_EQ(stored.outputNameIndex[5], output);
}

// A field the settings dialog and the wizard both log, changed from the same value to the same
// value in each: PARAM.db and RECORD.db end up alike.
TEST_F(Wizard, ConfirmedChangeHasTheSettingsDialogsEffect)
{
    const int oldFilter = activeParams->filterSize;
    const int newFilter = oldFilter == 5 ? 6 : 5;

    *editParams = *activeParams;
    {
        SystemParamDialog dialog;
        static_cast<SystemParamWidget*>(dialog.pages().at(0))->valueBoxes[5]->setValue(newFilter);
        ModalScript script({1});
        dialog.acceptDialog();
    }
    const QString dialogLine = logRemarks().last();
    const int dialogStored = reloadParams().filterSize;
    // Back to where the dialog started.
    activeParams->filterSize = oldFilter;
    ASSERT_TRUE(SystemParam::saveSysParams(*activeParams, store->queryIn));

    showWizard();
    wizard->valueBox(PARAM_FIELD(filterSize))->setValue(newFilter);
    const int rowsBefore = logRemarks().size();
    ModalScript script({1});
    wizard->pageButtons[5]->click();

    EXPECT_EQ(script.texts, QStringList{tableText(234)});
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_EQ(reloadParams().filterSize, dialogStored);
    const QStringList rows = logRemarks();
    ASSERT_EQ(rows.size(), rowsBefore + 1);
    EXPECT_EQ(rows.last(), dialogLine);
    EXPECT_EQ(*editParams, *activeParams);
}

TEST_F(Wizard, RefusedSaveLogsNothingAndKeepsTheRecordInUse)
{
    const SystemParam before = *activeParams;
    refuseParamUpdates();
    showWizard();
    wizard->valueBox(PARAM_FIELD(ejectorPulse))->setValue(before.ejectorPulse == 7 ? 8 : 7);
    const QStringList rowsBefore = logRemarks();
    ModalScript script({1});
    wizard->accept();

    EXPECT_EQ(script.texts, (QStringList{tableText(234), tableText(160)}));
    EXPECT_EQ(logRemarks(), rowsBefore) << "no change line for a record that was not stored";
    EXPECT_EQ(*activeParams, before);
    EXPECT_EQ(*editParams, before);
    EXPECT_FALSE(wizard->isVisible());
}

TEST_F(Wizard, PathsThatSaveNothing)
{
    struct Case {
        const char* name;
        std::function<void(WizardParaWidget*)> edit;
        std::vector<int> answers;
        QStringList texts;
        bool staysShown;
    };
    const Case cases[] = {
        {"nothing changed: no question", [](WizardParaWidget*) {}, {}, {}, false},
        {"declined", [](WizardParaWidget* w) { w->valueBox(PARAM_FIELD(minSpot))->setValue(activeParams->minSpot == 4 ? 5 : 4); },
         {0}, {tableText(234)}, false},
        {"every algorithm off",
         [](WizardParaWidget* w) {
             for (int field : {PARAM_FIELD(defectDetectionEnabled), PARAM_FIELD(spotDetectionEnabled),
                               PARAM_FIELD(whiteAreaCheck), PARAM_FIELD(whiteCountCheck), PARAM_FIELD(blackAreaCheck),
                               PARAM_FIELD(similarityCheck), PARAM_FIELD(temperatureAlarm)})
                 w->checkBox(field)->setCheckedState(false);
         },
         {}, {tableText(232)}, true},
    };
    const SystemParam before = *activeParams;
    const QByteArray stored = digest(QStringLiteral("PARAM.db"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        showWizard();
        c.edit(wizard);
        const int rows = logRemarks().size();
        ModalScript script(c.answers);
        wizard->accept();
        EXPECT_EQ(script.texts, c.texts);
        EXPECT_EQ(wizard->isVisible(), c.staysShown);
        EXPECT_EQ(*activeParams, before);
        EXPECT_EQ(digest(QStringLiteral("PARAM.db")), stored);
        EXPECT_EQ(logRemarks().size(), rows);
        wizard->hide();
    }
}

TEST_F(Wizard, ConfirmEndsAServiceLogin)
{
    for (int passwords : {0, 1}) {
        activeParams->passwordEnabled = passwords;
        window->loginLevel = 2;
        showWizard();
        wizard->accept();
        EXPECT_EQ(window->loginLevel, passwords ? 1 : 0);
    }
}

TEST_F(Wizard, DeclineGivesCameraTwoItsExposureBack)
{
    showWizard();
    wizard->SlotToCamera();
    wizard->SlotChangeCamera();
    ASSERT_EQ(wizard->currentCamera, 1);
    EXPECT_EQ(window->shownCamera, 1);
    const int active = activeParams->exposure[1];
    wizard->valueBox(PARAM_FIELD(exposure))->setValue(active == 20 ? 30 : 20);
    EXPECT_NE(editParams->exposure[1], active) << "the live slot writes the edit copy";
    ModalScript script({0});
    wizard->accept();
    EXPECT_EQ(editParams->exposure[1], active);
    EXPECT_EQ(*editParams, *activeParams);
}

// The wizard's line has one row the settings dialog does not log: the colour camera switch,
// between the acquisition speed and the grey channel.
TEST_F(Wizard, ColourCameraRowFollowsTheAcquisitionSpeed)
{
    showWizard();
    editParams->colourCamera[0] = activeParams->colourCamera[0] ? 0 : 1;
    wizard->valueBox(PARAM_FIELD(acquisitionSpeed))->setValue(activeParams->acquisitionSpeed == 3 ? 4 : 3);
    wizard->checkBox(PARAM_FIELD(greyChannel))->setCheckedState(!activeParams->greyChannel);
    ModalScript script({1});
    wizard->accept();

    const QString line = logRemarks().last();
    const QString colour = tableText(240).arg(tableText(270)) + tableText(activeParams->colourCamera[0] ? 250 : 251);
    const QString grey = tableText(240).arg(tableText(271));
    const int s = line.indexOf(tableText(244));
    const int c = line.indexOf(colour);
    const int g = line.indexOf(grey);
    EXPECT_TRUE(s >= 0 && c > s && g > c) << qPrintable(line);
    EXPECT_TRUE(script.texts.contains(tableText(309))) << "colour and grey changes need a restart";
}

TEST_F(Wizard, SpotDetectionShowsTheAlgorithmDetailsAndHidesTheSharedFilter)
{
    activeParams->showAlgorithmDetails = 0;
    activeParams->spotDetectionEnabled = 0;
    showWizard();
    EXPECT_TRUE(wizard->valueBox(PARAM_FIELD(filterSize))->isVisible());
    wizard->checkBox(PARAM_FIELD(showAlgorithmDetails))->setCheckedState(false);
    wizard->checkBox(PARAM_FIELD(spotDetectionEnabled))->setCheckedState(true);
    ModalScript script({1});
    wizard->accept();
    EXPECT_EQ(activeParams->showAlgorithmDetails, 1);
    showWizard();
    EXPECT_FALSE(wizard->valueBox(PARAM_FIELD(filterSize))->isVisible());
    EXPECT_FALSE(wizard->valueBox(PARAM_FIELD(alarmArea))->isVisible());
}

TEST_F(Wizard, PagesShowTheirControlsByTheDisplayRules)
{
    activeParams->showFactoryParams = 0;
    activeParams->machineTypeEdited = 0;
    showWizard();
    EditBox* sharpness = wizard->valueBox(PARAM_FIELD(sharpness));
    EditBox* exposure = wizard->valueBox(PARAM_FIELD(exposure));
    ComboBox* side = wizard->comboBox(PARAM_FIELD(mouldSide));
    ComboBox* com = wizard->comboBox(PARAM_FIELD(comPort));

    wizard->SlotToCamera();
    EXPECT_TRUE(exposure->isVisible());
    EXPECT_FALSE(sharpness->isVisible()) << "factory values need the factory switch";
    wizard->SlotToAdvance();
    wizard->checkBox(PARAM_FIELD(showFactoryParams))->setCheckedState(true);
    EXPECT_FALSE(wizard->checkBox(PARAM_FIELD(templateIsNgImage))->isVisible());
    wizard->SlotToCamera();
    EXPECT_TRUE(sharpness->isVisible());

    wizard->SlotToIO();
    EXPECT_TRUE(com->isVisible());
    EXPECT_FALSE(side->isVisible());
    wizard->comboBox(PARAM_FIELD(machineTypeEdited))->setCurrentIndex(2);
    EXPECT_TRUE(side->isVisible()) << "follows the machine type at once";
    wizard->comboBox(PARAM_FIELD(machineTypeEdited))->setCurrentIndex(0);
    EXPECT_FALSE(side->isVisible());

    // The simple display keeps the camera values and hides the rest, the page bar too.
    wizard->SlotToCamera();
    wizard->SlotChangeShowMode();
    EXPECT_TRUE(exposure->isVisible());
    EXPECT_FALSE(wizard->checkBox(PARAM_FIELD(spotDetectionEnabled))->isVisible());
    EXPECT_FALSE(wizard->pageButtons[0]->isVisible());
    EXPECT_EQ(wizard->showModeButton->text(), tableText(299));

    // Hidden and shown again: system page, camera 1, complete display.
    wizard->SlotChangeCamera();
    wizard->hide();
    wizard->show();
    EXPECT_EQ(wizard->currentPage, WizardParaWidget::SystemPage);
    EXPECT_EQ(wizard->currentCamera, 0);
    EXPECT_EQ(wizard->simpleDisplay, 0);
    EXPECT_TRUE(wizard->pageButtons[0]->isVisible());
    EXPECT_FALSE(exposure->isVisible());
}

TEST_F(Wizard, ServicePagesNeedTheServiceLevel)
{
    showWizard();
    window->loginLevel = 1;
    ModalAnswer::pressWhenShown(QStringLiteral("取消"));
    wizard->SlotToAdvance();
    EXPECT_EQ(wizard->currentPage, WizardParaWidget::SystemPage);
}

TEST_F(Wizard, StoredValueOutsideItsRangeIsClampedAndSaved)
{
    activeParams->alarmArea = 5000;
    showWizard();
    EXPECT_EQ(wizard->valueBox(PARAM_FIELD(alarmArea))->value(), 1000);
    ModalScript script({1});
    wizard->accept();
    EXPECT_EQ(reloadParams().alarmArea, 1000);
}

TEST_F(Wizard, LanguageNamesAreTheSameInEveryLanguage)
{
    QStringList names;
    for (int i = 0; i < wizard->languageCombo->count(); ++i)
        names << wizard->languageCombo->itemText(i);
    EXPECT_EQ(names, (QStringList{QStringLiteral("简体中文"), QStringLiteral("English"), QStringLiteral("繁體中文"),
                                  QStringLiteral("日文")}));
}

}  // namespace
