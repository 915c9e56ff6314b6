// A date or time field of the pickers (kind 0 date, read-only; 1 time, opens the time roller
// when pressed; 2 plain display). A time field keeps the time last confirmed in its roller.
#pragma once

#include <QLineEdit>
#include <QTime>

class _EditDateTime : public QLineEdit {
    Q_OBJECT

public:
    _EditDateTime(QWidget* parent, int kind);

    int kind() const { return m_kind; }
    // The time last put in with addTime; invalid until then.
    QTime storedTime() const { return m_time; }

public slots:
    // Shows the time as "hh:mm:ss" (empty for an invalid time) and stores it.
    void addTime(QTime t);

protected:
    bool event(QEvent* event) override;

private:
    void showTimeRoller();

    int m_kind;
    QTime m_time;
};
