// The Modbus-TCP server against real clients: raw sockets where the exact bytes matter, libmodbus
// (unit 1) and the mbpoll command; clients that misbehave (never read, flood with connections,
// stop in the middle of a request); plus the request framing on its own.
#include "tests/core/logcapture.h"
#include "tests/support/eventwait.h"

#include "io/modbusprotocol.h"
#include "io/modbusregistertables.h"
#include "io/modbusserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>
#include <modbus.h>

#include <arpa/inet.h>
#include <linux/filter.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);  // blanks between the bytes are skipped
}

// A read request with the given transaction identifier, start and quantity, unit 1.
QByteArray readRequest(int transaction, int start, int quantity)
{
    QByteArray r;
    for (int v : {transaction >> 8, transaction, 0, 0, 0, 6, 1, 3, start >> 8, start, quantity >> 8, quantity})
        r.append(char(v & 0xFF));
    return r;
}

// A write request of `values` from `start`, unit 1, with a consistent length and byte count.
QByteArray writeRequest(int transaction, int start, const std::vector<int>& values)
{
    const int n = int(values.size());
    QByteArray r;
    for (int v : {transaction >> 8, transaction, 0, 0, (7 + 2 * n) >> 8, 7 + 2 * n, 1, 16, start >> 8, start, n >> 8, n, 2 * n})
        r.append(char(v & 0xFF));
    for (int v : values) {
        r.append(char((v >> 8) & 0xFF));
        r.append(char(v & 0xFF));
    }
    return r;
}

// The reply to a read of `values`.
QByteArray readReply(int transaction, const std::vector<int>& values)
{
    const int n = int(values.size());
    QByteArray r;
    for (int v : {transaction >> 8, transaction, 0, 0, 0, 3 + 2 * n, 1, 3, 2 * n})
        r.append(char(v & 0xFF));
    for (int v : values) {
        r.append(char((v >> 8) & 0xFF));
        r.append(char(v & 0xFF));
    }
    return r;
}

QByteArray writeReply(int transaction, int start, int quantity)
{
    QByteArray r;
    for (int v : {transaction >> 8, transaction, 0, 0, 0, 6, 1, 16, start >> 8, start, quantity >> 8, quantity})
        r.append(char(v & 0xFF));
    return r;
}

QByteArray exceptionReply(int transaction, int function, int code)
{
    QByteArray r;
    for (int v : {transaction >> 8, transaction, 0, 0, 0, 3, 1, function | 0x80, code})
        r.append(char(v & 0xFF));
    return r;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::Any, 0);
    return probe.serverPort();
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System | QDir::Files).size());
}

// Resident memory of this process (which runs the server) in KiB.
qint64 residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6));
    return 0;
}

// A TCP client on a bare non-blocking socket, for clients that must leave what arrives unread: a
// QTcpSocket reads into its own buffer whenever events run. Usable from any one thread.
class SocketClient {
public:
    explicit SocketClient(quint16 port) : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            m_connected = true;
        } else if (errno == EINPROGRESS) {
            pollfd p{m_fd, POLLOUT, 0};
            int error = 0;
            socklen_t size = sizeof error;
            m_connected = ::poll(&p, 1, 3000) == 1 && ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
        }
    }
    ~SocketClient() { ::close(m_fd); }
    SocketClient(const SocketClient&) = delete;
    SocketClient& operator=(const SocketClient&) = delete;
    bool connected() const { return m_connected; }

    // Sends `bytes` whole, waiting while the connection takes nothing, until `go` turns false.
    // False when the connection failed or `go` turned false first.
    bool send(const QByteArray& bytes, const std::atomic<bool>& go)
    {
        qint64 done = 0;
        while (done < bytes.size()) {
            if (!go)
                return false;
            const ssize_t n = ::send(m_fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
            if (n > 0) {
                done += n;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                pollfd p{m_fd, POLLOUT, 0};
                ::poll(&p, 1, 50);
            } else {
                return false;
            }
        }
        return true;
    }
    // The next `size` bytes, or fewer when the connection ends or they do not come within
    // `timeoutMs`.
    QByteArray receive(qint64 size, int timeoutMs = 3000)
    {
        QByteArray bytes;
        bytes.reserve(int(size));
        char chunk[65536];
        QElapsedTimer clock;
        clock.start();
        while (bytes.size() < size && clock.elapsed() < timeoutMs) {
            const ssize_t n = ::recv(m_fd, chunk, size_t(std::min<qint64>(sizeof chunk, size - bytes.size())), 0);
            if (n > 0) {
                bytes.append(chunk, int(n));
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                pollfd p{m_fd, POLLIN, 0};
                ::poll(&p, 1, 50);
            } else {
                break;
            }
        }
        return bytes;
    }
    // True once the server has closed the connection (end of stream or reset), reading past
    // whatever is still queued; false when it is still open after `timeoutMs`.
    bool waitForClose(int timeoutMs)
    {
        char chunk[65536];
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                return true;
            if (n < 0) {
                pollfd p{m_fd, POLLIN, 0};
                ::poll(&p, 1, 50);
            }
        }
        return false;
    }

private:
    int m_fd;
    bool m_connected = false;
};

