// The production statistics screen offscreen: today's totals on opening, filter changes, a
// search's figures after its signal, and the chart's bars; pictures of the screen go to
// $MONITOR_SHOTS when it is set.
#include "records/statisticswidget.h"

#include "core/globals.h"
#include "core/texttable.h"
#include "core/wallclock.h"
#include "records/camerastatisticswidget.h"
#include "records/datathread.h"
#include "records/histogram.h"
#include "records/temperaturechartdata.h"
#include "tests/records/resultrows.h"
#include "tests/support/eventwait.h"
#include "tests/support/modalanswer.h"
#include "tests/support/modalsteps.h"
#include "tests/support/windowtap.h"
#include "widgets/combobox.h"
#include "widgets/fromtimetotime.h"
#include "widgets/okbtn.h"
#include "widgets/tipbox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSet>
#include <QTime>
#include <QTranslator>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

// Lists in failure messages as their texts.
inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[' << list.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace {

QDateTime at(int day, int h, int m, int s = 0, int ms = 0)
{
    return QDateTime(QDate(2024, 5, day), QTime(h, m, s, ms));
}

// A round of one camera and detect handed to the store as the detection engine does.
void liveRound(const QDateTime& start, int camera, int detect, const QList<int>& results)
{
    TemperatureChartData* store = TemperatureChartData::instance();
    RoundRecord r;
    r.camera = camera;
    r.detect = detect;
    r.roundStart = start;
    r.detectStart = start.addMSecs(200);
    r.result = results.contains(0) ? 0 : 1;
    for (int v : results) {
        r.roiDetail << QList<int>{0, 5, 25, 100, 3};
        r.roiResult << v;
    }
    store->setRoundInfo(r);
    store->addRoundToSeries();
}

void shoot(QWidget* widget, const char* name)
{
    const QByteArray dir = qgetenv("MONITOR_SHOTS");
    if (!dir.isEmpty())
        widget->grab().save(QString::fromUtf8(dir) + QLatin1Char('/') + QLatin1String(name) + ".png");
}

// The export program the store runs, here a script of the test's own.
void installExportScript(const QByteArray& body)
{
    const QString installed = QString::fromLatin1(TemperatureChartData::kExportProgram);
    QDir().mkpath(QFileInfo(installed).path());
    QFile::remove(installed);
    QFile script(installed);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n" + body);
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
}

// The message boxes shown without blocking, by their texts; closed when `close` is set.
QStringList openTipTexts(bool close = false)
{
    QStringList texts;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<tipbox*>(w); box && box->isVisible()) {
            texts << box->text();
            if (close)
                box->close();
        }
    return texts;
}

class StatisticsScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        fillTextTable();
        cameraCount = 2;
        detectsPerCamera = 2;
        WallClock::setForTests([]() { return at(3, 15, 0); });
        TemperatureChartData* store = TemperatureChartData::instance();
        store->clearTodayRounds();
        store->statisticsSource = 0;
        // Today: 09:10 OK (two cameras), 09:40 NG on camera 1's detect 1, 14:00 OK.
        liveRound(at(3, 9, 10), 0, 0, {1, 1});
        liveRound(at(3, 9, 10), 1, 0, {1});
        liveRound(at(3, 9, 40), 0, 1, {1, 1});
        liveRound(at(3, 9, 40), 1, 1, {1, 0});
        liveRound(at(3, 14, 0), 0, 0, {1, 1});
        screen = std::make_unique<StatisticsWidget>();
        screen->resetToToday();
    }
    void TearDown() override
    {
        screen.reset();
        TemperatureChartData::instance()->clearTodayRounds();
        WallClock::setForTests(nullptr);
    }

    QStringList totals() const
    {
        return {screen->page->totalCount->text(), screen->page->totalNGCount->text(),
                screen->page->totalNGRate->text()};
    }

    std::unique_ptr<StatisticsWidget> screen;
};

}  // namespace

