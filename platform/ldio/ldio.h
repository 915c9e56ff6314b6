// The front-panel LED library of the panel PC, as the monitor loads it at run time
// ("LDIO_DLL.dll" in the working directory). The monitor resolves these four exports by name.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Library version; looked up by the monitor but never called.
unsigned short GPIO_Ver(void);

// Opens the GPIO controller. `mask` selects the lines to claim (the monitor passes 0xFFFF).
// Returns 0xFFFF on failure, anything else on success.
unsigned short GPIO_Init(unsigned short mask);

// Reads the input lines; looked up by the monitor but never called. 0xFFFF before GPIO_Init.
unsigned short GPIO_Read(void);

// Sets LED `led` (0..3) to `value` (0 lit, 1 dark). Returns 1 on success, 0 for an unknown LED
// or before a successful GPIO_Init.
unsigned short GPIO_Write(unsigned char led, unsigned char value);

#ifdef __cplusplus
}
#endif
