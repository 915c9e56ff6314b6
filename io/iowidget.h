// The multi-detection IO dialog of the settings wizard: how many detections a machine cycle has,
// the input that triggers each, the output columns each owns (later detections own later
// columns) and how each cuts the outputs. Reads the active parameters, writes the edit copy.
// GUI thread only.
#pragma once

#include <QWidget>

class ColorButton;
class ComboBox;
class IOCheckComBO;

class IOWidget : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRows = 10;
    static constexpr int kMinDetections = 2;
    static constexpr int kMaxDetections = 8;

    // 1800 x 950 in the centre of the parent (the settings wizard); loads and hides itself.
    explicit IOWidget(QWidget* parent = nullptr);

    // Takes the stored settings of the active record. Stored values outside what the dialog can
    // show are brought into range (see the definition).
    void load();
    // Relabels the trigger items and check boxes of every row from the working name indices.
    void refreshNames();

    ComboBox* countCombo() const { return m_countCombo; }
    IOCheckComBO* row(int i) const { return m_rows[i]; }
    ColorButton* confirmButton() const { return m_confirmButton; }
    ColorButton* resetButton() const { return m_resetButton; }

    // Number of detections, 2..8.
    int detectCount = kMinDetections;
    // Per output column the row (detection) that owns it, -1 none.
    int columnRow[kRows];
    // Per row: 0 cut all, 1 cut self, 2 do not cut.
    int cutMode[kRows];
    // Working copies of the name indices; the IO names dialog updates them.
    int inputNameIdx[kRows];
    int outputNameIdx[kRows];

public slots:
    void SlotChangeDetectNum(int index);
    void SlotChangeTrigin(int Detect, int index);
    void SlotClickCheckBox(int Detect, int NO, int state);
    void SlotChangeCutMode(int Detect, int mode);
    void reset();
    void accept();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Shows and refills the rows for `detectCount` detections and checks the owned boxes again.
    void applyDetectCount();
    // Columns `from` .. `to` of the shown rows above (`above`) or below `row`.
    void setColumnsEnabled(int row, bool above, int from, int to, bool enabled);
    // Every box of every row checkable and unchecked; `quietInside` keeps the boxes of the
    // shown square silent.
    void clearAllBoxes(bool quietInside);

    ComboBox* m_countCombo;
    IOCheckComBO* m_rows[kRows] = {};
    ColorButton* m_confirmButton;
    ColorButton* m_resetButton;
};
