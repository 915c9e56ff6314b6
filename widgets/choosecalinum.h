// The choice of 4, 9 or 25 calibration points of the older settings screen, on the background
// picture with "是" and "否".
#pragma once

#include "widgets/choosebox.h"

class ComboBox;

class ChooseCaliNumWidget : public ChooseBox {
    Q_OBJECT

public:
    explicit ChooseCaliNumWidget(QWidget* parent = nullptr);

    ComboBox* pointCount() const { return m_points; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ComboBox* m_points;
};
