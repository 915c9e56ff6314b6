// Thermometry of the network thermal camera driver against the SDK stand-in: the set-up at open,
// the parameter setters, the rules written from temperature regions and the readout.
#include "hikirdevice.h"

#include "detection/cammersingleton.h"
#include "detection/clustomrect.h"

#include <QJsonObject>
#include <QVariant>

namespace {

// Basic thermometry record as the set-up writes it from the device's record `basic`.
Bytes setUpBasic(Bytes basic, int range)
{
    setFieldOf<unsigned short>(basic, 4, 1);
    basic[7] = static_cast<unsigned char>(range);
    basic[8] = 0;
    basic[11] = 0;
    setFieldOf<float>(basic, 12, 0.2f);
    basic[16] = 2;
    setFieldOf<unsigned>(basic, 40, 28);
    basic[49] = 1;
    setFieldOf<unsigned short>(basic, 50, 1);
    setFieldOf<float>(basic, 52, 26.0f);
    for (int at = 72; at <= 75; ++at)
        basic[at] = 1;
    basic[84] = 255;
    return basic;
}

// A temperature region (tool 9, rectangle) at slot d * 50 + k of `set`.
struct TemperatureRegion {
    int detect;
    int region;
    QRect rect;
    int mode;      // 1 average, 2 maximum, else minimum
    int offset;    // degrees, signed
    int emissivityPercent;
    int areaParameter;
};

void addRegions(CammerSingleton& set, const std::vector<TemperatureRegion>& regions)
{
    while (set.rois.size() < 2)
        set.rois.append(QList<ROIInterface*>());
    for (const TemperatureRegion& r : regions) {
        while (set.rois[r.detect].size() <= r.region) {
            auto* filler = new ClustomRect;
            filler->setRect(10, 10, 20, 20);
            set.rois[r.detect].append(filler);
        }
        static_cast<QRect&>(*set.rois[r.detect][r.region]) = r.rect;
        set.roiCount[r.detect] = std::max(set.roiCount[r.detect], r.region + 1);
        const int s = r.detect * 50 + r.region;
        set.toolType[s] = 9;
        set.shapeKind[s] = 1;
        set.sensitivity[s] = (r.mode << 16) | 0x1234;
        set.minWH[s] = static_cast<int>((static_cast<unsigned>(r.offset) << 16) | static_cast<unsigned>(r.emissivityPercent));
        set.area[s] = (r.areaParameter << 16) | 0x55;
    }
}

QVariant regionSet(CammerSingleton* set)
{
    return QVariant::fromValue(set);
}

NET_DVR_THERMOMETRY_UPLOAD boxResult(int rule, float min, float average, float max)
{
    NET_DVR_THERMOMETRY_UPLOAD r{};
    r.dwSize = sizeof r;
    r.byRuleID = static_cast<unsigned char>(rule);
    r.byRuleCalibType = 1;
    r.wPresetNo = 1;
    r.dwAbsTime = (26u << 26) | (12u << 22) | (10u << 17) | (14u << 12) | (30u << 6) | 5u;
    r.fMinTemperature = min;
    r.fAverageTemperature = average;
    r.fMaxTemperature = max;
    return r;
}

NET_DVR_THERMOMETRY_UPLOAD pointResult(int rule, float t)
{
    NET_DVR_THERMOMETRY_UPLOAD r = boxResult(rule, 0, 0, 0);
    r.byRuleCalibType = 0;
    r.fTemperature = t;
    return r;
}

class HikIRThermometry : public HikIRTest {
protected:
    // A thermal camera of a single-channel device at 640 x 480.
    HikIRCamera* openThermal(int slot = 0)
    {
        m_device = addDevice("192.168.1.64", "DS-1", 1);
        HikIRCamera* cam = camera("192.168.1.64", "IRCamera", false, slot);
        EXPECT_TRUE(cam->open());
        return cam;
    }

