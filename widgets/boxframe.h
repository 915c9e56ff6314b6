// Geometry and frame painting shared by the kit's boxes and pickers.
#pragma once

class QPainter;
class QPoint;
class QRect;
class QSize;
class QString;
class QWidget;

// The rectangle of a w x h box centred on the screen size recorded at start-up (each half an
// integer division).
QRect centredBoxRect(int w, int h);

// Paints the dark frame of the text boxes: a 60-pixel title bar "#353D45" and the body
// "#262E34", without outline; leaves the painter with white text in "SimHei" 15 points.
void paintBoxFrame(QPainter& painter, int width, int height);

// Paints the message of a text box centred in the band from `top`, `height` pixels high, across
// the box's whole width but a margin of kBoxMessageMargin on each side, in the painter's font and
// pen; its lines break between words and phrases (wrappedAtPhrases), never inside a word.
constexpr int kBoxMessageMargin = 20;
void paintBoxMessage(QPainter& painter, int boxWidth, int top, int height, const QString& message);

// The shared background picture scaled to the whole box (nothing when it did not load).
void paintBackgroundPicture(QPainter& painter, int width, int height);

// The notice and question boxes: the background picture, the message in red "SimHei" 40 points
// in `messageRect` with `alignment`, and a white frame of pen width 5.
void paintPictureBox(QPainter& painter, int width, int height, const QRect& messageRect, int alignment,
                     const QString& message);

// The sum of the positions of the widget, its parent and its grandparent (those that exist): the
// pickers open their dialogs relative to it.
QPoint summedPosition(const QWidget* widget);

// `wanted` moved just as far as needed for a window of `size` to lie wholly on the screen size
// recorded at start-up (the left and top edges win when it is larger than the screen).
QPoint keptOnScreen(const QPoint& wanted, const QSize& size);
