// The DVP stand-in over the virtual devices: refresh and enumeration, open by friendly name with
// exclusive access, stream state, the parameters as device features, frames converted to the
// target format before the stream callback, and the disconnect event.
#include "platform/dvp/dvpcamera.h"
#include "platform/dvp/dvp_testcontrol.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

using virtualcam::Feature;
using virtualcam::FeatureMap;
using virtualcam::Layout;

static_assert(sizeof(DVP_CAMERA_RECORD) == 1216, "the SDK's device record is 1216 bytes");

namespace {

void factoryFeatures(const virtualcam::DeviceDescription& unit, FeatureMap& features)
{
    auto number = [&](const char* name, double value, double minimum, double maximum) {
        features[name] = Feature{value, minimum, maximum, {}};
    };
    number("RoiX", 0, 0, unit.width);
    number("RoiY", 0, 0, unit.height);
    number("RoiWidth", unit.width, 1, unit.width);
    number("RoiHeight", unit.height, 1, unit.height);
    number("TargetFormat", DVP_FORMAT_MONO8, 0, 0);
    number("GammaState", 0, 0, 1);
    number("ContrastState", 0, 0, 1);
    number("SharpnessState", 0, 0, 1);
    number("AeOperation", 1, 0, 2);
    number("LinkTimeout", 3000, 0, 60000);
    number("TriggerState", 0, 0, 1);
    number("TriggerSource", 0, 0, 8);
    number("Exposure", 10000, 10, 1000000);
    number("AnalogGain", 1, 1, 16);
    number("Sharpness", 0, 0, 100);
    number("Contrast", 0, -100, 100);
    number("Gamma", 100, 1, 250);
    features["HdrEnable"].text = "false";
}

std::string friendlyName(const virtualcam::DeviceDescription& unit)
{
    return unit.model + "@" + unit.serial;
}

struct Handle {
    dvpHandle id = 0;
    std::string serial;
    DVP_EVENT_CALLBACK onEvent = nullptr;
    void* eventContext = nullptr;
    DVP_STREAM_CALLBACK onStream = nullptr;
    void* streamContext = nullptr;
};

struct Sdk {
    virtualcam::HandleTable<dvpHandle, Handle> handles;
    std::mutex refreshMutex;  // guards the refreshed list
    std::vector<virtualcam::DeviceDescription> refreshed;
    virtualcam::Bus bus;

    Sdk()
        : bus(factoryFeatures, [this](const std::string&, int holder) { lost(static_cast<dvpHandle>(holder)); })
    {
    }

    // SDK thread: event 7 to the handle that had the device open.
    void lost(dvpHandle holder)
    {
        DVP_EVENT_CALLBACK callback = nullptr;
        void* context = nullptr;
        handles.with(holder, DVP_STATUS_INVALID_HANDLE, [&](Handle& h) {
            callback = h.onEvent;
            context = h.eventContext;
            return DVP_STATUS_OK;
        });
        if (callback)
            callback(holder, DVP_EVENT_DISCONNECTED, context);
    }
};

Sdk& sdk()
{
    static Sdk instance;
    return instance;
}

// Logs the call; DVP_STATUS_OK to go on, else the injected failure.
int enter(const char* call, const std::string& arguments = std::string())
{
    int code = 0;
    return sdk().bus.fault(call, arguments, &code) ? code : DVP_STATUS_OK;
}

// The serial of an open handle whose device is attached, or the failure code.
int attachedSerial(dvpHandle handle, std::string* serial)
{
    return sdk().handles.with(handle, DVP_STATUS_INVALID_HANDLE, [&](Handle& h) {
        *serial = h.serial;
        return sdk().bus.holder(h.serial) == static_cast<int>(handle) ? DVP_STATUS_OK : DVP_STATUS_NO_DEVICE;
    });
}

int setNumber(const char* call, dvpHandle handle, const char* name, double value)
{
    if (const int rc = enter(call, virtualcam::number(value)); rc != DVP_STATUS_OK)
        return rc;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial); rc != DVP_STATUS_OK)
        return rc;
    sdk().bus.setValue(serial, name, value);
    return DVP_STATUS_OK;
}

