// EncoderPool: the export's encoder threads. Each takes read-back frames
// from the queue and writes them to the sink, in order when the sink takes
// one frame at a time (video), as they come when it takes several at once
// (image sequences). The first problem a sink reports stops them all and is
// kept, shared, for the exporter to say.
//
// Made and finished on the render thread, which owns the pool; the pool
// owns its threads and joins them in finish() (or its destructor).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "export/FrameQueue.h"
#include "export/FrameSink.h"

class EncoderPool {
public:
    // Starts `workers` threads writing the frames of `queue` into `sink`;
    // both outlive the pool.
    EncoderPool(FrameQueue& queue, FrameSink& sink, int workers);
    ~EncoderPool();
    EncoderPool(const EncoderPool&) = delete;
    EncoderPool& operator=(const EncoderPool&) = delete;

    // Ends the queue and waits for every thread. Afterwards framesWritten()
    // and problem() are final.
    void finish();

    uint64_t framesWritten() const { return framesWritten_; }
    // The first problem a sink reported, "" for none; read after finish().
    const std::string& problem() const { return problem_; }

private:
    void work();

    FrameQueue& queue_;
    FrameSink& sink_;
    std::mutex problemLock_;
    std::string problem_; // guarded by problemLock_ until the threads are joined
    std::atomic<bool> failed_{false};
    std::atomic<uint64_t> framesWritten_{0};
    std::vector<std::thread> threads_;
};
