#include "cameras/fotric/thermalrestclient.h"

#include "cameras/fotric/restconnection.h"
#include "platform/planck/planck.h"

#include <QtGlobal>

#include <json/value.h>

#include <climits>
#include <cstdlib>
#include <exception>

namespace {

constexpr int kProbeTimeoutMs = 500;
// A temperature readout runs inside a check on the cycle's thread: a camera on the local network
// answers in milliseconds, and a silent one must not hold the cycle longer than this.
constexpr int kReadoutTimeoutMs = 500;
constexpr float kZeroCelsius = 273.15f;
constexpr const char* kStreamPath = "/video/raw";

// An int member of an object reply; false when missing or not an integer.
bool intMember(const Json::Value& value, const char* key, int& out)
{
    if (!value.isObject())
        return false;
    const Json::Value& member = value[key];
    if (!member.isInt())
        return false;
    out = member.asInt();
    return true;
}

bool numberMember(const Json::Value& value, const char* key, float& out)
{
    if (!value.isObject())
        return false;
    const Json::Value& member = value[key];
    if (!member.isNumeric())
        return false;
    out = member.asFloat();
    return true;
}

// "a.b.c.d" or "a.b.c.d:port".
void splitAddress(const std::string& address, std::string& host, std::uint16_t& port)
{
    const std::size_t colon = address.rfind(':');
    host = address.substr(0, colon);
    if (colon == std::string::npos)
        return;
    char* end = nullptr;
    const long value = std::strtol(address.c_str() + colon + 1, &end, 10);
    // An unusable port leaves the host text unusable too, so no request goes anywhere else.
    if (*end != '\0' || value <= 0 || value > 65535)
        host = address;
    else
        port = static_cast<std::uint16_t>(value);
}

struct LutPair {
    int raw;
    float celsius;
};

// The table list as pairs within the table's range; false when it is not an array of objects
// with an integer "r" and a numeric "t". Pairs with raw values outside 0..65535 are skipped.
bool readLutPairs(const Json::Value& list, std::vector<LutPair>& pairs)
{
    if (!list.isArray())
        return false;
    pairs.clear();
    for (const Json::Value& entry : list) {
        int raw = 0;
        float celsius = 0.0f;
        if (!intMember(entry, "r", raw) || !numberMember(entry, "t", celsius))
            return false;
        if (raw >= 0 && raw < ThermalRestClient::kLutSize)
            pairs.push_back({raw, celsius});
    }
    return true;
}

// Linear interpolation between the pairs while their raw values rise; entries below the first
// and above the last reached raw value take that end's temperature. Returns the last raw value.
int interpolate(const std::vector<LutPair>& pairs, std::vector<float>& table)
{
    const int first = pairs.front().raw;
    int last = first;
    table[first] = pairs.front().celsius;
    for (std::size_t i = 0; i + 1 < pairs.size(); ++i) {
        const LutPair& lo = pairs[i];
        const LutPair& hi = pairs[i + 1];
        if (lo.raw >= hi.raw)
            break;
        const float span = static_cast<float>(hi.raw - lo.raw);
        for (int k = 0; k <= hi.raw - lo.raw; ++k)
            table[lo.raw + k] = static_cast<float>(k) * (hi.celsius - lo.celsius) / span + lo.celsius;
        last = hi.raw;
    }
    for (int v = 0; v < first; ++v)
        table[v] = table[first];
    for (int v = last + 1; v < ThermalRestClient::kLutSize; ++v)
        table[v] = table[last];
    return last;
}

}  // namespace

const char* measureKindPath(MeasureObjectKind kind)
{
    switch (kind) {
    case MeasurePoint:
        return "points/";
    case MeasureRegion:
        return "regions/";
    case MeasureLine:
        return "lines/";
    }
    return "points/";
}

ThermalRestClient::ThermalRestClient(const std::string& address, const std::string& user, const std::string& password)
    : lut(kLutSize, 0.0f)
{
    splitAddress(address, host, port);
    setRestAuthorization(user, password);
    try {
        RestConnection connection(host, port);
        connection.setTimeout(kProbeTimeoutMs);
        Json::Value reply;
        if (connection.get("/sensor/dimension", reply) != 200)
            return;
        // Each dimension reads 0 when missing or not an integer.
        intMember(reply, "w", width);
        intMember(reply, "h", height);
    } catch (const std::exception&) {
        width = height = 0;
    }
}

ThermalRestClient::~ThermalRestClient()
{
    stopStream();
}

int ThermalRestClient::aliveStatus()
{
    try {
        RestConnection connection(host, port);
        connection.setTimeout(kProbeTimeoutMs);
        Json::Value reply;
        return connection.get("/admin/boot-id", reply);
    } catch (const std::exception&) {
        return kNotSent;
    }
}

