#include "io/ioframe.h"

#include <cstring>

quint8 checkSum8(const quint8* bytes, int n)
{
    quint8 sum = 0;
    for (int i = 0; i < n; ++i)
        sum = quint8(sum + bytes[i]);
    return sum;
}

HostFrame makeHostFrame(int command, quint32 value)
{
    HostFrame f;
    f[0] = kIOFrameStart;
    f[1] = quint8(command);
    f[2] = quint8(value & 0xFF);
    f[3] = quint8((value >> 8) & 0xFF);
    f[4] = checkSum8(f.data(), 4);
    f[5] = kIOFrameEnd;
    return f;
}

void IOFrameScanner::commit(int n)
{
    if (n > 0)
        m_count += qMin(n, room());
}

int IOFrameScanner::append(const quint8* bytes, int n)
{
    const int taken = qBound(0, n, room());
    std::memcpy(m_buffer + m_count, bytes, size_t(taken));
    m_count += taken;
    return taken;
}

bool IOFrameScanner::parseAt(int pos, BoardFrame& frame) const
{
    const quint8* b = m_buffer + pos;
    if (b[0] != kIOFrameStart || b[7] != kIOFrameEnd || checkSum8(b, 6) != b[6])
        return false;
    frame.type = b[1];
    std::memcpy(frame.d, b + 2, 4);
    return true;
}

void IOFrameScanner::keepFrom(int pos)
{
    m_count -= pos;
    if (pos > 0 && m_count > 0)
        std::memmove(m_buffer, m_buffer + pos, size_t(m_count));
}
