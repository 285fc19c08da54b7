// The export's encoder threads (see EncoderPool.h).
#include "export/EncoderPool.h"

#include <utility>

EncoderPool::EncoderPool(FrameQueue& queue, FrameSink& sink, int workers) : queue_(queue), sink_(sink)
{
    for (int i = 0; i < workers; ++i)
        threads_.emplace_back([this] { work(); });
}

EncoderPool::~EncoderPool()
{
    finish();
}

void EncoderPool::finish()
{
    queue_.finish();
    for (std::thread& thread : threads_)
        if (thread.joinable())
            thread.join();
}

void EncoderPool::work()
{
    FrameQueue::Frame frame;
    std::string problem;
    while (queue_.pop(frame)) {
        if (!failed_) {
            if (sink_.writeFrame(frame.pixels.data(), frame.index, problem)) {
                ++framesWritten_;
            } else {
                std::lock_guard<std::mutex> guard(problemLock_);
                if (!failed_.exchange(true))
                    problem_ = problem;
                queue_.fail();
            }
        }
        queue_.giveBack(std::move(frame));
    }
}