// A plain TCP client for exact bytes.
class RawClient {
public:
    explicit RawClient(quint16 port)
    {
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        m_connected = m_socket.waitForConnected(3000);
    }
    bool connected() const { return m_connected; }
    void send(const QByteArray& bytes)
    {
        m_socket.write(bytes);
        while (m_socket.bytesToWrite() > 0 && m_socket.waitForBytesWritten(3000)) {
        }
    }
    // The next `size` bytes, or fewer when they do not come within 3 s.
    QByteArray receive(int size)
    {
        QByteArray bytes;
        QElapsedTimer clock;
        clock.start();
        while (bytes.size() < size && clock.elapsed() < 3000) {
            if (m_socket.bytesAvailable() == 0)
                m_socket.waitForReadyRead(100);
            bytes += m_socket.read(size - bytes.size());
        }
        return bytes;
    }
    QByteArray exchange(const QByteArray& request, int replySize)
    {
        send(request);
        return receive(replySize);
    }
    QTcpSocket& socket() { return m_socket; }

private:
    QTcpSocket m_socket;
    bool m_connected = false;
};

// A libmodbus client at 127.0.0.1, unit 1.
class LibModbusClient {
public:
    explicit LibModbusClient(quint16 port) : m_ctx(modbus_new_tcp("127.0.0.1", port))
    {
        modbus_set_slave(m_ctx, 1);
        modbus_set_response_timeout(m_ctx, 2, 0);
        m_connected = modbus_connect(m_ctx) == 0;
    }
    ~LibModbusClient()
    {
        modbus_close(m_ctx);
        modbus_free(m_ctx);
    }
    LibModbusClient(const LibModbusClient&) = delete;
    LibModbusClient& operator=(const LibModbusClient&) = delete;
    bool connected() const { return m_connected; }
    modbus_t* ctx() { return m_ctx; }

private:
    modbus_t* m_ctx;
    bool m_connected = false;
};

// Receives sigWriteChange queued and notes the thread it ran in.
class WriteChangeSink : public QObject {
    Q_OBJECT
public:
    QList<QList<int>> lists;
    QList<QThread*> threads;
public slots:
    void onWriteChange(QList<int> indices)
    {
        lists.append(indices);
        threads.append(QThread::currentThread());
        emit received();
    }
signals:
    void received();
};

class ModbusServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_port = freePort();
        qputenv("MONITOR_MODBUS_PORT", QByteArray::number(m_port));
        restartServer(ModbusServerLimits());
    }
    // Replaces the server by one with other limits, on the same port.
    void restartServer(const ModbusServerLimits& limits)
    {
        server.reset();
        server = std::make_unique<ModbusServer>(limits);
        QObject::connect(server.get(), &ModbusServer::sigWriteChange, &sink, &WriteChangeSink::onWriteChange,
                         Qt::QueuedConnection);
    }
    void TearDown() override
    {
        server.reset();
        qunsetenv("MONITOR_MODBUS_PORT");
    }
    quint16 port() const { return m_port; }
    quint16 writeRegister(int index)
    {
        quint16 value = 0xDEAD;
        server->getWriteRegister(index, &value);
        return value;
    }
    // Delivers the sigWriteChange events posted before the last reply came back.
    void settle() { QCoreApplication::processEvents(); QTest::qWait(20); }

    std::unique_ptr<ModbusServer> server;
    WriteChangeSink sink;

private:
    quint16 m_port = 0;
};

struct ExchangeCase {
    const char* name;
    QByteArray request;
    QByteArray reply;
};

TEST_F(ModbusServerTest, RequestsGetTheirExactReplies)
{
    std::vector<quint16> ramp(500);
    for (int i = 0; i < 500; ++i)
        ramp[i] = quint16(0x1000 + i);
    server->setReadRegisters(0, ramp);
    server->setReadRegisters(0, {1, 0x0203});

    std::vector<int> ramp125;
    for (int i = 0; i < 125; ++i)
        ramp125.push_back(0x1000 + 300 + i);
    std::vector<int> values123(123, 0x5A5A);

    const ExchangeCase cases[] = {
        {"read of two registers", hex("00 01 00 00 00 06 01 03 00 00 00 02"), hex("00 01 00 00 00 07 01 03 04 00 01 02 03")},
        {"read of the last register", readRequest(2, 499, 1), hex("00 02 00 00 00 05 01 03 02 11 F3")},
        {"read of 125 registers", readRequest(3, 300, 125), readReply(3, ramp125)},
        {"write of one register", hex("00 05 00 00 00 09 01 10 00 01 00 01 02 00 07"), hex("00 05 00 00 00 06 01 10 00 01 00 01")},
        {"write with transaction identifier 0x0110", writeRequest(0x0110, 2, {0x0110}), writeReply(0x0110, 2, 1)},
        {"write whose values hold 06 01 03", writeRequest(6, 3, {0x0601, 0x0300, 0x0601, 0x0300}), writeReply(6, 3, 4)},
        {"write of 123 registers ending at 499", writeRequest(7, 377, values123), writeReply(7, 377, 123)},
    };
    RawClient client(port());
    ASSERT_TRUE(client.connected());
    for (const ExchangeCase& c : cases)
        EXPECT_EQ(client.exchange(c.request, c.reply.size()).toHex(' '), c.reply.toHex(' ')) << c.name;

    EXPECT_EQ(writeRegister(1), 7);
    EXPECT_EQ(writeRegister(2), 0x0110);
    EXPECT_EQ(writeRegister(3), 0x0601);
    EXPECT_EQ(writeRegister(6), 0x0300);
    EXPECT_EQ(writeRegister(377), 0x5A5A);
    EXPECT_EQ(writeRegister(499), 0x5A5A);
}

