// Reads read registers of the main window's Modbus server through a real client on 127.0.0.1.
#pragma once

#include <modbus.h>

#include <QtGlobal>

#include <vector>

// Registers first .. first + count - 1 of the server on `port`; empty when the read failed.
inline std::vector<int> readRegisters(quint16 port, int first, int count)
{
    modbus_t* ctx = modbus_new_tcp("127.0.0.1", port);
    modbus_set_slave(ctx, 1);
    std::vector<int> out;
    if (modbus_connect(ctx) == 0) {
        std::vector<uint16_t> words(static_cast<size_t>(count));
        if (modbus_read_registers(ctx, first, count, words.data()) == count)
            out.assign(words.begin(), words.end());
        modbus_close(ctx);
    }
    modbus_free(ctx);
    return out;
}
