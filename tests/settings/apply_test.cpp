// Confirming the settings dialog: the question, the change-log line in RECORD.db, the saved
// record in PARAM.db, and the paths that save nothing (declined, refused by a check, refused by
// the database).
#include "settings/systemparamdialog.h"
#include "settings/systemparamwidget.h"
#include "tests/settings/settingsfixture.h"
#include "widgets/editbox.h"

#include <QPushButton>
#include <QTest>

namespace {

constexpr int kFilterBox = 5;

class ApplyTest : public SettingsFixture {
protected:
    // Opens the dialog as the side menu does, lets `edit` change it, presses OK and answers the
    // boxes that follow with `answers`.
    QStringList confirm(const std::function<void(SystemParamDialog&)>& edit, std::vector<int> answers)
    {
        *editParams = *activeParams;
        SystemParamDialog dialog;
        dialog.show();
        edit(dialog);
        ModalScript script(std::move(answers));
        QTest::mousePress(dialog.okButton(), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible()) << "the dialog closes whatever the apply decided";
        return script.texts;
    }

    // Changes the edit copy as the pages would and shows the change on them, since every page
    // writes its widgets back on OK.
    static void editRecord(SystemParamDialog& dialog, const std::function<void(SystemParam&)>& change)
    {
        change(*editParams);
        for (TabParamWidget* page : dialog.pages())
            page->loadParam();
    }

    static SystemParamWidget* systemPage(SystemParamDialog& dialog)
    {
        return static_cast<SystemParamWidget*>(dialog.pages().at(0));
    }
};

TEST_F(ApplyTest, ConfirmedChangeIsSavedThenLogged)
{
    const int oldFilter = activeParams->filterSize;
    const int newFilter = oldFilter == 5 ? 6 : 5;
    const QStringList rowsBefore = logRemarks();

    const QStringList shown = confirm(
        [&](SystemParamDialog& d) { systemPage(d)->valueBoxes[kFilterBox]->setValue(newFilter); }, {1});

    EXPECT_EQ(shown, QStringList{tableText(234)});
    EXPECT_EQ(activeParams->filterSize, newFilter);
    EXPECT_EQ(reloadParams().filterSize, newFilter);
    const QStringList rows = logRemarks();
    ASSERT_EQ(rows.size(), rowsBefore.size() + 1);
    EXPECT_EQ(rows.last(), QStringLiteral("修改了系统参数，过滤尺寸从%1改为%2").arg(oldFilter).arg(newFilter));
}

TEST_F(ApplyTest, NothingChangedAsksNothingAndStoresNothing)
{
    const QByteArray before = digest(QStringLiteral("PARAM.db"));
    const int rows = logRemarks().size();
    EXPECT_TRUE(confirm([](SystemParamDialog&) {}, {}).isEmpty());
    EXPECT_EQ(digest(QStringLiteral("PARAM.db")), before);
    EXPECT_EQ(logRemarks().size(), rows);
}

// Every way out that must leave the stored and the active record alone.
TEST_F(ApplyTest, RefusedChangesLeaveTheRecordsAlone)
{
    struct Case {
        const char* name;
        std::function<void(SystemParamDialog&)> edit;
        bool refuseInDatabase;
        std::vector<int> answers;
        QStringList shown;
    };
    auto filter = [](SystemParamDialog& d) {
        auto box = systemPage(d)->valueBoxes[kFilterBox];
        box->setValue(box->value() == 5 ? 6 : 5);
    };
    auto noAlgorithm = [](SystemParamDialog& d) {
        editRecord(d, [](SystemParam& p) {
            p.filterSize = p.filterSize == 5 ? 6 : 5;
            p.defectDetectionEnabled = p.spotDetectionEnabled = 0;
            p.whiteAreaCheck = p.whiteCountCheck = p.blackAreaCheck = 0;
            p.similarityCheck = p.temperatureAlarm = 0;
        });
    };
    auto noCamera = [](SystemParamDialog& d) {
        editRecord(d, [](SystemParam& p) {
            p.filterSize = p.filterSize == 5 ? 6 : 5;
            for (int& enabled : p.cameraEnabled)
                enabled = 0;
        });
    };
    const Case cases[] = {
        {"declined", filter, false, {0}, {tableText(234)}},
        {"no detection algorithm", noAlgorithm, false, {}, {tableText(232)}},
        {"no camera enabled", noCamera, false, {},
         {QCoreApplication::translate("SystemParamDialog", "所有相机均未启用，请重新确认要启用的相机")}},
        {"database refuses the save", filter, true, {1, 0}, {tableText(234), tableText(160)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.refuseInDatabase)
            refuseParamUpdates();
        const SystemParam active = *activeParams;
        const QByteArray stored = digest(QStringLiteral("PARAM.db"));
        const int rows = logRemarks().size();

        EXPECT_EQ(confirm(c.edit, c.answers), c.shown);

        EXPECT_EQ(digest(QStringLiteral("PARAM.db")), stored);
        EXPECT_EQ(logRemarks().size(), rows);
        EXPECT_TRUE(*activeParams == active);
        EXPECT_TRUE(*editParams == active) << "the edit copy starts again from the active one";
    }
}

TEST_F(ApplyTest, RestartNoticesFollowTheSave)
{
    struct Case {
        const char* name;
        std::function<void(SystemParam&)> change;
        QList<int> notices;
        bool logsHeadingOnly;  // no fragment names the field
    };
    const Case cases[] = {
        {"colour camera only", [](SystemParam& p) { p.colourCamera[1] ^= 1; }, {309}, true},
        {"templates and port",
         [](SystemParam& p) {
             p.maxTemplates = p.maxTemplates == 20 ? 21 : 20;
             p.comPort = p.comPort == 2 ? 3 : 2;
         },
         {276, 309}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList shown = confirm([&](SystemParamDialog& d) { editRecord(d, c.change); }, {1, 0, 0});
        ASSERT_FALSE(shown.isEmpty());
        EXPECT_EQ(shown.takeFirst(), tableText(234));
        QStringList notices;
        for (int id : c.notices)
            notices << tableText(id);
        EXPECT_EQ(shown, notices);
        if (c.logsHeadingOnly) {
            EXPECT_EQ(logRemarks().last(), tableText(235));
        }
    }
}

}  // namespace
