// OfflineClock: the demo's clock when nothing is played, as in an export.
// Any time can be asked for, in any order: the spectrum at `seconds` is the
// one live playback shows when that moment is heard (the same block of
// frames, the same analysis), decoded from the tune rather than taken from
// the output device.
//
// Without a tune (missing or undecodable file) the clock still runs: the
// spectrum is all zeros and the tune has no length.
//
// Owns its decoders and the analysis buffers, made when opened;
// spectrumAt() allocates nothing. One thread at a time (the export's render
// thread). Non-copyable.
#pragma once

#include <cstdint>
#include <string>

#include "timeline/TuneSpectrum.h"

class OfflineClock {
public:
    static constexpr int kSpectrumBins = TuneSpectrum::kBins;
    static constexpr int kSiteSoundBytes = TuneSiteSound::kTextureBytes;

    // Opens the tune at `path`. False with `problem` set (no file name) when it
    // cannot be decoded; the clock then runs without music.
    bool open(const char* path, std::string& problem);
    void close();

    bool hasTune() const { return sampleRate_ > 0; }
    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }
    uint64_t tuneFrames() const { return tuneFrames_; }
    // The tune's length in seconds (0 without a tune).
    double tuneSeconds() const;

    // Writes kSpectrumBins magnitudes of the music heard at `seconds`.
    void spectrumAt(double seconds, float* magnitudes);
    // Writes kSpectrumBins smoothed magnitudes there (see TuneSpectrum).
    void smoothedSpectrumAt(double seconds, float* magnitudes);
    // Writes the shader sites' sound texture (kSiteSoundBytes) for the frame
    // at `seconds` of frames `fps` a second (see TuneSiteSound: it follows
    // the frames asked for).
    void siteSoundAt(double seconds, int fps, uint8_t* rows);

private:
    TuneSpectrum spectrum_;
    int sampleRate_ = 0;
    int channels_ = 0;
    uint64_t tuneFrames_ = 0;
};
