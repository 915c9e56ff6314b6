// The network camera SDK as the network thermal camera driver calls it: login, configuration
// records, preview, thermometry subscription and exception reports. Functions that return int
// give 1 (or a handle >= 0) on success and 0 (or -1 for handles) on failure; NET_DVR_GetLastError
// then tells why (per calling thread). Every function but NET_DVR_Init, NET_DVR_GetLastError and
// the log settings fails with NET_DVR_NOINIT before NET_DVR_Init or after NET_DVR_Cleanup.
// Callbacks run on the SDK's own threads.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Error codes of NET_DVR_GetLastError.
#define NET_DVR_NOERROR 0
#define NET_DVR_PASSWORD_ERROR 1        // user name or password wrong
#define NET_DVR_NOINIT 3                // NET_DVR_Init missing
#define NET_DVR_NETWORK_FAIL_CONNECT 7  // no device answers at the address
#define NET_DVR_PARAMETER_ERROR 17      // an argument is wrong (size, handle, channel)
#define NET_DVR_NOSUPPORT 23            // the device does not support the command
#define NET_DVR_USER_NOT_LOGGED_IN 47   // the user handle is not logged in

// Data types of the preview data callback.
#define NET_DVR_SYSHEAD 1     // stream header: open the player with it
#define NET_DVR_STREAMDATA 2  // stream data: feed it to the player

// Callback types and status values of remote configuration.
#define NET_SDK_CALLBACK_TYPE_STATUS 0  // data: 32-bit status, then 32-bit error code
#define NET_SDK_CALLBACK_TYPE_PROGRESS 1
#define NET_SDK_CALLBACK_TYPE_DATA 2    // data: one result record of the command
#define NET_SDK_CALLBACK_STATUS_SUCCESS 1000
#define NET_SDK_CALLBACK_STATUS_PROCESSING 1001
#define NET_SDK_CALLBACK_STATUS_FAILED 1002

// Login (synchronous when bUseAsynLogin is 0).
typedef struct {
    char sDeviceAddress[129];
    unsigned short wPort;
    char sUserName[64];
    char sPassword[64];
    int bUseAsynLogin;
    unsigned char byRes[64];
} NET_DVR_USER_LOGIN_INFO;

// What a login reports about the device.
typedef struct {
    char sSerialNumber[48];   // serial number, NUL-padded (not terminated when 48 long)
    unsigned char byChanNum;  // number of video channels
    unsigned char byRes[207];
} NET_DVR_DEVICEINFO_V40;

// A request of NET_DVR_GetSTDConfig / NET_DVR_SetSTDConfig: the condition (the channel number
// as a 32-bit integer, or a condition record), the record to write (set) or the room for the
// record read (get), and a status buffer the device may write a status text into.
typedef struct {
    void* lpCondBuffer;
    unsigned dwCondSize;
    void* lpInBuffer;
    unsigned dwInSize;
    void* lpOutBuffer;
    unsigned dwOutSize;
    char* lpStatusBuffer;
    unsigned dwStatusSize;
} NET_DVR_STD_CONFIG;

// Preview request: the channel, the rest zero.
typedef struct {
    int lChannel;
    unsigned char byRes[284];
} NET_DVR_PREVIEWINFO;

// One realtime thermometry result (data of NET_SDK_CALLBACK_TYPE_DATA of the realtime
// thermometry subscription). dwAbsTime packs the time: year - 2000 in bits 26..31, month 22..25,
// day 17..21, hour 12..16, minute 6..11, second 0..5.
typedef struct {
    unsigned dwSize;
    unsigned dwAbsTime;
    unsigned char byRuleID;
    unsigned char byRuleCalibType;    // 0 point, 1 box, 2 line
    unsigned short wPresetNo;
    unsigned char byThermometryUnit;  // 0 Celsius, 1 Fahrenheit, 2 Kelvin
    unsigned char byDataType;         // 0 measuring, 1 start, 2 end
    unsigned char byRes[2];
    float fTemperature;               // point rules
    float fMaxTemperature;            // box and line rules
    float fMinTemperature;
    float fAverageTemperature;
    float fTemperatureDiff;
} NET_DVR_THERMOMETRY_UPLOAD;

