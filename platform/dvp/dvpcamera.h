// Our stand-in for the DVP camera SDK (dvp* functions) that Do3thinkCamera calls: the
// operations, records, codes and callbacks that driver uses, nothing more. Every function returns
// DVP_STATUS_OK (1) on success and one of the DVP_STATUS_* codes below (all below 1) on failure.
// A handle is valid from dvpOpenByName to dvpClose. Callbacks run on the SDK's own threads.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#define DVP_STATUS_OK 1
#define DVP_STATUS_FAILED 0             // a configuration name the SDK does not know
#define DVP_STATUS_PARAMETER (-1)       // null or malformed argument, index out of range
#define DVP_STATUS_INVALID_HANDLE (-2)  // handle unknown or closed
#define DVP_STATUS_NO_DEVICE (-3)       // no device of that name attached, or it has gone
#define DVP_STATUS_IN_USE (-4)          // another handle has the device open
#define DVP_STATUS_CALL_ORDER (-5)      // starting a started stream, stopping a stopped one
#define DVP_STATUS_NOT_SUPPORTED (-6)   // value the camera does not take

// Open mode of dvpOpenByName.
#define DVP_OPEN_NORMAL 1

// Stream states.
#define DVP_STREAM_STOPPED 0
#define DVP_STREAM_PAUSED 1
#define DVP_STREAM_STARTED 2

// Output formats of the image processing: 24-bit pixels red, green, blue; or 8-bit grey.
#define DVP_FORMAT_RGB24 10
#define DVP_FORMAT_MONO8 30

// Event of the event callback: the device was lost.
#define DVP_EVENT_DISCONNECTED 7
// Stream event of the stream callback: a processed frame is ready.
#define DVP_STREAM_FRAME_READY 2

// Trigger source: the hardware input line.
#define DVP_TRIGGER_SOURCE_LINE1 1

typedef unsigned int dvpHandle;

// One device as enumerated: 1216 bytes.
typedef struct {
    char vendor[64];
    char manufacturer[64];
    char model[64];
    char family[64];
    char linkName[64];
    char sensorInfo[64];
    char hardwareVersion[64];
    char firmwareVersion[64];
    char kernelVersion[64];
    char driverVersion[64];
    char friendlyName[64];  // unique among the attached devices; dvpOpenByName takes it
    char portInfo[64];
    char serialNumber[64];
    char description[128];
    char userId[64];
    char reserved[192];
} DVP_CAMERA_RECORD;

typedef struct {
    char name[64];
    int maxWidth;
    int maxHeight;
    int colour;  // 1: colour sensor
} DVP_SENSOR_INFO;

// Region of interest.
typedef struct {
    int x;
    int y;
    int width;
    int height;
} DVP_REGION;

// What the stream callback is told about a frame.
typedef struct {
    int format;  // DVP_FORMAT_RGB24 or DVP_FORMAT_MONO8
    int width;
    int height;
    unsigned int bytes;
    unsigned long long frameId;
} DVP_FRAME;

typedef int (*DVP_EVENT_CALLBACK)(dvpHandle handle, int event, void* context);
typedef int (*DVP_STREAM_CALLBACK)(dvpHandle handle, int event, void* context, DVP_FRAME* frame, void* data);

// Looks for attached devices; *count becomes their number. DVP_STATUS_PARAMETER for null.
int dvpRefresh(unsigned int* count);
// The record of device `index` of the last refresh. DVP_STATUS_PARAMETER for an index out of
// range or null; DVP_STATUS_NO_DEVICE when that device has gone since.
int dvpEnum(unsigned int index, DVP_CAMERA_RECORD* record);

// Opens the device of that friendly name. DVP_STATUS_PARAMETER, DVP_STATUS_NO_DEVICE,
// DVP_STATUS_IN_USE.
int dvpOpenByName(const char* friendlyName, int mode, dvpHandle* handle);
// Stops the stream and closes; no callback runs after it returns. DVP_STATUS_INVALID_HANDLE.
int dvpClose(dvpHandle handle);
// *valid := 1 when the handle is open and its device attached, else 0. DVP_STATUS_PARAMETER.
int dvpIsValid(dvpHandle handle, int* valid);

// The following fail with DVP_STATUS_INVALID_HANDLE for an unknown handle, DVP_STATUS_NO_DEVICE
// when its device has gone, and DVP_STATUS_PARAMETER for null pointers.
int dvpGetStreamState(dvpHandle handle, int* state);
// Frames start to reach the stream callback on an SDK thread. DVP_STATUS_CALL_ORDER when started.
int dvpStart(dvpHandle handle);
// Ends the stream; no stream callback runs after it returns. DVP_STATUS_CALL_ORDER when stopped.
int dvpStop(dvpHandle handle);
int dvpGetSensorInfo(dvpHandle handle, DVP_SENSOR_INFO* info);
int dvpSetGammaState(dvpHandle handle, int on);
int dvpSetContrastState(dvpHandle handle, int on);
int dvpSetSharpnessState(dvpHandle handle, int on);
// DVP_STATUS_NOT_SUPPORTED for a format other than DVP_FORMAT_RGB24 and DVP_FORMAT_MONO8.
int dvpSetTargetFormat(dvpHandle handle, int format);
// Sets a named configuration text ("HdrEnable": "true" or "false"); DVP_STATUS_FAILED for an
// unknown name.
int dvpSetConfigString(dvpHandle handle, const char* name, const char* value);
// 0: automatic exposure off.
int dvpSetAeOperation(dvpHandle handle, int operation);
int dvpGetRoi(dvpHandle handle, DVP_REGION* region);
// DVP_STATUS_NOT_SUPPORTED for a region outside the sensor.
int dvpSetRoi(dvpHandle handle, const DVP_REGION* region);
int dvpSetLinkTimeout(dvpHandle handle, unsigned int milliseconds);
// Registers `callback` for `event` (DVP_EVENT_DISCONNECTED).
int dvpRegisterEventCallback(dvpHandle handle, DVP_EVENT_CALLBACK callback, int event, void* context);
// Registers `callback` for stream `event` (DVP_STREAM_FRAME_READY).
int dvpRegisterStreamCallback(dvpHandle handle, DVP_STREAM_CALLBACK callback, int event, void* context);
int dvpSetTriggerState(dvpHandle handle, int on);
int dvpSetTriggerSource(dvpHandle handle, int source);
int dvpSetExposure(dvpHandle handle, double microseconds);
int dvpGetExposure(dvpHandle handle, double* microseconds);
int dvpSetAnalogGain(dvpHandle handle, float gain);
int dvpGetAnalogGain(dvpHandle handle, float* gain);
int dvpSetSharpness(dvpHandle handle, int sharpness);
int dvpGetSharpness(dvpHandle handle, int* sharpness);
int dvpSetContrast(dvpHandle handle, int contrast);
int dvpGetContrast(dvpHandle handle, int* contrast);
int dvpSetGamma(dvpHandle handle, int gamma);
int dvpGetGamma(dvpHandle handle, int* gamma);
// Back to the camera's factory settings.
int dvpLoadDefault(dvpHandle handle);

#ifdef __cplusplus
}
#endif
