// One detection row of the multi-detection IO dialog: the input that triggers the detection,
// one check box per output column it may own, and how it cuts the outputs. The row reports
// changes; the dialog keeps the column assignments and cut modes. GUI thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class CheckBox;
class ComboBox;
class QLabel;

class IOCheckComBO : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMaxBoxes = 10;

    // `caption` makes a label in front of the row when it is not empty; `boxes` check boxes
    // (at most 10).
    IOCheckComBO(QWidget* parent, const QString& caption, int boxes);

    // Offers inputs `first` .. count - 1 as triggers and keeps the trigger inside that range;
    // shows check boxes 0 .. count - 1 and hides the others. The combo box stays silent.
    void fillTriggerCombo(int count, int first);
    // Checkable (yellow) or not (unchecked, gray). Unchecking here is silent.
    void setCheckEnabled(int column, bool enabled);
    // Names of inputs 0..9 for the trigger items and the labels of the check boxes.
    void setNames(const QStringList& inputNames, const QStringList& boxLabels);
    // Shows `mode` (0 cut all, 1 cut self, 2 do not cut) without reporting it.
    void showCutMode(int mode);

    CheckBox* checkBox(int column) const { return m_boxes[column]; }
    ComboBox* triggerCombo() const { return m_triggerCombo; }
    ComboBox* cutCombo() const { return m_cutCombo; }
    int boxCount() const { return m_boxCount; }

    // Index of this row (detection) 0..9.
    int row = 0;
    // Input that triggers this detection, and the first input the trigger list offers.
    int trigger = 0;
    int firstInput = 0;

signals:
    void changeTrigin(int row, int trigger);
    void clickeCheckBox(int row, int column, int state);
    void cutModeChosen(int row, int mode);

public slots:
    void SlotChangeTrigin(int index);
    void SlotChangeCutMode(int mode);
    void Slotclick0(int state);
    void Slotclick1(int state);
    void Slotclick2(int state);
    void Slotclick3(int state);
    void Slotclick4(int state);
    void Slotclick5(int state);
    void Slotclick6(int state);
    void Slotclick7(int state);

private:
    void relabelTriggerItems();

    QLabel* m_caption = nullptr;
    ComboBox* m_triggerCombo;
    CheckBox* m_boxes[kMaxBoxes] = {};
    int m_boxCount;
    ComboBox* m_cutCombo;
    QStringList m_inputNames;
};
