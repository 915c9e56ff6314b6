// The operation-log lines of a camera's saved region changes: one line per kept region whose
// shape or parameters changed, per deleted and per added region, in the current language.
#pragma once

#include <QStringList>

class CammerSingleton;

namespace RegionChangeLog {

// Lines for detects 0 .. detects - 1 of camera `camera` (0-based), `before` the saved set and
// `after` the edited one; each starts with the camera and detect header. `positioning` is set
// when a positioning or angle-correction region is kept, added or deleted, or a region changed
// from one of those tools: alignment and positioning must then be trained again.
QStringList lines(const CammerSingleton& before, const CammerSingleton& after, int detects, int camera,
                  bool* positioning);

// Name of detect d as the log writes it ("成品", "模腔", or the four checks of the machines that
// have them); empty for the detects without a name.
QString detectName(int d);

// Name of a region's tool as the log writes it for an old or deleted region; empty for the
// tools it has no name for.
QString toolName(int toolType);

}  // namespace RegionChangeLog
