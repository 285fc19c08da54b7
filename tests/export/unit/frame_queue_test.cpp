// The hand-over between render and encoder threads: frames arrive in order,
// memory stays at the queue's buffers however many frames pass, and a failing
// encoder releases a waiting renderer instead of leaving it blocked.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <vector>
#include <thread>

#include "export/FrameQueue.h"

TEST(FrameQueue, ManyFramesPassInOrderThroughAFewBuffers)
{
    FrameQueue queue(3, 16);
    std::set<const uint8_t*> buffersSeen;
    std::vector<uint64_t> received;
    std::thread consumer([&] {
        FrameQueue::Frame frame;
        while (queue.pop(frame)) {
            received.push_back(frame.index);
            EXPECT_EQ(frame.pixels[0], static_cast<uint8_t>(frame.index));
            buffersSeen.insert(frame.pixels.data());
            std::this_thread::yield();
            queue.giveBack(std::move(frame));
        }
    });
    for (uint64_t k = 0; k < 500; ++k) {
        FrameQueue::Frame frame;
        ASSERT_TRUE(queue.takeEmpty(frame));
        ASSERT_EQ(frame.pixels.size(), 16u);
        frame.pixels[0] = static_cast<uint8_t>(k);
        frame.index = k;
        queue.push(std::move(frame));
    }
    queue.finish();
    consumer.join();

    ASSERT_EQ(received.size(), 500u);
    for (uint64_t k = 0; k < received.size(); ++k)
        ASSERT_EQ(received[k], k);
    EXPECT_LE(buffersSeen.size(), 3u) << "no buffer beyond the three the queue owns";
}

TEST(FrameQueue, AFailedConsumerReleasesTheWaitingProducer)
{
    FrameQueue queue(2, 4);
    FrameQueue::Frame first;
    FrameQueue::Frame second;
    ASSERT_TRUE(queue.takeEmpty(first));
    ASSERT_TRUE(queue.takeEmpty(second));

    std::atomic<bool> producerReturned{false};
    bool producerGotABuffer = true;
    std::thread producer([&] {
        FrameQueue::Frame third;
        producerGotABuffer = queue.takeEmpty(third); // every buffer is out: waits
        producerReturned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(producerReturned) << "the producer must wait while every buffer is in use";
    queue.fail();
    producer.join();
    EXPECT_FALSE(producerGotABuffer);
}
