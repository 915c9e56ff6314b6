// The yes/no question on the background picture: exec() returns 1 for "是" and 0 for "否".
#pragma once

#include <QDialog>
#include <QString>

class ColorButton;

class ChooseBox : public QDialog {
    Q_OBJECT

public:
    // A box of width x height centred on the screen; hidden until its owner runs it.
    ChooseBox(QWidget* parent, int width, int height);

    // Stores the question; it shows at the next repaint.
    void setText(QString text);
    QString text() const { return m_text; }
    ColorButton* yesButton() const { return m_yes; }
    ColorButton* noButton() const { return m_no; }

protected:
    void paintEvent(QPaintEvent* event) override;

    ColorButton* m_yes;
    ColorButton* m_no;
    QString m_text;
    int m_width;
    int m_height;
};
