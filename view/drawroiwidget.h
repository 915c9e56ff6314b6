// The region and template tool panel: the column that replaces the main menu in the side panel
// while an NG alarm is handled or regions are edited. GUI thread only.
#pragma once

#include <QWidget>

class DrawROIWidget : public QWidget {
    Q_OBJECT

public:
    // The panel in the side panel's colours; its tools are added by the region editor.
    explicit DrawROIWidget(QWidget* parent = nullptr);

public slots:
    // Shows the picture help on its alarm page.
    void SlotHelp();
};
