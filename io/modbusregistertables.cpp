#include "io/modbusregistertables.h"

namespace {

bool inTable(int index)
{
    return index >= 0 && index < ModbusRegisterTables::kCount;
}

}  // namespace

void ModbusRegisterTables::setRead(int index, quint16 value)
{
    if (!inTable(index))
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_read[index] = value;
}

void ModbusRegisterTables::setReadGroup(int first, const std::vector<quint16>& values)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    int index = first;
    for (quint16 value : values) {
        if (!inTable(index))
            break;
        m_read[index++] = value;
    }
}

bool ModbusRegisterTables::getWrite(int index, quint16* value) const
{
    if (!inTable(index) || !value)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    *value = m_write[index];
    return true;
}

void ModbusRegisterTables::copyRead(int start, int count, quint16* out) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int i = 0; i < count; ++i)
        out[i] = m_read[start + i];
}

void ModbusRegisterTables::storeWrite(int start, const uchar* bigEndianValues, int count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int i = 0; i < count; ++i) {
        m_write[start + i] = quint16((bigEndianValues[2 * i] << 8) | bigEndianValues[2 * i + 1]);
        if (!m_written.test(size_t(start + i))) {
            m_written.set(size_t(start + i));
            m_writtenOrder.push_back(start + i);
        }
    }
}

bool ModbusRegisterTables::claimReport()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_reportWaiting || m_written.none())
        return false;
    m_reportWaiting = true;
    return true;
}

QList<int> ModbusRegisterTables::takeWritten()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QList<int> written;
    written.reserve(int(m_writtenOrder.size()));
    for (int index : m_writtenOrder)
        written.append(index);
    m_writtenOrder.clear();
    m_written.reset();
    m_reportWaiting = false;
    return written;
}
