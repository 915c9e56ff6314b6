// The numeric field of a value box: typing on its pad or keyboard changes the box's integer
// value digit by digit; an optional unit label follows the centred number at its right.
#pragma once

#include "widgets/edit.h"

class EditBox;
class QLabel;

class EditParam : public Edit {
    Q_OBJECT

public:
    EditParam(int flags, const QString& unit, EditBox* owner);

    QLabel* unitLabel() const { return m_unitLabel; }

    // Shows the box's value text; the field's text clamp must not rewrite it (a kept 0 below
    // the minimum, or a whole number shown in divided units).
    void showValueText(const QString& text);

    // The key's digit replaces the box's value, or is appended to it as its last digit.
    void appendKey(const QString& key, bool replace) override;
    // Drops the last digit of the box's value; `emptied` is left alone.
    void backspace(bool* emptied) override;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

public slots:
    // Moves the unit label to the right of a centred number of `text`'s length.
    void ChangeLabelP(const QString& text);

private:
    void placeUnitLabel(int characters);

    EditBox* m_owner;
    QLabel* m_unitLabel = nullptr;
    int m_charWidth = 16;
    int m_unitLabelX = 0;
};
