// TuneSpectrum: block reader and analyzer, one spectrum per request.
#include "timeline/TuneSpectrum.h"

static_assert(TuneSpectrum::kFrames == MonoBlockReader::kBlockFrames, "the analyzer reads one block");

bool TuneSpectrum::open(std::shared_ptr<OggSource> source, std::string& problem)
{
    return reader_.open(std::move(source), problem);
}

void TuneSpectrum::close()
{
    reader_.close();
}

void TuneSpectrum::at(uint64_t frame, float* magnitudes)
{
    analyzer_.analyze(reader_.blockAt(frame), magnitudes);
}
