// The blue OK button of the message boxes and the password box (135 x 60, text "确定").
#pragma once

#include <QPushButton>

class okbtn : public QPushButton {
    Q_OBJECT

public:
    explicit okbtn(QWidget* parent = nullptr);
};
