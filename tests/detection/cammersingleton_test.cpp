// The region set of a camera against a real PARAM.db (the shipped default group's copy) opened
// by the parameter store; rows are set up and read back with the sqlite3 command.
#include "detection/cammersingleton.h"

#include "core/globals.h"
#include "core/parametermanager.h"
#include "core/texttable.h"
#include "detection/circle.h"
#include "detection/clustomrect.h"
#include "detection/repolygon.h"
#include "tests/detection/regiontestutil.h"
#include "tests/support/modalanswer.h"
#include "view/cammerwidget.h"
#include "view/roishapefactory.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QSqlQuery>
#include <QTextStream>
#include <QVariant>

#include <opencv2/core.hpp>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

constexpr int kW = 1920;
constexpr int kH = 1080;

QString sqlite(const QString& sql)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {QStringLiteral("PARAM.db"), sql});
    EXPECT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QString out = QString::fromUtf8(p.readAllStandardOutput());
    if (out.endsWith(QLatin1Char('\n')))
        out.chop(1);
    return out;
}

class RegionSetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"PARAM.db", "SN.db"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(MONITOR_SOURCE_DIR "/samples/paraGroup/default/") + QLatin1String(name),
                                    QLatin1String(name)));
        fillTextTable();
        store = std::make_unique<ParameterManager>();
        store->loadParams();
    }

    QSqlQuery query() const { return QSqlQuery(store->queryIn); }

    // All rows of table cammer<camera>, read with the sqlite3 command.
    static std::map<QString, QString> rows(int camera)
    {
        std::map<QString, QString> out;
        const QString text = sqlite(QStringLiteral("select name || '=' || value from cammer%1").arg(camera));
        for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const int eq = line.indexOf(QLatin1Char('='));
            out[line.left(eq)] = line.mid(eq + 1);
        }
        return out;
    }

    static void putRow(int camera, const QString& name, const QString& value)
    {
        sqlite(QStringLiteral("insert or replace into cammer%1 values('%2', '%3')").arg(camera).arg(name, value));
    }

    static QString rowValue(int camera, const QString& name)
    {
        const auto all = rows(camera);
        const auto it = all.find(name);
        return it == all.end() ? QStringLiteral("<missing>") : it->second;
    }

    std::unique_ptr<ParameterManager> store;
};

ROIInterface* shapeFromRow(int kind, const QString& text)
{
    QString copy = text;
    QTextStream in(&copy);
    int n = 0;
    in >> n;
    QJsonObject context;
    context.insert(QStringLiteral("width"), kW);
    context.insert(QStringLiteral("height"), kH);
    context.insert(QStringLiteral("pointCount"), n);
    ROIInterface* shape = createRoiShape(kind);
    shape->fromText(in, context);
    shape->updateBounds();
    return shape;
}

// A set with regions of every kind in two detects and non-zero reserved numbers.
void fill(CammerSingleton& set)
{
    struct Region {
        int detect, minWH, sensitivity, area, tool, kind, out;
        const char* text;
    };
    const Region regions[] = {
        {0, 3, 25, 100, 0, 1, 0, "0 50 50 100 100"},
        {0, 10, 30, 500, 6, 4, 2, "0 200 150 655400"},
        {0, 5, 40, 80, 2, 2, 8, "3 10 10 50 10 30 40 "},
        {3, 7, 20, 60, 9, 3, 1, "0 400 300 600 500"},  // kind 3 is drawn as a rectangle
    };
    for (auto& list : set.rois)
        CammerSingleton::clearRois(list);
    set.rois.clear();
    for (int d = 0; d < CammerSingleton::kDetects; ++d)
        set.rois.append(QList<ROIInterface*>());
    std::fill(std::begin(set.roiCount), std::end(set.roiCount), 0);
    for (const Region& r : regions) {
        const int k = set.roiCount[r.detect]++;
        const int s = r.detect * 50 + k;
        set.minWH[s] = r.minWH;
        set.sensitivity[s] = r.sensitivity;
        set.area[s] = r.area;
        set.toolType[s] = r.tool;
        set.shapeKind[s] = r.kind;
        set.outN[k] = r.out;
        set.rois[r.detect].append(shapeFromRow(r.kind, QString::fromLatin1(r.text)));
    }
    for (int i = 0; i < CammerSingleton::kReservedPerDetect; ++i)
        set.detectReserved[3][i] = i + 1;
}

