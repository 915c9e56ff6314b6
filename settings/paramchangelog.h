// The operation-log line of a system parameter change: text 235 followed by one fragment per
// logged field that differs between the active and the edited record, in a fixed order. Shared
// by the settings dialog and the settings wizard. GUI thread (it reads the text table).
#pragma once

#include <QString>

class SystemParam;

namespace ParamChangeLog {

// How a logged field's change is written.
enum class Form {
    Value,         // text 245: ", <caption> is changed from <old> to <new>"
    Delay,         // text 236, with the check's caption
    Recheck,       // text 239, with the check's caption
    Switch,        // text 240 and text 250 (non-zero) or 251 (zero)
    InvertedSwitch,  // motion correction: 0 means on, -1 off
    ClampSwitch,   // text 240 and text 252 (non-zero) or 253 (zero)
    CameraBlock,   // seven per-camera values of slots 0..7, each with its own text
    Password,      // text 249, no values
};

// One row of the line: the 32-bit field index of its field in the record, how it is written,
// and its caption: a text-table id, or (id -1) a source text of the translator's context
// "ParamChangeLog". The camera block has no field or caption of its own.
struct Row {
    int field;
    Form form;
    int captionId;
    const char* trCaption;
};

// The 62 rows in the order of the line.
const Row* rows(int* count);

// Appends the fragments of `row` for a change from `before` to `after` (none when unchanged).
void appendFragments(QString& line, const Row& row, const SystemParam& before, const SystemParam& after);

// The line for a change from `before` (active) to `after` (edited): text 235 alone when no
// logged field changed.
QString line(const SystemParam& before, const SystemParam& after);

}  // namespace ParamChangeLog
