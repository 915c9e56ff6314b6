// The advanced page over real files: its limits and switches, parameter groups in the store
// (backup, restore, delete, hostile names), USB export and update with scratch install and mount
// folders, and the service operations that end in the dry-run log.
#include "core/groupjournal.h"
#include "core/platformutils.h"
#include "core/shellrunner.h"
#include "settings/advanceparamwidget.h"
#include "settings/paragroups.h"
#include "settings/paramfield.h"
#include "settings/pendingpackage.h"
#include "settings/systemparamdialog.h"
#include "settings/systemparamwidget.h"
#include "settings/vselectbox.h"
#include "tests/settings/scratchfiles.h"
#include "tests/settings/settingsfixture.h"
#include "tests/support/dryrunlog.h"
#include "tests/support/eventwait.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/inklines.h"
#include "tests/support/packagearchives.h"
#include "widgets/checkbox.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/edit.h"
#include "widgets/editbox.h"
#include "widgets/kitfont.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFont>
#include <QFontMetrics>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTranslator>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>

// Lists in failure messages as their texts.
inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[' << list.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

constexpr int kMaxOffsetBox = 0;
constexpr int kScreenOffBox = 4;
constexpr int kSaveAllSwitch = 5;

class AdvancedTest : public SettingsFixture {
protected:
    void SetUp() override
    {
        SettingsFixture::SetUp();
        ASSERT_EQ(cameraCount, 2);
        ASSERT_EQ(detectsPerCamera, 2);
        // Scratch install folder and mount point inside the test's working directory.
        install = QDir::current().filePath(QStringLiteral("scratch/bin-VAV"));
        mountPoint = QDir::current().filePath(QStringLiteral("scratch/usb"));
        QDir().mkpath(install);
        qputenv("MONITOR_INSTALL_DIR", install.toLocal8Bit());
        qputenv("MONITOR_USB_MOUNT", mountPoint.toLocal8Bit());
        for (int c = 1; c <= 2; ++c)
            for (int d = 1; d <= 2; ++d)
                writeFile(QStringLiteral("cammer%1%2/template0.bmp").arg(c).arg(d),
                          QStringLiteral("T%1%2").arg(c).arg(d).toLatin1());
        dialog = std::make_unique<SystemParamDialog>();
        page = static_cast<AdvanceParamWidget*>(dialog->pages().at(3));
    }
    void TearDown() override
    {
        dialog.reset();
        ShellRunner::setDryRunResponder(nullptr);
        setMountsTable(QStringLiteral("/proc/mounts"));
        qputenv("MONITOR_INSTALL_DIR", "/nonexistent/install-folder");
        qputenv("MONITOR_USB_MOUNT", "/nonexistent/usb-mount");
        SettingsFixture::TearDown();
    }

    void plugUsbDisk() { ::plugUsbDisk(mountPoint); }

    // Backs up under `name`, answering the boxes with `answers`.
    QStringList backup(const QString& name, std::vector<int> answers)
    {
        page->groupNameEdit->setText(name);
        ModalScript script(std::move(answers));
        page->SlotParaGroupBackup();
        return script.texts;
    }

    QString install;
    QString mountPoint;
    std::unique_ptr<SystemParamDialog> dialog;
    AdvanceParamWidget* page = nullptr;
};

TEST_F(AdvancedTest, LimitsAndSwitchesRoundTrip)
{
    const struct {
        const char* name;
        int box;
        int stored;
        int saved;
    } cases[] = {
        {"screen never off", kScreenOffBox, 0, 0},
        {"screen off below the minimum", kScreenOffBox, 15, 30},
        {"maximum offset 0 raised to 1", kMaxOffsetBox, 0, 1},
        {"maximum offset above the range", kMaxOffsetBox, 9000, 8000},
    };
    const int fields[] = {PARAM_FIELD(screenOffSeconds), PARAM_FIELD(maxOffset)};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int field = fields[c.box == kScreenOffBox ? 0 : 1];
        editParams->setField(field, c.stored);
        page->loadParam();
        page->saveParam();
        EXPECT_EQ(editParams->field(field), c.saved);
    }

    // The save-all switch reaches the main window even when the change is then declined.
    window->saveAllFlag = false;
    *editParams = *activeParams;
    page->loadParam();
    page->switches[kSaveAllSwitch]->setCheckedState(true);
    page->switches[0]->setCheckedState(!activeParams->showFactoryParams);
    ModalScript script({0});
    QTest::mousePress(dialog->okButton(), Qt::LeftButton);
    EXPECT_EQ(script.texts, QStringList{tableText(234)});
    EXPECT_TRUE(window->saveAllFlag);
    EXPECT_EQ(reloadParams().showFactoryParams, activeParams->showFactoryParams) << "declined";
    SystemParamDialog again;
    EXPECT_TRUE(static_cast<AdvanceParamWidget*>(again.pages().at(3))->switches[kSaveAllSwitch]->isCheckedState());
}

TEST_F(AdvancedTest, BackupCopiesTheParametersAndTemplatesAndSelectsTheGroup)
{
    QDir().mkpath(QStringLiteral("paraGroup/zeta"));
    page->ParaGroupUpdateList();
    EXPECT_EQ(backup(QStringLiteral("mouldA"), {1}), QStringList{tableText(283)});

    EXPECT_EQ(fileBytes(QStringLiteral("paraGroup/mouldA/PARAM.db")), fileBytes(QStringLiteral("PARAM.db")));
    EXPECT_EQ(tree(QStringLiteral("paraGroup/mouldA")).filter(QStringLiteral("cammer")),
              (QStringList{"cammer11/template0.bmp=T11", "cammer12/template0.bmp=T12", "cammer21/template0.bmp=T21",
                           "cammer22/template0.bmp=T22"}));
    EXPECT_EQ(page->groupBox->currentText(), QStringLiteral("mouldA"));
    EXPECT_EQ(page->groupBox->count(), 2);
    EXPECT_EQ(activeParams->paraGroupIndex, 0) << "mouldA sorts before zeta";
    EXPECT_EQ(fileBytes(QStringLiteral("sysadd.txt")), QByteArray("0\n"));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("paraGroup.staging")));
}

