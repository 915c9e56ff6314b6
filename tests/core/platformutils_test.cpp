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
    void TearDown() override { ShellRunner::setDryRunResponder(nullptr); }
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

TEST(ExitApplicationDeathTest, WaitsASecondAndEndsWithTheStatus)
{
    QElapsedTimer clock;
    clock.start();
    EXPECT_EXIT(exitApplication(3), ::testing::ExitedWithCode(3), "");
    EXPECT_GE(clock.elapsed(), 1000);
}
