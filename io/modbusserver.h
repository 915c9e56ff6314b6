// Serves the monitor's registers over Modbus-TCP from a pool thread with its own event loop:
// function 3 reads the read registers, function 16 writes the write registers and reports the
// written indices to the main window, at most one report waiting however fast clients write.
#pragma once

#include <QList>
#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class ModbusConnection;
class ModbusRegisterTables;
class QTcpServer;
class QThreadPool;
class RepeatGate;

// What the server grants each client, so that a PLC program with a fault or a stray scanner on
// the plant network can take neither the monitor's memory nor all of its connections.
struct ModbusServerLimits {
    // Connections served at once. A new client beyond them is admitted by closing the
    // connection that has been quiet longest.
    int maxConnections = 16;
    // Replies one connection may have waiting to be sent. Past it the client's requests are left
    // unread until it takes its replies.
    qint64 maxUnsentBytes = 64 * 1024;
    // A client that does not take its replies back under that bound within this time is
    // disconnected.
    int drainTimeoutMs = 5000;
    // A request that has not come whole this long after its first byte is dropped.
    int partialRequestTimeoutMs = 5000;
    // TCP keepalive, so that the connection of a peer that went away without a word (a PLC
    // restarted, a cable pulled) is closed: the first probe after this many seconds without
    // traffic, then one every interval; the peer is given up after that many unanswered probes.
    // A quiet peer that answers them stays connected however long it says nothing.
    int keepAliveIdleS = 60;
    int keepAliveIntervalS = 10;
    int keepAliveProbes = 6;
};

class ModbusServer : public QObject {
    Q_OBJECT

public:
    // Starts the pool thread and returns once it has tried to listen on any address at port 502
    // (MONITOR_MODBUS_PORT names another port), listening or not.
    explicit ModbusServer(const ModbusServerLimits& limits = ModbusServerLimits());
    ~ModbusServer() override;

    // Any thread. Indices outside 0..499 are ignored; a group stops at the first such index and
    // reaches clients whole.
    void setReadRegister(int index, quint16 value);
    void setReadRegisters(int first, const std::vector<quint16>& values);
    // Leaves *value unchanged for an index outside 0..499.
    void getWriteRegister(int index, quint16* value) const;

    // Ends the pool thread's event loop, closing the listening socket and every connection, and
    // waits for the thread. Does nothing when the server is not listening.
    void stop();

signals:
    // The write-register indices stored since the last report, in the order they were first
    // written (one request's in increasing order), each once however often it was written; read their latest values with getWriteRegister. Emitted in
    // the thread the server was made in (the GUI thread), never more often than its event loop
    // comes round: a client that writes faster only makes the next report cover more.
    void sigWriteChange(QList<int> chg_WriteData_index);
    // Ends the pool thread's event loop.
    void readyToClose();

private:
    // Pool thread: listens, tells the constructor, serves until readyToClose.
    void serverLoop(const std::function<void()>& listenTried);
    bool startServer();
    void onNewConnection();
    // Server's thread: emits sigWriteChange with what was written since the last report.
    void reportWritten();
    // Pool thread: a warning about a client, once a minute per client address and kind.
    void warnAboutClient(const QString& address, const char* kind, const QString& text);

    const ModbusServerLimits m_limits;
    quint16 m_port = 502;
    std::unique_ptr<QThreadPool> m_threadPool;
    // Made, used and dropped in the pool thread only.
    std::unique_ptr<QTcpServer> m_tcpServer;
    // Set by the pool thread while its event loop serves; read by stop().
    std::atomic<bool> m_serving{false};
    // Connections being served, and what tells of repeated warnings; pool thread only.
    std::vector<ModbusConnection*> m_connections;
    std::unique_ptr<RepeatGate> m_warnings;
    std::unique_ptr<ModbusRegisterTables> m_registers;
};
