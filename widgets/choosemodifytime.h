// The date-and-time question of the older settings screen: a date and time entry on the
// background picture with "确定" and "取消". On 1 the owner reads the entry.
#pragma once

#include "widgets/choosebox.h"

class EditDateTime;

class ModifyTimeWidget : public ChooseBox {
    Q_OBJECT

public:
    explicit ModifyTimeWidget(QWidget* parent = nullptr);

    EditDateTime* dateTimeEdit() const { return m_dateTime; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    EditDateTime* m_dateTime;
};
