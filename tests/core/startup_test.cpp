// Starts the built program the way the plant does, in an empty working directory, and reads
// what it leaves in its log folder.
#include "core/globals.h"
#include "core/startup.h"
#include "tests/support/monitorprocess.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QPixmap>
#include <QProcess>
#include <QThread>
#include <QTranslator>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/types.h>

namespace {

const QString kLogDir = QStringLiteral("relaydir/workspace/LOG");

QString fileText(const QString& path)
{
    if (path.isEmpty())
        return QString();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The lines the program wrote itself, without glog's file header and line prefixes.
QStringList messagesOf(const QString& path)
{
    QStringList messages;
    const QStringList lines = fileText(path).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const int end = line.indexOf(QLatin1String("] "));
        if (end > 0 && QStringLiteral("IWEF").contains(line.at(0)))
            messages << line.mid(end + 2);
    }
    return messages;
}

QString currentInfoLog()
{
    const QStringList logs = QDir(kLogDir).entryList({QStringLiteral("log*.log")}, QDir::Files);
    return logs.size() == 1 ? kLogDir + QLatin1Char('/') + logs.first() : QString();
}

// Starts the program and waits until the main window has been built and its event loop runs;
// false when it did not come up. Without cameras the program asks whether to clear the stored
// serial numbers; the operator presses Escape on the box.
bool bringUp(MonitorProcess& program)
{
    // No real serial port: the IO board is absent, as on a desk.
    program.setEnv(QStringLiteral("MONITOR_SERIAL_PORT"), QStringLiteral("no-io-board"));
    if (!program.start() || !program.answerStartupQuestion())
        return false;
    // The main window darkens LED 3 green last; after that the event loop runs.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60000 && !messagesOf(currentInfoLog()).contains(QStringLiteral("LED 3 绿色 1")))
        QThread::msleep(50);
    QThread::msleep(1500);
    return program.isRunning();
}

// Runs the program until the main window has been built and is idle, then kills it. Returns
// whether it was still running at that moment.
bool runUntilUp(QStringList* messages)
{
    MonitorProcess program;
    const bool up = bringUp(program);
    program.stop();
    *messages = messagesOf(currentInfoLog());
    return up;
}

}  // namespace

TEST(StartUp, RunsInAnEmptyDirectoryAndLogsTheBannerFirst)
{
    QStringList messages;
    ASSERT_TRUE(runUntilUp(&messages));
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.first(), QStringLiteral("mould-monitor 1.0.0 release"));
    // Without the LED library the monitor still comes up, and says why the LEDs stay dark.
    ASSERT_GE(messages.size(), 2);
    EXPECT_TRUE(messages.at(1).startsWith(QStringLiteral("LDIO_DLL.dll 加载失败:"))) << messages.at(1).toStdString();
    EXPECT_TRUE(messages.contains(QStringLiteral("LD GPIO J6412 LED 因初始化失败, 导致写入失败")));
    EXPECT_FALSE(messages.contains(QStringLiteral("初始化成功")));
    // INFO and WARNING share one file.
    EXPECT_EQ(QDir(kLogDir).entryList({QStringLiteral("log*.log")}, QDir::Files).size(), 1);
    EXPECT_TRUE(QFile::exists(kLogDir + QStringLiteral("/ERROR_crash.log")));
    EXPECT_TRUE(QDir(kLogDir).entryList({QStringLiteral("*.INFO")}, QDir::System | QDir::Files).isEmpty());
}

TEST(StartUp, SecondStartArchivesTheFirstRunsLogAndUsesTheLedLibrary)
{
    QStringList first;
    ASSERT_TRUE(runUntilUp(&first));
    ASSERT_TRUE(QFile::copy(QStringLiteral(MONITOR_BINARY_DIR "/LDIO_DLL.dll"), QStringLiteral("LDIO_DLL.dll")));

    QStringList second;
    ASSERT_TRUE(runUntilUp(&second));
    const QStringList archives = QDir(kLogDir).entryList({QStringLiteral("glog_*.txt")}, QDir::Files);
    ASSERT_EQ(archives.size(), 1);
    EXPECT_EQ(messagesOf(kLogDir + QLatin1Char('/') + archives.first()), first);

    ASSERT_GE(second.size(), 2);
    EXPECT_EQ(second.at(0), QStringLiteral("mould-monitor 1.0.0 release"));
    EXPECT_EQ(second.at(1), QStringLiteral("初始化成功"));
    // The main window darkens all four LEDs, and the library takes every write.
    for (const char* led : {"LED 2 红色 1", "LED 2 绿色 1", "LED 3 红色 1", "LED 3 绿色 1"})
        EXPECT_TRUE(second.contains(QString::fromUtf8(led))) << led;
    EXPECT_FALSE(second.contains(QStringLiteral("LED 写入失败")));
    EXPECT_FALSE(second.contains(QStringLiteral("LD GPIO J6412 LED 因初始化失败, 导致写入失败")));
}

