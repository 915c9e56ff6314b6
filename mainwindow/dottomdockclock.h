// The clock field of the bottom bar: the present time and the duration of the last machine
// cycle, repainted by the repaint task every 100 ms. GUI thread only.
#pragma once

#include <QString>
#include <QWidget>

class DottomDock_Describe_part1 : public QWidget {
    Q_OBJECT

public:
    explicit DottomDock_Describe_part1(QWidget* parent = nullptr);

    // "周期%1秒" for a cycle of `tenths` 0.1 s: the seconds with one decimal, padded with
    // spaces to four characters.
    static QString cycleText(int tenths);

protected:
    void paintEvent(QPaintEvent* event) override;
};