TEST_F(ModbusServerTest, FaultyRequestsGetStandardExceptionsAndStoreNothing)
{
    const ExchangeCase cases[] = {
        {"read running past register 499", readRequest(1, 499, 10), exceptionReply(1, 3, 2)},
        {"read of 0 registers", readRequest(2, 0, 0), exceptionReply(2, 3, 3)},
        {"read of 126 registers", readRequest(3, 0, 126), exceptionReply(3, 3, 3)},
        {"read of 200 registers from 400", readRequest(4, 400, 200), exceptionReply(4, 3, 3)},
        {"read with a byte too many", hex("00 05 00 00 00 07 01 03 00 00 00 01 00"), exceptionReply(5, 3, 3)},
        {"read without its quantity", hex("00 06 00 00 00 04 01 03 00 00"), exceptionReply(6, 3, 3)},
        {"write at 498 of 3 registers", writeRequest(7, 498, {1, 2, 3}), exceptionReply(7, 16, 2)},
        {"write of 0 registers", hex("00 08 00 00 00 07 01 10 00 00 00 00 00"), exceptionReply(8, 16, 3)},
        {"write of 124 registers", writeRequest(9, 0, std::vector<int>(124, 1)), exceptionReply(9, 16, 3)},
        {"write whose byte count is short of its quantity", hex("00 0A 00 00 00 09 01 10 00 00 00 02 02 00 01"), exceptionReply(10, 16, 3)},
        {"write with more values than its byte count", hex("00 0B 00 00 00 0B 01 10 00 00 00 01 02 00 01 00 02"), exceptionReply(11, 16, 3)},
        {"write without its byte count", hex("00 0C 00 00 00 06 01 10 00 00 00 01"), exceptionReply(12, 16, 3)},
    };
    RawClient client(port());
    ASSERT_TRUE(client.connected());
    for (const ExchangeCase& c : cases) {
        // A sentinel read in the same segment shows that the faulty request consumed exactly its
        // own bytes and the stream is still in step.
        const QByteArray sentinel = readReply(0x7777, {0});
        EXPECT_EQ(client.exchange(c.request + readRequest(0x7777, 0, 1), c.reply.size() + sentinel.size()).toHex(' '),
                  (c.reply + sentinel).toHex(' '))
            << c.name;
    }
    settle();
    EXPECT_TRUE(sink.lists.isEmpty());
    for (int i : {0, 1, 498, 499})
        EXPECT_EQ(writeRegister(i), 0) << i;
}

TEST_F(ModbusServerTest, RequestsOutsideTheServedSubsetGetNoReply)
{
    const struct {
        const char* name;
        QByteArray request;
    } cases[] = {
        {"read for unit 2", hex("00 01 00 00 00 06 02 03 00 00 00 01")},
        {"read for unit 0", hex("00 02 00 00 00 06 00 03 00 00 00 01")},
        {"read input registers (function 4)", hex("00 03 00 00 00 06 01 04 00 00 00 01")},
        {"write single register (function 6)", hex("00 04 00 00 00 06 01 06 00 01 00 07")},
        {"read starting at 500", readRequest(5, 500, 1)},
        {"read starting at 65535 with a bad quantity", readRequest(6, 0xFFFF, 0)},
        {"write starting at 500", writeRequest(7, 500, {9})},
        {"header with only a unit", hex("00 08 00 00 00 01 01")},
    };
    RawClient client(port());
    ASSERT_TRUE(client.connected());
    for (const auto& c : cases) {
        // Replies keep the order of the requests, so the first bytes back must be the sentinel's.
        const QByteArray sentinel = readReply(0x7777, {0});
        EXPECT_EQ(client.exchange(c.request + readRequest(0x7777, 0, 1), sentinel.size()).toHex(' '), sentinel.toHex(' '))
            << c.name;
    }
    settle();
    EXPECT_TRUE(sink.lists.isEmpty());
    EXPECT_EQ(writeRegister(1), 0);
}

TEST_F(ModbusServerTest, RequestSplitAcrossSegmentsIsAnsweredWhole)
{
    const std::vector<int> values = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    const QByteArray request = writeRequest(0x21, 40, values);  // 33 bytes
    ASSERT_EQ(request.size(), 33);
    RawClient client(port());
    ASSERT_TRUE(client.connected());
    for (int split : {1, 5, 6, 7, 9, 13, 20, 32}) {
        client.send(request.left(split));
        QThread::msleep(30);
        EXPECT_EQ(client.exchange(request.mid(split), 12), writeReply(0x21, 40, 10)) << "split after " << split << " bytes";
    }
    // Every byte in a segment of its own.
    const QByteArray read = readRequest(0x22, 40, 1);
    for (char byte : read) {
        client.send(QByteArray(1, byte));
        QThread::msleep(5);
    }
    EXPECT_EQ(client.receive(11), readReply(0x22, {0}));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(writeRegister(40 + i), values[i]);
}

