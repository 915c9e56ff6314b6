// Thermometry of the network thermal camera driver: the basic set-up at open, the parameter
// setters, the rules written from the temperature regions, the realtime results and the
// temperature readout.
#include "cameras/hikir/hikircamera.h"

#include "cameras/hikir/recordbytes.h"
#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/roiinterface.h"
#include "platform/hcnetsdk/hcnetsdk.h"

#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Basic thermometry: enabled with 6766, read with 3621, written with 3622.
constexpr unsigned kThermometryEnableCommand = 6766;
constexpr unsigned kThermometryEnableBytes = 68;
constexpr unsigned kBasicGetCommand = 3621;
constexpr unsigned kBasicSetCommand = 3622;
constexpr unsigned kBasicBytes = 136;
constexpr unsigned kRangeAt = 7;
// Highest temperature range the driver selects.
constexpr int kMaxRange = 2;
// Further thermal set-up records: read, one field changed, written with the next command.
constexpr unsigned kThermalModeGetCommand = 3305;
constexpr unsigned kThermalModeSetCommand = 3306;
constexpr unsigned kThermalModeBytes = 76;
constexpr unsigned kAlarmGetCommand = 1002;
constexpr unsigned kAlarmSetCommand = 1003;
constexpr unsigned kAlarmBytes = 7752;
// Rules of a preset: read with 3624, written with 3625.
constexpr unsigned kRulesGetCommand = 3624;
constexpr unsigned kRulesSetCommand = 3625;
constexpr unsigned kRulesBytes = 8168;
constexpr unsigned kRuleRecordsAt = 8;
constexpr unsigned kRuleRecordBytes = 204;
constexpr unsigned kRuleRecords = 40;
constexpr unsigned kConditionBytes = 72;
constexpr unsigned kRuleNameAt = 16;
constexpr unsigned kRuleNameBytes = 32;
constexpr unsigned kStatusBufferBytes = 8192;

constexpr int kRegionsPerDetect = CammerSingleton::kRoisPerDetect;
constexpr int kRegionSlots = CammerSingleton::kSlots;
// Detects that carry temperature regions: 0 measures points, 1 areas.
constexpr int kThermalDetects = 2;
constexpr int kTemperatureTool = 9;

// Status values of remote configuration.
constexpr unsigned kStatusSuccess = 1000;
constexpr unsigned kStatusFailed = 1002;

enum RuleKind { PointRule = 0, BoxRule = 1, LineRule = 2 };

unsigned high16(int v)
{
    return static_cast<unsigned>(v) >> 16;
}

unsigned low16(int v)
{
    return static_cast<unsigned>(v) & 0xFFFFu;
}

// A thermometry request under the condition `cond` (a channel number or a condition record).
NET_DVR_STD_CONFIG conditionRequest(void* cond, unsigned condBytes)
{
    NET_DVR_STD_CONFIG request;
    std::memset(&request, 0, sizeof request);
    request.lpCondBuffer = cond;
    request.dwCondSize = condBytes;
    return request;
}

// A thermometry request whose condition is the channel number.
NET_DVR_STD_CONFIG channelRequest(int* channel)
{
    return conditionRequest(channel, sizeof *channel);
}

// Reads configuration `getCommand` of the channel, lets `change` edit it and writes it back with
// `setCommand`. A record that cannot be read is not written: the device keeps its own settings
// rather than receive a zeroed record.
template <typename Change>
void rewriteDvrConfig(int user, int channel, unsigned getCommand, unsigned setCommand, unsigned bytes, Change change)
{
    ByteRecord record(bytes, 0);
    unsigned returned = 0;
    if (!NET_DVR_GetDVRConfig(user, getCommand, channel, record.data(), bytes, &returned)) {
        qInfo("configuration %u get failed, error code: %u", getCommand, NET_DVR_GetLastError());
        return;
    }
    change(record);
    if (!NET_DVR_SetDVRConfig(user, setCommand, channel, record.data(), bytes))
        qInfo("configuration %u set failed, error code: %u", setCommand, NET_DVR_GetLastError());
}

// Time of a result: year - 2000 in bits 26..31, month 22..25, day 17..21, hour 12..16,
// minute 6..11, second 0..5.
struct ResultTime {
    unsigned year, month, day, hour, minute, second;
};

ResultTime decodeTime(unsigned t)
{
    return {2000 + (t >> 26), (t >> 22) & 0xF, (t >> 17) & 0x1F, (t >> 12) & 0x1F, (t >> 6) & 0x3F, t & 0x3F};
}

}  // namespace

