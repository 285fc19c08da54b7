// DecoderThread in a browser, which has no threads (a page opened from a file
// cannot share memory with a worker): a timer of the page's main loop tops
// the ring up between frames, with the same steps as the thread elsewhere.
// The audio callback runs on the same main thread, so nothing here races it.
// Main thread only.
#include "timeline/DecoderThread.h"

#include <algorithm>

#include <emscripten/eventloop.h>

namespace {

// Often enough that a few frames drawn slowly in a row do not empty the
// ring (it holds several device buffers).
constexpr double kPumpMilliseconds = 10.0;

} // namespace

void DecoderThread::start(FrameRing& ring, int keepAheadBlocks)
{
    stop();
    ring_ = &ring;
    keepAheadBlocks_ = std::max(1, std::min(keepAheadBlocks, ring.capacity()));
    stopping_ = false;
    pumped_ = Progress();
    pumpTimer_ = static_cast<int>(emscripten_set_interval(&DecoderThread::onPumpTimer, kPumpMilliseconds, this));
}

void DecoderThread::request(uint32_t generation, uint64_t frame)
{
    request_ = Request{generation, frame};
    pump();
}

void DecoderThread::stop()
{
    if (pumpTimer_ == 0)
        return;
    emscripten_clear_interval(pumpTimer_);
    pumpTimer_ = 0;
}

void DecoderThread::onPumpTimer(void* decoder)
{
    static_cast<DecoderThread*>(decoder)->pump();
}

void DecoderThread::pump()
{
    if (ring_ == nullptr || pumpTimer_ == 0)
        return;
    while (request_.generation != pumped_.generation || wantsBlock(pumped_)) {
        if (request_.generation != pumped_.generation)
            begin(request_, pumped_);
        else if (!pushBlock(pumped_))
            return; // the ring is full: the next tick goes on
    }
}
