// Loads the front-panel LED library at run time and resolves its entry points; start-up only,
// GUI thread. The library is optional: without it the monitor runs with gpioAvailable false.
#pragma once

#include <QString>

// File name of the LED library in the working directory.
extern const char* const kLedLibraryName;

// Loads the LED library from `libraryPath` (default: kLedLibraryName in the working directory),
// checks its exports, initialises it and publishes GPIO_Write in gpioWrite. Each step runs only
// while gpioAvailable is still true; a failing step logs why and sets it false. The library
// stays loaded for the life of the process. Returns gpioAvailable.
bool setupGpio(const QString& libraryPath = QString());
