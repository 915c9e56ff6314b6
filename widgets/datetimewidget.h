// The range picker: from and to calendars with a date field and a time field each; "确定"
// checks the range and reports it through sendDateTime, "清空" only empties the fields. A start
// day without a time starts at its midnight, an end day without a time ends at 23:59:59.999.
#pragma once

#include "widgets/daytime.h"

#include <QDate>
#include <QDateTime>
#include <QDialog>

class _EditDateTime;
class CalendarWidget;

class DateTimeWidget : public QDialog {
    Q_OBJECT

public:
    explicit DateTimeWidget(QWidget* parent = nullptr);

    // Selects the value's date in the calendar on that side, shows and stores it as that side's
    // date, and puts its time into that side's time field. An invalid value leaves them empty.
    void presetFrom(const QDateTime& value);
    void presetTo(const QDateTime& value);

    // The range chosen by the last successful setDateTime.
    QDateTime from() const { return m_from; }
    QDateTime to() const { return m_to; }

    _EditDateTime* fromDateField() const { return m_fromDateField; }
    _EditDateTime* fromTimeField() const { return m_fromTimeField; }
    _EditDateTime* toDateField() const { return m_toDateField; }
    _EditDateTime* toTimeField() const { return m_toTimeField; }
    CalendarWidget* fromCalendar() const { return m_fromCalendar; }
    CalendarWidget* toCalendar() const { return m_toCalendar; }

signals:
    void sendDateTime(dayTime range);

public slots:
    void addFromDate(QDate d);
    void addToDate(QDate d);
    void clearAll();
    void setDateTime();
    void rejectDialog();

protected:
    bool event(QEvent* event) override;

private:
    _EditDateTime* m_fromDateField;
    _EditDateTime* m_fromTimeField;
    _EditDateTime* m_toDateField;
    _EditDateTime* m_toTimeField;
    CalendarWidget* m_fromCalendar;
    CalendarWidget* m_toCalendar;
    QDate m_fromDate;
    QDate m_toDate;
    QDateTime m_from;
    QDateTime m_to;
};
