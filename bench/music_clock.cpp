// Smoothness of the music clock as the frame loop sees it.
//
// Plays a 10-second tune, reads the position every 2 ms for 5 s and prints
// the 50th and 99th percentiles and the largest value of
// |change in position - change in wall time| per read, and the number of
// backward steps. Statistics start with the first read after the clock began
// to move (the wait until the device plays its first buffer is printed
// apart). Target: 99th percentile under 1 ms, no backward step.
// Uses SDL's dummy driver unless SDL_AUDIODRIVER says otherwise.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "BenchCommandLine.h"
#include "OggTestFile.h"
#include "timeline/MusicStream.h"

int main(int argc, char** argv)
{
    BenchCommandLine(
        argc, argv, "bench_music_clock", "",
        "Smoothness of the music clock: p50, p99 and the largest |change in position - change\nin wall time| per read, "
        "read every 2 ms for 5 s, and backward steps (target: p99\nunder 1 ms, none backward).\n",
        0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    OggTestFile tune(OggSignal{10.0, 44100, 2, 440.0, 0.5});
    MusicStream stream;
    if (!tune.written() || !stream.open(tune.path().c_str()))
        return 1;

    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::milliseconds(2);
    const auto start = Clock::now();
    stream.play();

    std::vector<double> deviationsMs;
    int backwardSteps = 0;
    double startupMs = -1.0;
    uint64_t previousBytes = stream.positionBytes();
    Clock::time_point previousTime = Clock::now();
    for (auto next = start + period; next < start + std::chrono::seconds(5); next += period) {
        std::this_thread::sleep_until(next);
        uint64_t bytes = stream.positionBytes();
        Clock::time_point now = Clock::now();
        if (bytes < previousBytes)
            ++backwardSteps;
        if (startupMs >= 0.0) {
            double positionMs = 1000.0 * (stream.bytesToSeconds(bytes) - stream.bytesToSeconds(previousBytes));
            double wallMs = std::chrono::duration<double, std::milli>(now - previousTime).count();
            deviationsMs.push_back(std::abs(positionMs - wallMs));
        } else if (bytes != previousBytes) {
            startupMs = std::chrono::duration<double, std::milli>(now - start).count();
        }
        previousBytes = bytes;
        previousTime = now;
    }
    if (deviationsMs.empty()) {
        std::fprintf(stderr, "music_clock: the clock never moved\n");
        return 1;
    }
    std::sort(deviationsMs.begin(), deviationsMs.end());
    auto percentile = [&](double p) { return deviationsMs[static_cast<size_t>(p * (deviationsMs.size() - 1))]; };
    std::printf("clock started %.1f ms after play\n", startupMs);
    std::printf("%zu reads every 2 ms: |d position - d wall time| p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                deviationsMs.size(), percentile(0.50), percentile(0.99), deviationsMs.back());
    std::printf("backward steps: %d (target: p99 under 1 ms, no backward step)\n", backwardSteps);
    return 0;
}
