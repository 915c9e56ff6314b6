// The grey Cancel button with red text of the message boxes and the password box (135 x 60,
// text "取消").
#pragma once

#include <QPushButton>

class cancelbtn : public QPushButton {
    Q_OBJECT

public:
    explicit cancelbtn(QWidget* parent = nullptr);
};
