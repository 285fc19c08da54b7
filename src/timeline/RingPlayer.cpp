// RingPlayer: the audio callback's work, bounded by the buffer's size.
#include "timeline/RingPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

RingPlayer::RingPlayer(FrameRing& ring, int sampleRate, int deviceBufferFrames)
    : ring_(ring), channels_(ring.channels()), sampleRate_(sampleRate), deviceBufferFrames_(deviceBufferFrames),
      clock_(sampleRate, deviceBufferFrames),
      fadeOut_(static_cast<size_t>(kCrossfadeFrames) * static_cast<size_t>(ring.channels())),
      published_(HeardClock{0, PlaybackClock(sampleRate, deviceBufferFrames)})
{
}

// Drops the front blocks that are older than generation `newest`. With
// `keepForCrossfade`, the first kCrossfadeFrames frames that would have
// played next are kept to blend into the new generation.
void RingPlayer::dropStale(uint32_t newest, bool keepForCrossfade)
{
    fadeFrames_ = 0;
    fadeDone_ = 0;
    while (FrameRing::Block* block = ring_.front()) {
        if (block->generation == newest)
            break;
        if (keepForCrossfade && block->generation == clockGeneration_ && fadeFrames_ < kCrossfadeFrames) {
            int take = std::min(block->frames - frontOffset_, kCrossfadeFrames - fadeFrames_);
            std::memcpy(fadeOut_.data() + static_cast<size_t>(fadeFrames_) * channels_,
                        block->samples + static_cast<size_t>(frontOffset_) * channels_,
                        static_cast<size_t>(take) * channels_ * sizeof(int16_t));
            fadeFrames_ += take;
        }
        ring_.pop();
        frontOffset_ = 0;
    }
}

// Whether generation `newest` has `frames` frames queued, or its end.
bool RingPlayer::newestReady(uint32_t newest, int frames) const
{
    const int queued = ring_.size();
    int available = 0;
    bool counting = false;
    for (int i = queued - 1; i >= 0; --i) {
        const FrameRing::Block* block = ring_.queued(i);
        if (block->generation != newest) {
            if (counting)
                break;
            continue; // a still newer request, pushed since `newest` was read
        }
        counting = true;
        if (block->endOfTune)
            return true;
        available += block->frames;
        if (available >= frames)
            return true;
    }
    return false;
}

// Copies up to `frames` frames from the front block, blending in what is
// left of a crossfade. Returns the frames copied.
int RingPlayer::copyFrames(const FrameRing::Block& block, int16_t* out, int frames)
{
    int count = std::min(block.frames - frontOffset_, frames);
    const int16_t* in = block.samples + static_cast<size_t>(frontOffset_) * channels_;
    std::memcpy(out, in, static_cast<size_t>(count) * channels_ * sizeof(int16_t));
    for (int i = 0; i < count && fadeDone_ < fadeFrames_; ++i, ++fadeDone_) {
        float weight = static_cast<float>(fadeDone_ + 1) / static_cast<float>(fadeFrames_ + 1);
        for (int c = 0; c < channels_; ++c) {
            size_t at = static_cast<size_t>(i) * channels_ + c;
            float old = fadeOut_[static_cast<size_t>(fadeDone_) * channels_ + c];
            out[at] = static_cast<int16_t>(std::lround(old + (out[at] - old) * weight));
        }
    }
    frontOffset_ += count;
    return count;
}

void RingPlayer::fill(int16_t* samples, int frames, bool playing, TimePoint now)
{
    const size_t frameSamples = static_cast<size_t>(channels_);
    int written = 0;
    int clockStart = 0;  // where this buffer's frames of clockGeneration_ begin
    int clockFrames = 0; // and how many there are
    bool clockMoved = false;
    if (!playing) {
        // Held: nothing plays, nothing is blended into what plays next, but
        // stale blocks still make room for the decoder's answer to the
        // latest request.
        fadeFrames_ = 0;
        if (FrameRing::Block* block = ring_.front()) {
            uint32_t newest = ring_.back()->generation;
            if (block->generation != newest)
                dropStale(newest, false);
        }
    }
    while (playing && written < frames) {
        FrameRing::Block* block = ring_.front();
        if (block == nullptr)
            break;
        // A newer request takes over once it can fill the rest of this
        // buffer and the next one: a seek then never leaves the device short
        // while the decoder is still on its first blocks. Until then the
        // frames queued before it play on.
        uint32_t newest = ring_.back()->generation;
        if (block->generation != newest &&
            newestReady(newest, frames - written + kTakeOverBuffers * deviceBufferFrames_)) {
            dropStale(newest, wasPlaying_ || written > 0);
            continue;
        }
        if (block->generation != clockGeneration_) {
            // The first frames of a new request: its clock starts here.
            clock_.reset(block->firstFrame + static_cast<uint64_t>(frontOffset_));
            clockGeneration_ = block->generation;
            ended_ = false;
            clockStart = written;
            clockFrames = 0;
            clockMoved = true;
        }
        if (block->endOfTune) {
            ended_ = true;
            fadeFrames_ = 0; // silence follows: nothing to blend into
            ring_.pop();
            frontOffset_ = 0;
            continue;
        }
        int copied = copyFrames(*block, samples + static_cast<size_t>(written) * frameSamples, frames - written);
        written += copied;
        clockFrames += copied;
        clockMoved = true;
        if (frontOffset_ == block->frames) {
            ring_.pop();
            frontOffset_ = 0;
        }
    }
    std::memset(samples + static_cast<size_t>(written) * frameSamples, 0,
                static_cast<size_t>(frames - written) * frameSamples * sizeof(int16_t));

    if (playing && written < frames) {
        if (ended_) {
            // After the end the clock runs on through the silence; readers
            // stop it at the tune's length.
            clockFrames += frames - written;
            clockMoved = true;
        } else if (clockGeneration_ != 0) {
            underruns_.fetch_add(1, std::memory_order_relaxed);
        }
    }
    if (clockMoved) {
        const double offsetSeconds = clockStart / sampleRate_;
        clock_.bufferHanded(
            now + std::chrono::duration_cast<TimePoint::duration>(std::chrono::duration<double>(offsetSeconds)),
            clockFrames);
        published_.store(HeardClock{clockGeneration_, clock_});
    }
    wasPlaying_ = playing;
}