TEST_F(ModbusServerTest, RequestsInOneSegmentAreAllAnsweredInOrder)
{
    server->setReadRegister(7, 0x0707);
    RawClient client(port());
    ASSERT_TRUE(client.connected());
    const QByteArray three = readRequest(1, 7, 1) + writeRequest(2, 7, {0x0102}) + readRequest(3, 7, 1);
    const QByteArray threeReplies = readReply(1, {0x0707}) + writeReply(2, 7, 1) + readReply(3, {0x0707});
    EXPECT_EQ(client.exchange(three, threeReplies.size()), threeReplies);

    // Two and a half requests, then the rest of the third.
    const QByteArray next = readRequest(4, 7, 1) + readRequest(5, 7, 1) + readRequest(6, 7, 1);
    client.send(next.left(30));
    EXPECT_EQ(client.receive(22), readReply(4, {0x0707}) + readReply(5, {0x0707}));
    EXPECT_EQ(client.exchange(next.mid(30), 11), readReply(6, {0x0707}));
    EXPECT_EQ(writeRegister(7), 0x0102);
}

TEST_F(ModbusServerTest, InterleavedClientsGetOnlyTheirOwnReplies)
{
    server->setReadRegisters(0, {0xAAAA, 0xBBBB});
    RawClient a(port());
    RawClient b(port());
    ASSERT_TRUE(a.connected() && b.connected());
    const QByteArray requestA = readRequest(0x0A0A, 0, 1);
    a.send(requestA.left(6));
    QThread::msleep(30);
    b.send(readRequest(0x0B0B, 1, 1));
    EXPECT_EQ(b.receive(11), readReply(0x0B0B, {0xBBBB}));
    a.send(requestA.mid(6));
    EXPECT_EQ(a.receive(11), readReply(0x0A0A, {0xAAAA}));
    QTest::qWait(50);
    EXPECT_EQ(a.socket().bytesAvailable() + b.socket().bytesAvailable(), 0);
}

