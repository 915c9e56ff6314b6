// The region panel's way into the picture help.
#include "view/drawroiwidget.h"

#include "core/globals.h"
#include "mainwindow/helpwidget.h"
#include "mainwindow/mojuwizard.h"

void DrawROIWidget::SlotHelp()
{
    if (!mainWindow || !mainWindow->helpWidget)
        return;
    // The alarm page, where one is loaded.
    mainWindow->helpWidget->SlotAlarm();
    mainWindow->helpWidget->show();
    mainWindow->helpWidget->raise();
}
