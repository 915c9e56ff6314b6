// Room for a caption: where a box or button keeps the size the screen gives it, a caption that
// would not fit (long English texts) is drawn in a smaller font instead of being cut.
#pragma once

#include <QFont>

class QAbstractButton;
class QComboBox;
class QPushButton;
class QWidget;
class QRect;
class QString;

// The largest pixel size from `largest` down to `smallest` at which `text` (one or more lines)
// fits `width` in the family of `font`; `smallest` when none does.
int fittingPixelSize(QFont font, const QString& text, int width, int largest, int smallest);

// `text` broken into lines of at most `width` pixels in `font`: between words, and between the
// characters of Chinese and Japanese, which need no space to break; a Latin word or number is
// never split. A text that fits stays one line.
QString wrappedToWidth(const QFont& font, const QString& text, int width);

// `text` broken into lines of at most `width` pixels in `font` for a message: between words,
// and between the phrases of Chinese and Japanese (after their punctuation), so that no line
// ends inside a word such as 改变 or 参数组; only a phrase longer than a line is broken between
// its characters. Lines are as full as that allows; the line breaks of `text` stay.
QString wrappedAtPhrases(const QFont& font, const QString& text, int width);

// `font` at the largest pixel size, from its own down to `smallest`, at which `text` laid out
// with `flags` (alignment, Qt::TextWordWrap) fits inside `box`.
QFont fittingFont(QFont font, const QRect& box, int flags, const QString& text, int smallest);

// Shrinks the caption of a styled button whose style sheet names its text size ("font-size: Npx")
// until the caption fits `room` pixels (the button's width less its paddings and icon), down to
// `smallest`. The button's own style sheet gets the size; a caption that fits is left alone.
void fitButtonCaption(QPushButton* button, int room, int smallest);

// Shrinks the font of a combo box and of its list until every entry fits the box's text field
// (its width, and the height of its ink), down to `smallest` pixels. A refit after the entries
// change starts again from the size the box had at its first fit.
void fitComboEntries(QComboBox* box, int smallest);

// The same for the caption of a check box or radio button beside its indicator.
void fitBoxCaption(QAbstractButton* box, int smallest);

// Fits every combo box of `page` (boxes of a fixed size), once its style sheet is set.
void fitCombosOf(QWidget* page, int smallest);
