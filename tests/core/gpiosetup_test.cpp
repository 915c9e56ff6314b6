#include "core/globals.h"
#include "core/gpiosetup.h"
#include "core/platformutils.h"
#include "platform/ldio/ldio_testcontrol.h"
#include "tests/core/logcapture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <string>
#include <vector>

namespace {

QString variantPath(const char* variant)
{
    return QStringLiteral(MONITOR_BINARY_DIR "/ldio-variants/%1/LDIO_DLL.dll").arg(QLatin1String(variant));
}

// Puts a variant of the stand-in into the working directory under the name the monitor loads.
void installVariant(const char* variant)
{
    const QString from = QString::fromLatin1(variant) == QLatin1String("ok")
                             ? QStringLiteral(MONITOR_BINARY_DIR "/LDIO_DLL.dll")
                             : variantPath(variant);
    ASSERT_TRUE(QFile::copy(from, QString::fromLatin1(kLedLibraryName))) << from.toStdString();
}

class GpioSetup : public ::testing::Test {
protected:
    void SetUp() override
    {
        gpioAvailable = true;
        gpioWrite = nullptr;
    }
    void TearDown() override
    {
        gpioAvailable = true;
        gpioWrite = nullptr;
    }
    LogCapture log;
};

struct BrokenLibraryCase {
    const char* variant;
    const char* expectedLine;  // null: no line at all
    bool initialised;          // "初始化成功" was logged
};

}  // namespace

TEST_F(GpioSetup, MissingLibraryLogsTheLoaderErrorAndStartUpGoesOn)
{
    EXPECT_FALSE(setupGpio());
    EXPECT_FALSE(gpioAvailable);
    EXPECT_EQ(gpioWrite, nullptr);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("LDIO_DLL.dll 加载失败:", 0), 0u) << lines[0];
    // The loader's own reason follows, so the service engineer sees what was missing.
    EXPECT_NE(lines[0].find("No such file"), std::string::npos) << lines[0];
}

TEST_F(GpioSetup, WorkingLibraryIsInitialisedAndDrivesTheLeds)
{
    installVariant("ok");
    EXPECT_TRUE(setupGpio());
    EXPECT_TRUE(gpioAvailable);
    ASSERT_NE(gpioWrite, nullptr);
    EXPECT_TRUE(log.contains("初始化成功"));

    // The test controls of the very library the loader opened.
    void* library = dlopen(QFile::encodeName(QDir::current().absoluteFilePath(kLedLibraryName)).constData(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    auto ledState = reinterpret_cast<unsigned char (*)(unsigned char)>(dlsym(library, "LDIO_TestLedState"));
    auto initCount = reinterpret_cast<int (*)()>(dlsym(library, "LDIO_TestInitCount"));
    ASSERT_TRUE(ledState && initCount);
    EXPECT_EQ(initCount(), 1);

    setPanelLed(2, 0);
    setPanelLed(1, 1);
    EXPECT_EQ(ledState(2), 0);
    EXPECT_EQ(ledState(1), 1);
    EXPECT_TRUE(log.contains("LED 2 绿色 0"));
    EXPECT_TRUE(log.contains("LED 3 红色 1"));
    EXPECT_FALSE(log.contains("LED 写入失败"));

    // An LED number outside the table logs no name but still reaches the library, which
    // refuses it.
    const size_t before = log.lines().size();
    setPanelLed(5, 0);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), before + 1);
    EXPECT_EQ(lines.back(), "LED 写入失败");
    dlclose(library);
}

TEST_F(GpioSetup, BrokenLibrariesLeaveTheLedsUnavailable)
{
    const BrokenLibraryCase cases[] = {
        {"no_ver", "GPIO_Ver 函数解析失败", false},
        {"no_init", "GPIO_Init 函数解析失败", false},
        {"init_fails", nullptr, false},
        {"no_read", "GPIO_Read 函数解析失败", true},
        {"no_write", "GPIO_Write 函数解析失败", true},
    };
    for (const BrokenLibraryCase& c : cases) {
        SCOPED_TRACE(c.variant);
        // Each variant in its own folder, so that every case loads its own file.
        ASSERT_TRUE(QDir::current().mkdir(QLatin1String(c.variant)));
        ASSERT_TRUE(QDir::setCurrent(QLatin1String(c.variant)));
        installVariant(c.variant);
        gpioAvailable = true;
        gpioWrite = nullptr;
        LogCapture caseLog;

        EXPECT_FALSE(setupGpio());
        EXPECT_FALSE(gpioAvailable);
        EXPECT_EQ(gpioWrite, nullptr);
        std::vector<std::string> expected;
        if (c.initialised)
            expected.push_back("初始化成功");
        if (c.expectedLine)
            expected.push_back(c.expectedLine);
        EXPECT_EQ(caseLog.lines(), expected);

        // LED writes now only log.
        setPanelLed(0, 0);
        EXPECT_TRUE(caseLog.contains("LD GPIO J6412 LED 因初始化失败, 导致写入失败"));
        ASSERT_TRUE(QDir::setCurrent(QStringLiteral("..")));
    }
}

TEST_F(GpioSetup, LedWriteBeforeSetUpOnlyLogs)
{
    // gpioAvailable starts true, but nothing is resolved yet: must not call through null.
    setPanelLed(0, 1);
    EXPECT_TRUE(log.contains("LED 3 绿色 1"));
    EXPECT_TRUE(log.contains("LD GPIO J6412 LED 因初始化失败, 导致写入失败"));
}
