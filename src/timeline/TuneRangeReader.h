// TuneRangeReader: an exact stretch of a tune, frames [first, end), decoded
// as 16-bit interleaved samples in the tune's own rate and channel count, for
// writing the sound of an export. Frames past the tune's end (or past data
// that cannot be decoded) read as silence, so a range always yields exactly
// its length; damaged data is reported by damage(), for the export to fail
// rather than write sound that is silent or out of step from there on.
//
// Owns a TuneDecoder of its own (a separate handle on the file). One thread
// at a time: the export's encoder thread. Non-copyable.
#pragma once

#include <cstdint>
#include <string>

#include <memory>

#include "timeline/TuneDecoder.h"

class TuneRangeReader {
public:
    // The tune frame heard at `seconds`: the nearest frame at `sampleRate`,
    // never below 0. Export frame times and sound ranges both round this way,
    // so ranges that meet in seconds meet in frames.
    static uint64_t frameAt(double seconds, int sampleRate);

    // Opens `path` positioned at `firstFrame`. False with `problem` set (no
    // file name) when the file cannot be decoded or `endFrame` < `firstFrame`.
    bool open(const char* path, uint64_t firstFrame, uint64_t endFrame, std::string& problem);
    void close();

    int sampleRate() const { return decoder_ ? decoder_->sampleRate() : 0; }
    int channels() const { return decoder_ ? decoder_->channels() : 0; }
    // Frames of the range not read yet.
    uint64_t framesLeft() const { return end_ - next_; }

    // Writes up to `frames` frames (frames x channels samples) and returns how
    // many: fewer only at the end of the range, 0 after it.
    int read(int16_t* samples, int frames);

    // Empty while the range reads as the tune holds it; otherwise where its
    // data is damaged ("damaged Ogg data at 12.35 s: ...", "damaged FLAC
    // data at ..."), set by read().
    const std::string& damage() const { return damage_; }

private:
    void noteDamage(uint64_t frame, const char* what);

    std::unique_ptr<TuneDecoder> decoder_; // null until opened
    std::string formatName_;               // the tune's container, for damage()
    uint64_t next_ = 0;                    // tune frame that read() returns next
    uint64_t end_ = 0;                     // tune frame after the range
    bool decoderAtNext_ = false;           // false once the decoder ran dry: the rest is silence
    std::string damage_;
};