TEST_F(RegionSetTest, EmptyTableGetsItsDetectRowsAndEightEmptyLists)
{
    CammerWidget view(2, kW, kH);
    view.roiSet->load(query(), &view);
    ASSERT_EQ(view.roiSet->rois.size(), 8);
    for (int d = 0; d < 8; ++d) {
        EXPECT_EQ(view.roiSet->roiCount[d], 0);
        EXPECT_TRUE(view.roiSet->rois[d].isEmpty());
    }
    const auto table = rows(2);
    ASSERT_EQ(table.size(), 8u);
    for (int d = 0; d < 8; ++d)
        EXPECT_EQ(table.at(QStringLiteral("detect%1").arg(d)), QStringLiteral("0"));
    EXPECT_TRUE(rows(0).empty()) << "other cameras' tables are not touched";
}

TEST_F(RegionSetTest, SavedSetReloadsEqualWithExactRows)
{
    CammerWidget view(1, kW, kH);
    view.roiSet->load(query(), &view);
    fill(*view.roiSet);
    ASSERT_TRUE(view.roiSet->save(query()));

    const auto table = rows(1);
    const std::map<QString, QString> expected = {
        {"detect0", "3 0 0 0 0 0 0 0 0"},
        {"detect1", "0 0 0 0 0 0 0 0 0"},
        {"detect2", "0 0 0 0 0 0 0 0 0"},
        {"detect3", "1 1 2 3 4 5 6 7 8"},
        {"detect4", "0 0 0 0 0 0 0 0 0"},
        {"detect5", "0 0 0 0 0 0 0 0 0"},
        {"detect6", "0 0 0 0 0 0 0 0 0"},
        {"detect7", "0 0 0 0 0 0 0 0 0"},
        {"ROI0-0", "3 25 100 0 1 1 0 50 50 100 100"},
        {"ROI0-1", "10 30 500 6 4 2 0 200 150 655400"},
        {"ROI0-2", "5 40 80 2 2 8 3 10 10 50 10 30 40 "},
        // outN is shared by all detects: region 0 of detect 3 wrote channel 1 over channel 0.
        {"ROI3-0", "7 20 60 9 3 1 0 400 300 600 500"},
    };
    EXPECT_EQ(table, expected);

    CammerWidget reloaded(1, kW, kH);
    reloaded.roiSet->load(query(), &reloaded);
    EXPECT_TRUE(reloaded.roiSet->equals(*view.roiSet));
    EXPECT_EQ(reloaded.roiSet->rois[3][0]->type(), ShapeRectangle);
    EXPECT_EQ(reloaded.roiSet->shapeKind[150], 3);
    // Masks of the loaded regions, by slot.
    EXPECT_EQ(reloaded.roiMask[0].size(), cv::Size(51, 51));
    EXPECT_EQ(reloaded.roiMask[1].size(), cv::Size(80, 80));
    EXPECT_EQ(reloaded.roiMask[2].size(), cv::Size(40, 30));
    EXPECT_EQ(reloaded.roiMask[150].size(), cv::Size(201, 201));
    EXPECT_TRUE(reloaded.roiMask[3].empty());

    // Saving an unchanged set leaves the table as it was.
    ASSERT_TRUE(reloaded.roiSet->save(query()));
    EXPECT_EQ(rows(1), expected);
}

TEST_F(RegionSetTest, ShrinkingAListDeletesTheRowsBeyondIt)
{
    putRow(0, "detect1", "5");
    for (int k = 0; k < 5; ++k)
        putRow(0, QStringLiteral("ROI1-%1").arg(k), QStringLiteral("3 25 100 0 1 0 0 %1 50 %2 100").arg(10 + k * 100).arg(60 + k * 100));
    putRow(0, "ROI1-50", "stray row beyond the last region slot");
    CammerWidget view(0, kW, kH);
    view.roiSet->load(query(), &view);
    ASSERT_EQ(view.roiSet->rois[1].size(), 5);
    delete view.roiSet->rois[1].takeLast();
    delete view.roiSet->rois[1].takeLast();
    view.roiSet->roiCount[1] = 3;
    ASSERT_TRUE(view.roiSet->save(query()));

    const auto table = rows(0);
    EXPECT_EQ(table.count("ROI1-3"), 0u);
    EXPECT_EQ(table.count("ROI1-4"), 0u);
    EXPECT_EQ(table.at("ROI1-0"), "3 25 100 0 1 0 0 10 50 60 100");
    EXPECT_EQ(table.at("ROI1-2"), "3 25 100 0 1 0 0 210 50 260 100");
    EXPECT_EQ(table.at("ROI1-50"), "stray row beyond the last region slot");
    EXPECT_EQ(table.at("detect1"), "3 0 0 0 0 0 0 0 0");
}

