// The MVCAMSDK stand-in over the virtual devices: handles, exclusive init, the parameters as
// device features, raw frames in the sensor's format with the ISP conversion, and the
// connection-status notices (lost on unplug, restored when a device still initialised comes back).
#include "platform/mvsdk/mvcamsdk.h"
#include "platform/mvsdk/mvsdk_testcontrol.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

using virtualcam::Feature;
using virtualcam::FeatureMap;
using virtualcam::Layout;

namespace {

bool monoSensor(const virtualcam::DeviceDescription& unit)
{
    return unit.layout == Layout::Mono8;
}

unsigned int mediaOf(Layout layout)
{
    switch (layout) {
    case Layout::Mono8: return CAMERA_MEDIA_MONO8;
    case Layout::BayerRG8: return CAMERA_MEDIA_BAYER_RG8;
    case Layout::Rgb8: return CAMERA_MEDIA_RGB8;
    }
    return CAMERA_MEDIA_MONO8;
}

bool layoutOf(unsigned int media, Layout* layout)
{
    switch (media) {
    case CAMERA_MEDIA_MONO8: *layout = Layout::Mono8; return true;
    case CAMERA_MEDIA_BAYER_RG8: *layout = Layout::BayerRG8; return true;
    case CAMERA_MEDIA_RGB8: *layout = Layout::Rgb8; return true;
    default: return false;
    }
}

void factoryFeatures(const virtualcam::DeviceDescription& unit, FeatureMap& features)
{
    auto number = [&](const char* name, double value, double minimum, double maximum) {
        features[name] = Feature{value, minimum, maximum, {}};
    };
    number("Width", unit.width, 1, unit.width);
    number("Height", unit.height, 1, unit.height);
    number("OffsetX", 0, 0, 0);
    number("OffsetY", 0, 0, 0);
    number("ResolutionIndex", 0, 0, 255);
    number("IspOutFormat", monoSensor(unit) ? CAMERA_MEDIA_MONO8 : CAMERA_MEDIA_RGB8, 0, 0);
    number("MediaType", 0, 0, 1);
    number("Monochrome", 0, 0, 1);
    number("ExposureTime", 20000, 50, 1000000);
    number("AnalogGain", 16, 16, 64);
    number("Sharpness", 0, 0, 100);
    number("Contrast", 100, 0, 200);
    number("Gamma", 100, 0, 250);
    number("TriggerMode", CAMERA_TRIGGER_CONTINUOUS, 0, 2);
    number("MirrorH", 0, 0, 1);
    number("MirrorV", 0, 0, 1);
    number("FrameSpeed", 0, 0, 6);
    number("AeState", 1, 0, 1);
    number("AeTarget", 100, 0, 255);
    number("AeExposureMin", 50, 0, 0);
    number("AeExposureMax", 1000000, 0, 0);
    number("AntiFlick", 0, 0, 1);
    number("WbMode", 1, 0, 1);
    number("OnceWB", 0, 0, 0);
    number("Awdr", 0, 0, 1);
    number("OnlineDetectInterval", 0, 0, 60000);
}

struct Handle {
    int id = 0;
    std::string serial;
    bool attached = true;  // false from an unplug until the device comes back
    bool playing = false;
    CAMERA_FRAME_CALLBACK onFrame = nullptr;
    void* frameContext = nullptr;
    CAMERA_CONNECTION_CALLBACK onStatus = nullptr;
    void* statusContext = nullptr;
};

struct Sdk {
    virtualcam::HandleTable<int, Handle> handles;
    virtualcam::Bus bus;

    Sdk()
        : bus(factoryFeatures, [this](const std::string& serial, int holder) { lost(serial, holder); },
              [this](const std::string& serial) { restored(serial); })
    {
    }