template <typename T>
int getNumber(const char* call, dvpHandle handle, const char* name, T* value)
{
    if (const int rc = enter(call); rc != DVP_STATUS_OK)
        return rc;
    if (!value)
        return DVP_STATUS_PARAMETER;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial); rc != DVP_STATUS_OK)
        return rc;
    *value = static_cast<T>(sdk().bus.feature(serial, name).value);
    return DVP_STATUS_OK;
}

// Converts each scene to the target format and hands it to the handle's stream callback.
std::function<void(const virtualcam::Scene&)> frameSink(dvpHandle id, const std::string& serial)
{
    auto raw = std::make_shared<std::vector<uint8_t>>();
    auto processed = std::make_shared<std::vector<uint8_t>>();
    auto frameId = std::make_shared<unsigned long long>(0);
    return [id, serial, raw, processed, frameId](const virtualcam::Scene& scene) {
        virtualcam::DeviceDescription unit;
        sdk().bus.describe(serial, &unit);
        virtualcam::render(scene, unit.layout, *raw);
        const int format = static_cast<int>(sdk().bus.feature(serial, "TargetFormat").value);
        const Layout target = format == DVP_FORMAT_RGB24 ? Layout::Rgb8 : Layout::Mono8;
        processed->resize(static_cast<size_t>(scene.width) * scene.height * virtualcam::bytesPerPixel(target));
        if (target == Layout::Rgb8)
            virtualcam::convertToRgb8(unit.layout, raw->data(), scene.width, scene.height, processed->data());
        else
            virtualcam::convertToMono8(unit.layout, raw->data(), scene.width, scene.height, processed->data());
        DVP_STREAM_CALLBACK callback = nullptr;
        void* context = nullptr;
        sdk().handles.with(id, DVP_STATUS_INVALID_HANDLE, [&](Handle& h) {
            callback = h.onStream;
            context = h.streamContext;
            return DVP_STATUS_OK;
        });
        if (!callback)
            return;
        DVP_FRAME frame{};
        frame.format = format;
        frame.width = scene.width;
        frame.height = scene.height;
        frame.bytes = static_cast<unsigned int>(processed->size());
        frame.frameId = ++*frameId;
        callback(id, DVP_STREAM_FRAME_READY, context, &frame, processed->data());
    };
}

}  // namespace

namespace dvp_test {

virtualcam::Bus& bus()
{
    return sdk().bus;
}

std::string friendlyNameOf(const std::string& serial)
{
    virtualcam::DeviceDescription unit;
    return sdk().bus.describe(serial, &unit) ? friendlyName(unit) : std::string();
}

}  // namespace dvp_test

