// OfflineClock: spectrum and tune length for a clock that is not the sound card.
#include "timeline/OfflineClock.h"

#include <algorithm>

#include "timeline/TuneDecoder.h"
#include "timeline/TuneFile.h"
#include "timeline/TuneRangeReader.h"

bool OfflineClock::open(const char* path, std::string& problem)
{
    close();
    // The file is opened (and an Ogg file's data found) once; both decoders read it.
    const std::shared_ptr<TuneFile> file = TuneFile::open(path, problem);
    std::unique_ptr<TuneDecoder> probe; // only for the tune's format and length
    if (!file || !(probe = file->openDecoder(problem)) || !spectrum_.open(file, problem)) {
        spectrum_.close();
        return false;
    }
    sampleRate_ = probe->sampleRate();
    channels_ = probe->channels();
    tuneFrames_ = probe->totalFrames();
    return true;
}

void OfflineClock::close()
{
    spectrum_.close();
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
    spectrum_.at(TuneRangeReader::frameAt(seconds, sampleRate_), magnitudes);
}

void OfflineClock::smoothedSpectrumAt(double seconds, float* magnitudes)
{
    if (!hasTune()) {
        std::fill(magnitudes, magnitudes + kSpectrumBins, 0.0f);
        return;
    }
    spectrum_.smoothedAt(TuneRangeReader::frameAt(seconds, sampleRate_), magnitudes);
}

void OfflineClock::siteSoundAt(double seconds, int fps, uint8_t* rows)
{
    const uint64_t stepFrames = hasTune() && fps > 0 ? static_cast<uint64_t>(sampleRate_ / fps) : 1;
    spectrum_.siteSoundAt(hasTune() ? TuneRangeReader::frameAt(seconds, sampleRate_) : 0, 0, stepFrames, rows);
}
