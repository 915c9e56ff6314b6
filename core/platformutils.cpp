#include "core/platformutils.h"

#include "core/globals.h"
#include "core/shellrunner.h"
#include "mainwindow/mojuwizard.h"

#include <QFile>
#include <QStringList>
#include <QThread>

#include <cstdlib>

namespace {

// Each command of mountUDisk may take this long before it is killed (ms).
constexpr int kMountCommandTimeoutMs = 1000;
const QString kMountPoint = QStringLiteral("/mnt");

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

QString mountUDisk(const QString& mountsTable)
{
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
        if (line.contains(kMountPoint))
            ShellRunner::runShell(QStringLiteral("umount /mnt"), kMountCommandTimeoutMs);
    }
    ShellRunner::runShell(QStringLiteral("mount %1 /mnt").arg(device), kMountCommandTimeoutMs);

    // Only an entry with exactly this device on exactly /mnt counts as mounted: a device that
    // happens to sit on /mnt/other or /mnt2 is not the USB disk on /mnt.
    if (!readText(mountsTable, &mounts))
        return QString();
    const QStringList after = mounts.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : after) {
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() >= 2 && fields.at(0) == device && fields.at(1) == kMountPoint)
            return kMountPoint;
    }
    return QString();
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