    void lost(const std::string&, int holder);
    void restored(const std::string& serial);
};

Sdk& sdk()
{
    static Sdk instance;
    return instance;
}

int enter(const char* call, const std::string& arguments = std::string())
{
    int code = 0;
    return sdk().bus.fault(call, arguments, &code) ? code : CAMERA_STATUS_SUCCESS;
}

// Renders each scene as the sensor delivers it and hands it to the handle's frame callback.
std::function<void(const virtualcam::Scene&)> frameSink(int id, const std::string& serial)
{
    auto raw = std::make_shared<std::vector<uint8_t>>();
    return [id, serial, raw](const virtualcam::Scene& scene) {
        virtualcam::DeviceDescription unit;
        sdk().bus.describe(serial, &unit);
        const Layout layout = sdk().bus.feature(serial, "MediaType").value == 1 ? Layout::Mono8 : unit.layout;
        virtualcam::render(scene, layout, *raw);
        CAMERA_FRAME_CALLBACK callback = nullptr;
        void* context = nullptr;
        sdk().handles.with(id, CAMERA_STATUS_HANDLE, [&](Handle& h) {
            callback = h.onFrame;
            context = h.frameContext;
            return CAMERA_STATUS_SUCCESS;
        });
        if (!callback)
            return;
        CAMERA_FRAME_HEAD head{};
        head.mediaType = mediaOf(layout);
        head.bytes = static_cast<unsigned int>(raw->size());
        head.width = scene.width;
        head.height = scene.height;
        callback(id, raw->data(), &head, context);
    };
}

void Sdk::lost(const std::string&, int holder)
{
    CAMERA_CONNECTION_CALLBACK callback = nullptr;
    void* context = nullptr;
    handles.with(holder, CAMERA_STATUS_HANDLE, [&](Handle& h) {
        h.attached = false;
        callback = h.onStatus;
        context = h.statusContext;
        return CAMERA_STATUS_SUCCESS;
    });
    if (callback)
        callback(holder, CAMERA_CONNECTION_LOST, 0, context);
}

// A handle still initialised on a device that comes back takes it again (streaming again when
// it played) and is told so.
void Sdk::restored(const std::string& serial)
{
    struct Notice {
        int id;
        CAMERA_CONNECTION_CALLBACK callback;
        void* context;
    };
    std::vector<Notice> notices;
    std::vector<int> replay;
    handles.forEach([&](Handle& h) {
        if (h.serial != serial || h.attached || !bus.claim(serial, h.id))
            return;
        h.attached = true;
        if (h.playing)
            replay.push_back(h.id);
        notices.push_back({h.id, h.onStatus, h.statusContext});
    });
    for (int id : replay)
        bus.startStream(serial, id, frameSink(id, serial));
    for (const Notice& notice : notices) {
        if (notice.callback)
            notice.callback(notice.id, CAMERA_CONNECTION_RESTORED, 0, notice.context);
    }
}

// The serial of a handle, attached or not, or the failure code.
int serialOf(CameraHandle handle, std::string* serial)
{
    return sdk().handles.with(handle, CAMERA_STATUS_HANDLE, [&](Handle& h) {
        *serial = h.serial;
        return CAMERA_STATUS_SUCCESS;
    });
}

// The serial of a handle whose device is attached, or the failure code.
int attachedSerial(CameraHandle handle, std::string* serial)
{
    return sdk().handles.with(handle, CAMERA_STATUS_HANDLE, [&](Handle& h) {
        *serial = h.serial;
        return h.attached && sdk().bus.holder(h.serial) == handle ? CAMERA_STATUS_SUCCESS : CAMERA_STATUS_NO_DEVICE;
    });
}

int setNumber(const char* call, CameraHandle handle, const char* name, double value)
{
    if (const int rc = enter(call, virtualcam::number(value)))
        return rc;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial))
        return rc;
    sdk().bus.setValue(serial, name, value);
    return CAMERA_STATUS_SUCCESS;
}

int getNumber(const char* call, CameraHandle handle, const char* name, Feature* feature)
{
    if (const int rc = enter(call))
        return rc;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial))
        return rc;
    return sdk().bus.getFeature(serial, name, feature) ? CAMERA_STATUS_SUCCESS : CAMERA_STATUS_NOT_SUPPORTED;
}

template <typename T>
int getValue(const char* call, CameraHandle handle, const char* name, T* value)
{
    if (!value)
        return CAMERA_STATUS_PARAMETER;
    Feature feature;
    const int rc = getNumber(call, handle, name, &feature);
    if (rc == CAMERA_STATUS_SUCCESS)
        *value = static_cast<T>(feature.value);
    return rc;
}

