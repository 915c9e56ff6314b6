#include "io/modbusserver.h"

#include "core/repeatgate.h"
#include "io/modbusconnection.h"
#include "io/modbusregistertables.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QMetaType>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThreadPool>
#include <QtDebug>

#include <algorithm>
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
        m_connections.clear();
        m_warnings->flush();
        m_warnings.reset();
    }
#if defined(__SANITIZE_THREAD__)
    // Pairs with the acquire in stop(): the pool's own wait is invisible to ThreadSanitizer.
    __tsan_release(this);
#endif
}

bool ModbusServer::startServer()
{
    m_connections.clear();
    m_tcpServer = std::make_unique<QTcpServer>();
    connect(m_tcpServer.get(), &QTcpServer::newConnection, m_tcpServer.get(), [this] { onNewConnection(); });
    if (m_tcpServer->listen(QHostAddress::Any, m_port)) {
        m_warnings = std::make_unique<RepeatGate>();
        return true;
    }
    m_tcpServer.reset();
    return false;
}

void ModbusServer::warnAboutClient(const QString& address, const char* kind, const QString& text)
{
    m_warnings->post(address + QLatin1Char(' ') + QLatin1String(kind), text,
                     [](const QString& line) { qWarning("%s", qPrintable(line)); });
}

void ModbusServer::reportWritten()
{
    const QList<int> written = m_registers->takeWritten();
    if (!written.isEmpty())
        emit sigWriteChange(written);
}

void ModbusServer::onNewConnection()
{
    while (QTcpSocket* socket = m_tcpServer->nextPendingConnection()) {
        const QString address = socket->peerAddress().toString();
        qDebug().noquote() << QStringLiteral("connect ip: %1, port:%2").arg(address).arg(socket->peerPort());
        if (int(m_connections.size()) >= m_limits.maxConnections && !m_connections.empty()) {
            // The server is full. Connections whose clients have closed already, but whose end has
            // not come round yet, go first; else the connection quiet longest makes room, so that
            // a client with work to do is never locked out by idle or dead ones.
            std::vector<ModbusConnection*> gone;
            for (ModbusConnection* c : m_connections)
                if (c->peerHasGone())
                    gone.push_back(c);
            for (ModbusConnection* c : gone)
                c->closeNow();
            if (int(m_connections.size()) >= m_limits.maxConnections) {
                ModbusConnection* quietest = *std::min_element(
                    m_connections.begin(), m_connections.end(),
                    [](const ModbusConnection* a, const ModbusConnection* b) { return a->lastActive() < b->lastActive(); });
                warnAboutClient(quietest->address(), "closed for a newer",
                                QStringLiteral("Modbus client %1 closed to admit %2:%3: %4 clients were connected, it was "
                                               "the one quiet longest")
                                    .arg(quietest->peer(), address)
                                    .arg(socket->peerPort())
                                    .arg(m_connections.size()));
                quietest->closeNow();
            }
        }
        // A child of the listening server, so that dropping the server closes every connection.
        auto* connection = new ModbusConnection(
            socket, m_limits, *m_registers,
            [this] {
                // One report waits at most; it carries every register written until it is taken.
                if (m_registers->claimReport())
                    QMetaObject::invokeMethod(this, [this] { reportWritten(); }, Qt::QueuedConnection);
            },
            [this](const QString& peerAddress, const char* kind, const QString& text) {
                warnAboutClient(peerAddress, kind, text);
            },
            m_tcpServer.get());
        m_connections.push_back(connection);
        connect(connection, &ModbusConnection::finished, m_tcpServer.get(), [this, connection] {
            m_connections.erase(std::remove(m_connections.begin(), m_connections.end(), connection), m_connections.end());
        });
    }
}
