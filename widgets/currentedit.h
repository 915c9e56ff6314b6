// The edit field the shared on-screen pads type into: the main window's current edit, kept by
// the kit itself while no main window exists (start-up, tests). GUI thread only.
#pragma once

class QWidget;

QWidget* currentEditWidget();
// Only Edit writes it.
void setCurrentEditWidget(QWidget* edit);
