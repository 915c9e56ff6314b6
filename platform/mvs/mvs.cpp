// The MVS stand-in over the virtual devices: handles, exclusive open, features by name, the
// stream of frames in the device's pixel format, and pixel conversion.
#include "platform/mvs/mvcameracontrol.h"
#include "platform/mvs/mvs_testcontrol.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

using virtualcam::Feature;
using virtualcam::FeatureMap;
using virtualcam::Layout;

namespace {

unsigned int pixelTypeOf(Layout layout)
{
    switch (layout) {
    case Layout::Mono8: return MV_PIXEL_MONO8;
    case Layout::BayerRG8: return MV_PIXEL_BAYER_RG8;
    case Layout::Rgb8: return MV_PIXEL_RGB8_PACKED;
    }
    return MV_PIXEL_MONO8;
}

bool layoutOf(unsigned int pixelType, Layout* layout)
{
    switch (pixelType) {
    case MV_PIXEL_MONO8: *layout = Layout::Mono8; return true;
    case MV_PIXEL_BAYER_RG8: *layout = Layout::BayerRG8; return true;
    case MV_PIXEL_RGB8_PACKED: *layout = Layout::Rgb8; return true;
    default: return false;
    }
}

bool monoModel(const std::string& model)
{
    return !model.empty() && model.back() == 'M';
}

void factoryFeatures(const virtualcam::DeviceDescription& unit, FeatureMap& features)
{
    auto number = [&](const char* name, double value, double minimum, double maximum) {
        features[name] = Feature{value, minimum, maximum, {}};
    };
    features["DeviceModelName"].text = unit.model;
    number("Width", unit.width, 1, unit.width);
    number("Height", unit.height, 1, unit.height);
    number("PixelFormat", pixelTypeOf(monoModel(unit.model) ? Layout::Mono8 : unit.layout), 0, 0);
    number("UserSetSelector", 0, 0, 3);
    number("TriggerMode", 0, 0, 1);
    number("TriggerSource", 7, 0, 7);
    number("ExposureTime", 10000, 15, 1000000);
    number("Gain", 0, 0, 17);
    number("GainAuto", 0, 0, 2);
    number("Sharpness", 0, 0, 100);
    number("SharpnessEnable", 0, 0, 1);
    number("Gamma", 0.7, 0, 4);
    number("GammaEnable", 0, 0, 1);
    number("AcquisitionFrameRate", 30, 0.1, 60);
    number("GevHeartbeatTimeout", 3000, 500, 600000);
}

struct Handle {
    int id = 0;
    std::string serial;
    bool open = false;
    MV_IMAGE_CALLBACK onImage = nullptr;
    void* imageUser = nullptr;
    MV_EXCEPTION_CALLBACK onException = nullptr;
    void* exceptionUser = nullptr;
};

struct Sdk {
    virtualcam::HandleTable<void*, Handle> handles;
    std::mutex recordsMutex;  // guards the device records
    std::map<std::string, std::unique_ptr<MV_DEVICE_RECORD>> records;
    virtualcam::Bus bus;

    Sdk()
        : bus(factoryFeatures, [this](const std::string& serial, int holder) { notifyDisconnect(serial, holder); })
    {
    }

