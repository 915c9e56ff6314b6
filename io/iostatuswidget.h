// The IO lamp row of the bottom bar: ten input and ten output lamps that follow the IO port,
// refreshed every 20 ms and whenever the published output word changes, and a notice while the
// board does not answer. GUI thread only.
#pragma once

#include <QTimer>
#include <QWidget>

class IOWidget_Item;
class QLabel;

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
    // whose state changed are repainted. While the board does not answer, every lamp is grey and
    // a notice says so. Nothing happens while there is no IO port.
    void refresh();

    // The notice shown while the board does not answer.
    QLabel* boardSilentNotice() const { return m_boardSilent; }

private:
    void refreshAndRearm();
    void showBoardAnswering(bool answering);

    IOWidget_Item* inputLamps[10] = {};
    IOWidget_Item* outputLamps[10] = {};
    QTimer m_refreshTimer;
    QLabel* m_boardSilent = nullptr;
    bool m_boardShownAnswering = true;
};
