// The button bars of the date and time pickers: plain coloured texts without border or
// background, standing right-aligned in a bar of fixed size.
#pragma once

class QFont;
class QMargins;
class QPushButton;
class QSize;
class QString;
class QWidget;

// A bar of `size` whose buttons (added with addTextButton) stand at its right.
QWidget* addRightAlignedBar(QWidget* parent, const QSize& size, const QMargins& margins, int spacing);

// Appends a text button in `colour` to the bar; `height` 0 keeps the button's natural height.
QPushButton* addTextButton(QWidget* bar, const QString& text, const QString& colour, const QFont& font,
                           int height);
