// Reading and writing the fields of the network camera SDK's configuration records, which the
// driver handles as plain byte records (little-endian fields at fixed byte positions).
#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

using ByteRecord = std::vector<unsigned char>;

template <typename T>
void putField(ByteRecord& record, std::size_t at, T value)
{
    std::memcpy(record.data() + at, &value, sizeof value);
}

template <typename T>
T fieldAt(const ByteRecord& record, std::size_t at)
{
    T value{};
    std::memcpy(&value, record.data() + at, sizeof value);
    return value;
}