TEST_F(AdvancedTest, OverwritingBackupReplacesTheGroupOnlyAfterEveryCopySucceeded)
{
    const struct {
        const char* name;
        std::vector<int> answers;
        bool breakCopy;
        bool replaced;
    } cases[] = {
        {"overwrite declined", {1, 0}, false, false},
        {"copy fails", {1, 1, 0}, true, false},
        {"overwrite confirmed", {1, 1}, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(QStringLiteral("paraGroup/mouldA/PARAM.db"), "old");
        writeFile(QStringLiteral("paraGroup/mouldA/cammer11/template0.bmp"), "old");
        page->ParaGroupUpdateList();
        if (c.breakCopy) {
            // A template folder that is a plain file cannot be copied.
            QDir(QStringLiteral("cammer12")).removeRecursively();
            writeFile(QStringLiteral("cammer12"), "not a folder");
        }
        const QStringList shown = backup(QStringLiteral("mouldA"), c.answers);
        EXPECT_EQ(shown.mid(0, 2), (QStringList{tableText(283), tableText(284)}));
        if (c.breakCopy) {
            EXPECT_EQ(shown.size(), 3) << "the failure is told";
        }
        EXPECT_EQ(fileBytes(QStringLiteral("paraGroup/mouldA/cammer11/template0.bmp")),
                  c.replaced ? QByteArray("T11") : QByteArray("old"));
        EXPECT_EQ(QDir(QStringLiteral(".")).entryList({QStringLiteral("paraGroup.*")}, QDir::Dirs), QStringList());
        if (c.breakCopy) {
            QFile::remove(QStringLiteral("cammer12"));
            writeFile(QStringLiteral("cammer12/template0.bmp"), "T12");
        }
    }
}

TEST_F(AdvancedTest, HostileGroupNamesChangeNothingOutsideTheStoreAndRunNoShell)
{
    writeFile(QStringLiteral("paraGroup/keep/PARAM.db"), "keep");
    const QStringList here = workingDirListing();
    for (const auto& c : kHostileGroupNames) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromLatin1(c.name);
        const QStringList shown = backup(name, {1, 1});
        if (c.refused) {
            ASSERT_EQ(shown.size(), 1);
            EXPECT_NE(shown.first(), tableText(283)) << "refused before the question";
        } else {
            EXPECT_TRUE(QFileInfo(QStringLiteral("paraGroup/") + name + QStringLiteral("/PARAM.db")).isFile())
                << "a literal folder name";
        }
    }
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("x"))) << "nothing beside the store";
    EXPECT_EQ(QDir(QStringLiteral("paraGroup")).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              (QStringList{"$(id)", "a;touch P", "keep"}));
    EXPECT_EQ(workingDirListing().join(QLatin1Char(' ')), here.join(QLatin1Char(' '))) << "no file P, no folder a";
    EXPECT_EQ(fileBytes(QStringLiteral("paraGroup/keep/PARAM.db")), QByteArray("keep"));
    EXPECT_EQ(DryRunLog::recordedCommands(), QStringList());

    // Deleting the listed literal names removes exactly them.
    page->ParaGroupUpdateList();
    for (const char* name : {"$(id)", "a;touch P"}) {
        page->groupBox->setCurrentIndex(page->groupBox->findText(QString::fromLatin1(name)));
        ModalScript script({1});
        page->SlotParaGroupDelete();
    }
    EXPECT_EQ(ParaGroups::groupList(), QStringList{"keep"});
}

TEST_F(AdvancedTest, EmptyGroupListRestoresAndDeletesNothing)
{
    page->ParaGroupUpdateList();
    ASSERT_EQ(page->groupBox->count(), 0);
    ModalScript script({1, 1});
    page->SlotParaGroupRestore();
    page->SlotParaGroupDelete();
    EXPECT_TRUE(script.texts.isEmpty());
    EXPECT_TRUE(QFileInfo(QStringLiteral("paraGroup")).isDir()) << "the store itself stays";
    EXPECT_TRUE(QFileInfo(QStringLiteral("cammer11/template0.bmp")).isFile());
    EXPECT_EQ(DryRunLog::recordedCommands(), QStringList());
}

TEST_F(AdvancedTest, RestoreBringsTheGroupBackAndRestarts)
{
    ASSERT_TRUE(QFile::copy(QStringLiteral("PARAM.db"), QStringLiteral("saved.db")));
    backup(QStringLiteral("mouldA"), {1});
    backup(QStringLiteral("mouldB"), {1});
    // The working templates change after the backup of mouldA.
    writeFile(QStringLiteral("cammer11/template0.bmp"), "changed");
    writeFile(QStringLiteral("cammer11/template5.bmp"), "extra");
    page->groupBox->setCurrentIndex(0);
    activeParams->paraGroupIndex = 0;  // restoring the current group is allowed here

    ModalScript script({1});
    page->SlotParaGroupRestore();
    EXPECT_EQ(script.texts, QStringList{tableText(285)});
    EXPECT_EQ(fileBytes(QStringLiteral("sysadd.txt")), QByteArray("0\n"));
    EXPECT_EQ(QDir(QStringLiteral("cammer11")).entryList(QDir::Files), QStringList{"template0.bmp"});
    EXPECT_EQ(fileBytes(QStringLiteral("cammer11/template0.bmp")), QByteArray("T11"));
    EXPECT_EQ(logRemarks().last(), tableText(286).arg(QStringLiteral("mouldA")));
    EXPECT_EQ(DryRunLog::recordedCommands(), QStringList{QCoreApplication::applicationFilePath()});
}

// The working files a restore must never leave half replaced: PARAM.db and the templates.
QStringList workingGroupFiles()
{
    QStringList files = tree(QStringLiteral("cammer11")) + tree(QStringLiteral("cammer12"))
        + tree(QStringLiteral("cammer21")) + tree(QStringLiteral("cammer22"));
    files << QString::fromLatin1(QCryptographicHash::hash(fileBytes(QStringLiteral("PARAM.db")),
                                                          QCryptographicHash::Sha1).toHex());
    return files;
}

// Group `name` in the store: the working PARAM.db and a template per check, marked "G<c><d>".
void makeGroup(const QString& name)
{
    const QString folder = QStringLiteral("paraGroup/") + name;
    QDir().mkpath(folder);
    ASSERT_TRUE(QFile::copy(QStringLiteral("PARAM.db"), folder + QStringLiteral("/PARAM.db")));
    for (int c = 1; c <= 2; ++c)
        for (int d = 1; d <= 2; ++d)
            writeFile(folder + QStringLiteral("/cammer%1%2/template0.bmp").arg(c).arg(d),
                      QStringLiteral("G%1%2").arg(c).arg(d).toLatin1());
}

// Grows the database `file` by about `bytes` with a table of its own.
void padDatabase(const QString& file, int bytes)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("pad"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec(QStringLiteral("create table padding(data blob)")));
        ASSERT_TRUE(query.prepare(QStringLiteral("insert into padding values(?)")));
        query.addBindValue(QByteArray(bytes, 'p'));
        ASSERT_TRUE(query.exec());
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("pad"));
}

