// FloatTuneDecoder: what the decoders whose libraries deliver float samples
// share (SndfileDecoder, Mp3Decoder): the format fixed when opened, the
// tune's file with the decoder's place in it for the library's I/O
// callbacks, and the scratch space that 16-bit and mono frames are made from.
//
// Owns its share of the TuneFile and the scratch space; the library's handle
// is the derived decoder's. Not thread-safe: one thread at a time calls it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "timeline/TuneDecoder.h"

class TuneFile;

class FloatTuneDecoder : public TuneDecoder {
public:
    int sampleRate() const override { return sampleRate_; }
    int channels() const override { return channels_; }
    uint64_t totalFrames() const override { return totalFrames_; }

    int readInterleaved16(int16_t* samples, int frames) override;
    int readMono(float* samples, int frames) override;
    // These libraries read on or stop; they count no gaps.
    int holesSkipped() const override { return 0; }

    // The library's read position in the tune's file, for its I/O callbacks.
    struct Cursor {
        TuneFile* file = nullptr;
        int64_t position = 0;
    };
    // Up to `bytes` bytes at the cursor, which moves past them; how many.
    static size_t readAt(Cursor& cursor, void* buffer, size_t bytes);
    // Moves the cursor as fseek would (SEEK_END: the end of the tune's
    // data); the new position, or -1 before the start.
    static int64_t seekTo(Cursor& cursor, int64_t offset, int whence);

protected:
    // Frames of scratch space: reads decode in stretches of this many.
    static constexpr int kScratchFrames = 1152;

    // Up to `frames` interleaved float frames (full scale 1.0) into
    // scratch(); how many: fewer at the end or on data that cannot be decoded.
    virtual int readFloats(int frames) = 0;

    // Starts reading `file` from its first byte; cursor() is then the
    // library's data source (its address does not change).
    void beginFile(std::shared_ptr<TuneFile> file);
    // The tune's format, once the library has read it.
    void setFormat(int sampleRate, int channels, uint64_t totalFrames);
    // Back to closed: no file, no format.
    void endFile();

    Cursor* cursor() { return &cursor_; }
    const TuneFile& file() const { return *file_; }
    float* scratch() { return scratch_.data(); }
    // Decodes and drops `frames` frames; false when they are not all there.
    bool skipFrames(int frames);

private:
    std::shared_ptr<TuneFile> file_;
    Cursor cursor_;
    int sampleRate_ = 0;
    int channels_ = 0; // 0 while closed
    uint64_t totalFrames_ = 0;
    std::vector<float> scratch_; // kScratchFrames interleaved frames
};
