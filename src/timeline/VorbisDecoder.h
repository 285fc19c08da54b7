// VorbisDecoder: one Ogg Vorbis file opened with libvorbisfile, decoded on
// demand into 16-bit interleaved frames (for the output device) or into mono
// floats (for the spectrum).
//
// Owns its OggVorbis_File and the file handle inside it. Not thread-safe: the
// owner makes sure one thread at a time calls it (MusicStream keeps its
// playback decoder under its lock; the spectrum has a decoder of its own).
#pragma once

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <cstdint>
#include <string>

class VorbisDecoder {
public:
    // Channel counts the output device can take.
    static constexpr int kMaxChannels = 8;

    VorbisDecoder() = default;
    ~VorbisDecoder();
    VorbisDecoder(const VorbisDecoder&) = delete;
    VorbisDecoder& operator=(const VorbisDecoder&) = delete;

    // Opens `path` at its first frame. On failure returns false and sets
    // `problem` to a short reason (no file name); the decoder stays closed.
    bool open(const char* path, std::string& problem);
    void close();
    bool isOpen() const { return open_; }

    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }
    uint64_t totalFrames() const { return totalFrames_; }

    // Moves to `frame` (0..totalFrames), exactly. With `crossfade` the first
    // frames after the new position are blended with what would have followed
    // the old one, which spares the listener a click.
    bool seek(uint64_t frame, bool crossfade);

    // Decode up to `frames` frames from the current position and return how
    // many were written: fewer only at the end of the stream or on damaged
    // data that cannot be decoded further.
    int readInterleaved16(int16_t* samples, int frames);
    int readMono(float* samples, int frames);

private:
    OggVorbis_File file_{};
    bool open_ = false;
    int sampleRate_ = 0;
    int channels_ = 0;
    uint64_t totalFrames_ = 0;
};
