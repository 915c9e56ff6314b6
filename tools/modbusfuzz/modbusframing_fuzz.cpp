// Feeds arbitrary byte streams, cut into arbitrary pieces, through the Modbus-TCP request framing
// and answering, and checks what a client relies on: every request is taken exactly once and
// whole, and every reply is a well-formed answer to its request.
#include "io/modbusprotocol.h"
#include "io/modbusregistertables.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

int be16(const QByteArray& bytes, int at)
{
    return (uchar(bytes[at]) << 8) | uchar(bytes[at + 1]);
}

void checkReply(const QByteArray& request, const QByteArray& reply, const QList<int>& stored)
{
    if (reply.isEmpty()) {
        check(stored.isEmpty());
        return;
    }
    // Transaction and protocol identifiers echoed, the length counts what follows it, unit 1.
    check(reply.size() >= 9 && reply.size() <= 260);
    check(reply.left(4) == request.left(4));
    check(be16(reply, 4) == reply.size() - 6);
    check(reply[6] == 1);
    const uchar function = uchar(reply[7]);
    check(uchar(request[7]) == (function & 0x7F));
    if (function & 0x80) {
        check(reply.size() == 9 && (reply[8] == 2 || reply[8] == 3));
        check(stored.isEmpty());
    } else if (function == 3) {
        check(uchar(reply[8]) == reply.size() - 9 && reply.size() - 9 == 2 * be16(request, 10));
        check(stored.isEmpty());
    } else {
        check(function == 16 && reply.size() == 12 && reply.mid(8) == request.mid(8, 4));
        const int start = be16(request, 8);
        check(stored.size() == be16(request, 10) && start + stored.size() <= 500);
        for (int i = 0; i < stored.size(); ++i)
            check(stored[i] == start + i);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte chooses the piece length (1..16), the rest is the stream.
    if (size == 0)
        return 0;
    const int piece = 1 + data[0] % 16;
    const QByteArray stream(reinterpret_cast<const char*>(data + 1), int(size - 1));

    static ModbusRegisterTables tables;
    ModbusRequestFramer framer;
    QByteArray taken;
    QByteArray request;
    for (int at = 0; at < stream.size(); at += piece) {
        framer.append(stream.mid(at, piece));
        while (framer.takeRequest(&request)) {
            check(request.size() >= 6 && request.size() == 6 + be16(request, 4));
            taken += request;
            QList<int> stored;
            checkReply(request, answerModbusRequest(request, tables, &stored), stored);
        }
    }
    // Nothing lost, nothing taken twice: the requests and the rest make up the stream.
    check(taken.size() + framer.pendingBytes() == stream.size());
    check(stream.startsWith(taken));
    return 0;
}
