// FrameRing: a bounded queue of decoded blocks between exactly one producer
// thread (MusicStream's decoder thread) and one consumer thread (the audio
// callback), without locks: the two sides meet only through two atomic
// counters, so neither ever waits for the other.
//
// Each block carries up to kBlockFrames frames of 16-bit interleaved samples
// and says where they come from: the generation of the request that the
// decoder was serving (every seek or pause starts a new one) and the tune's
// frame of its first sample. A block may instead mark the end of the tune.
//
// All slots are allocated when the ring is made; nothing allocates afterwards.
// Each member function says which side may call it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

class FrameRing {
public:
    // Frames per block.
    static constexpr int kBlockFrames = 512;

    struct Block {
        uint32_t generation = 0;    // request the frames answer
        uint64_t firstFrame = 0;    // the tune's frame of samples[0]
        int frames = 0;             // frames held, 0..kBlockFrames
        bool endOfTune = false;     // nothing follows in this generation
        int16_t* samples = nullptr; // kBlockFrames x channels, owned by the ring
    };

    // `blocks` slots of kBlockFrames frames of `channels` channels.
    FrameRing(int blocks, int channels);
    FrameRing(const FrameRing&) = delete;
    FrameRing& operator=(const FrameRing&) = delete;

    int capacity() const { return static_cast<int>(slots_.size()); }
    int channels() const { return channels_; }

    // Either side: blocks queued now (the other side may change it meanwhile).
    int size() const;

    // Producer: the slot to fill next, or nullptr when the ring is full.
    // Filled, it becomes visible to the consumer with push().
    Block* beginPush();
    void push();

    // Consumer: the oldest queued block, or nullptr when the ring is empty;
    // pop() hands it back to the producer.
    Block* front();
    void pop();
    // Consumer: the newest queued block, or nullptr when the ring is empty.
    const Block* back() const;
    // Consumer: the queued block `index` places behind the front (0 is the
    // front), or nullptr when fewer are queued.
    const Block* queued(int index) const;

private:
    int channels_;
    std::vector<int16_t> storage_;
    std::vector<Block> slots_;
    std::atomic<uint64_t> pushed_{0}; // written by the producer only
    std::atomic<uint64_t> popped_{0}; // written by the consumer only
};
