// Live editing soak: plays a copy of the example demo in live mode for a
// given number of minutes while saving its files as a person editing does,
// and prints what the player holds as the saves go by: resident memory per
// save, GL objects, open files, and how long each save took to show.
//
//   bench_live_soak [MINUTES] [--saves KINDS] [PLAYER_OPTION...]
//
// (default 2 minutes, --live). Needs a display (xvfb-run works) and xdotool.
// About every 0.6 s it saves one file of the copy, its kind taken in turn
// from KINDS (default STSIBTSTID): S a fragment shader, T a text track
// (tracks/NAME.txt), B a track file (sync_fstr_val.track, whose text is left
// out of the copy), I an image, D demo.json; "--saves S" saves shaders only,
// to tell which kind of save holds memory. Every other save writes a
// temporary file and renames it into place, as many editors do. Every eighth
// save of a kind is broken (a shader or a track text that does not parse, a
// track file cut short, an image that is not one, demo.json with a syntax
// error), and the next save of that kind mends it. After two saves of three it
// presses one of live mode's keys (beats, scenes, the loop, Tab, pause). Each
// save waits for the player to show it: its "Reloaded" line, or the error
// line that names the broken file.
//
// The player runs with bench/libplayer_probe.so preloaded, which counts the
// GL objects it holds and reads its heap. After every save the driver reads
// the player's resident memory (VmRSS), its open files, that count and the
// heap's bytes in use. Bytes per save is the slope of a straight line through
// the samples after the first quarter of the run (the player and Mesa build
// their caches first): the heap's slope says what the program holds on to,
// resident memory's also moves with how the allocator keeps its pages.
//
// Finds the player beside its own build directory, or in
// $DEMOPLAYER_BINARY_DIR. Main thread, and one thread reading the player's
// output; the copy lives in a scratch folder removed at the end.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "BenchCommandLine.h"
#include "ScratchDir.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kSavePeriod = std::chrono::milliseconds(600);
constexpr auto kShowTimeout = std::chrono::seconds(20);
constexpr const char* kDefaultSaves = "STSIBTSTID";
// The track whose file, not its text, is its source in the copy.
constexpr const char* kBinaryTrack = "fstr_val";
const char* const kKeys[] = {"period",       "comma",     "Next", "Prior", "Home",  "bracketleft", "period",
                             "bracketright", "backslash", "Tab",  "Tab",   "space", "space"};

double milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5)];
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The player's output, line by line, as it arrives.
class PlayerOutput {
public:
    struct Line {
        bool error; // standard error
        std::string text;
    };

    // Reads `out` and `err` until both close.
    void readFrom(int out, int err)
    {
        reader_ = std::thread([this, out, err] { run(out, err); });
    }

    void join()
    {
        if (reader_.joinable())
            reader_.join();
    }

    std::size_t count() const
    {
        std::lock_guard<std::mutex> guard(lock_);
        return lines_.size();
    }

    // Waits until a line from `from` on satisfies `wanted`; its index, or -1
    // after `timeout`.
    long waitFor(std::size_t from, const std::function<bool(const Line&)>& wanted, Clock::duration timeout)
    {
        std::unique_lock<std::mutex> guard(lock_);
        const Clock::time_point deadline = Clock::now() + timeout;
        for (std::size_t next = from;;) {
            for (; next < lines_.size(); ++next)
                if (wanted(lines_[next]))
                    return static_cast<long>(next);
            if (closed_ || arrived_.wait_until(guard, deadline) == std::cv_status::timeout)
                return -1;
        }
    }

private:
    void run(int out, int err)
    {
        pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
        std::string partial[2];
        int open = 2;
        while (open > 0 && poll(fds, 2, -1) > 0) {
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0)
                    continue;
                char buffer[4096];
                const ssize_t count = read(fds[i].fd, buffer, sizeof buffer);
                if (count <= 0) {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                    continue;
                }
                partial[i].append(buffer, static_cast<std::size_t>(count));
                std::lock_guard<std::mutex> guard(lock_);
                for (std::size_t end; (end = partial[i].find('\n')) != std::string::npos;) {
                    lines_.push_back({i == 1, partial[i].substr(0, end)});
                    partial[i].erase(0, end + 1);
                }
                arrived_.notify_all();
            }
        }
        std::lock_guard<std::mutex> guard(lock_);
        closed_ = true;
        arrived_.notify_all();
    }

    mutable std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<Line> lines_;
    bool closed_ = false;
    std::thread reader_;
};

// What the player holds after one save.
struct Sample {
    double residentBytes = 0.0;
    int openFiles = 0;
    long glObjects = -1; // -1: not known (no count written yet)
    std::string glDetail;
    double heapBytes = 0.0; // handed out by malloc and not freed
};

