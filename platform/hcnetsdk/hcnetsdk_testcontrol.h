// Test-only controls of the network camera SDK stand-in: virtual devices with their records,
// streams, thermometry results and exceptions, and a log of the calls the driver made. The
// monitor never includes this header.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Forgets every device, login, preview, subscription, registration, local-address setting and
// logged call; the SDK is uninitialised afterwards. Waits for running callbacks to end.
void HCSim_Reset(void);

// The local addresses NET_DVR_GetLocalIP reports (at most 16). Without this call (or with count
// -1) the host's own IPv4 addresses are reported. `fail` non-zero makes NET_DVR_GetLocalIP fail.
void HCSim_SetLocalAddresses(const char* const* addresses, int count);
void HCSim_FailLocalAddresses(int fail);

// A device answering logins at `address` port 8000 for `user` / `password`, with `channels` video
// channels; returns its id (>= 0).
int HCSim_AddDevice(const char* address, const char* serial, const char* user, const char* password, int channels);

// The record the device holds for `command` on `channel` (what a get reads; a set replaces it).
// For thermometry and device configuration requests `channel` is the channel the condition names.
void HCSim_SetRecord(int device, unsigned command, int channel, const void* bytes, unsigned size);
// Copies the device's record into `bytes` (at most `capacity`) and returns its size; -1 when it
// holds none.
int HCSim_GetRecord(int device, unsigned command, int channel, void* bytes, unsigned capacity);
// The condition record of the last request of `command` on `channel` (thermometry requests,
// device configuration requests, subscriptions); -1 when none came.
int HCSim_GetCondition(int device, unsigned command, int channel, void* bytes, unsigned capacity);
// Every request of `command` fails with `error` (0 to accept it again).
void HCSim_FailCommand(int device, unsigned command, unsigned error);

// The YV12 picture (w x h) a preview of the channel streams, once every `HCSim_SetStreamInterval`
// milliseconds (20 unless set); without a picture the preview sends only its stream header.
void HCSim_SetStreamPicture(int device, int channel, int width, int height, const unsigned char* yv12);
void HCSim_SetStreamInterval(int milliseconds);

// Takes the device off the network (online 0): each of its previews stops streaming and reports
// exception 0x8005 for its login; back on (online 1) each reports 0x8015 and streams again.
void HCSim_SetDeviceOnline(int device, int online);

// Delivers `data` as a callback of type `type` to every subscription of user `userId`.
void HCSim_PushRemoteConfig(int userId, unsigned type, const void* data, unsigned size);
// Reports exception `type` for user `userId` and handle `handle` to the exception callback.
void HCSim_RaiseException(unsigned type, int userId, int handle);
// Waits until every pushed result and raised exception has been delivered.
void HCSim_WaitIdle(void);

// The logged-in user handles of the device into `users` (at most `capacity`); returns the count.
int HCSim_UsersOf(int device, int* users, int capacity);
// The number of previews running.
int HCSim_PreviewCount(void);
// The channel of the last preview started on the device; -1 when none.
int HCSim_LastPreviewChannel(int device);

// The calls made since the last reset, one per line as "<function> <arguments>", copied into
// `out` (NUL-terminated, cut at `capacity`); returns the full length.
int HCSim_CallLog(char* out, int capacity);

#ifdef __cplusplus
}
#endif
