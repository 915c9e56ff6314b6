// The region editor in the main window over the demo's parameter database: entering and leaving,
// the button pages, the image sources with their captions, the template library on real files,
// saving regions into table cammer<n> (and not saving), and the review after re-sampling.
#include "core/parametermanager.h"
#include "core/wallclock.h"
#include "detection/cammersingleton.h"
#include "detection/clustomrect.h"
#include "mainwindow/dottomdockwidget.h"
#include "mainwindow/main_menubtnwidget.h"
#include "mainwindow/menubtnwidget.h"
#include "tests/core/paramtestdb.h"
#include "tests/settings/settingsfixture.h"
#include "tests/support/filesizelimit.h"
#include "tests/view/viewshot.h"
#include "view/camerawgtbox.h"
#include "view/camerawgtdatawidget.h"
#include "view/camerawgttitlesetroi.h"
#include "view/cammerwidget.h"
#include "view/drawroiwidget.h"
#include "view/framefile.h"
#include "view/imagepickform.h"
#include "view/templatefile.h"
#include "widgets/combobox.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

#include <set>

namespace {

class RegionEditorTest : public SettingsFixture {
protected:
    void SetUp() override
    {
        SettingsFixture::SetUp();
        SystemParam& p = *activeParams;
        p.passwordEnabled = 0;
        p.productCheckEnabled = 1;
        p.detectEnabled[0] = p.detectEnabled[1] = 1;
        p.cavityFollowsProduct = 0;
        p.doorOpenClearsAlarm = 0;
        window->curDet = 0;
        savedLimit = templateCountLimit;
        templateCountLimit = 3;
        window->resize(1920, 1080);
        window->show();
        panel = window->regionPanel;
        view = window->cameraViews[0];
    }
    void TearDown() override
    {
        imageSource = -1;
        regionReviewOpen = false;
        backTrainPending = false;
        templateCountLimit = savedLimit;
        WallClock::setForTests(nullptr);
        SettingsFixture::TearDown();
    }

    // Opens the editor from the side menu (no password is set in the demo group).
    void openEditor()
    {
        window->SlotAdjustArea();
        ASSERT_EQ(window->alarmState, 3);
        ASSERT_EQ(imageSource, 0);
    }
    QString caption(int camera = 0) const
    {
        return window->cameraBox->dataWidgetAt(camera)->showSetRoiTitle()->infoLabel->text();
    }
    std::set<QString> visibleWidgets() const
    {
        std::set<QString> names;
        for (QWidget* w : panel->findChildren<QWidget*>()) {
            if (w->parentWidget() == panel && !w->isHidden())
                names.insert(w->objectName());
        }
        return names;
    }
    QString remarks() const
    {
        return sqliteValue(QStringLiteral("RECORD.db"), QStringLiteral("select remarks from RECORD order by rowid"));
    }
    // A rectangle region appended to detect d of camera 0's edit set, with its mask.
    void addEditRegion(int d, const QRect& r, int tool = 0)
    {
        CammerSingleton& set = *view->editRoiSet;
        auto* shape = new ClustomRect;
        shape->setRect(r.x(), r.y(), r.width(), r.height());
        const int k = set.roiCount[d]++;
        set.rois[d].append(shape);
        const int s = d * 50 + k;
        set.toolType[s] = tool;
        set.minWH[s] = 5;
        set.sensitivity[s] = 25;
        set.area[s] = 100;
        set.shapeKind[s] = 1;
        view->editRoiMask[s] = shape->mask();
    }
    // A template file of camera 0, detect 0, slot n, the view's size, dated `age` seconds ago.
    void writeTemplate(const QString& name, int age, unsigned char grey)
    {
        std::vector<unsigned char> frame(size_t(view->frameBytes), grey);
        const QString path = QStringLiteral("./cammer11/") + name;
        ASSERT_TRUE(writeFrameFile(path, frame.data(), view->imageWidth, view->imageHeight, false));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTime().addSecs(-age), QFileDevice::FileModificationTime);
    }

    DrawROIWidget* panel = nullptr;
    CammerWidget* view = nullptr;
    int savedLimit = 10;
};

}  // namespace