int ThermalRestClient::setCaliMode(bool manual)
{
    setRestAuthorization(std::string(), std::string());
    try {
        RestConnection connection(host, port);
        return connection.put("/sensor/cali-mode", Json::Value(manual ? "manual" : "auto"));
    } catch (const std::exception&) {
        return kNotSent;
    }
}

int ThermalRestClient::calibrate()
{
    try {
        RestConnection connection(host, port);
        return connection.post("/sensor/cali", Json::Value());
    } catch (const std::exception&) {
        return kNotSent;
    }
}

int ThermalRestClient::getConfig(Json::Value& config)
{
    try {
        RestConnection connection(host, port);
        return connection.get("/isp/instrument/jconfig", config);
    } catch (const std::exception&) {
        config = Json::Value();
        return kNotSent;
    }
}

int ThermalRestClient::putConfig(const Json::Value& config)
{
    try {
        RestConnection connection(host, port);
        return connection.put("/isp/instrument/jconfig", config);
    } catch (const std::exception&) {
        return kNotSent;
    }
}

int ThermalRestClient::putObject(const Json::Value& object, MeasureObjectKind kind)
{
    if (!object.isObject() || !object["label"].isString())
        return 404;
    try {
        RestConnection connection(host, port);
        return connection.put(std::string("/isp/instrument/objects/") + measureKindPath(kind) + object["label"].asString(),
                              object);
    } catch (const std::exception&) {
        return kNotSent;
    }
}

int ThermalRestClient::getObjectValue(Json::Value& reply, MeasureObjectKind kind, const std::string& label)
{
    try {
        RestConnection connection(host, port);
        connection.setTimeout(kReadoutTimeoutMs);
        return connection.get(std::string("/isp/instrument/objects/") + measureKindPath(kind) + label + "?value", reply);
    } catch (const std::exception&) {
        reply = Json::Value();
        return kNotSent;
    }
}

bool ThermalRestClient::loadLut()
{
    try {
        RestConnection connection(host, port);
        Json::Value number;
        if (connection.get("/sensor/lut", number) != 200 || !number.isInt())
            return false;
        Json::Value list;
        std::vector<LutPair> pairs;
        if (connection.get("/sensor/luts/" + std::to_string(number.asInt()) + "?list", list) != 200 ||
            !readLutPairs(list, pairs) || pairs.empty())
            return false;
        Json::Value config;
        if (connection.get("/isp/instrument/jconfig", config) != 200)
            return false;
        float humidity = 0, distance = 0, ambient = 0, reflected = 0, emissivity = 0;
        if (!numberMember(config, "rh", humidity) || !numberMember(config, "distance", distance) ||
            !numberMember(config, "ambient-t", ambient) || !numberMember(config, "reflect-t", reflected) ||
            !numberMember(config, "emissivity", emissivity))
            return false;

        std::vector<float> table(kLutSize, 0.0f);
        const int last = interpolate(pairs, table);
        // The correction works in kelvin.
        for (float& entry : table)
            entry += kZeroCelsius;
        if (CalculateFromFactoryLUT(emissivity, reflected + kZeroCelsius, ambient + kZeroCelsius, distance, humidity,
                                    1.0f, 293.15f, table.data(), 0, kLutSize - 1) != 0)
            return false;
        for (float& entry : table)
            entry -= kZeroCelsius;

        lut.swap(table);
        lutFirst = pairs.front().raw;
        lutLast = last;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool ThermalRestClient::startStream(streamsdk_callback callback, void* user)
{
    if (streamHandle)
        return true;
    if (streamsdk_create_stream(host.c_str(), streamPort, &streamHandle) != 0 || !streamHandle) {
        streamHandle = nullptr;
        return false;
    }
    int maxPacketSize = 0;
    bool started = false;
    try {
        RestConnection connection(host, port);
        Json::Value description;
        started = connection.get("/stream/video/raw", description) == 200 &&
                  intMember(description, "max-packet-size", maxPacketSize);
        if (started && (maxPacketSize <= 0 || maxPacketSize > kMaxPacketBytes)) {
            qWarning("thermal camera %s: stream refused, it asks for packets of %d bytes (usable: 1 to %d)",
                     host.c_str(), maxPacketSize, kMaxPacketBytes);
            started = false;
        }
        started = started && streamsdk_start_stream(streamHandle, kStreamPath, maxPacketSize, callback, user) == 0;
    } catch (const std::exception&) {
        started = false;
    }
    if (!started) {
        streamsdk_destroy_stream(streamHandle);
        streamHandle = nullptr;
    }
    return started;
}

void ThermalRestClient::stopStream()
{
    if (!streamHandle)
        return;
    streamsdk_stop_stream(streamHandle);
    streamsdk_destroy_stream(streamHandle);
    streamHandle = nullptr;
}