TEST_F(RegionSetTest, DetectCountOutsideTheTableShowsTheWarningAndLoadsNoRegions)
{
    putRow(0, "detect0", "1");
    putRow(0, "ROI0-0", "3 25 100 0 1 0 0 50 50 100 100");
    putRow(0, "detect2", "51");
    putRow(0, "ROI2-0", "3 25 100 0 1 0 0 60 60 100 100");
    putRow(0, "detect4", "-1");
    putRow(0, "detect5", "2 9 9");
    putRow(0, "ROI5-0", "3 25 100 0 4 0 0 500 500 20");
    putRow(0, "ROI5-1", "3 25 100 0 1 0 0 10 10 20 20");
    CammerWidget view(0, kW, kH);
    const int answered = ModalAnswer::answeredCount();
    ModalAnswer::finishWhenShown(0);
    ModalAnswer::finishWhenShown(0);
    view.roiSet->load(query(), &view);
    EXPECT_EQ(ModalAnswer::answeredCount() - answered, 2) << "one warning per bad detect count";

    CammerSingleton& set = *view.roiSet;
    ASSERT_EQ(set.rois.size(), 8);
    EXPECT_EQ(set.roiCount[2], 0);
    EXPECT_TRUE(set.rois[2].isEmpty());
    EXPECT_EQ(set.roiCount[4], 0);
    EXPECT_EQ(set.roiCount[0], 1);
    EXPECT_EQ(set.roiCount[5], 2);
    ASSERT_EQ(set.rois[5].size(), 2) << "detects after the bad one load into their own lists";
    EXPECT_EQ(set.rois[5][0]->type(), ShapeCircle);
    EXPECT_EQ(set.detectReserved[5][0], 9);
    EXPECT_EQ(set.detectReserved[5][1], 9);
    EXPECT_EQ(set.detectReserved[5][2], 0) << "missing numbers read as 0";
    EXPECT_EQ(rowValue(0, "ROI2-0"), "3 25 100 0 1 0 0 60 60 100 100") << "stays until the next save";
    ASSERT_TRUE(set.save(query()));
    EXPECT_EQ(rowValue(0, "ROI2-0"), "<missing>");
    EXPECT_EQ(rowValue(0, "detect2"), "0 0 0 0 0 0 0 0 0");
}

TEST_F(RegionSetTest, MissingRegionRowLoadsTheDefaultRectangleAndIsInsertedAtTheNextSave)
{
    putRow(0, "detect0", "2");
    putRow(0, "ROI0-0", "7 8 9 6 1 3 0 200 200 300 300");
    CammerWidget view(0, kW, kH);
    view.roiSet->load(query(), &view);
    CammerSingleton& set = *view.roiSet;
    ASSERT_EQ(set.rois[0].size(), 2);
    EXPECT_EQ(set.rois[0][1]->toText(), "0 50 50 100 100");
    EXPECT_EQ(set.minWH[1], 3);
    EXPECT_EQ(set.sensitivity[1], 25);
    EXPECT_EQ(set.area[1], 100);
    EXPECT_EQ(set.toolType[1], 0);
    EXPECT_EQ(set.shapeKind[1], 1);
    EXPECT_EQ(set.outN[1], 0);
    EXPECT_EQ(view.roiMask[1].size(), cv::Size(51, 51));
    EXPECT_EQ(rowValue(0, "ROI0-1"), "<missing>") << "load writes no region row";
    ASSERT_TRUE(set.save(query()));
    EXPECT_EQ(rowValue(0, "ROI0-1"), "3 25 100 0 1 0 0 50 50 100 100");
    EXPECT_EQ(rowValue(0, "ROI0-0"), "7 8 9 6 1 3 0 200 200 300 300");
}

