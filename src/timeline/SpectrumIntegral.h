// SpectrumIntegral: the smoothed spectrum summed over the seconds of music
// played, bin by bin (what the live-coding tools call the integrated
// spectrum: a phase that runs faster where the music is loud). It depends
// on the frames seen, not on the moment alone: it starts at 0 at the first
// frame and after every seek, and only music that played moves it on.
//
// Pure; one thread at a time. Owns its bins.
#pragma once

#include <cstdint>
#include <vector>

class SpectrumIntegral {
public:
    static constexpr int kBins = 2048;

    SpectrumIntegral() : sums_(kBins, 0.0f) {}

    // Adds the frame at `seconds` of timeline `epoch` (a new epoch starts
    // again from 0) with its `smoothed` magnitudes (kBins), weighted by the
    // seconds since the previous frame; a frame that does not move forward
    // (paused), or moves on by more than a second (a stall), adds nothing.
    void add(double seconds, uint64_t epoch, const float* smoothed);

    // kBins sums.
    const float* sums() const { return sums_.data(); }

private:
    std::vector<float> sums_;
    bool started_ = false;
    uint64_t epoch_ = 0;
    double seconds_ = 0.0; // of the previous frame
};
