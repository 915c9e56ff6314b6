#include "core/version.h"

// The build defines MONITOR_VERSION for this file alone, from the project's version.
const char* programVersion()
{
    return MONITOR_VERSION;
}
