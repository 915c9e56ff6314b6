// A touch toggle button: blue while checked (on), red while unchecked (off).
#pragma once

#include <QPushButton>

class customButton : public QPushButton {
    Q_OBJECT

public:
    explicit customButton(QWidget* parent = nullptr);
};
