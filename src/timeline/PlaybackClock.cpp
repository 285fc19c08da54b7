// PlaybackClock: the smoothed heard-frame clock. See the header for the model.
#include "timeline/PlaybackClock.h"

#include <algorithm>
#include <cmath>

PlaybackClock::PlaybackClock(int sampleRate, int deviceBufferFrames)
    : sampleRate_(sampleRate), deviceBufferFrames_(deviceBufferFrames)
{
}

void PlaybackClock::reset(uint64_t frame)
{
    handedFrames_ = static_cast<double>(frame);
    lowestFrame_ = handedFrames_;
    anchored_ = false;
    speed_ = 1.0;
}

double PlaybackClock::projected(TimePoint now) const
{
    double seconds = std::chrono::duration<double>(now - anchorTime_).count();
    return anchorFrame_ + std::max(seconds, 0.0) * sampleRate_ * speed_;
}

void PlaybackClock::bufferHanded(TimePoint now, int frames)
{
    // What the device is playing now: it still holds one buffer ahead of it.
    double model = handedFrames_ - deviceBufferFrames_;
    if (!anchored_) {
        anchorFrame_ = model;
        speed_ = 1.0 + drift_;
        anchored_ = true;
    } else {
        double shown = std::min(projected(now), handedFrames_);
        double gap = model - shown;
        if (std::fabs(gap) > kResyncSeconds * sampleRate_) {
            anchorFrame_ = model;
            speed_ = 1.0 + drift_;
        } else {
            anchorFrame_ = shown;
            double correction = gap / (kCorrectionSeconds * sampleRate_);
            // A device that keeps running fast or slow leaves a steady gap;
            // learning its drift closes that gap too.
            drift_ = std::clamp(drift_ + kDriftLearningRate * correction, -kMaxSpeedCorrection, kMaxSpeedCorrection);
            speed_ = 1.0 + std::clamp(drift_ + correction, -kMaxSpeedCorrection, kMaxSpeedCorrection);
        }
    }
    anchorTime_ = now;
    handedFrames_ += frames;
}

double PlaybackClock::heardFrame(TimePoint now)
{
    if (anchored_)
        lowestFrame_ = std::max(lowestFrame_, std::min(projected(now), handedFrames_));
    return lowestFrame_;
}