TEST_F(RegionEditorTest, EnteringPutsThePanelInPlaceOfTheMenuAndFinishingRestoresIt)
{
    openEditor();
    EXPECT_EQ(window->sideMenu->stack->currentWidget(), panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(window->bottomBar->isHidden());
    EXPECT_EQ(window->shownCamera, 0) << "the templates are edited one camera at a time";
    EXPECT_TRUE(caption().startsWith(QStringLiteral("模板数 1 / 1"))) << caption().toStdString();
    EXPECT_EQ(visibleWidgets(), (std::set<QString>{"pCButtonReturn", "pComboChangeSource", "pComboChangeCamera",
                                                  "pComboChangeDetect", "pCButtonEditArea", "pCButtonTempLast",
                                                  "pCButtonTempNext", "pCButtonTempDeleteCur"}));
    viewShot(*window, QStringLiteral("region-editor-templates"));

    ModalScript none({});
    panel->pCButtonReturn->click();
    EXPECT_TRUE(none.texts.isEmpty()) << "nothing changed, nothing asked";
    EXPECT_EQ(window->alarmState, 0);
    EXPECT_EQ(imageSource, -1);
    EXPECT_EQ(window->sideMenu->stack->currentWidget(), static_cast<QWidget*>(window->sideMenu->mainMenu));
    EXPECT_FALSE(window->bottomBar->isHidden());
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(RegionEditorTest, LeavingTheEditorBringsBackTheLayoutFromBeforeIt)
{
    ASSERT_EQ(cameraCount, 2);
    // The layout before the editor, and the camera chosen in the editor's combo box.
    const struct {
        const char* name;
        int shown;
        double scale;
        double pan;
        int chosenInEditor;
    } cases[] = {
        {"all cameras", 2, 1.0, 0, 1},
        {"all cameras, nothing chosen", 2, 1.0, 0, -1},
        {"camera 2 alone, zoomed and panned", 1, 1.44, -40, 0},
        {"camera 1 alone", 0, 1.0, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window->shownCamera = c.shown;
        window->ChangeCammer();
        window->scaleX = window->scaleY = c.scale;
        window->panX = window->panY = c.pan;
        openEditor();
        ASSERT_LT(window->shownCamera, cameraCount) << "the editor shows one camera";
        if (c.chosenInEditor >= 0)
            panel->pComboChangeCamera->setCurrentIndex(c.chosenInEditor);
        EXPECT_EQ(window->scaleX, 1.0);

        panel->pCButtonReturn->click();
        ASSERT_EQ(window->alarmState, 0);
        EXPECT_EQ(window->shownCamera, c.shown);
        EXPECT_EQ(window->cameraBox->selectedCamera, c.shown == cameraCount ? -1 : c.shown);
        for (int k = 0; k < cameraCount; ++k) {
            const bool onShow = c.shown == cameraCount || c.shown == k;
            EXPECT_EQ(window->cameraBox->dataWidgetAt(k)->isVisible(), onShow) << "camera " << k + 1;
        }
        EXPECT_DOUBLE_EQ(window->scaleX, c.scale);
        EXPECT_DOUBLE_EQ(window->panX, c.pan);
    }
    viewShot(*window, QStringLiteral("after-region-editor"));
}

TEST_F(RegionEditorTest, ButtonPagesFollowTheSourceAndTheAlarm)
{
    const std::set<QString> combos = {"pComboChangeSource", "pComboChangeCamera"};
    struct Case {
        int source;
        int alarm;
        int page;
        std::set<QString> extra;
    };
    const Case cases[] = {
        {0, 3, 1, {"pCButtonReturn", "pComboChangeDetect", "pCButtonChangeOp", "pCButtonDrawRect", "pCButtonDrawCircle",
                   "pCButtonDrawPloygn", "pCButtonDrawHand", "pCButtonCopyArea", "pCButtonDeleteROI",
                   "pCButtonDeleteAllROI"}},
        {0, 2, 0, {"pCButtonReturn", "pComboChangeDetect", "pCButtonEditArea", "pCButtonTempLast", "pCButtonTempNext",
                   "pCButtonTempDeleteCur", "pCButtonAutoChange"}},
        {1, 2, 0, {"pCButtonAddTemp", "pCButtonNoCheckCur", "pCButtonAutoChange", "pCButtonReCheck"}},
        {1, 3, 0, {"pCButtonReturn"}},
        {2, 3, 0, {"pComboChangeDetect", "pCButtonReturn", "pCButtonTempLast", "pCButtonTempNext", "pCButtonAddTemp"}},
        {4, 3, 0, {"pComboChangeDetect", "pCButtonReturn", "pCButtonTempLast", "pCButtonTempNext"}},
    };
    for (const Case& c : cases) {
        imageSource = c.source;
        window->alarmState = c.alarm;
        panel->regionPage = c.page;
        panel->SlotChangePage();
        std::set<QString> expected = combos;
        expected.insert(c.extra.begin(), c.extra.end());
        EXPECT_EQ(visibleWidgets(), expected) << "source " << c.source << " alarm " << c.alarm;
    }
}

TEST_F(RegionEditorTest, EachSourceShowsItsPictureAndCaption)
{
    openEditor();
    // Recent NG frames: five seen, three kept; the caption counts three.
    std::fill(view->recentNg[0][0].begin(), view->recentNg[0][0].end(), 200);
    view->recentNgCount[0] = 5;
    panel->pComboChangeSource->setCurrentIndex(2);
    EXPECT_EQ(caption(), QStringLiteral("成品最近NG 1 / 3"));
    EXPECT_EQ(view->displayBuffer[0], 200);

    // OK records: one red picture; NG records: none.
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("alarmimage/camera1/detect1/OK")));
    QImage red(64, 48, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QStringLiteral("alarmimage/camera1/detect1/OK/08.00.00.jpg")));
    panel->pComboChangeSource->setCurrentIndex(3);
    EXPECT_EQ(caption(), QStringLiteral("OK记录共1张图片 当前为第1张 08.00.00"));
    const QImage shown = viewShot(*view, QStringLiteral("region-editor-ok-record"));
    const QColor centre = shown.pixelColor(shown.width() / 2, shown.height() / 2);
    EXPECT_GT(centre.red(), 200);
    EXPECT_LT(centre.green(), 60);

    panel->pComboChangeSource->setCurrentIndex(4);
    EXPECT_EQ(caption(), QStringLiteral("NG记录共0张图片"));
    EXPECT_EQ(panel->recordCount, 0);

    panel->pComboChangeSource->setCurrentIndex(1);
    EXPECT_EQ(caption(), QStringLiteral("实时画面"));
}