// The integer inside "name(<value>)" when `command` starts with `name(`.
bool commandArgument(const char* command, const char* name, std::string* argument)
{
    const size_t length = std::strlen(name);
    if (std::strncmp(command, name, length) != 0 || command[length] != '(')
        return false;
    const char* close = std::strchr(command + length + 1, ')');
    if (!close)
        return false;
    argument->assign(command + length + 1, close);
    return true;
}

}  // namespace

namespace mvsdk_test {

virtualcam::Bus& bus()
{
    return sdk().bus;
}

}  // namespace mvsdk_test

extern "C" {

int CameraSetSysOption(const char* option, const char* value)
{
    if (!option || !value)
        return CAMERA_STATUS_PARAMETER;
    return enter("CameraSetSysOption", std::string(option) + "=" + value);
}

int CameraEnumerateDevice(CAMERA_DEVICE_RECORD* list, int* count)
{
    if (const int rc = enter("CameraEnumerateDevice"))
        return rc;
    if (!list || !count)
        return CAMERA_STATUS_PARAMETER;
    int listed = 0;
    for (const virtualcam::DeviceDescription& unit : sdk().bus.pluggedDevices()) {
        if (listed >= *count)
            break;
        CAMERA_DEVICE_RECORD& record = list[listed];
        std::memset(&record, 0, sizeof(record));
        std::strncpy(record.productName, unit.model.c_str(), sizeof(record.productName) - 1);
        std::strncpy(record.friendlyName, (unit.model + "#" + unit.serial).c_str(), sizeof(record.friendlyName) - 1);
        std::strncpy(record.productSeries, unit.maker.c_str(), sizeof(record.productSeries) - 1);
        std::strncpy(record.portType, "NET-1000M", sizeof(record.portType) - 1);
        std::strncpy(record.serialNumber, unit.serial.c_str(), sizeof(record.serialNumber) - 1);
        record.instance = static_cast<unsigned int>(listed);
        ++listed;
    }
    *count = listed;
    return CAMERA_STATUS_SUCCESS;
}

int CameraInit(const CAMERA_DEVICE_RECORD* device, int parameterMode, int parameterTeam, CameraHandle* handle)
{
    if (const int rc = enter("CameraInit", std::to_string(parameterMode) + " " + std::to_string(parameterTeam)))
        return rc;
    if (!device || !handle)
        return CAMERA_STATUS_PARAMETER;
    const std::string serial(device->serialNumber, strnlen(device->serialNumber, sizeof(device->serialNumber)));
    if (!sdk().bus.plugged(serial))
        return CAMERA_STATUS_NO_DEVICE;
    const int id = sdk().bus.newHandle();
    if (!sdk().bus.claim(serial, id)) {
        sdk().bus.handleGone();
        return CAMERA_STATUS_ACCESS_DENIED;
    }
    auto made = std::make_unique<Handle>();
    made->id = id;
    made->serial = serial;
    sdk().handles.add(id, std::move(made));
    *handle = id;
    return CAMERA_STATUS_SUCCESS;
}

int CameraUnInit(CameraHandle handle)
{
    if (const int rc = enter("CameraUnInit"))
        return rc;
    std::string serial;
    if (const int rc = serialOf(handle, &serial))
        return rc;
    // Joined outside the handles' lock: the stream thread may be waiting for it.
    if (sdk().bus.holder(serial) == handle)
        sdk().bus.stopStream(serial);
    sdk().bus.unclaim(serial, handle);
    sdk().handles.remove(handle);
    sdk().bus.handleGone();
    return CAMERA_STATUS_SUCCESS;
}

int CameraGetCapability(CameraHandle handle, CAMERA_CAPABILITY* capability)
{
    if (const int rc = enter("CameraGetCapability"))
        return rc;
    if (!capability)
        return CAMERA_STATUS_PARAMETER;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial))
        return rc;
    virtualcam::DeviceDescription unit;
    sdk().bus.describe(serial, &unit);
    const Feature gamma = sdk().bus.feature(serial, "Gamma");
    const Feature contrast = sdk().bus.feature(serial, "Contrast");
    const Feature sharpness = sdk().bus.feature(serial, "Sharpness");
    capability->maxWidth = unit.width;
    capability->maxHeight = unit.height;
    capability->monoSensor = monoSensor(unit) ? 1 : 0;
    capability->gammaMin = static_cast<int>(gamma.minimum);
    capability->gammaMax = static_cast<int>(gamma.maximum);
    capability->contrastMin = static_cast<int>(contrast.minimum);
    capability->contrastMax = static_cast<int>(contrast.maximum);
    capability->sharpnessMin = static_cast<int>(sharpness.minimum);
    capability->sharpnessMax = static_cast<int>(sharpness.maximum);
    return CAMERA_STATUS_SUCCESS;
}

