// The notice on the background picture with one "Confirm" button (the touch calibration prompt).
// Showing it wakes a dark screen. exec() returns 1 when confirmed.
#pragma once

#include <QDialog>
#include <QString>

class ColorButton;

class WarnBox : public QDialog {
    Q_OBJECT

public:
    explicit WarnBox(QWidget* parent = nullptr);

    // Stores the message; it shows at the next repaint.
    void setText(QString text);
    QString text() const { return m_text; }
    ColorButton* confirmButton() const { return m_confirm; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    ColorButton* m_confirm;
    QString m_text;
};