    // SDK thread: tells the handle that held an unplugged device.
    void notifyDisconnect(const std::string&, int holder)
    {
        MV_EXCEPTION_CALLBACK callback = nullptr;
        void* user = nullptr;
        handles.forEach([&](Handle& h) {
            if (h.id == holder && h.open) {
                callback = h.onException;
                user = h.exceptionUser;
            }
        });
        if (callback)
            callback(MV_EXCEPTION_DEV_DISCONNECT, user);
    }
};

Sdk& sdk()
{
    static Sdk instance;
    return instance;
}

// Logs the call and answers an injected failure; 0 to go on.
int enter(const char* call, const std::string& arguments = std::string())
{
    int code = 0;
    return sdk().bus.fault(call, arguments, &code) ? code : MV_OK;
}

// The serial of an opened handle, or the failure code.
int openedSerial(void* handle, std::string* serial)
{
    return sdk().handles.with(handle, MV_E_HANDLE, [&](Handle& h) {
        if (!h.open)
            return MV_E_CALLORDER;
        *serial = h.serial;
        return sdk().bus.holder(h.serial) == h.id ? MV_OK : MV_E_NODEVICE;
    });
}

// Sets the callbacks of an opened handle.
template <typename Set>
int setCallbacks(void* handle, Set&& set)
{
    return sdk().handles.with(handle, MV_E_HANDLE, [&](Handle& h) {
        if (!h.open)
            return MV_E_CALLORDER;
        set(h);
        return MV_OK;
    });
}

int featureOf(void* handle, const char* name, std::string* serial, Feature* feature)
{
    if (!name)
        return MV_E_PARAMETER;
    if (const int rc = openedSerial(handle, serial))
        return rc;
    return sdk().bus.getFeature(*serial, name, feature) ? MV_OK : MV_E_SUPPORT;
}

int setNumber(const char* call, void* handle, const char* name, double value)
{
    if (const int rc = enter(call, std::string(name ? name : "") + "=" + virtualcam::number(value)))
        return rc;
    std::string serial;
    Feature feature;
    if (const int rc = featureOf(handle, name, &serial, &feature))
        return rc;
    if (std::strcmp(name, "PixelFormat") == 0) {
        virtualcam::DeviceDescription unit;
        Layout layout;
        sdk().bus.describe(serial, &unit);
        if (!layoutOf(static_cast<unsigned int>(value), &layout) || (monoModel(unit.model) && layout != Layout::Mono8))
            return MV_E_SUPPORT;
    }
    sdk().bus.setValue(serial, name, value);
    return MV_OK;
}

// A number feature with its range into an SDK value record (MV_FLOAT_VALUE or MV_INT_VALUE).
template <typename Record>
int getNumber(const char* call, void* handle, const char* name, Record* value)
{
    if (const int rc = enter(call, name))
        return rc;
    if (!value)
        return MV_E_PARAMETER;
    std::string serial;
    Feature feature;
    if (const int rc = featureOf(handle, name, &serial, &feature))
        return rc;
    using Number = decltype(value->current);
    value->current = static_cast<Number>(feature.value);
    value->maximum = static_cast<Number>(feature.maximum);
    value->minimum = static_cast<Number>(feature.minimum);
    return MV_OK;
}

}  // namespace

namespace mvs_test {

virtualcam::Bus& bus()
{
    return sdk().bus;
}

}  // namespace mvs_test

