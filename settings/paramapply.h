// The steps of applying an edited system parameter record that the settings dialog and the
// settings wizard share: the two checks, the machine-type derivation, the re-application to
// cameras and detection, the restart notices and putting the active camera values back on the
// cameras. GUI thread only; the camera and detection steps reach the cameras through mainWindow.
#pragma once

class SystemParam;
class Warnbox;

namespace ParamApply {

// At least one detection algorithm is switched on.
bool algorithmsEnabled(const SystemParam& record);
// At least one of the cameras in use (slots below `cameras`) is enabled.
bool anyCameraEnabled(const SystemParam& record, int cameras);

// machineType := machineTypeEdited, then the fields that follow from it; the main window's
// station follows a two-station machine's mould side (mainWindow may be null).
void deriveMachineType(SystemParam& record);

// Brings cameras and detection up to `after`, the record just made active, where it differs
// from `before`, the record it replaced: external trigger, grabbing speed, camera enable,
// positioning and alignment models, region copies of the cavity check, and templates.
void reapply(const SystemParam& before, const SystemParam& after);

// Tells, in `box`, of saved changes that take effect only after a restart: template and record
// counts (text 276); IO port, colour cameras, grey channel or lens optimisation (text 309); the
// machine type (text 277).
void showRestartNotices(const SystemParam& before, const SystemParam& after, Warnbox& box);

// Every camera in use whose live values were changed in `edited` gets the value of `active`
// back: exposure (also when automatic exposure changed), gain, sharpness, contrast, gamma,
// automatic brightness and mirror.
void restoreLiveCameraValues(const SystemParam& active, const SystemParam& edited);

// Asks every camera view in use to repaint.
void repaintCameraViews();

}  // namespace ParamApply
