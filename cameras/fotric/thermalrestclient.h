// The REST client of one thermal camera: sensor size, liveness, calibration, the radiometric
// configuration, measurement objects, the raw stream, and the table from raw sensor values to
// temperatures. GUI thread only (the start-up probes use one client per thread of their own, each
// alone on it); each operation opens its own connection and closes it before
// returning. JSON replies are type-checked: a reply of the wrong shape is a failure, never an
// exception that leaves the client.
#pragma once

#include "platform/streamsdk/streamsdk.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Json {
class Value;
}

// How a measurement object is written in its path.
enum MeasureObjectKind {
    MeasurePoint = 0,   // "points/"
    MeasureRegion = 1,  // "regions/"
    MeasureLine = 2,    // "lines/"
};

class ThermalRestClient {
public:
    static constexpr std::uint16_t restPort = 10080;
    static constexpr std::uint16_t streamPort = 10081;
    static constexpr int kLutSize = 65536;
    // Status of an operation cut short by an exception before a reply was read.
    static constexpr int kNotSent = -103;
    // Largest stream packet the camera may ask for: above the largest raw frame a usable sensor
    // gives (2560 x 2048 values of 2 bytes, 10 MiB), so no request of the camera's makes the
    // stream library allocate more.
    static constexpr int kMaxPacketBytes = 16 << 20;

    // `address` is the camera's IPv4 address, optionally followed by ":" and its REST port.
    // Sets the process-wide credentials and asks the sensor size (500 ms timeout); width and
    // height stay 0 when the camera does not answer with two integers.
    ThermalRestClient(const std::string& address, const std::string& user, const std::string& password);
    // Stops the stream.
    ~ThermalRestClient();
    ThermalRestClient(const ThermalRestClient&) = delete;
    ThermalRestClient& operator=(const ThermalRestClient&) = delete;

    // True when the camera answers its boot id with 200 within 500 ms.
    bool isAlive() { return aliveStatus() == 200; }
    // The status of that question: the HTTP status or a negative failure code (RestConnection).
    int aliveStatus();
    // Automatic (false) or manual (true) calibration; clears the credentials. Returns the status.
    int setCaliMode(bool manual);
    // Triggers one calibration. Returns the status.
    int calibrate();
    // The camera's radiometric configuration into `config` (null unless the status is 200).
    int getConfig(Json::Value& config);
    int putConfig(const Json::Value& config);
    // Creates or replaces the measurement object named by its "label"; 404 without a request
    // when "label" is missing or not a text.
    int putObject(const Json::Value& object, MeasureObjectKind kind);
    // The measured values of object `label` into `reply` (null unless the status is 200),
    // waiting at most 500 ms. A negative status: no answer came.
    int getObjectValue(Json::Value& reply, MeasureObjectKind kind, const std::string& label);
    // Reads the camera's active table list and configuration and builds `lut` (degrees
    // Celsius), `lutFirst` and `lutLast`. False, with the table as it was, when a request fails,
    // the list is empty or malformed, or the correction refuses the table.
    bool loadLut();
    // Starts the raw stream; `callback` then runs on the stream library's thread with `user`.
    // True when a stream runs afterwards (also when it already did); false, with no stream
    // handle left, when it cannot start.
    bool startStream(streamsdk_callback callback, void* user);
    void stopStream();

    // Temperature in degrees Celsius per raw sensor value (kLutSize entries, all 0 until loaded).
    std::vector<float> lut;
    // Lowest and highest raw value the camera's table list covered.
    int lutFirst = 0;
    int lutLast = 0;
    // The camera's IPv4 address and REST port.
    std::string host;
    std::uint16_t port = restPort;
    // Sensor size in pixels; 0 until the camera reported it.
    int width = 0;
    int height = 0;

private:
    streamsdk_stream* streamHandle = nullptr;
};

// Path segment of a measurement object kind ("points/", "regions/", "lines/").
const char* measureKindPath(MeasureObjectKind kind);
