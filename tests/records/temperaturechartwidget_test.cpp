// The temperature chart screen on the process's result store and parameter store, in the test's
// working directory: opening in real time, the combos, a search on seeded day files, the
// regular-record interval saved to PARAM.db, and the export through a program of the test's own
// or our stand-in.
#include "records/temperaturechartwidget.h"

#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/systemparam.h"
#include "core/texttable.h"
#include "records/datathread.h"
#include "records/mcustomplot.h"
#include "records/statisticswidget.h"
#include "records/temperaturechartdata.h"
#include "tests/core/paramtestdb.h"
#include "tests/records/resultrows.h"
#include "tests/support/eventwait.h"
#include "tests/support/modalsteps.h"
#include "tests/support/windowtap.h"
#include "widgets/colorbutton.h"
#include "widgets/combobox.h"
#include "widgets/custombutton.h"
#include "widgets/edit.h"
#include "widgets/fromtimetotime.h"
#include "widgets/okbtn.h"
#include "widgets/tipbox.h"
#include "widgets/warnbox.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <QTranslator>

#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

const char* const kBuiltProgram = MONITOR_BINARY_DIR "/relaydir/export_temperature/temperature_export.exe";
const QString kInstalled = QStringLiteral("relaydir/export_temperature/temperature_export.exe");

void installScript(const QByteArray& body)
{
    QDir().mkpath(QStringLiteral("relaydir/export_temperature"));
    QFile::remove(kInstalled);
    QFile script(kInstalled);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n" + body);
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
}

// The message boxes shown without blocking, by their texts.
QStringList openTipTexts()
{
    QStringList texts;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<tipbox*>(w); box && box->isVisible())
            texts << box->text();
    return texts;
}

void closeOpenTips()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<tipbox*>(w); box && box->isVisible())
            box->close();
}

QVector<QPointF> graphPoints(QCPGraph* graph)
{
    QVector<QPointF> out;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
        out.append(QPointF(it->key, it->value));
    return out;
}

// A round of `camera`, `detect` with a temperature region at region position 1.
SeedRow temperatureRow(const QDateTime& start, int camera, int detect, int temperature)
{
    return {start, start.addMSecs(200), camera, detect,
            QStringLiteral("[[0,5,25,100,3],[9,%1,20,60,3]]").arg(temperature), QStringLiteral("[1,1]")};
}

double secondsOf(const QDateTime& t)
{
    return double(t.toSecsSinceEpoch());
}

class ChartScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fillTextTable();
        currentLanguage = 0;
        cameraCount = 2;
        detectsPerCamera = 2;
        for (const char* file : {"PARAM.db", "SN.db"}) {
            const QString name = QString::fromLatin1(file);
            ASSERT_TRUE(QFile::copy(QStringLiteral(MONITOR_SOURCE_DIR "/samples/paraGroup/default/") + name, name));
            QFile::setPermissions(name, QFile::permissions(name) | QFileDevice::WriteOwner);
        }
        params = ParameterManager::instance();
        ASSERT_TRUE(params->loadParams());
        activeParams = params->active;
        resetStore();
        screen = std::make_unique<TemperatureChartWidget>();
    }
    void TearDown() override
    {
        screen.reset();
        closeOpenTips();
        resetStore();
        activeParams = nullptr;
        params->queryIn = QSqlQuery();
        params->queryT = QSqlQuery();
        params->dbIn.close();
        params->dbT.close();
        params->dbIn = QSqlDatabase();
        params->dbT = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("dbIn"));
        QSqlDatabase::removeDatabase(QStringLiteral("dbT"));
        cameraCount = 0;
    }
    static void resetStore()
    {
        TemperatureChartData* s = TemperatureChartData::instance();
        if (s->queryThread)
            s->queryThread->wait();
        s->todaySeries.clear();
        s->rangeSeries.clear();
        s->newPoints.clear();
        s->chartSource = 0;
        s->curveRunning = false;
        s->loaded = 1;
        s->recordTimer.stop();
        s->setFilter(QueryFilter());
    }
    TemperatureChartData& store() { return *TemperatureChartData::instance(); }

    // What the main window's chart command does.
    void open()
    {
        store().chartSource = 0;
        screen->resetToRealtime();
        screen->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(screen.get()));
    }
    // A round as the detection engine hands it over (the row itself is not written here).
    void enter(int camera, int detect, int temperature, const QDateTime& at)
    {
        RoundRecord r;
        r.camera = camera;
        r.detect = detect;
        r.roundStart = at;
        r.detectStart = at;
        r.result = 1;
        r.roiDetail = {{0, 12, 25, 100, 3}, {9, temperature, 20, 60, 3}};
        r.roiResult = {1, 1};
        store().setRoundInfo(r);
        store().addRoundToSeries();
    }
    QCPGraph* graphOf(const QString& key)
    {
        return screen->curve->plot->graph(screen->curve->graphIndex.value(key, -1));
    }
    QStringList visibleSeries()
    {
        QStringList keys;
        for (auto it = screen->curve->graphIndex.cbegin(); it != screen->curve->graphIndex.cend(); ++it)
            if (screen->curve->plot->graph(it.value())->visible())
                keys << it.key();
        return keys;
    }
    // Value `position` (0-based) of row `row` of sysparam in PARAM.db, read with sqlite3.
    static QString storedValue(const char* row, int position)
    {
        return sqliteValue(QStringLiteral("PARAM.db"),
                           QStringLiteral("select value from sysparam where name = '%1'").arg(QLatin1String(row)))
            .split(QLatin1Char(' '))
            .value(position);
    }
    // Runs one export through the export button, answering the folder chooser and the question.
    QStringList exportThroughButton()
    {
        QDir().mkpath(QStringLiteral("usb"));
        ModalSteps steps({ModalSteps::chooseFolder(QDir::current().absoluteFilePath(QStringLiteral("usb"))),
                          ModalSteps::finish(1)});
        QTest::mouseClick(screen->exportButton, Qt::LeftButton);
        return steps.texts;
    }

    // The screen as a person sees it; also written as <name>.png when MONITOR_TEST_SHOTS names a folder.
    void shot(const QString& name)
    {
        screen->curve->plot->replot();
        const QImage image = screen->grab().toImage();
        ASSERT_EQ(image.size(), QSize(1850, 950));
        const QByteArray dir = qgetenv("MONITOR_TEST_SHOTS");
        if (!dir.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(dir));
            image.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name + QStringLiteral(".png"));
        }
    }

    ParameterManager* params = nullptr;
    std::unique_ptr<TemperatureChartWidget> screen;
};

}  // namespace

TEST_F(ChartScreenTest, OpeningShowsTodaysSeriesLiveWithAllCombosAndTheLastDay)
{
    // Ten minutes of readings of two series.
    const QDateTime now = QDateTime::currentDateTime();
    const int product[] = {36, 37, 39, 42, 44, 45, 44, 43, 41, 40};
    const int cavity[] = {52, 53, 55, 56, 58, 57, 55, 54, 53, 52};
    for (int i = 0; i < 10; ++i) {
        enter(0, 0, product[i], now.addSecs(-600 + 60 * i));
        enter(1, 1, cavity[i], now.addSecs(-570 + 60 * i));
    }
    // A search and a filter before, then a close: the next opening starts afresh.
    screen->regionCombo->setCurrentIndex(3);
    store().chartSource = 2;
    screen->curve->setQuery(0, 0, 2, now.addDays(-3), now.addDays(-2));
    QTest::mouseClick(screen->closeButton, Qt::LeftButton);
    EXPECT_FALSE(screen->isVisible());

    open();
    for (ComboBox* combo : {screen->cameraCombo, screen->detectCombo, screen->regionCombo}) {
        EXPECT_EQ(combo->currentIndex(), 0);
        EXPECT_EQ(combo->currentText(), QStringLiteral("全部"));
    }
    EXPECT_EQ(screen->cameraCombo->count(), 3);
    EXPECT_EQ(screen->cameraCombo->itemText(2), tableText(586).arg(2));
    EXPECT_EQ(screen->regionCombo->count(), 11);
    EXPECT_LE(qAbs(screen->rangePicker->endDateTime().secsTo(QDateTime::currentDateTime())), 2);
    EXPECT_EQ(screen->rangePicker->startDateTime(), screen->rangePicker->endDateTime().addDays(-1));
    EXPECT_EQ(screen->curve->realtimeButton->text(), QStringLiteral("实时"));
    EXPECT_EQ(visibleSeries(), (QStringList{"C:0_D:0_F:1", "C:1_D:1_F:1"}));
    EXPECT_TRUE(screen->curve->timer.isActive());

    // A point the store receives reaches the curve at the next tick of its own timer.
    enter(0, 0, 38, QDateTime::currentDateTime());
    EXPECT_TRUE(waitUntil([&] { return graphOf("C:0_D:0_F:1")->dataCount() == 11; }, kPatientWaitMs));
    EXPECT_EQ(graphPoints(graphOf("C:0_D:0_F:1")).last().y(), 38);
    shot(QStringLiteral("chart-realtime"));

    // In real time the combos filter at once.
    screen->cameraCombo->setCurrentIndex(2);
    EXPECT_EQ(visibleSeries(), QStringList{"C:1_D:1_F:1"});
}

