// PassInputsSource: the inputs each frame gives its passes beyond the
// player's own uniforms (PassInputs, render/SceneFrame.h), followed from
// frame to frame: the frame count, the seeks, the music since the previous
// frame, the frame rate, the date, and the spectrum's smoothed and summed
// rows for a scene that reads them. Played frames count by the music and
// the wall clock; exported frames by their number, so an export is the same
// whatever its speed.
//
// Main thread. Owns the spectrum rows it hands out; they stay valid until
// the next frame.
#pragma once

#include <cstdint>
#include <vector>

#include "render/SceneFrame.h"
#include "timeline/SpectrumIntegral.h"

class PassInputsSource {
public:
    PassInputsSource()
        : smoothed_(SpectrumRows::kBins, 0.0f),
          siteSound_(SpectrumTexture::kSiteSoundWidth * SpectrumTexture::kSiteSoundRows, 0)
    {
    }

    // A played frame at `seconds` of the music, whose seeks number
    // `seekCount`, drawn at `wallSeconds` on a steady clock. Frames count
    // from 0 at the start and after each seek; a frame counts as a new one
    // when the music moved on, and one drawn again while the music stands
    // (paused, or at its end) keeps the number it had.
    PassInputs playedFrame(double seconds, uint64_t seekCount, double wallSeconds);

    // Goes on after frames drawn before the first played one (a warm-up),
    // the last of which was `number` at `seconds` of the music: the next
    // played frame of timeline `epoch` (the seeks so far) counts on from it
    // instead of from 0.
    void continueFrom(uint64_t number, double seconds, uint64_t epoch, double wallSeconds);

    // Exported frame `number` (counted from the demo's start, so that a
    // range exported alone gives the frames of the whole export) at `fps`
    // frames per second: no mouse, and a date of day 0 whose seconds are
    // the frame's time, so the pictures do not depend on when they were made.
    PassInputs exportedFrame(uint64_t number, int fps);

    // The frame's spectrum rows: `magnitudes` (the frame's spectrum, as
    // `fft` samples it) and, when `smoothed` is given, the smoothed ones and
    // their sum over the music played at `seconds` (see SpectrumIntegral).
    // The caller asks for the smoothed ones only for a scene that reads them.
    void addSpectrum(PassInputs& inputs, const float* magnitudes, const float* smoothed, double seconds);

    // Where smoothed magnitudes for addSpectrum can be written (kBins).
    float* smoothedScratch() { return smoothed_.data(); }
    // Where the sites' sound texture of the frame can be written (SpectrumRows::siteSound).
    uint8_t* siteSoundScratch() { return siteSound_.data(); }

private:
    bool started_ = false;
    uint64_t frameNumber_ = 0;
    uint64_t epoch_ = 0;
    double seconds_ = 0.0;         // the music at the previous frame
    double wallSeconds_ = 0.0;     // the wall clock at the previous frame
    double framesPerSecond_ = 0.0; // smoothed over the frames drawn
    std::vector<float> smoothed_;
    std::vector<uint8_t> siteSound_;
    SpectrumIntegral integral_;
};
