#include "widgets/currentedit.h"

#include "core/globals.h"
#include "mainwindow/mojuwizard.h"

#include <QPointer>
#include <QWidget>

namespace {
// Stands in for the main window's member while no main window exists.
QPointer<QWidget> g_currentEdit;
}  // namespace

QWidget* currentEditWidget()
{
    return mainWindow ? mainWindow->currentEdit : g_currentEdit.data();
}

void setCurrentEditWidget(QWidget* edit)
{
    if (mainWindow)
        mainWindow->currentEdit = edit;
    else
        g_currentEdit = edit;
}
