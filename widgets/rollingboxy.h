// One rolling column of the time roller (hours, minutes or seconds): dragged or wheeled one
// number at a time, never past its ends, and snapped back to rest by a 300 ms animation.
#pragma once

#include <QPropertyAnimation>
#include <QWidget>

class RollingBoxY : public QWidget {
    Q_OBJECT
    // The vertical offset of the numbers in pixels; the snap animation drives it back to 0.
    Q_PROPERTY(int deviation READ deviation WRITE setDeviation)

public:
    // kind 0 hours, 1 minutes, 2 seconds: selects the unit and the current local time's field
    // the column starts at.
    RollingBoxY(int kind, int minimum, int maximum, QWidget* parent = nullptr);

    int deviation() const { return m_offset; }
    void setDeviation(int offset);
    // Presets the value shown; -1 (outside the range) stands for "not chosen yet".
    void setValue(int value);

public slots:
    int readValue();

signals:
    void currentValueChanged(int value);
    void deviationChange(float deviation);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // One whole step in pixels, (H - 1) / 4.
    int step() const;
    // Moves the value by one when a drag has reached a whole step.
    void stepAtFullDeviation();
    // Ends a drag or a wheel turn: the value moves by one when the offset passed an eighth of the
    // height, and the animation takes the remaining offset back to 0.
    void settle();
    void paintNumber(QPainter& painter, int number, int offset);

    int m_kind;
    int m_minimum;
    int m_maximum;
    int m_value = 0;
    bool m_pressed = false;
    int m_offset = 0;
    int m_pressY = 0;
    QPropertyAnimation m_animation;
};