extern "C" {

int MV_CC_EnumDevices(unsigned int layers, MV_DEVICE_RECORD_LIST* list)
{
    if (const int rc = enter("MV_CC_EnumDevices"))
        return rc;
    if (!list)
        return MV_E_PARAMETER;
    std::memset(list, 0, sizeof(*list));
    if (!(layers & MV_GIGE_DEVICE))
        return MV_OK;  // every virtual device is a GigE camera
    std::lock_guard<std::mutex> lock(sdk().recordsMutex);
    for (const virtualcam::DeviceDescription& unit : sdk().bus.pluggedDevices()) {
        if (list->count == MV_MAX_DEVICES)
            break;
        std::unique_ptr<MV_DEVICE_RECORD>& record = sdk().records[unit.serial];
        if (!record)
            record = std::make_unique<MV_DEVICE_RECORD>();
        std::memset(record.get(), 0, sizeof(MV_DEVICE_RECORD));
        record->transportLayer = MV_GIGE_DEVICE;
        std::strncpy(record->manufacturerName, unit.maker.c_str(), sizeof(record->manufacturerName) - 1);
        std::strncpy(record->modelName, unit.model.c_str(), sizeof(record->modelName) - 1);
        std::strncpy(record->serialNumber, unit.serial.c_str(), sizeof(record->serialNumber) - 1);
        list->devices[list->count++] = record.get();
    }
    return MV_OK;
}

int MV_CC_CreateHandle(void** handle, const MV_DEVICE_RECORD* device)
{
    if (const int rc = enter("MV_CC_CreateHandle", device ? device->serialNumber : ""))
        return rc;
    if (!handle || !device)
        return MV_E_PARAMETER;
    auto made = std::make_unique<Handle>();
    made->id = sdk().bus.newHandle();
    made->serial = device->serialNumber;
    Handle* raw = made.get();
    *handle = raw;
    sdk().handles.add(raw, std::move(made));
    return MV_OK;
}

int MV_CC_DestroyHandle(void* handle)
{
    if (const int rc = enter("MV_CC_DestroyHandle"))
        return rc;
    bool open = false;
    if (const int rc = sdk().handles.with(handle, MV_E_HANDLE, [&](Handle& h) { open = h.open; return MV_OK; }))
        return rc;
    if (open)
        MV_CC_CloseDevice(handle);
    sdk().handles.remove(handle);
    sdk().bus.handleGone();
    return MV_OK;
}

int MV_CC_OpenDevice(void* handle, unsigned int accessMode, unsigned short switchoverKey)
{
    if (const int rc = enter("MV_CC_OpenDevice", std::to_string(accessMode) + " " + std::to_string(switchoverKey)))
        return rc;
    return sdk().handles.with(handle, MV_E_HANDLE, [&](Handle& h) {
        if (h.open)
            return MV_E_CALLORDER;
        if (accessMode != MV_ACCESS_EXCLUSIVE)
            return MV_E_PARAMETER;
        if (!sdk().bus.plugged(h.serial))
            return MV_E_NODEVICE;
        if (!sdk().bus.claim(h.serial, h.id))
            return MV_E_ACCESS_DENIED;
        h.open = true;
        return MV_OK;
    });
}

int MV_CC_CloseDevice(void* handle)
{
    if (const int rc = enter("MV_CC_CloseDevice"))
        return rc;
    std::string serial;
    int id = 0;
    const int rc = sdk().handles.with(handle, MV_E_HANDLE, [&](Handle& h) {
        serial = h.serial;
        id = h.id;
        return h.open ? MV_OK : MV_E_CALLORDER;
    });
    if (rc != MV_OK)
        return rc;
    // Joined outside the handles' lock: the stream thread may be waiting for it.
    if (sdk().bus.holder(serial) == id)
        sdk().bus.stopStream(serial);
    sdk().bus.unclaim(serial, id);
    return sdk().handles.with(handle, MV_E_HANDLE, [](Handle& h) {
        h.open = false;
        h.onImage = nullptr;
        h.onException = nullptr;
        return MV_OK;
    });
}

int MV_CC_StartGrabbing(void* handle)
{
    if (const int rc = enter("MV_CC_StartGrabbing"))
        return rc;
    std::string serial;
    if (const int rc = openedSerial(handle, &serial))
        return rc;
    int id = 0;
    sdk().handles.with(handle, MV_E_HANDLE, [&](Handle& h) {
        id = h.id;
        return MV_OK;
    });
    // The sink runs on the device's stream thread; its buffer is that thread's alone.
    auto frame = std::make_shared<std::vector<uint8_t>>();
    auto sink = [handle, serial, frame](const virtualcam::Scene& scene) {
        Feature format;
        sdk().bus.getFeature(serial, "PixelFormat", &format);
        Layout layout = Layout::Mono8;
        layoutOf(static_cast<unsigned int>(format.value), &layout);
        virtualcam::render(scene, layout, *frame);
        MV_IMAGE_CALLBACK callback = nullptr;
        void* user = nullptr;
        sdk().handles.with(handle, MV_E_HANDLE, [&](Handle& h) {
            callback = h.onImage;
            user = h.imageUser;
            return MV_OK;
        });
        if (!callback)
            return;
        MV_FRAME_INFO info{};
        info.width = static_cast<unsigned short>(scene.width);
        info.height = static_cast<unsigned short>(scene.height);
        info.pixelType = pixelTypeOf(layout);
        info.frameLength = static_cast<unsigned int>(frame->size());
        callback(frame->data(), &info, user);
    };
    return sdk().bus.startStream(serial, id, sink) ? MV_OK : MV_E_CALLORDER;
}

int MV_CC_StopGrabbing(void* handle)
{
    if (const int rc = enter("MV_CC_StopGrabbing"))
        return rc;
    std::string serial;
    if (const int rc = openedSerial(handle, &serial))
        return rc;
    if (!sdk().bus.streaming(serial))
        return MV_E_CALLORDER;
    sdk().bus.stopStream(serial);
    return MV_OK;
}

int MV_CC_RegisterImageCallBack(void* handle, MV_IMAGE_CALLBACK callback, void* user)
{
    if (const int rc = enter("MV_CC_RegisterImageCallBack"))
        return rc;
    return setCallbacks(handle, [&](Handle& h) {
        h.onImage = callback;
        h.imageUser = user;
    });
}

int MV_CC_RegisterExceptionCallBack(void* handle, MV_EXCEPTION_CALLBACK callback, void* user)
{
    if (const int rc = enter("MV_CC_RegisterExceptionCallBack"))
        return rc;
    return setCallbacks(handle, [&](Handle& h) {
        h.onException = callback;
        h.exceptionUser = user;
    });
}

int MV_CC_GetIntValue(void* handle, const char* name, MV_INT_VALUE* value)
{
    return getNumber("MV_CC_GetIntValue", handle, name, value);
}

int MV_CC_SetIntValue(void* handle, const char* name, long long value)
{
    return setNumber("MV_CC_SetIntValue", handle, name, static_cast<double>(value));
}

int MV_CC_GetFloatValue(void* handle, const char* name, MV_FLOAT_VALUE* value)
{
    return getNumber("MV_CC_GetFloatValue", handle, name, value);
}

int MV_CC_SetFloatValue(void* handle, const char* name, float value)
{
    return setNumber("MV_CC_SetFloatValue", handle, name, value);
}

int MV_CC_SetEnumValue(void* handle, const char* name, unsigned int value)
{
    return setNumber("MV_CC_SetEnumValue", handle, name, value);
}

int MV_CC_SetBoolValue(void* handle, const char* name, int value)
{
    return setNumber("MV_CC_SetBoolValue", handle, name, value ? 1 : 0);
}

int MV_CC_GetStringValue(void* handle, const char* name, MV_STRING_VALUE* value)
{
    if (const int rc = enter("MV_CC_GetStringValue", name ? name : ""))
        return rc;
    if (!value)
        return MV_E_PARAMETER;
    std::string serial;
    Feature feature;
    if (const int rc = featureOf(handle, name, &serial, &feature))
        return rc;
    std::memset(value->current, 0, sizeof(value->current));
    std::strncpy(value->current, feature.text.c_str(), sizeof(value->current) - 1);
    return MV_OK;
}

int MV_CC_SetCommandValue(void* handle, const char* name)
{
    if (const int rc = enter("MV_CC_SetCommandValue", name ? name : ""))
        return rc;
    std::string serial;
    if (const int rc = openedSerial(handle, &serial))
        return rc;
    if (!name || std::strcmp(name, "UserSetLoad") != 0)
        return MV_E_SUPPORT;
    sdk().bus.loadFactoryFeatures(serial);
    return MV_OK;
}

int MV_CC_GetGain(void* handle, MV_FLOAT_VALUE* value)
{
    return getNumber("MV_CC_GetGain", handle, "Gain", value);
}

int MV_CC_GetSharpness(void* handle, MV_INT_VALUE* value)
{
    return getNumber("MV_CC_GetSharpness", handle, "Sharpness", value);
}

int MV_CC_GetGamma(void* handle, MV_FLOAT_VALUE* value)
{
    return getNumber("MV_CC_GetGamma", handle, "Gamma", value);
}

int MV_CC_ConvertPixelType(void*, MV_CONVERT_PARAM* param)
{
    // Not logged: it runs once per frame.
    if (!param || !param->sourceData || !param->destination)
        return MV_E_PARAMETER;
    Layout source;
    if (!layoutOf(param->sourcePixelType, &source))
        return MV_E_SUPPORT;
    const size_t pixels = static_cast<size_t>(param->width) * param->height;
    if (param->sourceLength < pixels * virtualcam::bytesPerPixel(source))
        return MV_E_PARAMETER;
    size_t needed = 0;
    if (param->destinationPixelType == MV_PIXEL_RGB8_PACKED)
        needed = pixels * 3;
    else if (param->destinationPixelType == MV_PIXEL_MONO8)
        needed = pixels;
    else
        return MV_E_SUPPORT;
    if (param->destinationSize < needed)
        return MV_E_BUFOVER;
    if (param->destinationPixelType == MV_PIXEL_RGB8_PACKED)
        virtualcam::convertToRgb8(source, param->sourceData, param->width, param->height, param->destination);
    else
        virtualcam::convertToMono8(source, param->sourceData, param->width, param->height, param->destination);
    param->destinationLength = static_cast<unsigned int>(needed);
    return MV_OK;
}

}  // extern "C"
