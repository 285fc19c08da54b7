// VorbisDecoder: one Ogg Vorbis stream decoded with libvorbisfile, on demand,
// into 16-bit interleaved frames (for the output device) or into mono floats
// (for the spectrum): the TuneDecoder of Ogg Vorbis tunes.
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
#include "timeline/TuneDecoder.h"

class VorbisDecoder : public TuneDecoder {
public:
    VorbisDecoder() = default;
    ~VorbisDecoder() override;
    VorbisDecoder(const VorbisDecoder&) = delete;
    VorbisDecoder& operator=(const VorbisDecoder&) = delete;

    // Opens the stream of `source` at its first frame. On failure returns
    // false and sets `problem` to a short reason (no file name); the decoder
    // stays closed.
    bool open(std::shared_ptr<OggSource> source, std::string& problem);
    void close();
    bool isOpen() const { return open_; }

    int sampleRate() const override { return sampleRate_; }
    int channels() const override { return channels_; }
    uint64_t totalFrames() const override { return totalFrames_; }

    bool seek(uint64_t frame) override { return seek(frame, false); }
    // With `crossfade` the first frames after the new position are blended
    // with what would have followed the old one, which spares the listener a click.
    bool seek(uint64_t frame, bool crossfade);

    int readInterleaved16(int16_t* samples, int frames) override;
    int readMono(float* samples, int frames) override;
    int holesSkipped() const override { return holesSkipped_; }

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
