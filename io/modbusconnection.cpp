#include "io/modbusconnection.h"

#include "io/modbusregistertables.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <algorithm>
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

}  // namespace

ModbusConnection::ModbusConnection(QTcpSocket* socket, const ModbusServerLimits& limits, ModbusRegisterTables& registers,
                                   StoredHandler onStored, QObject* parent)
    : QObject(parent)
    , m_socket(socket)
    , m_limits(limits)
    , m_registers(registers)
    , m_onStored(std::move(onStored))
    , m_peer(peerText(socket))
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(kReadBufferBytes);
    m_lastReceived.start();
    for (QTimer* timer : {&m_idleTimer, &m_partialTimer, &m_drainTimer})
        timer->setSingleShot(true);
    m_partialTimer.setInterval(m_limits.partialRequestTimeoutMs);
    m_drainTimer.setInterval(m_limits.drainTimeoutMs);
    connect(&m_idleTimer, &QTimer::timeout, this, &ModbusConnection::onIdleTimeout);
    connect(&m_partialTimer, &QTimer::timeout, this, &ModbusConnection::onPartialRequestTimeout);
    connect(&m_drainTimer, &QTimer::timeout, this, &ModbusConnection::onDrainTimeout);
    connect(m_socket, &QTcpSocket::readyRead, this, &ModbusConnection::serve);
    // Replies leaving the buffer may bring a paused client back under the bound.
    connect(m_socket, &QTcpSocket::bytesWritten, this, &ModbusConnection::serve);
    connect(m_socket, &QTcpSocket::disconnected, this, &ModbusConnection::end);
    m_idleTimer.start(m_limits.idleTimeoutMs);
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
                m_onStored(stored);
            if (!reply.isEmpty())
                m_socket->write(reply);
            continue;
        }
        // Only what Qt holds, at most kReadBufferBytes: the kernel keeps the rest.
        const QByteArray bytes = m_socket->readAll();
        if (bytes.isEmpty())
            break;
        m_lastReceived.restart();
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

void ModbusConnection::onIdleTimeout()
{
    const qint64 quiet = m_lastReceived.elapsed();
    // A paused client may well be sending; it is the drain timeout that judges it.
    if (quiet < m_limits.idleTimeoutMs || m_drainTimer.isActive()) {
        m_idleTimer.start(int(std::max<qint64>(1, m_limits.idleTimeoutMs - quiet)));
        return;
    }
    qInfo("Modbus client %s sent nothing for %.0f s: disconnected", qPrintable(m_peer), seconds(int(quiet)));
    closeNow();
}

void ModbusConnection::onPartialRequestTimeout()
{
    qWarning("Modbus client %s left a request unfinished for %.1f s: its %d bytes are dropped", qPrintable(m_peer),
             seconds(m_limits.partialRequestTimeoutMs), m_framer.pendingBytes());
    m_framer.clear();
}

void ModbusConnection::onDrainTimeout()
{
    qWarning("Modbus client %s does not read its replies (%lld bytes unsent for %.1f s): disconnected", qPrintable(m_peer),
             static_cast<long long>(m_socket->bytesToWrite()), seconds(m_limits.drainTimeoutMs));
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
    for (QTimer* timer : {&m_idleTimer, &m_partialTimer, &m_drainTimer})
        timer->stop();
    emit finished();
    deleteLater();
}