Sample sampleOf(pid_t player, const fs::path& probeFile)
{
    Sample sample;
    std::ifstream status("/proc/" + std::to_string(player) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            sample.residentBytes = 1024.0 * std::atof(line.c_str() + 6);
    std::error_code error;
    for (fs::directory_iterator it("/proc/" + std::to_string(player) + "/fd", error), end; !error && it != end;
         it.increment(error))
        ++sample.openFiles;
    const std::string probed = readFile(probeFile);
    const std::size_t total = probed.find("total");
    const std::size_t heap = probed.find("heap");
    if (total != std::string::npos && heap != std::string::npos) {
        sample.glObjects = std::atol(probed.c_str() + total + 5);
        sample.glDetail = probed.substr(0, total);
        sample.heapBytes = std::atof(probed.c_str() + heap + 4);
    }
    return sample;
}

// One file of the demo that the soak saves, with its first content.
struct SavedFile {
    std::string name;
    std::string original;
    char kind; // as in KINDS
};

// Writes `bytes` to `path`: in place, or into a temporary file renamed over it.
void save(const fs::path& path, const std::string& bytes, bool byRename)
{
    const fs::path written = byRename ? path.parent_path() / (".soak-" + path.filename().string()) : path;
    {
        std::ofstream out(written, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    if (byRename)
        fs::rename(written, path);
}

std::string commandOutput(const std::string& command)
{
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            text += buffer;
        pclose(pipe);
    }
    return text.substr(0, text.find('\n'));
}

// The player, started in `demo` with `options`, its output read as it comes.
pid_t startPlayer(const fs::path& player, const fs::path& demo, const std::vector<std::string>& options,
                  const fs::path& preload, const fs::path& probeFile, PlayerOutput& output)
{
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        close(out[0]);
        close(err[0]);
        close(out[1]);
        close(err[1]);
        setenv("LD_PRELOAD", preload.c_str(), 1);
        setenv("DEMOPLAYER_PROBE", probeFile.c_str(), 1);
        // Mesa's shader cache as a person has it, but in the scratch folder.
        setenv("MESA_SHADER_CACHE_DIR", (demo.parent_path() / "mesa-shader-cache").c_str(), 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        std::vector<std::string> arguments = {player.string()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back("--size");
        arguments.push_back("480x270");
        arguments.push_back(demo.string());
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(&argument[0]);
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    output.readFrom(out[0], err[0]);
    return child;
}

void printLatencies(const char* what, const std::vector<double>& latencies)
{
    if (latencies.empty())
        return;
    std::printf("  %-22s %5zu saves: median %6.0f ms, p95 %6.0f ms, max %6.0f ms\n", what, latencies.size(),
                percentile(latencies, 0.5), percentile(latencies, 0.95),
                *std::max_element(latencies.begin(), latencies.end()));
}

// Least-squares slope of `values` against their index.
double slope(const std::vector<double>& values)
{
    const double n = static_cast<double>(values.size());
    if (values.size() < 2)
        return 0.0;
    double sumX = 0, sumY = 0, sumXY = 0, sumXX = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double x = static_cast<double>(i);
        sumX += x;
        sumY += values[i];
        sumXY += x * values[i];
        sumXX += x * x;
    }
    return (n * sumXY - sumX * sumY) / (n * sumXX - sumX * sumX);
}

const char* const kHelp =
    "MINUTES: how long to play (default 2); --saves KINDS: which files are saved, in turn, letters\n"
    "S shader, T text track, B track file, I image, D demo.json (default STSIBTSTID); PLAYER_OPTION:\n"
    "the player's options (default --live). Prints, as the saves go by, resident memory per save,\n"
    "GL objects, open files and how long each save took to show. Needs an X display and xdotool.\n";

} // namespace

int main(int argc, char** argv)
{
    // The player's options pass through, so the shared command line only
    // answers --help and reads MINUTES; the rest is read here.
    const BenchCommandLine arguments(argc, argv, "bench_live_soak", "[MINUTES] [--saves KINDS] [PLAYER_OPTION...]",
                                     kHelp, 0, BenchCommandLine::Options::PassThrough);
    const bool hasMinutes = arguments.has(0) && !BenchCommandLine::isOption(arguments.text(0));
    const double minutes = hasMinutes ? arguments.number(0, "MINUTES", 2.0, 0.01) : 2.0;
    std::vector<std::string> options(argv + (hasMinutes ? 2 : 1), argv + argc);
    std::string kinds = kDefaultSaves;
    if (!options.empty() && options[0] == "--saves") {
        if (options.size() < 2)
            arguments.refuse("--saves needs KINDS");
        kinds = options[1];
        options.erase(options.begin(), options.begin() + 2);
    }
    if (kinds.empty() || kinds.find_first_not_of("STBID") != std::string::npos)
        arguments.refuse("KINDS must be letters of STBID, not '" + kinds + "'");
    if (options.empty())
        options.push_back("--live");
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "bench_live_soak: needs an X display (run it under xvfb-run)\n");
        return 1;
    }
    const char* binaryDir = std::getenv("DEMOPLAYER_BINARY_DIR");
    const fs::path binaries = binaryDir != nullptr && binaryDir[0] != '\0'
                                  ? fs::path(binaryDir)
                                  : fs::read_symlink("/proc/self/exe").parent_path().parent_path();
    const fs::path example = binaries / "example";
    const fs::path preload = binaries / "bench" / "libplayer_probe.so";
    if (!fs::exists(example / "demo.json") || !fs::exists(preload)) {
        std::fprintf(stderr, "bench_live_soak: needs %s and %s (build the example and the bench)\n", example.c_str(),
                     preload.c_str());
        return 1;
    }

    // The copy: the example's files (its shaders are links into the sources)
    // and the text tracks beside its sources, the tracks' source in live mode.
    ScratchDir scratch;
    const fs::path demo = fs::path(scratch.path()) / "demo";
    fs::create_directories(demo / "tracks");
    for (const fs::directory_entry& entry : fs::directory_iterator(example))
        fs::copy_file(entry.path(), demo / entry.path().filename());
    const fs::path sources = fs::canonical(example / "demo.json").parent_path();
    for (const fs::directory_entry& entry : fs::directory_iterator(sources / "tracks"))
        if (entry.path().stem() != kBinaryTrack)
            fs::copy_file(entry.path(), demo / "tracks" / entry.path().filename());

    const nlohmann::json description = nlohmann::json::parse(readFile(demo / "demo.json"));
    std::vector<SavedFile> files;
    for (const nlohmann::json& shader : description.at("shaders"))
        files.push_back({shader.at("fragmentsrc").get<std::string>(), "", 'S'});
    files.push_back({"AA.fsh", "", 'S'});
    for (const fs::directory_entry& entry : fs::directory_iterator(demo / "tracks"))
        files.push_back({"tracks/" + entry.path().filename().string(), "", 'T'});
    for (const fs::directory_entry& entry : fs::directory_iterator(demo))
        if (entry.path().extension() == ".png")
            files.push_back({entry.path().filename().string(), "", 'I'});
    files.push_back({std::string("sync_") + kBinaryTrack + ".track", "", 'B'});
    files.push_back({"demo.json", "", 'D'});
    for (SavedFile& file : files)
        file.original = readFile(demo / file.name);

    PlayerOutput output;
    const fs::path probeFile = fs::path(scratch.path()) / "probe";
    const pid_t player = startPlayer(binaries / "demoplayer", demo, options, preload, probeFile, output);
    auto text = [](const char* wanted) {
        return [wanted](const PlayerOutput::Line& line) { return line.text.find(wanted) != std::string::npos; };
    };
    if (player < 0 || output.waitFor(0, text("live: row"), std::chrono::seconds(60)) < 0) {
        std::fprintf(stderr, "bench_live_soak: the player did not start playing\n");
        return 1;
    }
    const std::string window = commandOutput("xdotool search --sync --name '^" +
                                             description.at("name").get<std::string>() + "$'");
    if (!window.empty())
        std::system(("xdotool windowfocus --sync " + window + " 2>/dev/null").c_str());

    std::map<std::string, std::vector<double>> latencies; // by what was saved
    std::vector<Sample> samples;
    int missed = 0, renamed = 0, keys = 0, broken = 0;
    std::map<char, std::size_t> next;  // the next file of each kind
    std::map<char, SavedFile*> toMend; // of each kind, the file its latest save broke
    std::map<char, int> savesOfKind;
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(60.0 * minutes));
    Clock::time_point due = start;
    for (int saveIndex = 0; Clock::now() < end; ++saveIndex) {
        std::this_thread::sleep_until(due);
        due = std::max(Clock::now(), due + kSavePeriod);

        const char kind = kinds[static_cast<std::size_t>(saveIndex) % kinds.size()];
        std::vector<SavedFile*> ofKind;
        for (SavedFile& file : files)
            if (file.kind == kind)
                ofKind.push_back(&file);
        // A broken file is mended by the next save of its kind.
        SavedFile& file = toMend[kind] != nullptr ? *toMend[kind] : *ofKind[next[kind]++ % ofKind.size()];
        const bool breakIt = toMend[kind] == nullptr && ++savesOfKind[kind] % 8 == 0;
        toMend[kind] = breakIt ? &file : nullptr;
        const std::string error = "\nsoak error " + std::to_string(saveIndex) + "\n";
        std::string bytes = file.original;
        if (kind == 'S')
            bytes += breakIt ? error : "\n// soak save " + std::to_string(saveIndex) + "\n";
        else if (kind == 'T')
            bytes += breakIt ? error : "\n# soak save " + std::to_string(saveIndex) + "\n";
        else if (kind == 'B' && breakIt)
            bytes.resize(3);
        else if (kind == 'I' && breakIt)
            bytes = error;
        else if (kind == 'D')
            bytes += breakIt ? error : std::string(static_cast<std::size_t>(saveIndex % 2), '\n');

        const bool byRename = saveIndex % 2 == 1;
        const std::size_t before = output.count();
        const Clock::time_point saved = Clock::now();
        save(demo / file.name, bytes, byRename);
        renamed += byRename;
        broken += breakIt;
        const long shown = output.waitFor(
            before,
            [&](const PlayerOutput::Line& line) {
                if (line.text.find(file.name) == std::string::npos)
                    return false;
                // An image that does not decode is named, then reloaded as one black texel.
                if (breakIt && kind != 'I')
                    return line.error;
                return line.error ? breakIt : line.text.rfind("Reloaded ", 0) == 0;
            },
            kShowTimeout);
        if (shown < 0) {
            ++missed;
            std::fprintf(stderr, "bench_live_soak: save %d of %s not shown within %lld s\n", saveIndex,
                         file.name.c_str(), static_cast<long long>(kShowTimeout.count()));
        } else {
            const std::string what = kind == 'S'   ? "shader"
                                     : kind == 'T' ? "text track"
                                     : kind == 'B' ? "track file"
                                     : kind == 'I' ? "image"
                                                   : "demo.json";
            latencies[breakIt ? what + ", broken" : what].push_back(milliseconds(Clock::now() - saved));
        }
        samples.push_back(sampleOf(player, probeFile));

        if (!window.empty() && saveIndex % 3 != 2) {
            std::system(("xdotool key " + std::string(kKeys[keys % (sizeof kKeys / sizeof kKeys[0])]) + " 2>/dev/null")
                            .c_str());
            ++keys;
        }
    }
    const double elapsedMinutes = std::chrono::duration<double>(Clock::now() - start).count() / 60.0;

    if (!window.empty())
        std::system("xdotool key Escape 2>/dev/null");
    int status = 0;
    for (int tries = 0; tries < 100 && waitpid(player, &status, WNOHANG) == 0; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (waitpid(player, &status, WNOHANG) == 0) {
        kill(player, SIGKILL);
        waitpid(player, &status, 0);
    }
    output.join();

    if (samples.size() < 8) {
        std::fprintf(stderr, "bench_live_soak: too few saves to measure (%zu)\n", samples.size());
        return 1;
    }
    const std::size_t warm = samples.size() / 4;
    std::vector<double> resident, heap;
    for (std::size_t i = warm; i < samples.size(); ++i) {
        resident.push_back(samples[i].residentBytes);
        heap.push_back(samples[i].heapBytes);
    }
    const Sample& first = samples.front();
    const Sample& last = samples.back();
    std::printf("live soak: %.1f minutes, %zu saves (%d by rename, %d broken), %d keys; player options:",
                elapsedMinutes, samples.size(), renamed, broken, keys);
    for (const std::string& option : options)
        std::printf(" %s", option.c_str());
    std::printf("\nresident memory: %.1f MB after the first save, %.1f MB after save %zu, %.1f MB at the end\n",
                first.residentBytes / 1e6, samples[warm].residentBytes / 1e6, warm, last.residentBytes / 1e6);
    std::printf("heap in use: %.1f MB after the first save, %.1f MB after save %zu, %.1f MB at the end\n",
                first.heapBytes / 1e6, samples[warm].heapBytes / 1e6, warm, last.heapBytes / 1e6);
    std::printf(
        "bytes per save after save %zu: heap %.0f, resident %.0f (slopes of straight lines through %zu "
        "samples)\n",
        warm, slope(heap), slope(resident), resident.size());
    std::printf("GL objects: %ld after the first save, %ld at the end\n", first.glObjects, last.glObjects);
    std::printf("  at the end: %s\n", last.glDetail.c_str());
    std::printf("open files: %d after the first save, %d at the end\n", first.openFiles, last.openFiles);
    std::printf("save to shown (the Reloaded or error line):\n");
    for (const auto& entry : latencies)
        printLatencies(entry.first.c_str(), entry.second);
    std::printf("saves not shown within %lld s: %d; player's exit status %d\n",
                static_cast<long long>(kShowTimeout.count()), missed,
                WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return missed == 0 ? 0 : 1;
}