TEST_F(RegionSetTest, BadRegionRowsLoadWithoutACrashAndKeepTheirSlots)
{
    struct Case {
        const char* what;
        const char* stored;
        const char* saved;  // the row as the next save writes it
    };
    const Case cases[] = {
        {"empty value", "", "3 25 100 0 1 0 0 50 50 100 100"},
        {"letters", "x y z", "3 25 100 0 1 0 0 50 50 100 100"},
        {"parameters only", "4 26 101 0 4 2", "4 26 101 0 1 2 0 50 50 100 100"},
        {"parameters cut short", "4 26 101", "3 25 100 0 1 0 0 50 50 100 100"},
        {"rectangle cut short", "4 26 101 5 1 7 0 50 50", "4 26 101 5 1 7 0 50 50 100 100"},
        {"rectangle with right < left", "4 26 101 0 1 0 0 100 100 50 50", "4 26 101 0 1 0 0 50 50 100 100"},
        {"rectangle outside the frame", "4 26 101 0 1 0 0 -50 -50 5000 5000", "4 26 101 0 1 0 0 3 3 1917 1077"},
        {"output channel 9", "4 26 101 0 1 9 0 10 10 20 20", "4 26 101 0 1 0 0 10 10 20 20"},
        {"output channel -1", "4 26 101 0 1 -1 0 10 10 20 20", "4 26 101 0 1 0 0 10 10 20 20"},
        {"unknown kind 3", "4 26 101 0 3 0 0 10 10 20 20", "4 26 101 0 3 0 0 10 10 20 20"},
        {"polygon count beyond its vertices", "4 26 101 0 2 0 99999 10 10 50 10 30 40", "4 26 101 0 1 0 0 50 50 100 100"},
        {"polygon with a negative count", "4 26 101 0 2 0 -5 10 10", "4 26 101 0 1 0 0 50 50 100 100"},
        {"polygon of one vertex", "4 26 101 6 2 3 1 10 10", "4 26 101 6 1 3 0 50 50 100 100"},
        {"circle on the margin has no radius", "4 26 101 0 4 0 0 3 3 40", "4 26 101 0 1 0 0 50 50 100 100"},
        {"circle radius limited", "4 26 101 0 4 0 0 20 500 40", "4 26 101 0 4 0 0 20 500 17"},
        {"number in exponent form", "4 26 1e5 0 1 0 0 10 10 20 20", "3 25 100 0 1 0 0 50 50 100 100"},
    };
    const int n = static_cast<int>(std::size(cases));
    putRow(6, "detect0", QString::number(n));
    for (int k = 0; k < n; ++k)
        putRow(6, QStringLiteral("ROI0-%1").arg(k), QString::fromUtf8(cases[k].stored));
    putRow(6, "detect1", "garbage");

    CammerWidget view(6, kW, kH);
    view.roiSet->load(query(), &view);
    CammerSingleton& set = *view.roiSet;
    ASSERT_EQ(set.roiCount[0], n);
    ASSERT_EQ(set.rois[0].size(), n) << "counts and lists stay in step";
    EXPECT_EQ(set.roiCount[1], 0);
    for (int k = 0; k < n; ++k)
        EXPECT_FALSE(view.roiMask[k].empty()) << cases[k].what;

    ASSERT_TRUE(set.save(query()));
    const auto table = rows(6);
    for (int k = 0; k < n; ++k)
        EXPECT_EQ(table.at(QStringLiteral("ROI0-%1").arg(k)), QString::fromUtf8(cases[k].saved)) << cases[k].what;
}

TEST_F(RegionSetTest, AFailingStatementLeavesTheWholeTableAsItWas)
{
    CammerWidget view(3, kW, kH);
    view.roiSet->load(query(), &view);
    fill(*view.roiSet);
    ASSERT_TRUE(view.roiSet->save(query()));
    const auto before = rows(3);

    // The disk refuses the row of the region added to detect 3, after detect 0 was rewritten.
    sqlite(QStringLiteral("create trigger refuse before insert on cammer3 when new.name = 'ROI3-1' "
                          "begin select raise(abort, 'disk full'); end"));
    CammerSingleton& set = *view.roiSet;
    set.minWH[0] = 99;
    set.roiCount[0] = 1;
    CammerSingleton::clearRois(set.rois[0]);
    set.rois[0].append(shapeFromRow(1, QStringLiteral("0 60 60 70 70")));
    set.shapeKind[151] = 1;
    set.roiCount[3] = 2;
    set.rois[3].append(shapeFromRow(1, QStringLiteral("0 10 10 20 20")));
    EXPECT_FALSE(set.save(query()));
    EXPECT_EQ(rows(3), before);

    // The store's connection is usable afterwards: no transaction was left open.
    sqlite(QStringLiteral("drop trigger refuse"));
    EXPECT_TRUE(set.save(query()));
    EXPECT_EQ(rowValue(3, "ROI3-1"), "0 0 0 0 1 2 0 10 10 20 20");
    EXPECT_EQ(rowValue(3, "ROI0-1"), "<missing>");
}