extern "C" {

int dvpRefresh(unsigned int* count)
{
    if (const int rc = enter("dvpRefresh"); rc != DVP_STATUS_OK)
        return rc;
    if (!count)
        return DVP_STATUS_PARAMETER;
    std::lock_guard<std::mutex> lock(sdk().refreshMutex);
    sdk().refreshed = sdk().bus.pluggedDevices();
    *count = static_cast<unsigned int>(sdk().refreshed.size());
    return DVP_STATUS_OK;
}

int dvpEnum(unsigned int index, DVP_CAMERA_RECORD* record)
{
    if (const int rc = enter("dvpEnum", std::to_string(index)); rc != DVP_STATUS_OK)
        return rc;
    if (!record)
        return DVP_STATUS_PARAMETER;
    virtualcam::DeviceDescription unit;
    {
        std::lock_guard<std::mutex> lock(sdk().refreshMutex);
        if (index >= sdk().refreshed.size())
            return DVP_STATUS_PARAMETER;
        unit = sdk().refreshed[index];
    }
    if (!sdk().bus.plugged(unit.serial))
        return DVP_STATUS_NO_DEVICE;
    std::memset(record, 0, sizeof(*record));
    std::strncpy(record->vendor, unit.maker.c_str(), sizeof(record->vendor) - 1);
    std::strncpy(record->manufacturer, unit.maker.c_str(), sizeof(record->manufacturer) - 1);
    std::strncpy(record->model, unit.model.c_str(), sizeof(record->model) - 1);
    std::strncpy(record->friendlyName, friendlyName(unit).c_str(), sizeof(record->friendlyName) - 1);
    std::strncpy(record->serialNumber, unit.serial.c_str(), sizeof(record->serialNumber) - 1);
    std::strncpy(record->portInfo, "USB3.0", sizeof(record->portInfo) - 1);
    return DVP_STATUS_OK;
}

int dvpOpenByName(const char* name, int mode, dvpHandle* handle)
{
    if (const int rc = enter("dvpOpenByName", std::string(name ? name : "") + " " + std::to_string(mode)); rc != DVP_STATUS_OK)
        return rc;
    if (!name || !handle || mode != DVP_OPEN_NORMAL)
        return DVP_STATUS_PARAMETER;
    std::string serial;
    for (const virtualcam::DeviceDescription& unit : sdk().bus.pluggedDevices()) {
        if (friendlyName(unit) == name)
            serial = unit.serial;
    }
    if (serial.empty())
        return DVP_STATUS_NO_DEVICE;
    const int id = sdk().bus.newHandle();
    if (!sdk().bus.claim(serial, id)) {
        sdk().bus.handleGone();
        return DVP_STATUS_IN_USE;
    }
    auto made = std::make_unique<Handle>();
    made->id = static_cast<dvpHandle>(id);
    made->serial = serial;
    sdk().handles.add(static_cast<dvpHandle>(id), std::move(made));
    *handle = static_cast<dvpHandle>(id);
    return DVP_STATUS_OK;
}

int dvpClose(dvpHandle handle)
{
    if (const int rc = enter("dvpClose"); rc != DVP_STATUS_OK)
        return rc;
    std::string serial;
    const int rc = sdk().handles.with(handle, DVP_STATUS_INVALID_HANDLE, [&](Handle& h) {
        serial = h.serial;
        return DVP_STATUS_OK;
    });
    if (rc != DVP_STATUS_OK)
        return rc;
    // Joined outside the handles' lock: the stream thread may be waiting for it.
    if (sdk().bus.holder(serial) == static_cast<int>(handle))
        sdk().bus.stopStream(serial);
    sdk().bus.unclaim(serial, static_cast<int>(handle));
    sdk().handles.remove(handle);
    sdk().bus.handleGone();
    return DVP_STATUS_OK;
}

int dvpIsValid(dvpHandle handle, int* valid)
{
    if (const int rc = enter("dvpIsValid"); rc != DVP_STATUS_OK)
        return rc;
    if (!valid)
        return DVP_STATUS_PARAMETER;
    std::string serial;
    *valid = attachedSerial(handle, &serial) == DVP_STATUS_OK ? 1 : 0;
    return DVP_STATUS_OK;
}

int dvpGetStreamState(dvpHandle handle, int* state)
{
    if (const int rc = enter("dvpGetStreamState"); rc != DVP_STATUS_OK)
        return rc;
    if (!state)
        return DVP_STATUS_PARAMETER;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial); rc != DVP_STATUS_OK)
        return rc;
    *state = sdk().bus.streaming(serial) ? DVP_STREAM_STARTED : DVP_STREAM_STOPPED;
    return DVP_STATUS_OK;
}

int dvpStart(dvpHandle handle)
{
    if (const int rc = enter("dvpStart"); rc != DVP_STATUS_OK)
        return rc;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial); rc != DVP_STATUS_OK)
        return rc;
    return sdk().bus.startStream(serial, static_cast<int>(handle), frameSink(handle, serial)) ? DVP_STATUS_OK : DVP_STATUS_CALL_ORDER;
}

int dvpStop(dvpHandle handle)
{
    if (const int rc = enter("dvpStop"); rc != DVP_STATUS_OK)
        return rc;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial); rc != DVP_STATUS_OK)
        return rc;
    if (!sdk().bus.streaming(serial))
        return DVP_STATUS_CALL_ORDER;
    sdk().bus.stopStream(serial);
    return DVP_STATUS_OK;
}

