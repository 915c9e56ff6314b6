// Our stand-in for the camera SDK MVCAMSDK (Camera* functions) that MindCamera calls: the
// operations, records, codes and callbacks that driver uses, nothing more. Every function returns
// CAMERA_STATUS_SUCCESS (0) on success and one of the negative CAMERA_STATUS_* codes below on
// failure. A handle (above 0) is valid from CameraInit to CameraUnInit. Callbacks run on the
// SDK's own threads.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#define CAMERA_STATUS_SUCCESS 0
#define CAMERA_STATUS_FAILED (-1)         // a command text the SDK does not know
#define CAMERA_STATUS_PARAMETER (-2)      // null or malformed argument
#define CAMERA_STATUS_HANDLE (-3)         // handle unknown or un-initialised
#define CAMERA_STATUS_NO_DEVICE (-4)      // the device is not (or no longer) attached
#define CAMERA_STATUS_ACCESS_DENIED (-5)  // another handle holds the device
#define CAMERA_STATUS_NOT_SUPPORTED (-6)  // value outside what the camera takes
#define CAMERA_STATUS_CALL_ORDER (-7)     // already playing, or not playing

// Image formats of the ISP output and of raw frames.
#define CAMERA_MEDIA_MONO8 0x01080001u
#define CAMERA_MEDIA_BAYER_RG8 0x01080009u
#define CAMERA_MEDIA_RGB8 0x02180014u

// Messages of the connection-status callback.
#define CAMERA_CONNECTION_LOST 0u
#define CAMERA_CONNECTION_RESTORED 1u

// Trigger modes.
#define CAMERA_TRIGGER_CONTINUOUS 0
#define CAMERA_TRIGGER_SOFTWARE 1
#define CAMERA_TRIGGER_HARDWARE 2

// The parameter team of the camera's factory defaults, for CameraLoadParameter.
#define CAMERA_PARAMETER_TEAM_DEFAULT 255

// Resolution index of a custom region.
#define CAMERA_RESOLUTION_CUSTOM 0xFF

// One device as enumerated: 260 bytes.
typedef struct {
    char productSeries[32];
    char productName[32];
    char friendlyName[32];
    char linkName[32];
    char driverVersion[32];
    char sensorType[32];
    char portType[32];
    char serialNumber[32];
    unsigned int instance;
} CAMERA_DEVICE_RECORD;

// What a camera can do.
typedef struct {
    int maxWidth;
    int maxHeight;
    int monoSensor;  // 1: the sensor sees grey only
    int gammaMin, gammaMax;
    int contrastMin, contrastMax;
    int sharpnessMin, sharpnessMax;
} CAMERA_CAPABILITY;

// The image region and output size.
typedef struct {
    int index;  // CAMERA_RESOLUTION_CUSTOM for the fields below
    int offsetX;
    int offsetY;
    int fovWidth;
    int fovHeight;
    int width;
    int height;
} CAMERA_RESOLUTION;

// What the frame callback is told about a raw frame.
typedef struct {
    unsigned int mediaType;  // CAMERA_MEDIA_MONO8, CAMERA_MEDIA_BAYER_RG8 or CAMERA_MEDIA_RGB8
    unsigned int bytes;
    int width;
    int height;
} CAMERA_FRAME_HEAD;

typedef int CameraHandle;

typedef void (*CAMERA_FRAME_CALLBACK)(CameraHandle handle, unsigned char* raw, CAMERA_FRAME_HEAD* head, void* context);
typedef void (*CAMERA_CONNECTION_CALLBACK)(CameraHandle handle, unsigned int message, unsigned int parameter, void* context);

// Sets an SDK option ("IpCheck": "repair" fixes address conflicts). CAMERA_STATUS_PARAMETER for
// a null argument.
int CameraSetSysOption(const char* option, const char* value);

// Lists up to *count attached devices into `list`; *count becomes the number listed.
// CAMERA_STATUS_PARAMETER for null arguments.
int CameraEnumerateDevice(CAMERA_DEVICE_RECORD* list, int* count);

// Connects to the device of `device` (by its serial number) and makes a handle. `parameterMode`
// and `parameterTeam` -1 keep the camera's last parameters. CAMERA_STATUS_PARAMETER,
// CAMERA_STATUS_NO_DEVICE, CAMERA_STATUS_ACCESS_DENIED.
int CameraInit(const CAMERA_DEVICE_RECORD* device, int parameterMode, int parameterTeam, CameraHandle* handle);
// Stops the stream and disconnects; the handle becomes invalid. CAMERA_STATUS_HANDLE.
int CameraUnInit(CameraHandle handle);

