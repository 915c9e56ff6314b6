/* Our stand-in for the thermal camera's REST library: a blocking HTTP/1.1 client over TCP with a
 * finite timeout per request. One request per TCP connection ("Connection: close"); a connection
 * handle only remembers where to connect and how long to wait. Bodies are sent with
 * "Content-Type: application/json". Replies may come with a length, chunked, or up to the close.
 *
 * Results of the request functions: the HTTP status (100..599) when a reply arrived, or one of
 * the negative RESTC_E_* codes when none did. */
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Transport failures, returned in place of an HTTP status. */
#define RESTC_E_ARGUMENT (-1) /* null handle, path or length, or a body larger than its buffer */
#define RESTC_E_CONNECT (-2)  /* the camera refused or could not be reached */
#define RESTC_E_TIMEOUT (-3)  /* no complete reply within the connection's timeout */
#define RESTC_E_PROTOCOL (-4) /* the peer closed early or sent something that is not HTTP */

typedef struct restc_connection restc_connection;

/* Remembers `host` (IPv4 address in dotted form) and `port`. Nothing is sent yet. Returns null
 * when the host text is not an IPv4 address. */
restc_connection* restc_create_connection(const char* host, unsigned short port);

/* Frees the handle; null is accepted. */
void restc_destroy_connection(restc_connection* connection);

/* Credentials for every later request of the process, on every connection. With an empty or
 * null user no "Authorization" header is sent; otherwise HTTP basic authorisation. */
void restc_set_authroization(const char* user, const char* password);

/* Limit in milliseconds for each later request on `connection` (connecting, sending and
 * receiving together). Values below 1 restore the library's default of 1000 ms. */
void restc_set_timeout(restc_connection* connection, int milliseconds);

/* GET `path` (absolute, may carry a query after "?"). `headers` is null or further request
 * header lines, each ending in "\r\n". On return the reply body is in `buffer` (at most
 * `buffer_size` bytes) and `*length` holds the body's full size: when `*length` exceeds
 * `buffer_size` the body was cut and the caller may ask again with a larger buffer. */
int restc_get(restc_connection* connection, const char* path, const char* headers, char* buffer,
              size_t buffer_size, size_t* length);

/* POST and PUT: on entry `buffer` holds the body and `*length` its size (at most `buffer_size`,
 * else RESTC_E_ARGUMENT and nothing is sent); on return they hold the reply as for restc_get. */
int restc_post(restc_connection* connection, const char* path, const char* headers, char* buffer,
               size_t buffer_size, size_t* length);
int restc_put(restc_connection* connection, const char* path, const char* headers, char* buffer,
              size_t buffer_size, size_t* length);

#ifdef __cplusplus
}
#endif