TEST_F(ModbusServerTest, ClientsPollingAtOnceEachGetTheirOwnRegisters)
{
    std::vector<quint16> table(200);
    for (int i = 0; i < 200; ++i)
        table[i] = quint16(i < 100 ? 0x1100 + i : 0x2200 + i);
    server->setReadRegisters(0, table);

    std::atomic<int> failures{0};
    auto poll = [&](int first) {
        LibModbusClient client(port());
        if (!client.connected()) {
            ++failures;
            return;
        }
        for (int round = 0; round < 300; ++round) {
            const int start = first + round % 90;
            uint16_t got[10] = {};
            if (modbus_read_registers(client.ctx(), start, 10, got) != 10) {
                ++failures;
                continue;
            }
            for (int i = 0; i < 10; ++i)
                if (got[i] != table[start + i])
                    ++failures;
        }
    };
    std::thread first(poll, 0);
    std::thread second(poll, 100);
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST_F(ModbusServerTest, ThousandRequestsOnOneConnectionAreAllAnswered)
{
    LibModbusClient client(port());
    ASSERT_TRUE(client.connected());
    int answered = 0;
    // libmodbus counts transaction identifiers from 1: the 272nd request carries 0x0110.
    for (int i = 0; i < 1000; ++i) {
        const int address = i % 499;
        if (i % 2 == 0) {
            const uint16_t values[2] = {uint16_t(i), uint16_t(~i)};
            answered += modbus_write_registers(client.ctx(), address, 2, values) == 2;
        } else {
            uint16_t got[2];
            answered += modbus_read_registers(client.ctx(), address, 2, got) == 2;
        }
    }
    EXPECT_EQ(answered, 1000);
    EXPECT_EQ(writeRegister(998 % 499), 998);
    EXPECT_EQ(writeRegister(998 % 499 + 1), quint16(~998));
}

TEST_F(ModbusServerTest, LibmodbusSeesTheExceptionsItExpects)
{
    LibModbusClient client(port());
    ASSERT_TRUE(client.connected());
    uint16_t got[10];
    EXPECT_EQ(modbus_read_registers(client.ctx(), 495, 10, got), -1);
    EXPECT_EQ(errno, EMBXILADD);
    const uint16_t values[3] = {1, 2, 3};
    EXPECT_EQ(modbus_write_registers(client.ctx(), 498, 3, values), -1);
    EXPECT_EQ(errno, EMBXILADD);
    EXPECT_EQ(writeRegister(498), 0);
    // The connection stays usable.
    EXPECT_EQ(modbus_write_registers(client.ctx(), 497, 3, values), 3);
    EXPECT_EQ(writeRegister(499), 3);
}

TEST_F(ModbusServerTest, ConnectDisconnectCyclesLeaveNoDescriptorsBehind)
{
    const int before = openDescriptors();
    int served = 0;
    for (int i = 0; i < 300; ++i) {
        LibModbusClient client(port());
        uint16_t got;
        served += client.connected() && modbus_read_registers(client.ctx(), 0, 1, &got) == 1;
    }
    EXPECT_EQ(served, 300);
    // The server closes its side when it notices the client's close.
    EXPECT_TRUE(QTest::qWaitFor([&] { return openDescriptors() <= before; }, kPatientWaitMs))
        << openDescriptors() << " descriptors open, " << before << " before";
}

TEST_F(ModbusServerTest, WritesBetweenTwoPassesComeAsOneReportInTheGuiThread)
{
    std::atomic<QThread*> emittingThread{nullptr};
    std::atomic<int> emitted{0};
    QObject::connect(server.get(), &ModbusServer::sigWriteChange, server.get(),
                     [&] {
                         emittingThread = QThread::currentThread();
                         ++emitted;
                     },
                     Qt::DirectConnection);
    QSignalSpy received(&sink, &WriteChangeSink::received);
    LibModbusClient client(port());
    ASSERT_TRUE(client.connected());
    // The GUI thread runs no events meanwhile: every write lands before the report is taken.
    const uint16_t first[3] = {30, 40, 50};
    ASSERT_EQ(modbus_write_registers(client.ctx(), 3, 3, first), 3);
    for (uint16_t k = 0; k < 200; ++k) {
        const uint16_t values[2] = {k, uint16_t(k + 1)};
        ASSERT_EQ(modbus_write_registers(client.ctx(), 4, 2, values), 2);
    }
    const uint16_t last = 7;
    ASSERT_EQ(modbus_write_registers(client.ctx(), 499, 1, &last), 1);
    ASSERT_TRUE(received.wait(3000));
    settle();
    ASSERT_EQ(sink.lists.size(), 1);
    EXPECT_EQ(sink.lists[0], (QList<int>{3, 4, 5, 499}));
    EXPECT_EQ(emitted.load(), 1);
    EXPECT_EQ(sink.threads[0], QCoreApplication::instance()->thread());
    EXPECT_EQ(emittingThread.load(), QCoreApplication::instance()->thread());
    // The latest values are there to be read.
    EXPECT_EQ(writeRegister(3), 30);
    EXPECT_EQ(writeRegister(4), 199);
    EXPECT_EQ(writeRegister(5), 200);

    // A write after the report was taken makes the next one, the same values included.
    ASSERT_EQ(modbus_write_registers(client.ctx(), 3, 3, first), 3);
    ASSERT_TRUE(received.count() >= 2 || received.wait(3000));
    settle();
    ASSERT_EQ(sink.lists.size(), 2);
    EXPECT_EQ(sink.lists[1], (QList<int>{3, 4, 5}));
}

TEST_F(ModbusServerTest, WriteFloodWhileTheGuiThreadIsBusyKeepsMemoryBounded)
{
    // 64 function-16 requests in flight on every round, every reply read, while the GUI thread
    // takes no report: whatever the write rate, one report waits.
    QByteArray batch;
    for (int t = 0; t < 64; ++t)
        batch += writeRequest(t, 1, {999});
    SocketClient client(port());
    ASSERT_TRUE(client.connected());
    std::atomic<bool> go{true};
    const qint64 before = residentKiB();
    qint64 peak = before;
    long answered = 0;
    constexpr long kRequests = 200000;
    for (long sent = 0; sent < kRequests; sent += 64) {
        ASSERT_TRUE(client.send(batch, go));
        ASSERT_EQ(client.receive(64 * 12).size(), 64 * 12);
        answered += 64;
        if (sent % (64 * 256) == 0)
            peak = std::max(peak, residentKiB());
    }
    peak = std::max(peak, residentKiB());
    std::printf("%ld writes answered: resident memory +%lld KiB at most\n", answered, static_cast<long long>(peak - before));
    EXPECT_LT(peak - before, 5 * 1024);
    settle();
    ASSERT_EQ(sink.lists.size(), 1);
    EXPECT_EQ(sink.lists[0], QList<int>{1});
    EXPECT_EQ(writeRegister(1), 999);
}

TEST_F(ModbusServerTest, GroupOfRegistersIsNeverTorn)
{
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::atomic<int> reads{0};
    std::thread reader([&] {
        LibModbusClient client(port());
        for (int i = 0; client.connected() && i < 2000; ++i) {
            uint16_t pair[2];
            if (modbus_read_registers(client.ctx(), 50, 2, pair) == 2) {
                ++reads;
                torn += pair[0] != pair[1];
            }
        }
        done = true;
    });
    // A 32-bit counter whose high and low words are always equal.
    for (quint16 k = 0; !done; ++k)
        server->setReadRegisters(50, {k, k});
    reader.join();
    EXPECT_EQ(reads.load(), 2000);
    EXPECT_EQ(torn.load(), 0);
}

// mbpoll numbers registers from 0 with -0; -t 4:int -B reads a 32-bit value, high word first.
QString runMbpoll(quint16 port, const QStringList& arguments)
{
    QProcess mbpoll;
    mbpoll.start(QStringLiteral("mbpoll"),
                 QStringList{"-m", "tcp", "-a", "1", "-0", "-1", "-o", "2", "-p", QString::number(port)} + arguments);
    if (!mbpoll.waitForFinished(10000))
        return QStringLiteral("mbpoll did not finish");
    return QString::fromLocal8Bit(mbpoll.readAllStandardOutput() + mbpoll.readAllStandardError());
}

TEST_F(ModbusServerTest, MbpollReadsAndWrites)
{
    server->setReadRegisters(10, {1234, 5678});
    server->setReadRegisters(60, {0x0001, 0x86A0});  // 100000
    const QString words = runMbpoll(port(), {"-t", "4", "-r", "10", "-c", "2", "127.0.0.1"});
    EXPECT_TRUE(words.contains("[10]: \t1234") && words.contains("[11]: \t5678")) << words.toStdString();
    const QString counter = runMbpoll(port(), {"-t", "4:int", "-B", "-r", "60", "127.0.0.1"});
    EXPECT_TRUE(counter.contains("[60]: \t100000")) << counter.toStdString();
    const QString write = runMbpoll(port(), {"-t", "4", "-r", "20", "127.0.0.1", "11", "22"});
    EXPECT_TRUE(write.contains("Written 2 references")) << write.toStdString();
    EXPECT_EQ(writeRegister(20), 11);
    EXPECT_EQ(writeRegister(21), 22);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sink.lists.isEmpty(); }, kPatientWaitMs));
    ASSERT_EQ(sink.lists.size(), 1);
    EXPECT_EQ(sink.lists[0], (QList<int>{20, 21}));
}

