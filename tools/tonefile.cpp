// tonefile: writes a sine tone as an Ogg Vorbis file (stereo), the
// tune of the player's test demos. The file is made from scratch each time,
// so no audio file needs to be kept in the repository.
//
//   tonefile OUT.ogg SECONDS [FREQUENCY_HZ [RATE_HZ]]   (frequency defaults to
//                                                        440, 0 writes silence;
//                                                        the rate to 44100)
//
// Exit status 1, with one line on standard error, when the arguments are bad
// or the file cannot be written; a half-written file is removed.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "OggWriter.h"

namespace {

constexpr double kAmplitude = 0.5;
constexpr double kLongestSeconds = 3600.0;
constexpr double kPi = 3.14159265358979323846; // M_PI is POSIX, not standard C++

// A finite number above 0 (and at most `highest`) in `text`.
bool parsePositive(const char* text, double highest, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value) && value > 0.0 && value <= highest;
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 0.0;
    double frequency = 440.0;
    double rate = 44100.0;
    if (argc < 3 || argc > 5 || !parsePositive(argv[2], kLongestSeconds, seconds) ||
        (argc >= 4 && std::strcmp(argv[3], "0") != 0 && !parsePositive(argv[3], 20000.0, frequency)) ||
        (argc == 5 && (!parsePositive(argv[4], 192000.0, rate) || rate < 8000.0 || rate != std::floor(rate)))) {
        std::fprintf(stderr,
                     "usage: tonefile OUT.ogg SECONDS [FREQUENCY_HZ [RATE_HZ]]  (SECONDS up to 3600, FREQUENCY_HZ up "
                     "to 20000, 0 for silence; RATE_HZ 8000 to 192000, default 44100)\n");
        return 1;
    }
    const char* path = argv[1];
    if (argc >= 4 && std::strcmp(argv[3], "0") == 0)
        frequency = 0.0;
    const OggWriterFormat format{static_cast<int>(rate), 2, 0.1f};
    const double step = 2.0 * kPi * frequency / format.sampleRate;
    const bool written = writeOggVorbis(
        path, format, std::lround(seconds * format.sampleRate), [&](float** buffers, long first, int count) {
            for (int i = 0; i < count; ++i) {
                const double phase = step * static_cast<double>(first + i);
                buffers[0][i] = buffers[1][i] = static_cast<float>(kAmplitude * std::sin(phase));
            }
        });
    if (!written) {
        std::fprintf(stderr, "%s: could not write the tune\n", path);
        std::remove(path);
        return 1;
    }
    return 0;
}
