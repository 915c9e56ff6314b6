// The settings wizard's service commands: every platform command reaches only the dry-run log,
// with the Linux command lines; the questions in front of them; the password, counter, language
// and group commands.
#include "settings/paragroups.h"
#include "tests/settings/wizardfixture.h"
#include "tests/support/dryrunlog.h"
#include "widgets/choosemodifytime.h"
#include "widgets/colorbutton.h"
#include "widgets/edit.h"

#include <QFileInfo>

namespace {

using WizardCommands = WizardFixture;

TEST_F(WizardCommands, PowerClockAndCalibrationReachOnlyTheDryRunLog)
{
    struct Case {
        const char* name;
        std::function<void(WizardParaWidget*)> run;
        std::vector<int> answers;
        QStringList commands;
        int logText;  // the operation-log line, -1 none
    };
    const Case cases[] = {
        {"power off, restart", [](WizardParaWidget* w) { w->SlotShutDown(); }, {1, 1},
         {QStringLiteral("reboot")}, 292},
        {"power off, switch off", [](WizardParaWidget* w) { w->SlotShutDown(); }, {1, 0},
         {QStringLiteral("init 0")}, 292},
        {"power off declined", [](WizardParaWidget* w) { w->SlotShutDown(); }, {0}, {}, -1},
        {"touch calibration", [](WizardParaWidget* w) { w->SlotCalibration(); }, {},
         {QStringLiteral("./tsc"), QStringLiteral("reboot")}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(QStringLiteral("dry-run-commands.log"));
        showWizard();
        const int rows = logRemarks().size();
        ModalScript script(c.answers);
        c.run(wizard);
        EXPECT_EQ(DryRunLog::recordedCommands(), c.commands);
        // FLushAll closed the log; a later writer reopens it.
        window->InsertRecord(QStringLiteral("probe"));
        const QStringList remarks = logRemarks();
        if (c.logText >= 0)
            EXPECT_TRUE(remarks.mid(rows).contains(tableText(c.logText)));
        else
            EXPECT_EQ(remarks.size(), rows + 1);
        wizard->hide();
    }
}

TEST_F(WizardCommands, ClockIsSetThroughDateAndHwclockThenTheMachineReboots)
{
    showWizard();
    ModalAnswer::finishWhenShown(1);
    ModalScript script({1});
    wizard->SlotModifyTime();

    const QStringList commands = DryRunLog::recordedCommands();
    ASSERT_EQ(commands.size(), 3) << qPrintable(commands.join(QLatin1Char('|')));
    EXPECT_TRUE(commands[0].startsWith(QStringLiteral("date"))) << qPrintable(commands[0]);
    EXPECT_TRUE(commands[1].startsWith(QStringLiteral("hwclock"))) << qPrintable(commands[1]);
    EXPECT_EQ(commands[2], QStringLiteral("reboot"));
    EXPECT_TRUE(script.texts.contains(tableText(402)));
    EXPECT_FALSE(wizard->isVisible());
}

TEST_F(WizardCommands, ClockPickerCancelledRunsNothing)
{
    showWizard();
    ModalAnswer::finishWhenShown(0);
    wizard->SlotModifyTime();
    EXPECT_TRUE(DryRunLog::recordedCommands().isEmpty());
}

TEST_F(WizardCommands, LanguageChange)
{
    showWizard();
    // The language in use: nothing asked.
    {
        ModalScript script({});
        wizard->SlotChangeLan(currentLanguage);
        EXPECT_TRUE(script.texts.isEmpty());
    }
    // Declined: the language stays.
    {
        ModalScript script({0});
        wizard->languageCombo->setCurrentIndex(1);
        EXPECT_EQ(script.texts, QStringList{tableText(318)});
        EXPECT_EQ(currentLanguage, 0);
        EXPECT_EQ(wizard->languageCombo->currentIndex(), 1) << "the box keeps the new entry";
        EXPECT_TRUE(DryRunLog::recordedCommands().isEmpty());
    }
    // Accepted: stored with the record, then the machine reboots.
    {
        wizard->languageCombo->blockSignals(true);
        wizard->languageCombo->setCurrentIndex(0);
        wizard->languageCombo->blockSignals(false);
        ModalScript script({1});
        wizard->SlotChangeLan(1);
        EXPECT_EQ(currentLanguage, 1);
        EXPECT_EQ(DryRunLog::recordedCommands(), QStringList{QStringLiteral("reboot")});
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lang"));
        db.setDatabaseName(QStringLiteral("PARAM.db"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("select * from sysparam where name = 'system2'")));
        ASSERT_TRUE(q.next());
        // The language is the 13th value of the row.
        const QStringList values = q.value(1).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        EXPECT_EQ(values.value(12), QStringLiteral("1")) << qPrintable(q.value(1).toString());
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("lang"));
}

TEST_F(WizardCommands, PasswordChange)
{
    struct Case {
        QString password;
        QString confirmation;
        int text;
        QString stored;  // empty: unchanged
    };
    const QString long33 = QStringLiteral("123456789012345678901234567890123");
    const Case cases[] = {
        {QString(), QStringLiteral("12"), 278, QString()},
        {QStringLiteral("12"), QStringLiteral("13"), 280, QString()},
        {long33, long33, 279, long33.left(32)},
    };
    showWizard();
    const QString before = editParams->passwordText();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        wizard->newPasswordEdit->setText(c.password);
        wizard->confirmPasswordEdit->setText(c.confirmation);
        ModalScript script({0});
        wizard->ChangePwd();
        EXPECT_EQ(script.texts, QStringList{tableText(c.text)});
        EXPECT_EQ(editParams->passwordText(), c.stored.isEmpty() ? before : c.stored);
    }
    EXPECT_TRUE(wizard->newPasswordEdit->text().isEmpty());
    // Stored with the next accepted Confirm, logged with text 249.
    ModalScript script({1});
    wizard->accept();
    EXPECT_EQ(reloadParams().passwordText(), long33.left(32));
    EXPECT_TRUE(logRemarks().last().contains(tableText(249)));
}

TEST_F(WizardCommands, CounterReset)
{
    for (int answer : {0, 1}) {
        totalCounts[0] = 12;
        ngCounts[1] = 3;
        cycleCount = 12;
        ngCycleCount = 3;
        ModalScript script({answer});
        wizard->ResetTotal();
        EXPECT_EQ(script.texts, QStringList{tableText(616)});
        EXPECT_EQ(totalCounts[0], answer ? 0 : 12);
        EXPECT_EQ(ngCounts[1], answer ? 0 : 3);
        EXPECT_EQ(cycleCount + ngCycleCount, answer ? 0 : 15);
    }
    EXPECT_EQ(logRemarks().last(), tableText(255));
}

TEST_F(WizardCommands, GroupRestoreReplacesTheTemplateFoldersLogsAndReboots)
{
    // A group with its own template file, and a working template folder that must go.
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("paraGroup/blue/cammer11")));
    ASSERT_TRUE(QFile::copy(QStringLiteral("PARAM.db"), QStringLiteral("paraGroup/blue/PARAM.db")));
    QFile mark(QStringLiteral("paraGroup/blue/cammer11/template1.bmp"));
    ASSERT_TRUE(mark.open(QIODevice::WriteOnly));
    mark.write("group");
    mark.close();
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("cammer12")));
    QFile stale(QStringLiteral("cammer12/template1.bmp"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    wizard->ParaGroupUpdateList();
    showWizard();
    const int index = wizard->groupCombo->findText(QStringLiteral("blue"));
    ASSERT_GE(index, 0);
    wizard->groupCombo->setCurrentIndex(index);

    ModalScript script({1});
    wizard->SlotParaGroupRestore();
    EXPECT_EQ(script.texts, QStringList{tableText(285)});
    EXPECT_TRUE(QFileInfo::exists(QStringLiteral("cammer11/template1.bmp")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("cammer12/template1.bmp")));
    EXPECT_EQ(DryRunLog::recordedCommands(), QStringList{QStringLiteral("reboot")});
    EXPECT_EQ(activeParams->paraGroupIndex, index);
    window->InsertRecord(QStringLiteral("probe"));
    EXPECT_TRUE(logRemarks().contains(tableText(286).arg(QStringLiteral("blue"))));
}

TEST_F(WizardCommands, ExportAndFactoryResetChangeNothing)
{
    const SystemParam before = *editParams;
    wizard->button(326)->click();
    ModalScript script({1});
    wizard->button(551)->click();
    EXPECT_EQ(script.texts, QStringList{tableText(551) + QLatin1Char('?')});
    EXPECT_EQ(*editParams, before);
    EXPECT_TRUE(DryRunLog::recordedCommands().isEmpty());
}

}  // namespace