TEST_F(RegionEditorTest, RecentNgFrameBecomesTemplateOneWithItsBitDepthAndLogLine)
{
    openEditor();
    std::fill(view->recentNg[0][0].begin(), view->recentNg[0][0].end(), 77);
    view->recentNgCount[0] = 1;
    panel->pComboChangeSource->setCurrentIndex(2);
    ASSERT_EQ(view->validTemplateCount[0], 1);

    ModalScript script({1});
    panel->pCButtonAddTemp->click();
    EXPECT_EQ(script.texts, QStringList{tableText(108)});
    const QString file = QStringLiteral("cammer11/template1.bmp");
    ASSERT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(bmpBitDepth(file), 8);
    EXPECT_EQ(view->validTemplateCount[0], 2);
    EXPECT_EQ(view->templateValid[0][1], 1);
    EXPECT_TRUE(panel->templatesChanged[0]) << "the models follow at the next save";
    EXPECT_TRUE(remarks().endsWith(tableText(109).arg(1)));
}

TEST_F(RegionEditorTest, TemplateLibraryNeverWritesOutsideItsSlots)
{
    struct Case {
        const char* name;
        // Files of cammer11 with their age in seconds; valid slots in memory.
        std::vector<std::pair<QString, int>> files;
        std::vector<int> valid;
        int expectedSlot;
        const char* goneFile;  // deleted by the add, or null
    };
    const Case cases[] = {
        {"a free slot is taken first", {{"template0.bmp", 50}}, {1, 0, 0}, 1, nullptr},
        {"full: the oldest template but the base one", {{"template0.bmp", 90}, {"template2.bmp", 80}, {"template1.bmp", 10}},
         {1, 1, 1}, 2, nullptr},
        {"full: a name without a number is no slot", {{"template.bmp", 99}, {"template0.bmp", 90}, {"template1.bmp", 80},
                                                      {"template2.bmp", 10}}, {1, 1, 1}, 1, nullptr},
        {"full: a leftover beyond the limit goes, the last slot is replaced", {{"template7.bmp", 99},
                                                                               {"template0.bmp", 90},
                                                                               {"template1.bmp", 80},
                                                                               {"template2.bmp", 10}},
         {1, 1, 1}, 2, "template7.bmp"},
        // Templates 0 and 2 were added before the clock was set back a day, template 1 after it:
        // the one added first goes, not the one just added.
        {"full after a set-back: the template dated ahead goes first", {{"template0.bmp", -86500},
                                                                      {"template2.bmp", -86450},
                                                                      {"template1.bmp", 10}},
         {1, 1, 1}, 2, nullptr},
    };
    openEditor();
    for (const Case& c : cases) {
        QDir dir(QStringLiteral("cammer11"));
        // The templates with the order they were added in: each case has its own history.
        for (const QString& old : dir.entryList(QDir::Files))
            dir.remove(old);
        for (const auto& [name, age] : c.files)
            writeTemplate(name, age, 10);
        view->validTemplateCount[0] = 0;
        for (int n = 0; n < 3; ++n) {
            view->templateValid[0][size_t(n)] = c.valid[size_t(n)];
            view->validTemplateCount[0] += c.valid[size_t(n)];
        }
        const QByteArray base = SettingsFixture::digest(QStringLiteral("cammer11/template0.bmp"));
        std::fill(view->recentNg[0][0].begin(), view->recentNg[0][0].end(), 150);
        view->recentNgCount[0] = 1;
        panel->pComboChangeSource->setCurrentIndex(2);
        ModalScript script({1});
        panel->SlotAddTemp();

        std::vector<unsigned char> frame(size_t(view->frameBytes));
        const QString target = QStringLiteral("cammer11/template%1.bmp").arg(c.expectedSlot);
        ASSERT_TRUE(readTemplateFile(target, view->imageWidth, view->imageHeight, false, frame.data())) << c.name;
        EXPECT_EQ(frame[0], 150) << c.name;
        EXPECT_EQ(SettingsFixture::digest(QStringLiteral("cammer11/template0.bmp")), base) << c.name;
        EXPECT_FALSE(QFileInfo::exists(QStringLiteral("cammer11/template3.bmp"))) << c.name;
        if (c.goneFile) {
            EXPECT_FALSE(QFileInfo::exists(QStringLiteral("cammer11/") + QLatin1String(c.goneFile))) << c.name;
        }
        for (size_t n = 3; n < view->templateValid[0].size(); ++n)
            EXPECT_EQ(view->templateValid[0][n], 0) << c.name << ": slot " << n << " beyond the library";
        EXPECT_LE(view->validTemplateCount[0], 3) << c.name;
        panel->pComboChangeSource->setCurrentIndex(0);
    }

    // Picker rows go by the file they list: a row naming no usable slot is left alone.
    writeTemplate(QStringLiteral("template.bmp"), 5, 1);
    window->imagePicker->selectSource(0);
    const QStringList rows = window->imagePicker->templateImageList();
    for (int r = 0; r < rows.size(); ++r) {
        view->currentTemplate = 0;
        panel->SlotTempList(r);
        const QString name = rows[r].section(QLatin1Char(' '), 0, 0);
        const int expected = name == QStringLiteral("template2.bmp") ? 2 : name == QStringLiteral("template1.bmp") ? 1 : 0;
        EXPECT_EQ(view->currentTemplate, expected) << name.toStdString();
    }

    // The base template cannot be deleted singly.
    view->currentTemplate = 0;
    ModalScript warning({0});
    panel->SlotTempDeleteCur();
    EXPECT_EQ(warning.texts, QStringList{tableText(68)});
}