int HikIRCamera::slotValue(const int (&values)[8], int fallback) const
{
    if (!activeParams || m_cameraSlot < 0 || m_cameraSlot >= 8)
        return fallback;
    return values[m_cameraSlot];
}

void HikIRCamera::setUpThermometry()
{
    int requestChannel = channel;

    ByteRecord enable(kThermometryEnableBytes, 0);
    putField<unsigned>(enable, 0, kThermometryEnableBytes);
    putField<unsigned short>(enable, 4, 1);
    NET_DVR_STD_CONFIG request = channelRequest(&requestChannel);
    request.lpInBuffer = enable.data();
    request.dwInSize = kThermometryEnableBytes;
    request.lpStatusBuffer = statusBuffer.data();
    request.dwStatusSize = kStatusBufferBytes;
    if (!NET_DVR_SetSTDConfig(userId, kThermometryEnableCommand, &request))
        qInfo("测温基本参数配置 set failed, error code: %u", NET_DVR_GetLastError());

    const int range = activeParams ? slotValue(activeParams->contrast, -1) : -1;
    sendBasicThermometry(true, range);

    rewriteDvrConfig(userId, channel, kThermalModeGetCommand, kThermalModeSetCommand, kThermalModeBytes,
                     [](ByteRecord& r) { putField<unsigned short>(r, 4, 2); });
    rewriteDvrConfig(userId, channel, kAlarmGetCommand, kAlarmSetCommand, kAlarmBytes, [](ByteRecord& r) {
        putField<unsigned>(r, 104, 0);
        putField<unsigned>(r, 7676, 0);
    });
}

void HikIRCamera::sendBasicThermometry(bool setUp, int range)
{
    int requestChannel = channel;
    ByteRecord basic(kBasicBytes, 0);
    NET_DVR_STD_CONFIG get = channelRequest(&requestChannel);
    get.lpOutBuffer = basic.data();
    get.dwOutSize = kBasicBytes;
    get.lpStatusBuffer = statusBuffer.data();
    get.dwStatusSize = static_cast<unsigned>(statusBuffer.size());
    if (!NET_DVR_GetSTDConfig(userId, kBasicGetCommand, &get)) {
        qInfo("测温基本参数配置 get failed, error code: %u", NET_DVR_GetLastError());
        return;
    }
    qInfo("测温基本参数配置 get is successful!");

    if (setUp) {
        putField<unsigned short>(basic, 4, 1);
        basic[8] = 0;
        basic[11] = 0;
        putField<float>(basic, 12, 0.2f);
        basic[16] = 2;
        putField<unsigned>(basic, 40, 28);
        basic[49] = 1;
        putField<unsigned short>(basic, 50, 1);
        putField<float>(basic, 52, 26.0f);
        for (unsigned at = 72; at <= 75; ++at)
            basic[at] = 1;
        basic[84] = 255;
    }
    // A negative range (unknown slot) leaves the device's range alone.
    if (range >= 0)
        basic[kRangeAt] = static_cast<unsigned char>(std::min(range, kMaxRange));

    NET_DVR_STD_CONFIG set = channelRequest(&requestChannel);
    set.lpInBuffer = basic.data();
    set.dwInSize = kBasicBytes;
    if (NET_DVR_SetSTDConfig(userId, kBasicSetCommand, &set))
        qInfo("测温基本参数配置 set is successful!");
    else
        qInfo("测温基本参数配置 set failed, error code: %u", NET_DVR_GetLastError());
}

void HikIRCamera::setThermometryParameter(int kind, int value)
{
    if (m_channelKind != 2)
        return;
    constexpr int kContrastKind = 3;
    sendBasicThermometry(false, kind == kContrastKind ? std::max(value, 0) : -1);
}

void HikIRCamera::setExposureTime(int milliseconds)
{
    setThermometryParameter(0, milliseconds);
}

void HikIRCamera::setGain(int level)
{
    setThermometryParameter(1, level);
}

void HikIRCamera::setSharpness(int level)
{
    setThermometryParameter(2, level);
}

void HikIRCamera::setContrast(int level)
{
    setThermometryParameter(3, level);
}

void HikIRCamera::setGamma(int level)
{
    setThermometryParameter(4, level);
}

