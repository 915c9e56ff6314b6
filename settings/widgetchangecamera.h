// The camera order dialog: for each screen camera, the position it shall take at the next start.
// Confirm refuses a position chosen twice, stores the serial numbers in the new order (SN.db) and,
// opened from the settings dialog, runs its power-off sequence; the order takes effect when the
// cameras are opened again. GUI thread only.
#pragma once

#include "widgets/dialogframe.h"

#include <QList>

class ColorButton;
class ComboBox;

class WidgetChangeCamera : public CComp_DialogFrame {
    Q_OBJECT

public:
    // Starts from the identity order (cameraOrderSlots reset), whatever was saved before.
    explicit WidgetChangeCamera(QWidget* parent = nullptr);

    const QList<ComboBox*>& orderBoxes() const { return m_orderBoxes; }
    ColorButton* confirmButton() const { return m_confirmButton; }

public slots:
    void SlotOK();
    void onOrderChanged(int row, int index);
    void onConfirm();

private:
    QList<ComboBox*> m_orderBoxes;
    ColorButton* m_confirmButton;
};
