// The value box of the settings screens: a caption, step buttons -5, -1, +1, +5 that repeat while
// held, and a numeric field; it holds an integer in raw units inside a range and can show it
// divided by a fixed divisor (15 tenths of a second show as 1.5).
#pragma once

#include <QString>
#include <QWidget>

class ColorButton;
class EditParam;
class QHBoxLayout;
class QLabel;

class EditBox : public QWidget {
    Q_OBJECT

public:
    // Display modes.
    enum Mode { Integer = 0, Divided = 2 };

    EditBox(int minimum, int maximum, QWidget* parent, const QString& label, const QString& unit, int mode,
            int divisor);

    // Sets the box range and the field's text clamp and validator ranges; the value stays.
    void setRange(int minimum, int maximum);
    // When allowed, a value of 0 passes below the minimum (0 then means "off").
    void setZeroAllowed(bool allowed);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    EditParam* field() const { return m_field; }
    QLabel* label() const { return m_label; }
    ColorButton* plusOneButton() const { return m_plusOne; }
    ColorButton* minusOneButton() const { return m_minusOne; }
    ColorButton* plusFiveButton() const { return m_plusFive; }
    ColorButton* minusFiveButton() const { return m_minusFive; }

signals:
    void valueChanged(int value);

public slots:
    void AddOne();
    void SubOne();
    void AddFive();
    void SubFive();
    int value() const { return m_value; }
    // Stores the value without check, display or signal.
    void setInputValue(int value);
    // Stores the value, then checks, shows and reports it.
    void setValue(int value);
    // Shows the stored value without range check and without signal.
    void setValue();
    // A physical digit (0..9) or Backspace (-1) typed in the field.
    void keyBoardValue(int value);
    // Holds the value in range, shows it and emits valueChanged.
    void CheckRange();
    void setText(const QString& text);
    int getType() const { return m_mode; }
    // Hides the four step buttons.
    void setSampleShow();
    void setLabelColor(const QColor& colour);

private:
    void showValue();
    void stepBy(int delta);

    EditParam* m_field;
    ColorButton* m_plusOne;
    ColorButton* m_minusOne;
    ColorButton* m_plusFive;
    ColorButton* m_minusFive;
    QLabel* m_label;
    QHBoxLayout* m_layout;
    int m_minimum;
    int m_maximum;
    int m_value = 0;
    bool m_zeroAllowed = false;
    int m_divisor;
    int m_mode;
    QString m_labelText;
};
