// TuneSpectrum: the spectrum of a tune at any of its frames, as the frame
// loop samples it: kFrames frames from the given frame on, channels averaged
// to mono, Hann window, real FFT, kBins magnitudes (see SpectrumAnalyzer for
// the scale). Frames past the end count as silence.
//
// And the smoothed spectrum, for shaders that read the whole spectrum: the
// mean of the magnitudes of kSmoothedBlocks such blocks, starting at the
// given frame and kSmoothedStepFrames apart before it (about a quarter of a
// second in all at 44.1 kHz). Frames before the start count as silence. It
// depends on the frame alone, not on the frames asked for before, so a
// played frame and an exported one at the same moment agree.
//
// And the shader sites' sound texture (TuneSiteSound), which follows the
// frames drawn: the one exception to "the moment alone".
//
// Needs no output device and no clock: the music stream asks it for the
// heard frame; anything that keeps its own time (an offline clock) can ask
// it for any frame and gets the same analysis.
//
// Owns its decoders (reading through a shared TuneFile; the smoothed
// spectrum's and the sound texture's own decoders are opened when they are
// first asked for) and its FFT
// scratch; at() allocates nothing. One thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "timeline/MonoBlockReader.h"
#include "timeline/SpectrumAnalyzer.h"
#include "timeline/TuneFile.h"
#include "timeline/TuneSiteSound.h"

class TuneSpectrum {
public:
    static constexpr int kFrames = SpectrumAnalyzer::kFrames;
    static constexpr int kBins = SpectrumAnalyzer::kBins;
    static constexpr int kSmoothedBlocks = 4;
    static constexpr int kSmoothedStepFrames = kFrames / 2;

    TuneSpectrum();

    // False with `problem` set when the tune of `file` cannot be decoded.
    bool open(const std::shared_ptr<TuneFile>& file, std::string& problem);
    void close();

    // Writes kBins magnitudes of the frames from `frame` on; all zeros when not open.
    void at(uint64_t frame, float* magnitudes);

    // Writes kBins smoothed magnitudes at `frame`; all zeros when not open.
    void smoothedAt(uint64_t frame, float* magnitudes);

    // Writes the shader sites' sound texture (TuneSiteSound::kTextureBytes)
    // for the frame that hears `frame` (see TuneSiteSound::rowsAt).
    void siteSoundAt(uint64_t frame, uint64_t epoch, uint64_t stepFrames, uint8_t* rows);

private:
    MonoBlockReader reader_;
    SpectrumAnalyzer analyzer_;
    std::shared_ptr<TuneFile> file_; // for the smoothed spectrum's reader
    MonoBlockReader smoothedReader_; // the blocks before the frame and the frame's own
    bool smoothedOpen_ = false;
    std::vector<float> block_;     // kFrames: one block with the silence before the start
    std::vector<float> blockBins_; // kBins: one block's magnitudes
    TuneSiteSound siteSound_;      // opened at its first request
};
