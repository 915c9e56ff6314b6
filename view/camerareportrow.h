// One row of a camera's per-region result table: a region of the last check and how it fared.
#pragma once

#include <QString>

struct CameraReportRow {
    // Region number, 1-based.
    int index = 0;
    // Name of the region's inspection tool.
    QString tool;
    // Limits of the tool (0 where the tool has none) and the measured value.
    double lower = 0;
    double upper = 0;
    double value = 0;
    // The region passed.
    bool ok = true;
};