    void push(const NET_DVR_THERMOMETRY_UPLOAD& result)
    {
        HCSim_PushRemoteConfig(userOf(m_device), NET_SDK_CALLBACK_TYPE_DATA, &result, sizeof result);
        HCSim_WaitIdle();
    }

    static int read(HikIRCamera* cam, int detect, int region)
    {
        QVariant result;
        cam->readValue(QJsonObject{{"detect", detect}, {"funcNO", region}}, &result, 0);
        return result.isValid() ? result.toInt() : -9999;
    }

    int m_device = -1;
};

TEST_F(HikIRThermometry, OpenSetsUpThermometryOnTheCamerasSlot)
{
    m_params.contrast[0] = 9;
    m_params.contrast[1] = 1;
    openThermal(1);

    Bytes enable(68, 0);
    setFieldOf<unsigned>(enable, 0, 68);
    setFieldOf<unsigned short>(enable, 4, 1);
    EXPECT_EQ(written(m_device, 6766, 1, 68), enable);
    EXPECT_EQ(written(m_device, 3622, 1, 136), setUpBasic(patterned(136, 3), 1));
    Bytes mode = patterned(76, 4);
    setFieldOf<unsigned short>(mode, 4, 2);
    EXPECT_EQ(written(m_device, 3306, 1, 76), mode);
    Bytes alarm = patterned(7752, 5);
    setFieldOf<unsigned>(alarm, 104, 0);
    setFieldOf<unsigned>(alarm, 7676, 0);
    EXPECT_EQ(written(m_device, 1003, 1, 7752), alarm);
    // The enabling and the reading request carry the status buffer.
    EXPECT_EQ(callsStartingWith(QStringLiteral("NET_DVR_SetSTDConfig 6766")), QStringList("NET_DVR_SetSTDConfig 6766 1 68 status 8192"));
    EXPECT_EQ(callsStartingWith(QStringLiteral("NET_DVR_GetSTDConfig 3621")), QStringList("NET_DVR_GetSTDConfig 3621 1 136 status 8192"));
}

TEST_F(HikIRThermometry, OnlyTheContrastChangesTheTemperatureRange)
{
    HikIRCamera* cam = openThermal();
    const Bytes device = patterned(136, 3);
    struct Case {
        const char* what;
        std::function<void()> set;
        Bytes expected;
    };
    Bytes range2 = device;
    range2[7] = 2;
    Bytes range1 = device;
    range1[7] = 1;
    const Case cases[] = {
        {"contrast 5 selects range 2", [&] { cam->setContrast(5); }, range2},
        {"contrast 1 selects range 1", [&] { cam->setContrast(1); }, range1},
        {"exposure re-sends the record", [&] { cam->setExposureTime(30); }, device},
        {"gain re-sends the record", [&] { cam->setGain(40); }, device},
        {"sharpness re-sends the record", [&] { cam->setSharpness(2); }, device},
        {"gamma re-sends the record", [&] { cam->setGamma(100); }, device},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HCSim_SetRecord(m_device, 3622, 1, nullptr, 0);
        c.set();
        EXPECT_EQ(written(m_device, 3622, 1, 136), c.expected);
    }

    // A device that refuses the read gets no record written over its own.
    HCSim_FailCommand(m_device, 3621, NET_DVR_NOSUPPORT);
    HCSim_SetRecord(m_device, 3622, 1, nullptr, 0);
    cam->setContrast(2);
    EXPECT_EQ(written(m_device, 3622, 1, 136), Bytes());
}

TEST_F(HikIRThermometry, TheVisibleChannelIgnoresTheSetters)
{
    addDevice("192.168.1.64", "DS-1", 2);
    HikIRCamera* cam = camera("192.168.1.64", "RGBCamera");
    ASSERT_TRUE(cam->open());
    const int before = calls().size();
    cam->setContrast(2);
    cam->setGain(3);
    cam->setExposureTime(4);
    EXPECT_EQ(calls().size(), before);
}

TEST_F(HikIRThermometry, RulesAreWrittenForTemperatureRegionsZeroToNine)
{
    m_params.distance[0] = 0x70003;  // only the low 16 bits go into a rule
    HikIRCamera* cam = openThermal();
    CammerSingleton set(0);
    addRegions(set, {
                        {0, 0, QRect(100, 50, 200, 100), 2, -3, 95, 5},
                        {1, 3, QRect(64, 48, 320, 240), 1, 4, 90, 6},
                        {1, 11, QRect(0, 0, 64, 48), 1, 7, 80, 7},
                    });
    // A region of another tool and a polygon-kind region get no rule.
    addRegions(set, {{0, 1, QRect(5, 5, 10, 10), 0, 0, 0, 0}});
    set.toolType[1] = 0;
    addRegions(set, {{0, 2, QRect(5, 5, 10, 10), 0, 0, 0, 0}});
    set.shapeKind[2] = 2;
    cam->setDetectConfig(regionSet(&set), 0);

    Bytes wantCondition(72, 0);
    setFieldOf<unsigned>(wantCondition, 0, 72);
    setFieldOf<unsigned>(wantCondition, 4, 1);
    setFieldOf<unsigned short>(wantCondition, 8, 1);
    EXPECT_EQ(condition(m_device, 3624, 1, 72), wantCondition);
    EXPECT_EQ(condition(m_device, 3625, 1, 72), wantCondition);

    const Bytes device = patterned(8168, 6);
    const Bytes rules = written(m_device, 3625, 1, 8168);
    ASSERT_EQ(rules.size(), 8168u);
    auto ruleRecord = [](const Bytes& all, int index) {
        const long at = 8 + 204L * index;
        return Bytes(all.begin() + at, all.begin() + at + 204);
    };

    // Detect 0, region 0: a point rule at the rectangle's centre.
    Bytes point = ruleRecord(device, 0);
    point[0] = 1;
    point[1] = 1;
    setFieldOf<unsigned short>(point, 2, 3);
    setFieldOf<float>(point, 4, 0.95f);
    point[8] = 2;
    point[11] = 1;
    setFieldOf<float>(point, 12, 5.0f);
    std::fill(point.begin() + 16, point.begin() + 48, 0);
    point[16] = '0';
    point[111] = 0;
    setFieldOf<float>(point, 112, static_cast<float>(199 / 640.0));
    setFieldOf<float>(point, 116, static_cast<float>(99 / 480.0));
    EXPECT_EQ(ruleRecord(rules, 0), point);

    // Detect 1, region 3: record 13, rule id 14, an area with the rectangle's four corners.
    Bytes area = ruleRecord(device, 13);
    area[0] = 1;
    area[1] = 14;
    setFieldOf<unsigned short>(area, 2, 3);
    setFieldOf<float>(area, 4, 0.90f);
    area[8] = 2;
    area[11] = 1;
    setFieldOf<float>(area, 12, 6.0f);
    std::fill(area.begin() + 16, area.begin() + 48, 0);
    area[16] = '3';
    area[111] = 1;
    setFieldOf<unsigned>(area, 120, 4);
    const float corners[8] = {0.1f, 0.1f, 383 / 640.0f, 0.1f, 383 / 640.0f, 287 / 480.0f, 0.1f, 287 / 480.0f};
    for (int i = 0; i < 8; ++i)
        setFieldOf<float>(area, 124 + 4 * static_cast<std::size_t>(i), corners[i]);
    EXPECT_EQ(ruleRecord(rules, 13), area);

    // Every other record goes back as the device reported it, region 11 of detect 1 included.
    for (int index = 0; index < 40; ++index) {
        if (index != 0 && index != 13) {
            EXPECT_EQ(ruleRecord(rules, index), ruleRecord(device, index)) << "record " << index;
        }
    }
    EXPECT_EQ(Bytes(rules.begin(), rules.begin() + 8), Bytes(device.begin(), device.begin() + 8));

    // A flag other than 0, or no region set, writes nothing.
    HCSim_SetRecord(m_device, 3625, 1, nullptr, 0);
    cam->setDetectConfig(regionSet(&set), 1);
    cam->setDetectConfig(QVariant(), 0);
    EXPECT_EQ(written(m_device, 3625, 1, 8168), Bytes());
    for (QList<ROIInterface*>& list : set.rois)
        CammerSingleton::clearRois(list);
}

TEST_F(HikIRThermometry, ReadoutTakesTheRegionsTemperatureTypeAndOffset)
{
    HikIRCamera* cam = openThermal();
    // Before the first region set: the minimum of the rule, no offset.
    push(boxResult(1, 21.9f, 30.0f, 40.0f));
    EXPECT_EQ(read(cam, 0, 0), 21);

    CammerSingleton set(0);
    addRegions(set, {
                        {0, 0, QRect(100, 50, 200, 100), 2, -3, 95, 5},
                        {0, 1, QRect(10, 10, 50, 50), 0, 0, 95, 5},
                        {0, 2, QRect(10, 10, 50, 50), 1, 0, 95, 5},
                        {1, 3, QRect(64, 48, 320, 240), 1, 4, 90, 6},
                        {1, 11, QRect(0, 0, 64, 48), 1, 7, 80, 7},
                    });
    cam->setDetectConfig(regionSet(&set), 0);

    push(boxResult(1, 20.5f, 30.2f, 40.9f));
    push(pointResult(2, -2.7f));
    push(boxResult(3, 25.0f, 26.5f, 28.0f));
    push(boxResult(14, 50.0f, 61.9f, 70.0f));
    push(boxResult(21, 99.0f, 99.0f, 99.0f));  // no such rule: not stored
    struct Case {
        const char* what;
        int detect;
        int region;
        int expected;
    };
    const Case cases[] = {
        {"maximum with offset -3", 0, 0, 37},
        {"point rule, minimum, truncated toward zero", 0, 1, -2},
        {"average", 0, 2, 26},
        {"detect 1 region 3 reads rule 14 and slot 53", 1, 3, 65},
        {"region 11 has no rule: only its offset", 1, 11, 7},
        {"a rule without results reads its offset", 0, 4, 0},
        {"a detect without rules", 2, 0, 0},
        {"a negative region", 0, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(read(cam, c.detect, c.region), c.expected);
    }

    // Results of a later rule set-up replace the old ones; a flag other than 0 answers nothing.
    push(boxResult(14, 10.0f, 11.0f, 12.0f));
    EXPECT_EQ(read(cam, 1, 3), 15);
    QVariant untouched(QStringLiteral("kept"));
    cam->readValue(QJsonObject{{"detect", 1}, {"funcNO", 3}}, &untouched, 1);
    EXPECT_EQ(untouched, QVariant(QStringLiteral("kept")));
    for (QList<ROIInterface*>& list : set.rois)
        CammerSingleton::clearRois(list);
}

TEST_F(HikIRThermometry, StatusReportsAndOtherRuleKindsStoreNothing)
{
    HikIRCamera* cam = openThermal();
    const unsigned success[2] = {1000, 0};
    const unsigned failed[2] = {1002, 23};
    HCSim_PushRemoteConfig(userOf(m_device), NET_SDK_CALLBACK_TYPE_STATUS, success, sizeof success);
    HCSim_PushRemoteConfig(userOf(m_device), NET_SDK_CALLBACK_TYPE_STATUS, failed, sizeof failed);
    NET_DVR_THERMOMETRY_UPLOAD other = boxResult(1, 5, 6, 7);
    other.byRuleCalibType = 3;
    push(other);
    NET_DVR_THERMOMETRY_UPLOAD shortRecord = boxResult(1, 5, 6, 7);
    HCSim_PushRemoteConfig(userOf(m_device), NET_SDK_CALLBACK_TYPE_DATA, &shortRecord, 8);
    HCSim_WaitIdle();
    EXPECT_EQ(read(cam, 0, 0), 0);
}

}  // namespace
