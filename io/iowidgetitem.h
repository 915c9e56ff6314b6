// One lamp of the IO lamp row: a round green (on), red (off) or grey (not known) light with its
// caption below.
// A push button only in form: it never acts on a press. GUI thread only.
#pragma once

#include <QPushButton>

class IOWidget_Item : public QPushButton {
    Q_OBJECT

public:
    // 60 x 60, transparent; the caption is the button text.
    IOWidget_Item(int index, bool isInput, QWidget* parent = nullptr);

    // Sets the caption under the light: 13 pixels, smaller where a long caption would not fit
    // the lamp's width.
    void setCaption(const QString& caption);

    // Shows `state`; repaints only when it differs from the state shown.
    void setOn(bool state);
    // A lamp whose state is not known (the board does not answer) is grey, whatever `on` says.
    void setKnown(bool known);

    // The state the lamp shows.
    bool on = false;
    bool known = true;
    // Input lamp (true) or output lamp (false), and the input or output 0..9 it shows.
    bool isInput;
    int index;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Plain widget handling: the press goes on to the bottom bar, the lamp is never clicked.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
