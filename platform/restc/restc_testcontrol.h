/* Test-only controls of our REST library stand-in; the monitor never uses them. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* Timeout in milliseconds of connections that never had restc_set_timeout called; values below
 * 1 restore 1000 ms. Lets tests of a silent camera finish quickly. */
void restc_test_set_default_timeout(int milliseconds);

#ifdef __cplusplus
}
#endif
