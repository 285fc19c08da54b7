// Cost of one spectrum request, as the frame loop makes one per frame:
// while the music plays (the block moves forward a little each time), and
// after a jump (a seek, which makes the spectrum reader seek too). The same
// for the shader sites' sound texture, whose first frame after a seek runs
// the analyser over the frames before it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "BenchCommandLine.h"
#include "OggTestFile.h"
#include "timeline/MusicStream.h"

// Opens a 30-second tune on the dummy driver (unless SDL_AUDIODRIVER says otherwise).
static bool openTune(benchmark::State& state, const OggTestFile& tune, MusicStream& stream)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (tune.written() && stream.open(tune.path().c_str()))
        return true;
    state.SkipWithError("cannot open the test tune");
    return false;
}

// Asks `request` once per iteration while the music plays.
template <typename Request> void whilePlaying(benchmark::State& state, Request request)
{
    OggTestFile tune(OggSignal{30.0, 44100, 2, 440.0, 0.5});
    MusicStream stream;
    if (!openTune(state, tune, stream))
        return;
    stream.play();
    for (auto _ : state)
        request(stream);
}

// Asks `request` once per iteration, each after a seek.
template <typename Request> void afterSeeks(benchmark::State& state, Request request)
{
    OggTestFile tune(OggSignal{30.0, 44100, 2, 440.0, 0.5});
    MusicStream stream;
    if (!openTune(state, tune, stream))
        return;
    uint64_t target = 0;
    for (auto _ : state) {
        target = (target + 7 * 110000) % (stream.lengthBytes() / 2);
        stream.seekBytes(target);
        request(stream);
    }
}

static void BM_SpectrumWhilePlaying(benchmark::State& state)
{
    std::vector<float> magnitudes(MusicStream::kSpectrumBins);
    whilePlaying(state, [&](const MusicStream& stream) {
        stream.spectrum(magnitudes.data());
        benchmark::DoNotOptimize(magnitudes.data());
    });
}
BENCHMARK(BM_SpectrumWhilePlaying)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

static void BM_SpectrumAfterSeek(benchmark::State& state)
{
    std::vector<float> magnitudes(MusicStream::kSpectrumBins);
    afterSeeks(state, [&](const MusicStream& stream) {
        stream.spectrum(magnitudes.data());
        benchmark::DoNotOptimize(magnitudes.data());
    });
}
BENCHMARK(BM_SpectrumAfterSeek)->Unit(benchmark::kMicrosecond);

static void BM_SiteSoundWhilePlaying(benchmark::State& state)
{
    std::vector<uint8_t> rows(MusicStream::kSiteSoundBytes);
    whilePlaying(state, [&](const MusicStream& stream) {
        stream.siteSound(rows.data());
        benchmark::DoNotOptimize(rows.data());
    });
}
BENCHMARK(BM_SiteSoundWhilePlaying)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

static void BM_SiteSoundAfterSeek(benchmark::State& state)
{
    std::vector<uint8_t> rows(MusicStream::kSiteSoundBytes);
    afterSeeks(state, [&](const MusicStream& stream) {
        stream.siteSound(rows.data());
        benchmark::DoNotOptimize(rows.data());
    });
}
BENCHMARK(BM_SiteSoundAfterSeek)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    return bench::runGoogleBenchmarks(
        argc, argv, "bench_music_spectrum",
        "Cost of one spectrum (and sound texture) request while the music plays and\nafter a seek, in "
        "microseconds per request.\n");
}
