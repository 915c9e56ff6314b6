// ioboard-sim: a simulated IO board on one end of a pseudo-terminal pair, driven by text commands
// from stdin and, optionally, from a control FIFO (so a demo can drive it while it runs in the
// background).
//
//   socat -d -d pty,raw,echo=0,link=/tmp/io-host pty,raw,echo=0,link=/tmp/io-board &
//   ioboard-sim --device /tmp/io-board --control /tmp/io-board.ctl --record frames.log &
//   MONITOR_SERIAL_PORT=/tmp/io-host build/mould-monitor
//   echo "in 1 on" > /tmp/io-board.ctl
#include "ioboardsim.h"
#include "machinecycle.h"

#include <cerrno>
#include <chrono>
#include <memory>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int)
{
    stopRequested = 1;
}

void usage()
{
    std::cerr << "usage: ioboard-sim --device PATH [--control FIFO] [--record FILE] [--inputs HEX] [--quiet]\n"
                 "                  [--machine [OPEN_MS,CLOSED_MS]]\n"
                 "  --device   the board's end of the serial line (e.g. one link of a socat pty pair)\n"
                 "  --control  named pipe to read commands from as well as stdin (created if missing)\n"
                 "  --record   file that gets one line per host frame: seconds since start and the 6 bytes\n"
                 "  --inputs   initial input levels, bit 0 = input 1\n"
                 "  --quiet    do not report output changes on stdout\n"
                 "  --machine  play the moulding machine: open the mould (input 1) for at least OPEN_MS\n"
                 "             (default 2500), close it once output 1 permits the clamp, keep it closed\n"
                 "             CLOSED_MS (default 3500), and again; the commands 'machine pause' and\n"
                 "             'machine resume' keep the mould closed once it is closed, and let it go on\n"
                 "Type 'help' for the commands.\n";
}

// Splits what arrives on `fd` into lines and runs each through the simulator.
struct LineReader {
    int fd = -1;
    std::string pending;

    // False at end of input. `machine` (may be null) takes the machine's own commands.
    bool readAndRun(IOBoardSimulator& sim, MachineCycle* machine)
    {
        char buf[512];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0)
            return false;
        if (n < 0)
            return errno == EAGAIN || errno == EINTR;
        pending.append(buf, size_t(n));
        size_t eol;
        while ((eol = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line == "quit" || line == "exit") {
                stopRequested = 1;
                return true;
            }
            if (machine && (line == "machine pause" || line == "machine resume")) {
                const bool pause = line == "machine pause";
                machine->setPaused(pause);
                std::cout << (pause ? "machine: paused" : "machine: resumed") << std::endl;
                continue;
            }
            const std::string reply = sim.execute(line);
            if (!reply.empty())
                std::cout << reply << (reply.back() == '\n' ? "" : "\n") << std::flush;
        }
        return true;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    std::string device, control, record;
    unsigned long initialInputs = 0;
    bool quiet = false;
    std::unique_ptr<MachineCycle> machine;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--device")
            device = next();
        else if (a == "--control")
            control = next();
        else if (a == "--record")
            record = next();
        else if (a == "--inputs")
            initialInputs = std::strtoul(next().c_str(), nullptr, 16) & 0x3FF;
        else if (a == "--quiet")
            quiet = true;
        else if (a == "--machine") {
            MachineCycle::Timing timing;
            if (i + 1 < argc && argv[i + 1][0] != '-' && !MachineCycle::parseTiming(argv[++i], &timing)) {
                usage();
                return 2;
            }
            machine = std::make_unique<MachineCycle>(timing);
        }
        else {
            usage();
            return a == "--help" || a == "-h" ? 0 : 2;
        }
    }
    if (device.empty()) {
        usage();
        return 2;
    }

    std::FILE* recordFile = nullptr;
    if (!record.empty()) {
        recordFile = std::fopen(record.c_str(), "a");
        if (!recordFile) {
            std::cerr << "ioboard-sim: cannot write " << record << ": " << std::strerror(errno) << "\n";
            return 1;
        }
    }

    IOBoardSimulator sim;
    sim.setInputs(uint16_t(initialInputs));
    if (recordFile) {
        sim.onHostFrame([recordFile](const IOBoardSimulator::HostFrame& f) {
            std::fprintf(recordFile, "%.6f %02X %02X %02X %02X %02X %02X\n", double(f.micros) / 1e6, f.bytes[0],
                         f.bytes[1], f.bytes[2], f.bytes[3], f.bytes[4], f.bytes[5]);
            std::fflush(recordFile);
        });
    }
    if (!quiet) {
        sim.onOutputsChanged([](uint16_t outputs) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "outputs 0x%03X\n", outputs);
            std::fputs(buf, stdout);
            std::fflush(stdout);
        });
    }
    std::string error;
    if (!sim.open(device, &error)) {
        std::cerr << "ioboard-sim: " << error << "\n";
        return 1;
    }

    LineReader fromStdin { STDIN_FILENO, {} };
    LineReader fromFifo;
    if (!control.empty()) {
        if (mkfifo(control.c_str(), 0600) != 0 && errno != EEXIST) {
            std::cerr << "ioboard-sim: cannot make " << control << ": " << std::strerror(errno) << "\n";
            return 1;
        }
        // Read and write, so the pipe never reports end of input between two writers.
        fromFifo.fd = ::open(control.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fromFifo.fd < 0) {
            std::cerr << "ioboard-sim: cannot open " << control << ": " << std::strerror(errno) << "\n";
            return 1;
        }
    }

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    bool stdinOpen = true;
    std::cout << "ioboard-sim on " << device << " (type 'help')" << std::endl;
    const auto started = std::chrono::steady_clock::now();
    while (!stopRequested) {
        if (machine) {
            const auto now = std::chrono::steady_clock::now() - started;
            std::string event;
            const uint16_t inputs = machine->step(std::chrono::duration_cast<std::chrono::milliseconds>(now).count(),
                                                  sim.heldOutputs(), sim.inputs(), &event);
            if (inputs != sim.inputs())
                sim.setInputs(inputs);
            if (!event.empty())
                std::cout << event << std::endl;
        }
        pollfd fds[2];
        nfds_t n = 0;
        if (stdinOpen)
            fds[n++] = { STDIN_FILENO, POLLIN, 0 };
        if (fromFifo.fd >= 0)
            fds[n++] = { fromFifo.fd, POLLIN, 0 };
        if (n == 0 && !machine) {
            pause();
            continue;
        }
        if (poll(fds, n, machine ? 20 : 200) <= 0)
            continue;
        for (nfds_t i = 0; i < n; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            if (fds[i].fd == STDIN_FILENO)
                stdinOpen = fromStdin.readAndRun(sim, machine.get());
            else
                fromFifo.readAndRun(sim, machine.get());
        }
    }
    sim.close();
    if (recordFile)
        std::fclose(recordFile);
    return 0;
}
