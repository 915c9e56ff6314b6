// The result store's query thread: one date-range pass per start, announced by the signal of
// the pass that ran (temperature series or statistics counts).
#pragma once

#include <QThread>

class TemperatureChartData;

class dataThread : public QThread {
    Q_OBJECT

public:
    explicit dataThread(TemperatureChartData* store);

signals:
    void readTempFinished();
    void readResFinished();

protected:
    void run() override;

private:
    TemperatureChartData* m_store;
};