TEST_F(AdvancedTest, RestoreOntoANearlyFullDiskKeepsTheRunningGroup)
{
    // Files of the disk stay below 512 KB: a group with a larger file cannot be copied whole.
    constexpr int kLimit = 512 * 1024;
    const struct {
        const char* name;
        const char* largeFile;  // in the group
    } cases[] = {
        {"largeParameters", "PARAM.db"},
        {"largeTemplate", "cammer21/template0.bmp"},
    };
    activeParams->paraGroupIndex = 7;
    ASSERT_TRUE(activeParams->saveParaGroupIndex());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QLatin1String(c.name);
        makeGroup(name);
        const QString large = QStringLiteral("paraGroup/") + name + QLatin1Char('/') + QLatin1String(c.largeFile);
        if (large.endsWith(QLatin1String(".db")))
            padDatabase(large, kLimit);
        else
            writeFile(large, QByteArray(kLimit + 1, 'g'));
        const int index = ParaGroups::groupList().indexOf(name);
        ASSERT_GE(index, 0);
        const QStringList before = workingGroupFiles();
        const QString expected =
            ParaGroups::failureText(ParaGroups::RestoreFailure::CopyFailed, name);

        // 1: restored (or failed with another reason); 0: refused with the copy's failure.
        const int result = runWithFileSizeLimit(kLimit, [&] {
            QString failure;
            if (mainWindow->restoreParaGroup(index, &failure))
                return 1;
            return failure == expected ? 0 : 2;
        });
        EXPECT_EQ(result, 0);
        EXPECT_EQ(workingGroupFiles(), before);
        EXPECT_EQ(fileBytes(QStringLiteral("sysadd.txt")), QByteArray("7\n"));
        EXPECT_EQ(DryRunLog::recordedCommands(), QStringList());
        EXPECT_EQ(logRemarks().last(), expected);
        EXPECT_EQ(QDir(QStringLiteral(".")).entryList({QStringLiteral("paraGroup.*")}, QDir::Dirs | QDir::Hidden),
                  QStringList());
    }
    // The running program still saves its parameters.
    EXPECT_TRUE(SystemParam::saveSysParams(*activeParams, store->queryIn));
}

TEST_F(AdvancedTest, RestoreOfADamagedGroupSaysWhyAndRestartsNothing)
{
    makeGroup(QStringLiteral("damaged"));
    // Every page but the first zeroed: the table list is still readable, the integrity check fails.
    QFile group(QStringLiteral("paraGroup/damaged/PARAM.db"));
    ASSERT_TRUE(group.open(QIODevice::ReadWrite));
    ASSERT_TRUE(group.seek(4096));
    group.write(QByteArray(int(group.size()) - 4096, '\0'));
    group.close();
    ASSERT_TRUE(ParaGroups::isRestorable(QStringLiteral("damaged")));
    activeParams->paraGroupIndex = 7;
    ASSERT_TRUE(activeParams->saveParaGroupIndex());
    page->ParaGroupUpdateList();
    page->groupBox->setCurrentIndex(page->groupBox->findText(QStringLiteral("damaged")));
    const QStringList before = workingGroupFiles();

    ModalScript script({1, 1});
    page->SlotParaGroupRestore();
    const QString why = ParaGroups::failureText(ParaGroups::RestoreFailure::NoParameters, QStringLiteral("damaged"));
    EXPECT_EQ(script.texts, (QStringList{tableText(285), why}));
    EXPECT_EQ(workingGroupFiles(), before);
    EXPECT_EQ(fileBytes(QStringLiteral("sysadd.txt")), QByteArray("7\n"));
    EXPECT_EQ(activeParams->paraGroupIndex, 7);
    EXPECT_EQ(logRemarks().last(), why);
    EXPECT_EQ(DryRunLog::recordedCommands(), QStringList());
    EXPECT_TRUE(SystemParam::saveSysParams(*activeParams, store->queryIn));
}

// After a delete sysadd.txt and the running program name the same group, written once with the
// delete; a delete that is refused keeps the group listed and says why in a box and the log.
TEST_F(AdvancedTest, DeleteKeepsTheIndexOnTheRunningGroupAndARefusalSaysWhy)
{
    for (const char* name : {"A", "B", "C", "a\tb"})
        writeFile(QStringLiteral("paraGroup/") + QLatin1String(name) + QStringLiteral("/PARAM.db"), name);
    page->ParaGroupUpdateList();
    // A runs; sysadd.txt still holds an index from before (C).
    activeParams->paraGroupIndex = 0;
    writeFile(QStringLiteral("sysadd.txt"), "2\n");
    const auto remove = [this](const QString& name) {
        page->groupBox->setCurrentIndex(page->groupBox->findText(name));
        ModalScript script({1, 1});
        page->SlotParaGroupDelete();
        return script.texts;
    };
    EXPECT_EQ(remove(QStringLiteral("B")), QStringList{tableText(287)});
    EXPECT_EQ(ParaGroups::groupList(), (QStringList{"A", "C", "a\tb"}));
    EXPECT_EQ(activeParams->paraGroupIndex, 0);
    EXPECT_EQ(fileBytes(QStringLiteral("sysadd.txt")), QByteArray("0\n"));

    const struct {
        const char* name;
        std::function<void()> arrange;
        const char* group;
        const char* why;
    } refusals[] = {
        {"an earlier operation that cannot be recovered",
         [] { writeFile(QStringLiteral("paraGroup.journal"), "not a record"); }, "C",
         "上一次参数组操作未能完成恢复，参数组“C”没有删除！"},
        {"a folder name that names no group", [] { QFile::remove(QStringLiteral("paraGroup.journal")); }, "a\tb",
         "参数组“a\tb”无法删除，参数组没有改变！"},
    };
    for (const auto& c : refusals) {
        SCOPED_TRACE(c.name);
        c.arrange();
        const QString group = QString::fromUtf8(c.group);
        const QString why = QString::fromUtf8(c.why);
        EXPECT_EQ(remove(group), (QStringList{tableText(287), why}));
        EXPECT_TRUE(ParaGroups::groupList().contains(group));
        EXPECT_EQ(page->groupBox->currentText(), group) << "still listed";
        EXPECT_EQ(page->groupBox->count(), 3);
        EXPECT_EQ(logRemarks().last(), why);
    }
    EXPECT_EQ(fileBytes(QStringLiteral("sysadd.txt")), QByteArray("0\n"));
}