int CameraGetImageResolution(CameraHandle handle, CAMERA_RESOLUTION* resolution)
{
    if (const int rc = enter("CameraGetImageResolution"))
        return rc;
    if (!resolution)
        return CAMERA_STATUS_PARAMETER;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial))
        return rc;
    resolution->index = static_cast<int>(sdk().bus.feature(serial, "ResolutionIndex").value);
    resolution->offsetX = static_cast<int>(sdk().bus.feature(serial, "OffsetX").value);
    resolution->offsetY = static_cast<int>(sdk().bus.feature(serial, "OffsetY").value);
    resolution->width = resolution->fovWidth = static_cast<int>(sdk().bus.feature(serial, "Width").value);
    resolution->height = resolution->fovHeight = static_cast<int>(sdk().bus.feature(serial, "Height").value);
    return CAMERA_STATUS_SUCCESS;
}

int CameraSetImageResolution(CameraHandle handle, const CAMERA_RESOLUTION* resolution)
{
    if (!resolution)
        return CAMERA_STATUS_PARAMETER;
    if (const int rc = enter("CameraSetImageResolution", std::to_string(resolution->index) + " " + std::to_string(resolution->width)
                                                             + "x" + std::to_string(resolution->height)))
        return rc;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial))
        return rc;
    virtualcam::DeviceDescription unit;
    sdk().bus.describe(serial, &unit);
    if (resolution->offsetX < 0 || resolution->offsetY < 0 || resolution->width <= 0 || resolution->height <= 0
        || resolution->offsetX + resolution->width > unit.width || resolution->offsetY + resolution->height > unit.height)
        return CAMERA_STATUS_NOT_SUPPORTED;
    sdk().bus.setValue(serial, "ResolutionIndex", resolution->index);
    sdk().bus.setValue(serial, "OffsetX", resolution->offsetX);
    sdk().bus.setValue(serial, "OffsetY", resolution->offsetY);
    sdk().bus.setValue(serial, "Width", resolution->width);
    sdk().bus.setValue(serial, "Height", resolution->height);
    return CAMERA_STATUS_SUCCESS;
}

int CameraSetIspOutFormat(CameraHandle handle, unsigned int format)
{
    if (const int rc = enter("CameraSetIspOutFormat", virtualcam::number(format)))
        return rc;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial))
        return rc;
    virtualcam::DeviceDescription unit;
    sdk().bus.describe(serial, &unit);
    if (format != CAMERA_MEDIA_MONO8 && (format != CAMERA_MEDIA_RGB8 || monoSensor(unit)))
        return CAMERA_STATUS_NOT_SUPPORTED;
    sdk().bus.setValue(serial, "IspOutFormat", format);
    return CAMERA_STATUS_SUCCESS;
}

int CameraSetMonochrome(CameraHandle handle, int enable)
{
    return setNumber("CameraSetMonochrome", handle, "Monochrome", enable ? 1 : 0);
}

int CameraSetMediaType(CameraHandle handle, int index)
{
    if (index != 0 && index != 1)
        return CAMERA_STATUS_NOT_SUPPORTED;
    return setNumber("CameraSetMediaType", handle, "MediaType", index);
}

int CameraSetConnectionStatusCallback(CameraHandle handle, CAMERA_CONNECTION_CALLBACK callback, void* context)
{
    if (const int rc = enter("CameraSetConnectionStatusCallback"))
        return rc;
    return sdk().handles.with(handle, CAMERA_STATUS_HANDLE, [&](Handle& h) {
        h.onStatus = callback;
        h.statusContext = context;
        return CAMERA_STATUS_SUCCESS;
    });
}