void HikIRCamera::setDetectConfig(QVariant config, int flag)
{
    if (flag != 0 || !config.canConvert<CammerSingleton*>())
        return;
    const CammerSingleton* regions = config.value<CammerSingleton*>();
    if (!regions)
        return;
    // The region set belongs to the camera's own view: its camera index is the camera's slot.
    if (regions->cameraIndex >= 0 && regions->cameraIndex < 8)
        setCameraSlot(regions->cameraIndex);
    writeRules(*regions);
}

void HikIRCamera::writeRules(const CammerSingleton& regions)
{
    ByteRecord condition(kConditionBytes, 0);
    putField<unsigned>(condition, 0, kConditionBytes);
    putField<unsigned>(condition, 4, static_cast<unsigned>(channel));
    putField<unsigned short>(condition, 8, 1);
    ByteRecord rules(kRulesBytes, 0);
    putField<unsigned>(rules, 0, kRulesBytes);
    putField<unsigned short>(rules, 4, 1);

    NET_DVR_STD_CONFIG get = conditionRequest(condition.data(), kConditionBytes);
    get.lpOutBuffer = rules.data();
    get.dwOutSize = kRulesBytes;
    const bool haveRules = NET_DVR_GetSTDConfig(userId, kRulesGetCommand, &get) != 0;
    if (haveRules)
        qInfo("预置点获取 is successful!");
    else
        qInfo("预置点获取 failed, error code: %u", NET_DVR_GetLastError());

    std::fill(std::begin(regionMode), std::end(regionMode), 0);
    std::fill(std::begin(regionOffset), std::end(regionOffset), 0);

    const int distance = activeParams ? slotValue(activeParams->distance, -1) : -1;
    const double w = width;
    const double h = height;
    for (int d = 0; d < kThermalDetects && d < regions.rois.size(); ++d) {
        const int count = std::min({regions.roiCount[d], kRegionsPerDetect, static_cast<int>(regions.rois[d].size())});
        for (int k = 0; k < count; ++k) {
            const int s = kRegionsPerDetect * d + k;
            if (regions.toolType[s] != kTemperatureTool || regions.shapeKind[s] != ShapeRectangle || !regions.rois[d][k])
                continue;
            regionMode[s] = static_cast<int>(high16(regions.sensitivity[s]));
            regionOffset[s] = static_cast<short>(high16(regions.minWH[s]));
            // Rules exist for regions 0..9 of each detect only (rule ids 1..20).
            if (k >= kRuledRegionsPerDetect)
                continue;
            const QRect rect = *regions.rois[d][k];
            const unsigned at = kRuleRecordsAt + kRuleRecordBytes * static_cast<unsigned>(k + kRuledRegionsPerDetect * d);
            ByteRecord rule(rules.begin() + at, rules.begin() + at + kRuleRecordBytes);
            rule[0] = 1;
            rule[1] = static_cast<unsigned char>(k + kRuledRegionsPerDetect * d + 1);
            if (distance >= 0)
                putField<unsigned short>(rule, 2, static_cast<unsigned short>(low16(distance)));
            putField<float>(rule, 4, static_cast<float>(low16(regions.minWH[s]) / 100.0));
            rule[8] = 2;
            rule[11] = 1;
            putField<float>(rule, 12, static_cast<float>(high16(regions.area[s])));
            const QByteArray name = QByteArray::number(k).left(kRuleNameBytes - 1);
            std::fill(rule.begin() + kRuleNameAt, rule.begin() + kRuleNameAt + kRuleNameBytes, 0);
            std::copy(name.begin(), name.end(), rule.begin() + kRuleNameAt);
            rule[111] = static_cast<unsigned char>(d);
            if (d == 0) {
                const QPoint centre = rect.center();
                putField<float>(rule, 112, static_cast<float>(centre.x() / w));
                putField<float>(rule, 116, static_cast<float>(centre.y() / h));
            } else {
                putField<unsigned>(rule, 120, 4);
                const QPoint corners[4] = {rect.topLeft(), rect.topRight(), rect.bottomRight(), rect.bottomLeft()};
                for (int c = 0; c < 4; ++c) {
                    putField<float>(rule, 124 + 8 * c, static_cast<float>(corners[c].x() / w));
                    putField<float>(rule, 128 + 8 * c, static_cast<float>(corners[c].y() / h));
                }
            }
            std::copy(rule.begin(), rule.end(), rules.begin() + at);
        }
    }

    // Without the device's own rules, writing would replace them with empty records.
    if (!haveRules)
        return;
    NET_DVR_STD_CONFIG set = conditionRequest(condition.data(), kConditionBytes);
    set.lpInBuffer = rules.data();
    set.dwInSize = kRulesBytes;
    if (NET_DVR_SetSTDConfig(userId, kRulesSetCommand, &set))
        qInfo("预置点设置 is successful!");
    else
        qInfo("预置点 failed, error code: %u", NET_DVR_GetLastError());
}

