// FrameQueue: a bounded hand-over of frames between two threads.
#include "export/FrameQueue.h"

#include <utility>

FrameQueue::FrameQueue(size_t buffers, size_t frameBytes)
{
    empty_.resize(buffers);
    for (Frame& frame : empty_)
        frame.pixels.resize(frameBytes);
}

bool FrameQueue::takeEmpty(Frame& frame)
{
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return failed_ || !empty_.empty(); });
    if (failed_)
        return false;
    frame = std::move(empty_.back());
    empty_.pop_back();
    return true;
}

void FrameQueue::push(Frame frame)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        filled_.push_back(std::move(frame));
    }
    changed_.notify_all();
}

void FrameQueue::finish()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        finished_ = true;
    }
    changed_.notify_all();
}

bool FrameQueue::pop(Frame& frame)
{
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return finished_ || !filled_.empty(); });
    if (filled_.empty())
        return false;
    frame = std::move(filled_.front());
    filled_.pop_front();
    return true;
}

void FrameQueue::giveBack(Frame frame)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        empty_.push_back(std::move(frame));
    }
    changed_.notify_all();
}

void FrameQueue::fail()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        failed_ = true;
    }
    changed_.notify_all();
}
