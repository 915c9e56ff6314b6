// The IO lamp row of the bottom bar: ten input and ten output lamps that follow the IO port,
// refreshed every 20 ms and whenever the published output word changes. GUI thread only.
#pragma once

#include <QTimer>
#include <QWidget>

class IOWidget_Item;

class IOStatusWidget_2 : public QWidget {
    Q_OBJECT

public:
    // Builds the lamps and starts the refresh timer. Which lamps show is fixed here, from the
    // active parameters: outputs 6 to 10 only with productNgEjectorPulse.
    explicit IOStatusWidget_2(QWidget* parent = nullptr);

    // Lamp i (0..9) of the inputs or of the outputs.
    IOWidget_Item* inputLamp(int i) const { return inputLamps[i]; }
    IOWidget_Item* outputLamp(int i) const { return outputLamps[i]; }

public slots:
    // One pass: every lamp takes its input's or output's state from the IO port; only lamps
    // whose state changed are repainted. Nothing happens while there is no IO port.
    void refresh();

private:
    void refreshAndRearm();

    IOWidget_Item* inputLamps[10] = {};
    IOWidget_Item* outputLamps[10] = {};
    QTimer m_refreshTimer;
};