// The library is filled one template a minute, the last template after `lastShift`; then the
// clock moves by each shift in turn and templates are added to the full library. Every template is
// dated as a real clock would have stamped it: at the program's clock when it was added. The one
// replaced is always the one added first, never the base template, whatever the clock did.
TEST_F(RegionEditorTest, FullLibraryReplacesTheTemplateAddedFirstWhateverTheClockDid)
{
    templateCountLimit = std::min(10, int(view->templateValid[0].size()));
    ASSERT_GE(templateCountLimit, 3);
    const int slotTotal = templateCountLimit;
    struct Case {
        const char* name;
        qint64 lastShift;
        std::vector<std::pair<qint64, int>> thenShiftAndAdds;
    };
    const Case cases[] = {
        {"filled over two days, then set back two hours", 86400, {{-7200, 3}}},
        {"the last one added forty days ahead, then back", 40 * 86400, {{-40 * 86400 + 3600, 3}}},
        {"set back a day after filling, then corrected forward", 0, {{-86400, 2}, {86400 + 600, 3}}},
    };
    openEditor();
    panel->pComboChangeSource->setCurrentIndex(2);
    const QDateTime base(QDate(2026, 12, 10), QTime(9, 0));
    QDateTime clock = base;
    WallClock::setForTests([&clock] { return clock; });
    // Adds the recent NG frame of grey level `grey` at `clock`; the slot it went into, or -1.
    auto add = [&](unsigned char grey) {
        std::fill(view->recentNg[0][0].begin(), view->recentNg[0][0].end(), grey);
        view->recentNgCount[0] = 1;
        ModalScript script({1});
        panel->SlotAddTemp();
        std::vector<unsigned char> frame(size_t(view->frameBytes));
        for (int n = 0; n < slotTotal; ++n) {
            const QString path = QStringLiteral("cammer11/template%1.bmp").arg(n);
            if (readTemplateFile(path, view->imageWidth, view->imageHeight, false, frame.data()) && frame[0] == grey) {
                QFile file(path);
                EXPECT_TRUE(file.open(QIODevice::ReadWrite | QIODevice::Append));
                EXPECT_TRUE(file.setFileTime(clock, QFileDevice::FileModificationTime));
                return n;
            }
        }
        return -1;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir dir(QStringLiteral("cammer11"));
        for (const QString& old : dir.entryList(QDir::Files))
            dir.remove(old);
        clock = base;
        writeTemplate(QStringLiteral("template0.bmp"), 0, 1);
        std::fill(view->templateValid[0].begin(), view->templateValid[0].end(), 0);
        view->templateValid[0][0] = 1;
        view->validTemplateCount[0] = 1;
        const QByteArray baseTemplate = SettingsFixture::digest(QStringLiteral("cammer11/template0.bmp"));

        unsigned char grey = 10;
        for (int n = 1; n < slotTotal; ++n) {
            if (n == slotTotal - 1)
                clock = clock.addSecs(c.lastShift);
            ASSERT_EQ(add(grey++), n) << "filling the library";
            clock = clock.addSecs(60);
        }
        int expected = 1;
        for (const auto& [shift, adds] : c.thenShiftAndAdds) {
            clock = clock.addSecs(shift);
            for (int k = 0; k < adds; ++k) {
                EXPECT_EQ(add(grey++), expected) << "at " << clock.toString(Qt::ISODate).toStdString();
                expected = expected % (slotTotal - 1) + 1;
                clock = clock.addSecs(60);
            }
        }
        EXPECT_EQ(SettingsFixture::digest(QStringLiteral("cammer11/template0.bmp")), baseTemplate);
    }
    panel->pComboChangeSource->setCurrentIndex(0);
}

