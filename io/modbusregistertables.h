// The Modbus server's 500 read registers (served to clients) and 500 write registers (written by
// clients), shared between the GUI thread and the server's pool thread under one lock.
#pragma once

#include <QtGlobal>

#include <QList>

#include <bitset>
#include <mutex>
#include <vector>

class ModbusRegisterTables {
public:
    static constexpr int kCount = 500;

    // GUI thread. Indices outside 0..499 are ignored; a group stops at the first such index.
    // A group is stored under one lock, so a reply never shows half of it (32-bit counters are
    // held as a high and a low register).
    void setRead(int index, quint16 value);
    void setReadGroup(int first, const std::vector<quint16>& values);
    // False, and `value` untouched, for an index outside 0..499.
    bool getWrite(int index, quint16* value) const;

    // Pool thread; the caller has checked that start .. start + count - 1 lies within 0..499.
    // Copies read registers into `out`, all under one lock.
    void copyRead(int start, int count, quint16* out) const;
    // Stores `count` big-endian 16-bit values into write registers from `start`, under one lock,
    // and notes them as written.
    void storeWrite(int start, const uchar* bigEndianValues, int count);
    // Pool thread, after a write was stored: true when no report of written registers is waiting
    // yet, and one is taken as waiting from now on. The caller then posts the report.
    bool claimReport();

    // GUI thread: the write registers written since the last call, in the order they were
    // first written (a request's registers in increasing order), each once however often it was
    // written; the waiting report is then taken.
    QList<int> takeWritten();

private:
    // A std::mutex rather than a QMutex so that ThreadSanitizer sees the ordering it gives.
    mutable std::mutex m_mutex;
    quint16 m_read[kCount] = {};
    quint16 m_write[kCount] = {};
    std::bitset<kCount> m_written;
    std::vector<int> m_writtenOrder;
    bool m_reportWaiting = false;
};
