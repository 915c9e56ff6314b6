#include "core/gpiosetup.h"

#include "core/globals.h"

#include <QDir>
#include <QFile>

#include <dlfcn.h>

const char* const kLedLibraryName = "LDIO_DLL.dll";

namespace {

typedef unsigned short (*GpioInitFn)(unsigned short mask);

// GPIO_Init's argument and its failure result.
constexpr unsigned short kGpioInitAll = 0xFFFF;
constexpr unsigned short kGpioInitFailed = 0xFFFF;

// Looks up `name`; logs "<name> 函数解析失败" and clears gpioAvailable when it is missing.
void* resolve(void* library, const char* name)
{
    if (!gpioAvailable)
        return nullptr;
    void* symbol = dlsym(library, name);
    if (!symbol) {
        qInfo("%s 函数解析失败", name);
        gpioAvailable = false;
    }
    return symbol;
}

}  // namespace

bool setupGpio(const QString& libraryPath)
{
    if (!gpioAvailable)
        return false;
    // dlopen searches no working directory for a bare name, so the library is named by path.
    const QString path = libraryPath.isEmpty() ? QDir::current().absoluteFilePath(QString::fromLatin1(kLedLibraryName))
                                               : libraryPath;
    void* library = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* error = dlerror();
        qInfo("%s 加载失败:%s", kLedLibraryName, error ? error : "");
        gpioAvailable = false;
        return false;
    }

    resolve(library, "GPIO_Ver");
    auto init = reinterpret_cast<GpioInitFn>(resolve(library, "GPIO_Init"));
    if (gpioAvailable) {
        if (init(kGpioInitAll) == kGpioInitFailed)
            gpioAvailable = false;
        else
            qInfo("初始化成功");
    }
    resolve(library, "GPIO_Read");
    auto write = reinterpret_cast<GpioWriteFn>(resolve(library, "GPIO_Write"));
    if (gpioAvailable)
        gpioWrite = write;
    return gpioAvailable;
}