TEST_F(StatisticsScreen, OpensOnTodaysTotalsAndHourlyBars)
{
    EXPECT_EQ(totals(), (QStringList{"3", "1", "33.33%"}));
    const Histogram* chart = screen->page->histogram;
    EXPECT_EQ(chart->barCount, 24);
    EXPECT_EQ(chart->okValues.value(9), 1);
    EXPECT_EQ(chart->ngValues.value(9), 1);
    EXPECT_EQ(chart->okValues.value(14), 1);
    EXPECT_EQ(chart->startLabels.value(9), QStringLiteral("05-03 09:00:00"));
    EXPECT_EQ(chart->endLabels.value(23), QStringLiteral("05-04 00:00:00"));
    EXPECT_EQ(screen->regionCombo->count(), 11);
    EXPECT_EQ(screen->cameraCombo->count(), 3);
    screen->show();
    shoot(screen.get(), "statistics_today");

    // Combo changes recount today's rounds at once.
    const struct {
        const char* name;
        ComboBox* combo;
        int index;
        QStringList totals;
    } cases[] = {
        {"camera 1", screen->cameraCombo, 1, {"3", "0", "0%"}},
        {"camera 2", screen->cameraCombo, 2, {"2", "1", "50%"}},
        // A live round's regions carry the detect's verdict.
        {"camera 2, region 1", screen->regionCombo, 1, {"2", "1", "50%"}},
        {"camera 2, region 2 (only its NG detect has one)", screen->regionCombo, 2, {"1", "1", "100%"}},
        {"camera 2, region 2, detect 1", screen->detectCombo, 1, {"0", "0", "0%"}},
    };
    for (const auto& c : cases) {
        c.combo->setCurrentIndex(c.index);
        EXPECT_EQ(totals(), c.totals) << c.name;
    }
    // An empty result draws axes and legend without bars.
    EXPECT_EQ(screen->page->histogram->maxValue, 0);
    shoot(screen.get(), "statistics_empty");

    // Opening again shows today's figures of everything.
    screen->resetToToday();
    EXPECT_EQ(totals(), (QStringList{"3", "1", "33.33%"}));
    EXPECT_EQ(screen->cameraCombo->currentIndex(), 0);
}

TEST_F(StatisticsScreen, SearchShowsItsFiguresAfterItsSignal)
{
    // Two past days in the archive, one round of them NG, and a busy hour for tall bars.
    QList<SeedRow> rows;
    for (int i = 0; i < 40; ++i)
        rows << SeedRow{at(1, 10, i), at(1, 10, i, 1), 0, 0, "[[0,5,25,100,3]]", i % 8 ? "[1]" : "[0]"};
    rows << SeedRow{at(2, 6, 0), at(2, 6, 0, 1), 1, 0, "[[0,5,25,100,3]]", "[1]"};
    seedRows(QStringLiteral("ResStatistics/2024-05-01.db"), rows);

    screen->rangePicker->setStartDateTime(at(1, 0, 0));
    screen->rangePicker->setEndDateTime(at(2, 23, 59, 59, 999));
    screen->show();
    screen->search();
    EXPECT_TRUE(screen->loadingBox->isVisible());
    ASSERT_TRUE(waitUntil([&]() { return !screen->loadingBox->isVisible(); }, 20000));
    EXPECT_EQ(totals(), (QStringList{"41", "5", "12.2%"}));
    const Histogram* chart = screen->page->histogram;
    EXPECT_EQ(chart->barCount, 24);
    EXPECT_EQ(chart->startLabels.value(1), QStringLiteral("05-01 02:00:00"));
    shoot(screen.get(), "statistics_search");

    // The searched figures stay while a combo changes.
    screen->cameraCombo->setCurrentIndex(2);
    EXPECT_EQ(totals(), (QStringList{"41", "5", "12.2%"}));

    // Without a range chosen, nothing is searched.
    screen->rangePicker->setStartDateTime(QDateTime());
    ModalAnswer::finishWhenShown(0);
    const int answered = ModalAnswer::answeredCount();
    screen->search();
    EXPECT_EQ(ModalAnswer::answeredCount(), answered + 1);
    EXPECT_EQ(totals(), (QStringList{"41", "5", "12.2%"}));
}

TEST_F(StatisticsScreen, SearchOfTodayFindsEveryRowWhateverArchivesExist)
{
    // A run with the clock 40 days ahead left an archive of 12 June; today's rows are in the
    // open file.
    seedRows(QStringLiteral("ResStatistics/2024-06-12.db"),
             {SeedRow{QDateTime(QDate(2024, 6, 12), QTime(9, 0)), QDateTime(QDate(2024, 6, 12), QTime(9, 0, 1)), 0, 0,
                      "[[0,5,25,100,3]]", "[1]"}});
    QList<SeedRow> rows;
    for (int i = 0; i < 21; ++i)
        rows << SeedRow{at(3, 8, i), at(3, 8, i, 1), 0, 0, "[[0,5,25,100,3]]", i % 7 ? "[1]" : "[0]"};
    seedRows(QStringLiteral("ResStatistics.db"), rows);

    screen->rangePicker->setStartDateTime(at(3, 0, 0));
    screen->rangePicker->setEndDateTime(at(3, 23, 59, 59, 999));
    screen->search();
    ASSERT_TRUE(waitUntil([&]() { return !screen->loadingBox->isVisible(); }, 20000));
    EXPECT_EQ(totals(), (QStringList{"21", "3", "14.29%"}));
}

