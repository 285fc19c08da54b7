// TuneSiteSound: the sound texture followed from frame to frame.
#include "timeline/TuneSiteSound.h"

#include <algorithm>

TuneSiteSound::TuneSiteSound() : reader_(SiteSoundAnalyser::kFftFrames), samples_(SiteSoundAnalyser::kFftFrames, 0.0f)
{
}

bool TuneSiteSound::open(const std::shared_ptr<TuneFile>& file, std::string& problem)
{
    close();
    open_ = reader_.open(file, problem);
    return open_;
}

void TuneSiteSound::close()
{
    reader_.close();
    analyser_.reset();
    open_ = false;
    following_ = false;
}

const float* TuneSiteSound::samplesEndingAt(uint64_t frame)
{
    const uint64_t length = SiteSoundAnalyser::kFftFrames;
    if (frame >= length)
        return reader_.blockAt(frame - length);
    const float* first = reader_.blockAt(0);
    const auto silence = static_cast<std::ptrdiff_t>(length - frame);
    std::fill(samples_.begin(), samples_.begin() + silence, 0.0f);
    std::copy(first, first + static_cast<std::ptrdiff_t>(frame), samples_.begin() + silence);
    return samples_.data();
}

void TuneSiteSound::rowsAt(uint64_t frame, uint64_t epoch, uint64_t stepFrames, uint8_t* rows)
{
    if (!open_) {
        std::fill(rows, rows + SiteSoundAnalyser::kTextureWidth, uint8_t{0});
        std::fill(rows + SiteSoundAnalyser::kTextureWidth, rows + kTextureBytes, uint8_t{128});
        return;
    }
    stepFrames = std::max<uint64_t>(stepFrames, 1);
    const bool again = following_ && epoch == epoch_ && frame == frame_;
    const bool follows = following_ && epoch == epoch_ && frame > frame_ &&
                         frame - frame_ <= kMaxFollowSteps * stepFrames;
    if (!again && !follows) {
        analyser_.reset();
        // Analyser frames that end before the tune's start hear silence: a
        // reset analyser stays where it is, so they are skipped.
        for (int step = kWarmUpSteps; step > 0; --step) {
            const uint64_t back = static_cast<uint64_t>(step) * stepFrames;
            if (back < frame)
                analyser_.analyse(samplesEndingAt(frame - back));
        }
    }
    const float* samples = samplesEndingAt(frame);
    if (!again)
        analyser_.analyse(samples);
    analyser_.textureRows(samples, rows);
    following_ = true;
    epoch_ = epoch;
    frame_ = frame;
}