TEST_F(AdvancedTest, TheDefaultGroupIsNeitherOverwrittenNorDeleted)
{
    writeFile(QStringLiteral("paraGroup/default/PARAM.db"), "default parameters");
    writeFile(QStringLiteral("paraGroup/default/SN.db"), "serial numbers");
    writeFile(QStringLiteral("paraGroup/default/20clearsh.tar.gz"), "factory archive");
    page->ParaGroupUpdateList();
    const QStringList before = tree(QStringLiteral("paraGroup/default"));
    const QString refusal = QString::fromUtf8("默认参数组不能被覆盖或删除！");

    EXPECT_EQ(backup(QStringLiteral("default"), {1, 1}), QStringList{refusal});
    page->groupBox->setCurrentIndex(page->groupBox->findText(QStringLiteral("default")));
    {
        ModalScript script({1});
        page->SlotParaGroupDelete();
        EXPECT_EQ(script.texts, QStringList{refusal});
    }
    EXPECT_EQ(tree(QStringLiteral("paraGroup/default")), before);
    EXPECT_EQ(page->groupBox->findText(QStringLiteral("default")), 0);
    EXPECT_FALSE(ParaGroups::removeGroup(QStringLiteral("default")));
    EXPECT_FALSE(ParaGroups::backupGroup(QStringLiteral("default"), 2, 2));
    EXPECT_EQ(tree(QStringLiteral("paraGroup/default")), before);
}

