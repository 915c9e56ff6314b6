#include "core/runaside.h"

#include <QEventLoop>
#include <QThread>

#include <atomic>
#include <memory>

void runAside(const std::function<void()>& work)
{
    std::atomic<bool> done{false};
    std::unique_ptr<QThread> worker(QThread::create([&]() {
        work();
        done = true;
    }));
    worker->setObjectName(QLatin1String(kRunAsideThreadName));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    if (!done)
        loop.exec();
    worker->wait();
}
