// TuneSpectrum: block readers and analyzer, one spectrum per request.
#include "timeline/TuneSpectrum.h"

#include <algorithm>

static_assert(TuneSpectrum::kFrames == MonoBlockReader::kBlockFrames, "the analyzer reads one block");

namespace {

// Frames from the first smoothed block's start to the frame's own block's end.
constexpr int kSmoothedSpanFrames = TuneSpectrum::kFrames +
                                    (TuneSpectrum::kSmoothedBlocks - 1) * TuneSpectrum::kSmoothedStepFrames;
constexpr int kLeadFrames = kSmoothedSpanFrames - TuneSpectrum::kFrames; // before the frame

} // namespace

TuneSpectrum::TuneSpectrum() : smoothedReader_(kSmoothedSpanFrames), block_(kFrames), blockBins_(kBins) {}

bool TuneSpectrum::open(const std::shared_ptr<TuneFile>& file, std::string& problem)
{
    close();
    file_ = file;
    return reader_.open(file, problem);
}

void TuneSpectrum::close()
{
    reader_.close();
    smoothedReader_.close();
    smoothedOpen_ = false;
    siteSound_.close();
    file_.reset();
}

void TuneSpectrum::at(uint64_t frame, float* magnitudes)
{
    analyzer_.analyze(reader_.blockAt(frame), magnitudes);
}

void TuneSpectrum::smoothedAt(uint64_t frame, float* magnitudes)
{
    std::fill(magnitudes, magnitudes + kBins, 0.0f);
    if (!smoothedOpen_) {
        std::string problem;
        smoothedOpen_ = file_ && smoothedReader_.open(file_, problem);
        if (!smoothedOpen_)
            return;
    }
    // The span starts kLeadFrames before the frame; what lies before the
    // tune's start is silence.
    const uint64_t lead = std::min<uint64_t>(frame, kLeadFrames);
    const float* span = smoothedReader_.blockAt(frame - lead);
    const int silence = kLeadFrames - static_cast<int>(lead); // frames of the span before the start
    for (int b = 0; b < kSmoothedBlocks; ++b) {
        const int start = kLeadFrames - b * kSmoothedStepFrames - silence; // in the span read
        for (int i = 0; i < kFrames; ++i)
            block_[i] = start + i < 0 ? 0.0f : span[start + i];
        analyzer_.analyze(block_.data(), blockBins_.data());
        for (int k = 0; k < kBins; ++k)
            magnitudes[k] += blockBins_[k] / kSmoothedBlocks;
    }
}

void TuneSpectrum::siteSoundAt(uint64_t frame, uint64_t epoch, uint64_t stepFrames, uint8_t* rows)
{
    if (!siteSound_.isOpen() && file_) {
        std::string problem;
        siteSound_.open(file_, problem); // the tune opened for the spectrum: no new problem to say
    }
    siteSound_.rowsAt(frame, epoch, stepFrames, rows);
}
