// MusicStream: the parts of the music and the threads they run on.
//
//   main thread     requests (play, pause, seek), the clock, the spectrum
//   decoder thread  DecoderThread: decodes ahead into the FrameRing
//   audio thread    RingPlayer: copies from the ring, publishes the clock
//
// The main thread never touches the ring; the audio thread takes no lock.
// Every seek and pause starts a new generation of frames, so what the
// decoder had queued for an earlier request is never played after the new
// request's frames. The main thread shows the requested frame until the
// audio thread reports the new generation's clock.
#include "timeline/MusicStream.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>

#include "timeline/AudioOutput.h"
#include "timeline/DecoderThread.h"
#include "timeline/FrameRing.h"
#include "timeline/TuneFile.h"
#include "timeline/RingPlayer.h"
#include "timeline/TuneSpectrum.h"

static_assert(MusicStream::kSpectrumFrames == TuneSpectrum::kFrames &&
                  MusicStream::kSpectrumBins == TuneSpectrum::kBins,
              "the spectrum's sizes must agree");

// Format assumed when there is no music: the rate the output is started with
// and the usual channel count of a tune.
static const int kDefaultSampleRate = 44100;
static const int kDefaultChannels = 2;
static const int kBytesPerSample = 2;

// Decoded audio kept ahead of the device: enough to ride out a decoder thread
// that gets no processor for a while on a busy machine.
static const double kKeepAheadSeconds = 0.3;

// About 40 ms of audio per device buffer, as a power of two: short enough for
// a responsive clock and spectrum, long enough to ride out a busy machine.
static int deviceBufferFrames(int sampleRate)
{
    int frames = 256;
    while (frames < sampleRate / 25 && frames < 8192)
        frames *= 2;
    return frames;
}

struct MusicStream::Impl {
    // Fixed from open on.
    int sampleRate = 0;
    int channels = 0;
    uint64_t totalFrames = 0;

    DecoderThread decoder;
    TuneSpectrum spectrum;           // main thread only
    std::unique_ptr<FrameRing> ring; // decoder thread -> audio thread
    std::unique_ptr<RingPlayer> player;
    std::atomic<bool> playing{false}; // main thread -> audio thread

    // Main thread only.
    bool mainPlaying = false;
    uint32_t generation = 0; // of the latest request
    uint64_t seeks = 0;      // seeks taken
    uint64_t standFrame = 0; // where that request starts: the clock until it is heard
    double shownFrame = 0.0; // highest reading since: readings never go back

    // Declared last so that it is destroyed first; the destructor stops the
    // audio thread before the decoder thread, and both before their data goes.
    AudioOutput output;

    ~Impl()
    {
        output.close();
        decoder.stop();
    }

    uint64_t bytesPerFrame() const { return static_cast<uint64_t>(channels) * kBytesPerSample; }

    // Asks the decoder thread for the frames from `frame` on; the clock stands there.
    void request(uint64_t frame)
    {
        ++generation;
        standFrame = frame;
        shownFrame = static_cast<double>(frame);
        decoder.request(generation, frame);
    }

    // The frame being heard, as a whole frame within the tune.
    uint64_t heardFrame()
    {
        if (!mainPlaying)
            return standFrame;
        HeardClock heard = player->heard();
        if (heard.generation == generation) {
            double frame = heard.clock.heardFrame(std::chrono::steady_clock::now());
            shownFrame = std::max(shownFrame, frame);
        }
        return std::min(static_cast<uint64_t>(shownFrame), totalFrames);
    }

