// The audio callback's cost and reliability while the music is sought 20
// times a second, as a person holding down a seek key makes it.
//
// Plays a 60-second tune through the music's own parts (file, decoder thread,
// ring, callback side) on an SDL output device (the dummy driver unless
// SDL_AUDIODRIVER says otherwise), seeks to a random place every 50 ms for
// 10 s, and prints the callback's duration (p50, p99, p99.9, max) and the
// number of underruns (buffers the ring could not fill before the end of the
// tune). Target: p99.9 under 0.1 ms, no underrun.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchCommandLine.h"
#include "OggTestFile.h"
#include "timeline/AudioOutput.h"
#include "timeline/DecoderThread.h"
#include "timeline/FrameRing.h"
#include "timeline/TuneFile.h"
#include "timeline/RingPlayer.h"

namespace {

using Clock = std::chrono::steady_clock;

// What the audio thread sees; it records each call's duration.
struct Measured {
    RingPlayer* player = nullptr;
    std::atomic<bool> playing{false};
    std::vector<double> durationsMs; // preallocated; written by the audio thread only
    std::atomic<size_t> calls{0};

    static void fill(void* context, int16_t* samples, int frames)
    {
        Measured& m = *static_cast<Measured*>(context);
        const auto start = Clock::now();
        m.player->fill(samples, frames, m.playing.load(std::memory_order_acquire), start);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        size_t call = m.calls.load(std::memory_order_relaxed);
        if (call < m.durationsMs.size())
            m.durationsMs[call] = ms;
        m.calls.store(call + 1, std::memory_order_release);
    }
};

} // namespace

int main(int argc, char** argv)
{
    BenchCommandLine(argc, argv, "bench_music_callback", "",
                     "The audio callback's duration (p50, p99, p99.9, max) and the underruns while a\n60-second tune "
                     "is sought every 50 ms for 10 s (SDL's dummy driver unless\nSDL_AUDIODRIVER says otherwise).\n",
                     0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const int rate = 44100, channels = 2, deviceFrames = 2048;
    OggTestFile tune(OggSignal{60.0, rate, channels, 440.0, 0.5});
    std::string problem;
    auto file = tune.written() ? TuneFile::open(tune.path().c_str(), problem) : nullptr;
    DecoderThread decoder;
    if (!file || !decoder.open(file, problem)) {
        std::fprintf(stderr, "music_callback: cannot open the test tune: %s\n", problem.c_str());
        return 1;
    }
    const uint64_t totalFrames = decoder.decoder().totalFrames();
    const int keepAhead = static_cast<int>(0.3 * rate) / FrameRing::kBlockFrames;
    FrameRing ring(2 * keepAhead + 4, channels);

    Measured measured;
    measured.durationsMs.assign(100000, 0.0);
    AudioOutput output;
    if (!output.open(rate, channels, deviceFrames, &Measured::fill, &measured, AudioFallback::Dummy)) {
        std::fprintf(stderr, "music_callback: no output device\n");
        return 1;
    }
    RingPlayer player(ring, rate, output.bufferFrames());
    measured.player = &player;
    decoder.start(ring, keepAhead);
    uint32_t generation = 1;
    decoder.request(generation, 0);
    output.setPaused(false);
    measured.playing = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    const size_t firstCall = measured.calls.load(std::memory_order_acquire);
    const uint64_t underrunsBefore = player.underruns();
    std::mt19937 random(3);
    const auto start = Clock::now();
    int seeks = 0;
    for (auto next = start; next < start + std::chrono::seconds(10); next += std::chrono::milliseconds(50)) {
        std::this_thread::sleep_until(next);
        // Far enough from the end that every buffer has music to play.
        decoder.request(++generation, random() % (totalFrames - 2 * static_cast<uint64_t>(rate)));
        ++seeks;
    }
    const size_t lastCall = measured.calls.load(std::memory_order_acquire);
    const uint64_t underruns = player.underruns() - underrunsBefore;
    output.close();
    decoder.stop();

    std::vector<double> durations(measured.durationsMs.begin() + static_cast<long>(firstCall),
                                  measured.durationsMs.begin() +
                                      static_cast<long>(std::min(lastCall, measured.durationsMs.size())));
    if (durations.empty()) {
        std::fprintf(stderr, "music_callback: the device never called\n");
        return 1;
    }
    std::sort(durations.begin(), durations.end());
    auto percentile = [&](double p) {
        return durations[static_cast<size_t>(p * static_cast<double>(durations.size() - 1))];
    };
    std::printf("%d seeks in 10 s, %zu callbacks of %d frames\n", seeks, durations.size(), output.bufferFrames());
    std::printf("callback duration: p50 %.4f ms, p99 %.4f ms, p99.9 %.4f ms, max %.4f ms\n", percentile(0.50),
                percentile(0.99), percentile(0.999), durations.back());
    std::printf("underruns: %llu (target: p99.9 under 0.1 ms, no underrun)\n",
                static_cast<unsigned long long>(underruns));
    return 0;
}
