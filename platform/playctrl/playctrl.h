// The stream player of the network camera SDK: takes a camera's preview stream, decodes it into
// YV12 pictures on a thread of its own per port and hands every picture to a display callback.
// Every function returns 1 on success and 0 on failure, after which PlayM4_GetLastError(port)
// tells why.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Error codes of PlayM4_GetLastError.
#define PLAYM4_NOERROR 0
#define PLAYM4_PARA_OVER 1     // a port or argument out of range, or a port not taken
#define PLAYM4_ORDER_ERROR 2   // the call came in the wrong order (e.g. play before open)
#define PLAYM4_BUF_OVER 11     // the input buffer is full: the block was not taken
#define PLAYM4_BAD_STREAM 20   // the stream header is not one the player knows

// Picture types in PLAYM4_DISPLAY_INFO.nType.
#define PLAYM4_T_YV12 3

// Stream open modes.
#define PLAYM4_STREAME_REALTIME 0

// Number of ports the player has.
#define PLAYM4_MAX_PORTS 32

// One decoded picture as the display callback receives it. pBuf holds nBufLen bytes: the Y plane
// (nWidth x nHeight), then the V plane and the U plane (each nWidth/2 x nHeight/2). The buffer is
// the player's own and valid only during the callback.
typedef struct {
    int nPort;
    unsigned char* pBuf;
    int nBufLen;
    int nWidth;
    int nHeight;
    int nType;
    long nUser;
} PLAYM4_DISPLAY_INFO;

// Called on the port's decoding thread for every decoded picture.
typedef void (*PlayM4DisplayCallback)(const PLAYM4_DISPLAY_INFO* info);

// Takes a free port into *port. 0 when every port is taken.
int PlayM4_GetPort(int* port);
// Releases a port taken by PlayM4_GetPort (stopping and closing it first). 0 for a port not taken.
int PlayM4_FreePort(int port);
// Chooses how the stream is fed (PLAYM4_STREAME_REALTIME). 0 for a port not taken.
int PlayM4_SetStreamOpenMode(int port, unsigned mode);
// Opens the stream with its header (as the camera sends it first) and an input buffer of
// bufferBytes. 0 for a port not taken, an already open stream, or a header the player does not
// know (PLAYM4_BAD_STREAM).
int PlayM4_OpenStream(int port, const unsigned char* header, unsigned headerBytes, unsigned bufferBytes);
// Sets the callback for decoded pictures; `user` comes back in every PLAYM4_DISPLAY_INFO.
int PlayM4_SetDisplayCallBackEx(int port, PlayM4DisplayCallback callback, long user);
// Number of decoded pictures the player keeps queued for display (at least 1).
int PlayM4_SetDisplayBuf(int port, unsigned count);
// Starts decoding. `window` may be null: the pictures then only reach the display callback.
// 0 before PlayM4_OpenStream.
int PlayM4_Play(int port, void* window);
// Feeds stream data. 0 before PlayM4_Play, or with PLAYM4_BUF_OVER when the input buffer has
// no room for the whole block (the block is not taken).
int PlayM4_InputData(int port, const unsigned char* data, unsigned bytes);
// Stops decoding; when it returns, no display callback of the port runs or will run.
int PlayM4_Stop(int port);
// Closes the stream and drops the buffered input.
int PlayM4_CloseStream(int port);
// The error of the last failed call on `port` (PLAYM4_PARA_OVER for a port out of range).
unsigned PlayM4_GetLastError(int port);

#ifdef __cplusplus
}
#endif