TEST_F(RegionEditorTest, ConfirmedRegionIsStoredAndCancelledEditsLeaveMasksAndFilesAlone)
{
    // A saved ignore mask with some ignored pixels.
    std::fill(view->ignoreMask[0].begin(), view->ignoreMask[0].begin() + 5000, 255);
    view->saveIgnoreMask(0);
    const QByteArray maskFile = SettingsFixture::digest(QStringLiteral("cammer11/ignorepoint.bmp"));
    const QString table = sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select * from cammer0 order by name"));

    // Delete all regions, draw one, then decline the save.
    openEditor();
    panel->SlotChangeOp();
    {
        ModalScript yes({1});
        panel->pCButtonDeleteAllROI->click();
    }
    addEditRegion(0, QRect(100, 100, 200, 150));
    {
        ModalScript no({0});
        panel->pCButtonReturn->click();
        EXPECT_EQ(no.texts, QStringList{QStringLiteral("是否保存参数的修改？")});
    }
    EXPECT_EQ(sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select * from cammer0 order by name")), table);
    EXPECT_EQ(SettingsFixture::digest(QStringLiteral("cammer11/ignorepoint.bmp")), maskFile);
    EXPECT_EQ(view->ignoreMask[0][0], 255) << "detection keeps the ignored pixels";

    // Again, confirmed: the region is row ROI0-0 of table cammer0 and the mask is cleared.
    openEditor();
    EXPECT_EQ(view->editIgnoreMask[0][0], 255) << "entering drops the unsaved edit of the mask";
    panel->SlotChangeOp();
    {
        ModalScript yes({1});
        panel->pCButtonDeleteAllROI->click();
    }
    addEditRegion(0, QRect(100, 100, 200, 150));
    {
        ModalScript yes({1});
        panel->pCButtonReturn->click();
    }
    EXPECT_EQ(window->alarmState, 0);
    EXPECT_EQ(view->roiSet->roiCount[0], 1);
    const QString row = sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select value from cammer0 where name='ROI0-0'"));
    EXPECT_TRUE(row.startsWith(QStringLiteral("5 25 100 0 1 "))) << row.toStdString();
    EXPECT_TRUE(row.endsWith(view->roiSet->rois[0][0]->toText())) << row.toStdString();
    EXPECT_EQ(sqliteValue(QStringLiteral("PARAM.db"), QStringLiteral("select value from cammer0 where name='detect0'"))
                  .section(QLatin1Char(' '), 0, 0),
              QStringLiteral("1"));
    EXPECT_EQ(view->ignoreMask[0][0], 0);
    EXPECT_NE(SettingsFixture::digest(QStringLiteral("cammer11/ignorepoint.bmp")), maskFile);
    EXPECT_TRUE(remarks().contains(tableText(80).section(QLatin1Char('%'), 0, 0))) << "the added region is logged";
}

TEST_F(RegionEditorTest, UnwritableRegionTableKeepsTheEditorOpenWithTheEdits)
{
    ASSERT_EQ(sqliteValue(QStringLiteral("PARAM.db"),
                          QStringLiteral("create trigger refuse_update before update on cammer0 begin select raise(abort, 'refused'); end;"
                                         "create trigger refuse_insert before insert on cammer0 begin select raise(abort, 'refused'); end;")),
              QString());
    const QString remarksBefore = remarks();
    const int activeCount = view->roiSet->roiCount[0];
    openEditor();
    addEditRegion(0, QRect(300, 300, 100, 100));
    ModalScript script({1, 1});
    panel->pCButtonReturn->click();
    EXPECT_EQ(script.texts, (QStringList{QStringLiteral("是否保存参数的修改？"), tableText(1)}));
    EXPECT_EQ(view->roiSet->roiCount[0], activeCount) << "detection keeps what is stored";
    EXPECT_EQ(view->editRoiSet->roiCount[0], activeCount + 1) << "the edit is not lost";
    EXPECT_EQ(window->alarmState, 3) << "the editor stays open";
    EXPECT_EQ(remarks(), remarksBefore) << "nothing is logged that was not saved";
}

// On a full disk (a write failure in a child whose files cannot grow past half a picture) the
// template library and the ignore mask keep their earlier files byte for byte, leave no temporary
// file, and say so: the operation log names the camera, the check and the file, and the box the
// action shows tells the operator.
TEST_F(RegionEditorTest, TemplateAndMaskWritesOnAFullDiskKeepTheEarlierFilesAndSaySo)
{
    const QString templateFile = QStringLiteral("cammer11/template1.bmp");
    const QString maskFile = QStringLiteral("cammer11/ignorepoint.bmp");
    writeTemplate(QStringLiteral("template1.bmp"), 50, 10);
    std::fill(view->ignoreMask[0].begin(), view->ignoreMask[0].begin() + 5000, 255);
    ASSERT_TRUE(view->saveIgnoreMask(0));
    const QByteArray templateBefore = SettingsFixture::digest(templateFile);
    const QByteArray maskBefore = SettingsFixture::digest(maskFile);
    const qint64 half = QFileInfo(templateFile).size() / 2;
    const QString notWritten = tableText(CammerWidget::kFileNotWrittenText).arg(1).arg(tableText(263));

    // Adding a recent NG frame into the full library replaces template 1.
    openEditor();
    for (int n = 1; n < 3; ++n)
        std::fill(view->templateSlot(0, n).begin(), view->templateSlot(0, n).end(), 10);
    view->templateValid[0].assign(3, 1);
    view->validTemplateCount[0] = 3;
    std::fill(view->recentNg[0][0].begin(), view->recentNg[0][0].end(), 150);
    view->recentNgCount[0] = 1;
    panel->pComboChangeSource->setCurrentIndex(2);
    const QStringList addBoxes = {tableText(108), notWritten.arg(QStringLiteral("./cammer11/template1.bmp"))};
    EXPECT_EQ(runWithFileSizeLimit(half,
                                   [&] {
                                       ModalScript script({1, 1});
                                       panel->SlotAddTemp();
                                       return script.texts == addBoxes ? 0 : 1;
                                   }),
              0);
    EXPECT_EQ(SettingsFixture::digest(templateFile), templateBefore);
    EXPECT_TRUE(remarks().endsWith(addBoxes[1])) << remarks().toStdString();

    // Saving an edited ignore mask.
    panel->pComboChangeSource->setCurrentIndex(0);
    std::fill(view->editIgnoreMask[0].begin(), view->editIgnoreMask[0].end(), 0);
    const QStringList saveBoxes = {QStringLiteral("是否保存参数的修改？"), tableText(1)};
    EXPECT_EQ(runWithFileSizeLimit(half,
                                   [&] {
                                       ModalScript script({1, 1});
                                       panel->pCButtonReturn->click();
                                       // Detection keeps the stored mask; the edit stays to be saved again.
                                       const bool kept = view->ignoreMask[0][0] == 255 && view->editIgnoreMask[0][0] == 0;
                                       return script.texts == saveBoxes && kept ? 0 : 1;
                                   }),
              0);
    EXPECT_EQ(SettingsFixture::digest(maskFile), maskBefore);
    EXPECT_TRUE(remarks().endsWith(notWritten.arg(QStringLiteral("./cammer11/ignorepoint.bmp")))) << remarks().toStdString();
    EXPECT_EQ(QDir(QStringLiteral("cammer11")).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".bmp.")),
              QStringList());
}

