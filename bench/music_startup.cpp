// Start-up time and memory of the music stream against the tune's length.
//
// Encodes a 10-second and a 10-minute tune, then opens and starts each one in
// a fresh child process (so neither inherits the other's memory), several
// times, and prints the median time of open + play and the growth of the
// resident set. The stream decodes as it plays, so the 10-minute tune should
// cost the same: target under 20 ms and under 5 MB more than the short one.
// Uses SDL's dummy driver unless SDL_AUDIODRIVER says otherwise.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchCommandLine.h"
#include "OggTestFile.h"
#include "timeline/MusicStream.h"

namespace {

struct Measurement {
    double openMs = 0.0;   // open + play
    double growthMb = 0.0; // resident set after 300 ms of playing, less before open
};

double residentMb()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kb = 0.0;
            status >> kb;
            return kb / 1024.0;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0.0;
}

Measurement measureInChild(const std::string& path)
{
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        Measurement m;
        double before = residentMb();
        auto start = std::chrono::steady_clock::now();
        MusicStream stream;
        bool opened = stream.open(path.c_str());
        stream.play();
        m.openMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        m.growthMb = residentMb() - before;
        stream.release();
        if (!opened)
            m.openMs = -1.0;
        ssize_t written = write(channel[1], &m, sizeof m);
        _exit(written == static_cast<ssize_t>(sizeof m) ? 0 : 1);
    }
    close(channel[1]);
    Measurement m;
    if (read(channel[0], &m, sizeof m) != static_cast<ssize_t>(sizeof m))
        m.openMs = -1.0;
    close(channel[0]);
    waitpid(child, nullptr, 0);
    return m;
}

Measurement median(const std::string& path, int runs)
{
    std::vector<double> times, growths;
    for (int i = 0; i < runs; ++i) {
        Measurement m = measureInChild(path);
        times.push_back(m.openMs);
        growths.push_back(m.growthMb);
    }
    std::sort(times.begin(), times.end());
    std::sort(growths.begin(), growths.end());
    return {times[times.size() / 2], growths[growths.size() / 2]};
}

} // namespace

int main(int argc, char** argv)
{
    BenchCommandLine(argc, argv, "bench_music_startup", "",
                     "Median open + play time and resident-set growth of a 10-second and a 10-minute tune,\neach in "
                     "fresh child processes (target: under 20 ms and under 5 MB more for the long one).\n",
                     0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const int runs = 5;

    auto encodeStart = std::chrono::steady_clock::now();
    OggTestFile shortTune(OggSignal{10.0, 44100, 2, 440.0, 0.5});
    OggTestFile longTune(OggSignal{600.0, 44100, 2, 440.0, 0.5});
    if (!shortTune.written() || !longTune.written()) {
        std::fprintf(stderr, "music_startup: cannot write the test tunes\n");
        return 1;
    }
    std::printf("encoded both tunes in %.1f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - encodeStart).count());

    Measurement shortRun = median(shortTune.path(), runs);
    Measurement longRun = median(longTune.path(), runs);
    std::printf("median of %d runs, each in a fresh process:\n", runs);
    std::printf("  %-8s open+play %7.2f ms   resident growth %6.2f MB\n", "10 s", shortRun.openMs, shortRun.growthMb);
    std::printf("  %-8s open+play %7.2f ms   resident growth %6.2f MB\n", "10 min", longRun.openMs, longRun.growthMb);
    std::printf("10 min costs %+.2f ms and %+.2f MB more than 10 s (target: under 20 ms, under 5 MB)\n",
                longRun.openMs - shortRun.openMs, longRun.growthMb - shortRun.growthMb);
    return 0;
}