TEST_F(ModbusServerTest, StopClosesConnectionsAndReleasesThePort)
{
    RawClient client(port());
    ASSERT_TRUE(client.connected());
    ASSERT_EQ(client.exchange(readRequest(1, 0, 1), 11), readReply(1, {0}));
    server->stop();
    EXPECT_TRUE(client.socket().state() == QAbstractSocket::UnconnectedState || client.socket().waitForDisconnected(3000));
    QTcpServer again;
    EXPECT_TRUE(again.listen(QHostAddress::Any, port()));
    server->stop();  // a second stop does nothing
}

TEST_F(ModbusServerTest, ClientThatNeverReadsNeitherGrowsMemoryNorStarvesOthers)
{
    LogCapture log;
    std::vector<quint16> table(125);
    for (int i = 0; i < 125; ++i)
        table[i] = quint16(0x3000 + i);
    server->setReadRegisters(0, table);

    // Reads of 125 registers: each 12-byte request asks for a 259-byte reply.
    QByteArray burst;
    for (int i = 0; i < 100; ++i)
        burst += readRequest(i, 0, 125);
    SocketClient flooder(port());
    ASSERT_TRUE(flooder.connected());
    const qint64 before = residentKiB();

    std::atomic<bool> running{true};
    std::atomic<qint64> sent{0};
    std::thread flood([&] {
        while (flooder.send(burst, running))
            sent += burst.size();
    });
    // Another client polls all the while; a poll the server leaves unanswered fails after
    // libmodbus's response timeout.
    constexpr int kPolls = 30;
    std::atomic<int> polls{0};
    std::atomic<int> answers{0};
    std::atomic<bool> pollsDone{false};
    std::thread poller([&] {
        LibModbusClient client(port());
        // Once the flood has filled the server's buffers.
        while (running && sent.load() < 64 * 1024)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        for (int i = 0; running && i < kPolls; ++i) {
            ++polls;
            uint16_t got[10] = {};
            if (client.connected() && modbus_read_registers(client.ctx(), 20, 10, got) == 10
                && std::equal(got, got + 10, table.begin() + 20))
                ++answers;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        pollsDone = true;
    });
    qint64 peak = before;
    QElapsedTimer clock;
    clock.start();
    while (!pollsDone && clock.elapsed() < 60000) {
        QThread::msleep(50);
        peak = std::max(peak, residentKiB());
    }
    running = false;
    flood.join();
    poller.join();
    peak = std::max(peak, residentKiB());
    RecordProperty("flood_sent_bytes", QString::number(sent.load()).toStdString());
    RecordProperty("resident_growth_kib", QString::number(peak - before).toStdString());
    std::printf("flood of %lld bytes of requests: resident memory %lld KiB before, %lld KiB at most (+%lld KiB)\n",
                static_cast<long long>(sent.load()), static_cast<long long>(before), static_cast<long long>(peak),
                static_cast<long long>(peak - before));

    EXPECT_EQ(polls.load(), kPolls);
    EXPECT_EQ(answers.load(), polls.load());
    EXPECT_LT(peak - before, 10 * 1024);
    // Its replies have waited too long: the server cuts it off and says so.
    EXPECT_TRUE(QTest::qWaitFor([&] { return log.contains("does not read its replies"); }, kPatientWaitMs));
    EXPECT_TRUE(flooder.waitForClose(5000));
}

TEST_F(ModbusServerTest, ClientThatStopsReadingForAWhileGetsEveryReplyInOrder)
{
    LogCapture log;
    std::vector<int> table(125);
    for (int i = 0; i < 125; ++i)
        table[i] = 0x5000 + i;
    server->setReadRegisters(0, std::vector<quint16>(table.begin(), table.end()));

    // 10 MB of replies: far more than the kernel's buffers hold, so the server has to stop
    // reading this client and start again as it catches up.
    constexpr int kRequests = 40000;
    QByteArray requests;
    QByteArray expected;
    for (int i = 0; i < kRequests; ++i) {
        requests += readRequest(i, 0, 125);
        expected += readReply(i, table);
    }
    SocketClient client(port());
    ASSERT_TRUE(client.connected());
    std::atomic<bool> go{true};
    std::atomic<bool> allSent{false};
    std::thread sender([&] { allSent = client.send(requests, go); });
    QThread::msleep(1000);
    const QByteArray replies = client.receive(expected.size(), 30000);
    go = false;
    sender.join();
    EXPECT_TRUE(allSent.load());
    ASSERT_EQ(replies.size(), expected.size());
    EXPECT_TRUE(replies == expected);
    EXPECT_FALSE(log.contains("does not read its replies"));
    // Still served.
    const QByteArray one = readRequest(0x7777, 0, 1);
    go = true;
    ASSERT_TRUE(client.send(one, go));
    EXPECT_EQ(client.receive(11), readReply(0x7777, {table[0]}));
}

TEST_F(ModbusServerTest, FullServerAdmitsANewClientByClosingTheConnectionQuietLongest)
{
    LogCapture log;
    server->setReadRegister(0, 0x4242);
    // One client that connected first and then said nothing (a PLC restarted without closing),
    // then 15 that read once in a while.
    RawClient quiet(port());
    ASSERT_TRUE(quiet.connected());
    ASSERT_EQ(quiet.exchange(readRequest(1, 0, 1), 11), readReply(1, {0x4242}));
    std::vector<std::unique_ptr<RawClient>> readers;
    for (int i = 0; i < 15; ++i) {
        readers.push_back(std::make_unique<RawClient>(port()));
        ASSERT_TRUE(readers.back()->connected());
    }
    auto readAll = [&](int transaction) {
        int served = 0;
        for (auto& r : readers)
            served += r->exchange(readRequest(transaction, 0, 1), 11) == readReply(transaction, {0x4242});
        return served;
    };
    ASSERT_EQ(readAll(2), 15);

    // The server is full. A newcomer is served, at once, and the quiet one has made room.
    LibModbusClient newcomer(port());
    ASSERT_TRUE(newcomer.connected());
    uint16_t value = 0;
    EXPECT_EQ(modbus_read_registers(newcomer.ctx(), 0, 1, &value), 1);
    EXPECT_EQ(value, 0x4242);
    EXPECT_TRUE(quiet.socket().state() == QAbstractSocket::UnconnectedState || quiet.socket().waitForDisconnected(5000));
    EXPECT_EQ(readAll(3), 15);
    EXPECT_TRUE(log.contains("closed to admit"));

    // 24 more, each reading as it comes: each admitted one closes the connection quiet longest,
    // so the earlier 16 go, then the first 8 of the newcomers, and the newest 16 remain.
    std::vector<std::unique_ptr<RawClient>> late;
    for (int i = 0; i < 24; ++i) {
        late.push_back(std::make_unique<RawClient>(port()));
        ASSERT_TRUE(late.back()->connected());
        ASSERT_EQ(late.back()->exchange(readRequest(4, 0, 1), 11), readReply(4, {0x4242})) << i;
    }
    for (int i = 0; i < 24; ++i) {
        SCOPED_TRACE(i);
        QTcpSocket& socket = late[size_t(i)]->socket();
        if (i < 8)
            EXPECT_TRUE(socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(5000));
        else
            EXPECT_EQ(late[size_t(i)]->exchange(readRequest(5, 0, 1), 11), readReply(5, {0x4242}));
    }
    // The same client address is warned about once, not once per connection closed.
    const auto lines = log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("closed to admit") != std::string::npos; }),
              1);
}

