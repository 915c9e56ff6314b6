// Parts that the kit's message and password boxes share: the Cancel and OK pair under the
// message and the password entry.
#pragma once

class Edit;
class QWidget;
class cancelbtn;
class okbtn;

struct CancelOkPair {
    cancelbtn* cancel;
    okbtn* ok;
};

// Cancel at ((width - 30) / 2 - 135, (height + 240) / 2) and OK 30 pixels to its right, each
// 135 x 60, as children of `box`. The caller connects them.
CancelOkPair addCancelOk(QWidget* box, int width, int height);

// The password entry of a 750 x 550 password box: an Edit with `flags` (plus the bit of value 4)
// at (100, 230, 550, 60), "SimHei" 18 points, Password echo, digits of a physical keyboard typed
// into it.
Edit* addPasswordEntry(QWidget* box, int flags);
