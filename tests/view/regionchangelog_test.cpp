// The operation-log lines of saved region changes: which regions get a line, what the line says
// in English, and when alignment and positioning must be trained again.
#include "core/globals.h"
#include "core/systemparam.h"
#include "core/texttable.h"
#include "detection/cammersingleton.h"
#include "detection/clustomrect.h"
#include "detection/tooltype.h"
#include "view/regionchangelog.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class RegionChangeLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fillTextTable();
        currentLanguage = 1;
        params = std::make_unique<SystemParam>();
        activeParams = params.get();
        for (CammerSingleton* set : {&before, &after}) {
            while (set->rois.size() < CammerSingleton::kDetects)
                set->rois.append(QList<ROIInterface*>());
        }
    }
    void TearDown() override
    {
        activeParams = nullptr;
        currentLanguage = 0;
    }

    // Region k of detect d in `set`: a rectangle with tool and parameters.
    static void put(CammerSingleton& set, int d, int k, const QRect& r, int tool, int p1, int p2, int p3)
    {
        auto* shape = new ClustomRect;
        shape->setRect(r.x(), r.y(), r.width(), r.height());
        if (k < set.rois[d].size()) {
            delete set.rois[d][k];
            set.rois[d][k] = shape;
        } else {
            set.rois[d].append(shape);
        }
        set.roiCount[d] = set.rois[d].size();
        const int s = d * 50 + k;
        set.toolType[s] = tool;
        set.minWH[s] = p1;
        set.sensitivity[s] = p2;
        set.area[s] = p3;
    }
    QStringList lines(bool* positioning = nullptr)
    {
        bool flag = false;
        const QStringList out = RegionChangeLog::lines(before, after, 2, 0, &flag);
        if (positioning)
            *positioning = flag;
        return out;
    }

    std::unique_ptr<SystemParam> params;
    CammerSingleton before{0};
    CammerSingleton after{0};
};

const QRect kBox(10, 10, 40, 30);

}  // namespace

TEST_F(RegionChangeLogTest, KeptRegionsWriteOnlyWhatChanged)
{
    // Spot P1: minimum grey in the low byte, maximum in the second byte. Temperature: signed
    // 16-bit halves.
    struct Case {
        const char* name;
        int tool;
        int oldP[3];
        int newP[3];
        QString expected;  // empty: no line
    };
    const int minus5Low = int(0x0001FFFBu);  // high half 1, low half -5
    const Case cases[] = {
        {"spot grey band", ToolType::Spot, {0x3200, 80, 500}, {0x4A05, 80, 500},
         QStringLiteral("Detection Prod of camera 1 Changed the rectangular  area 1, The function is Spot detection "
                        ", Changing the minimum gradation from 0 to 5，Changing the maximum gradation from 50 to 74")},
        {"temperature below zero", ToolType::Temperature, {90, 65616, 1310840}, {90, minus5Low, 1310840},
         QStringLiteral("Detection Prod of camera 1 Changed the rectangular  area 1, The function is Temperature alarm "
                        ", Changing the Low temperature alarm from 80 to -5")},
        {"defect sensitivity", ToolType::Defect, {5, 25, 100}, {5, 30, 100},
         QStringLiteral("Detection Prod of camera 1 Changed the rectangular  area 1, The function is Defect detection"
                        ", Changing the sensitivity  from 25 to 30")},
        {"nothing changed", ToolType::Defect, {5, 25, 100}, {5, 25, 100}, QString()},
    };
    for (const Case& c : cases) {
        put(before, 0, 0, kBox, c.tool, c.oldP[0], c.oldP[1], c.oldP[2]);
        put(after, 0, 0, kBox, c.tool, c.newP[0], c.newP[1], c.newP[2]);
        const QStringList out = lines();
        if (c.expected.isEmpty())
            EXPECT_TRUE(out.isEmpty()) << c.name << ": " << out.join(QLatin1Char('|')).toStdString();
        else
            EXPECT_EQ(out, QStringList{c.expected}) << c.name;
    }
}

TEST_F(RegionChangeLogTest, ToolChangeAloneWritesNoLineButAMoveDoes)
{
    put(before, 0, 0, kBox, ToolType::Defect, 5, 25, 100);
    put(after, 0, 0, kBox, ToolType::Ignore, 5, 25, 100);
    EXPECT_TRUE(lines().isEmpty());

    put(after, 0, 0, kBox.translated(5, 0), ToolType::Ignore, 5, 25, 100);
    const QStringList out = lines();
    ASSERT_EQ(out.size(), 1);
    EXPECT_TRUE(out[0].contains(tableText(82) + RegionChangeLog::toolName(ToolType::Defect) + tableText(83)));
    EXPECT_TRUE(out[0].endsWith(tableText(98)));
}

TEST_F(RegionChangeLogTest, DeletedAndAddedRegionsAreNumberedAndPositioningIsNoticed)
{
    for (int k = 0; k < 4; ++k)
        put(before, 0, k, kBox.translated(50 * k, 0), k == 3 ? ToolType::Position : ToolType::Defect, 5, 25, 100);
    for (int k = 0; k < 2; ++k)
        put(after, 0, k, kBox.translated(50 * k, 0), ToolType::Defect, 5, 25, 100);
    put(after, 1, 0, kBox, ToolType::Spot, 0x3200, 80, 500);

    bool positioning = false;
    const QStringList out = lines(&positioning);
    ASSERT_EQ(out.size(), 3);
    EXPECT_EQ(out[0], QStringLiteral("Detection Prod of camera 1 Deleted rectangular  area 3, function is ")
                          + RegionChangeLog::toolName(ToolType::Defect));
    EXPECT_TRUE(out[1].contains(QStringLiteral("Deleted rectangular  area 4")));
    EXPECT_TRUE(out[1].endsWith(tableText(21)));
    EXPECT_EQ(out[2], QStringLiteral("Detection Mold of camera 1 Added rectangular  area 1, function is Spot Detection, "
                                     "the minimum gradation is 0,the maximum gradation is 50, the minimum area is 80,"
                                     "the maximum area is 500"));
    EXPECT_TRUE(positioning) << "a deleted positioning region retrains alignment";

    // Without any positioning region nothing is retrained.
    put(before, 0, 3, kBox, ToolType::Defect, 5, 25, 100);
    lines(&positioning);
    EXPECT_FALSE(positioning);
}
