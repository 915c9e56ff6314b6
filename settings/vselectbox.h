// The update download dialog's message and question box: the background picture, the message in
// red and a white frame; type 0 has no button (a notice while work runs), 1 one OK button, 2 YES
// and NO. It keeps its position and takes it again at every show. GUI thread only.
#pragma once

#include <QDialog>
#include <QPoint>

class QPushButton;

class v_SelectBox : public QDialog {
    Q_OBJECT

public:
    v_SelectBox(int x, int y, QWidget* parent, int type);
    // Where a box stands in the middle of the primary screen, in the size it takes there.
    static QPoint centredCorner();

    // Set by the caller directly before the box is shown.
    QString text;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int m_x;
    int m_y;
    int m_type;
    bool m_large;
};
