// The horizontal slider of the region parameter panel: caption, value box, track with a handle
// that can be dragged, and "- 1"/"+ 1" buttons; tapping the value opens the numeric pad.
#pragma once

#include <QAbstractSlider>
#include <QPoint>
#include <QRect>

class ColorButton;
class Edit;

class Slider : public QAbstractSlider {
    Q_OBJECT

public:
    Slider(int minimum, int maximum, int pageStep, int value, QWidget* parent, const QString& objectName);

    // Sets object name, range, page step and value again and disarms a drag.
    void reset(int minimum, int maximum, int pageStep, int value, const QString& objectName);

    ColorButton* plusButton() const { return m_plusButton; }
    ColorButton* minusButton() const { return m_minusButton; }
    // Never seen (no width): the target of the numeric pad.
    Edit* valueField() const { return m_valueField; }
    int trackWidth() const { return m_trackWidth; }
    int trackMargin() const { return m_trackMargin; }
    int fillWidth() const { return m_fillWidth; }
    // Where the handle was last painted.
    QRect handleRect() const { return QRect(m_handleX, m_handleY, m_handleWidth, m_handleHeight); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

public slots:
    void Add();
    void Sub();
    // The typed text as an unsigned number (0 when it does not parse), held in range.
    void SetText(const QString& text);

private:
    // Filled part of the track for the current value, in pixels; 0 when the range is empty or
    // the slider is too narrow for a track.
    int fillFor(int value) const;

    ColorButton* m_plusButton;
    ColorButton* m_minusButton;
    Edit* m_valueField;
    int m_trackWidth = 0;
    int m_trackMargin = 0;
    int m_fillWidth = 0;
    int m_handleX = 0;
    int m_handleY = 0;
    int m_handleWidth = 0;
    int m_handleHeight = 0;
    // Where an armed drag was last anchored; (-1, -1) when no drag is armed.
    QPoint m_pressPoint{-1, -1};
};
