#include "ioboardsim.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr uint8_t kStart = 0x5F;
constexpr uint8_t kEnd = 0xF5;
// Stray bytes put before a frame by the noise fault; two of them look like start bytes.
const uint8_t kNoise[] = { 0x00, 0x5F, 0xF5, 0x5F, 0x13 };
constexpr int kSplitAt = 7;
constexpr int kSplitPauseMs = 20;

int64_t steadyMicros()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

uint8_t sum8(const uint8_t* b, size_t n)
{
    unsigned sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum += b[i];
    return uint8_t(sum & 0xFF);
}

bool parseNumber(const std::string& text, unsigned long& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(text.c_str(), &end, 0);
    return errno == 0 && end && *end == '\0';
}

bool parseHex(const std::string& text, unsigned long& value)
{
    std::string t = text;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X'))
        t = t.substr(2);
    if (t.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(t.c_str(), &end, 16);
    return errno == 0 && end && *end == '\0';
}

std::string hex3(unsigned v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%03X", v);
    return buf;
}

const char* const kHelp =
    "commands:\n"
    "  inputs HEX                 set the 10 input levels (bit 0 = input 1)\n"
    "  in N on|off                set input N (1..10)\n"
    "  hold HEX                   set the held outputs as if the board had changed them\n"
    "  stuck on|off               ignore (on) or take (off) output commands\n"
    "  words 1|2 HEX...           words answered to command 3 (block 1) or 4 (block 2)\n"
    "  fault KIND [COUNT|forever] KIND: checksum endbyte noise split silence; COUNT replies (1)\n"
    "  fault off                  clear every fault\n"
    "  raw HEX...                 send bytes to the host as they are\n"
    "  status                     inputs, held outputs, frames received\n"
    "  frames [N]                 the last N host frames (10)\n"
    "  help\n";

}  // namespace

IOBoardSimulator::IOBoardSimulator()
{
    m_blockWords[0] = { 0x00010000, 1, 2, 3, 4, 5, 6, 7 };
    m_blockWords[1] = { 8, 9, 10, 11, 12, 13, 14, 15 };
}

IOBoardSimulator::~IOBoardSimulator()
{
    close();
}

bool IOBoardSimulator::open(const std::string& device, std::string* error)
{
    close();
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = device + ": " + std::strerror(errno);
        return false;
    }
    termios tio {};
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        cfsetispeed(&tio, B115200);
        cfsetospeed(&tio, B115200);
        tcsetattr(fd, TCSANOW, &tio);
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error)
            *error = std::string("pipe: ") + std::strerror(errno);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_wakeRead = pipeFds[0];
    m_wakeWrite = pipeFds[1];
    m_openedAt = steadyMicros();
    m_rx.clear();
    m_thread = std::thread(&IOBoardSimulator::serve, this);
    return true;
}

void IOBoardSimulator::close()
{
    if (m_thread.joinable()) {
        const uint8_t stop = 1;
        [[maybe_unused]] ssize_t w = ::write(m_wakeWrite, &stop, 1);
        m_thread.join();
    }
    for (int* fd : { &m_fd, &m_wakeRead, &m_wakeWrite }) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

bool IOBoardSimulator::isOpen() const
{
    return m_fd >= 0;
}

void IOBoardSimulator::serve()
{
    uint8_t buffer[512];
    for (;;) {
        pollfd fds[2] = { { m_fd, POLLIN, 0 }, { m_wakeRead, POLLIN, 0 } };
        const int r = poll(fds, 2, 100);
        if (r < 0 && errno != EINTR)
            return;
        if (fds[1].revents)
            return;
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0)
                takeBytes(buffer, size_t(n));
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // The other end is gone (a pty without a reader); do not spin.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

void IOBoardSimulator::takeBytes(const uint8_t* bytes, size_t n)
{
    m_rx.insert(m_rx.end(), bytes, bytes + n);
    size_t pos = 0;
    while (m_rx.size() - pos >= 6) {
        const uint8_t* b = m_rx.data() + pos;
        if (b[0] == kStart && b[5] == kEnd && sum8(b, 4) == b[4]) {
            HostFrame frame;
            frame.micros = steadyMicros() - m_openedAt;
            std::memcpy(frame.bytes, b, 6);
            handleHostFrame(frame);
            pos += 6;
        } else {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_strayBytes;
            ++pos;
        }
    }
    m_rx.erase(m_rx.begin(), m_rx.begin() + long(pos));
}

void IOBoardSimulator::handleHostFrame(const HostFrame& frame)
{
    std::vector<std::vector<uint8_t>> replies;
    bool outputsChanged = false;
    uint16_t outputs = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames.push_back(frame);
        switch (frame.command()) {
        case 1:
            if (!m_outputsStuck) {
                const uint16_t wanted = frame.value() & 0x3FF;
                outputsChanged = wanted != m_outputs;
                m_outputs = wanted;
            }
            break;
        case 2:
            replies.push_back(boardFrame(2, uint8_t(m_inputs & 0xFF), uint8_t((m_inputs >> 8) & 3),
                                         uint8_t(m_outputs & 0xFF), uint8_t((m_outputs >> 8) & 3)));
            break;
        case 3:
        case 4:
            for (uint32_t word : m_blockWords[frame.command() - 3])
                replies.push_back(wordFrame(uint8_t(frame.command()), word));
            break;
        default:
            break;
        }
        outputs = m_outputs;
    }
    m_frameArrived.notify_all();
    if (m_frameCallback)
        m_frameCallback(frame);
    if (outputsChanged && m_outputsCallback)
        m_outputsCallback(outputs);
    for (const auto& r : replies)
        reply(r);
}

bool IOBoardSimulator::takeFault(Fault fault)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    int& count = m_faults[int(fault)];
    if (count == 0)
        return false;
    if (count > 0)
        --count;
    return true;
}

