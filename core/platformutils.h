// What the monitor needs of the panel PC itself: ending the process, mounting a USB disk,
// the screen backlight and the two two-colour LEDs on the front panel. Every shell command
// goes through the shell runner, so MONITOR_DRY_RUN=1 only records them. GUI thread only.
#pragma once

#include <QString>

class QDateTime;

// Sleeps 1000 ms in the calling thread; called before exit, reboot and power-off.
void stopAndWait();

// stopAndWait, then ends the process at once with the C run-time exit and `status`.
// No window is closed and no Qt clean-up runs first.
[[noreturn]] void exitApplication(int status);

// The install folder, the program's working directory on the panel PC, where a pending update
// package waits for the next boot: MONITOR_INSTALL_DIR when set, else /root/bin-VAV.
QString installFolder();
// Where a USB disk is mounted: MONITOR_USB_MOUNT when set, else /mnt.
QString usbMountPoint();

// Mounts the first USB partition (vfat, ntfs or exfat, not on the system disk) on usbMountPoint()
// and returns that path; returns the empty string when there is none or mounting failed. Blocks
// up to 1000 ms per command. `mountsTable` is the kernel's mount table; empty means the one
// set by setMountsTable (/proc/mounts unless a test has set its own file).
QString mountUDisk(const QString& mountsTable = QString());
void setMountsTable(const QString& path);
// Flushes the file systems and unmounts usbMountPoint().
void unmountUDisk();

// Sets the system clock to `time`, then the hardware clock from it, each command waited for up
// to 3000 ms. False (and logged) when a command failed; the hardware clock is not written after
// a failed clock set.
bool setSystemClock(const QDateTime& time);

// Switches the display backlight on or off and mirrors the state in the main window's
// backlightOff flag (non-zero while off). The command's own result is not tested.
void setScreenPower(bool on);

// Drives one panel LED through the LED library: led 0 LED 3 green, 1 LED 3 red, 2 LED 2 green,
// 3 LED 2 red; value 0 lights it, 1 darkens it. Failures are only logged.
void setPanelLed(int led, int value);
