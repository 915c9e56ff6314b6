// The one-line range display of the statistics and chart screens ("start - end"); a press on it
// opens the range picker, and a confirmed range becomes the display's start and end.
#pragma once

#include <QDateTime>
#include <QWidget>

class _EditDateTime;

class FromTimeToTime : public QWidget {
    Q_OBJECT

public:
    explicit FromTimeToTime(QWidget* parent = nullptr);

    // Store the value and show it as "yyyy-MM-dd hh:mm:ss".
    void setStartDateTime(const QDateTime& value);
    void setEndDateTime(const QDateTime& value);
    QDateTime startDateTime() const { return m_start; }
    QDateTime endDateTime() const { return m_end; }

    // Presses seen since the owner last reset the count; the owner uses it to close an open
    // range picker on every other press.
    int pressCount() const { return m_pressCount; }
    void setPressCount(int count) { m_pressCount = count; }
    // A press anywhere on the owning screen: counts it, closes the open range picker on every
    // other press and any open time roller.
    void ownerPressed();

    // Empties the two texts; start and end stay.
    void clearTexts();

    _EditDateTime* startField() const { return m_startField; }
    _EditDateTime* endField() const { return m_endField; }

protected:
    bool event(QEvent* event) override;

private:
    void pickRange();

    int m_pressCount = 0;
    _EditDateTime* m_startField;
    _EditDateTime* m_endField;
    QDateTime m_start;
    QDateTime m_end;
};