void HikIRCamera::readValue(QVariant request, QVariant* result, int flag)
{
    if (flag != 0 || !result)
        return;
    const QJsonObject json = request.toJsonObject();
    const int detect = json.value(QStringLiteral("detect")).toInt(0);
    const int region = json.value(QStringLiteral("funcNO")).toInt(0);

    int mode = 0;
    int offset = 0;
    const int slot = kRegionsPerDetect * detect + region;
    if (detect >= 0 && region >= 0 && region < kRegionsPerDetect && slot < kRegionSlots) {
        mode = regionMode[slot];
        offset = regionOffset[slot];
    }
    // Regions without a rule (detects other than 0 and 1, regions from 10 on) measure nothing.
    float t = 0.0f;
    if (detect >= 0 && detect < kThermalDetects && region >= 0 && region < kRuledRegionsPerDetect) {
        const int rule = kRuledRegionsPerDetect * detect + region + 1;
        std::lock_guard<std::mutex> lock(m_ruleTempsMutex);
        t = mode == 1 ? ruleTemps[rule][1] : (mode == 2 ? ruleTemps[rule][2] : ruleTemps[rule][0]);
    }
    // A reading the device garbled (not a number, infinite) counts as no measurement.
    const double value = std::isfinite(t) ? static_cast<double>(t) + offset : offset;
    *result = static_cast<int>(std::trunc(value));
}

void HikIRCamera::handleThermometry(unsigned type, const void* data, unsigned size)
{
    if (type == NET_SDK_CALLBACK_TYPE_STATUS && data && size >= 4) {
        unsigned status = 0;
        std::memcpy(&status, data, 4);
        if (status == kStatusSuccess) {
            qInfo("dwStatus:NET_SDK_CALLBACK_STATUS_SUCCESS");
        } else if (status == kStatusFailed) {
            unsigned error = 0;
            if (size >= 8)
                std::memcpy(&error, static_cast<const unsigned char*>(data) + 4, 4);
            qInfo("NET_DVR_GET_MANUALTHERM_INFO failed, Error code %u", error);
        }
        return;
    }
    if (type != NET_SDK_CALLBACK_TYPE_DATA || !data || size < sizeof(NET_DVR_THERMOMETRY_UPLOAD))
        return;
    NET_DVR_THERMOMETRY_UPLOAD result;
    std::memcpy(&result, data, sizeof result);
    const ResultTime at = decodeTime(result.dwAbsTime);
    qInfo("实时测温结果:byRuleID[%d]wPresetNo[%d]byRuleCalibType[%d]byThermometryUnit[%d]byDataType[%d]"
          "dwAbsTime[%4.4u%2.2u%2.2u%2.2u%2.2u%2.2u]",
          result.byRuleID, result.wPresetNo, result.byRuleCalibType, result.byThermometryUnit, result.byDataType,
          at.year, at.month, at.day, at.hour, at.minute, at.second);
    float temps[3];
    if (result.byRuleCalibType == PointRule) {
        qInfo("点测温信息:fTemperature[%f]", static_cast<double>(result.fTemperature));
        temps[0] = temps[1] = temps[2] = result.fTemperature;
    } else if (result.byRuleCalibType == BoxRule || result.byRuleCalibType == LineRule) {
        qInfo("框/线测温信息:fMaxTemperature[%f]fMinTemperature[%f]fAverageTemperature[%f]fTemperatureDiff[%f]",
              static_cast<double>(result.fMaxTemperature), static_cast<double>(result.fMinTemperature),
              static_cast<double>(result.fAverageTemperature), static_cast<double>(result.fTemperatureDiff));
        temps[0] = result.fMinTemperature;
        temps[1] = result.fAverageTemperature;
        temps[2] = result.fMaxTemperature;
    } else {
        return;
    }
    if (result.byRuleID < 1 || result.byRuleID > kRuleIds)
        return;
    std::lock_guard<std::mutex> lock(m_ruleTempsMutex);
    std::copy(temps, temps + 3, ruleTemps[result.byRuleID]);
}
