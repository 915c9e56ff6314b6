// Switching the interface language from the system page: asked, logged, stored in PARAM.db, and
// the machine restarted through the shell runner (recorded in dry-run mode).
#include "settings/systemparamdialog.h"
#include "settings/systemparamwidget.h"
#include "tests/settings/settingsfixture.h"
#include "core/shellrunner.h"
#include "tests/support/dryrunlog.h"
#include "widgets/combobox.h"

namespace {

class LanguageTest : public SettingsFixture {};

TEST_F(LanguageTest, ChoosingALanguage)
{
    struct Case {
        const char* name;
        std::vector<int> answers;
        bool refuseInDatabase;
        QStringList shown;
        int language;  // in use and stored afterwards
        bool rebooted;
        int logged;  // operation-log lines added
    };
    const Case cases[] = {
        {"confirmed", {1}, false, {tableText(318)}, 1, true, 1},
        {"cancelled", {0}, false, {tableText(318)}, 0, false, 0},
        {"database refuses the save", {1, 0}, true, {tableText(318), tableText(160)}, 0, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case on a fresh working state.
        TearDown();
        QFile::remove(QStringLiteral("PARAM.db"));
        QFile::remove(QStringLiteral("SN.db"));
        QFile::remove(QString::fromLatin1(ShellRunner::kDryRunLog));
        SetUp();
        if (c.refuseInDatabase)
            refuseParamUpdates();
        const int rows = logRemarks().size();

        SystemParamDialog dialog;
        dialog.show();
        auto page = static_cast<SystemParamWidget*>(dialog.pages().at(0));
        ModalScript script(c.answers);
        page->languageBox->setCurrentIndex(1);

        EXPECT_EQ(script.texts, c.shown);
        EXPECT_EQ(currentLanguage, c.language);
        EXPECT_EQ(DryRunLog::recordedCommands().contains(QStringLiteral("reboot")), c.rebooted);
        EXPECT_EQ(logRemarks().size(), rows + c.logged);
        if (c.rebooted) {
            EXPECT_EQ(logRemarks().last(), QStringLiteral("切换语言并重启"));
            EXPECT_FALSE(dialog.isVisible());
        }
        // A fresh load of PARAM.db sets the language it stores.
        currentLanguage = -1;
        reloadParams();
        EXPECT_EQ(currentLanguage, c.language);
    }
}

}  // namespace