TEST_F(ChartScreenTest, ClosedChartKeepsNoNewPoints)
{
    open();
    QTest::mouseClick(screen->closeButton, Qt::LeftButton);
    EXPECT_FALSE(screen->curve->timer.isActive());
    for (int i = 0; i < 20; ++i)
        enter(0, 1, 40, QDateTime::currentDateTime().addSecs(-i));
    EXPECT_TRUE(store().newPoints.isEmpty());
    EXPECT_EQ(store().todaySeries.value("C:0_D:1_F:1").size(), 20);
}

TEST_F(ChartScreenTest, SearchPlotsTheStoredReadingsOfItsRangeAndFilter)
{
    const QDate yesterday = QDate::currentDate().addDays(-1);
    const QDateTime base(yesterday, QTime(8, 0));
    seedRows(QStringLiteral("ResStatistics/%1.db").arg(yesterday.toString(QStringLiteral("yyyy-MM-dd"))),
             {temperatureRow(base, 0, 0, 41), temperatureRow(base, 1, 0, 60), temperatureRow(base.addSecs(600), 0, 0, 43),
              temperatureRow(base.addSecs(900), 0, 1, 70), temperatureRow(base.addSecs(7200), 0, 0, 45)});
    enter(0, 0, 36, QDateTime::currentDateTime());  // today's: not in the range
    open();

    // Camera 1, detect 1 ("成品"), region 2 from 7:00 to 9:00 yesterday.
    screen->cameraCombo->setCurrentIndex(1);
    screen->detectCombo->setCurrentIndex(1);
    screen->regionCombo->setCurrentIndex(2);
    screen->rangePicker->setStartDateTime(base.addSecs(-3600));
    screen->rangePicker->setEndDateTime(base.addSecs(3600));
    QTest::mouseClick(screen->confirmButton, Qt::LeftButton);
    EXPECT_EQ(store().chartSource, 2);
    EXPECT_EQ(screen->curve->realtimeButton->text(), QStringLiteral("暂停"));
    EXPECT_FALSE(screen->curve->timer.isActive());
    ASSERT_TRUE(waitUntil([&] { return !screen->loadingBox->isVisible(); }, kPatientWaitMs));

    ASSERT_EQ(screen->curve->graphIndex.keys(), QStringList{"C:0_D:0_F:1"});
    // Points at the detect start (200 ms after the round's) in whole seconds.
    EXPECT_EQ(graphPoints(graphOf("C:0_D:0_F:1")),
              (QVector<QPointF>{{secondsOf(base), 41}, {secondsOf(base.addSecs(600)), 43}}));
    EXPECT_EQ(screen->curve->plot->xAxis->range().lower, secondsOf(base.addSecs(-3600)));
    EXPECT_EQ(screen->curve->plot->xAxis->range().upper, secondsOf(base.addSecs(3600)));
    EXPECT_TRUE(screen->curve->plot->legend->visible());
    shot(QStringLiteral("chart-search"));

    // The combos change nothing until the screen is opened again.
    screen->cameraCombo->setCurrentIndex(2);
    screen->regionCombo->setCurrentIndex(0);
    EXPECT_EQ(visibleSeries(), QStringList{"C:0_D:0_F:1"});
    EXPECT_EQ(screen->curve->graphIndex.keys(), QStringList{"C:0_D:0_F:1"});
}

