// DecoderThread: decodes ahead of the audio callback into the ring.
#include "timeline/DecoderThread.h"

#include <algorithm>
#include <chrono>

DecoderThread::~DecoderThread()
{
    stop();
}

bool DecoderThread::open(const std::shared_ptr<TuneFile>& file, std::string& problem)
{
    decoder_ = file->openDecoder(problem);
    return decoder_ != nullptr;
}

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

// Blocks of the current request that may still be queued: the ring's newest
// blocks are this request's, older ones wait to be dropped by the callback.
bool DecoderThread::wantsBlock(const Progress& progress) const
{
    if (progress.finished)
        return false;
    uint64_t queued = std::min<uint64_t>(progress.pushed, static_cast<uint64_t>(ring_->size()));
    return queued < static_cast<uint64_t>(keepAheadBlocks_) && ring_->size() < ring_->capacity();
}

void DecoderThread::begin(const Request& request, Progress& progress)
{
    progress = Progress{request.generation, request.frame, 0, false, false};
    // Damaged data that cannot be sought: the request gets an end of tune
    // where it asked to be, so the callback plays silence from there rather
    // than the frames of an earlier request.
    progress.lost = !decoder_->seek(request.frame);
}

// Decodes the next block (or the end-of-tune mark) into the ring. False when
// the ring had no free slot.
bool DecoderThread::pushBlock(Progress& progress)
{
    FrameRing::Block* block = ring_->beginPush();
    if (block == nullptr)
        return false;
    block->generation = progress.generation;
    block->firstFrame = progress.nextFrame;
    block->frames = progress.lost ? 0 : decoder_->readInterleaved16(block->samples, FrameRing::kBlockFrames);
    block->endOfTune = block->frames == 0;
    progress.nextFrame += static_cast<uint64_t>(block->frames);
    progress.finished = block->endOfTune;
    ++progress.pushed;
    ring_->push();
    return true;
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
