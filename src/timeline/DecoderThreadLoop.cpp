// DecoderThread's own thread: waits for requests and room in the ring, and
// decodes outside its lock (see DecoderThread.h).
#include "timeline/DecoderThread.h"

#include <algorithm>
#include <chrono>

void DecoderThread::start(FrameRing& ring, int keepAheadBlocks)
{
    stop();
    ring_ = &ring;
    keepAheadBlocks_ = std::max(1, std::min(keepAheadBlocks, ring.capacity()));
    stopping_ = false;
    thread_ = std::thread(&DecoderThread::run, this);
}

void DecoderThread::request(uint32_t generation, uint64_t frame)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        request_ = Request{generation, frame};
    }
    wake_.notify_one();
}

void DecoderThread::stop()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void DecoderThread::run()
{
    Progress progress;
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        // Sleep while there is nothing to do; the callback frees room without
        // a signal (it must not touch this lock), so the wait has a timeout.
        wake_.wait_for(guard, std::chrono::milliseconds(kTopUpMilliseconds),
                       [&] { return stopping_ || request_.generation != progress.generation || wantsBlock(progress); });
        if (stopping_)
            return;
        while (request_.generation != progress.generation || wantsBlock(progress)) {
            Request request = request_;
            guard.unlock(); // decoding happens outside the lock
            if (request.generation != progress.generation)
                begin(request, progress);
            else if (!pushBlock(progress))
                std::this_thread::yield();
            guard.lock();
            if (stopping_)
                return;
        }
    }
}
