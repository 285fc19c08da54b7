// SndfileDecoder: a tune decoded with libsndfile, on demand, into 16-bit
// interleaved frames (for the output device) or into mono floats (for the
// spectrum): the TuneDecoder of Ogg Opus, FLAC, WAV (16, 24 and 32-bit PCM,
// float) and MP3 tunes, and of whatever else libsndfile reads.
//
// Reads through a TuneFile, which it shares with other decoders of the same
// file and keeps alive; owns its SNDFILE handle, its place in the data and
// its scratch samples. Not thread-safe: one thread at a time calls it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "timeline/TuneDecoder.h"

class TuneFile;
struct sf_private_tag;

class SndfileDecoder : public TuneDecoder {
public:
    SndfileDecoder() = default;
    ~SndfileDecoder() override;

    // Opens the tune of `file` at its first frame. On failure returns false
    // and sets `problem` to a short reason (no file name).
    bool open(std::shared_ptr<TuneFile> file, std::string& problem);
    void close();

    int sampleRate() const override { return sampleRate_; }
    int channels() const override { return channels_; }
    uint64_t totalFrames() const override { return totalFrames_; }

    bool seek(uint64_t frame) override;
    int readInterleaved16(int16_t* samples, int frames) override;
    int readMono(float* samples, int frames) override;
    // libsndfile reads on or stops; it never skips a gap.
    int holesSkipped() const override { return 0; }

    // libsndfile's read position in the file; public for its I/O callbacks.
    struct Cursor {
        TuneFile* file = nullptr;
        int64_t position = 0;
    };

private:
    std::shared_ptr<TuneFile> file_;
    Cursor cursor_; // libsndfile's data source; its address must not change
    sf_private_tag* handle_ = nullptr;
    int sampleRate_ = 0;
    int channels_ = 0;
    uint64_t totalFrames_ = 0;
    bool opus_ = false;          // stored in Vorbis's channel order; seeks near its end need care
    bool integers_ = false;      // integer PCM, which libsndfile gives back as 16 bits exactly
    std::vector<float> scratch_; // interleaved frames for readMono and seeks
};
