#include "widgets/currentedit.h"

#include <QPointer>
#include <QWidget>

namespace {
QPointer<QWidget> g_currentEdit;
}

QWidget* currentEditWidget()
{
    return g_currentEdit.data();
}

void setCurrentEditWidget(QWidget* edit)
{
    g_currentEdit = edit;
}
