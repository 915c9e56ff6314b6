// The time roller: hour, minute and second columns with "确定" and "取消"; confirming reports
// the rolled time through confirmOnClicked.
#pragma once

#include <QDialog>
#include <QTime>

class RollingBoxY;

class _RollingTime : public QDialog {
    Q_OBJECT

public:
    explicit _RollingTime(QWidget* parent = nullptr);

    // Presets the three columns with the time's hour, minute and second (-1 each when invalid).
    void presetTime(const QTime& time);

    RollingBoxY* hourColumn() const { return m_hour; }
    RollingBoxY* minuteColumn() const { return m_minute; }
    RollingBoxY* secondColumn() const { return m_second; }

signals:
    void confirmOnClicked(QTime time);

public slots:
    void addDayTime();

private:
    RollingBoxY* m_hour;
    RollingBoxY* m_minute;
    RollingBoxY* m_second;
};

// Closes the open time roller, if any, and clears the reference to it.
void closeOpenTimeRoller();
