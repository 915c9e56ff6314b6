/* Our stand-in for the thermal camera's raw video stream library. A stream is made for a camera
 * address, then started on a stream path; from then on the library calls the callback on a thread
 * of its own for every frame the camera sends, until the stream is stopped. This stand-in runs in
 * the process: the frames come from the test-control API (streamsdk_testcontrol.h). */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef struct streamsdk_stream streamsdk_stream;

/* One raw frame: `data` (the first member, so the frame argument also points at the pointer to
 * the values) holds width x height unsigned 16-bit raw values, row after row. Valid only during
 * the callback. */
typedef struct streamsdk_frame {
    const unsigned short* data;
    int width;
    int height;
} streamsdk_frame;

/* Called on the library's stream thread. `status` 0: `frame` is a frame; any other value: a
 * stream event without a frame (`frame` is null). The callback must not call the stream
 * functions of its own stream. */
typedef void (*streamsdk_callback)(int status, const streamsdk_frame* frame, void* user);

/* Makes a stream for the camera at `host` (IPv4 text) and `port`. Returns 0 and stores the
 * handle in `*handle`; a non-zero error code and null in `*handle` on failure. */
int streamsdk_create_stream(const char* host, unsigned short port, streamsdk_stream** handle);

/* Starts the stream `path` with packets of at most `max_packet_size` bytes: the callback gets
 * `user` with every frame. Returns 0 on success; non-zero (and no callback ever) when the stream
 * cannot start or is already started. */
int streamsdk_start_stream(streamsdk_stream* handle, const char* path, int max_packet_size,
                           streamsdk_callback callback, void* user);

/* Stops the stream: when this returns, the callback is not running and will not be called again.
 * A stream that is not started, or a null handle, is accepted. */
void streamsdk_stop_stream(streamsdk_stream* handle);

/* Stops the stream when needed and frees the handle; null is accepted. */
void streamsdk_destroy_stream(streamsdk_stream* handle);

#ifdef __cplusplus
}
#endif