void IOBoardSimulator::reply(const std::vector<uint8_t>& frame)
{
    if (takeFault(Fault::Silence))
        return;
    std::vector<uint8_t> out;
    if (takeFault(Fault::Noise))
        out.assign(std::begin(kNoise), std::end(kNoise));
    std::vector<uint8_t> f = frame;
    if (takeFault(Fault::BadChecksum))
        f[6] = uint8_t(f[6] + 1);
    if (takeFault(Fault::BadEndByte))
        f[7] = 0xF4;
    out.insert(out.end(), f.begin(), f.end());
    if (takeFault(Fault::SplitFrame)) {
        const size_t first = out.size() - f.size() + kSplitAt;
        writeAll(out.data(), first);
        std::this_thread::sleep_for(std::chrono::milliseconds(kSplitPauseMs));
        writeAll(out.data() + first, out.size() - first);
        return;
    }
    writeAll(out.data(), out.size());
}

void IOBoardSimulator::writeAll(const uint8_t* bytes, size_t n)
{
    std::lock_guard<std::mutex> lock(m_writeMutex);
    size_t done = 0;
    while (done < n && m_fd >= 0) {
        const ssize_t w = ::write(m_fd, bytes + done, n - done);
        if (w > 0) {
            done += size_t(w);
        } else if (w < 0 && errno == EAGAIN) {
            // The host is not reading; give it a moment, then drop the rest as a full line would.
            pollfd p { m_fd, POLLOUT, 0 };
            if (poll(&p, 1, 100) <= 0)
                return;
        } else if (!(w < 0 && errno == EINTR)) {
            return;
        }
    }
}

void IOBoardSimulator::setInputs(uint16_t bits)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_inputs = bits & 0x3FF;
}

uint16_t IOBoardSimulator::inputs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_inputs;
}

void IOBoardSimulator::setHeldOutputs(uint16_t bits)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_outputs = bits & 0x3FF;
}

uint16_t IOBoardSimulator::heldOutputs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_outputs;
}

void IOBoardSimulator::setOutputsStuck(bool stuck)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_outputsStuck = stuck;
}

void IOBoardSimulator::setBlockWords(int block, const std::vector<uint32_t>& words)
{
    if (block != 1 && block != 2)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_blockWords[block - 1] = words;
}

void IOBoardSimulator::injectFault(Fault fault, int count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults[int(fault)] = count < 0 ? kForever : count;
}

void IOBoardSimulator::clearFaults()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fill(std::begin(m_faults), std::end(m_faults), 0);
}

void IOBoardSimulator::sendRaw(const std::vector<uint8_t>& bytes)
{
    writeAll(bytes.data(), bytes.size());
}

std::vector<IOBoardSimulator::HostFrame> IOBoardSimulator::hostFrames() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frames;
}

void IOBoardSimulator::clearHostFrames()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_frames.clear();
}

size_t IOBoardSimulator::countFramesLocked(int command) const
{
    if (command < 0)
        return m_frames.size();
    return size_t(std::count_if(m_frames.begin(), m_frames.end(),
                                [command](const HostFrame& f) { return f.command() == command; }));
}

size_t IOBoardSimulator::hostFrameCount(int command) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return countFramesLocked(command);
}

bool IOBoardSimulator::waitForHostFrames(int command, size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_frameArrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return countFramesLocked(command) >= count; });
}

size_t IOBoardSimulator::strayHostBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_strayBytes;
}

void IOBoardSimulator::onHostFrame(std::function<void(const HostFrame&)> callback)
{
    m_frameCallback = std::move(callback);
}

void IOBoardSimulator::onOutputsChanged(std::function<void(uint16_t)> callback)
{
    m_outputsCallback = std::move(callback);
}

