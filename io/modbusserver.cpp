#include "io/modbusserver.h"

#include "io/modbusconnection.h"
#include "io/modbusregistertables.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QMetaType>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThreadPool>
#include <QtDebug>

#include <future>

#if defined(__SANITIZE_THREAD__)
// Qt is not built with ThreadSanitizer, so it cannot see the ordering QThreadPool's wait gives.
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace {

constexpr quint16 kDefaultPort = 502;

quint16 portFromEnvironment()
{
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("MONITOR_MODBUS_PORT", &ok);
    return ok && port > 0 && port <= 0xFFFF ? quint16(port) : kDefaultPort;
}

}  // namespace

ModbusServer::ModbusServer(const ModbusServerLimits& limits)
    : m_limits(limits)
    , m_port(portFromEnvironment())
    , m_threadPool(std::make_unique<QThreadPool>())
    , m_registers(std::make_unique<ModbusRegisterTables>())
{
    // sigWriteChange crosses threads.
    qRegisterMetaType<QList<int>>("QList<int>");
    m_threadPool->setMaxThreadCount(1);

    // The task owns the promise, so the constructor may return while set_value still finishes.
    auto listenTried = std::make_shared<std::promise<void>>();
    std::future<void> listenAttempt = listenTried->get_future();
    m_threadPool->start([this, listenTried] { serverLoop([&listenTried] { listenTried->set_value(); }); });
    listenAttempt.wait();
}

ModbusServer::~ModbusServer()
{
    stop();
}

void ModbusServer::setReadRegister(int index, quint16 value)
{
    m_registers->setRead(index, value);
}

void ModbusServer::setReadRegisters(int first, const std::vector<quint16>& values)
{
    m_registers->setReadGroup(first, values);
}

void ModbusServer::getWriteRegister(int index, quint16* value) const
{
    m_registers->getWrite(index, value);
}

void ModbusServer::stop()
{
    if (!m_serving.exchange(false))
        return;
    emit readyToClose();
    if (!m_threadPool->waitForDone(-1))
        qInfo() << "socketThreadPool_->waitForDone error!";
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(this);
#endif
}

void ModbusServer::serverLoop(const std::function<void()>& listenTried)
{
    if (!startServer()) {
        listenTried();
        return;
    }
    {
        // The loop lives in the pool thread; stop() reaches it through a queued readyToClose.
        QEventLoop loop;
        connect(this, &ModbusServer::readyToClose, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        m_serving = true;
        listenTried();
        loop.exec();
        // Closes the listening socket and, as its children, every open connection.
        m_tcpServer.reset();
    }
#if defined(__SANITIZE_THREAD__)
    // Pairs with the acquire in stop(): the pool's own wait is invisible to ThreadSanitizer.
    __tsan_release(this);
#endif
}

bool ModbusServer::startServer()
{
    m_connectionCount = 0;
    m_tcpServer = std::make_unique<QTcpServer>();
    connect(m_tcpServer.get(), &QTcpServer::newConnection, m_tcpServer.get(), [this] { onNewConnection(); });
    if (m_tcpServer->listen(QHostAddress::Any, m_port))
        return true;
    m_tcpServer.reset();
    return false;
}

void ModbusServer::onNewConnection()
{
    while (QTcpSocket* socket = m_tcpServer->nextPendingConnection()) {
        if (m_connectionCount >= m_limits.maxConnections) {
            qWarning("Modbus client %s:%d refused: %d clients are connected already", qPrintable(socket->peerAddress().toString()),
                     int(socket->peerPort()), m_connectionCount);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        qDebug().noquote() << QStringLiteral("connect ip: %1, port:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
        ++m_connectionCount;
        // A child of the listening server, so that dropping the server closes every connection.
        auto* connection = new ModbusConnection(
            socket, m_limits, *m_registers, [this](const QList<int>& stored) { emit sigWriteChange(stored); },
            m_tcpServer.get());
        connect(connection, &ModbusConnection::finished, m_tcpServer.get(), [this] { --m_connectionCount; });
    }
}