namespace {

// The server's established connections at `port`, as the kernel lists them ("ss"), one line each.
QStringList serverConnections(quint16 port)
{
    QProcess ss;
    ss.start(QStringLiteral("ss"), {QStringLiteral("-tnoH"), QStringLiteral("state"), QStringLiteral("established"),
                                    QStringLiteral("( sport = :%1 )").arg(port)});
    EXPECT_TRUE(ss.waitForFinished(10000));
    return QString::fromLatin1(ss.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Makes `socket` a peer that has vanished without closing: a socket filter drops every packet
// that reaches it, so its side neither answers keepalive probes nor sees the server's reset.
bool dropEverythingArriving(QTcpSocket& socket)
{
    sock_filter dropAll = BPF_STMT(BPF_RET | BPF_K, 0);
    sock_fprog program{1, &dropAll};
    return setsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) == 0;
}

}  // namespace

TEST_F(ModbusServerTest, KeepAliveClosesAVanishedPeerAndKeepsAQuietLiveOne)
{
    // Probes after 1 s of quiet, one a second, two unanswered ones end it. Two connections at
    // most, so that a newcomer shows whether the vanished one's place was given back.
    ModbusServerLimits limits;
    limits.keepAliveIdleS = 1;
    limits.keepAliveIntervalS = 1;
    limits.keepAliveProbes = 2;
    limits.maxConnections = 2;
    restartServer(limits);
    LogCapture log;
    server->setReadRegister(0, 0x0A0B);
    RawClient quiet(port());
    RawClient vanished(port());
    ASSERT_TRUE(quiet.connected());
    ASSERT_TRUE(vanished.connected());
    ASSERT_EQ(quiet.exchange(readRequest(1, 0, 1), 11), readReply(1, {0x0A0B}));
    ASSERT_EQ(vanished.exchange(readRequest(1, 0, 1), 11), readReply(1, {0x0A0B}));
    // The server's side of each connection carries a keepalive timer.
    const QStringList before = serverConnections(port());
    ASSERT_EQ(before.size(), 2) << before.join('\n').toStdString();
    for (const QString& line : before)
        EXPECT_TRUE(line.contains(QStringLiteral("keepalive"))) << line.toStdString();

    ASSERT_TRUE(dropEverythingArriving(vanished.socket())) << std::strerror(errno);
    // The vanished peer's probes go unanswered and the server gives it up; the quiet one, quiet
    // as long, answered the same probes.
    // Some 3 s on an idle machine; the guard only keeps a failing test from hanging.
    constexpr int kGiveUpMs = 30000;
    QElapsedTimer guard;
    guard.start();
    while (serverConnections(port()).size() != 1 && guard.elapsed() < kGiveUpMs)
        QTest::qWait(100);
    ASSERT_EQ(serverConnections(port()).size(), 1) << "the vanished peer is still connected";
    EXPECT_EQ(quiet.socket().state(), QAbstractSocket::ConnectedState);
    EXPECT_EQ(quiet.exchange(readRequest(2, 0, 1), 11), readReply(2, {0x0A0B}));
    // Its place is free again: a newcomer is served without closing the quiet one.
    RawClient newcomer(port());
    ASSERT_TRUE(newcomer.connected());
    EXPECT_EQ(newcomer.exchange(readRequest(3, 0, 1), 11), readReply(3, {0x0A0B}));
    EXPECT_EQ(quiet.exchange(readRequest(4, 0, 1), 11), readReply(4, {0x0A0B}));
    EXPECT_FALSE(log.contains("closed to admit"));
}

TEST_F(ModbusServerTest, UnfinishedRequestIsDroppedAfterTheTimeout)
{
    ModbusServerLimits limits;
    limits.partialRequestTimeoutMs = 300;
    restartServer(limits);
    LogCapture log;
    auto drops = [&] {
        const auto lines = log.lines();
        return std::count_if(lines.begin(), lines.end(),
                             [](const std::string& l) { return l.find("left a request unfinished") != std::string::npos; });
    };
    server->setReadRegister(0, 0x0102);
    RawClient client(port());
    ASSERT_TRUE(client.connected());

    // Half a request, then silence: dropped, so the next request is read from its own first byte.
    client.send(readRequest(1, 0, 1).left(6));
    EXPECT_TRUE(QTest::qWaitFor([&] { return drops() == 1; }, kPatientWaitMs));
    EXPECT_EQ(client.exchange(readRequest(2, 0, 1), 11), readReply(2, {0x0102}));

    // A request that trickles in a byte at a time is dropped too, though bytes keep coming: its
    // first bytes are dropped before its last has come. (A server of its own: warnings about
    // one client address are given once a minute.)
    restartServer(limits);
    RawClient trickler(port());
    ASSERT_TRUE(trickler.connected());
    const QByteArray slow = writeRequest(3, 0, std::vector<int>(100, 1));
    int sentBeforeDrop = 0;
    while (sentBeforeDrop < slow.size() - 1 && drops() < 2) {
        trickler.send(slow.mid(sentBeforeDrop++, 1));
        QTest::qWait(20);
    }
    EXPECT_EQ(drops(), 2) << sentBeforeDrop << " of " << slow.size() << " bytes sent";
    EXPECT_EQ(writeRegister(0), 0);
    settle();
    EXPECT_TRUE(sink.lists.isEmpty());
}

TEST(ModbusServerPortTaken, ConstructionReturnsAndRegistersStillWork)
{
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::Any, 0));
    qputenv("MONITOR_MODBUS_PORT", QByteArray::number(holder.serverPort()));
    {
        ModbusServer server;
        server.setReadRegister(0, 5);
        quint16 value = 9;
        server.getWriteRegister(0, &value);
        EXPECT_EQ(value, 0);
        server.stop();
    }
    qunsetenv("MONITOR_MODBUS_PORT");
}

