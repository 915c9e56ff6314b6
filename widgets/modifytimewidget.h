// The clock picker of the advanced settings: a calendar, a date field and a time field that
// opens the time roller; "确定" reports the chosen date and time through sendModifyTime.
// Shown without blocking: the caller makes it delete itself on close (Qt::WA_DeleteOnClose).
#pragma once

#include <QDate>
#include <QDateTime>
#include <QDialog>
#include <QTime>

class _EditDateTime;
class CalendarWidget;

class modifyTimeWidget : public QDialog {
    Q_OBJECT

public:
    explicit modifyTimeWidget(QWidget* parent = nullptr);

    QDateTime chosenDateTime() const { return m_chosen; }
    _EditDateTime* dateField() const { return m_dateField; }
    _EditDateTime* timeField() const { return m_timeField; }
    CalendarWidget* calendar() const { return m_calendar; }

signals:
    void sendModifyTime(QDateTime dateTime);

public slots:
    void addDate(QDate date);
    void clearAll();
    void acceptDialog();

protected:
    bool event(QEvent* event) override;

private:
    CalendarWidget* m_calendar;
    _EditDateTime* m_dateField;
    _EditDateTime* m_timeField;
    QDate m_date;
    QTime m_time;
    QDateTime m_chosen;
};
