// Finds the attached cameras with one prototype per enabled driver family, puts them into the
// order of the stored serial numbers, opens them (two simulated cameras when none opens), and
// writes the serial numbers back. GUI thread only; the registries live in core/globals.h.
#pragma once

#include <QList>
#include <QString>
#include <QVector>

#include <functional>

class CameraInterface;
class SystemParam;
struct CameraInfo;

namespace CameraDiscovery {

// A driver family discovery may enumerate: its bit in cameraDriverMask and the maker of its
// prototype (null while the driver is not part of the program).
struct DriverFamily {
    int maskBit;
    const char* name;
    std::function<CameraInterface*()> makePrototype;
};

// The families in the order discovery enumerates them: network thermal camera (0x10), REST
// thermal camera (0x100), Hik (0x08), Mind (0x04), Do3think (0x200).
QVector<DriverFamily> driverFamilies();
// Tests only: enumerate these families instead; an empty vector restores the program's own.
void setDriverFamilies(QVector<DriverFamily> families);

// Appends every enabled family's devices to cameraInfoList, registers each family's prototype
// in cameraDrivers (also when it found nothing), and orders cameraInfoList by cameraSerials:
// the device of entry 0 first, then that of entry 1, ...; the others follow in driver order.
void discoverCameras();

// A bound, opened instance of the driver `info` names, in colour or grey mode; null when no
// prototype has that identifier, the driver makes no instance, or the device does not open.
// Grabbing is not started.
CameraInterface* createCamera(CameraInfo info, bool colour);

// Start-up after discovery: opens the first (at most 8) devices of cameraInfoList, the colour
// flag of each taken from colourCamera[number opened so far] of `params`; when none opens,
// replaces cameraInfoList by the two simulated devices, registers their prototype, sets
// simulatedCameraFlag and opens both in grey mode. Sets cameraCount and returns the cameras in
// camera order (kept as openedCameras()).
QList<CameraInterface*> openCameras(const SystemParam& params);
// While openCameras opens a device: the camera position (0..7) it takes when it opens, so that a
// driver reading per-camera parameters in open reads its own slot. -1 at any other time.
int openingPosition();
// The cameras openCameras opened, in camera order.
QList<CameraInterface*> openedCameras();

// Sets every cameraSerials entry to "0"; unless `clear`, puts the serial text (first 64 bytes)
// of each opened camera k into entry cameraOrderSlots[k] (a later camera wins a shared
// position; a position outside 0..7 is skipped); then writes rows serialNB0..7 of SN.db and
// writes "Save SN <n>: <text>" to the operation log for each camera position in use.
void saveSerialNumbers(bool clear);

// An OK/Cancel question of `width` x `height`; true on OK.
using Question = std::function<bool(const QString& text, int width, int height)>;
// The widget kit's two-button message box (parentless, modal).
bool askOkCancel(const QString& text, int width, int height);

// Start-up's serial check, after the camera views exist. Simulated cameras: asks text 134
// (screen size) and on OK clears the stored serials. Otherwise, when serialCount of the active
// parameters is above 0 and differs from the number of devices found: asks text 360 (600 x 420)
// and on OK clears the stored serials, closes PARAM.db, calls `closeRecordDb` (the main
// window's operation-log database), waits 500 ms and reboots.
void checkSerialNumbers(const std::function<void()>& closeRecordDb, const Question& ask = askOkCancel);

// Where the operation-log lines go (the main window's operation log); every line is also
// written to the program log.
void setOperationLog(std::function<void(const QString&)> writer);

}  // namespace CameraDiscovery
