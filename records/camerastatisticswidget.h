// The statistics screen's page: the totals of the shown range on the left (rounds, NG rounds,
// NG rate) and the bar chart of OK and NG rounds per bin on the right.
#pragma once

#include <QWidget>

class Histogram;
class QLabel;

class CameraStatisticsWidget : public QWidget {
    Q_OBJECT

public:
    // Filled from the result store's present totals, bins and labels.
    explicit CameraStatisticsWidget(QWidget* parent = nullptr);

    QLabel* totalCount;
    QLabel* totalNGCount;
    QLabel* totalNGRate;
    Histogram* histogram;
};
