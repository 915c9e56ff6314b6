#include "core/platformutils.h"
#include "core/shellrunner.h"
#include "tests/support/dryrunlog.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString kMounts = QStringLiteral("mounts");
const char* const kBaseMounts = "sysfs /sys sysfs rw 0 0\n/dev/sda2 / ext4 rw,relatime 0 0\n";

void writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

ShellResult answered(const QByteArray& output)
{
    ShellResult result;
    result.started = result.finished = true;
    result.exitCode = 0;
    result.output = output;
    return result;
}

struct MountCase {
    const char* name;
    const char* blkid;          // what blkid prints
    const char* mountsBefore;   // mount table lines besides the base ones
    const char* mountsAfterMount;  // lines the kernel adds when the mount command runs
    const char* expected;       // mountUDisk's result
    QStringList commands;       // commands run, in order
};

class MountUDisk : public ::testing::Test {
protected:
    // The panel PC's mount point; the dry run mounts nothing there.
    void SetUp() override
    {
        m_previous = qgetenv("MONITOR_USB_MOUNT");
        qputenv("MONITOR_USB_MOUNT", "/mnt");
    }
    void TearDown() override
    {
        ShellRunner::setDryRunResponder(nullptr);
        qputenv("MONITOR_USB_MOUNT", m_previous);
    }

private:
    QByteArray m_previous;
};

}  // namespace

TEST_F(MountUDisk, FindsAndMountsTheUsbPartition)
{
    const QString blkid = QStringLiteral("bash -c blkid");
    const MountCase cases[] = {
        {"USB partition after the system disk is mounted",
         "/dev/sda1: UUID=\"1A2B\" TYPE=\"vfat\" PARTUUID=\"1\"\n/dev/sda2: UUID=\"c0ffee\" TYPE=\"ext4\"\n"
         "/dev/sdb1: LABEL=\"EXPORT\" UUID=\"55AA\" TYPE=\"vfat\"\n",
         "", "/dev/sdb1 /mnt vfat rw 0 0\n", "/mnt", {blkid, "bash -c mount /dev/sdb1 /mnt"}},
        {"vfat listed before the first ext4 is never taken",
         "/dev/sdb1: UUID=\"55AA\" TYPE=\"vfat\"\n/dev/sda1: UUID=\"c0ffee\" TYPE=\"ext4\"\n", "", "", "", {blkid}},
        {"earlier mounts on /mnt are unmounted first",
         "/dev/sda2: TYPE=\"ext4\"\n/dev/sdc1: TYPE=\"exfat\"\n",
         "/dev/sdb1 /mnt vfat rw 0 0\n/dev/sdd1 /mnt ntfs rw 0 0\n", "/dev/sdc1 /mnt exfat rw 0 0\n", "/mnt",
         {blkid, "bash -c umount /mnt", "bash -c umount /mnt", "bash -c mount /dev/sdc1 /mnt"}},
        {"other partitions of a system disk with two-digit numbers are skipped",
         "/dev/sda10: TYPE=\"ext4\"\n/dev/sda11: TYPE=\"vfat\"\n/dev/sdb1: TYPE=\"ntfs\"\n", "",
         "/dev/sdb1 /mnt fuseblk rw 0 0\n", "/mnt", {blkid, "bash -c mount /dev/sdb1 /mnt"}},
        {"failed mount reports no disk", "/dev/sda2: TYPE=\"ext4\"\n/dev/sdb1: TYPE=\"vfat\"\n", "", "", "",
         {blkid, "bash -c mount /dev/sdb1 /mnt"}},
        {"the device on a folder below /mnt is not the disk on /mnt",
         "/dev/sda2: TYPE=\"ext4\"\n/dev/sdb1: TYPE=\"vfat\"\n", "", "/dev/sdb1 /mnt/usb vfat rw 0 0\n", "",
         {blkid, "bash -c mount /dev/sdb1 /mnt"}},
        {"swap and system partitions only", "/dev/sda1: TYPE=\"ext4\"\n/dev/sda3: TYPE=\"swap\"\n", "", "", "", {blkid}},
        {"blkid prints nothing", "", "", "", "", {blkid}},
    };
    for (const MountCase& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(QString::fromLatin1(ShellRunner::kDryRunLog));
        writeFile(kMounts, QByteArray(kBaseMounts) + c.mountsBefore);
        const QByteArray afterMount = QByteArray(kBaseMounts) + c.mountsBefore + c.mountsAfterMount;
        ShellRunner::setDryRunResponder([&](const QString& line) {
            if (line == QLatin1String("bash -c blkid"))
                return answered(c.blkid);
            if (line.startsWith(QLatin1String("bash -c mount ")))
                writeFile(kMounts, afterMount);
            return answered({});
        });

        EXPECT_EQ(mountUDisk(kMounts), QString::fromLatin1(c.expected));
        EXPECT_EQ(DryRunLog::recordedCommands(), c.commands);
    }
}

