#include "cameras/fotric/camerafotric.h"

#include "cameras/fotric/restconnection.h"
#include "cameras/fotric/thermalrestclient.h"
#include "core/globals.h"
#include "core/systemparam.h"
#include "detection/cammersingleton.h"
#include "detection/pixelconvert.h"
#include "detection/roiinterface.h"

#include <QJsonObject>
#include <QThread>

#include <opencv2/imgproc.hpp>

#include <json/value.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

namespace {

const char* const kIid = "fotriccamera_IID";
// Pause after the client is released, so the camera has let go of the stream before anything
// opens it again.
constexpr int kClosePauseMs = 200;
// Calls of isConnected without a frame after which the camera counts as lost.
constexpr int kLostAfterPolls = 3;
constexpr int kTemperatureTool = 9;
constexpr int kRegionsPerDetect = 50;
constexpr int kDetects = 8;

std::int16_t highHalf(int value)
{
    return static_cast<std::int16_t>(static_cast<std::uint32_t>(value) >> 16);
}

std::uint16_t lowHalf(int value)
{
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(value) & 0xFFFFu);
}

Json::Value xy(int x, int y)
{
    Json::Value point(Json::objectValue);
    point["x"] = x;
    point["y"] = y;
    return point;
}

// The measurement object of region `k` of detect `d`: a point at the rectangle's centre for
// detect 0, the rectangle itself (right and bottom inclusive) otherwise.
Json::Value measureObject(const CammerSingleton& set, int d, int k, double distance)
{
    const int slot = d * kRegionsPerDetect + k;
    const QRect rect = *set.rois[d][k];
    Json::Value object(Json::objectValue);
    object["alarm-t"] = 100;
    object["api-visible"] = true;
    object["distance"] = distance;
    object["emissivity"] = lowHalf(set.minWH[slot]) / 100.0;
    object["mb-slot"] = 0;
    object["osd-visible"] = true;
    object["offset"] = highHalf(set.minWH[slot]);
    object["reflect-t"] = highHalf(set.area[slot]);
    if (d == 0) {
        object["label"] = "P" + std::to_string(k);
        object["pos"] = xy(rect.center().x(), rect.center().y());
    } else {
        object["label"] = "R" + std::to_string(k);
        Json::Value polygon(Json::arrayValue);
        polygon.append(xy(rect.left(), rect.top()));
        polygon.append(xy(rect.left(), rect.bottom()));
        polygon.append(xy(rect.right(), rect.bottom()));
        polygon.append(xy(rect.right(), rect.top()));
        object["polygon"] = polygon;
        object["avg"] = true;
        object["max"] = true;
        object["min"] = true;
        object["layer"] = 0;
    }
    return object;
}

// Member "t" of `value` as a temperature; 0 when missing or not a number.
float temperatureOf(const Json::Value& value)
{
    if (!value.isObject() || !value["t"].isNumeric())
        return 0.0f;
    return value["t"].asFloat();
}

}  // namespace

CameraFotric::CameraFotric(QObject* parent)
    : CameraInterface(parent)
{
}

CameraFotric::~CameraFotric()
{
    close();
}

QStringList CameraFotric::candidateAddresses()
{
    const QByteArray configured = qgetenv("MONITOR_FOTRIC_ADDRESSES");
    if (!configured.isEmpty()) {
        QStringList addresses;
        for (const QString& part : QString::fromLatin1(configured).split(QLatin1Char(','), Qt::SkipEmptyParts))
            addresses << part.trimmed();
        return addresses;
    }
    return {QStringLiteral("192.168.1.100"), QStringLiteral("192.168.2.100"), QStringLiteral("192.168.3.100"),
            QStringLiteral("192.168.4.100")};
}