TEST_F(RegionEditorTest, ReSamplingDeletesTheTemplatesAndItsReviewResumesDetection)
{
    writeTemplate(QStringLiteral("template1.bmp"), 5, 9);
    view->templateValid[0][1] = 1;
    view->validTemplateCount[0] = 2;
    {
        ModalScript yes({1});
        window->SlotReTrain();
    }
    EXPECT_EQ(window->runState, 2);
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("cammer11/template1.bmp")));
    EXPECT_EQ(view->validTemplateCount[0], 1);

    // Every camera samples its enabled detects; then the review opens on the templates.
    for (int d = 0; d < 2; ++d) {
        for (int c = 0; c < cameraCount; ++c)
            window->RunAlgorithm(c, d);
    }
    ASSERT_TRUE(regionReviewOpen);
    EXPECT_EQ(window->alarmState, 3);
    EXPECT_EQ(imageSource, 0);
    EXPECT_EQ(window->sideMenu->stack->currentWidget(), panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(QFileInfo::exists(QStringLiteral("cammer11/template0.bmp")));

    panel->pCButtonReturn->click();
    EXPECT_FALSE(regionReviewOpen);
    EXPECT_EQ(window->runState, 1);
    EXPECT_TRUE(backTrainPending) << "retraining follows the result display";
    EXPECT_EQ(window->sideMenu->stack->currentWidget(), static_cast<QWidget*>(window->sideMenu->mainMenu));
}