typedef void (*fRealDataCallBack_V30)(int lRealHandle, unsigned dwDataType, unsigned char* pBuffer, unsigned dwBufSize, void* pUser);
typedef void (*fRemoteConfigCallback)(unsigned dwType, void* lpBuffer, unsigned dwBufLen, void* pUserData);
typedef void (*fExceptionCallBack)(unsigned dwType, int lUserID, int lHandle, void* pUser);

int NET_DVR_Init(void);
// Ends every login, preview and subscription; the SDK is uninitialised afterwards.
int NET_DVR_Cleanup(void);
unsigned NET_DVR_GetLastError(void);

// The local IPv4 addresses (at most 16, NUL-terminated) into strIP and their count into
// *pValidNum; *pEnableBind receives whether binding is on. 0 on failure.
int NET_DVR_GetLocalIP(char strIP[16][16], unsigned* pValidNum, int* pEnableBind);
// Chooses local address `index` of NET_DVR_GetLocalIP for the following requests. 0 for an index
// out of range.
int NET_DVR_SetValidIP(unsigned index, int bEnableBind);
// Connect timeout (ms) and attempts; automatic reconnection interval (ms) and switch.
int NET_DVR_SetConnectTime(unsigned waitMs, unsigned tryTimes);
int NET_DVR_SetReconnect(unsigned intervalMs, int enable);

// A user handle >= 0, and the device information; -1 when no device answers at the address and
// port or the credentials are wrong.
int NET_DVR_Login_V40(const NET_DVR_USER_LOGIN_INFO* login, NET_DVR_DEVICEINFO_V40* device);
// Ends the login with its previews and subscriptions; when it returns no callback of them runs.
int NET_DVR_Logout(int lUserID);

// Configuration record `command` of `channel`: get copies the device's record (at most `size`
// bytes; *returned gets the bytes copied when not null), set stores `size` bytes. 0 when the device
// does not support the command.
int NET_DVR_GetDVRConfig(int lUserID, unsigned command, int channel, void* out, unsigned size, unsigned* returned);
int NET_DVR_SetDVRConfig(int lUserID, unsigned command, int channel, const void* in, unsigned size);
// Thermometry configuration records, addressed by the request's condition.
int NET_DVR_GetSTDConfig(int lUserID, unsigned command, NET_DVR_STD_CONFIG* config);
int NET_DVR_SetSTDConfig(int lUserID, unsigned command, NET_DVR_STD_CONFIG* config);
// Device configuration by condition records: `count` conditions of inSize / count bytes in `in`;
// the records read go to `out`; statusList gets a 32-bit status per condition (0 = success) when
// not null.
int NET_DVR_GetDeviceConfig(int lUserID, unsigned command, unsigned count, const void* in, unsigned inSize, void* statusList, void* out, unsigned outSize);

// Subscribes to the results of `command` under `cond`: the callback receives them on an SDK
// thread until the login ends. A handle >= 0, or -1.
int NET_DVR_StartRemoteConfig(int lUserID, unsigned command, const void* cond, unsigned condSize, fRemoteConfigCallback callback, void* pUserData);
// The one exception callback of the process (a later call replaces it): lost and restored
// connections and reconnections of every login, with the login's user handle.
int NET_DVR_SetExceptionCallBack_V30(unsigned reserved1, void* reserved2, fExceptionCallBack callback, void* pUser);

// Starts the preview of the channel the request names: the callback receives the stream header
// (NET_DVR_SYSHEAD) and then stream data (NET_DVR_STREAMDATA) on an SDK thread. A handle >= 0,
// or -1.
int NET_DVR_RealPlay_V40(int lUserID, const NET_DVR_PREVIEWINFO* preview, fRealDataCallBack_V30 callback, void* pUser);
// Stops a preview; when it returns, its callback runs no more.
int NET_DVR_StopRealPlay(int lRealHandle);
// One automatic focus run of the channel.
int NET_DVR_FocusOnePush(int lUserID, int channel);

// Where the SDK writes its own log (level 0 = off) and whether it prints it.
int NET_DVR_SetLogToFile(unsigned level, const char* directory, int autoDelete);
int NET_DVR_SetLogPrint(int print);

#ifdef __cplusplus
}
#endif
