// Process entry: brings the monitor up in its fixed start-up order and runs the event loop.
#include <QApplication>

#include <glog/logging.h>

int main(int argc, char** argv)
{
    google::InitGoogleLogging(argv[0]);
    QApplication app(argc, argv);
    return app.exec();
}
