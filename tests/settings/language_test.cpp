// Switching the interface language from the system page: asked, logged, stored in PARAM.db, and
// the machine restarted through the shell runner (recorded in dry-run mode).
#include "settings/systemparamdialog.h"
#include "settings/systemparamwidget.h"
#include "tests/settings/settingsfixture.h"
#include "core/shellrunner.h"
#include "tests/support/dryrunlog.h"
#include "widgets/combobox.h"
#include "widgets/editbox.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

class LanguageTest : public SettingsFixture {};

// Every Qt message while it exists (passed on to the handler before it).
class QtMessages {
public:
    QtMessages() { s_previous = qInstallMessageHandler(&QtMessages::handler); }
    ~QtMessages()
    {
        qInstallMessageHandler(s_previous);
        QMutexLocker lock(&s_mutex);
        s_texts.clear();
    }
    QStringList texts() const
    {
        QMutexLocker lock(&s_mutex);
        return s_texts;
    }

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        {
            QMutexLocker lock(&s_mutex);
            s_texts << text;
        }
        if (s_previous)
            s_previous(type, context, text);
    }
    static inline QtMessageHandler s_previous = nullptr;
    static inline QMutex s_mutex;
    static inline QStringList s_texts;
};

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

TEST_F(LanguageTest, SettingsAreStillSavedAfterADryRunLanguageChange)
{
    // The dry run records the reboot and the process goes on: it must still save its settings.
    QtMessages messages;
    {
        SystemParamDialog dialog;
        dialog.show();
        auto page = static_cast<SystemParamWidget*>(dialog.pages().at(0));
        ModalScript script({1});
        page->languageBox->setCurrentIndex(1);
        ASSERT_TRUE(DryRunLog::recordedCommands().contains(QStringLiteral("reboot")));
    }
    EXPECT_TRUE(store->dbIn.isOpen());

    const int before = activeParams->recheckCount;
    const int changed = before == 3 ? 4 : 3;
    *editParams = *activeParams;
    SystemParamDialog dialog;
    dialog.show();
    auto page = static_cast<SystemParamWidget*>(dialog.pages().at(0));
    page->valueBoxes[4]->setValue(changed);  // "模腔重检"
    ModalScript script({1});
    dialog.acceptDialog();

    // Only the save question: no "System parameter file error".
    EXPECT_EQ(script.texts, QStringList{tableText(234)});
    EXPECT_EQ(activeParams->recheckCount, changed);
    const SystemParam stored = reloadParams();
    EXPECT_EQ(stored.recheckCount, changed);
    EXPECT_EQ(currentLanguage, 1);
    for (const QString& text : messages.texts())
        EXPECT_FALSE(text.contains(QLatin1String("database not open"), Qt::CaseInsensitive)) << qPrintable(text);
}

}  // namespace
