// OfflineClock: spectrum and tune length for a clock that is not the sound card.
#include "timeline/OfflineClock.h"

#include <algorithm>

#include "timeline/TuneRangeReader.h"
#include "timeline/VorbisDecoder.h"

static_assert(OfflineClock::kSpectrumBins * 2 == MonoBlockReader::kBlockFrames,
              "the spectrum's sizes must agree");

bool OfflineClock::open(const char* path, std::string& problem)
{
    close();
    VorbisDecoder probe; // only for the tune's format and length
    if (!probe.open(path, problem) || !blocks_.open(path, problem)) {
        blocks_.close();
        return false;
    }
    sampleRate_ = probe.sampleRate();
    channels_ = probe.channels();
    tuneFrames_ = probe.totalFrames();
    return true;
}

void OfflineClock::close()
{
    blocks_.close();
    sampleRate_ = 0;
    channels_ = 0;
    tuneFrames_ = 0;
}

double OfflineClock::tuneSeconds() const
{
    return hasTune() ? static_cast<double>(tuneFrames_) / sampleRate_ : 0.0;
}

void OfflineClock::spectrumAt(double seconds, float* magnitudes)
{
    if (!hasTune()) {
        std::fill(magnitudes, magnitudes + kSpectrumBins, 0.0f);
        return;
    }
    analyzer_.analyze(blocks_.blockAt(TuneRangeReader::frameAt(seconds, sampleRate_)), magnitudes);
}
