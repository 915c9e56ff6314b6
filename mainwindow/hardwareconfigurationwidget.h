// The hardware-information page: a name/value table read from conf.txt once, with the number of
// cameras in the row named "Count"; its confirm opens the settings wizard. GUI thread only.
#pragma once

#include <QList>
#include <QWidget>

class ColorButton;
class QGridLayout;
class QLabel;

class HardwareConfigurationWidget : public QWidget {
    Q_OBJECT

public:
    // One line of conf.txt: a name, and a value (empty for a heading); "_" shown as a blank.
    struct Entry {
        QString name;
        QString value;
    };

    // 1500 x 800 in the middle of the screen; `parent` is the main window.
    explicit HardwareConfigurationWidget(QWidget* parent = nullptr);

    // conf.txt's entries: one per non-empty line, fields separated by a tab. Empty when the file
    // cannot be opened.
    static QList<Entry> loadConf(const QString& file = QStringLiteral("conf.txt"));

    // The labels of row r: its name and its value cell.
    QLabel* nameLabel(int row) const { return m_nameLabels.value(row); }
    QLabel* valueLabel(int row) const { return m_valueLabels.value(row); }
    int rowCount() const { return m_nameLabels.size(); }
    // The value cell of the "Count" row, or null.
    QLabel* countLabel() const { return m_countLabel; }
    ColorButton* confirmButton() const { return m_confirmButton; }

protected:
    // The count cell shows the number of cameras (0 while the simulated cameras stand in).
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private slots:
    // Hides the page and shows the settings wizard on a fresh copy of the active parameters.
    void slotConfirm();

private:
    QList<QLabel*> m_nameLabels;
    QList<QLabel*> m_valueLabels;
    QLabel* m_countLabel = nullptr;
    ColorButton* m_confirmButton;
};
