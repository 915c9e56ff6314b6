// Our stand-in for the MVS camera SDK (MVCameraControl, MV_CC_* functions) that HikCamera calls:
// the operations, records, codes and callbacks that driver uses, nothing more. Every function
// returns MV_OK (0) on success and one of the MV_E_* codes below on failure. A handle is valid
// from MV_CC_CreateHandle to MV_CC_DestroyHandle; feature access needs an opened, attached device.
// Callbacks run on the SDK's own threads.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#define MV_OK 0
// Failure codes (negative as signed 32-bit integers).
#define MV_E_HANDLE ((int)0x80000000)        // handle null, unknown or destroyed
#define MV_E_SUPPORT ((int)0x80000001)       // feature unknown to the device, or wrong pixel type
#define MV_E_BUFOVER ((int)0x80000002)       // destination buffer too small
#define MV_E_CALLORDER ((int)0x80000003)     // device not opened, already opened, not grabbing
#define MV_E_PARAMETER ((int)0x80000004)     // null or malformed argument
#define MV_E_ACCESS_DENIED ((int)0x80000203) // another handle holds the device exclusively
#define MV_E_NODEVICE ((int)0x80000302)      // the device is not (or no longer) attached

// Transport layers for MV_CC_EnumDevices (bit mask).
#define MV_GIGE_DEVICE 0x00000001u
#define MV_USB_DEVICE 0x00000004u

// Access mode of MV_CC_OpenDevice.
#define MV_ACCESS_EXCLUSIVE 1u

// Message type of the exception callback.
#define MV_EXCEPTION_DEV_DISCONNECT 0x00008001u

// Pixel types.
#define MV_PIXEL_MONO8 0x01080001u
#define MV_PIXEL_BAYER_RG8 0x01080009u
#define MV_PIXEL_RGB8_PACKED 0x02180014u

#define MV_MAX_DEVICES 256

// One enumerated device. Records stay valid for the life of the process.
typedef struct {
    unsigned int transportLayer;  // MV_GIGE_DEVICE or MV_USB_DEVICE
    char manufacturerName[32];
    char modelName[32];
    char serialNumber[64];
} MV_DEVICE_RECORD;

typedef struct {
    unsigned int count;
    MV_DEVICE_RECORD* devices[MV_MAX_DEVICES];
} MV_DEVICE_RECORD_LIST;

// What the image callback is told about a frame.
typedef struct {
    unsigned short width;
    unsigned short height;
    unsigned int pixelType;
    unsigned int frameNumber;
    unsigned int frameLength;  // bytes at the frame data
} MV_FRAME_INFO;

// Arguments of MV_CC_ConvertPixelType.
typedef struct {
    unsigned short width;
    unsigned short height;
    unsigned int sourcePixelType;
    const unsigned char* sourceData;
    unsigned int sourceLength;
    unsigned int destinationPixelType;  // MV_PIXEL_RGB8_PACKED or MV_PIXEL_MONO8
    unsigned char* destination;
    unsigned int destinationSize;    // bytes available at destination
    unsigned int destinationLength;  // out: bytes written
} MV_CONVERT_PARAM;

typedef struct {
    float current;
    float maximum;
    float minimum;
} MV_FLOAT_VALUE;

typedef struct {
    long long current;
    long long maximum;
    long long minimum;
} MV_INT_VALUE;

typedef struct {
    char current[256];
} MV_STRING_VALUE;

typedef void (*MV_IMAGE_CALLBACK)(unsigned char* data, MV_FRAME_INFO* info, void* user);
typedef void (*MV_EXCEPTION_CALLBACK)(unsigned int messageType, void* user);

// Lists the attached devices of the transport layers in `layers` into `list`.
// MV_E_PARAMETER when `list` is null.
int MV_CC_EnumDevices(unsigned int layers, MV_DEVICE_RECORD_LIST* list);

// Makes a handle for `device` into *handle. MV_E_PARAMETER when either is null.
int MV_CC_CreateHandle(void** handle, const MV_DEVICE_RECORD* device);
// Closes the device if open and frees the handle. MV_E_HANDLE for an unknown handle.
int MV_CC_DestroyHandle(void* handle);

// Connects to the device. MV_E_HANDLE, MV_E_CALLORDER (already open), MV_E_NODEVICE (not
// attached), MV_E_ACCESS_DENIED (held by another handle), MV_E_PARAMETER (unknown access mode).
int MV_CC_OpenDevice(void* handle, unsigned int accessMode, unsigned short switchoverKey);
// Stops grabbing and disconnects. MV_E_HANDLE; MV_E_CALLORDER when not open.
int MV_CC_CloseDevice(void* handle);

// Frames start to reach the image callback on an SDK thread. MV_E_HANDLE, MV_E_CALLORDER (not
// open or already grabbing), MV_E_NODEVICE.
int MV_CC_StartGrabbing(void* handle);
// Ends the stream; no image callback runs after it returns. MV_E_HANDLE; MV_E_CALLORDER when
// not grabbing.
int MV_CC_StopGrabbing(void* handle);

// Registers the frame callback (null removes it). MV_E_HANDLE, MV_E_CALLORDER (not open).
int MV_CC_RegisterImageCallBack(void* handle, MV_IMAGE_CALLBACK callback, void* user);
// Registers the exception callback (device disconnected). MV_E_HANDLE, MV_E_CALLORDER.
int MV_CC_RegisterExceptionCallBack(void* handle, MV_EXCEPTION_CALLBACK callback, void* user);

// Feature access by name. MV_E_HANDLE, MV_E_CALLORDER (not open), MV_E_NODEVICE (detached),
// MV_E_SUPPORT (no such feature, or a value the feature does not take), MV_E_PARAMETER (null).
int MV_CC_GetIntValue(void* handle, const char* name, MV_INT_VALUE* value);
int MV_CC_SetIntValue(void* handle, const char* name, long long value);
int MV_CC_GetFloatValue(void* handle, const char* name, MV_FLOAT_VALUE* value);
int MV_CC_SetFloatValue(void* handle, const char* name, float value);
int MV_CC_SetEnumValue(void* handle, const char* name, unsigned int value);
int MV_CC_SetBoolValue(void* handle, const char* name, int value);
int MV_CC_GetStringValue(void* handle, const char* name, MV_STRING_VALUE* value);
// Runs a command feature ("UserSetLoad" loads the user set chosen by "UserSetSelector").
int MV_CC_SetCommandValue(void* handle, const char* name);

// The features "Gain", "Sharpness" and "Gamma" with their ranges; failures as above.
int MV_CC_GetGain(void* handle, MV_FLOAT_VALUE* value);
int MV_CC_GetSharpness(void* handle, MV_INT_VALUE* value);
int MV_CC_GetGamma(void* handle, MV_FLOAT_VALUE* value);

// Converts a frame of mono 8, Bayer RG 8 or packed RGB to packed RGB or mono 8; the handle is
// not examined and the call is safe on any thread. MV_E_PARAMETER (null or short source),
// MV_E_SUPPORT (pixel type), MV_E_BUFOVER.
int MV_CC_ConvertPixelType(void* handle, MV_CONVERT_PARAM* param);

#ifdef __cplusplus
}
#endif
