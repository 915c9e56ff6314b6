// Small helpers that give the kit's buttons and frameless windows their common behaviour.
#pragma once

class QAbstractButton;
class QWidget;

// Repeats the button's click while it is held: first after 300 ms, then every 50 ms.
void makeAutoRepeat(QAbstractButton* button);

// Frameless customised window flags, staying on top of other windows when `onTop`.
void setWindowStayOnTop(QWidget* widget, bool onTop);
