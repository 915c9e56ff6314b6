#include "io/modbusprotocol.h"

#include "io/modbusregistertables.h"

namespace {

// Header: transaction identifier (2), protocol identifier (2), length (2), unit identifier (1).
// The length counts the unit identifier and everything after it.
constexpr int kLengthOffset = 4;
constexpr int kUnitOffset = 6;
constexpr int kFunctionOffset = 7;
// Function 3 and 16 data: start (2), quantity (2); function 16 goes on: byte count (1), values.
constexpr int kStartOffset = 8;
constexpr int kQuantityOffset = 10;
constexpr int kByteCountOffset = 12;
constexpr int kValuesOffset = 13;

constexpr uchar kServedUnit = 1;
constexpr uchar kReadHoldingRegisters = 3;
constexpr uchar kWriteMultipleRegisters = 16;
constexpr int kMaxReadQuantity = 125;
constexpr int kMaxWriteQuantity = 123;

constexpr uchar kIllegalDataAddress = 2;
constexpr uchar kIllegalDataValue = 3;

quint16 bigEndian16(const uchar* bytes)
{
    return quint16((bytes[0] << 8) | bytes[1]);
}

void appendBigEndian16(QByteArray* bytes, int value)
{
    bytes->append(char((value >> 8) & 0xFF));
    bytes->append(char(value & 0xFF));
}

// The reply header: the request's transaction and protocol identifiers, the length of what
// follows the length field (the unit and `pduSize` bytes of function code and data), the
// request's unit.
QByteArray replyHeader(const uchar* request, int pduSize)
{
    QByteArray reply(reinterpret_cast<const char*>(request), kLengthOffset);
    appendBigEndian16(&reply, 1 + pduSize);
    reply.append(char(request[kUnitOffset]));
    return reply;
}

QByteArray exceptionReply(const uchar* request, uchar code)
{
    QByteArray reply = replyHeader(request, 2);
    reply.append(char(request[kFunctionOffset] | 0x80));
    reply.append(char(code));
    return reply;
}

// Function 3: read holding registers.
QByteArray answerRead(const uchar* request, int size, const ModbusRegisterTables& tables)
{
    if (size != kQuantityOffset + 2)
        return exceptionReply(request, kIllegalDataValue);
    const int start = bigEndian16(request + kStartOffset);
    const int quantity = bigEndian16(request + kQuantityOffset);
    if (quantity < 1 || quantity > kMaxReadQuantity)
        return exceptionReply(request, kIllegalDataValue);
    if (start + quantity > ModbusRegisterTables::kCount)
        return exceptionReply(request, kIllegalDataAddress);

    quint16 values[kMaxReadQuantity];
    tables.copyRead(start, quantity, values);
    QByteArray reply = replyHeader(request, 2 + 2 * quantity);
    reply.append(char(kReadHoldingRegisters));
    reply.append(char(2 * quantity));
    for (int i = 0; i < quantity; ++i)
        appendBigEndian16(&reply, values[i]);
    return reply;
}

// Function 16: write multiple registers.
QByteArray answerWrite(const uchar* request, int size, ModbusRegisterTables& tables, QList<int>* stored)
{
    if (size < kValuesOffset)
        return exceptionReply(request, kIllegalDataValue);
    const int start = bigEndian16(request + kStartOffset);
    const int quantity = bigEndian16(request + kQuantityOffset);
    const int byteCount = request[kByteCountOffset];
    if (quantity < 1 || quantity > kMaxWriteQuantity || byteCount != 2 * quantity || size != kValuesOffset + byteCount)
        return exceptionReply(request, kIllegalDataValue);
    if (start + quantity > ModbusRegisterTables::kCount)
        return exceptionReply(request, kIllegalDataAddress);

    tables.storeWrite(start, request + kValuesOffset, quantity);
    for (int i = 0; i < quantity; ++i)
        stored->append(start + i);
    QByteArray reply = replyHeader(request, 5);
    reply.append(char(kWriteMultipleRegisters));
    appendBigEndian16(&reply, start);
    appendBigEndian16(&reply, quantity);
    return reply;
}

}  // namespace

void ModbusRequestFramer::append(const QByteArray& bytes)
{
    if (m_taken > 0) {
        m_buffer.remove(0, m_taken);
        m_taken = 0;
    }
    m_buffer.append(bytes);
}

bool ModbusRequestFramer::takeRequest(QByteArray* request)
{
    const int available = pendingBytes();
    if (available < kLengthOffset + 2)
        return false;
    const auto* front = reinterpret_cast<const uchar*>(m_buffer.constData()) + m_taken;
    const int size = kLengthOffset + 2 + bigEndian16(front + kLengthOffset);
    if (available < size)
        return false;
    *request = m_buffer.mid(m_taken, size);
    m_taken += size;
    if (m_taken == m_buffer.size()) {
        m_buffer.clear();
        m_taken = 0;
    }
    return true;
}

int ModbusRequestFramer::pendingBytes() const
{
    return m_buffer.size() - m_taken;
}

void ModbusRequestFramer::clear()
{
    m_buffer.clear();
    m_taken = 0;
}

QByteArray answerModbusRequest(const QByteArray& request, ModbusRegisterTables& tables, QList<int>* stored)
{
    const int size = request.size();
    if (size <= kFunctionOffset)
        return {};
    const auto* bytes = reinterpret_cast<const uchar*>(request.constData());
    const uchar function = bytes[kFunctionOffset];
    if (bytes[kUnitOffset] != kServedUnit
        || (function != kReadHoldingRegisters && function != kWriteMultipleRegisters))
        return {};
    // A start address of 500 or more is met with silence, not with an exception reply.
    if (size >= kStartOffset + 2 && bigEndian16(bytes + kStartOffset) >= ModbusRegisterTables::kCount)
        return {};
    if (function == kReadHoldingRegisters)
        return answerRead(bytes, size, tables);
    return answerWrite(bytes, size, tables, stored);
}
