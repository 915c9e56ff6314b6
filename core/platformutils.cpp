#include "core/platformutils.h"

#include "core/globals.h"
#include "core/shellrunner.h"
#include "mainwindow/mojuwizard.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>

#include <cstdlib>

namespace {

// Each command of mountUDisk may take this long before it is killed (ms).
constexpr int kMountCommandTimeoutMs = 1000;
constexpr int kClockCommandTimeoutMs = 3000;

QString& mountsTablePath()
{
    static QString path = QStringLiteral("/proc/mounts");
    return path;
}

QString environmentOr(const char* name, const char* fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? QString::fromLatin1(fallback) : value;
}

// A path as one word of a shell command line: as it is when it holds only plain characters,
// else in single quotes.
QString shellWord(const QString& path)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:+-]+$"));
    if (plain.match(path).hasMatch())
        return path;
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// A path of the kernel's mount table, where blanks, tabs, line ends and backslashes are written
// as octal escapes.
QString mountTablePath(QString field)
{
    field.replace(QLatin1String("\\040"), QLatin1String(" "));
    field.replace(QLatin1String("\\011"), QLatin1String("\t"));
    field.replace(QLatin1String("\\012"), QLatin1String("\n"));
    field.replace(QLatin1String("\\134"), QLatin1String("\\"));
    return field;
}

bool checkClockCommand(const QString& what, const ShellResult& result)
{
    if (result.ok())
        return true;
    qWarning("%s", qUtf8Printable(QStringLiteral("setting the clock failed: %1 (started %2, finished %3, exit code %4): %5")
                                      .arg(what)
                                      .arg(result.started)
                                      .arg(result.finished)
                                      .arg(result.exitCode)
                                      .arg(QString::fromLocal8Bit(result.output).trimmed())));
    return false;
}

bool readText(const QString& path, QString* text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *text = QString::fromLocal8Bit(file.readAll());
    return true;
}

QString devicePathOf(const QString& blkidLine)
{
    return blkidLine.section(QLatin1Char(':'), 0, 0);
}

// "/dev/sda10" -> "/dev/sda": the disk that holds a partition.
QString stripPartitionNumber(QString device)
{
    while (!device.isEmpty() && device.back().isDigit())
        device.chop(1);
    return device;
}

}  // namespace

void stopAndWait()
{
    QThread::msleep(1000);
}

void exitApplication(int status)
{
    stopAndWait();
    std::exit(status);
}

QString installFolder()
{
    return environmentOr("MONITOR_INSTALL_DIR", "/root/bin-VAV");
}

QString usbMountPoint()
{
    return environmentOr("MONITOR_USB_MOUNT", "/mnt");
}

void setMountsTable(const QString& path)
{
    mountsTablePath() = path;
}

QString mountUDisk(const QString& table)
{
    const QString mountsTable = table.isEmpty() ? mountsTablePath() : table;
    const QString mountPoint = usbMountPoint();
    const ShellResult blkid =
        ShellRunner::run(QStringLiteral("bash"), {QStringLiteral("-c"), QStringLiteral("blkid")}, kMountCommandTimeoutMs);
    const QString listing = QString::fromLocal8Bit(blkid.output);
    if (listing.isEmpty())
        return QString();

    // The system disk is the one holding an ext4 partition; a USB partition listed before it
    // is never taken, because it could still be a partition of the system disk.
    QString systemDisk;
    QStringList candidates;
    const QStringList lines = listing.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        if (line.contains(QLatin1String("TYPE=\"ext4\""))) {
            systemDisk = stripPartitionNumber(devicePathOf(line));
        } else if (line.contains(QLatin1String("TYPE=\"vfat\"")) || line.contains(QLatin1String("TYPE=\"ntfs\""))
                   || line.contains(QLatin1String("TYPE=\"exfat\""))) {
            const QString device = devicePathOf(line);
            if (!systemDisk.isEmpty() && !device.contains(systemDisk))
                candidates << device;
        }
    }
    if (candidates.isEmpty())
        return QString();
    const QString device = candidates.first();

    // Whatever is still mounted on /mnt from an earlier call goes first.
    QString mounts;
    if (!readText(mountsTable, &mounts))
        return QString();
    const QStringList mountLines = mounts.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : mountLines) {
        if (line.contains(mountPoint))
            ShellRunner::runShell(QStringLiteral("umount %1").arg(shellWord(mountPoint)), kMountCommandTimeoutMs);
    }
    ShellRunner::runShell(QStringLiteral("mount %1 %2").arg(shellWord(device), shellWord(mountPoint)),
                          kMountCommandTimeoutMs);

    // Only an entry with exactly this device on exactly the mount point counts as mounted: a
    // device that happens to sit on /mnt/other or /mnt2 is not the USB disk on /mnt.
    if (!readText(mountsTable, &mounts))
        return QString();
    const QStringList after = mounts.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : after) {
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() >= 2 && fields.at(0) == device && mountTablePath(fields.at(1)) == mountPoint)
            return mountPoint;
    }
    return QString();
}

void unmountUDisk()
{
    ShellRunner::run(QStringLiteral("sync"), {});
    ShellRunner::run(QStringLiteral("umount"), {usbMountPoint()});
}

bool setSystemClock(const QDateTime& time)
{
    const QString text = time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (!checkClockCommand(QStringLiteral("date"),
                           ShellRunner::run(QStringLiteral("date"), {QStringLiteral("-s"), text}, kClockCommandTimeoutMs)))
        return false;
    return checkClockCommand(QStringLiteral("hwclock"), ShellRunner::run(QStringLiteral("hwclock"),
                                                                          {QStringLiteral("--systohc")},
                                                                          kClockCommandTimeoutMs));
}

void setScreenPower(bool on)
{
    ShellRunner::runShell(on ? QStringLiteral("echo 0 > /sys/class/backlight/intel_backlight/bl_power")
                             : QStringLiteral("echo 1 > /sys/class/backlight/intel_backlight/bl_power"));
    if (mainWindow)
        mainWindow->backlightOff = on ? 0 : 1;
}

void setPanelLed(int led, int value)
{
    static const char* const kLedNames[4] = {"LED 3 绿色", "LED 3 红色", "LED 2 绿色", "LED 2 红色"};
    if (led >= 0 && led < 4)
        qInfo("%s %d", kLedNames[led], value);
    // The entry point is null until the LED library's set-up has resolved it.
    if (gpioAvailable && gpioWrite) {
        if (gpioWrite(static_cast<unsigned char>(led), static_cast<unsigned char>(value)) != 1)
            qWarning("LED 写入失败");
    } else {
        qWarning("LD GPIO J6412 LED 因初始化失败, 导致写入失败");
    }
}
