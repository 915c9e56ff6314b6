// The pickers' calendar: a white month view with its own header (previous-month arrow, the
// selected date as "yyyy年MM月dd日", next-month arrow). A month change keeps the selected day.
#pragma once

#include <QCalendarWidget>
#include <QDate>

class QLabel;
class QToolButton;

class CalendarWidget : public QCalendarWidget {
    Q_OBJECT

public:
    explicit CalendarWidget(QWidget* parent = nullptr);

    QDate storedDate() const { return m_selected; }
    QLabel* dateLabel() const { return m_label; }
    QToolButton* previousMonthButton() const { return m_prev; }
    QToolButton* nextMonthButton() const { return m_next; }

public slots:
    // A day was clicked: it becomes the selected date and the header shows it.
    void setDate();
    // The month changed: the same day of the shown month (its last day when the month is
    // shorter) is selected and shown. The calendar's clicked signal is not emitted.
    void setNextDate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showSelected();

    QLabel* m_label;
    QToolButton* m_prev;
    QToolButton* m_next;
    QDate m_selected;
};
