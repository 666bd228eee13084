#include "link/Mtdeque.h"
#include "link/Pktqueue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

namespace {

std::vector<uint8_t> Pattern(int length, int seed)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<uint8_t>((i * 7 + seed) & 0xFF);
    return bytes;
}

std::vector<uint8_t> PopAll(MTdeque& ring)
{
    std::vector<uint8_t> out(4096);
    const int n = ring.Pop(out.data(), static_cast<int>(out.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}

TEST(MTdeque, HoldsExactly1024AndRefusesThe1025th)
{
    MTdeque ring;
    const auto bytes = Pattern(1024, 3);
    EXPECT_EQ(ring.Push(bytes.data(), 1024), 1024);
    const uint8_t extra = 0xEE;
    EXPECT_EQ(ring.Push(&extra, 1), 0);
    EXPECT_FALSE(ring.IsEmpty());
    EXPECT_EQ(PopAll(ring), bytes);
    EXPECT_TRUE(ring.IsEmpty());
}

TEST(MTdeque, OverlongPushStoresWhatFitsFromTheStart)
{
    MTdeque ring;
    const auto bytes = Pattern(1500, 1);
    EXPECT_EQ(ring.Push(bytes.data(), 1500), 1024);
    EXPECT_EQ(PopAll(ring), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 1024));
}

TEST(MTdeque, PushIntoFiveFreeStoresFiveAndDropsTheRest)
{
    MTdeque ring;
    const auto head = Pattern(1019, 5);
    const auto tail = Pattern(10, 100);
    ASSERT_EQ(ring.Push(head.data(), 1019), 1019);
    EXPECT_EQ(ring.Push(tail.data(), 10), 5);

    auto expected = head;
    expected.insert(expected.end(), tail.begin(), tail.begin() + 5);
    EXPECT_EQ(PopAll(ring), expected);
}

TEST(MTdeque, PopOnEmptyReturnsZeroAndLeavesItEmpty)
{
    MTdeque ring;
    uint8_t dst[8] = {0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55};
    EXPECT_EQ(ring.Pop(dst, 8), 0);
    EXPECT_EQ(ring.Pop(dst, 8), 0);
    EXPECT_TRUE(ring.IsEmpty());
    EXPECT_EQ(dst[0], 0x55);
    // The count did not go below zero: a full ring's worth still fits, no more.
    const auto bytes = Pattern(1025, 9);
    EXPECT_EQ(ring.Push(bytes.data(), 1025), 1024);
}

TEST(MTdeque, NonPositiveLengthsMoveNothing)
{
    MTdeque ring;
    const uint8_t bytes[3] = {1, 2, 3};
    uint8_t dst[3] = {};
    EXPECT_EQ(ring.Push(bytes, 0), 0);
    EXPECT_EQ(ring.Push(bytes, -5), 0);
    EXPECT_TRUE(ring.IsEmpty());
    ASSERT_EQ(ring.Push(bytes, 3), 3);
    EXPECT_EQ(ring.Pop(dst, 0), 0);
    EXPECT_EQ(ring.Pop(dst, -1), 0);
    EXPECT_EQ(ring.Pop(dst, 3), 3);
    EXPECT_EQ(dst[0], 1);
    EXPECT_EQ(dst[1], 2);
    EXPECT_EQ(dst[2], 3);
}

TEST(MTdeque, PartialPopTakesOldestFirst)
{
    MTdeque ring;
    const auto bytes = Pattern(20, 0);
    ASSERT_EQ(ring.Push(bytes.data(), 20), 20);
    uint8_t dst[8] = {};
    ASSERT_EQ(ring.Pop(dst, 8), 8);
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 8), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8));
    EXPECT_EQ(PopAll(ring), std::vector<uint8_t>(bytes.begin() + 8, bytes.end()));
}

TEST(MTdeque, ClearForgetsEverything)
{
    MTdeque ring;
    const auto bytes = Pattern(1024, 2);
    ASSERT_EQ(ring.Push(bytes.data(), 700), 700);
    ring.Clear();
    EXPECT_TRUE(ring.IsEmpty());
    uint8_t dst[4];
    EXPECT_EQ(ring.Pop(dst, 4), 0);
    EXPECT_EQ(ring.Push(bytes.data(), 1024), 1024);
    EXPECT_EQ(PopAll(ring), bytes);
}