int dvpGetSensorInfo(dvpHandle handle, DVP_SENSOR_INFO* info)
{
    if (const int rc = enter("dvpGetSensorInfo"); rc != DVP_STATUS_OK)
        return rc;
    if (!info)
        return DVP_STATUS_PARAMETER;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial); rc != DVP_STATUS_OK)
        return rc;
    virtualcam::DeviceDescription unit;
    sdk().bus.describe(serial, &unit);
    std::memset(info, 0, sizeof(*info));
    std::strncpy(info->name, unit.model.c_str(), sizeof(info->name) - 1);
    info->maxWidth = unit.width;
    info->maxHeight = unit.height;
    info->colour = unit.layout == Layout::Mono8 ? 0 : 1;
    return DVP_STATUS_OK;
}

int dvpSetGammaState(dvpHandle handle, int on)
{
    return setNumber("dvpSetGammaState", handle, "GammaState", on ? 1 : 0);
}

int dvpSetContrastState(dvpHandle handle, int on)
{
    return setNumber("dvpSetContrastState", handle, "ContrastState", on ? 1 : 0);
}

int dvpSetSharpnessState(dvpHandle handle, int on)
{
    return setNumber("dvpSetSharpnessState", handle, "SharpnessState", on ? 1 : 0);
}

int dvpSetTargetFormat(dvpHandle handle, int format)
{
    if (format != DVP_FORMAT_RGB24 && format != DVP_FORMAT_MONO8)
        return DVP_STATUS_NOT_SUPPORTED;
    return setNumber("dvpSetTargetFormat", handle, "TargetFormat", format);
}

int dvpSetConfigString(dvpHandle handle, const char* name, const char* value)
{
    if (!name || !value)
        return DVP_STATUS_PARAMETER;
    if (const int rc = enter("dvpSetConfigString", std::string(name) + "=" + value); rc != DVP_STATUS_OK)
        return rc;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial); rc != DVP_STATUS_OK)
        return rc;
    if (std::strcmp(name, "HdrEnable") != 0)
        return DVP_STATUS_FAILED;
    sdk().bus.setText(serial, name, value);
    return DVP_STATUS_OK;
}

int dvpSetAeOperation(dvpHandle handle, int operation)
{
    return setNumber("dvpSetAeOperation", handle, "AeOperation", operation);
}

int dvpGetRoi(dvpHandle handle, DVP_REGION* region)
{
    if (const int rc = enter("dvpGetRoi"); rc != DVP_STATUS_OK)
        return rc;
    if (!region)
        return DVP_STATUS_PARAMETER;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial); rc != DVP_STATUS_OK)
        return rc;
    region->x = static_cast<int>(sdk().bus.feature(serial, "RoiX").value);
    region->y = static_cast<int>(sdk().bus.feature(serial, "RoiY").value);
    region->width = static_cast<int>(sdk().bus.feature(serial, "RoiWidth").value);
    region->height = static_cast<int>(sdk().bus.feature(serial, "RoiHeight").value);
    return DVP_STATUS_OK;
}

int dvpSetRoi(dvpHandle handle, const DVP_REGION* region)
{
    if (!region)
        return DVP_STATUS_PARAMETER;
    if (const int rc = enter("dvpSetRoi", std::to_string(region->x) + "," + std::to_string(region->y) + " "
                                              + std::to_string(region->width) + "x" + std::to_string(region->height));
        rc != DVP_STATUS_OK)
        return rc;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial); rc != DVP_STATUS_OK)
        return rc;
    virtualcam::DeviceDescription unit;
    sdk().bus.describe(serial, &unit);
    if (region->x < 0 || region->y < 0 || region->width <= 0 || region->height <= 0 || region->x + region->width > unit.width
        || region->y + region->height > unit.height)
        return DVP_STATUS_NOT_SUPPORTED;
    sdk().bus.setValue(serial, "RoiX", region->x);
    sdk().bus.setValue(serial, "RoiY", region->y);
    sdk().bus.setValue(serial, "RoiWidth", region->width);
    sdk().bus.setValue(serial, "RoiHeight", region->height);
    return DVP_STATUS_OK;
}