TEST(StartUp, SigtermEndsTheProgramInOrderAndOnlyACrashWritesAReport)
{
    const QString crashReport = kLogDir + QStringLiteral("/ERROR_crash.log");
    {
        // The system's shutdown.
        MonitorProcess program;
        ASSERT_TRUE(bringUp(program));
        ASSERT_EQ(::kill(pid_t(program.pid()), SIGTERM), 0);
        EXPECT_EQ(program.waitForExit(60000), 0);
        EXPECT_TRUE(messagesOf(currentInfoLog()).contains(QStringLiteral("SIGTERM received: the monitor ends")));
        ASSERT_TRUE(QFile::exists(crashReport));
        EXPECT_EQ(fileText(crashReport), QString());
    }
    {
        // A crash.
        MonitorProcess program;
        ASSERT_TRUE(bringUp(program));
        ASSERT_EQ(::kill(pid_t(program.pid()), SIGSEGV), 0);
        EXPECT_EQ(program.waitForExit(60000), -1);
        EXPECT_TRUE(fileText(crashReport).contains(QStringLiteral("SIGSEGV"))) << fileText(crashReport).toStdString();
    }
}

TEST(StartUp, SharedPicturesComeFromImagesAndTheBuiltInResources)
{
    // Without ./images/ only the built-in slider pictures exist; the rest are null pixmaps.
    loadSharedPixmaps();
    EXPECT_FALSE(sliderTrackPixmap->isNull());
    EXPECT_FALSE(sliderFillPixmap->isNull());
    EXPECT_FALSE(sliderHandlePixmap->isNull());
    EXPECT_TRUE(backgroundPixmap->isNull());

    // The demo's pictures, as the run command copies them.
    ASSERT_TRUE(QDir::current().mkdir(QStringLiteral("images")));
    const QDir samples(QStringLiteral(MONITOR_SOURCE_DIR "/samples/images"));
    for (const QString& name : samples.entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(samples.filePath(name), QStringLiteral("images/") + name));
    loadSharedPixmaps();
    for (QPixmap* picture : {backgroundPixmap, titlePixmap, linePixmap, editPixmap, originPixmap, moveUpPixmap,
                             moveDownPixmap, moveLeftPixmap, moveRightPixmap, enlargeScalePixmap, reductionScalePixmap})
        EXPECT_FALSE(picture->isNull());
}

// Qt's own texts (file dialogs, calendars) follow the chosen language through Debian's
// translations of Qt and the default locale.
TEST(StartUp, QtsOwnTextsFollowTheChosenLanguage)
{
    struct Case {
        int language;
        bool translated;   // a translator of Qt's texts is installed
        const char* lookIn;  // the file dialog's "Look in:"
        const char* monday;  // the calendar's short name of Monday
    } const cases[] = {
        {0, true, "查找范围：", "周一"},
        {1, false, "Look in:", "Mon"},
        {2, true, nullptr, "週一"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        currentLanguage = c.language;
        QTranslator* translator = installQtTranslator(qApp);
        EXPECT_EQ(translator != nullptr, c.translated);
        const QString lookIn = QCoreApplication::translate("QFileDialog", "Look in:");
        if (c.lookIn) {
            EXPECT_EQ(lookIn, QString::fromUtf8(c.lookIn));
        } else {
            EXPECT_NE(lookIn, QStringLiteral("Look in:"));
        }
        EXPECT_EQ(QLocale().dayName(1, QLocale::ShortFormat), QString::fromUtf8(c.monday));
        delete translator;
    }
    currentLanguage = 0;
    QLocale::setDefault(QLocale::system());
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
}

TEST(StartUp, OnlyEnglishGetsTheTranslator)
{
    ASSERT_TRUE(QDir::current().mkdir(QStringLiteral("Translator")));
    QFile qm(QStringLiteral("Translator/tr_en.qm"));
    ASSERT_TRUE(qm.open(QIODevice::WriteOnly));
    qm.close();
    struct Case {
        int language;
        bool installed;
    } const cases[] = {{0, false}, {1, true}, {2, false}, {3, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        currentLanguage = c.language;
        QTranslator* translator = installTranslator(qApp);
        EXPECT_EQ(translator != nullptr, c.installed);
        if (translator) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
    // English without the file: skipped silently.
    currentLanguage = 1;
    ASSERT_TRUE(QFile::remove(QStringLiteral("Translator/tr_en.qm")));
    EXPECT_EQ(installTranslator(qApp), nullptr);
    currentLanguage = 0;
}