QList<CameraInfo*> CameraFotric::enumerate()
{
    // All addresses are probed at once, each on a thread of its own: a probe asks two questions
    // of at most 500 ms each, so the whole enumeration takes about a second however many
    // cameras are configured and however badly they answer, and start-up is not held for a
    // second per silent camera. The threads share nothing but the REST library's credentials,
    // which it guards itself; each writes only its own slot of `statuses`.
    const QStringList addresses = candidateAddresses();
    std::vector<int> statuses(static_cast<std::size_t>(addresses.size()), ThermalRestClient::kNotSent);
    {
        std::vector<std::thread> probes;
        probes.reserve(statuses.size());
        for (int i = 0; i < addresses.size(); ++i) {
            probes.emplace_back([address = addresses[i].toStdString(), &status = statuses[static_cast<std::size_t>(i)]] {
                ThermalRestClient probe(address, std::string(), std::string());
                status = probe.aliveStatus();
            });
        }
        for (std::thread& probe : probes)
            probe.join();
    }

    QList<CameraInfo*> found;
    for (int i = 0; i < addresses.size(); ++i) {
        const QString& address = addresses[i];
        const int status = statuses[static_cast<std::size_t>(i)];
        if (status != 200) {
            qWarning("thermal camera %s left out: %s", qPrintable(address), describeRestFailure(status).c_str());
            continue;
        }
        auto* record = new CameraInfo;
        record->index = found.size();
        record->deviceNo = -1;
        record->iid = QString::fromLatin1(kIid);
        setInfoText(record->sn, address.toLatin1());
        setInfoText(record->address, address.toLatin1());
        found << record;
    }
    return found;
}

CameraInterface* CameraFotric::create(CameraInfo info)
{
    auto* camera = new CameraFotric;
    camera->m_info = info;
    camera->m_address = QString::fromLatin1(infoText(info.sn));
    return camera;
}

QString CameraFotric::iid() const
{
    return QString::fromLatin1(kIid);
}

void CameraFotric::size(int* width, int* height) const
{
    *width = m_width;
    *height = m_height;
}

void CameraFotric::releaseClient()
{
    // The client's destruction stops the stream: no callback runs afterwards.
    m_client.reset();
}

bool CameraFotric::open()
{
    releaseClient();
    auto client = std::make_unique<ThermalRestClient>(m_address.toStdString(), std::string(), std::string());
    if (!client->isAlive()) {
        qWarning("thermal camera %s does not answer", qPrintable(m_address));
        return false;
    }
    const bool sizeUsable = client->width > 0 && client->height > 0 && client->width <= kMaxSensorSide &&
                            client->height <= kMaxSensorSide &&
                            static_cast<long long>(client->width) * client->height <= kMaxSensorPixels;
    if (!sizeUsable) {
        qWarning("thermal camera %s refused: it reports a sensor of %d x %d pixels (usable: 1 to %d a side, at most "
                 "%lld pixels)",
                 qPrintable(m_address), client->width, client->height, kMaxSensorSide, kMaxSensorPixels);
        return false;
    }
    if (!client->loadLut()) {
        qWarning("thermal camera %s: its temperature table cannot be loaded", qPrintable(m_address));
        return false;
    }
    m_width = client->width;
    m_height = client->height;
    const std::size_t pixels = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height);
    m_renderColour = m_colour;
    m_frames.allocate(pixels * (m_renderColour ? 4 : 1));
    m_staging.assign(pixels * 4, 0);
    m_palette = thermalPalette();
    client->setCaliMode(false);
    m_client = std::move(client);
    return true;
}

void CameraFotric::close()
{
    if (!m_client)
        return;
    releaseClient();
    QThread::msleep(kClosePauseMs);
}

bool CameraFotric::startGrab()
{
    return m_client && m_client->startStream(&CameraFotric::onStreamFrame, this);
}

void CameraFotric::stopGrab()
{
    if (m_client)
        m_client->stopStream();
}

bool CameraFotric::reconnect()
{
    const bool waiting = m_frames.hasNewFrame();
    if (waiting)
        m_pollCount = 0;
    return waiting;
}

bool CameraFotric::isConnected()
{
    m_pollCount = std::min(m_pollCount + 1, kLostAfterPolls);
    if (m_pollCount >= kLostAfterPolls) {
        m_frames.discardFrame();
        return false;
    }
    return m_frames.hasNewFrame();
}

QJsonObject CameraFotric::autoAdjust(bool on)
{
    if (on && m_client)
        m_client->calibrate();
    return QJsonObject();
}

void CameraFotric::setConfigKey(const char* key, const Json::Value& value)
{
    if (!m_client)
        return;
    // The camera takes its whole configuration back with one member changed; without a
    // configuration read now nothing is sent, so no partial configuration ever replaces it.
    Json::Value config;
    if (m_client->getConfig(config) != 200 || !config.isObject())
        return;
    config[key] = value;
    m_client->putConfig(config);
}

