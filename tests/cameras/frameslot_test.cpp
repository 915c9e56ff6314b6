#include "cameras/frameslot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

std::vector<unsigned char> frameOf(size_t bytes, unsigned char value)
{
    return std::vector<unsigned char>(bytes, value);
}

}  // namespace

TEST(FrameSlot, NothingToTakeBeforeTheFirstFrame)
{
    FrameSlot slot;
    slot.allocate(16);
    std::vector<unsigned char> destination(16, 0xAB);
    EXPECT_FALSE(slot.take(destination.data()));
    EXPECT_EQ(destination, frameOf(16, 0xAB));
    int frames = -1;
    EXPECT_FALSE(slot.frameDelta(&frames));
    EXPECT_EQ(frames, 0);
}

TEST(FrameSlot, ThreeFramesBetweenTwoPollsDeliverTheNewestOnce)
{
    FrameSlot slot;
    slot.allocate(8);
    for (unsigned char value : {1, 2, 3}) {
        const auto frame = frameOf(8, value);
        slot.publish(frame.data(), frame.size());
    }
    std::vector<unsigned char> destination(8, 0);
    EXPECT_TRUE(slot.take(destination.data()));
    EXPECT_EQ(destination, frameOf(8, 3));
    destination.assign(8, 0xEE);
    EXPECT_FALSE(slot.take(destination.data()));
    EXPECT_EQ(destination, frameOf(8, 0xEE));

    int frames = -1;
    EXPECT_TRUE(slot.frameDelta(&frames));
    EXPECT_EQ(frames, 3);
    EXPECT_FALSE(slot.frameDelta(&frames));
    EXPECT_EQ(frames, 0);
}

TEST(FrameSlot, CopiesExactlyTheFrameLength)
{
    // A grey frame is width x height bytes, a colour frame four times that; nothing past the
    // frame length of the destination is written.
    struct Case {
        const char* what;
        size_t frameBytes;
    };
    const Case cases[] = {{"grey 4 x 3", 12}, {"colour 4 x 3", 48}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FrameSlot slot;
        slot.allocate(c.frameBytes);
        EXPECT_EQ(slot.frameBytes(), c.frameBytes);
        // A longer SDK frame is cut to the frame length.
        const auto frame = frameOf(c.frameBytes + 5, 7);
        slot.publish(frame.data(), frame.size());
        std::vector<unsigned char> destination(c.frameBytes + 4, 0xEE);
        ASSERT_TRUE(slot.take(destination.data()));
        for (size_t i = 0; i < destination.size(); ++i)
            ASSERT_EQ(destination[i], i < c.frameBytes ? 7 : 0xEE) << "byte " << i;
    }
}

TEST(FrameSlot, ConversionUnderTheMutexWritesTheBuffer)
{
    FrameSlot slot;
    slot.allocate(4);
    slot.publish([](unsigned char* buffer, size_t bytes) {
        for (size_t i = 0; i < bytes; ++i)
            buffer[i] = static_cast<unsigned char>(10 + i);
    });
    std::vector<unsigned char> destination(4, 0);
    ASSERT_TRUE(slot.take(destination.data()));
    EXPECT_EQ(destination, (std::vector<unsigned char>{10, 11, 12, 13}));
}

TEST(FrameSlot, ReallocationForgetsAPendingFrame)
{
    FrameSlot slot;
    slot.allocate(4);
    const auto frame = frameOf(4, 9);
    slot.publish(frame.data(), frame.size());
    slot.allocate(16);
    std::vector<unsigned char> destination(16, 0xEE);
    EXPECT_FALSE(slot.take(destination.data()));
}

// An SDK thread publishes while the GUI thread polls: every frame taken is whole (never half of
// one frame and half of the next), frames arrive in order, and the counts add up.
TEST(FrameSlot, CallbackThreadAndPollingThreadNeverTearAFrame)
{
    constexpr size_t kBytes = 64 * 1024;
    // Fewer than 256 frames, so a frame's fill byte is its number.
    constexpr int kFrames = 250;
    FrameSlot slot;
    slot.allocate(kBytes);
    std::atomic<bool> done{false};
    std::thread sdk([&] {
        for (int n = 1; n <= kFrames; ++n) {
            slot.publish([n](unsigned char* buffer, size_t bytes) {
                for (size_t i = 0; i < bytes; ++i)
                    buffer[i] = static_cast<unsigned char>(n);
            });
        }
        done = true;
    });
    std::vector<unsigned char> destination(kBytes, 0);
    int lastSeen = 0;
    int counted = 0;
    int taken = 0;
    auto poll = [&] {
        int frames = 0;
        slot.frameDelta(&frames);
        counted += frames;
        if (!slot.take(destination.data()))
            return;
        ++taken;
        const unsigned char first = destination[0];
        for (size_t i = 1; i < kBytes; ++i)
            ASSERT_EQ(destination[i], first) << "torn frame at byte " << i;
        EXPECT_GT(static_cast<int>(first), lastSeen);
        lastSeen = first;
    };
    while (!done)
        poll();
    sdk.join();
    poll();
    EXPECT_EQ(counted, kFrames);
    EXPECT_GE(taken, 1);
    EXPECT_EQ(lastSeen, kFrames);
}