// Moves the positions to `advance` first, then checks that pushes across the
// end of the storage come back in order.
struct WrapCase {
    int advance;
    int first;
    int second;
};

class MTdequeWrap : public ::testing::TestWithParam<WrapCase> {};

TEST_P(MTdequeWrap, KeepsOrderAcrossTheEnd)
{
    const WrapCase c = GetParam();
    MTdeque ring;
    const auto filler = Pattern(c.advance, 50);
    ASSERT_EQ(ring.Push(filler.data(), c.advance), c.advance);
    ASSERT_EQ(PopAll(ring).size(), static_cast<size_t>(c.advance));

    const auto a = Pattern(c.first, 11);
    const auto b = Pattern(c.second, 77);
    ASSERT_EQ(ring.Push(a.data(), c.first), c.first);
    ASSERT_EQ(ring.Push(b.data(), c.second), c.second);
    auto expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(PopAll(ring), expected);
    EXPECT_TRUE(ring.IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, MTdequeWrap,
                         ::testing::Values(WrapCase{1000, 10, 30},   // wraps in the second push
                                           WrapCase{1023, 1, 1023},  // full ring starting at the last cell
                                           WrapCase{1024, 512, 512}, // positions back at the start
                                           WrapCase{600, 500, 524},  // full ring wrapping mid-push
                                           WrapCase{1, 1023, 1}));

TEST(MTdeque, ProducerAndConsumerThreadsKeepEveryByteInOrder)
{
    MTdeque ring;
    constexpr int Total = 200000;
    std::thread producer([&ring] {
        uint8_t chunk[37];
        int sent = 0;
        while (sent < Total) {
            const int want = std::min<int>(sizeof chunk, Total - sent);
            for (int i = 0; i < want; ++i)
                chunk[i] = static_cast<uint8_t>((sent + i) % 251);
            // Pushes stop at a full ring; resend what was not taken.
            sent += ring.Push(chunk, want);
        }
    });
    int received = 0;
    bool inOrder = true;
    uint8_t dst[64];
    while (received < Total) {
        const int n = ring.Pop(dst, sizeof dst);
        for (int i = 0; i < n; ++i)
            inOrder = inOrder && dst[i] == static_cast<uint8_t>((received + i) % 251);
        received += n;
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(received, Total);
    EXPECT_TRUE(ring.IsEmpty());
}

TEST(TPktQueue, EmptyQueueGivesZeroLength)
{
    TPktQueue queue;
    uint8_t dst[4] = {9, 9, 9, 9};
    EXPECT_EQ(queue.Get(dst), 0u);
    EXPECT_EQ(dst[0], 9);
}

TEST(TPktQueue, GetReturnsTheLastFramePut)
{
    TPktQueue queue;
    const uint8_t first[5] = {0x01, 0x02, 0x03, 0x04, 0x05};
    const uint8_t second[3] = {0xAA, 0xBB, 0xCC};
    queue.Put(first, 5);
    uint8_t dst[8] = {};
    ASSERT_EQ(queue.Get(dst), 5u);
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 5), std::vector<uint8_t>(first, first + 5));

    queue.Put(second, 3);
    uint8_t again[8] = {};
    ASSERT_EQ(queue.Get(again), 3u);
    EXPECT_EQ(std::vector<uint8_t>(again, again + 3), std::vector<uint8_t>(second, second + 3));
    EXPECT_EQ(again[3], 0);

    // Get does not take the frame away.
    EXPECT_EQ(queue.Get(again), 3u);
    queue.Put(second, 0);
    EXPECT_EQ(queue.Get(again), 0u);
}

TEST(TPktQueue, StoresAtMost1024ButReportsTheLengthPut)
{
    TPktQueue queue;
    const auto frame = Pattern(1500, 4);
    queue.Put(frame.data(), 1500);
    std::vector<uint8_t> dst(1500, 0x5A);
    EXPECT_EQ(queue.Get(dst.data()), 1500u);
    EXPECT_EQ(std::vector<uint8_t>(dst.begin(), dst.begin() + 1024),
              std::vector<uint8_t>(frame.begin(), frame.begin() + 1024));
    EXPECT_EQ(dst[1024], 0x5A);
    EXPECT_EQ(dst[1499], 0x5A);
}

} // namespace
