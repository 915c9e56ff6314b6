// Date and time entry with a caption; applies the entered date and time to the system clock.
#pragma once

#include <QDateTime>
#include <QWidget>

class QDateEdit;
class QLabel;
class QTimeEdit;

class EditDateTime : public QWidget {
    Q_OBJECT

public:
    explicit EditDateTime(const QString& label, QWidget* parent = nullptr);

    QDateEdit* dateField() const { return m_dateField; }
    QTimeEdit* timeField() const { return m_timeField; }

    // Both fields show the current date and time.
    void setNow();
    // Sets the system clock and then the hardware clock to the entered date and time, through
    // the shell runner. Returns false (and logs why) when either command fails, so that the
    // caller can tell the operator; the hardware clock is not written after a failed clock set.
    bool applyToSystem();

private:
    QDateEdit* m_dateField;
    QTimeEdit* m_timeField;
    QLabel* m_label;
    QDateTime m_dateTime;
};