TEST_F(AdvancedTest, RemovingAFolderThatIsALinkRemovesTheLinkOnly)
{
    const QString outside = QDir::current().filePath(QStringLiteral("outside"));
    writeFile(outside + QStringLiteral("/PARAM.db"), "outside");
    writeFile(outside + QStringLiteral("/cammer11/template0.bmp"), "outside");
    const QStringList kept = tree(outside);
    const struct {
        const char* what;
        const char* link;  // made to point to the outside folder
        bool linkStays;    // the operation refuses the link
        std::function<void()> run;
    } cases[] = {
        {"delete of a linked group", "paraGroup/linked", false,
         [this] {
             page->ParaGroupUpdateList();
             page->groupBox->setCurrentIndex(page->groupBox->findText(QStringLiteral("linked")));
             ModalScript script({1});
             page->SlotParaGroupDelete();
         }},
        {"backup over a linked group", "paraGroup/linked", true,
         [this] {
             page->ParaGroupUpdateList();
             const QString why =
                 ParaGroups::failureText(ParaGroups::RestoreFailure::LinkedGroup, QStringLiteral("linked"));
             EXPECT_EQ(backup(QStringLiteral("linked"), {1, 1, 1}),
                       (QStringList{tableText(283), tableText(284), why}));
             EXPECT_EQ(logRemarks().last(), why);
         }},
        {"backup's staging folder left as a link", "paraGroup.staging", false,
         [this] { backup(QStringLiteral("fresh"), {1, 1}); }},
        {"backup's replaced folder left as a link", "paraGroup.replaced", false,
         [this] { backup(QStringLiteral("fresh"), {1, 1, 1}); }},
    };
    QDir().mkpath(QStringLiteral("paraGroup"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(QFile::link(outside, QLatin1String(c.link)));
        c.run();
        EXPECT_EQ(tree(outside), kept);
        EXPECT_EQ(QFileInfo(QLatin1String(c.link)).isSymLink(), c.linkStays);
        ParaGroups::removeTree(QLatin1String(c.link));
    }
}

TEST_F(AdvancedTest, ExportCopiesTheInstallFolderThenEmptiesTheTestImages)
{
    writeFile(install + QStringLiteral("/PARAM.db"), "installed");
    for (const char* folder : {"cammer11", "cammer22"})
        writeFile(QStringLiteral("originalimage/%1/template1.bmp").arg(QLatin1String(folder)), "test");
    const struct {
        const char* name;
        bool mountIsFile;
    } cases[] = {{"copy fails: the mount point is a plain file", true}, {"good copy", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(QString::fromLatin1(ShellRunner::kDryRunLog));
        if (c.mountIsFile) {
            writeFile(mountPoint, "not a folder");
        } else {
            QFile::remove(mountPoint);
            QDir().mkpath(mountPoint);
        }
        plugUsbDisk();
        ModalScript script({1, 1});
        page->SlotExportData();
        ASSERT_EQ(script.texts.size(), 2);
        EXPECT_EQ(script.texts.first(), tableText(324));
        const QStringList commands = DryRunLog::recordedCommands();
        EXPECT_EQ(commands.mid(commands.size() - 2),
                  (QStringList{QStringLiteral("sync"), QStringLiteral("umount ") + mountPoint}))
            << "the disk is unmounted either way";
        if (c.mountIsFile) {
            EXPECT_NE(script.texts.last(), tableText(147)) << "no success after a failed copy";
            EXPECT_EQ(fileBytes(QStringLiteral("originalimage/cammer22/template1.bmp")), QByteArray("test"));
        } else {
            EXPECT_EQ(script.texts.last(), tableText(147));
            const QStringList stamps = QDir(mountPoint).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
            ASSERT_EQ(stamps.size(), 1);
            EXPECT_EQ(tree(mountPoint + QLatin1Char('/') + stamps.first()), QStringList{"bin-VAV/PARAM.db=installed"});
            EXPECT_EQ(QDir(QStringLiteral("originalimage/cammer11")).entryList(QDir::Files), QStringList());
            EXPECT_EQ(QDir(QStringLiteral("originalimage/cammer22")).entryList(QDir::Files), QStringList());
        }
    }
}

// The copy step of the export waits, in the copying thread, until the screen's thread has run
// (its timer has looked at the notice and saved a test picture, as the machine cycle may); a
// screen that stood still makes the wait run out.
std::atomic<bool> exportCopying{false};
std::atomic<bool> screenRanDuringExport{false};
std::atomic<bool> exportWaitRanOut{false};

bool waitForTheScreenDuringTheExport(const char* what, const QString&)
{
    if (std::strcmp(what, "copy") != 0 || exportCopying)
        return true;
    exportCopying = true;
    for (int i = 0; i < kPatientWaitMs / 10 && !screenRanDuringExport; ++i)
        QThread::msleep(10);
    exportWaitRanOut = !screenRanDuringExport;
    return true;
}

TEST_F(AdvancedTest, ExportCopiesBesideTheScreenUnderANotice)
{
    writeFile(install + QStringLiteral("/PARAM.db"), "installed");
    writeFile(QStringLiteral("originalimage/cammer11/template1.bmp"), "test");
    QDir().mkpath(mountPoint);
    plugUsbDisk();
    GroupJournal::setStepHook(waitForTheScreenDuringTheExport);
    QString noticeText;
    QTimer screen;
    QObject::connect(&screen, &QTimer::timeout, [&]() {
        if (!exportCopying || screenRanDuringExport)
            return;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto box = qobject_cast<v_SelectBox*>(w);
            if (!box || !box->isVisible())
                continue;
            noticeText = box->text;
            if (!qEnvironmentVariableIsEmpty("MONITOR_SHOT_DIR"))
                box->grab().save(qEnvironmentVariable("MONITOR_SHOT_DIR") + QStringLiteral("/export-notice.png"));
        }
        // The machine cycle saves a test picture meanwhile: it is not on the disk and stays.
        writeFile(QStringLiteral("originalimage/cammer11/during.bmp"), "during");
        screenRanDuringExport = true;
    });
    screen.start(20);
    ModalScript script({1, 1});
    page->SlotExportData();
    screen.stop();
    GroupJournal::setStepHook(nullptr);
    EXPECT_FALSE(exportWaitRanOut) << "the screen's thread stood still while the install folder was copied";
    EXPECT_EQ(noticeText, QStringLiteral("正在导出数据..."));
    EXPECT_EQ(script.texts, (QStringList{tableText(324), tableText(147)}));
    EXPECT_EQ(QDir(QStringLiteral("originalimage/cammer11")).entryList(QDir::Files), QStringList{"during.bmp"});
}

// A package as the tree of the install folder shows it.
QString packageEntry(const char* name, const std::string& bytes)
{
    return QLatin1String(name) + QLatin1Char('=') + QString::fromLatin1(QByteArray::fromStdString(bytes));
}

TEST_F(AdvancedTest, UpdateTakesAPackageFromTheDiskAndKeepsTheDatabasesOpen)
{
    using PackageArchives::Kind;
    const std::string xz = PackageArchives::make(Kind::TarXz, PackageArchives::programFiles());
    const std::string gz = PackageArchives::make(Kind::TarGz, PackageArchives::programFiles());
    QDir().mkpath(mountPoint);
    writeFile(mountPoint + QStringLiteral("/x.tar.xz"), QByteArray::fromStdString(xz));
    writeFile(mountPoint + QStringLiteral("/x.zip"), "zip");
    // Damaged on the disk: the leading two thirds of a good package; and a tar.gz named .rar.
    writeFile(mountPoint + QStringLiteral("/cut.tar.gz"), QByteArray::fromStdString(gz.substr(0, gz.size() * 2 / 3)));
    writeFile(mountPoint + QStringLiteral("/renamed.rar"), QByteArray::fromStdString(gz));
    writeFile(install + QStringLiteral("/newupdate.tar.gz"), "older package");
    plugUsbDisk();
    const QString question = tableText(323);
    const struct {
        const char* file;
        QStringList boxes;
        QStringList packages;
    } cases[] = {
        {"x.zip", {question}, {"newupdate.tar.gz=older package"}},
        {"cut.tar.gz", {question, "更新失败\n安装包已损坏"}, {"newupdate.tar.gz=older package"}},
        {"renamed.rar", {question, "更新失败\n文件类型不符"}, {"newupdate.tar.gz=older package"}},
        {"x.tar.xz", {question}, {packageEntry("newupdate.tar.xz", xz)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = mountPoint + QLatin1Char('/') + QLatin1String(c.file);
        FilePicker picker(path);
        ModalScript script({1, 1});
        QFile::remove(QString::fromLatin1(ShellRunner::kDryRunLog));
        page->SlotUpdateApp();
        EXPECT_EQ(script.texts, c.boxes);
        EXPECT_EQ(tree(install), c.packages);
        // The disk is flushed and unmounted once the copy is done.
        const QStringList commands = DryRunLog::recordedCommands();
        EXPECT_EQ(commands.mid(commands.size() - 2),
                  (QStringList{QStringLiteral("sync"), QStringLiteral("umount ") + mountPoint}));
    }
    // The running program still saves its parameters.
    EXPECT_TRUE(SystemParam::saveSysParams(*activeParams, store->queryIn));
}

TEST_F(AdvancedTest, FactoryResetReplacesThePendingPackageWithAWholeArchiveOnly)
{
    const std::string factory = PackageArchives::make(PackageArchives::Kind::TarGz, PackageArchives::programFiles());
    writeFile(install + QStringLiteral("/newupdate.rar"), "another");
    // A damaged factory archive is refused, and the box says so.
    writeFile(QStringLiteral("paraGroup/default/20clearsh.tar.gz"), QByteArray::fromStdString(factory.substr(0, 40000)));
    {
        ModalScript script({1, 1});
        page->SlotRestoreFactorySet();
        EXPECT_EQ(script.texts, (QStringList{tableText(551) + QLatin1Char('?'), "重置失败\n安装包已损坏"}));
        EXPECT_EQ(tree(install), QStringList{"newupdate.rar=another"});
    }
    writeFile(QStringLiteral("paraGroup/default/20clearsh.tar.gz"), QByteArray::fromStdString(factory));
    writeFile(install + QStringLiteral("/newupdate.tar.gz"), "older package");
    ModalScript script({1});
    page->SlotRestoreFactorySet();
    EXPECT_EQ(script.texts, QStringList{tableText(551) + QLatin1Char('?')});
    EXPECT_EQ(tree(install), QStringList{packageEntry("newupdate.tar.gz", factory)});
}

// While a package from the USB disk or the factory archive is copied and read through, a notice
// offers "取消"; pressed during the copy or during the check, it stops that work, the earlier
// package stays byte for byte, no partial copy is left and no warning follows.
TEST_F(AdvancedTest, CancelOnTheNoticeStopsTheCopyOrTheCheckOfAnUpdateOrTheFactoryArchive)
{
    // Several copy blocks (64 KiB) long, so that a copy stopped part-way shows.
    const std::string package =
        PackageArchives::make(PackageArchives::Kind::TarGz, PackageArchives::programFiles(1 << 20));
    const int copyBlocks = int((package.size() + 65535) / 65536);
    ASSERT_GE(copyBlocks, 4);
    QDir().mkpath(mountPoint);
    writeFile(mountPoint + QStringLiteral("/x.tar.gz"), QByteArray::fromStdString(package));
    writeFile(QStringLiteral("paraGroup/default/20clearsh.tar.gz"), QByteArray::fromStdString(package));
    writeFile(install + QStringLiteral("/newupdate.tar.gz"), "older package");
    plugUsbDisk();
    const struct {
        const char* name;
        std::function<void()> run;
        QStringList boxes;
    } operations[] = {
        {"update from the USB disk", [&] { page->SlotUpdateApp(); }, {tableText(323)}},
        {"factory reset", [&] { page->SlotRestoreFactorySet(); }, {tableText(551) + QLatin1Char('?')}},
    };
    enum class Stage { Copy, Check };
    for (const auto& c : operations) {
        for (const Stage stage : {Stage::Copy, Stage::Check}) {
            SCOPED_TRACE(std::string(c.name) + (stage == Stage::Copy ? ", pressed during the copy" : ", pressed during the check"));
            // The stage waits in its first block until the button has been pressed. The press
            // comes from a timer of the screen's thread, so it comes only while that thread runs
            // beside the copy and the check; the wait is bounded so that a press that never comes
            // fails the test instead of hanging it.
            std::atomic<bool> reached{false};
            std::atomic<bool> pressed{false};
            std::atomic<bool> missed{false};
            std::atomic<int> copied{0};
            std::atomic<int> checked{0};
            const auto waitForPress = [&] {
                reached = true;
                for (int i = 0; i < kPatientWaitMs / 10 && !pressed; ++i)
                    QThread::msleep(10);
                missed = !pressed;
            };
            PendingPackage::setCopyHook([&] {
                if (++copied == 1 && stage == Stage::Copy)
                    waitForPress();
            });
            PendingPackage::setCheckHook([&] {
                if (++checked == 1 && stage == Stage::Check)
                    waitForPress();
            });
            QString noticeText;
            QString buttonText;
            QTimer operatorHand;
            QObject::connect(&operatorHand, &QTimer::timeout, [&]() {
                for (QWidget* w : QApplication::topLevelWidgets()) {
                    auto box = qobject_cast<v_SelectBox*>(w);
                    if (!reached || pressed || !box || !box->isVisible())
                        continue;
                    QPushButton* button = box->findChild<QPushButton*>();
                    ASSERT_NE(button, nullptr);
                    noticeText = box->text;
                    buttonText = button->text();
                    if (!qEnvironmentVariableIsEmpty("MONITOR_SHOT_DIR"))
                        box->grab().save(qEnvironmentVariable("MONITOR_SHOT_DIR") + QStringLiteral("/package-check-notice.png"));
                    button->click();
                    pressed = true;
                }
            });
            operatorHand.start(20);
            FilePicker picker(mountPoint + QStringLiteral("/x.tar.gz"));
            ModalScript script({1, 1});
            c.run();
            operatorHand.stop();
            PendingPackage::setCopyHook(nullptr);
            PendingPackage::setCheckHook(nullptr);
            EXPECT_FALSE(missed) << "the screen's thread never pressed 取消 while the stage waited";
            EXPECT_EQ(noticeText, QStringLiteral("正在检查安装包..."));
            EXPECT_EQ(buttonText, QStringLiteral("取消"));
            if (stage == Stage::Copy) {
                EXPECT_LT(copied, copyBlocks) << "the copy went on to its end";
                EXPECT_EQ(checked, 0) << "the check began after the cancel";
            } else {
                EXPECT_EQ(copied, copyBlocks);
                EXPECT_GE(checked, 1);
            }
            EXPECT_EQ(script.texts, c.boxes);
            EXPECT_EQ(tree(install), QStringList{"newupdate.tar.gz=older package"});
        }
    }
}

TEST_F(AdvancedTest, APackageThatCannotBePlacedKeepsTheOlderOne)
{
    const QString source = mountPoint + QStringLiteral("/x.tar.gz");
    writeFile(source, QByteArray::fromStdString(PackageArchives::make(PackageArchives::Kind::TarGz, PackageArchives::programFiles())));
    writeFile(install + QStringLiteral("/newupdate.rar"), "older");
    // The name is taken by a folder, so the rename fails.
    writeFile(install + QStringLiteral("/newupdate.tar.gz/inside"), "x");
    QString why;
    EXPECT_FALSE(PendingPackage::write(source, QStringLiteral("newupdate.tar.gz"), &why));
    EXPECT_EQ(why, QStringLiteral("无法写入安装目录"));
    // The disk is full.
    EXPECT_EQ(runWithFileSizeLimit(4, [&] { return PendingPackage::write(source, QStringLiteral("newupdate.tar.xz")) ? 1 : 0; }),
              0);
    EXPECT_EQ(tree(install), (QStringList{"newupdate.rar=older", "newupdate.tar.gz/inside=x"}));
}

// The package is placed in steps (flush, the earlier package set aside, the rename, the removal,
// each folder flush). The process is cut before each step in turn, in a child process, and the
// folder is then looked at as the start script would at the next boot: the earlier package, the
// new one or none, never two; and the next placing ends with the new one alone.
TEST_F(AdvancedTest, APlacingCutAtAnyStepNeverLeavesTwoPackages)
{
    const std::string fresh = PackageArchives::make(PackageArchives::Kind::TarGz, PackageArchives::programFiles());
    const QString source = QDir::current().filePath(QStringLiteral("fresh.tar.gz"));
    writeFile(source, QByteArray::fromStdString(fresh));
    const struct {
        const char* name;
        const char* earlier;
    } cases[] = {
        {"an earlier package of another type", "newupdate.rar"},
        {"an earlier package of the same type", "newupdate.tar.gz"},
    };
    for (const auto& c : cases) {
        int cuts = 0;
        for (int cut = 0;; ++cut) {
            const std::string label = std::string(c.name) + ", cut before step " + std::to_string(cut);
            QDir(install).removeRecursively();
            QDir().mkpath(install);
            writeFile(install + QLatin1Char('/') + QLatin1String(c.earlier), "earlier");
            writeFile(install + QStringLiteral("/pending-package.part"), QByteArray::fromStdString(fresh));
            const int result = runWithFileSizeLimit(RLIM_INFINITY, [&] {
                int step = 0;
                PendingPackage::setStepHook([&](const QString&) {
                    if (step++ == cut)
                        ::_exit(100);
                });
                return PendingPackage::adopt(install + QStringLiteral("/pending-package.part"), QStringLiteral("newupdate.tar.gz"))
                           ? 0
                           : 1;
            });
            ASSERT_TRUE(result == 0 || result == 100) << label << ": " << result;
            QStringList packages;
            for (const QString& name : QDir(install).entryList(QDir::Files))
                if (name.startsWith(QLatin1String("newupdate")))
                    packages << name + QLatin1Char('=') + QString::fromLatin1(fileBytes(install + QLatin1Char('/') + name).left(7));
            const QString fresh7 = QString::fromLatin1(QByteArray::fromStdString(fresh).left(7));
            const QStringList allowed[] = {{}, {QLatin1String(c.earlier) + QStringLiteral("=earlier")},
                                           {QStringLiteral("newupdate.tar.gz=") + fresh7}};
            EXPECT_TRUE(std::find(std::begin(allowed), std::end(allowed), packages) != std::end(allowed))
                << label << ": " << packages.join(QStringLiteral(", ")).toStdString();
            // The next placing.
            ASSERT_TRUE(PendingPackage::write(source, QStringLiteral("newupdate.tar.gz"))) << label;
            EXPECT_EQ(QDir(install).entryList(QDir::Files), QStringList{"newupdate.tar.gz"}) << label;
            EXPECT_EQ(fileBytes(install + QStringLiteral("/newupdate.tar.gz")), QByteArray::fromStdString(fresh)) << label;
            if (result == 0)
                break;
            ++cuts;
        }
        // Flush and rename at least, and for another type the setting aside and the removal.
        EXPECT_GE(cuts, QLatin1String(c.earlier) == QLatin1String("newupdate.rar") ? 6 : 3) << c.name;
    }
}

TEST(PendingPackage, NameFollowsTheFirstPackageEnding)
{
    const struct {
        const char* file;
        const char* target;
    } cases[] = {
        {"x.tar.gz", "newupdate.tar.gz"}, {"x.tar.xz", "newupdate.tar.xz"}, {"x.rar", "newupdate.rar"},
        {"a.tar.gz.bak", "newupdate.tar.gz"}, {"x.zip", ""}, {"X.TAR.GZ", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PendingPackage::targetFor(QLatin1String(c.file)), QLatin1String(c.target)) << c.file;
}

TEST_F(AdvancedTest, PasswordChange)
{
    const QString digits40 = QStringLiteral("1234567890123456789012345678901234567890");
    const struct {
        const char* name;
        QString typed;
        QString confirm;
        int text;
        QString stored;  // empty: unchanged
    } cases[] = {
        {"40 digits keep the first 32", digits40, digits40, 279, digits40.left(32)},
        {"32 digits kept whole", digits40.left(32), digits40.left(32), 279, digits40.left(32)},
        {"empty", QString(), QStringLiteral("1"), 278, QString()},
        {"different", QStringLiteral("12"), QStringLiteral("13"), 280, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        editParams->setPassword(QStringLiteral("0"));
        page->newPasswordEdit->setText(c.typed);
        page->confirmPasswordEdit->setText(c.confirm);
        ModalScript script({1});
        page->ChangePwd();
        EXPECT_EQ(script.texts, QStringList{tableText(c.text)});
        EXPECT_EQ(editParams->passwordText(), c.stored.isEmpty() ? QStringLiteral("0") : c.stored);
    }
    EXPECT_NE(activeParams->passwordText(), digits40.left(32)) << "active only after the dialog's apply";
}

TEST_F(AdvancedTest, ServiceCommandsReachTheDryRunLog)
{
    const QDateTime time(QDate(2025, 3, 4), QTime(5, 6, 7));
    const struct {
        const char* name;
        std::function<void()> run;
        std::vector<int> answers;
        QStringList commands;
        int logText;  // 0: nothing logged
    } cases[] = {
        {"power off, restart", [this] { dialog->powerOff(); }, {1, 1}, {"reboot"}, 292},
        {"power off, power off", [this] { dialog->powerOff(); }, {1, 0}, {"init 0"}, 292},
        {"power off declined", [this] { dialog->powerOff(); }, {0}, {}, 0},
        {"clock", [&] { page->onModifyTimeConfirmed(time); }, {1},
         {"date -s 2025-03-04 05:06:07", "hwclock --systohc", "reboot"}, 401},
        {"clock declined", [&] { page->onModifyTimeConfirmed(time); }, {0}, {}, 0},
        {"touch calibration", [this] { page->SlotCalibration(); }, {}, {"./tsc", "reboot"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(QString::fromLatin1(ShellRunner::kDryRunLog));
        const int rows = logRemarks().size();
        {
            ModalScript script(c.answers);
            c.run();
        }
        EXPECT_EQ(DryRunLog::recordedCommands(), c.commands);
        const QStringList remarks = logRemarks();
        if (c.logText) {
            EXPECT_EQ(remarks.last(), tableText(c.logText));
        } else {
            EXPECT_EQ(remarks.size(), rows);
        }
        // The databases closed before a reboot come back for the next case.
        window->recordDb.open();
        store->dbIn.open();
        store->queryIn = QSqlQuery(store->dbIn);
    }
}

TEST_F(AdvancedTest, ClearingTheCountersAsksFirst)
{
    auto systemPage = static_cast<SystemParamWidget*>(dialog->pages().at(0));
    for (int answer : {0, 1}) {
        SCOPED_TRACE(answer);
        std::fill(std::begin(totalCounts), std::end(totalCounts), 7);
        ngCounts[7] = 3;
        cycleCount = 9;
        ModalScript script({answer});
        QTest::mouseClick(systemPage->clearCountButton, Qt::LeftButton);
        EXPECT_EQ(script.texts, QStringList{QStringLiteral("确定要清零计数吗？")});
        EXPECT_EQ(totalCounts[7], answer ? 0 : 7) << "every slot, also of cameras not in use";
        EXPECT_EQ(ngCounts[7], answer ? 0 : 3);
        EXPECT_EQ(cycleCount, answer ? 0 : 9);
    }
    EXPECT_EQ(fileBytes(QStringLiteral("count.txt")), QByteArray("0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 "));
}

using AdvancedDeathTest = AdvancedTest;

// Where the exiting child leaves copies of its databases: its exit also runs the clean-up that
// removes the test's working directory.
QString exitCopyFolder;

void copyDatabasesAtExit()
{
    for (const char* file : {"PARAM.db", "RECORD.db"})
        QFile::copy(QLatin1String(file), exitCopyFolder + QLatin1Char('/') + QLatin1String(file));
}

TEST_F(AdvancedDeathTest, ExitEndsWithStatusZeroAfterItsLogLineAndSave)
{
    const QString workingDir = QDir::currentPath();
    exitCopyFolder = workingDir + QStringLiteral("-exit");
    QDir(exitCopyFolder).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(exitCopyFolder));
    const int filter = activeParams->filterSize == 5 ? 6 : 5;
    EXPECT_EXIT(
        {
            editParams->filterSize = filter;
            auto systemPage = dialog->pages().at(0);
            systemPage->loadParam();
            ModalScript script({1, 1, 1});
            std::atexit(copyDatabasesAtExit);
            page->SlotExit();
        },
        ::testing::ExitedWithCode(0), "");
    // The working directory as the child left it.
    QDir().mkpath(workingDir);
    QDir::setCurrent(workingDir);
    for (const char* file : {"PARAM.db", "RECORD.db"}) {
        QFile::remove(QLatin1String(file));
        QFile::copy(exitCopyFolder + QLatin1Char('/') + QLatin1String(file), QLatin1String(file));
    }
    QDir(exitCopyFolder).removeRecursively();
    EXPECT_EQ(reloadParams().filterSize, filter);
    EXPECT_TRUE(logRemarks().contains(tableText(295)));
}

}  // namespace

TEST_F(AdvancedTest, TemplateReplacementOrderTravelsWithTheGroup)
{
    // The order in which the templates were added lives beside them: a backup takes it, a
    // restore brings it back with the templates it describes.
    writeFile(QStringLiteral("cammer11/template2.bmp"), "T2");
    writeFile(QStringLiteral("cammer11/written-order.txt"), "template2.bmp\n");
    backup(QStringLiteral("mouldA"), {1});
    EXPECT_EQ(fileBytes(QStringLiteral("paraGroup/mouldA/cammer11/written-order.txt")), QByteArray("template2.bmp\n"));
    writeFile(QStringLiteral("cammer11/written-order.txt"), "template1.bmp\n");
    page->groupBox->setCurrentIndex(0);
    activeParams->paraGroupIndex = 0;

    ModalScript script({1});
    page->SlotParaGroupRestore();
    EXPECT_EQ(script.texts, QStringList{tableText(285)});
    EXPECT_EQ(fileBytes(QStringLiteral("cammer11/written-order.txt")), QByteArray("template2.bmp\n"));
    EXPECT_EQ(fileBytes(QStringLiteral("cammer11/template2.bmp")), QByteArray("T2"));
}

// The warnings of the group operations, in Chinese and in English, as a person sees them: each
// line whole between words and phrases, centred across the box's width.
TEST_F(AdvancedTest, GroupWarningsBreakBetweenWordsAcrossTheBox)
{
    const QString outside = QDir::current().filePath(QStringLiteral("outside"));
    writeFile(outside + QStringLiteral("/PARAM.db"), "outside");
    const auto unrecoverable = [] { writeFile(QStringLiteral("paraGroup.journal"), "not a record"); };
    const auto recoverable = [] { QFile::remove(QStringLiteral("paraGroup.journal")); };
    const struct {
        const char* shot;
        std::function<void()> arrange;
        std::function<void(AdvanceParamWidget*)> run;  // ends in the warning
        QStringList chinese;
        QStringList english;
    } cases[] = {
        {"group_delete_not_recovered", unrecoverable,
         [](AdvanceParamWidget* page) {
             page->ParaGroupUpdateList();
             page->groupBox->setCurrentIndex(page->groupBox->findText(QStringLiteral("g2")));
             page->SlotParaGroupDelete();
         },
         {"上一次参数组操作未能完成恢复，参数组“g2”没有删除！"},
         {"The last parameter group operation could not be", "recovered; group \"g2\" was not deleted!"}},
        {"group_delete_default", recoverable,
         [](AdvanceParamWidget* page) {
             page->ParaGroupUpdateList();
             page->groupBox->setCurrentIndex(page->groupBox->findText(QStringLiteral("default")));
             page->SlotParaGroupDelete();
         },
         {"默认参数组不能被覆盖或删除！"},
         {"The default parameter group cannot be overwritten or", "deleted!"}},
        {"group_backup_not_recovered", unrecoverable,
         [](AdvanceParamWidget* page) {
             page->groupNameEdit->setText(QStringLiteral("g3"));
             page->SlotParaGroupBackup();
         },
         {"参数组备份失败，原有的参数组没有改变！"},
         {"The backup of the parameter group failed; the stored", "group is unchanged!"}},
        {"group_backup_linked", recoverable,
         [](AdvanceParamWidget* page) {
             page->groupNameEdit->setText(QStringLiteral("linked"));
             page->SlotParaGroupBackup();
         },
         {"参数组“linked”是指向参数组目录以外的链接，", "不能使用！"},
         {"Parameter group \"linked\" is a link to a folder outside the", "store and cannot be used!"}},
        {"group_restore_damaged", recoverable,
         [](AdvanceParamWidget* page) {
             page->ParaGroupUpdateList();
             page->groupBox->setCurrentIndex(page->groupBox->findText(QStringLiteral("g2")));
             page->SlotParaGroupRestore();
         },
         {"参数组“g2”的参数文件缺失或已损坏，", "当前参数组没有改变！"},
         {"The parameter file of group \"g2\" is missing or damaged;", "the current group is unchanged!"}},
    };
    makeGroup(QStringLiteral("g2"));
    writeFile(QStringLiteral("paraGroup/default/PARAM.db"), "default parameters");
    // g2 damaged past its first page: it is listed, but cannot be restored.
    QFile damaged(QStringLiteral("paraGroup/g2/PARAM.db"));
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
    ASSERT_TRUE(damaged.seek(4096));
    damaged.write(QByteArray(int(damaged.size()) - 4096, '\0'));
    damaged.close();
    ASSERT_TRUE(QFile::link(outside, QStringLiteral("paraGroup/linked")));

    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral(MONITOR_BINARY_DIR "/Translator/tr_en.qm")));
    const QFont font(QLatin1String(kKitFontFamily), 15);
    for (const bool inEnglish : {false, true}) {
        if (inEnglish)
            QCoreApplication::installTranslator(&english);
        for (const auto& c : cases) {
            const QString shot =
                QString::fromLatin1(c.shot) + (inEnglish ? QStringLiteral("_en") : QStringLiteral("_zh"));
            SCOPED_TRACE(shot.toStdString());
            c.arrange();
            ModalScript script({1, 1, 1}, true);
            c.run(page);
            ASSERT_FALSE(script.pictures.isEmpty());
            const QImage warning = script.pictures.last();
            const QByteArray shots = qgetenv("MONITOR_SHOTS");
            if (!shots.isEmpty())
                warning.save(QString::fromUtf8(shots) + QLatin1Char('/') + shot + QStringLiteral(".png"));
            // Below the warning icon.
            const QList<InkLine> lines = inkLines(warning, QRect(0, 198, 600, 340 - 198));
            const QStringList& expected = inEnglish ? c.english : c.chinese;
            ASSERT_EQ(lines.size(), expected.size()) << script.texts.last().toStdString();
            for (int i = 0; i < lines.size(); ++i) {
                SCOPED_TRACE(expected.at(i).toStdString());
                const InkLine line = centredInk(font, expected.at(i), 600);
                EXPECT_NEAR(lines.at(i).left, line.left, 2);
                EXPECT_NEAR(lines.at(i).right, line.right, 2);
            }
        }
    }
    QCoreApplication::removeTranslator(&english);
}
