// Frames, checksum and the resynchronising scanner, without a line.
#include "io/ioframe.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<quint8>;

struct HostFrameCase {
    const char* name;
    int command;
    quint32 value;
    HostFrame expected;
};

TEST(IOFrame, HostFramesMatchTheBoardProtocol)
{
    const HostFrameCase cases[] = {
        { "outputs 1 and 3 high, bits 10..31 at 1", 1, 0xFFFFFC05u, { 0x5F, 0x01, 0x05, 0xFC, 0x61, 0xF5 } },
        { "all outputs high", 1, 0xFFFFFFFFu, { 0x5F, 0x01, 0xFF, 0xFF, 0x5E, 0xF5 } },
        { "poll", 2, 0, { 0x5F, 0x02, 0x00, 0x00, 0x61, 0xF5 } },
        { "first data block", 3, 0, { 0x5F, 0x03, 0x00, 0x00, 0x62, 0xF5 } },
        { "second data block", 4, 0, { 0x5F, 0x04, 0x00, 0x00, 0x63, 0xF5 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ(makeHostFrame(c.command, c.value), c.expected) << c.name;
}

TEST(IOFrame, ChecksumDropsCarries)
{
    const quint8 bytes[] = { 0x5F, 0x02, 0x21, 0x03, 0x05, 0x00 };
    EXPECT_EQ(checkSum8(bytes, 6), 0x8A);
    const quint8 big[] = { 0xFF, 0xFF, 0x03 };
    EXPECT_EQ(checkSum8(big, 3), 0x01);
    EXPECT_EQ(checkSum8(big, 0), 0x00);
}

// Feeds the chunks one after the other (each one read) and collects the frames found.
std::vector<BoardFrame> scanChunks(IOFrameScanner& scanner, const std::vector<Bytes>& chunks)
{
    std::vector<BoardFrame> frames;
    for (const Bytes& chunk : chunks) {
        scanner.append(chunk.data(), int(chunk.size()));
        scanner.scan([&](const BoardFrame& f) { frames.push_back(f); });
    }
    return frames;
}

const Bytes kInputsFrame { 0x5F, 0x02, 0x21, 0x03, 0x05, 0x00, 0x8A, 0xF5 };

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct ScanCase {
    const char* name;
    std::vector<Bytes> chunks;
    int framesFound;
    int bytesLeft;
};

TEST(IOFrameScanner, FindsBoardFramesInTheByteStream)
{
    const Bytes badChecksum { 0x5F, 0x02, 0x21, 0x03, 0x05, 0x00, 0x8B, 0xF5 };
    const Bytes badEnd { 0x5F, 0x02, 0x21, 0x03, 0x05, 0x00, 0x8A, 0xF4 };
    const Bytes unknownType { 0x5F, 0x07, 0x00, 0x00, 0x00, 0x00, 0x66, 0xF5 };
    const ScanCase cases[] = {
        { "one frame", { kInputsFrame }, 1, 0 },
        { "one noise byte before the frame", { concat({ { 0x00 }, kInputsFrame }) }, 1, 0 },
        { "noise that looks like start bytes", { concat({ { 0x5F, 0xF5, 0x5F, 0x13 }, kInputsFrame }) }, 1, 0 },
        { "seven bytes wait for the eighth", { Bytes(kInputsFrame.begin(), kInputsFrame.end() - 1) }, 0, 7 },
        { "split frame completes with the next read",
          { Bytes(kInputsFrame.begin(), kInputsFrame.begin() + 3), Bytes(kInputsFrame.begin() + 3, kInputsFrame.end()) },
          1, 0 },
        { "bad checksum is skipped, the next frame is found", { concat({ badChecksum, kInputsFrame }) }, 1, 0 },
        { "bad end byte is skipped, the next frame is found", { concat({ badEnd, kInputsFrame }) }, 1, 0 },
        { "a frame of another type is consumed whole", { concat({ unknownType, kInputsFrame }) }, 2, 0 },
        { "two frames in one read", { concat({ kInputsFrame, kInputsFrame }) }, 2, 0 },
        { "trailing start of the next frame is kept", { concat({ kInputsFrame, { 0x5F, 0x02 } }) }, 1, 2 },
    };
    for (const auto& c : cases) {
        IOFrameScanner scanner;
        const auto frames = scanChunks(scanner, c.chunks);
        EXPECT_EQ(int(frames.size()), c.framesFound) << c.name;
        EXPECT_EQ(scanner.count(), c.bytesLeft) << c.name;
    }
}

TEST(IOFrameScanner, InputsFrameCarriesInputsAndOutputEcho)
{
    IOFrameScanner scanner;
    const auto frames = scanChunks(scanner, { concat({ { 0x00 }, kInputsFrame }) });
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].type, 2);
    EXPECT_EQ(frames[0].inputs(), 0x321u);  // inputs 1, 6, 9 and 10
    EXPECT_EQ(frames[0].outputEcho(), 0x005u);  // outputs 1 and 3
}

TEST(IOFrameScanner, HighBitsOfTheSecondInputByteAreIgnored)
{
    // d1 = 0xFF instead of 0x03; checksum adjusted (0x8A + 0xFC).
    const Bytes frame { 0x5F, 0x02, 0x21, 0xFF, 0x05, 0xFF, 0x85, 0xF5 };
    IOFrameScanner scanner;
    const auto frames = scanChunks(scanner, { frame });
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].inputs(), 0x321u);
    EXPECT_EQ(frames[0].outputEcho(), 0x305u);
}

TEST(IOFrameScanner, DataWordIsLittleEndian)
{
    const Bytes frame { 0x5F, 0x03, 0x78, 0x56, 0x34, 0x12, 0x00, 0xF5 };
    Bytes withSum = frame;
    withSum[6] = checkSum8(withSum.data(), 6);
    IOFrameScanner scanner;
    const auto frames = scanChunks(scanner, { withSum });
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].word(), 0x12345678u);
}

TEST(IOFrameScanner, NeverTakesMoreThanFitsAndRecoversAfterAFullBuffer)
{
    IOFrameScanner scanner;
    const Bytes noise(IOFrameScanner::kCapacity + 100, 0x00);
    EXPECT_EQ(scanner.append(noise.data(), int(noise.size())), IOFrameScanner::kCapacity);
    EXPECT_EQ(scanner.room(), 0);
    EXPECT_EQ(scanner.append(kInputsFrame.data(), int(kInputsFrame.size())), 0);
    int found = 0;
    scanner.scan([&](const BoardFrame&) { ++found; });
    EXPECT_EQ(found, 0);
    EXPECT_LT(scanner.count(), 8);
    EXPECT_EQ(int(scanChunks(scanner, { kInputsFrame }).size()), 1);
}

}  // namespace
