#include "serial/ring_buffer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <random>
#include <vector>

#include "platform/threads/thread.h"

namespace quorvex {
namespace {

using namespace std::chrono_literals;

std::vector<unsigned char> Sequence(std::size_t length, unsigned char first = 0)
{
    std::vector<unsigned char> bytes(length);
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<unsigned char>(first + i);
    return bytes;
}

std::vector<unsigned char> ReadAll(RingBuffer& ring)
{
    std::vector<unsigned char> bytes(RingBuffer::kStorageSize);
    bytes.resize(ring.Read(bytes.data(), static_cast<std::uint32_t>(bytes.size())));
    return bytes;
}

bool DataSignalled(RingBuffer& ring)
{
    return ring.GetDataEvent().IsSet();
}
bool EmptySignalled(RingBuffer& ring)
{
    return ring.GetEmptyEvent().IsSet();
}

// Moves both positions to `offset` by writing and reading that many bytes.
void MovePositionsTo(RingBuffer& ring, std::uint32_t offset)
{
    const auto filler = Sequence(offset);
    ring.Write(filler.data(), offset);
    ASSERT_EQ(ReadAll(ring), filler);
}

TEST(RingBufferTest, EventsFollowEmptinessNotSingleCalls)
{
    RingBuffer ring;
    EXPECT_EQ(ring.GetUsed(), 0u);
    EXPECT_TRUE(EmptySignalled(ring));
    EXPECT_FALSE(DataSignalled(ring));

    ring.Write(nullptr, 0);
    EXPECT_TRUE(EmptySignalled(ring));
    EXPECT_FALSE(DataSignalled(ring));

    const auto ten = Sequence(10);
    ring.Write(ten.data(), 10);
    EXPECT_EQ(ring.GetUsed(), 10u);
    EXPECT_TRUE(DataSignalled(ring));
    EXPECT_FALSE(EmptySignalled(ring));

    unsigned char out[512];
    ASSERT_EQ(ring.Read(out, 4), 4u);
    EXPECT_EQ(std::vector<unsigned char>(out, out + 4), Sequence(4));
    EXPECT_TRUE(DataSignalled(ring));
    EXPECT_FALSE(EmptySignalled(ring));
    EXPECT_EQ(ring.Read(out, 0), 0u);
    EXPECT_TRUE(DataSignalled(ring));

    ASSERT_EQ(ring.Read(out, 512), 6u);
    EXPECT_EQ(std::vector<unsigned char>(out, out + 6), Sequence(6, 4));
    EXPECT_FALSE(DataSignalled(ring));
    EXPECT_TRUE(EmptySignalled(ring));

    // The relay sets the data event by hand to wake itself; a read of the empty ring must
    // put it back.
    ring.GetDataEvent().Set();
    EXPECT_EQ(ring.Read(out, 512), 0u);
    EXPECT_FALSE(DataSignalled(ring));
    EXPECT_TRUE(EmptySignalled(ring));
}

TEST(RingBufferTest, WritesAndReadsAcrossTheEndKeepOrder)
{
    RingBuffer ring;
    MovePositionsTo(ring, RingBuffer::kStorageSize - 100);
    const auto bytes = Sequence(300, 7);
    ring.Write(bytes.data(), 300);
    EXPECT_EQ(ring.GetUsed(), 300u);  // write position now lies before the read position
    EXPECT_EQ(ReadAll(ring), bytes);
}

TEST(RingBufferTest, OverfullWritesKeepTheNewest4095Bytes)
{
    for (std::uint32_t start : {0u, 1u, 2000u, RingBuffer::kStorageSize - 1}) {
        SCOPED_TRACE(start);
        RingBuffer ring;
        MovePositionsTo(ring, start);
        const auto exact = Sequence(4095);
        ring.Write(exact.data(), 4095);
        EXPECT_EQ(ReadAll(ring), exact);

        const auto oneTooMany = Sequence(4096);
        ring.Write(oneTooMany.data(), 4096);
        EXPECT_EQ(ReadAll(ring),
                  std::vector<unsigned char>(oneTooMany.begin() + 1, oneTooMany.end()));

        const auto old = Sequence(3000, 1);
        const auto fresh = Sequence(2000, 101);
        ring.Write(old.data(), 3000);
        ring.Write(fresh.data(), 2000);
        EXPECT_EQ(ring.GetUsed(), 4095u);
        std::vector<unsigned char> expected(old.begin() + 905, old.end());
        expected.insert(expected.end(), fresh.begin(), fresh.end());
        EXPECT_EQ(ReadAll(ring), expected);

        const auto huge = Sequence(10000, 3);
        ring.Write(huge.data(), 10000);
        EXPECT_EQ(ReadAll(ring), std::vector<unsigned char>(huge.end() - 4095, huge.end()));
    }
}

// Random writes and reads against a plain queue that drops its oldest bytes.
TEST(RingBufferTest, BehavesLikeABoundedQueueUnderRandomUse)
{
    std::mt19937 random(20261207);
    RingBuffer ring;
    std::deque<unsigned char> model;
    unsigned char next = 0;
    for (int step = 0; step < 20000; ++step) {
        if (random() % 2 == 0) {
            std::vector<unsigned char> bytes(random() % 1500);
            for (auto& byte : bytes)
                byte = next++;
            ring.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
            model.insert(model.end(), bytes.begin(), bytes.end());
            while (model.size() > RingBuffer::kCapacity)
                model.pop_front();
        } else {
            std::vector<unsigned char> out(random() % 700);
            out.resize(ring.Read(out.data(), static_cast<std::uint32_t>(out.size())));
            ASSERT_LE(out.size(), model.size());
            ASSERT_TRUE(std::equal(out.begin(), out.end(), model.begin()));
            model.erase(model.begin(), model.begin() + static_cast<std::ptrdiff_t>(out.size()));
        }
        ASSERT_EQ(ring.GetUsed(), model.size());
        ASSERT_EQ(DataSignalled(ring), !model.empty());
        ASSERT_EQ(EmptySignalled(ring), model.empty());
    }
}

TEST(RingBufferTest, ClearReleasesAWaitingProducer)
{
    RingBuffer ring;
    const auto bytes = Sequence(100);
    ring.Write(bytes.data(), 100);
    Thread producer;
    ASSERT_TRUE(producer.Start([&] { ring.GetEmptyEvent().Wait(); }));
    ring.Clear();
    producer.Join();
    unsigned char out[16];
    EXPECT_EQ(ring.Read(out, 16), 0u);
    EXPECT_EQ(ring.GetUsed(), 0u);
    EXPECT_FALSE(DataSignalled(ring));
}

}  // namespace
}  // namespace quorvex
