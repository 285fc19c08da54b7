// TuneDecoder: one decoder of the tune, whatever its format, as the audio
// layer uses it: sample-exact seeks, 16-bit interleaved frames for the output
// device and the export, mono floats for the spectrum.
//
// TuneFile::openDecoder() makes one for the file's format (VorbisDecoder for
// Ogg Vorbis, SndfileDecoder for the rest); several decoders may read one
// TuneFile. Each decoder owns its library handle and its place in the data.
// Not thread-safe: one thread at a time calls it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

class TuneDecoder {
public:
    // Channel counts the output device can take.
    static constexpr int kMaxChannels = 8;

    virtual ~TuneDecoder() = default;

    virtual int sampleRate() const = 0;
    virtual int channels() const = 0;
    virtual uint64_t totalFrames() const = 0;

    // The speakers of `channels` channels as a WAV file's channel mask (bit 0
    // front left, 1 front right, 2 front centre, 3 LFE, 4 back left, ...).
    // readInterleaved16() hands channels out in this order (5.1: FL, FR, FC,
    // LFE, BL, BR), the one WAV files, SDL and FFmpeg expect, whatever order
    // the format stores them in.
    static uint32_t channelMask(int channels);

    // Moves to `frame` (0..totalFrames), exactly: the frames read next are
    // those a decode from the start would give there.
    virtual bool seek(uint64_t frame) = 0;

    // Decode up to `frames` frames from the current position and return how
    // many were written: fewer only at the end of the stream or on damaged
    // data that cannot be decoded further.
    virtual int readInterleaved16(int16_t* samples, int frames) = 0;
    virtual int readMono(float* samples, int frames) = 0;

    // Gaps in the data skipped since open: each loses the frames it held, so
    // what follows plays early.
    virtual int holesSkipped() const = 0;

protected:
    // Puts each frame's channels from the order Vorbis and Opus store them in
    // into channelMask()'s.
    static void reorderFromVorbisOrder(int16_t* samples, int frames, int channels);
    // `count` samples of full scale 1.0 to 16 bits: 16-bit PCM comes back
    // exactly, and samples beyond full scale clip rather than wrap around.
    static void floatsTo16(const float* from, int16_t* to, size_t count);
    // The mean of each of `frames` interleaved frames of `channels` channels.
    static void mixToMono(const float* from, float* to, int frames, int channels);
    // Reads up to `frames` frames in stretches of at most `stretch`:
    // read(count) decodes up to count frames into the decoder's scratch space
    // and returns how many it got, use(done, got) takes them. Stops short at
    // the end or at data that cannot be decoded; returns the frames read.
    template <class Read, class Use> static int readInStretches(int frames, int stretch, Read read, Use use)
    {
        int done = 0;
        while (done < frames) {
            const int step = std::min(frames - done, stretch);
            const int got = read(step);
            if (got <= 0)
                break;
            use(done, got);
            done += got;
            if (got < step)
                break;
        }
        return done;
    }

    TuneDecoder() = default;
    TuneDecoder(const TuneDecoder&) = delete;
    TuneDecoder& operator=(const TuneDecoder&) = delete;
};
