// The camera selector of the camera title bars: one button per camera, plus one for all cameras.
#pragma once

#include <QWidget>

class MultipleBtnGroup : public QWidget {
    Q_OBJECT

public:
    // Buttons "button0".."button<n-1>" with group ids 0..n-1 in the child QButtonGroup named
    // "btnGroup"; with more than one camera a last button for all cameras, group id -1.
    explicit MultipleBtnGroup(int cameraCount, QWidget* parent = nullptr);

    // Enlarges by a quarter and disables the button "button<index>" among the descendants of
    // `group`, so the camera on show stands out and cannot be chosen again.
    static void markCurrent(QObject* group, int index);
};
