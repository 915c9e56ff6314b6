// A solid red or blue touch push button, or a button that carries a picture.
#pragma once

#include <QPixmap>
#include <QPushButton>

class ColorButton : public QPushButton {
    Q_OBJECT

public:
    // Text form: red when colour is 1, blue for any other value (callers pass 0 for blue).
    ColorButton(const QString& text, QWidget* parent, int colour);
    // Picture form: no text and no style sheet of its own; the button only keeps the picture.
    ColorButton(const QPixmap& picture, QWidget* parent);

    bool isPictureMode() const { return m_pictureMode; }
    const QPixmap& picture() const { return m_picture; }

private:
    bool m_pictureMode = false;
    QPixmap m_picture;
};