TEST_F(MountUDisk, UnreadableMountTableMeansNoDisk)
{
    ShellRunner::setDryRunResponder([](const QString& line) {
        return answered(line.endsWith(QLatin1String("blkid")) ? "/dev/sda1: TYPE=\"ext4\"\n/dev/sdb1: TYPE=\"vfat\"\n"
                                                              : QByteArray());
    });
    EXPECT_EQ(mountUDisk(QStringLiteral("no-such-mounts")), QString());
    EXPECT_EQ(DryRunLog::recordedCommands(), QStringList{"bash -c blkid"});
}

TEST_F(MountUDisk, ConfiguredMountPointIsUsedAndQuoted)
{
    const QByteArray mountPoint = "/media/usb disk";
    qputenv("MONITOR_USB_MOUNT", mountPoint);
    writeFile(kMounts, kBaseMounts);
    ShellRunner::setDryRunResponder([&](const QString& line) {
        if (line.endsWith(QLatin1String("blkid")))
            return answered("/dev/sda2: TYPE=\"ext4\"\n/dev/sdb1: TYPE=\"vfat\"\n");
        if (line.startsWith(QLatin1String("bash -c mount ")))
            writeFile(kMounts, QByteArray(kBaseMounts) + "/dev/sdb1 /media/usb\\040disk vfat rw 0 0\n");
        return answered({});
    });
    EXPECT_EQ(mountUDisk(kMounts), QString::fromLatin1(mountPoint));
    unmountUDisk();
    EXPECT_EQ(DryRunLog::recordedCommands(),
              (QStringList{"bash -c blkid", "bash -c mount /dev/sdb1 '/media/usb disk'", "sync", "umount /media/usb disk"}));
}

TEST(FixedPaths, PanelPcDefaultsUnlessTheEnvironmentNamesOthers)
{
    const QByteArray install = qgetenv("MONITOR_INSTALL_DIR");
    const QByteArray mount = qgetenv("MONITOR_USB_MOUNT");
    qunsetenv("MONITOR_INSTALL_DIR");
    qunsetenv("MONITOR_USB_MOUNT");
    EXPECT_EQ(installFolder(), QStringLiteral("/root/bin-VAV"));
    EXPECT_EQ(usbMountPoint(), QStringLiteral("/mnt"));
    qputenv("MONITOR_INSTALL_DIR", "/opt/monitor");
    qputenv("MONITOR_USB_MOUNT", "/media/usb");
    EXPECT_EQ(installFolder(), QStringLiteral("/opt/monitor"));
    EXPECT_EQ(usbMountPoint(), QStringLiteral("/media/usb"));
    qputenv("MONITOR_INSTALL_DIR", install);
    qputenv("MONITOR_USB_MOUNT", mount);
}

TEST(ExitApplicationDeathTest, WaitsASecondAndEndsWithTheStatus)
{
    QElapsedTimer clock;
    clock.start();
    EXPECT_EXIT(exitApplication(3), ::testing::ExitedWithCode(3), "");
    EXPECT_GE(clock.elapsed(), 1000);
}
