// Mp3Decoder: an MP3 tune decoded with libmpg123, on demand, into 16-bit
// interleaved frames (for the output device) or into mono floats (for the
// spectrum): the TuneDecoder of MP3 files.
//
// The file is scanned once when opened, for its exact length (without the
// encoder's delay and padding) and an index of its frames; a seek then
// decodes enough frames ahead of its target to refill the bit reservoir, so
// that it gives exactly the samples a decode from the start gives there.
// libmpg123's own notes about damaged data are kept off standard error.
//
// Reads through a TuneFile, which it shares with other decoders of the same
// file and keeps alive; owns its mpg123 handle, its place in the data and
// its scratch samples. Not thread-safe: one thread at a time calls it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "timeline/TuneDecoder.h"

class TuneFile;
struct mpg123_handle_struct;

class Mp3Decoder : public TuneDecoder {
public:
    Mp3Decoder() = default;
    ~Mp3Decoder() override;

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
    // libmpg123 resynchronises over damage by itself; what it skips is not counted.
    int holesSkipped() const override { return 0; }

    // libmpg123's read position in the file; public for its I/O callbacks.
    struct Cursor {
        TuneFile* file = nullptr;
        int64_t position = 0;
    };

private:
    // Up to `frames` interleaved float frames into scratch_; how many.
    int readFloats(int frames);

    std::shared_ptr<TuneFile> file_;
    Cursor cursor_; // libmpg123's data source; its address must not change
    mpg123_handle_struct* handle_ = nullptr;
    int sampleRate_ = 0;
    int channels_ = 0;
    uint64_t totalFrames_ = 0;
    std::vector<float> scratch_; // interleaved frames
};
