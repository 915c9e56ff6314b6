// The settings wizard's group backup and delete, USB update and record page over real files: a
// scratch group store, install folder and mount point, and a record folder with an archived day.
#include "core/platformutils.h"
#include "core/shellrunner.h"
#include "settings/paragroups.h"
#include "tests/settings/scratchfiles.h"
#include "tests/settings/wizardfixture.h"
#include "tests/support/dryrunlog.h"
#include "tests/support/packagearchives.h"
#include "widgets/edit.h"

#include <QDate>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>

#include <functional>

namespace {

class WizardService : public WizardFixture {
protected:
    void SetUp() override
    {
        WizardFixture::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(cameraCount, 2);
        ASSERT_EQ(detectsPerCamera, 2);
        install = QDir::current().filePath(QStringLiteral("scratch/bin-VAV"));
        mountPoint = QDir::current().filePath(QStringLiteral("scratch/usb"));
        QDir().mkpath(install);
        qputenv("MONITOR_INSTALL_DIR", install.toLocal8Bit());
        qputenv("MONITOR_USB_MOUNT", mountPoint.toLocal8Bit());
        for (int c = 1; c <= 2; ++c)
            for (int d = 1; d <= 2; ++d)
                writeFile(QStringLiteral("cammer%1%2/template0.bmp").arg(c).arg(d),
                          QStringLiteral("T%1%2").arg(c).arg(d).toLatin1());
    }
    void TearDown() override
    {
        ShellRunner::setDryRunResponder(nullptr);
        setMountsTable(QStringLiteral("/proc/mounts"));
        qputenv("MONITOR_INSTALL_DIR", "/nonexistent/install-folder");
        qputenv("MONITOR_USB_MOUNT", "/nonexistent/usb-mount");
        WizardFixture::TearDown();
    }

    void plugUsbDisk() { ::plugUsbDisk(mountPoint); }

    QStringList backup(const QString& name, std::vector<int> answers)
    {
        showWizard();
        wizard->groupNameEdit->setText(name);
        ModalScript script(std::move(answers));
        wizard->SlotParaGroupBackup();
        return script.texts;
    }

    QString install;
    QString mountPoint;
};

TEST_F(WizardService, GroupBackupKeepsHostileNamesInsideTheStoreAndSelectsTheGroup)
{
    writeFile(QStringLiteral("paraGroup/keep/PARAM.db"), "keep");
    wizard->ParaGroupUpdateList();
    const QStringList here = workingDirListing();
    for (const auto& c : kHostileGroupNames) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromLatin1(c.name);
        const QStringList shown = backup(name, {1, 1});
        if (c.refused) {
            ASSERT_EQ(shown.size(), 1);
            EXPECT_NE(shown.first(), tableText(283)) << "refused before the question";
            EXPECT_TRUE(wizard->isVisible()) << "refused before the apply";
        } else {
            EXPECT_EQ(shown.first(), tableText(283));
            EXPECT_FALSE(wizard->isVisible()) << "the wizard's apply hides it";
            EXPECT_EQ(tree(QStringLiteral("paraGroup/") + name).size(), 5) << "PARAM.db and four templates";
            EXPECT_EQ(fileBytes(QStringLiteral("paraGroup/") + name + QStringLiteral("/cammer21/template0.bmp")),
                      QByteArray("T21"));
            const int index = wizard->groupCombo->findText(name);
            EXPECT_GE(index, 0);
            EXPECT_EQ(wizard->groupCombo->currentIndex(), index);
            EXPECT_EQ(activeParams->paraGroupIndex, index);
        }
    }
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("x"))) << "nothing beside the store";
    EXPECT_EQ(ParaGroups::groupList(), (QStringList{"$(id)", "a;touch P", "keep"}));
    EXPECT_EQ(workingDirListing().join(QLatin1Char(' ')), here.join(QLatin1Char(' '))) << "no file P, no folder a";
    EXPECT_EQ(fileBytes(QStringLiteral("paraGroup/keep/PARAM.db")), QByteArray("keep"));
    EXPECT_EQ(DryRunLog::recordedCommands(), QStringList());

    // An existing group is replaced only after the second question.
    writeFile(QStringLiteral("cammer11/template0.bmp"), "new");
    EXPECT_EQ(backup(QStringLiteral("keep"), {1, 0}), (QStringList{tableText(283), tableText(284)}));
    EXPECT_EQ(tree(QStringLiteral("paraGroup/keep")), QStringList{"PARAM.db=keep"});
    backup(QStringLiteral("keep"), {1, 1});
    EXPECT_EQ(fileBytes(QStringLiteral("paraGroup/keep/cammer11/template0.bmp")), QByteArray("new"));

    // Deleting the listed literal names removes exactly them; a declined delete keeps the group.
    for (const auto& [name, answer] : {std::pair{"$(id)", 1}, std::pair{"keep", 0}, std::pair{"a;touch P", 1}}) {
        wizard->groupCombo->setCurrentIndex(wizard->groupCombo->findText(QString::fromLatin1(name)));
        ModalScript script({answer});
        wizard->SlotParaGroupDelete();
        EXPECT_EQ(script.texts, QStringList{tableText(287)});
    }
    EXPECT_EQ(ParaGroups::groupList(), QStringList{"keep"});
    EXPECT_EQ(wizard->groupCombo->count(), 1);
}

