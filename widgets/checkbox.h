// The kit's check box: yellow text in the kit font (a host dialog's style sheet may override it).
#pragma once

#include <QCheckBox>

class CheckBox : public QCheckBox {
    Q_OBJECT

public:
    CheckBox(QWidget* parent, const QString& text);

    void setCheckedState(bool on);
    bool isCheckedState() const;
};
