// The timeline module: the music stream (the demo's clock and spectrum) and
// the alarm tones, on the platform layer alone (it reads no track). It owns the audio decoding and
// output; the main thread calls it, the audio device's thread feeds itself.
//
// MusicStream: the demo's music ("tune.ogg" unless the description names
// another file; Ogg Vorbis, Ogg Opus, FLAC, WAV or MP3) streamed to the audio
// output, and the demo's clock: the position being heard, and the spectrum there.
//
// Positions count bytes of 16-bit interleaved PCM in the file's own rate and
// channel count, whatever the file stores: bytes = frames x channels x 2
// (44.1 kHz stereo: 176400 bytes a second). The file is decoded as it plays, on a decoder thread of the
// stream's own, into a bounded ring that the audio callback copies from:
// memory and start-up time do not depend on the tune's length (nor on what
// follows an Ogg file's last page), a main thread that stalls does not starve the
// music, and the callback never waits for a lock, a decoder or a file.
//
// Threads: every member function is called from the main thread. Seeking and
// pausing send the decoder thread a request and return at once; the clock
// comes from the audio callback through a lock-free copy. Failures never stop
// the demo: without an output device the music plays in silence on SDL's
// dummy driver (one line on standard error); without a playable file (one
// line naming it and the reason) the clock stays at 0 and the spectrum is all
// zeros.
//
// One instance, owned by AppState. It owns the file, the decoders, the
// decoder thread, the output device and its share of SDL's audio subsystem,
// all released by release() or the destructor. Non-copyable.
#pragma once

#include <cstdint>
#include <memory>

class MusicStream {
public:
    // Magnitudes filled by spectrum(). Bin k covers k / 4096 of the sample rate.
    static constexpr int kSpectrumBins = 2048;
    // Frames analysed by spectrum(), from the heard position on.
    static constexpr int kSpectrumFrames = 2 * kSpectrumBins;
    // Bytes filled by siteSound(): two rows of 512.
    static constexpr int kSiteSoundBytes = 2 * 512;
    // The frame rate siteSound() assumes for the frames before a seek.
    static constexpr int kSiteSoundFramesPerSecond = 60;

    MusicStream();
    ~MusicStream();
    MusicStream(const MusicStream&) = delete;
    MusicStream& operator=(const MusicStream&) = delete;

    // Starts the audio output and opens `path`, held paused at its start.
    // False when the file is missing, is not a regular file (a named pipe or
    // a device is refused without waiting for it), cannot be decoded or holds
    // no samples (one line on standard error names it); the stream then has
    // no music. Opening again replaces the previous file.
    bool open(const char* path);

    // Starts or resumes playing from the current position; never restarts.
    void play();
    // Holds the music; the position stands still until play().
    void pause();
    // True between play() and pause(); false without music.
    bool isPlaying() const;

    // The position being heard, in bytes (frame-aligned). Never runs
    // backwards while playing; stands still while paused, at the end of
    // the tune, and at 0 without music.
    uint64_t positionBytes() const;
    // `bytes` of this stream's PCM in seconds (44.1 kHz stereo without music).
    double bytesToSeconds(uint64_t bytes) const;

    // Moves playback to `target` bytes, rounded down to a whole frame, while
    // playing or paused; the next position read returns it. A target past the
    // end (including a subtraction below zero that wrapped around) is refused:
    // false, and the position stays where it was.
    bool seekBytes(uint64_t target);

    // Fills kSpectrumBins magnitudes of the kSpectrumFrames frames from the
    // heard position on: channels averaged to mono, Hann window, real FFT.
    // Scale: a sine of peak amplitude A centred on a bin reads A there, so a
    // full-scale sine reads about 1.0; bin 0 holds the mean level. Frames past
    // the end count as silence; without music everything is 0. Allocates nothing.
    void spectrum(float* magnitudes) const;

    // Fills kSpectrumBins smoothed magnitudes at the heard position (see
    // TuneSpectrum): four analyses, for frames whose shaders read them. The
    // first call opens a decoder of its own.
    void smoothedSpectrum(float* magnitudes) const;

    // Fills the shader sites' sound texture (kSiteSoundBytes) at the heard
    // position, for frames whose shaders read it: it follows the frames
    // asked for (see TuneSiteSound), a seek starting afresh as if the frames
    // before had been drawn kSiteSoundFramesPerSecond a second. The first
    // call opens a decoder of its own.
    void siteSound(uint8_t* rows) const;

    // How many seeks the stream has taken since it was opened: a frame that
    // sees the count change follows a jump in the music.
    uint64_t seekCount() const;

    // Stops the music and releases decoders, device and audio subsystem.
    // Idempotent; afterwards every call is a harmless no-op (open returns false).
    void release();
    bool isReleased() const { return released_; }

    // True after a successful open, until release.
    bool hasMusic() const;
    // Format of the open file: frames per second and channels (0 without music).
    int sampleRate() const;
    int channels() const;
    // Length of the tune in bytes (0 without music).
    uint64_t lengthBytes() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_; // null until open, and after release
    bool released_ = false;
};
