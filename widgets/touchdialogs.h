// Qt's own dialogs that the screens open (the folder and file choosers, and the message boxes
// those open) in the look of the touch screens: white text on the dark background, blue buttons,
// rows and buttons a finger can hit.
#pragma once

#include <QString>

class QFileDialog;
class QWidget;

// The style sheet of the touch theme for Qt's dialogs, with text of `pixelSize`.
QString touchDialogStyleSheet(int pixelSize);

// Gives a file dialog the touch theme: Qt's own (not the desktop's) dialog, the style sheet,
// the kit's font at `pixelSize`, a list of large rows, nearly the whole screen.
void applyTouchFileDialog(QFileDialog* dialog, int pixelSize = 24);

// Asks for a folder in a file dialog of the touch theme over `parent`; an empty string when the
// operator cancels.
QString chooseTouchDirectory(QWidget* parent, const QString& title);
