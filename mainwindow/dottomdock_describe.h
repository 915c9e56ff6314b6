// The bottom bar's field that holds the clock (DottomDock_Describe_part1). GUI thread only.
#pragma once

#include <QWidget>

class DottomDock_Describe_part1;

class DottomDock_Describe : public QWidget {
    Q_OBJECT

public:
    explicit DottomDock_Describe(QWidget* parent = nullptr);

    DottomDock_Describe_part1* part1 = nullptr;
};
