// OggTestFile: Ogg Vorbis files encoded with vorbisenc for tests and benchmarks.
#include "OggTestFile.h"

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "OggWriter.h"

OggTestFile::OggTestFile(const OggSignal& signal) : path_(uniquePath(".ogg")), written_(write(path_, signal)) {}

OggTestFile::~OggTestFile()
{
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

std::string OggTestFile::uniquePath(const std::string& suffix)
{
    std::random_device random;
    std::filesystem::path dir = std::filesystem::temp_directory_path();
    for (;;) {
        std::string name = "demoplayer-test-" + std::to_string(getpid()) + "-" + std::to_string(random()) + suffix;
        std::filesystem::path candidate = dir / name;
        if (!std::filesystem::exists(candidate))
            return candidate.string();
    }
}

bool OggTestFile::write(const std::string& path, const OggSignal& signal)
{
    const long totalFrames = static_cast<long>(signal.seconds * signal.sampleRate);
    const double step = 2.0 * std::acos(-1.0) * signal.frequencyHz / signal.sampleRate;
    const OggWriterFormat format{signal.sampleRate, signal.channels, 0.4f};
    return writeOggVorbis(path, format, totalFrames, [&](float** buffers, long first, int count) {
        for (int i = 0; i < count; ++i) {
            const float value = static_cast<float>(signal.amplitude * std::sin(step * static_cast<double>(first + i)));
            for (int c = 0; c < signal.channels; ++c)
                buffers[c][i] = value;
        }
    });
}

bool OggTestFile::writeSurround(const std::string& path)
{
    // Vorbis orders 5.1 as FL, FC, FR, RL, RR, LFE.
    static const float kLevels[6] = {0.05f, 0.25f, 0.15f, 0.55f, 0.75f, 0.35f};
    const int rate = 48000;
    const double step = 2.0 * std::acos(-1.0) * 60.0 / rate;
    return writeOggVorbis(path, OggWriterFormat{rate, 6, 0.4f}, 2 * rate, [&](float** buffers, long first, int count) {
        for (int i = 0; i < count; ++i)
            for (int c = 0; c < 6; ++c)
                buffers[c][i] = kLevels[c] * static_cast<float>(std::sin(step * static_cast<double>(first + i)));
    });
}