std::vector<uint8_t> IOBoardSimulator::boardFrame(uint8_t type, uint8_t d0, uint8_t d1, uint8_t d2, uint8_t d3)
{
    std::vector<uint8_t> f { kStart, type, d0, d1, d2, d3, 0, kEnd };
    f[6] = sum8(f.data(), 6);
    return f;
}

std::vector<uint8_t> IOBoardSimulator::wordFrame(uint8_t type, uint32_t word)
{
    return boardFrame(type, uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16), uint8_t(word >> 24));
}

std::string IOBoardSimulator::execute(const std::string& line)
{
    std::istringstream in(line);
    std::string cmd;
    in >> cmd;
    std::vector<std::string> args;
    for (std::string a; in >> a;)
        args.push_back(a);
    unsigned long v = 0;

    if (cmd.empty())
        return "";
    if (cmd == "help")
        return kHelp;
    if (cmd == "inputs" && args.size() == 1 && parseHex(args[0], v) && v <= 0x3FF) {
        setInputs(uint16_t(v));
        return "inputs " + hex3(inputs());
    }
    if (cmd == "in" && args.size() == 2 && parseNumber(args[0], v) && v >= 1 && v <= 10
        && (args[1] == "on" || args[1] == "off" || args[1] == "1" || args[1] == "0")) {
        const bool on = args[1] == "on" || args[1] == "1";
        std::lock_guard<std::mutex> lock(m_mutex);
        const uint16_t mask = uint16_t(1u << (v - 1));
        m_inputs = on ? (m_inputs | mask) : (m_inputs & ~mask);
        return "inputs " + hex3(m_inputs);
    }
    if (cmd == "hold" && args.size() == 1 && parseHex(args[0], v) && v <= 0x3FF) {
        setHeldOutputs(uint16_t(v));
        return "outputs " + hex3(heldOutputs());
    }
    if (cmd == "stuck" && args.size() == 1 && (args[0] == "on" || args[0] == "off")) {
        setOutputsStuck(args[0] == "on");
        return "stuck " + args[0];
    }
    if (cmd == "words" && args.size() >= 1 && parseNumber(args[0], v) && (v == 1 || v == 2)) {
        const int block = int(v);
        std::vector<uint32_t> words;
        for (size_t i = 1; i < args.size(); ++i) {
            if (!parseHex(args[i], v))
                return "error: bad word " + args[i];
            words.push_back(uint32_t(v));
        }
        setBlockWords(block, words);
        return "block " + std::to_string(block) + ": " + std::to_string(words.size()) + " words";
    }
    if (cmd == "fault" && args.size() == 1 && args[0] == "off") {
        clearFaults();
        return "faults cleared";
    }
    if (cmd == "fault" && (args.size() == 1 || args.size() == 2)) {
        static const struct { const char* name; Fault fault; } kinds[] = {
            { "checksum", Fault::BadChecksum }, { "endbyte", Fault::BadEndByte },
            { "noise", Fault::Noise },          { "split", Fault::SplitFrame },
            { "silence", Fault::Silence },
        };
        int count = 1;
        if (args.size() == 2) {
            if (args[1] == "forever")
                count = kForever;
            else if (parseNumber(args[1], v) && v <= 1000000)
                count = int(v);
            else
                return "error: bad count " + args[1];
        }
        for (const auto& k : kinds) {
            if (args[0] == k.name) {
                injectFault(k.fault, count);
                return "fault " + args[0] + (count < 0 ? " forever" : " x" + std::to_string(count));
            }
        }
        return "error: unknown fault " + args[0];
    }
    if (cmd == "raw" && !args.empty()) {
        std::vector<uint8_t> bytes;
        for (const auto& a : args) {
            if (!parseHex(a, v) || v > 0xFF)
                return "error: bad byte " + a;
            bytes.push_back(uint8_t(v));
        }
        sendRaw(bytes);
        return "sent " + std::to_string(bytes.size()) + " bytes";
    }
    if (cmd == "status" && args.empty()) {
        return "inputs " + hex3(inputs()) + " outputs " + hex3(heldOutputs()) + " frames "
            + std::to_string(hostFrameCount()) + " stray " + std::to_string(strayHostBytes());
    }
    if (cmd == "frames" && args.size() <= 1) {
        size_t n = 10;
        if (args.size() == 1) {
            if (!parseNumber(args[0], v))
                return "error: bad count " + args[0];
            n = v;
        }
        const auto frames = hostFrames();
        std::string text;
        for (size_t i = frames.size() > n ? frames.size() - n : 0; i < frames.size(); ++i) {
            char buf[64];
            const HostFrame& f = frames[i];
            std::snprintf(buf, sizeof buf, "%10.6f  %02X %02X %02X %02X %02X %02X\n", double(f.micros) / 1e6,
                          f.bytes[0], f.bytes[1], f.bytes[2], f.bytes[3], f.bytes[4], f.bytes[5]);
            text += buf;
        }
        return text;
    }
    return "error: " + line + " (try help)";
}