TEST_F(ChartScreenTest, SearchWithoutARangeIsRefused)
{
    open();
    screen->rangePicker->setStartDateTime(QDateTime());
    ModalSteps steps({ModalSteps::finish(0)});
    QTest::mouseClick(screen->confirmButton, Qt::LeftButton);
    EXPECT_EQ(steps.texts, QStringList{"时间检索不能为空"});
    EXPECT_EQ(store().chartSource, 0);
    EXPECT_TRUE(screen->curve->timer.isActive());
}

TEST_F(ChartScreenTest, IntervalEditSavesTheParametersAndSetsTheStoresTimer)
{
    open();
    const struct {
        const char* text;
        int stored;
        bool timerRuns;
    } cases[] = {
        {"15", 15, true},
        {"0", 0, false},  // every row a regular record: no timer
        {"", 0, false},   // empty: the old value comes back, nothing is saved
    };
    for (const auto& c : cases) {
        store().markNext = 0;
        screen->intervalEdit->setText(QString::fromLatin1(c.text));
        emit screen->intervalEdit->focusOut();
        EXPECT_EQ(screen->intervalEdit->text(), QString::number(c.stored)) << c.text;
        EXPECT_EQ(activeParams->temperatureRecordMinutes, c.stored) << c.text;
        EXPECT_EQ(storedValue("system12", 11), QString::number(c.stored)) << c.text;
        EXPECT_EQ(store().intervalMinutes, c.stored) << c.text;
        EXPECT_EQ(store().recordTimer.isActive(), c.timerRuns) << c.text;
        if (c.timerRuns) {
            EXPECT_EQ(store().recordTimer.interval(), c.stored * 60000);
        }
    }
    EXPECT_EQ(store().markNext, 0) << "an empty edit sets nothing";
    screen->intervalEdit->setText(QStringLiteral("0"));
    emit screen->intervalEdit->focusOut();
    EXPECT_EQ(store().markNext, 1) << "0 minutes marks every row";
}

TEST_F(ChartScreenTest, ExportWithTheBoxCheckedAsksForRegularRecordsAndReportsItsEnd)
{
    open();
    installScript("printf '%s\\n' \"$@\" > args.txt\nprintf 'export finished\\r\\n'\n");
    screen->recordCheck->setChecked(true);
    EXPECT_EQ(exportThroughButton(), QStringList{"确定是否导出"});
    ASSERT_TRUE(waitUntil([] { return !openTipTexts().isEmpty(); }, kPatientWaitMs));
    EXPECT_EQ(openTipTexts(), QStringList{"数据导出完成"});
    QFile args(QStringLiteral("args.txt"));
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(args.readAll()).split(QLatin1Char('\n'));
    EXPECT_EQ(lines.mid(lines.indexOf(QStringLiteral("-detail")), 2),
              (QStringList{"-detail", "Regular recording"}));
    EXPECT_EQ(lines.mid(lines.indexOf(QStringLiteral("-c")), 4), (QStringList{"-c", "-1", "-d", "-1"}));
    closeOpenTips();

    // Unchecked: every row, no -detail.
    screen->recordCheck->setChecked(false);
    exportThroughButton();
    ASSERT_TRUE(waitUntil([] { return !openTipTexts().isEmpty(); }, kPatientWaitMs));
    args.close();
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_FALSE(QString::fromUtf8(args.readAll()).contains(QStringLiteral("-detail")));
}

