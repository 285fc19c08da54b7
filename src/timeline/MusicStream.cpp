// MusicStream: playback decoder and clock under one lock, shared by the main
// thread (the public calls) and the audio thread (Impl::fill); the spectrum
// decodes with its own reader on the main thread, outside the lock.
#include "timeline/MusicStream.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "timeline/AudioOutput.h"
#include "timeline/MonoBlockReader.h"
#include "timeline/PlaybackClock.h"
#include "timeline/SpectrumAnalyzer.h"
#include "timeline/VorbisDecoder.h"

static_assert(MusicStream::kSpectrumFrames == SpectrumAnalyzer::kFrames &&
                  MusicStream::kSpectrumBins == SpectrumAnalyzer::kBins &&
                  MusicStream::kSpectrumFrames == MonoBlockReader::kBlockFrames,
              "the spectrum's sizes must agree");

// Format assumed when there is no music: the rate the output is started with
// and the usual channel count of a tune.
static const int kDefaultSampleRate = 44100;
static const int kDefaultChannels = 2;
static const int kBytesPerSample = 2;

struct MusicStream::Impl {
    // Fixed from open on.
    int sampleRate = 0;
    int channels = 0;
    uint64_t totalFrames = 0;

    // Shared with the audio thread, under `lock`.
    std::mutex lock;
    VorbisDecoder decoder;
    PlaybackClock clock;
    bool playing = false;

    // Main thread only.
    MonoBlockReader spectrumReader;
    SpectrumAnalyzer analyzer;

    // Declared last so that it is destroyed first: the audio thread has
    // stopped before anything it uses goes away.
    AudioOutput output;

    ~Impl() { output.close(); }

    uint64_t bytesPerFrame() const { return static_cast<uint64_t>(channels) * kBytesPerSample; }

    // The frame being heard, as a whole frame within the tune. Caller holds `lock`.
    uint64_t heardFrameLocked()
    {
        double frame = clock.heardFrame(std::chrono::steady_clock::now());
        return std::min(static_cast<uint64_t>(frame), totalFrames);
    }

    // Audio thread: the next `frames` frames of the tune, or silence while
    // held and after the end.
    static void fill(void* context, int16_t* samples, int frames)
    {
        Impl& stream = *static_cast<Impl*>(context);
        const auto asked = std::chrono::steady_clock::now(); // not delayed by the lock or decoding
        std::lock_guard<std::mutex> guard(stream.lock);
        int decoded = 0;
        if (stream.playing) {
            decoded = stream.decoder.readInterleaved16(samples, frames);
            stream.clock.bufferHanded(asked, frames);
        }
        std::memset(samples + static_cast<size_t>(decoded) * stream.channels, 0,
                    static_cast<size_t>(frames - decoded) * stream.channels * sizeof(int16_t));
    }
};

// About 40 ms of audio per device buffer, as a power of two: short enough for
// a responsive clock and spectrum, long enough to ride out a busy machine.
static int device_buffer_frames(int sampleRate)
{
    int frames = 256;
    while (frames < sampleRate / 25 && frames < 8192)
        frames *= 2;
    return frames;
}

MusicStream::MusicStream() = default;

MusicStream::~MusicStream()
{
    release();
}

bool MusicStream::open(const char* path)
{
    if (released_)
        return false;
    impl_.reset();

    auto stream = std::make_unique<Impl>();
    std::string problem = "no file name";
    if (path == nullptr || !stream->decoder.open(path, problem) ||
        !stream->spectrumReader.open(path, problem)) {
        std::fprintf(stderr, "%s: cannot play the music: %s\n", path ? path : "(null)",
                     problem.c_str());
        return false;
    }
    stream->sampleRate = stream->decoder.sampleRate();
    stream->channels = stream->decoder.channels();
    stream->totalFrames = stream->decoder.totalFrames();

    // Held paused: the device plays silence until play(). Should not even the
    // dummy driver open, the music stays silent and its clock at 0.
    stream->output.open(stream->sampleRate, stream->channels,
                        device_buffer_frames(stream->sampleRate), &Impl::fill, stream.get(),
                        AudioFallback::Dummy);
    {
        std::lock_guard<std::mutex> guard(stream->lock);
        int bufferFrames = stream->output.isOpen() ? stream->output.bufferFrames()
                                                   : device_buffer_frames(stream->sampleRate);
        stream->clock = PlaybackClock(stream->sampleRate, bufferFrames);
        stream->clock.reset(0);
    }
    impl_ = std::move(stream);
    return true;
}

void MusicStream::play()
{
    if (!impl_)
        return;
    {
        std::lock_guard<std::mutex> guard(impl_->lock);
        if (impl_->playing)
            return;
        impl_->playing = true;
    }
    impl_->output.setPaused(false);
}

void MusicStream::pause()
{
    if (!impl_)
        return;
    {
        std::lock_guard<std::mutex> guard(impl_->lock);
        if (!impl_->playing)
            return;
        impl_->playing = false;
        // Frames already handed to the device but not heard yet are dropped:
        // playing resumes exactly where the clock stood still.
        uint64_t frame = impl_->heardFrameLocked();
        impl_->decoder.seek(frame, false);
        impl_->clock.reset(frame);
    }
    impl_->output.setPaused(true);
}

bool MusicStream::isPlaying() const
{
    if (!impl_)
        return false;
    std::lock_guard<std::mutex> guard(impl_->lock);
    return impl_->playing;
}

uint64_t MusicStream::positionBytes() const
{
    if (!impl_)
        return 0;
    std::lock_guard<std::mutex> guard(impl_->lock);
    return impl_->heardFrameLocked() * impl_->bytesPerFrame();
}

double MusicStream::bytesToSeconds(uint64_t bytes) const
{
    int rate = impl_ ? impl_->sampleRate : kDefaultSampleRate;
    int channels = impl_ ? impl_->channels : kDefaultChannels;
    return static_cast<double>(bytes) / (static_cast<double>(rate) * channels * kBytesPerSample);
}

bool MusicStream::seekBytes(uint64_t target)
{
    if (!impl_)
        return false;
    uint64_t frame = target / impl_->bytesPerFrame();
    if (frame > impl_->totalFrames)
        return false;
    std::lock_guard<std::mutex> guard(impl_->lock);
    if (!impl_->decoder.seek(frame, impl_->playing)) {
        // The decoder lost its place: put it back where the listener is.
        uint64_t heard = impl_->heardFrameLocked();
        impl_->decoder.seek(heard, false);
        impl_->clock.reset(heard);
        return false;
    }
    impl_->clock.reset(frame);
    return true;
}

void MusicStream::spectrum(float* magnitudes) const
{
    if (!impl_) {
        std::fill(magnitudes, magnitudes + kSpectrumBins, 0.0f);
        return;
    }
    uint64_t frame;
    {
        std::lock_guard<std::mutex> guard(impl_->lock);
        frame = impl_->heardFrameLocked();
    }
    impl_->analyzer.analyze(impl_->spectrumReader.blockAt(frame), magnitudes);
}

void MusicStream::update()
{
}

void MusicStream::release()
{
    if (released_)
        return;
    released_ = true;
    impl_.reset();
}

bool MusicStream::hasMusic() const
{
    return impl_ != nullptr;
}

int MusicStream::sampleRate() const
{
    return impl_ ? impl_->sampleRate : 0;
}

int MusicStream::channels() const
{
    return impl_ ? impl_->channels : 0;
}

uint64_t MusicStream::lengthBytes() const
{
    return impl_ ? impl_->totalFrames * impl_->bytesPerFrame() : 0;
}
