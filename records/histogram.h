// The statistics screen's bar chart: per time bin a green OK bar and a red NG bar, in two rows
// (the first half of the bins above, the rest below), each bin labelled with its start and end.
#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class Histogram : public QWidget {
    Q_OBJECT

public:
    Histogram(QWidget* parent, const QStringList& startLabels, const QStringList& endLabels,
              const QList<int>& okValues, const QList<int>& ngValues);

    // New bin labels; they show with the next values.
    void setLabels(const QStringList& startLabels, const QStringList& endLabels);
    // New values: recounts the bins drawn and the largest value, repaints, emits finishDraw.
    void setData(const QList<int>& okValues, const QList<int>& ngValues);

    QList<int> okValues;
    QList<int> ngValues;
    QStringList startLabels;
    QStringList endLabels;
    // Bins drawn: the fewest of the OK values, the start labels and the NG values.
    int barCount = 0;
    // The largest value of either kind; 0 when there is none above 0.
    int maxValue = 0;

signals:
    void finishDraw();

protected:
    void paintEvent(QPaintEvent* event) override;
};