TEST_F(ChartScreenTest, ExportEndShowsWhatTheProgramDid)
{
    open();
    seedRows(QStringLiteral("ResStatistics.db"), {temperatureRow(QDateTime::currentDateTime().addSecs(-60), 0, 0, 40)});
    const struct {
        const char* name;
        QByteArray script;  // empty: our stand-in
        const char* shown;
    } cases[] = {
        {"failing program", "echo 'cannot write' >&2\nexit 4\n", "数据导出失败\n无法写入所选文件夹"},
        {"program that ends without its closing line", "exit 0\n", "数据导出失败\n导出程序未报告完成"},
        {"our stand-in", "", "数据导出完成"},
    };
    for (const auto& c : cases) {
        if (c.script.isEmpty()) {
            QFile::remove(kInstalled);
            ASSERT_TRUE(QFile::copy(QString::fromUtf8(kBuiltProgram), kInstalled));
        } else {
            installScript(c.script);
        }
        exportThroughButton();
        ASSERT_TRUE(waitUntil([] { return !openTipTexts().isEmpty(); }, kPatientWaitMs)) << c.name;
        EXPECT_EQ(openTipTexts(), QStringList{QString::fromUtf8(c.shown)}) << c.name;
        closeOpenTips();
    }
}

TEST_F(ChartScreenTest, ExportWhileOneRunsIsRefused)
{
    open();
    installScript("sleep 3\nprintf 'export finished\\r\\n'\n");
    exportThroughButton();
    ASSERT_EQ(store().exportBusy, 1);
    ModalSteps steps({ModalSteps::finish(1)});
    QTest::mouseClick(screen->exportButton, Qt::LeftButton);
    EXPECT_EQ(steps.texts, QStringList{"上一个导出任务未完成"});
    ASSERT_TRUE(waitUntil([] { return !openTipTexts().isEmpty(); }, kPatientWaitMs));
    EXPECT_EQ(openTipTexts(), QStringList{"数据导出完成"});
}

TEST_F(ChartScreenTest, ExportWithoutAFolderStops)
{
    open();
    ModalSteps steps({ModalSteps::finish(0), ModalSteps::finish(1)});
    QTest::mouseClick(screen->exportButton, Qt::LeftButton);
    EXPECT_EQ(steps.texts, QStringList{"请先选择导出路径"});
    EXPECT_EQ(store().exportBusy, 0);
}

TEST_F(ChartScreenTest, EnglishOnceTheTranslationIsInstalled)
{
    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral(MONITOR_BINARY_DIR "/Translator/tr_en.qm")));
    QCoreApplication::installTranslator(&english);
    screen = std::make_unique<TemperatureChartWidget>();
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < 10; ++i) {
        enter(0, 0, 40 + i % 4, now.addSecs(-600 + 60 * i));
        enter(0, 1, 60 - i % 3, now.addSecs(-590 + 60 * i));
    }
    open();
    const QStringList curveButtons{screen->curve->realtimeButton->text(), screen->curve->restoreButton->text(),
                                   screen->curve->zoomButton->text(), screen->curve->labelButton->text()};
    const QString legend = screen->curve->plot->graph(1)->name();
    const QString combo = screen->cameraCombo->itemText(0);
    ModalSteps steps({ModalSteps::finish(0)});
    screen->rangePicker->setStartDateTime(QDateTime());
    QTest::mouseClick(screen->confirmButton, Qt::LeftButton);
    screen->finishExport(false);
    const QStringList endTexts = openTipTexts();
    closeOpenTips();
    shot(QStringLiteral("chart-english"));
    QCoreApplication::removeTranslator(&english);

    EXPECT_EQ(curveButtons, (QStringList{"Live", "Restore", "Move", "Labels on"}));
    EXPECT_EQ(legend, QStringLiteral("Camera:1_Cavity_ROI:2"));
    EXPECT_EQ(combo, QStringLiteral("All"));
    EXPECT_EQ(screen->exportButton->text(), QStringLiteral("Export data"));
    EXPECT_EQ(steps.texts, QStringList{"The search range must not be empty"});
    EXPECT_EQ(endTexts, QStringList{"Data export failed"});
}

