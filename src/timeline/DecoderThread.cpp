// DecoderThread: decodes ahead of the audio callback into the ring. The
// steps every build shares; the thread that runs them is DecoderThreadLoop
// (web/DecoderThreadPump in the browser, which has no threads).
#include "timeline/DecoderThread.h"

#include <algorithm>

DecoderThread::~DecoderThread()
{
    stop();
}

bool DecoderThread::open(const std::shared_ptr<TuneFile>& file, std::string& problem)
{
    decoder_ = file->openDecoder(problem);
    return decoder_ != nullptr;
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
