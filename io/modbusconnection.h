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
    // Called with the write-register indices each stored function-16 request wrote.
    using StoredHandler = std::function<void(const QList<int>&)>;

    // Takes `socket` over as its child and starts serving it.
    ModbusConnection(QTcpSocket* socket, const ModbusServerLimits& limits, ModbusRegisterTables& registers,
                     StoredHandler onStored, QObject* parent);

    // The client as "address:port".
    const QString& peer() const { return m_peer; }

signals:
    // The connection has ended, closed by either side. Emitted once; the object then deletes
    // itself.
    void finished();

private:
    // Answers the requests that are whole and reads more as long as the replies waiting to be
    // sent stay under the bound; past the bound the client's bytes are left unread until it
    // takes its replies.
    void serve();
    void onIdleTimeout();
    void onPartialRequestTimeout();
    void onDrainTimeout();
    // Closes the socket without waiting for unsent replies.
    void closeNow();
    void end();

    QTcpSocket* m_socket;
    const ModbusServerLimits m_limits;
    ModbusRegisterTables& m_registers;
    const StoredHandler m_onStored;
    const QString m_peer;
    ModbusRequestFramer m_framer;
    // Since the client last sent anything.
    QElapsedTimer m_lastReceived;
    QTimer m_idleTimer;
    // Runs while a request has come in part only.
    QTimer m_partialTimer;
    // Runs while the unsent replies are past the bound.
    QTimer m_drainTimer;
    bool m_ended = false;
};
