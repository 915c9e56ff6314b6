// Our stand-in for the panel PC's LED library: keeps the four LED states in memory. Built in
// variants that each lack one export or fail GPIO_Init, so that every failure path of the
// monitor's loader can be tested against a real shared library.
#include "platform/ldio/ldio.h"
#include "platform/ldio/ldio_testcontrol.h"

#include <atomic>

#define LDIO_EXPORT extern "C"

namespace {
constexpr unsigned short kFailure = 0xFFFF;
constexpr unsigned char kLedCount = 4;
std::atomic<int> g_initCount{0};
std::atomic<unsigned char> g_leds[kLedCount] = {{0xFF}, {0xFF}, {0xFF}, {0xFF}};
}  // namespace

#ifndef LDIO_WITHOUT_GPIO_VER
LDIO_EXPORT unsigned short GPIO_Ver(void)
{
    return 0x0100;
}
#endif

#ifndef LDIO_WITHOUT_GPIO_INIT
LDIO_EXPORT unsigned short GPIO_Init(unsigned short mask)
{
#ifdef LDIO_INIT_FAILS
    (void)mask;
    return kFailure;
#else
    ++g_initCount;
    return mask & 0x00FF;
#endif
}
#endif

#ifndef LDIO_WITHOUT_GPIO_READ
LDIO_EXPORT unsigned short GPIO_Read(void)
{
    return g_initCount > 0 ? 0 : kFailure;
}
#endif

#ifndef LDIO_WITHOUT_GPIO_WRITE
LDIO_EXPORT unsigned short GPIO_Write(unsigned char led, unsigned char value)
{
    if (g_initCount == 0 || led >= kLedCount)
        return 0;
    g_leds[led] = value;
    return 1;
}
#endif

LDIO_EXPORT unsigned char LDIO_TestLedState(unsigned char led)
{
    return led < kLedCount ? g_leds[led].load() : 0xFF;
}

LDIO_EXPORT int LDIO_TestInitCount(void)
{
    return g_initCount;
}
