// TuneSiteSound: the shader sites' sound texture of a tune (see
// SiteSoundAnalyser), frame after frame as a demo draws them.
//
// The analyser smooths each frame with the frames before, so the texture
// depends on the frames drawn, not on the moment alone. The rule, the same
// for a played and an exported frame:
// - a frame at the moment of the frame before (paused, or drawn again)
//   gets the same texture: no new analyser frame;
// - a frame that follows the one before in the same timeline (later, by at
//   most kMaxFollowSteps steps) is one analyser frame;
// - any other frame (the first, one after a seek or a jump) starts afresh:
//   the analyser runs over the kWarmUpSteps frames one step apart before
//   it, as if they had been drawn, then over the frame itself.
// kWarmUpSteps is long enough that what came before those frames weighs
// less than a millionth of the quietest level the texture shows, so an
// export of a range reads what the whole export reads at its frames.
//
// Owns its decoder (reading through the tune's shared TuneFile) and the
// analyser; rowsAt() allocates nothing. One thread at a time (the owner of
// the TuneSpectrum that holds it).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "timeline/MonoBlockReader.h"
#include "timeline/SiteSoundAnalyser.h"
#include "timeline/TuneFile.h"

class TuneSiteSound {
public:
    static constexpr int kWarmUpSteps = 80;
    static constexpr uint64_t kMaxFollowSteps = 30;
    static constexpr int kTextureBytes = SiteSoundAnalyser::kTextureWidth * SiteSoundAnalyser::kTextureRows;

    TuneSiteSound();

    // False with `problem` set when the tune of `file` cannot be decoded.
    bool open(const std::shared_ptr<TuneFile>& file, std::string& problem);
    void close();
    bool isOpen() const { return open_; }

    // Writes the texture (kTextureBytes) of the frame that hears tune frame
    // `frame` in timeline `epoch` (a seek starts another), the demo's frames
    // being `stepFrames` tune frames apart. All zeros but a flat waveform
    // (128) when not open.
    void rowsAt(uint64_t frame, uint64_t epoch, uint64_t stepFrames, uint8_t* rows);

private:
    // The SiteSoundAnalyser::kFftFrames mono frames that end at `frame`;
    // what lies before the tune's start is silence.
    const float* samplesEndingAt(uint64_t frame);

    MonoBlockReader reader_;
    SiteSoundAnalyser analyser_;
    std::vector<float> samples_; // kFftFrames: a block with the silence before the start
    bool open_ = false;
    bool following_ = false; // false: the next frame starts afresh
    uint64_t epoch_ = 0;
    uint64_t frame_ = 0; // of the frame before
};
