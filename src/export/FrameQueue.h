// FrameQueue: hands read-back frames from the render thread to the encoder
// thread. A fixed set of frame buffers circulates between the two: the render
// thread takes an empty one, fills it and pushes it; the encoder pops it,
// encodes it and gives it back. When every buffer is in use, takeEmpty()
// waits, so memory stays at `buffers` frames however long the export runs.
//
// Owns the buffers. takeEmpty()/push()/finish() belong to the producing
// thread, pop()/fail() to the consuming one; either may giveBack() a buffer
// it took. Non-copyable.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

class FrameQueue {
public:
    // A frame's pixels and its position in the export (0, 1, ...).
    struct Frame {
        std::vector<uint8_t> pixels;
        uint64_t index = 0;
    };

    FrameQueue(size_t buffers, size_t frameBytes);
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;

    // A buffer of frameBytes to fill; waits while all are in use. False
    // (nothing taken) once the consumer has failed.
    bool takeEmpty(Frame& frame);
    // Queues a filled frame for the consumer.
    void push(Frame frame);
    // No more frames will come; pop() returns false once the queue is empty.
    void finish();

    // The next frame in order; waits for one. False when finished and empty.
    bool pop(Frame& frame);
    // Returns a buffer that pop() or takeEmpty() gave out.
    void giveBack(Frame frame);
    // The consumer cannot go on: wakes the producer, whose takeEmpty() now fails.
    void fail();

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Frame> empty_;
    std::deque<Frame> filled_;
    bool finished_ = false;
    bool failed_ = false;
};
