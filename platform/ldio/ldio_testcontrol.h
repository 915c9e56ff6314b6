// Test-only controls of our LED library stand-in; the monitor never uses them.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Last value written to LED `led` (0..3); 0xFF when never written or `led` is out of range.
unsigned char LDIO_TestLedState(unsigned char led);

// Number of successful GPIO_Init calls since the library was loaded.
int LDIO_TestInitCount(void);

#ifdef __cplusplus
}
#endif
