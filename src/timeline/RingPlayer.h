// RingPlayer: the audio callback's side of the music. It copies decoded
// frames out of the FrameRing into the device's buffer and keeps the clock
// of what is being heard; it takes no lock, allocates nothing and never
// waits for another thread.
//
// Generations: every seek or pause asks the decoder thread for a new
// generation of frames. The ring's newest generation takes over once it has
// frames enough queued for the rest of the buffer being filled and the next
// one (or its end of tune); the blocks queued before it are then dropped
// unplayed, and no frame of an earlier generation is ever played after one of
// a later generation. Until then, a few milliseconds after the request, the
// device goes on with the frames queued before it, so a seek neither leaves a
// gap nor runs the device dry while the decoder thread, which a busy machine
// may keep waiting, is on its first blocks. The switch is a short crossfade
// rather than a click.
//
// The clock is a PlaybackClock of the generation being played, published
// through a SeqLock after every buffer, for the main thread to read.
//
// fill(): the audio thread only. heard(), underruns(): any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

#include "timeline/FrameRing.h"
#include "timeline/PlaybackClock.h"
#include "timeline/SeqLock.h"

// What the audio thread publishes after each buffer it plays.
struct HeardClock {
    uint32_t generation = 0; // the request whose frames the clock counts; 0 before any
    PlaybackClock clock;     // stands at the request's frame until its first buffer is heard
};

class RingPlayer {
public:
    using TimePoint = PlaybackClock::TimePoint;

    // Frames of a generation switch blended from the old frames into the new.
    static constexpr int kCrossfadeFrames = 128;
    // Device buffers that a newer generation must have queued, beyond the
    // rest of the buffer being filled, to take over: how long the decoder
    // thread may then go without the processor before the device runs dry.
    static constexpr int kTakeOverBuffers = 3;

    // Plays from `ring` (which must outlive it) at `sampleRate`, to a device
    // that takes `deviceBufferFrames` frames per buffer.
    RingPlayer(FrameRing& ring, int sampleRate, int deviceBufferFrames);
    RingPlayer(const RingPlayer&) = delete;
    RingPlayer& operator=(const RingPlayer&) = delete;

    // Writes `frames` frames to `samples`, asked for at `now`: the ring's
    // frames while `playing`, silence otherwise, silence after the end of the
    // tune and where the ring ran dry (an underrun).
    void fill(int16_t* samples, int frames, bool playing, TimePoint now);

    // The latest published clock.
    HeardClock heard() const { return published_.load(); }
    // Buffers that could not be filled while playing before the end of the tune.
    uint64_t underruns() const { return underruns_.load(std::memory_order_relaxed); }

private:
    bool newestReady(uint32_t newest, int frames) const;
    void dropStale(uint32_t newest, bool keepForCrossfade);
    int copyFrames(const FrameRing::Block& block, int16_t* out, int frames);

    FrameRing& ring_;
    int channels_;
    double sampleRate_;
    int deviceBufferFrames_;
    int frontOffset_ = 0; // frames of the ring's front block already played
    PlaybackClock clock_;
    uint32_t clockGeneration_ = 0; // generation whose frames clock_ counts
    bool ended_ = false;           // that generation reached the end of the tune
    bool wasPlaying_ = false;      // the previous buffer was played
    std::vector<int16_t> fadeOut_; // old frames to blend into a new generation
    int fadeFrames_ = 0;           // frames in fadeOut_
    int fadeDone_ = 0;             // of them, already blended
    SeqLock<HeardClock> published_;
    std::atomic<uint64_t> underruns_{0};
};