TEST(ModbusRegisterTables, IndicesOutsideTheTablesAreIgnored)
{
    const struct {
        const char* name;
        int first;
        std::vector<quint16> values;
        std::vector<int> storedAt;
    } cases[] = {
        {"group inside", 10, {1, 2, 3}, {10, 11, 12}},
        {"group running past 499 stops there", 498, {1, 2, 3}, {498, 499}},
        {"group starting below 0 stores nothing", -1, {1, 2, 3}, {}},
        {"group starting at 500 stores nothing", 500, {1}, {}},
        {"empty group", 0, {}, {}},
    };
    for (const auto& c : cases) {
        ModbusRegisterTables tables;
        tables.setRead(-1, 7);
        tables.setRead(500, 7);
        tables.setReadGroup(c.first, c.values);
        quint16 all[500];
        tables.copyRead(0, 500, all);
        std::vector<quint16> expected(500, 0);
        for (size_t i = 0; i < c.storedAt.size(); ++i)
            expected[c.storedAt[i]] = c.values[i];
        EXPECT_EQ(std::vector<quint16>(all, all + 500), expected) << c.name;
    }
    ModbusRegisterTables tables;
    quint16 value = 42;
    EXPECT_FALSE(tables.getWrite(500, &value));
    EXPECT_FALSE(tables.getWrite(-1, &value));
    EXPECT_EQ(value, 42);
    EXPECT_TRUE(tables.getWrite(499, &value));
    EXPECT_EQ(value, 0);
}

TEST(ModbusRequestFramer, RequestsComeOutWholeAndInOrderWhereverTheStreamIsCut)
{
    const QList<QByteArray> requests = {readRequest(1, 0, 2), writeRequest(2, 5, {1, 2, 3}), hex("00 03 00 00 00 01 01"),
                                        readRequest(4, 9, 1)};
    QByteArray stream;
    for (const QByteArray& r : requests)
        stream += r;
    for (int cut1 = 0; cut1 <= stream.size(); ++cut1) {
        for (int cut2 = cut1; cut2 <= stream.size(); cut2 += 3) {
            ModbusRequestFramer framer;
            QList<QByteArray> taken;
            QByteArray request;
            for (const QByteArray& piece : {stream.left(cut1), stream.mid(cut1, cut2 - cut1), stream.mid(cut2)}) {
                framer.append(piece);
                while (framer.takeRequest(&request))
                    taken.append(request);
            }
            ASSERT_EQ(taken, requests) << "cut at " << cut1 << " and " << cut2;
            EXPECT_EQ(framer.pendingBytes(), 0);
        }
    }
}

}  // namespace

#include "modbusserver_test.moc"
