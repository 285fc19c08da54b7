// SndfileDecoder: a tune decoded with libsndfile, on demand, into 16-bit
// interleaved frames (for the output device) or into mono floats (for the
// spectrum): the TuneDecoder of Ogg Opus, FLAC, WAV (16, 24 and 32-bit PCM,
// float) and MP3 tunes, and of whatever else libsndfile reads.
//
// Reads through a TuneFile, which it shares with other decoders of the same
// file and keeps alive; owns its SNDFILE handle (FloatTuneDecoder its place
// in the data and its scratch samples). Not thread-safe: one thread at a time calls it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "timeline/FloatTuneDecoder.h"

struct sf_private_tag;

class SndfileDecoder : public FloatTuneDecoder {
public:
    SndfileDecoder() = default;
    ~SndfileDecoder() override;

    // Opens the tune of `file` at its first frame. On failure returns false
    // and sets `problem` to a short reason (no file name).
    bool open(std::shared_ptr<TuneFile> file, std::string& problem);
    void close();

    bool seek(uint64_t frame) override;
    int readInterleaved16(int16_t* samples, int frames) override;

private:
    int readFloats(int frames) override;

    sf_private_tag* handle_ = nullptr;
    bool opus_ = false;     // stored in Vorbis's channel order; seeks near its end need care
    bool integers_ = false; // integer PCM, which libsndfile gives back as 16 bits exactly
};
