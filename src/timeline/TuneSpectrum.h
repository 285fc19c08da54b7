// TuneSpectrum: the spectrum of a tune at any of its frames, as the frame
// loop samples it: kFrames frames from the given frame on, channels averaged
// to mono, Hann window, real FFT, kBins magnitudes (see SpectrumAnalyzer for
// the scale). Frames past the end count as silence.
//
// Needs no output device and no clock: the music stream asks it for the
// heard frame; anything that keeps its own time (an offline clock) can ask
// it for any frame and gets the same analysis.
//
// Owns its decoder (reading through a shared OggSource) and its FFT scratch;
// at() allocates nothing. One thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "timeline/MonoBlockReader.h"
#include "timeline/OggSource.h"
#include "timeline/SpectrumAnalyzer.h"

class TuneSpectrum {
public:
    static constexpr int kFrames = SpectrumAnalyzer::kFrames;
    static constexpr int kBins = SpectrumAnalyzer::kBins;

    // False with `problem` set when the stream of `source` cannot be decoded.
    bool open(std::shared_ptr<OggSource> source, std::string& problem);
    void close();

    // Writes kBins magnitudes of the frames from `frame` on; all zeros when not open.
    void at(uint64_t frame, float* magnitudes);

private:
    MonoBlockReader reader_;
    SpectrumAnalyzer analyzer_;
};
