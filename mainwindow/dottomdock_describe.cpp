#include "mainwindow/dottomdock_describe.h"

#include "mainwindow/dottomdockclock.h"

#include <QHBoxLayout>

DottomDock_Describe::DottomDock_Describe(QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    part1 = new DottomDock_Describe_part1(this);
    row->addWidget(part1);
}