TEST_F(WizardService, RecordPageListsTodayFromTheOpenLogThenTheArchives)
{
    QDir().mkpath(QStringLiteral("RECORD"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("day"));
        db.setDatabaseName(QStringLiteral("RECORD/2024-01-03.db"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral(
            "CREATE TABLE RECORD(recordtime VARCHAR(255),recordpassword VARCHAR(255),remarks VARCHAR(1024))")));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO RECORD VALUES ('08.00.00','auto','early'),"
                                          "('18.00.00','auto','late')")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("day"));
    window->InsertRecord(QStringLiteral("live entry"));
    showWizard();
    wizard->SlotToRecord();
    ASSERT_EQ(wizard->currentPage, WizardParaWidget::RecordPage);

    auto days = [this] {
        QStringList names;
        for (int i = 0; i < wizard->dayList->count(); ++i)
            names << wizard->dayList->item(i)->text();
        return names;
    };
    auto column = [this](int c) {
        QStringList values;
        QAbstractItemModel* model = wizard->recordTable->model();
        for (int r = 0; model && r < model->rowCount(); ++r)
            values << model->index(r, c).data().toString();
        return values;
    };
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(days(), (QStringList{today, "2024-01-03"}));
    EXPECT_TRUE(column(2).contains(QStringLiteral("live entry")));
    EXPECT_EQ(wizard->recordTable->model()->headerData(2, Qt::Horizontal).toString(), tableText(290));
    for (int c : {0, 1})
        EXPECT_GE(wizard->recordTable->columnWidth(c), wizard->recordTable->horizontalHeader()->sectionSizeHint(c))
            << "header " << c << " not cut";

    wizard->dayList->setCurrentRow(1);
    wizard->UpdateRecord(wizard->dayList->item(1));
    EXPECT_EQ(column(2), (QStringList{"late", "early"}));
    const QString shotDir = QString::fromLocal8Bit(qgetenv("MONITOR_SHOT_DIR"));
    if (!shotDir.isEmpty())
        wizard->grab().save(QDir(shotDir).filePath(QStringLiteral("wizard-record.png")));

    // A day that vanished leaves the table empty and is not made again.
    QFile::remove(QStringLiteral("RECORD/2024-01-03.db"));
    wizard->UpdateRecord(wizard->dayList->item(1));
    EXPECT_EQ(wizard->recordTable->model(), nullptr);
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("RECORD/2024-01-03.db")));

    // On the record page already, the button leaves the chosen day alone.
    wizard->SlotToRecord();
    EXPECT_EQ(wizard->dayList->currentRow(), 1);
}

TEST_F(WizardService, UsbUpdatePlacesThePendingPackageAndKeepsTheDatabasesOpen)
{
    writeFile(install + QStringLiteral("/newupdate.tar.gz"), "older package");
    {
        // No disk: the operator gives up at the shared question and nothing changes.
        ModalScript script({0});
        wizard->SlotUpdateApp();
        EXPECT_EQ(script.texts, QStringList{tableText(320)});
        EXPECT_EQ(tree(install), QStringList{"newupdate.tar.gz=older package"});
    }
    const std::string xz = PackageArchives::make(PackageArchives::Kind::TarXz, PackageArchives::programFiles());
    const QString xzEntry = QStringLiteral("newupdate.tar.xz=") + QString::fromLatin1(QByteArray::fromStdString(xz));
    QDir().mkpath(mountPoint);
    writeFile(mountPoint + QStringLiteral("/x.tar.xz"), QByteArray::fromStdString(xz));
    writeFile(mountPoint + QStringLiteral("/x.zip"), "zip");
    // Damaged on the disk: its leading bytes over nothing that reads.
    writeFile(mountPoint + QStringLiteral("/bad.tar.xz"), QByteArray::fromStdString(xz.substr(0, 12)) + QByteArray(3000, 'x'));
    plugUsbDisk();
    const QString question = tableText(323);
    const struct {
        const char* file;
        int answer;
        QStringList boxes;
        QStringList packages;
    } cases[] = {
        {"x.tar.xz", 0, {question}, {"newupdate.tar.gz=older package"}},
        {"x.zip", 1, {question}, {"newupdate.tar.gz=older package"}},
        {"bad.tar.xz", 1, {question, "更新失败\n安装包已损坏"}, {"newupdate.tar.gz=older package"}},
        {"x.tar.xz", 1, {question}, {xzEntry}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = mountPoint + QLatin1Char('/') + QLatin1String(c.file);
        FilePicker picker(path);
        ModalScript script({c.answer, 1});
        QFile::remove(QString::fromLatin1(ShellRunner::kDryRunLog));
        wizard->SlotUpdateApp();
        EXPECT_EQ(script.texts, c.boxes);
        EXPECT_EQ(tree(install), c.packages);
        // Copied or not, the disk is flushed and unmounted before the update ends.
        const QStringList commands = DryRunLog::recordedCommands();
        EXPECT_EQ(commands.mid(commands.size() - 2),
                  (QStringList{QStringLiteral("sync"), QStringLiteral("umount ") + mountPoint}));
    }
    // The program keeps running on the old version: its parameters and log still save.
    EXPECT_TRUE(SystemParam::saveSysParams(*activeParams, store->queryIn));
    window->InsertRecord(QStringLiteral("after update"));
    EXPECT_EQ(logRemarks().last(), QStringLiteral("after update"));
}

}  // namespace
