// One client connection of the Modbus server, living in the server's pool thread: cuts the
// client's bytes into requests, answers them, and holds the client to the server's limits.
#pragma once

#include "io/modbusprotocol.h"
#include "io/modbusserver.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class ModbusRegisterTables;
class QTcpSocket;

class ModbusConnection : public QObject {
    Q_OBJECT

public:
    // Called after each function-16 request that stored registers.
    using StoredHandler = std::function<void()>;
    // Logs a warning about the client at `address`; `kind` names what went wrong.
    using Warner = std::function<void(const QString& address, const char* kind, const QString& text)>;

    // Takes `socket` over as its child and starts serving it.
    ModbusConnection(QTcpSocket* socket, const ModbusServerLimits& limits, ModbusRegisterTables& registers,
                     StoredHandler onStored, Warner warn, QObject* parent);

    // The client as "address:port", and its address alone.
    const QString& peer() const { return m_peer; }
    const QString& address() const { return m_address; }
    // Monotonic time (ms) the client last sent anything, or connected.
    qint64 lastActive() const { return m_lastActive; }

    // The client has closed its side or the connection has failed, and the server has not yet
    // taken note of it.
    bool peerHasGone() const;
    // Closes the socket without waiting for unsent replies; the connection then ends.
    void closeNow();

signals:
    // The connection has ended, closed by either side. Emitted once; the object then deletes
    // itself.
    void finished();

private:
    // Answers the requests that are whole and reads more as long as the replies waiting to be
    // sent stay under the bound; past the bound the client's bytes are left unread until it
    // takes its replies.
    void serve();
    void onPartialRequestTimeout();
    void onDrainTimeout();
    void end();

    QTcpSocket* m_socket;
    const ModbusServerLimits m_limits;
    ModbusRegisterTables& m_registers;
    const StoredHandler m_onStored;
    const Warner m_warn;
    const QString m_address;
    const QString m_peer;
    ModbusRequestFramer m_framer;
    qint64 m_lastActive = 0;
    // Runs while a request has come in part only.
    QTimer m_partialTimer;
    // Runs while the unsent replies are past the bound.
    QTimer m_drainTimer;
    bool m_ended = false;
};
