// The decoder's share of one processor core while a tune plays, per format:
// a minute of stereo music-like sound (chords, a beat of noise bursts) in
// each format the player reads, decoded from start to end as the decoder
// thread does (16-bit blocks) and as the spectrum's reader does (mono
// floats), and the cost of a seek with the block that follows it. The share
// is processor time over the tune's length: 1 % means the decoder needs a
// hundredth of a core to keep up.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "BenchCommandLine.h"
#include "ScratchDir.h"
#include "SoundTestFile.h"
#include "timeline/TuneFile.h"

namespace {

const int kBlockFrames = 4096;

// `seconds` of chords that change every two seconds, and a noise burst on every beat.
std::vector<float> musicLike(int rate, double seconds)
{
    const double pi = 3.14159265358979323846;
    const size_t frames = static_cast<size_t>(seconds * rate);
    std::vector<float> samples(frames * 2);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    const double roots[] = {110.0, 146.8, 164.8, 130.8};
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double root = roots[static_cast<size_t>(t / 2.0) % 4];
        double value = 0.0;
        for (double ratio : {1.0, 1.25, 1.5, 2.0, 3.0})
            value += 0.08 * std::sin(2.0 * pi * root * ratio * t);
        const double beat = std::fmod(t, 0.5);
        const double burst = beat < 0.08 ? 0.3 * (1.0 - beat / 0.08) * noise(random) : 0.0;
        samples[2 * i] = static_cast<float>(value + burst);
        samples[2 * i + 1] = static_cast<float>(value * 0.9 - burst);
    }
    return samples;
}

double cpuSeconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

} // namespace

int main(int argc, char** argv)
{
    const BenchCommandLine arguments(
        argc, argv, "bench_music_decode", "[SECONDS]",
        "Each tune format's decoder on SECONDS (default 60) of music-like stereo: its size, its share\n"
        "of one core while playing (16-bit blocks) and for the spectrum (mono floats), and the\n"
        "milliseconds of a seek with the block after it.\n",
        1);
    const double seconds = arguments.number(0, "SECONDS", 60.0, 1.0);
    ScratchDir dir;
    std::printf("%-11s %9s %12s %12s %14s\n", "format", "size", "play share", "mono share", "seek+block ms");
    for (const SoundFormatName& format : soundFormats()) {
        const int rate = format.format == SoundFormat::Opus ? 48000 : 44100;
        const std::string path = dir.file(std::string("tune") + format.suffix);
        if (!writeSoundSamples(path, format.format, rate, 2, musicLike(rate, seconds))) {
            std::printf("%-11s (this libsndfile cannot write it)\n", format.name);
            continue;
        }
        std::string problem;
        auto file = TuneFile::open(path.c_str(), problem);
        auto decoder = file ? file->openDecoder(problem) : nullptr;
        if (!decoder) {
            std::fprintf(stderr, "bench_music_decode: %s: %s\n", format.name, problem.c_str());
            return 1;
        }
        std::vector<int16_t> block(static_cast<size_t>(kBlockFrames) * 2);
        double start = cpuSeconds();
        while (decoder->readInterleaved16(block.data(), kBlockFrames) > 0) {
        }
        const double playSeconds = cpuSeconds() - start;

        std::vector<float> mono(kBlockFrames);
        decoder->seek(0);
        start = cpuSeconds();
        while (decoder->readMono(mono.data(), kBlockFrames) > 0) {
        }
        const double monoSeconds = cpuSeconds() - start;

        std::mt19937 random(3);
        const int seeks = 200;
        start = cpuSeconds();
        for (int i = 0; i < seeks; ++i) {
            decoder->seek(random() % (decoder->totalFrames() - kBlockFrames));
            decoder->readInterleaved16(block.data(), kBlockFrames);
        }
        const double seekSeconds = cpuSeconds() - start;

        const double tuneSeconds = static_cast<double>(decoder->totalFrames()) / decoder->sampleRate();
        std::printf("%-11s %7.1f MB %10.2f %% %10.2f %% %14.3f\n", format.name,
                    static_cast<double>(std::filesystem::file_size(path)) / 1e6, 100.0 * playSeconds / tuneSeconds,
                    100.0 * monoSeconds / tuneSeconds, 1000.0 * seekSeconds / seeks);
    }
    return 0;
}
