#include "io/modbusconnection.h"

#include "io/modbusregistertables.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <utility>

namespace {

// What Qt may hold of a client's unread bytes; past it the kernel's window pushes back on the
// client.
constexpr qint64 kReadBufferBytes = 16 * 1024;

QString peerText(const QTcpSocket* socket)
{
    return QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
}

double seconds(int milliseconds)
{
    return milliseconds / 1000.0;
}

qint64 monotonicMs()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer c;
        c.start();
        return c;
    }();
    return clock.elapsed();
}

// Keepalive probes on the connection's socket, so that the kernel tells a peer that has gone
// from one that is only quiet.
void switchKeepAliveOn(QTcpSocket* socket, const ModbusServerLimits& limits)
{
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const auto fd = socket->socketDescriptor();
    if (fd < 0)
        return;
    const int idle = limits.keepAliveIdleS;
    const int interval = limits.keepAliveIntervalS;
    const int probes = limits.keepAliveProbes;
    ::setsockopt(int(fd), IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(int(fd), IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(int(fd), IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
}

}  // namespace

ModbusConnection::ModbusConnection(QTcpSocket* socket, const ModbusServerLimits& limits, ModbusRegisterTables& registers,
                                   StoredHandler onStored, Warner warn, QObject* parent)
    : QObject(parent)
    , m_socket(socket)
    , m_limits(limits)
    , m_registers(registers)
    , m_onStored(std::move(onStored))
    , m_warn(std::move(warn))
    , m_address(socket->peerAddress().toString())
    , m_peer(peerText(socket))
    , m_lastActive(monotonicMs())
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(kReadBufferBytes);
    switchKeepAliveOn(m_socket, m_limits);
    for (QTimer* timer : {&m_partialTimer, &m_drainTimer})
        timer->setSingleShot(true);
    m_partialTimer.setInterval(m_limits.partialRequestTimeoutMs);
    m_drainTimer.setInterval(m_limits.drainTimeoutMs);
    connect(&m_partialTimer, &QTimer::timeout, this, &ModbusConnection::onPartialRequestTimeout);
    connect(&m_drainTimer, &QTimer::timeout, this, &ModbusConnection::onDrainTimeout);
    connect(m_socket, &QTcpSocket::readyRead, this, &ModbusConnection::serve);
    // Replies leaving the buffer may bring a paused client back under the bound.
    connect(m_socket, &QTcpSocket::bytesWritten, this, &ModbusConnection::serve);
    connect(m_socket, &QTcpSocket::disconnected, this, &ModbusConnection::end);
    serve();
}

void ModbusConnection::serve()
{
    if (m_ended)
        return;
    bool tookRequest = false;
    QByteArray request;
    while (m_socket->bytesToWrite() < m_limits.maxUnsentBytes) {
        if (m_framer.takeRequest(&request)) {
            tookRequest = true;
            QList<int> stored;
            const QByteArray reply = answerModbusRequest(request, m_registers, &stored);
            if (!stored.isEmpty())
                m_onStored();
            if (!reply.isEmpty())
                m_socket->write(reply);
            continue;
        }
        // Only what Qt holds, at most kReadBufferBytes: the kernel keeps the rest.
        const QByteArray bytes = m_socket->readAll();
        if (bytes.isEmpty())
            break;
        m_lastActive = monotonicMs();
        m_framer.append(bytes);
    }
    if (m_socket->bytesToWrite() >= m_limits.maxUnsentBytes) {
        // Paused: the client is not waiting on us, so its unfinished request is not timed.
        m_partialTimer.stop();
        if (!m_drainTimer.isActive())
            m_drainTimer.start();
        return;
    }
    m_drainTimer.stop();
    // Whatever the framer still holds is the start of a request. A request taken in this round
    // means the held bytes began after it and are timed afresh.
    if (m_framer.pendingBytes() == 0)
        m_partialTimer.stop();
    else if (tookRequest || !m_partialTimer.isActive())
        m_partialTimer.start();
}

bool ModbusConnection::peerHasGone() const
{
    const auto fd = m_socket->socketDescriptor();
    if (fd < 0)
        return true;
    char byte;
    const ssize_t n = ::recv(int(fd), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

void ModbusConnection::onPartialRequestTimeout()
{
    m_warn(m_address, "unfinished request",
           QStringLiteral("Modbus client %1 left a request unfinished for %2 s: its %3 bytes are dropped")
               .arg(m_peer)
               .arg(seconds(m_limits.partialRequestTimeoutMs), 0, 'f', 1)
               .arg(m_framer.pendingBytes()));
    m_framer.clear();
}

void ModbusConnection::onDrainTimeout()
{
    m_warn(m_address, "replies unread",
           QStringLiteral("Modbus client %1 does not read its replies (%2 bytes unsent for %3 s): disconnected")
               .arg(m_peer)
               .arg(m_socket->bytesToWrite())
               .arg(seconds(m_limits.drainTimeoutMs), 0, 'f', 1));
    closeNow();
}

void ModbusConnection::closeNow()
{
    // close() would wait for the unsent replies, which a client that does not read never takes.
    m_socket->abort();
    end();
}

void ModbusConnection::end()
{
    if (m_ended)
        return;
    m_ended = true;
    for (QTimer* timer : {&m_partialTimer, &m_drainTimer})
        timer->stop();
    emit finished();
    deleteLater();
}
