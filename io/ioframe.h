// Frames of the IO board's serial protocol: the 6-byte host frames, the 8-byte board frames, their
// checksum, and the scanner that finds board frames in the received byte stream.
#pragma once

#include <QtGlobal>

#include <array>

// Start and end bytes of every frame, both directions.
constexpr quint8 kIOFrameStart = 0x5F;
constexpr quint8 kIOFrameEnd = 0xF5;
constexpr int kHostFrameSize = 6;
constexpr int kBoardFrameSize = 8;

// Host commands.
enum IOCommand : quint8 {
    kSetOutputs = 1,  // value: output word (bit 0 = output 1)
    kPollInputs = 2,  // value 0; the board answers with a type-2 frame
    kReadBlock1 = 3,  // value 0; the board answers with type-3 frames
    kReadBlock2 = 4,  // value 0; the board answers with type-4 frames
};

// 8-bit sum of `n` bytes, carries dropped.
quint8 checkSum8(const quint8* bytes, int n);

using HostFrame = std::array<quint8, kHostFrameSize>;

// 5F, command, value bits 0..7, value bits 8..15, checksum of the four, F5.
HostFrame makeHostFrame(int command, quint32 value);

// One board frame as found by the scanner (start byte, checksum and end byte already checked).
struct BoardFrame {
    quint8 type = 0;
    quint8 d[4] = {};

    // Type 2: the 10 input levels, bit i = input i + 1 on the terminals (1 = signal present).
    quint32 inputs() const { return d[0] | ((d[1] & 3u) << 8); }
    // Type 2: the 10 output levels the board holds, in the bit order of command 1.
    quint32 outputEcho() const { return d[2] | ((d[3] & 3u) << 8); }
    // Types 3 and 4: one data word, d0 lowest byte.
    quint32 word() const { return d[0] | (d[1] << 8) | (d[2] << 16) | (quint32(d[3]) << 24); }
};

// Receive buffer of the host side: bytes read from the line are appended at its end, scan() hands
// every valid board frame to a handler and keeps the fewer than 8 bytes that may start the next
// frame. Owned and used by one thread (the IO thread).
class IOFrameScanner {
public:
    static constexpr int kCapacity = 1024;

    // Bytes held and not yet parsed.
    int count() const { return m_count; }
    // Free room: the most the next read may bring in. Reads never take more than this, so no
    // received byte is ever dropped here.
    int room() const { return kCapacity - m_count; }
    // Where the next read writes to; call commit() with the number of bytes it wrote.
    quint8* tail() { return m_buffer + m_count; }
    void commit(int n);
    // Copies as many of `n` bytes as fit; returns how many were taken.
    int append(const quint8* bytes, int n);

    // Walks the held bytes: a 0x5F whose next 6 bytes sum (with it) to the 7th and whose 8th is
    // 0xF5 is a frame and is handed to `onFrame(const BoardFrame&)`; anything else is skipped one
    // byte at a time, so the scan finds the next frame after noise or a corrupted byte. Returns
    // the number of bytes skipped.
    template <typename Handler>
    int scan(Handler&& onFrame)
    {
        int pos = 0;
        int skipped = 0;
        BoardFrame frame;
        while (m_count - pos >= kBoardFrameSize) {
            if (parseAt(pos, frame)) {
                onFrame(frame);
                pos += kBoardFrameSize;
            } else {
                ++pos;
                ++skipped;
            }
        }
        keepFrom(pos);
        return skipped;
    }

private:
    bool parseAt(int pos, BoardFrame& frame) const;
    void keepFrom(int pos);

    quint8 m_buffer[kCapacity];
    int m_count = 0;
};
