// RingPlayer: the audio callback's side of the music. It copies decoded
// frames out of the FrameRing into the device's buffer and keeps the clock
// of what is being heard; it takes no lock, allocates nothing and never
// waits for another thread.
//
// Generations: every seek or pause asks the decoder thread for a new
// generation of frames. Blocks of an older generation than the ring's newest
// block are stale and are dropped unplayed; once a frame of a generation has
// been played, no frame of an earlier one ever is. Until the first block of
// a new generation is in the ring (a few milliseconds after the request) the
// device goes on with the frames it had, so a seek leaves no gap; the switch
// is a short crossfade rather than a click.
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
    void dropStale(uint32_t newest, bool keepForCrossfade);
    int copyFrames(const FrameRing::Block& block, int16_t* out, int frames);

    FrameRing& ring_;
    int channels_;
    double sampleRate_;
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
