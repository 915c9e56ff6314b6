// What the monitor needs of the panel PC itself: ending the process, mounting a USB disk,
// the screen backlight and the two two-colour LEDs on the front panel. Every shell command
// goes through the shell runner, so MONITOR_DRY_RUN=1 only records them. GUI thread only.
#pragma once

#include <QString>

// Sleeps 1000 ms in the calling thread; called before exit, reboot and power-off.
void stopAndWait();

// stopAndWait, then ends the process at once with the C run-time exit and `status`.
// No window is closed and no Qt clean-up runs first.
[[noreturn]] void exitApplication(int status);

// Mounts the first USB partition (vfat, ntfs or exfat, not on the system disk) on /mnt and
// returns "/mnt"; returns the empty string when there is none or mounting failed. Blocks up to
// 1000 ms per command. `mountsTable` is the kernel's mount table; tests point it at a file.
QString mountUDisk(const QString& mountsTable = QStringLiteral("/proc/mounts"));

// Switches the display backlight on or off and mirrors the state in the main window's
// backlightOff flag (non-zero while off). The command's own result is not tested.
void setScreenPower(bool on);

// Drives one panel LED through the LED library: led 0 LED 3 green, 1 LED 3 red, 2 LED 2 green,
// 3 LED 2 red; value 0 lights it, 1 darkens it. Failures are only logged.
void setPanelLed(int led, int value);