TEST_F(StatisticsScreen, ExportReportsItsEnd)
{
    const QString folder = QDir::current().absoluteFilePath(QStringLiteral("usb"));
    QDir().mkpath(folder);
    // Folder chosen, export confirmed.
    auto exportToFolder = [&] {
        ModalSteps steps({ModalSteps::chooseFolder(folder), ModalSteps::finish(1)});
        screen->exportData();
        return steps.texts;
    };
    const struct {
        const char* name;
        QByteArray script;
        const char* shown;
        const char* shot;
        bool english = false;
    } cases[] = {
        {"written", "printf 'export finished\\r\\n'\n", "数据导出完成", "statistics_export_done"},
        {"program failed", "echo 'cannot write' >&2\nexit 4\n", "数据导出失败\n无法写入所选文件夹", "statistics_export_failed"},
        {"program ended without its closing line", "exit 0\n", "数据导出失败\n导出程序未报告完成",
         "statistics_export_unfinished"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        installExportScript(c.script);
        EXPECT_EQ(exportToFolder(), QStringList{"确定是否导出"});
        ASSERT_TRUE(waitUntil([] { return !openTipTexts().isEmpty(); }, kPatientWaitMs));
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<tipbox*>(w) && w->isVisible())
                shoot(w, c.shot);
        EXPECT_EQ(openTipTexts(true), QStringList{QString::fromUtf8(c.shown)});
    }

    // One export at a time: a second is refused while the first runs, which still reports its end.
    installExportScript("sleep 2\nprintf 'export finished\\r\\n'\n");
    exportToFolder();
    ASSERT_EQ(TemperatureChartData::instance()->exportBusy, 1);
    ModalSteps refused({ModalSteps::finish(1)});
    screen->exportData();
    EXPECT_EQ(refused.texts, QStringList{"上一个导出任务未完成"});
    ASSERT_TRUE(waitUntil([] { return !openTipTexts().isEmpty(); }, kPatientWaitMs));
    EXPECT_EQ(openTipTexts(true), QStringList{"数据导出完成"});
}

namespace {

// Our export program as the build made it.
const char* const kBuiltExportProgram = MONITOR_BINARY_DIR "/relaydir/export_temperature/temperature_export.exe";

// The "<time>_result" folders in `folder`.
QStringList resultFolders(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*_result")}, QDir::Dirs | QDir::NoDotAndDotDot);
}

}  // namespace

