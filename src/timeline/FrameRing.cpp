// FrameRing: single-producer single-consumer ring of decoded blocks.
//
// pushed_ and popped_ only grow. The producer publishes a filled slot by
// storing pushed_ with release order; the consumer's acquire load of pushed_
// makes the slot's contents visible. Handing a slot back works the same way
// with popped_.
#include "timeline/FrameRing.h"

FrameRing::FrameRing(int blocks, int channels)
    : channels_(channels), storage_(static_cast<size_t>(blocks) * kBlockFrames * static_cast<size_t>(channels)),
      slots_(static_cast<size_t>(blocks))
{
    for (size_t i = 0; i < slots_.size(); ++i)
        slots_[i].samples = storage_.data() + i * kBlockFrames * static_cast<size_t>(channels);
}

int FrameRing::size() const
{
    uint64_t popped = popped_.load(std::memory_order_acquire);
    uint64_t pushed = pushed_.load(std::memory_order_acquire);
    return static_cast<int>(pushed - popped);
}

FrameRing::Block* FrameRing::beginPush()
{
    uint64_t pushed = pushed_.load(std::memory_order_relaxed);
    if (pushed - popped_.load(std::memory_order_acquire) >= slots_.size())
        return nullptr;
    return &slots_[pushed % slots_.size()];
}

void FrameRing::push()
{
    pushed_.store(pushed_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

FrameRing::Block* FrameRing::front()
{
    uint64_t popped = popped_.load(std::memory_order_relaxed);
    if (pushed_.load(std::memory_order_acquire) == popped)
        return nullptr;
    return &slots_[popped % slots_.size()];
}

void FrameRing::pop()
{
    popped_.store(popped_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

const FrameRing::Block* FrameRing::back() const
{
    uint64_t pushed = pushed_.load(std::memory_order_acquire);
    if (pushed == popped_.load(std::memory_order_relaxed))
        return nullptr;
    return &slots_[(pushed - 1) % slots_.size()];
}

const FrameRing::Block* FrameRing::queued(int index) const
{
    uint64_t popped = popped_.load(std::memory_order_relaxed);
    if (index < 0 || pushed_.load(std::memory_order_acquire) - popped <= static_cast<uint64_t>(index))
        return nullptr;
    return &slots_[(popped + static_cast<uint64_t>(index)) % slots_.size()];
}