int CameraSetCallbackFunction(CameraHandle handle, CAMERA_FRAME_CALLBACK callback, void* context)
{
    if (const int rc = enter("CameraSetCallbackFunction", callback ? "set" : "none"))
        return rc;
    return sdk().handles.with(handle, CAMERA_STATUS_HANDLE, [&](Handle& h) {
        h.onFrame = callback;
        h.frameContext = context;
        return CAMERA_STATUS_SUCCESS;
    });
}

int CameraCommonCall(CameraHandle handle, const char* command, char* result, unsigned int resultSize)
{
    if (!command)
        return CAMERA_STATUS_PARAMETER;
    if (const int rc = enter("CameraCommonCall", command))
        return rc;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial))
        return rc;
    std::string argument;
    if (commandArgument(command, "set_awdr_enable", &argument) && (argument == "true" || argument == "false"))
        sdk().bus.setValue(serial, "Awdr", argument == "true" ? 1 : 0);
    else if (commandArgument(command, "set_online_detect_interval", &argument) && !argument.empty())
        sdk().bus.setValue(serial, "OnlineDetectInterval", std::atof(argument.c_str()));
    else
        return CAMERA_STATUS_FAILED;
    if (result && resultSize > 0)
        std::snprintf(result, resultSize, "ok");
    return CAMERA_STATUS_SUCCESS;
}

int CameraPlay(CameraHandle handle)
{
    if (const int rc = enter("CameraPlay"))
        return rc;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial))
        return rc;
    if (!sdk().bus.startStream(serial, handle, frameSink(handle, serial)))
        return CAMERA_STATUS_CALL_ORDER;
    return sdk().handles.with(handle, CAMERA_STATUS_HANDLE, [](Handle& h) {
        h.playing = true;
        return CAMERA_STATUS_SUCCESS;
    });
}

int CameraStop(CameraHandle handle)
{
    if (const int rc = enter("CameraStop"))
        return rc;
    std::string serial;
    bool playing = false;
    const int rc = sdk().handles.with(handle, CAMERA_STATUS_HANDLE, [&](Handle& h) {
        serial = h.serial;
        playing = h.playing;
        h.playing = false;
        return CAMERA_STATUS_SUCCESS;
    });
    if (rc != CAMERA_STATUS_SUCCESS)
        return rc;
    if (sdk().bus.holder(serial) == handle)
        sdk().bus.stopStream(serial);
    return playing ? CAMERA_STATUS_SUCCESS : CAMERA_STATUS_CALL_ORDER;
}

int CameraSetTriggerMode(CameraHandle handle, int mode)
{
    if (mode < CAMERA_TRIGGER_CONTINUOUS || mode > CAMERA_TRIGGER_HARDWARE)
        return CAMERA_STATUS_NOT_SUPPORTED;
    return setNumber("CameraSetTriggerMode", handle, "TriggerMode", mode);
}

int CameraSetExposureTime(CameraHandle handle, double microseconds)
{
    return setNumber("CameraSetExposureTime", handle, "ExposureTime", microseconds);
}

int CameraGetExposureTime(CameraHandle handle, double* microseconds)
{
    return getValue("CameraGetExposureTime", handle, "ExposureTime", microseconds);
}

int CameraGetAeAnalogGainRange(CameraHandle handle, int* minimum, int* maximum)
{
    if (!minimum || !maximum)
        return CAMERA_STATUS_PARAMETER;
    Feature gain;
    const int rc = getNumber("CameraGetAeAnalogGainRange", handle, "AnalogGain", &gain);
    if (rc == CAMERA_STATUS_SUCCESS) {
        *minimum = static_cast<int>(gain.minimum);
        *maximum = static_cast<int>(gain.maximum);
    }
    return rc;
}

int CameraSetAnalogGain(CameraHandle handle, int gain)
{
    return setNumber("CameraSetAnalogGain", handle, "AnalogGain", gain);
}

int CameraGetAnalogGain(CameraHandle handle, int* gain)
{
    return getValue("CameraGetAnalogGain", handle, "AnalogGain", gain);
}

int CameraSetSharpness(CameraHandle handle, int sharpness)
{
    return setNumber("CameraSetSharpness", handle, "Sharpness", sharpness);
}

int CameraGetSharpness(CameraHandle handle, int* sharpness)
{
    return getValue("CameraGetSharpness", handle, "Sharpness", sharpness);
}