TEST_F(ChartScreenTest, ExportNoticeOfEitherScreenTakesATapWhileItIsOpenAndGoesWithIt)
{
    // Both screens that export, each made as the main window's command makes it.
    const struct {
        const char* name;
        std::function<QWidget*()> make;
        std::function<void(QWidget*, bool)> finishExport;
        std::function<QPushButton*(QWidget*)> closeButton;
    } screens[] = {
        {"statistics",
         [] {
             auto* s = new StatisticsWidget;
             s->resetToToday();
             return s;
         },
         [](QWidget* s, bool ok) { static_cast<StatisticsWidget*>(s)->finishExport(ok); },
         [](QWidget* s) { return s->findChild<QPushButton*>(QStringLiteral("closeBtn")); }},
        {"chart",
         [this] {
             store().chartSource = 0;
             auto* s = new TemperatureChartWidget;
             s->resetToRealtime();
             return s;
         },
         [](QWidget* s, bool ok) { static_cast<TemperatureChartWidget*>(s)->finishExport(ok); },
         [](QWidget* s) { return static_cast<TemperatureChartWidget*>(s)->closeButton; }},
    };
    auto openTip = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<tipbox*>(w); box && box->isVisible())
                return box;
        return static_cast<tipbox*>(nullptr);
    };
    const QByteArray shots = qgetenv("MONITOR_TEST_SHOTS");
    // As the main window opens it, and modal, as a screen over another modal one would be.
    for (const auto& kind : screens) {
        for (const bool modal : {false, true}) {
            SCOPED_TRACE(std::string(kind.name) + (modal ? ", modal" : ""));
            std::unique_ptr<QWidget> screen(kind.make());
            screen->setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
            screen->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(screen.get()));

            kind.finishExport(screen.get(), true);
            tipbox* notice = openTip();
            ASSERT_NE(notice, nullptr);
            EXPECT_EQ(notice->text(), QStringLiteral("数据导出完成"));
            ASSERT_TRUE(QTest::qWaitForWindowExposed(notice));
            auto* button = notice->findChild<okbtn*>();
            ASSERT_NE(button, nullptr);
            if (!shots.isEmpty())
                notice->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/%1-export-notice.png").arg(kind.name));
            tapThroughWindow(button);
            EXPECT_TRUE(waitUntil([] { return openTipTexts().isEmpty(); }, kPatientWaitMs)) << "the tap on OK did nothing";
            EXPECT_TRUE(screen->isVisible()) << "the screen stays open";

            // A notice left standing goes with the screen.
            kind.finishExport(screen.get(), false);
            ASSERT_EQ(openTipTexts(), QStringList{"数据导出失败"});
            QPushButton* close = kind.closeButton(screen.get());
            ASSERT_NE(close, nullptr);
            tapThroughWindow(close);
            EXPECT_FALSE(screen->isVisible());
            EXPECT_TRUE(openTipTexts().isEmpty()) << "the notice stayed over the main view";
        }
    }
}

TEST_F(ChartScreenTest, EmptyChartSaysWhyInTheScreensLanguage)
{
    // No readings at all, and no thermal camera: the note says so in the language chosen.
    for (int language : {0, 1, 2, 3}) {
        SCOPED_TRACE(language);
        currentLanguage = language;
        open();
        QCPItemText* note = screen->curve->emptyNote;
        EXPECT_TRUE(note->visible());
        EXPECT_EQ(note->text(), TextTable[627 * 4 + language]);
        EXPECT_FALSE(note->text().isEmpty());
        if (language <= 1)
            shot(language == 0 ? QStringLiteral("chart-empty") : QStringLiteral("chart-empty-en"));
        // Inside the plot and clear of its buttons.
        const QRectF box = QRectF(note->topLeft->pixelPosition(), note->bottomRight->pixelPosition()).normalized();
        EXPECT_TRUE(QRectF(screen->curve->plot->axisRect()->rect()).contains(box));
        screen->hide();
    }
    currentLanguage = 0;

    // The first reading takes the note away; a rebuild without series brings it back.
    open();
    enter(0, 0, 40, QDateTime::currentDateTime());
    EXPECT_TRUE(waitUntil([&] { return !screen->curve->emptyNote->visible(); }, kPatientWaitMs));
    screen->curve->rebuildGraphs();
    EXPECT_FALSE(screen->curve->emptyNote->visible()) << "today's series is drawn";
    store().todaySeries.clear();
    screen->curve->clearSeries();
    screen->curve->rebuildGraphs();
    EXPECT_TRUE(screen->curve->emptyNote->visible());
}
