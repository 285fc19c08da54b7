// VorbisDecoder: one Ogg Vorbis stream decoded with libvorbisfile, on demand,
// into 16-bit interleaved frames (for the output device) or into mono floats
// (for the spectrum).
//
// Reads through an OggSource, which it shares with other decoders of the same
// file; owns its OggVorbis_File and its place in the data. Not thread-safe:
// one thread at a time calls it (MusicStream's decoder thread has the
// playback decoder, the spectrum a decoder of its own).
#pragma once

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <cstdint>
#include <memory>
#include <string>

#include "timeline/OggSource.h"

class VorbisDecoder {
public:
    // Channel counts the output device can take.
    static constexpr int kMaxChannels = 8;

    VorbisDecoder() = default;
    ~VorbisDecoder();
    VorbisDecoder(const VorbisDecoder&) = delete;
    VorbisDecoder& operator=(const VorbisDecoder&) = delete;

    // Opens the stream of `source` at its first frame. On failure returns
    // false and sets `problem` to a short reason (no file name); the decoder
    // stays closed.
    bool open(std::shared_ptr<OggSource> source, std::string& problem);
    void close();
    bool isOpen() const { return open_; }

    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }
    // The speakers of `channels` channels as a WAV file's channel mask (bit 0
    // front left, 1 front right, 2 front centre, 3 LFE, 4 back left, ...).
    // Vorbis orders more than two channels otherwise (5.1: FL, FC, FR, RL, RR,
    // LFE); readInterleaved16() hands them out in the order of this mask, the
    // one WAV files, SDL and FFmpeg expect (5.1: FL, FR, FC, LFE, BL, BR).
    static uint32_t channelMask(int channels);
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
    // Gaps in the data skipped since open: each loses the frames it held, so
    // what follows plays early.
    int holesSkipped() const { return holesSkipped_; }

private:
    std::shared_ptr<OggSource> source_;
    OggSource::Cursor cursor_; // vorbisfile's data source; its address must not change
    OggVorbis_File file_{};
    bool open_ = false;
    int sampleRate_ = 0;
    int channels_ = 0;
    uint64_t totalFrames_ = 0;
    int holesSkipped_ = 0;
};
