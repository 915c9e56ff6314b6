#include "core/mapplication.h"

MApplication::MApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}
