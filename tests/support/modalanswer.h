// Answers the next modal box of a test, so that no test hangs in exec(): a timer polls for
// QApplication::activeModalWidget() and presses the button with the given text (or object name).
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace ModalAnswer {

// Arms a one-shot answer: the first modal widget shown from now on that has a button whose text
// or object name is `button` gets that button clicked. When no such button exists, the modal
// widget is closed with QDialog::reject (or hidden). The answer waits for its box as long as the
// test runs, however slowly the code before the box gets there; one still armed when the test
// ends fails it (see endOfTest).
void pressWhenShown(const QString& button);

// Arms a one-shot answer that calls `done(result)` on the next modal dialog, as long as the test
// runs.
void finishWhenShown(int result);

// Arms a one-shot answer of the test's own: `act` is offered every visible modal widget until it
// returns true (it handled that one). `expected` names the box for the failure when it never
// comes.
void whenShown(std::function<bool(QWidget*)> act, const QString& expected);

// How many modal widgets the armed answers have handled since the process started.
int answeredCount();

// The window text of the last modal widget answered (its labels joined by blanks).
QString lastAnsweredText();

// Disarms the answers still waiting and names each: the boxes a test expected and that never came.
// The test main calls it at the end of every test and fails the test for each name.
QStringList endOfTest();

}  // namespace ModalAnswer