// The following fail with CAMERA_STATUS_HANDLE for an invalid handle, CAMERA_STATUS_NO_DEVICE
// when the device has gone, and CAMERA_STATUS_PARAMETER for null pointers.
int CameraGetCapability(CameraHandle handle, CAMERA_CAPABILITY* capability);
int CameraGetImageResolution(CameraHandle handle, CAMERA_RESOLUTION* resolution);
// CAMERA_STATUS_NOT_SUPPORTED for a region outside the sensor.
int CameraSetImageResolution(CameraHandle handle, const CAMERA_RESOLUTION* resolution);
// CAMERA_STATUS_NOT_SUPPORTED for a format other than mono 8 or RGB 8, or RGB on a mono sensor.
int CameraSetIspOutFormat(CameraHandle handle, unsigned int format);
int CameraSetMonochrome(CameraHandle handle, int enable);
// 0: the sensor's own raw format; 1: mono 8 raw frames.
int CameraSetMediaType(CameraHandle handle, int index);

// Registers the connection-status callback (lost, restored).
int CameraSetConnectionStatusCallback(CameraHandle handle, CAMERA_CONNECTION_CALLBACK callback, void* context);
// Registers the raw frame callback (null removes it).
int CameraSetCallbackFunction(CameraHandle handle, CAMERA_FRAME_CALLBACK callback, void* context);
// Runs a command text: "set_awdr_enable(true|false)", "set_online_detect_interval(<ms>)".
// CAMERA_STATUS_FAILED for another text; `result` (may be null) receives "ok".
int CameraCommonCall(CameraHandle handle, const char* command, char* result, unsigned int resultSize);

// Frames start to reach the frame callback on an SDK thread. CAMERA_STATUS_CALL_ORDER when
// playing already.
int CameraPlay(CameraHandle handle);
// Ends the stream; no frame callback runs after it returns. CAMERA_STATUS_CALL_ORDER when not
// playing.
int CameraStop(CameraHandle handle);

int CameraSetTriggerMode(CameraHandle handle, int mode);
int CameraSetExposureTime(CameraHandle handle, double microseconds);
int CameraGetExposureTime(CameraHandle handle, double* microseconds);
int CameraGetAeAnalogGainRange(CameraHandle handle, int* minimum, int* maximum);
int CameraSetAnalogGain(CameraHandle handle, int gain);
int CameraGetAnalogGain(CameraHandle handle, int* gain);
int CameraSetSharpness(CameraHandle handle, int sharpness);
int CameraGetSharpness(CameraHandle handle, int* sharpness);
int CameraSetContrast(CameraHandle handle, int contrast);
int CameraGetContrast(CameraHandle handle, int* contrast);
int CameraSetGamma(CameraHandle handle, int gamma);
int CameraGetGamma(CameraHandle handle, int* gamma);
int CameraSetOnceWB(CameraHandle handle);
int CameraSetWbMode(CameraHandle handle, int automatic);
// direction 0 horizontal, 1 vertical.
int CameraSetMirror(CameraHandle handle, int direction, int enable);
int CameraSetFrameSpeed(CameraHandle handle, int speed);
int CameraSetAeState(CameraHandle handle, int automatic);
int CameraSetAeTarget(CameraHandle handle, int target);
int CameraSetAeExposureRange(CameraHandle handle, double minimumMicroseconds, double maximumMicroseconds);
int CameraSetAntiFlick(CameraHandle handle, int enable);
// Loads a parameter team (CAMERA_PARAMETER_TEAM_DEFAULT: the factory defaults).
int CameraLoadParameter(CameraHandle handle, int team);

// Turns the raw frame of `head` into the ISP output format into `output` (width x height x 1 or
// 3 bytes). Safe on any thread. CAMERA_STATUS_HANDLE, CAMERA_STATUS_PARAMETER (null, or a raw
// frame shorter than its head says).
int CameraImageProcess(CameraHandle handle, const unsigned char* raw, unsigned char* output, const CAMERA_FRAME_HEAD* head);

#ifdef __cplusplus
}
#endif