int dvpSetLinkTimeout(dvpHandle handle, unsigned int milliseconds)
{
    return setNumber("dvpSetLinkTimeout", handle, "LinkTimeout", milliseconds);
}

int dvpRegisterEventCallback(dvpHandle handle, DVP_EVENT_CALLBACK callback, int event, void* context)
{
    if (const int rc = enter("dvpRegisterEventCallback", std::to_string(event)); rc != DVP_STATUS_OK)
        return rc;
    if (event != DVP_EVENT_DISCONNECTED)
        return DVP_STATUS_NOT_SUPPORTED;
    return sdk().handles.with(handle, DVP_STATUS_INVALID_HANDLE, [&](Handle& h) {
        h.onEvent = callback;
        h.eventContext = context;
        return DVP_STATUS_OK;
    });
}

int dvpRegisterStreamCallback(dvpHandle handle, DVP_STREAM_CALLBACK callback, int event, void* context)
{
    if (const int rc = enter("dvpRegisterStreamCallback", std::to_string(event)); rc != DVP_STATUS_OK)
        return rc;
    if (event != DVP_STREAM_FRAME_READY)
        return DVP_STATUS_NOT_SUPPORTED;
    return sdk().handles.with(handle, DVP_STATUS_INVALID_HANDLE, [&](Handle& h) {
        h.onStream = callback;
        h.streamContext = context;
        return DVP_STATUS_OK;
    });
}

int dvpSetTriggerState(dvpHandle handle, int on)
{
    return setNumber("dvpSetTriggerState", handle, "TriggerState", on ? 1 : 0);
}

int dvpSetTriggerSource(dvpHandle handle, int source)
{
    return setNumber("dvpSetTriggerSource", handle, "TriggerSource", source);
}

int dvpSetExposure(dvpHandle handle, double microseconds)
{
    return setNumber("dvpSetExposure", handle, "Exposure", microseconds);
}

int dvpGetExposure(dvpHandle handle, double* microseconds)
{
    return getNumber("dvpGetExposure", handle, "Exposure", microseconds);
}

int dvpSetAnalogGain(dvpHandle handle, float gain)
{
    return setNumber("dvpSetAnalogGain", handle, "AnalogGain", gain);
}

int dvpGetAnalogGain(dvpHandle handle, float* gain)
{
    return getNumber("dvpGetAnalogGain", handle, "AnalogGain", gain);
}

int dvpSetSharpness(dvpHandle handle, int sharpness)
{
    return setNumber("dvpSetSharpness", handle, "Sharpness", sharpness);
}

int dvpGetSharpness(dvpHandle handle, int* sharpness)
{
    return getNumber("dvpGetSharpness", handle, "Sharpness", sharpness);
}

int dvpSetContrast(dvpHandle handle, int contrast)
{
    return setNumber("dvpSetContrast", handle, "Contrast", contrast);
}

int dvpGetContrast(dvpHandle handle, int* contrast)
{
    return getNumber("dvpGetContrast", handle, "Contrast", contrast);
}

int dvpSetGamma(dvpHandle handle, int gamma)
{
    return setNumber("dvpSetGamma", handle, "Gamma", gamma);
}

int dvpGetGamma(dvpHandle handle, int* gamma)
{
    return getNumber("dvpGetGamma", handle, "Gamma", gamma);
}

int dvpLoadDefault(dvpHandle handle)
{
    if (const int rc = enter("dvpLoadDefault"); rc != DVP_STATUS_OK)
        return rc;
    std::string serial;
    if (const int rc = attachedSerial(handle, &serial); rc != DVP_STATUS_OK)
        return rc;
    sdk().bus.loadFactoryFeatures(serial);
    return DVP_STATUS_OK;
}

}  // extern "C"
