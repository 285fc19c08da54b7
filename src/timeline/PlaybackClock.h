// PlaybackClock: the frame that is being heard, from what was handed to the
// output device and when, smoothed so that readers see a steady clock.
//
// Model: when the device asks for a buffer, it still holds one buffer that it
// has not played yet, so the frame heard at that moment is the number of
// frames handed so far minus one buffer. Between buffers the clock runs on a
// monotonic clock. Devices keep their own time (SDL's dummy driver sleeps a
// whole number of milliseconds per buffer and wakes late now and then), so
// each buffer does not reset the clock: it nudges its speed by at most
// kMaxSpeedCorrection until it agrees with the model again, and learns how
// much faster or slower than its rate the device runs on average. Only an error
// larger than kResyncSeconds puts it right at once. Readings never exceed
// the frames handed and never run backwards until the next reset.
//
// Plain value, not thread-safe: the audio thread (RingPlayer) owns one and
// calls reset and bufferHanded; it publishes copies, on which the main thread
// calls heardFrame.
#pragma once

#include <chrono>
#include <cstdint>

class PlaybackClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // Largest relative change of speed used to close a gap between the clock
    // and the model.
    static constexpr double kMaxSpeedCorrection = 0.1;
    // A gap is closed over this many seconds (within the speed limit above).
    static constexpr double kCorrectionSeconds = 0.2;
    // Share of each correction added to the learnt drift of the device.
    static constexpr double kDriftLearningRate = 0.05;
    // A gap larger than this is closed at once (device stall, late start).
    static constexpr double kResyncSeconds = 0.25;

    // Frames per second of the stream, and frames per device buffer.
    PlaybackClock(int sampleRate = 44100, int deviceBufferFrames = 1024);

    // Stands the clock still at `frame` with nothing handed: after open, seek and pause.
    void reset(uint64_t frame);

    // The device took `frames` frames at `now` (the stream's next frames, or
    // silence after its end).
    void bufferHanded(TimePoint now, int frames);

    // The frame heard at `now`, with its fraction. Stands still after a reset
    // until the first handed buffer reaches the device.
    double heardFrame(TimePoint now);

private:
    double projected(TimePoint now) const;

    double sampleRate_;
    double deviceBufferFrames_;
    double handedFrames_ = 0.0; // stream frame just after the last one handed
    double lowestFrame_ = 0.0;  // highest reading so far: readings never go below it
    bool anchored_ = false;     // false until the first buffer after a reset
    double anchorFrame_ = 0.0;  // the clock read anchorFrame_ at anchorTime_...
    TimePoint anchorTime_{};
    double speed_ = 1.0; // ...and runs at speed_ times real time since then
    double drift_ = 0.0; // how much faster than real time the device runs, learnt
};
