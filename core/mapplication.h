// The application object: the QApplication of the monitor, through which every event of the
// program passes before it is delivered.
#pragma once

#include <QApplication>

class MApplication : public QApplication {
    Q_OBJECT

public:
    MApplication(int& argc, char** argv);
};