void CameraFotric::setExposureTime(int hundredths)
{
    setConfigKey("emissivity", hundredths / 100.0);
}

void CameraFotric::setGain(int degrees)
{
    setConfigKey("reflect-t", degrees);
}

void CameraFotric::setSharpness(int degrees)
{
    setConfigKey("ambient-t", degrees);
}

void CameraFotric::setGamma(int hundredths)
{
    setConfigKey("distance", hundredths / 100.0);
}

void CameraFotric::setDetectConfig(QVariant config, int flag)
{
    if (flag != 0 || config.userType() != qMetaTypeId<CammerSingleton*>())
        return;
    const CammerSingleton* set = config.value<CammerSingleton*>();
    if (!set)
        return;
    std::fill(std::begin(m_regionMode), std::end(m_regionMode), 0);
    m_cameraSlot = set->cameraIndex;
    // Objects carry the target distance of this camera's own slot, in the unit of the
    // configuration's "distance" (hundredths in the parameters).
    const bool slotKnown = activeParams && m_cameraSlot >= 0 && m_cameraSlot < 8;
    const double distance = slotKnown ? activeParams->gamma[m_cameraSlot] / 100.0 : 0.0;
    for (int d = 0; d < 2 && d < set->rois.size(); ++d) {
        const int count = std::min({set->roiCount[d], kRegionsPerDetect, static_cast<int>(set->rois[d].size())});
        for (int k = 0; k < count; ++k) {
            const int slot = d * kRegionsPerDetect + k;
            if (set->toolType[slot] != kTemperatureTool || set->shapeKind[slot] != ShapeRectangle || !set->rois[d][k])
                continue;
            m_regionMode[slot] = highHalf(set->sensitivity[slot]);
            if (m_client)
                m_client->putObject(measureObject(*set, d, k, distance), d == 0 ? MeasurePoint : MeasureRegion);
        }
    }
}

void CameraFotric::readValue(QVariant request, QVariant* result, int flag)
{
    if (flag != 0 || !result || !m_client)
        return;
    const QJsonObject fields = request.userType() == QMetaType::QJsonObject
                                   ? request.toJsonObject()
                                   : QJsonObject::fromVariantMap(request.toMap());
    const int detect = fields.value(QStringLiteral("detect")).toInt(0);
    const int region = fields.value(QStringLiteral("funcNO")).toInt(0);
    // A request outside the region slots names no measurement object.
    if (detect < 0 || detect >= kDetects || region < 0 || region >= kRegionsPerDetect)
        return;
    Json::Value reply;
    const bool point = detect == 0;
    const int status = m_client->getObjectValue(reply, point ? MeasurePoint : MeasureRegion,
                                                (point ? "P" : "R") + std::to_string(region));
    // No answer at all (the camera is silent, refuses or breaks off): no reading, the result
    // stays empty. An answer without a temperature reads 0.
    if (status < 0)
        return;
    float celsius = 0.0f;
    if (status == 200 && point) {
        celsius = temperatureOf(reply);
    } else if (status == 200 && reply.isObject()) {
        const int mode = m_regionMode[detect * kRegionsPerDetect + region];
        celsius = temperatureOf(reply[mode == 1 ? "avg" : mode == 2 ? "max" : "min"]);
    }
    *result = QVariant(celsius);
}

void CameraFotric::onStreamFrame(int status, const streamsdk_frame* frame, void* user)
{
    if (status != 0 || !frame || !user)
        return;
    static_cast<CameraFotric*>(user)->renderFrame(*frame);
}

void CameraFotric::renderFrame(const streamsdk_frame& frame)
{
    // A frame of another size than the sensor's cannot be read as one: dropped.
    if (!frame.data || frame.width != m_width || frame.height != m_height)
        return;
    m_frames.publish([&](unsigned char* output, std::size_t) {
        if (m_renderColour) {
            renderThermalFrame(frame.data, m_width, m_height, m_palette, output);
            return;
        }
        renderThermalFrame(frame.data, m_width, m_height, m_palette, m_staging.data());
        rgb32ToGray(output, m_staging.data(), m_width, m_height);
        cv::Mat grey(m_height, m_width, CV_8UC1, output);
        cv::Mat smoothed(m_height, m_width, CV_8UC1, m_staging.data());
        cv::medianBlur(grey, smoothed, 3);
        cv::bilateralFilter(smoothed, grey, 3, 50, 25);
    });
}
