// Modbus-TCP requests without sockets or threads: ModbusRequestFramer cuts one connection's byte
// stream into requests by their 7-byte header, answerModbusRequest answers one request from the
// register tables. The server runs both in its pool thread; the fuzz target runs them alone.
#pragma once

#include <QByteArray>
#include <QList>

class ModbusRegisterTables;

// The byte stream of one connection. Bytes arrive in any pieces; a request is handed out once
// all the bytes its header's length field announces are there, and requests come out in the order
// they were sent.
class ModbusRequestFramer {
public:
    void append(const QByteArray& bytes);
    // Takes the next whole request (header included) into `request`; false while it is incomplete.
    bool takeRequest(QByteArray* request);
    // Bytes received but not yet taken.
    int pendingBytes() const;
    // Drops the bytes received but not yet taken.
    void clear();

private:
    QByteArray m_buffer;
    int m_taken = 0;  // bytes at the front of m_buffer already handed out
};

// Answers one whole request (header included) and returns the reply, or an empty array when the
// request gets no reply (another unit, another function code, a start address of 500 or more).
// A function-16 request that is stored appends the stored write-register indices to `stored`, in
// increasing order; a rejected one stores nothing.
QByteArray answerModbusRequest(const QByteArray& request, ModbusRegisterTables& tables, QList<int>* stored);
