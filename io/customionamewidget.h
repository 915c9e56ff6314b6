// The IO names dialog: a service user names each of ten inputs and ten outputs from the fixed
// name tables. The names are kept as indices in the edit copy of the parameters and label the
// multi-detection IO dialog. Opened only from the settings wizard, to which it returns.
// GUI thread only.
#pragma once

#include <QWidget>

class ColorButton;
class ComboBox;
class IOWidget;
class QLabel;

class CustomIONameWidget : public QWidget {
    Q_OBJECT

public:
    // `parent` is the main window; the settings wizard's multi-detection IO dialog (and with it
    // the wizard) is looked up among its children, so the wizard must be built first.
    explicit CustomIONameWidget(QWidget* parent = nullptr);

    // Every combo box to the multi-detection dialog's working name index (without that dialog,
    // to the active record's); stored indices outside the tables are brought into them.
    void load();

    ComboBox* inputCombo(int i) const { return m_inputCombos[i]; }
    ComboBox* outputCombo(int i) const { return m_outputCombos[i]; }
    QLabel* inputHeading(int i) const { return m_inputHeadings[i]; }
    QLabel* outputHeading(int i) const { return m_outputHeadings[i]; }
    ColorButton* confirmButton() const { return m_confirmButton; }

public slots:
    // Takes the chosen names into the multi-detection dialog and the edit copy, relabels that
    // dialog, hides and shows the settings wizard again.
    void accept();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_wizard = nullptr;
    IOWidget* m_ioDialog = nullptr;
    QLabel* m_inputHeadings[10] = {};
    ComboBox* m_inputCombos[10] = {};
    QLabel* m_outputHeadings[10] = {};
    ComboBox* m_outputCombos[10] = {};
    ColorButton* m_confirmButton;
};
