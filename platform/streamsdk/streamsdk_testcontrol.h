/* Test-only controls of our raw stream library stand-in; the monitor never uses them. Streams
 * are found by the host and port they were made for. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* The next streamsdk_create_stream calls for `host` return `code` (0 restores success). */
void streamsdk_test_fail_create(const char* host, int code);
/* The next streamsdk_start_stream calls for `host` return `code` (0 restores success). */
void streamsdk_test_fail_start(const char* host, int code);
/* Forgets every failure set above. */
void streamsdk_test_reset(void);

/* Number of existing handles made for `host` and `port`, and how many of them are started. */
int streamsdk_test_stream_count(const char* host, unsigned short port);
int streamsdk_test_started_count(const char* host, unsigned short port);
/* The path and maximum packet size the started stream of `host` and `port` was given; 0 when no
 * stream is started there (`path` gets an empty text). */
int streamsdk_test_started(const char* host, unsigned short port, char* path, int path_size,
                           int* max_packet_size);

/* Hands a frame (copied) to the stream thread of the started stream of `host` and `port`, which
 * calls the callback with status 0; with `status` not 0 the callback gets that status and no
 * frame. Returns 0, or -1 when no stream is started there. */
int streamsdk_test_push_frame(const char* host, unsigned short port, const unsigned short* data,
                              int width, int height);
int streamsdk_test_push_status(const char* host, unsigned short port, int status);
/* Waits until the stream thread of `host` and `port` has delivered everything pushed so far;
 * returns 0, or -1 when no stream is started there or `timeout_ms` passed. */
int streamsdk_test_wait_delivered(const char* host, unsigned short port, int timeout_ms);

#ifdef __cplusplus
}
#endif