TEST_F(RegionSetTest, ASetWhoseCountDisagreesWithItsListIsNotSaved)
{
    CammerWidget view(4, kW, kH);
    view.roiSet->load(query(), &view);
    fill(*view.roiSet);
    ASSERT_TRUE(view.roiSet->save(query()));
    const auto before = rows(4);
    view.roiSet->roiCount[3] = 2;  // list 3 holds one shape
    EXPECT_FALSE(view.roiSet->save(query()));
    EXPECT_EQ(rows(4), before);
}

TEST_F(RegionSetTest, SaveWritesMissingDetectRows)
{
    // A set saved into a table it was never loaded from.
    CammerSingleton set(5);
    fill(set);
    ASSERT_TRUE(set.save(query()));
    EXPECT_EQ(rowValue(5, "detect0"), "3 0 0 0 0 0 0 0 0");
    EXPECT_EQ(rowValue(5, "detect7"), "0 0 0 0 0 0 0 0 0");
    EXPECT_EQ(rows(5).size(), 12u);
}

// ---- copy and compare (no database) ----------------------------------------------------------

TEST(RegionSetCopy, CopiesAreDeepAndCompareEqual)
{
    auto source = std::make_unique<CammerSingleton>(1);
    fill(*source);
    CammerSingleton copy(7);
    copy.copyFrom(*source);
    EXPECT_TRUE(copy.equals(*source));
    EXPECT_EQ(copy.cameraIndex, 1);
    ASSERT_EQ(copy.rois.size(), 8);
    ASSERT_EQ(copy.rois[0].size(), 3);
    EXPECT_NE(copy.rois[0][0], source->rois[0][0]) << "new shapes, not shared pointers";
    EXPECT_EQ(copy.rois[0][1]->type(), ShapeCircle);
    EXPECT_EQ(copy.rois[0][1]->toText(), "0 200 150 655400");
    EXPECT_EQ(copy.rois[0][2]->toText(), "3 10 10 50 10 30 40 ");
    EXPECT_EQ(copy.detectReserved[3][7], 8);

    // Selecting does not count; one pixel does.
    copy.rois[0][0]->setSelected(true);
    EXPECT_TRUE(copy.equals(*source));
    copy.rois[0][0]->moveBy(1, 0, kW, kH);
    EXPECT_FALSE(copy.equals(*source));
    copy.rois[0][0]->moveBy(-1, 0, kW, kH);
    copy.area[399] = 1;  // slots beyond a detect's count count too
    EXPECT_FALSE(copy.equals(*source));
    copy.area[399] = 0;
    copy.detectReserved[7][7] = 1;
    EXPECT_FALSE(copy.equals(*source));
    copy.detectReserved[7][7] = 0;
    EXPECT_TRUE(copy.equals(*source));

    // The copy outlives its source (the detection engine keeps a pointer to a set).
    source.reset();
    EXPECT_EQ(copy.rois[0][0]->toText(), "0 50 50 100 100");
}

TEST(RegionSetCopy, CopyIntoASetWithMoreListsLeavesTheExtraListsEmpty)
{
    CammerSingleton source(0);
    fill(source);
    source.rois.removeLast();
    CammerSingleton target(0);
    fill(target);
    target.rois.append(QList<ROIInterface*>{new ClustomRect});
    target.copyFrom(source);
    ASSERT_EQ(target.rois.size(), 9);
    EXPECT_TRUE(target.rois[7].isEmpty());
    EXPECT_TRUE(target.rois[8].isEmpty());
    EXPECT_FALSE(target.equals(source)) << "the number of lists differs";
    target.copyFrom(target);  // copying a set onto itself keeps it
    EXPECT_EQ(target.rois[0].size(), 3);
}

TEST(RegionSetCopy, ShapeFactoryAndMetaType)
{
    struct Case {
        int kind;
        int type;
    };
    for (const Case& c : {Case{1, 1}, Case{2, 2}, Case{4, 4}, Case{3, 1}, Case{0, 1}, Case{-7, 1}}) {
        std::unique_ptr<ROIInterface> shape(createRoiShape(c.kind));
        EXPECT_EQ(shape->type(), c.type) << c.kind;
        EXPECT_FALSE(shape->isSelected());
        EXPECT_EQ(shape->width(), 0);
    }
    const int id = registerCammerSingletonMetaType();
    EXPECT_EQ(registerCammerSingletonMetaType(), id);
    EXPECT_EQ(QMetaType::type("CammerSingleton *"), id);
    CammerSingleton set(0);
    const QVariant v = QVariant::fromValue(&set);
    EXPECT_EQ(v.userType(), id);
    EXPECT_EQ(v.value<CammerSingleton*>(), &set);
}

}  // namespace