    // Audio thread.
    static void fill(void* context, int16_t* samples, int frames)
    {
        Impl& stream = *static_cast<Impl*>(context);
        stream.player->fill(samples, frames, stream.playing.load(std::memory_order_acquire),
                            std::chrono::steady_clock::now());
    }
};

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
    std::shared_ptr<TuneFile> file;
    bool opened = path != nullptr && (file = TuneFile::open(path, problem)) && stream->decoder.open(file, problem);
    if (opened && stream->decoder.decoder().totalFrames() == 0) {
        problem = "the tune holds no samples";
        opened = false;
    }
    if (!opened || !stream->spectrum.open(file, problem)) {
        std::fprintf(stderr, "%s: cannot play the music: %s\n", path ? path : "(null)", problem.c_str());
        return false;
    }
    stream->sampleRate = stream->decoder.decoder().sampleRate();
    stream->channels = stream->decoder.decoder().channels();
    stream->totalFrames = stream->decoder.decoder().totalFrames();

    // The device opens held; from the moment it runs, the callback plays
    // silence until play(). Should not even the dummy driver open, the music
    // stays silent and its clock at 0.
    const int wantedBufferFrames = deviceBufferFrames(stream->sampleRate);
    stream->output.open(stream->sampleRate, stream->channels, wantedBufferFrames, &Impl::fill, stream.get(),
                        AudioFallback::Dummy);
    const int bufferFrames = stream->output.isOpen() ? stream->output.bufferFrames() : wantedBufferFrames;

    const int keepAhead = std::max(static_cast<int>(kKeepAheadSeconds * stream->sampleRate) / FrameRing::kBlockFrames,
                                   4 * bufferFrames / FrameRing::kBlockFrames + 2);
    // Room for a seek's first blocks while the previous request's still wait to be dropped.
    stream->ring = std::make_unique<FrameRing>(2 * keepAhead + 4, stream->channels);
    stream->player = std::make_unique<RingPlayer>(*stream->ring, stream->sampleRate, bufferFrames);
    stream->decoder.start(*stream->ring, keepAhead);
    stream->request(0);
    // Running from now on, the device never needs SDL's lock again for a
    // pause: holding the music is the callback's business.
    stream->output.setPaused(false);

    impl_ = std::move(stream);
    return true;
}

void MusicStream::play()
{
    if (!impl_ || impl_->mainPlaying)
        return;
    impl_->mainPlaying = true;
    impl_->shownFrame = static_cast<double>(impl_->standFrame);
    impl_->playing.store(true, std::memory_order_release);
}

void MusicStream::pause()
{
    if (!impl_ || !impl_->mainPlaying)
        return;
    uint64_t frame = impl_->heardFrame();
    impl_->mainPlaying = false;
    impl_->playing.store(false, std::memory_order_release);
    // Frames already handed to the device but not heard yet are dropped:
    // playing resumes exactly where the clock stood still.
    impl_->request(frame);
}

bool MusicStream::isPlaying() const
{
    if (!impl_)
        return false;
    return impl_->mainPlaying;
}

uint64_t MusicStream::positionBytes() const
{
    if (!impl_)
        return 0;
    return impl_->heardFrame() * impl_->bytesPerFrame();
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
    impl_->request(frame);
    ++impl_->seeks;
    return true;
}

void MusicStream::spectrum(float* magnitudes) const
{
    if (!impl_) {
        std::fill(magnitudes, magnitudes + kSpectrumBins, 0.0f);
        return;
    }
    impl_->spectrum.at(impl_->heardFrame(), magnitudes);
}

void MusicStream::smoothedSpectrum(float* magnitudes) const
{
    if (!impl_) {
        std::fill(magnitudes, magnitudes + kSpectrumBins, 0.0f);
        return;
    }
    impl_->spectrum.smoothedAt(impl_->heardFrame(), magnitudes);
}

void MusicStream::siteSound(uint8_t* rows) const
{
    static_assert(kSiteSoundBytes == TuneSiteSound::kTextureBytes, "two rows of the site's texture");
    if (!impl_) {
        std::fill(rows, rows + kSiteSoundBytes / 2, uint8_t{0});
        std::fill(rows + kSiteSoundBytes / 2, rows + kSiteSoundBytes, uint8_t{128});
        return;
    }
    impl_->spectrum.siteSoundAt(impl_->heardFrame(), impl_->seeks,
                                static_cast<uint64_t>(impl_->sampleRate / kSiteSoundFramesPerSecond), rows);
}

uint64_t MusicStream::seekCount() const
{
    return impl_ ? impl_->seeks : 0;
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
