// Answers the next modal box of a test, so that no test hangs in exec(): a timer polls for
// QApplication::activeModalWidget() and presses the button with the given text (or object name).
#pragma once

#include <QString>

class QWidget;

namespace ModalAnswer {

// Arms a one-shot answer: within `timeoutMs`, the first modal widget that shows a button whose
// text or object name is `button` gets that button clicked. When no such button exists, the
// modal widget is closed with QDialog::reject (or hidden).
void pressWhenShown(const QString& button, int timeoutMs = 5000);

// Arms a one-shot answer that calls `done(result)` on the next modal dialog.
void finishWhenShown(int result, int timeoutMs = 5000);

// How many modal widgets the armed answers have handled since the process started.
int answeredCount();

// The window text of the last modal widget answered (its labels joined by blanks).
QString lastAnsweredText();

}  // namespace ModalAnswer
