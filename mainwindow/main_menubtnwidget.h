// The main menu of the side panel: the logo and the six command buttons that open the screens
// and take manual captures. GUI thread only.
#pragma once

#include <QWidget>

class QPushButton;

class Main_MenuBtnWidget : public QWidget {
    Q_OBJECT

public:
    // The logo button over the command buttons, top to bottom; the capture buttons reach the
    // main window through `mainWindow` when they are pressed.
    explicit Main_MenuBtnWidget(QWidget* parent = nullptr);

protected:
    // The logo fills its button: ./logo/logo.png scaled to the button's size (nothing drawn when
    // the file is missing).
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* m_logoButton = nullptr;
};