TEST_F(StatisticsScreen, ExportPressedFirstWritesTheShownRangeOrSaysWhatIsMissing)
{
    // Rows of the day before, today and the day after in the result file; the screen shows today.
    seedRows(QStringLiteral("ResStatistics.db"),
             {SeedRow{at(2, 23, 59, 59, 999), at(3, 0, 0), 0, 1, "[[0,5,25,100,3]]", "[1]"},
              SeedRow{at(3, 9, 10), at(3, 9, 10, 200), 0, 0, "[[0,5,25,100,3]]", "[1]"},
              SeedRow{at(3, 23, 59, 59, 999), at(4, 0, 0), 1, 1, "[[0,5,25,100,3]]", "[1]", 0},
              SeedRow{at(4, 0, 0), at(4, 0, 0, 200), 0, 1, "[[0,5,25,100,3]]", "[1]"}});
    const QString usb = QDir::current().absoluteFilePath(QStringLiteral("usb"));
    QDir().mkpath(usb);
    const struct {
        const char* name;
        QDateTime start;  // the range chosen in the picker; invalid: none
        QDateTime end;
        QByteArray script;  // empty: our export program
        const char* notice;
        QStringList rounds;  // round starts of the file written; empty: no folder is left
        const char* shot;
        bool english = false;
    } cases[] = {
        {"no range chosen: today's rows, as the screen shows them", {}, {}, {}, "数据导出完成",
         {stampOf(at(3, 9, 10)), stampOf(at(3, 23, 59, 59, 999))}, "statistics_export_today"},
        {"a start without an end", at(3, 0, 0), {}, {}, "数据导出失败\n未选择结束时间", {}, "statistics_export_no_end"},
        {"an end without a start", {}, at(3, 12, 0), {}, "数据导出失败\n未选择开始时间", {}, "statistics_export_no_start"},
        {"the program cannot write", {}, {}, "echo 'cannot write' >&2\nexit 4\n", "数据导出失败\n无法写入所选文件夹", {},
         "statistics_export_cannot_write"},
        {"the program dies", {}, {}, "kill -9 $$\n", "数据导出失败\n导出程序异常结束", {}, "statistics_export_crashed"},
        {"in English, a start without an end", at(3, 0, 0), {}, {}, "Data export failed\nNo end time chosen", {},
         "statistics_export_no_end_en", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.script.isEmpty()) {
            const QString installed = QString::fromLatin1(TemperatureChartData::kExportProgram);
            QDir().mkpath(QFileInfo(installed).path());
            QFile::remove(installed);
            ASSERT_TRUE(QFile::copy(QString::fromLatin1(kBuiltExportProgram), installed));
        } else {
            installExportScript(c.script);
        }
        QDir(usb).removeRecursively();
        QDir().mkpath(usb);
        QTranslator english;
        if (c.english) {
            ASSERT_TRUE(english.load(QStringLiteral(MONITOR_BINARY_DIR "/Translator/tr_en.qm")));
            QCoreApplication::installTranslator(&english);
        }
        screen->resetToToday();
        screen->rangePicker->setStartDateTime(c.start);
        screen->rangePicker->setEndDateTime(c.end);
        ModalSteps steps({ModalSteps::chooseFolder(usb), ModalSteps::finish(1)});
        screen->exportData();
        EXPECT_EQ(steps.texts.size(), 1) << "the question whether to export";
        ASSERT_TRUE(waitUntil([] { return !openTipTexts().isEmpty(); }, 20000));
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<tipbox*>(w) && w->isVisible())
                shoot(w, c.shot);
        EXPECT_EQ(openTipTexts(true), QStringList{QString::fromUtf8(c.notice)});
        QCoreApplication::removeTranslator(&english);

        const QStringList folders = resultFolders(usb);
        if (c.rounds.isEmpty()) {
            EXPECT_TRUE(folders.isEmpty()) << folders.join(' ').toStdString();
            continue;
        }
        ASSERT_EQ(folders.size(), 1);
        QFile csv(usb + QLatin1Char('/') + folders.first() + QStringLiteral("/result.csv"));
        ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
        QStringList rounds;
        for (const QString& line : QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).mid(1))
            rounds << line.section(QLatin1Char(','), 0, 0);
        EXPECT_EQ(rounds, c.rounds);
    }
}

