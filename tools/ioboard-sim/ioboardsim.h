// A simulated IO board with 10 inputs and 10 outputs on one end of a serial line (in practice a
// pseudo-terminal): answers polls with type-2 frames (inputs set from outside, held outputs
// echoed), takes output commands, answers the data-word commands with type-3 and type-4 frames,
// records every host frame with a time stamp and can inject line faults. Its own thread serves
// the line; every public call is thread-safe.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class IOBoardSimulator {
public:
    // Faults applied to the board's next replies. Several may be armed at once.
    enum class Fault {
        BadChecksum,  // checksum byte off by one
        BadEndByte,   // 0xF4 instead of 0xF5
        Noise,        // five stray bytes before the frame
        SplitFrame,   // first 7 bytes, a 20 ms pause, then the 8th
        Silence,      // no reply at all
    };
    static constexpr int kFaultKinds = 5;
    // Count for injectFault: until clearFaults().
    static constexpr int kForever = -1;

    struct HostFrame {
        int64_t micros = 0;  // receive time, microseconds since open()
        uint8_t bytes[6] = {};
        int command() const { return bytes[1]; }
        uint16_t value() const { return uint16_t(bytes[2] | (bytes[3] << 8)); }
    };

    IOBoardSimulator();
    ~IOBoardSimulator();
    IOBoardSimulator(const IOBoardSimulator&) = delete;
    IOBoardSimulator& operator=(const IOBoardSimulator&) = delete;

    // Opens the board's end of the line (raw, 115200 8N1) and starts serving it.
    bool open(const std::string& device, std::string* error = nullptr);
    void close();
    bool isOpen() const;

    // Input levels, bit i = input i + 1 on the terminals.
    void setInputs(uint16_t bits);
    uint16_t inputs() const;
    // Output levels the board holds (set by command 1, or here as if the board had reset).
    void setHeldOutputs(uint16_t bits);
    uint16_t heldOutputs() const;
    // Stuck outputs: command 1 is taken but changes nothing.
    void setOutputsStuck(bool stuck);
    // Words answered to command 3 (block 1) and command 4 (block 2), one frame each, in order.
    void setBlockWords(int block, const std::vector<uint32_t>& words);

    // Applies `fault` to the next `count` replies (kForever: until cleared).
    void injectFault(Fault fault, int count = 1);
    void clearFaults();
    // Writes bytes to the host as they are.
    void sendRaw(const std::vector<uint8_t>& bytes);

    // Every host frame received since open() or the last clearHostFrames().
    std::vector<HostFrame> hostFrames() const;
    void clearHostFrames();
    // Host frames of one command received so far (any command with -1).
    size_t hostFrameCount(int command = -1) const;
    // Waits until at least `count` frames of `command` (-1 any) are recorded; false on timeout.
    bool waitForHostFrames(int command, size_t count, int timeoutMs) const;
    // Host bytes that belonged to no valid host frame.
    size_t strayHostBytes() const;

    // Called in the simulator's thread for each host frame and for each change of the held
    // outputs. Set before open().
    void onHostFrame(std::function<void(const HostFrame&)> callback);
    void onOutputsChanged(std::function<void(uint16_t)> callback);

    // Text control, one command per line (see help); returns the reply text.
    std::string execute(const std::string& line);

    // A board frame: 5F, type, d0..d3, checksum of the six, F5.
    static std::vector<uint8_t> boardFrame(uint8_t type, uint8_t d0, uint8_t d1, uint8_t d2, uint8_t d3);
    static std::vector<uint8_t> wordFrame(uint8_t type, uint32_t word);

private:
    void serve();
    void takeBytes(const uint8_t* bytes, size_t n);
    void handleHostFrame(const HostFrame& frame);
    void reply(const std::vector<uint8_t>& frame);
    bool takeFault(Fault fault);
    // Host frames of `command` (-1 any) on record; m_mutex held.
    size_t countFramesLocked(int command) const;
    void writeAll(const uint8_t* bytes, size_t n);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_frameArrived;
    std::mutex m_writeMutex;
    std::thread m_thread;
    int m_fd = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    int64_t m_openedAt = 0;

    // Guarded by m_mutex.
    uint16_t m_inputs = 0;
    uint16_t m_outputs = 0;
    bool m_outputsStuck = false;
    std::vector<uint32_t> m_blockWords[2];
    int m_faults[kFaultKinds] = {};
    std::vector<HostFrame> m_frames;
    size_t m_strayBytes = 0;

    // Simulator thread only.
    std::vector<uint8_t> m_rx;
    std::function<void(const HostFrame&)> m_frameCallback;
    std::function<void(uint16_t)> m_outputsCallback;
};