int CameraSetContrast(CameraHandle handle, int contrast)
{
    return setNumber("CameraSetContrast", handle, "Contrast", contrast);
}

int CameraGetContrast(CameraHandle handle, int* contrast)
{
    return getValue("CameraGetContrast", handle, "Contrast", contrast);
}

int CameraSetGamma(CameraHandle handle, int gamma)
{
    return setNumber("CameraSetGamma", handle, "Gamma", gamma);
}

int CameraGetGamma(CameraHandle handle, int* gamma)
{
    return getValue("CameraGetGamma", handle, "Gamma", gamma);
}

int CameraSetOnceWB(CameraHandle handle)
{
    std::string serial;
    if (const int rc = enter("CameraSetOnceWB"))
        return rc;
    if (const int rc = attachedSerial(handle, &serial))
        return rc;
    sdk().bus.setValue(serial, "OnceWB", sdk().bus.feature(serial, "OnceWB").value + 1);
    return CAMERA_STATUS_SUCCESS;
}

int CameraSetWbMode(CameraHandle handle, int automatic)
{
    return setNumber("CameraSetWbMode", handle, "WbMode", automatic ? 1 : 0);
}

int CameraSetMirror(CameraHandle handle, int direction, int enable)
{
    if (direction != 0 && direction != 1)
        return CAMERA_STATUS_PARAMETER;
    return setNumber(direction == 0 ? "CameraSetMirror 0" : "CameraSetMirror 1", handle, direction == 0 ? "MirrorH" : "MirrorV",
                     enable ? 1 : 0);
}

int CameraSetFrameSpeed(CameraHandle handle, int speed)
{
    return setNumber("CameraSetFrameSpeed", handle, "FrameSpeed", speed);
}

int CameraSetAeState(CameraHandle handle, int automatic)
{
    return setNumber("CameraSetAeState", handle, "AeState", automatic ? 1 : 0);
}

int CameraSetAeTarget(CameraHandle handle, int target)
{
    return setNumber("CameraSetAeTarget", handle, "AeTarget", target);
}

int CameraSetAeExposureRange(CameraHandle handle, double minimumMicroseconds, double maximumMicroseconds)
{
    if (const int rc = setNumber("CameraSetAeExposureRange", handle, "AeExposureMin", minimumMicroseconds))
        return rc;
    std::string serial;
    attachedSerial(handle, &serial);
    sdk().bus.setValue(serial, "AeExposureMax", maximumMicroseconds);
    return CAMERA_STATUS_SUCCESS;
}

int CameraSetAntiFlick(CameraHandle handle, int enable)
{
    return setNumber("CameraSetAntiFlick", handle, "AntiFlick", enable ? 1 : 0);
}

int CameraLoadParameter(CameraHandle handle, int team)
{
    if (const int rc = enter("CameraLoadParameter", std::to_string(team)))
        return rc;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial))
        return rc;
    if (team != CAMERA_PARAMETER_TEAM_DEFAULT)
        return CAMERA_STATUS_NOT_SUPPORTED;  // the virtual cameras keep no saved teams
    sdk().bus.loadFactoryFeatures(serial);
    return CAMERA_STATUS_SUCCESS;
}

int CameraImageProcess(CameraHandle handle, const unsigned char* raw, unsigned char* output, const CAMERA_FRAME_HEAD* head)
{
    // Not logged: it runs once per frame.
    if (!raw || !output || !head || head->width <= 0 || head->height <= 0)
        return CAMERA_STATUS_PARAMETER;
    std::string serial;
    if (const int rc = serialOf(handle, &serial))
        return rc;
    Layout source;
    if (!layoutOf(head->mediaType, &source))
        return CAMERA_STATUS_PARAMETER;
    if (head->bytes < static_cast<size_t>(head->width) * head->height * virtualcam::bytesPerPixel(source))
        return CAMERA_STATUS_PARAMETER;
    if (sdk().bus.feature(serial, "IspOutFormat").value == CAMERA_MEDIA_RGB8)
        virtualcam::convertToRgb8(source, raw, head->width, head->height, output);
    else
        virtualcam::convertToMono8(source, raw, head->width, head->height, output);
    return CAMERA_STATUS_SUCCESS;
}

}  // extern "C"