namespace {

// The fields of CSV lines (RFC 4180 quoting, as the export program writes them).
QList<QStringList> csvRecords(const QString& text)
{
    QList<QStringList> records;
    QStringList fields;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
        if (quoted) {
            if (c == QLatin1Char('"') && next == QLatin1Char('"'))
                field += text.at(++i);
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                field += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            fields << field;
            field.clear();
        } else if (c == QLatin1Char('\r') && next == QLatin1Char('\n')) {
            fields << field;
            records << fields;
            fields.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

// The statistics screen's total and NG count worked out from an exported result.csv as the
// README says: the distinct round starts of the rows with counted 1, and those of them with a
// counted row that holds an NG region (a 0 in roi_result).
QStringList figuresOfExport(const QString& file)
{
    QFile csv(file);
    if (!csv.open(QIODevice::ReadOnly))
        return {QStringLiteral("no file %1").arg(file)};
    const QList<QStringList> records = csvRecords(QString::fromUtf8(csv.readAll()));
    if (records.isEmpty())
        return {QStringLiteral("empty file")};
    const QStringList header = records.first();
    const int roundAt = header.indexOf(QStringLiteral("roundstart"));
    const int resultsAt = header.indexOf(QStringLiteral("roi_result"));
    const int countedAt = header.indexOf(QStringLiteral("counted"));
    if (roundAt < 0 || resultsAt < 0 || countedAt < 0)
        return {QStringLiteral("header: %1").arg(header.join(QLatin1Char(',')))};
    QSet<QString> rounds;
    QSet<QString> ngRounds;
    for (const QStringList& record : records.mid(1)) {
        if (record.value(countedAt) != QLatin1String("1"))
            continue;
        rounds << record.value(roundAt);
        const QJsonArray regions = QJsonDocument::fromJson(record.value(resultsAt).toUtf8()).array();
        if (std::any_of(regions.begin(), regions.end(), [](const QJsonValue& v) { return v.toInt() == 0; }))
            ngRounds << record.value(roundAt);
    }
    return {QString::number(rounds.size()), QString::number(ngRounds.size())};
}

}  // namespace

TEST_F(StatisticsScreen, ExportedFileGivesTheScreensFiguresThroughReChecksAlarmsAndManualCaptures)
{
    // The store as the program runs it: rows written to today's file, each check settled as
    // the main window's counters took it.
    TemperatureChartData* store = TemperatureChartData::instance();
    store->init();
    ASSERT_TRUE(waitUntil([store] { return store->loaded == 1; }, kPatientWaitMs)) << "today's rows never loaded";
    store->clearTodayRounds();
    const struct {
        const char* name;
        QDateTime round;
        int msAfter;  // detect start after the round start
        QList<int> camera1;
        QList<int> camera2;  // region verdicts, 1 OK, 0 NG
        CheckCount how;
    } checks[] = {
        {"an OK cycle", at(3, 9, 0), 100, {1}, {1, 1}, CheckCount::Counted},
        {"a part found", at(3, 9, 10), 100, {0}, {1, 1}, CheckCount::ReChecked},
        {"that its re-check finds gone: an OK cycle", at(3, 9, 10), 900, {1}, {1, 1}, CheckCount::Counted},
        {"a part found", at(3, 9, 20), 100, {1}, {1, 0}, CheckCount::ReChecked},
        {"and found again: the alarm, an NG cycle", at(3, 9, 20), 900, {1}, {1, 0}, CheckCount::Counted},
        {"the re-check that clears the alarm", at(3, 9, 20), 8000, {1}, {1, 1}, CheckCount::AlarmClearing},
        {"a manual capture of a part", at(3, 9, 25), 100, {0}, {1, 1}, CheckCount::Manual},
        {"an NG cycle", at(3, 9, 30), 100, {1}, {0, 1}, CheckCount::Counted},
        {"an OK cycle", at(3, 11, 0), 100, {1}, {1, 1}, CheckCount::Counted},
    };
    for (const auto& c : checks) {
        SCOPED_TRACE(c.name);
        for (int camera = 0; camera < 2; ++camera) {
            const QList<int>& verdicts = camera == 0 ? c.camera1 : c.camera2;
            RoundRecord r;
            r.camera = camera;
            r.roundStart = c.round;
            r.detectStart = c.round.addMSecs(c.msAfter + camera * 20);
            r.result = verdicts.contains(0) ? 0 : 1;
            for (int v : verdicts) {
                r.roiDetail << QList<int>{0, 5, 25, 100, 3};
                r.roiResult << v;
            }
            r.manual = c.how == CheckCount::Manual;
            store->setRoundInfo(r);
            store->addRoundToSeries();
            store->insertRound();
        }
        store->settleCheck(c.how);
    }
    ASSERT_TRUE(store->writeQueue()) << "the rows were not written";

    // Opened, the screen shows today's figures: 5 cycles, 2 of them NG.
    screen->resetToToday();
    const QStringList shown = totals().mid(0, 2);
    EXPECT_EQ(shown, (QStringList{"5", "2"}));

    // Exported as the screen shows it, without a range chosen.
    const QString installed = QString::fromLatin1(TemperatureChartData::kExportProgram);
    QDir().mkpath(QFileInfo(installed).path());
    QFile::remove(installed);
    ASSERT_TRUE(QFile::copy(QString::fromLatin1(kBuiltExportProgram), installed));
    const QString usb = QDir::current().absoluteFilePath(QStringLiteral("usb"));
    QDir().mkpath(usb);
    ModalSteps steps({ModalSteps::chooseFolder(usb), ModalSteps::finish(1)});
    screen->exportData();
    ASSERT_TRUE(waitUntil([] { return !openTipTexts().isEmpty(); }, kPatientWaitMs)) << "no notice of the export's end";
    ASSERT_EQ(openTipTexts(true), QStringList{"数据导出完成"});
    const QStringList folders = resultFolders(usb);
    ASSERT_EQ(folders.size(), 1);
    const QString file = usb + QLatin1Char('/') + folders.first() + QStringLiteral("/result.csv");
    EXPECT_EQ(figuresOfExport(file), shown);

    // A search of the same day shows the same figures.
    screen->rangePicker->setStartDateTime(at(3, 0, 0));
    screen->rangePicker->setEndDateTime(at(3, 23, 59, 59, 999));
    screen->search();
    ASSERT_TRUE(waitUntil([&]() { return !screen->loadingBox->isVisible(); }, kPatientWaitMs)) << "no search result";
    EXPECT_EQ(totals().mid(0, 2), figuresOfExport(file));
}
