// MonoBlockReader: the block of frames that starts at a given frame of a
// tune, channels averaged to mono, for the spectrum.
//
// It decodes with a TuneDecoder of its own (reading the tune's shared
// TuneFile), so it never touches the playback decoder and works the same
// while the music plays or stands paused. Successive requests usually
// move forward by a video frame's worth of audio: the frames the previous
// block shares with the new one are kept, only the rest is decoded, and a
// sample-exact seek happens only on a jump. Frames past the end read as silence.
//
// Owns its decoder and one block of samples, allocated when opened; blockAt()
// allocates nothing. One thread at a time (TuneSpectrum's caller).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "timeline/TuneDecoder.h"
#include "timeline/TuneFile.h"

class MonoBlockReader {
public:
    // Frames per block, unless the reader is made for longer ones.
    static constexpr int kBlockFrames = 4096;

    explicit MonoBlockReader(int blockFrames = kBlockFrames) : blockFrames_(blockFrames) {}

    bool open(const std::shared_ptr<TuneFile>& file, std::string& problem);
    void close();

    // The blockFrames() frames from `frame` on; valid until the next call.
    // All zeros when the reader is not open.
    const float* blockAt(uint64_t frame);

    int blockFrames() const { return blockFrames_; }

private:
    // Puts the decoder at `frame` with nothing kept; false when it cannot get there.
    bool restartAt(uint64_t frame);

    int blockFrames_;
    std::unique_ptr<TuneDecoder> decoder_; // null until opened
    std::vector<float> block_;             // blockFrames_ samples, the first keptFrames_ decoded
    uint64_t blockStart_ = 0;              // stream frame of block_[0]
    int keptFrames_ = 0;                   // the decoder stands at blockStart_ + keptFrames_
    bool positioned_ = false;              // false when that relation does not hold
};
