// Whole-program start-up: the time from launching demoplayer in the test demo
// (tests/e2e/demo, its tracks made with synctrack and a tune with tonefile)
// to its first frame on screen, beside what cannot be avoided, measured in
// the same run: compiling and linking each of its programs, first drawing
// those its first frame draws (llvmpipe generates a shader's code at its
// first draw) and decoding its images. For scale it also launches an empty
// window (this program again, with the player's window, context and
// extension loader, swapping once): the floor that any GL program on this
// display pays before its first frame.
//
// What lies beyond the empty window, the shaders and the images (target: at
// most 5 % of those) is broken down by step, from the moments the player's
// account shows and from launches that only load a program: the player with
// --version, the empty window's program with nothing to do. The shaders and
// the images are measured in this process and, for the whole, once more in
// a program launched like the player: the empty window that compiles and
// first draws the demo's programs and decodes its images before its swap
// (a new process pays the shader compiler's first use). Then the same for
// a one-pass demo (a plasma and a copy final pass), with the pieces of its
// start-up measured on their own in this process: the audio device, the
// music's open, the shader builds and the render targets.
//
//   build/release/bench/bench_startup [RUNS [OTHER_PLAYER]]   (default 20 runs; needs $DISPLAY)
//
// OTHER_PLAYER, a second demoplayer (say, a build of main's commit, with its
// own libraries), is launched in turn with this build's, so that the two are
// compared in one run under the same load. The player's first frame counts as
// shown when it writes anything after that frame's "fstr_val" line: the next
// frame begins only after the swap. Mesa's shader disk cache is off for every
// measurement, so every run compiles. Finds the player and the tools beside
// its own build directory, or in $DEMOPLAYER_BINARY_DIR; the demo in the
// source tree it was built from, or in $DEMOPLAYER_SOURCE_DIR.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <stb_image.h>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "BenchCommandLine.h"
#include "GlTestContext.h"
#include "ScratchDir.h"
#include "TestFiles.h"
#include "render/Camera.h"
#include "render/QuadMesh.h"
#include "render/ShaderProgram.h"
#include "render/RenderTargets.h"
#include "render/VertexArrayObject.h"
#include "timeline/AudioOutput.h"
#include "timeline/MusicStream.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

fs::path directoryFromEnvironment(const char* name, const fs::path& fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? fs::path(value) : fallback;
}

// Runs `command` (a shell command line); false when it fails.
bool run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

std::string quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

// The test demo in `dir`: copied files, tracks encoded, a 20-second tune.
bool makeDemo(const fs::path& source, const fs::path& binaries, const fs::path& dir)
{
    for (const fs::directory_entry& file : fs::directory_iterator(source / "tests/e2e/demo")) {
        fs::copy_file(file.path(), dir / file.path().filename());
        if (file.path().extension() == ".txt" && file.path().filename().string().rfind("sync_", 0) == 0) {
            fs::path track = dir / file.path().filename();
            track.replace_extension(".track");
            if (!run(quoted(binaries / "synctrack") + " encode " + quoted(file.path()) + " " + quoted(track)))
                return false;
        }
    }
    return run(quoted(binaries / "tonefile") + " " + quoted(dir / "tune.ogg") + " 20");
}

// The one-pass demo in `dir`: a plasma drawn into its one target and a copy
// of it as the final pass, a 20-second tune and no tracks (scene 0 throughout).
bool makeOnePassDemo(const fs::path& source, const fs::path& binaries, const fs::path& dir)
{
    fs::copy_file(source / "tests/e2e/demo/test.vsh", dir / "test.vsh");
    std::ofstream(dir / "AA.fsh") << "#version 330\n"
                                     "uniform sampler2D finalTarget;\n"
                                     "uniform vec2 iResolution;\n"
                                     "out vec4 colour;\n"
                                     "void main() { colour = texture(finalTarget, gl_FragCoord.xy / iResolution); }\n";
    std::ofstream(dir / "plasma.fsh")
        << "#version 330\n"
           "uniform vec2 iResolution;\n"
           "uniform float iGlobalTime;\n"
           "out vec4 colour;\n"
           "void main()\n"
           "{\n"
           "    vec2 p = gl_FragCoord.xy / iResolution * 8.0 - 4.0;\n"
           "    float t = iGlobalTime;\n"
           "    float v = sin(p.x + t) + sin((p.y + t) * 0.5) + sin((p.x + p.y + t) * 0.5);\n"
           "    vec2 c = p + 2.0 * vec2(sin(t / 3.0), cos(t / 2.0));\n"
           "    v = 0.5 * (v + sin(sqrt(dot(c, c) + 1.0) + t));\n"
           "    colour = vec4(0.5 + 0.5 * sin(3.14159 * v), 0.5 + 0.5 * sin(3.14159 * v + 2.094),\n"
           "                  0.5 + 0.5 * sin(3.14159 * v + 4.189), 1.0);\n"
           "}\n";
    std::ofstream(dir / "demo.json") << R"({"name": "one pass", "fullscreen": false,
  "shaders": [{"name": "plasma", "vertexsrc": "test.vsh", "fragmentsrc": "plasma.fsh"}],
  "scenes": [{"id": "plasma", "shader_order": [{"pass_order": 0, "shader_id": 0}]}]}
)";
    return run(quoted(binaries / "tonefile") + " " + quoted(dir / "tune.ogg") + " 20");
}

// What a launched program's standard output shows, in the order it shows it.
using Mark = bool (*)(const std::string& output);

// The player has read its description: its first line of the account. Before
// it: the program loaded, the window made, the tracks read, demo.json parsed.
bool playerDescribed(const std::string& output)
{
    return output.find("Demos name") != std::string::npos;
}

// The account's separator: the programs built, the images decoded, the music
// open and the final pass built.
bool playerBuilt(const std::string& output)
{
    return output.find("\n----------------\n") != std::string::npos;
}

// The first frame's status lines: the quads made, the start-up checks done,
// the music started and the frame's values read. Its drawing follows.
bool playerReported(const std::string& output)
{
    const std::size_t row = output.find("\nrow");
    return row != std::string::npos && output.find('\n', row + 1) != std::string::npos;
}

// The player's first frame is drawn and swapped: it writes anything after that
// frame's "fstr_val" line, as the next frame begins only after the swap.
bool playerShowedAFrame(const std::string& output)
{
    const std::size_t fstr = output.find("\nfstr_val");
    if (fstr == std::string::npos)
        return false;
    const std::size_t lineEnd = output.find('\n', fstr + 1);
    return lineEnd != std::string::npos && output.size() > lineEnd + 1;
}

// The empty window has swapped.
bool emptyWindowShowedAFrame(const std::string& output)
{
    return output.find("swapped\n") != std::string::npos;
}

// What one launch showed.
struct Launched {
    std::vector<double> moments; // ms from the launch to each mark; empty when not all were seen
    double processorMs = 0.0;    // the program's processor time (all its threads) until it was killed
};

// Launches `program` (with `argument`, unless null) in `dir` and measures the
// milliseconds until its standard output first satisfied each of `marks`, in
// order; with no marks, until the program exited. The program is then killed.
Launched launch(const fs::path& program, const char* argument, const fs::path& dir, const std::vector<Mark>& marks)
{
    Launched launched;
    int output[2];
    if (pipe(output) != 0)
        return launched;
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        dup2(output[1], STDOUT_FILENO);
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDERR_FILENO);
        close(output[0]);
        if (chdir(dir.c_str()) == 0)
            execl(program.c_str(), program.c_str(), argument, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(output[1]);

    std::vector<double> times;
    std::string text;
    char buffer[4096];
    pollfd readable{output[0], POLLIN, 0};
    while (times.size() < std::max<std::size_t>(marks.size(), 1) && poll(&readable, 1, 60000) > 0) {
        const ssize_t count = read(output[0], buffer, sizeof buffer);
        if (count <= 0) {
            if (marks.empty())
                times.push_back(millisecondsSince(start));
            break;
        }
        text.append(buffer, static_cast<std::size_t>(count));
        const double now = millisecondsSince(start);
        while (times.size() < marks.size() && marks[times.size()](text))
            times.push_back(now);
    }
    kill(child, SIGKILL);
    rusage usage{};
    wait4(child, nullptr, 0, &usage);
    close(output[0]);
    if (times.size() == std::max<std::size_t>(marks.size(), 1))
        launched.moments = times;
    launched.processorMs = 1e3 * (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                           1e-3 * (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    return launched;
}

// Runs `work` with standard output sent to /dev/null (the shader and mesh
// code report every step there).
template <class Work> void quietly(Work work)
{
    std::fflush(stdout);
    std::cout.flush();
    const int saved = dup(STDOUT_FILENO);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, STDOUT_FILENO);
    close(devNull);
    work();
    std::fflush(stdout);
    std::cout.flush();
    dup2(saved, STDOUT_FILENO);
    close(saved);
}

// Milliseconds to compile, link and first draw the program of `vertexPath`
// and `fragmentPath`, as the player's start-up and first frame do.
// Without `draw`, compiled and linked only.
double compileAndFirstDraw(const std::string& vertexPath, const std::string& fragmentPath, bool draw = true)
{
    double elapsed = 0.0;
    quietly([&] {
        const Clock::time_point start = Clock::now();
        const ShaderProgram program =
            render::buildShaderProgram(vertexPath, fragmentPath, BuildReport::Console).program;
        VertexArrayObject quad(0, kQuadPositions, kQuadTexCoords, kQuadIndices, kQuadVertexCount, kQuadTexCoordCount,
                               kQuadIndexCount);
        quad.bindAttributes(program);
        if (draw) {
            Camera camera(45.0f, float(gltest::kWindowWidth) / float(gltest::kWindowHeight), 0.01f, 100.0f);
            camera.setPosition(0.0f, 0.0f, 4.0f);
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            quad.draw(camera);
        }
        glFinish();
        elapsed = millisecondsSince(start);
    });
    return elapsed;
}

// Milliseconds to compile the demo's programs and decode its images once,
// and to draw once the programs the first frame draws (the final pass and the
// first scene's: both demos stay in their first scene): llvmpipe generates a
// program's code at its first draw, which the player pays for the others only
// when their scene comes.
double unavoidableParts(const fs::path& demo)
{
    std::ifstream file(demo / "demo.json");
    const nlohmann::json description = nlohmann::json::parse(file);
    std::vector<bool> drawnFirst(description.at("shaders").size(), false);
    for (const nlohmann::json& pass : description.at("scenes").at(0).at("shader_order"))
        drawnFirst.at(pass.at("shader_id").get<std::size_t>()) = true;
    double total = compileAndFirstDraw("test.vsh", "AA.fsh");
    for (std::size_t i = 0; i < drawnFirst.size(); ++i) {
        const nlohmann::json& shader = description.at("shaders").at(i);
        total += compileAndFirstDraw(shader.at("vertexsrc"), shader.at("fragmentsrc"), drawnFirst[i]);
    }
    for (const nlohmann::json& scene : description.at("scenes")) {
        if (!scene.contains("textures"))
            continue;
        for (const nlohmann::json& texture : scene.at("textures")) {
            const Clock::time_point start = Clock::now();
            int width = 0, height = 0, channels = 0;
            const std::string path = texture.at("src");
            stbi_uc* pixels = stbi_load(path.c_str(), &width, &height, &channels, 4);
            stbi_image_free(pixels);
            total += millisecondsSince(start);
        }
    }
    return total;
}

// Where a start-up's time goes, measured piece by piece in this process.
struct StartupParts {
    double audioDevice = 0.0;  // opening and closing the default output device alone
    double musicOpen = 0.0;    // MusicStream::open of the tune: file, decoder, spectrum reader and device
    double shaderBuilds = 0.0; // the final pass's and the demo's programs, compiled, linked and first drawn
    double targets = 0.0;      // the render targets the demo needs, made and first cleared
};

void silentFill(void*, int16_t* samples, int frames)
{
    std::fill(samples, samples + 2 * frames, int16_t{0});
}

StartupParts measureParts(const fs::path& demo)
{
    StartupParts parts;
    Clock::time_point start = Clock::now();
    {
        AudioOutput output;
        output.open(44100, 2, 1024, &silentFill, nullptr, AudioFallback::Dummy);
        parts.audioDevice = millisecondsSince(start);
        output.close();
    }

    start = Clock::now();
    {
        MusicStream music;
        music.open((demo / "tune.ogg").c_str());
        parts.musicOpen = millisecondsSince(start);
    }

    std::ifstream file(demo / "demo.json");
    const nlohmann::json description = nlohmann::json::parse(file);
    parts.shaderBuilds = compileAndFirstDraw("test.vsh", "AA.fsh");
    for (const nlohmann::json& shader : description.at("shaders"))
        parts.shaderBuilds += compileAndFirstDraw(shader.at("vertexsrc"), shader.at("fragmentsrc"));

    start = Clock::now();
    {
        RenderTargets targets(gltest::kWindowWidth, gltest::kWindowHeight, gltest::kWindowWidth, gltest::kWindowHeight,
                              static_cast<int>(description.at("scenes").at(0).at("shader_order").size()));
        for (int i = 0; i < targets.count(); ++i) {
            glBindFramebuffer(GL_FRAMEBUFFER, targets.framebuffer(i));
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, targets.colourTexture(i), 0);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glFinish();
        parts.targets = millisecondsSince(start);
    }
    return parts;
}

// The empty window: the player's display mode, window size, context and
// extension loader, one cleared frame swapped, then waiting to be killed.
// With `unavoidable`, the floor of the demo in the working directory: before
// the swap, its programs compiled and first drawn and its images decoded,
// while its tune opens on a thread of its own, as the player opens it.
int runEmptyWindow(int argc, char** argv, bool unavoidable)
{
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT));
    glutInitContextVersion(3, 1);
    glutInitContextProfile(GLUT_CORE_PROFILE);
    glutCreateWindow("");
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK)
        return 1;
    // The player opens the audio device and the tune on a thread of its own
    // while its shaders build; so does the floor of a demo.
    MusicStream music;
    if (unavoidable) {
        std::thread opener([&music] { music.open("tune.ogg"); });
        unavoidableParts(".");
        opener.join();
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
    std::printf("swapped\n");
    std::fflush(stdout);
    pause();
    return 0;
}

void printFigure(const char* what, const std::vector<double>& times)
{
    std::printf("%-40s %8.1f ms  (median; min %.1f, max %.1f)\n", what, median(times),
                *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()));
}

// A launch's wall-clock time to its first frame beside its processor time.
void printLaunches(const char* what, const std::vector<double>& wall, const std::vector<double>& processor)
{
    std::printf("%-40s wall %6.1f / %6.1f / %6.1f ms   processor %6.1f / %6.1f / %6.1f ms  (min / median / max)\n",
                what, *std::min_element(wall.begin(), wall.end()), median(wall),
                *std::max_element(wall.begin(), wall.end()), *std::min_element(processor.begin(), processor.end()),
                median(processor), *std::max_element(processor.begin(), processor.end()));
}

// One player's launches of one demo, each run's moments as launch() gives
// them, and its launches with --version.
struct PlayerRuns {
    std::vector<double> described, built, reported, shown; // ms from the launch
    std::vector<double> processor;                         // ms of processor time to the first frame
    std::vector<double> loaded;                            // --version: launch to exit
};

// The empty window's runs.
struct Floor {
    std::vector<double> window;          // launch to first frame
    std::vector<double> windowProcessor; // processor time to it
    std::vector<double> emptyLoaded;     // its program with nothing to do: launch to exit
};

// A demo's floor as one program: the empty window with the demo's programs
// compiled and first drawn and its images decoded before its swap.
struct DemoFloor {
    std::vector<double> shown;     // launch to first frame
    std::vector<double> processor; // processor time to it
};

bool addLaunch(DemoFloor& runs, const Launched& launched)
{
    if (launched.moments.empty())
        return false;
    runs.shown.push_back(launched.moments[0]);
    runs.processor.push_back(launched.processorMs);
    return true;
}

bool addLaunch(PlayerRuns& runs, const Launched& launched)
{
    if (launched.moments.size() != 4)
        return false;
    runs.described.push_back(launched.moments[0]);
    runs.built.push_back(launched.moments[1]);
    runs.reported.push_back(launched.moments[2]);
    runs.shown.push_back(launched.moments[3]);
    runs.processor.push_back(launched.processorMs);
    return true;
}

// Milliseconds of processor time this process (all its threads) has used.
double processorMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return 1e3 * static_cast<double>(now.tv_sec) + 1e-6 * static_cast<double>(now.tv_nsec);
}

// Each run's `later` - `earlier`.
std::vector<double> between(const std::vector<double>& earlier, const std::vector<double>& later)
{
    std::vector<double> spans;
    for (std::size_t i = 0; i < earlier.size() && i < later.size(); ++i)
        spans.push_back(later[i] - earlier[i]);
    return spans;
}

// The start-up beyond the empty window and `unavoidable` (the demo's
// programs compiled and first drawn, its images decoded), step by step: the
// median of each run's step, less the median of the unavoidable part the
// step holds. The steps' medians need not add up to the median of the whole.
// The same in processor time, with `unavoidableProcessor`: on a machine that
// others share, it shows the work beside the waiting.
//
// Below them, the same against one fresh program doing the empty window's,
// the shaders' and the images' work before its swap, launched in turn with
// the players: it pays what a new process pays (the shader compiler's first
// use, the scheduler's treatment of a new process) as the player does, and
// opening the tune (audio device, decoder) on a thread as the player does.
// The target is about processor time: the wall clock of a launch on a shared
// machine moves with everyone else's load.
void printRest(const PlayerRuns& runs, const Floor& floor, double unavoidable, double unavoidableProcessor,
               const DemoFloor& demoFloor)
{
    const double window = median(floor.window);
    const double rest = median(runs.shown) - window - unavoidable;
    std::printf("  %-58s %7.1f ms = %.1f %% of them (target: at most 5 %%)\n",
                "beyond the empty window, the shaders and the images", rest, 100.0 * rest / (window + unavoidable));
    const double floorProcessor = median(floor.windowProcessor) + unavoidableProcessor;
    const double restProcessor = median(runs.processor) - floorProcessor;
    std::printf("  %-58s %7.1f ms = %.1f %% of theirs\n", "  the same in processor time (all threads)", restProcessor,
                100.0 * restProcessor / floorProcessor);
    const double emptyLoaded = median(floor.emptyLoaded);
    const double playerLoaded = median(runs.loaded);
    std::printf("    %-56s %7.1f ms\n", "program and libraries loaded, beyond the empty window's",
                playerLoaded - emptyLoaded);
    std::printf("    %-56s %7.1f ms\n", "window, tracks, demo.json read, beyond the empty window",
                median(runs.described) - playerLoaded - (window - emptyLoaded));
    std::vector<double> loading = between(runs.described, runs.built);
    const std::vector<double> drawing = between(runs.reported, runs.shown);
    for (std::size_t i = 0; i < loading.size(); ++i)
        loading[i] += drawing[i];
    std::printf("    %-56s %7.1f ms\n", "programs, images, music; first frame, beyond shaders+images",
                median(loading) - unavoidable);
    std::printf("    %-56s %7.1f ms\n", "quads, start-up checks, the first frame's values",
                median(between(runs.built, runs.reported)));
    // Run by run: each launch against the one-program launch of its round.
    std::vector<double> wall, processor;
    for (std::size_t i = 0; i < runs.shown.size() && i < demoFloor.shown.size(); ++i) {
        wall.push_back(100.0 * (runs.shown[i] - demoFloor.shown[i]) / demoFloor.shown[i]);
        processor.push_back(100.0 * (runs.processor[i] - demoFloor.processor[i]) / demoFloor.processor[i]);
    }
    std::printf("  beyond one program doing the same work (launched in turn), %% of its time, min / median / max:\n");
    std::printf("    %-22s %6.1f / %6.1f / %6.1f %%   (%.1f ms beyond %.1f ms)\n", "wall clock",
                *std::min_element(wall.begin(), wall.end()), median(wall), *std::max_element(wall.begin(), wall.end()),
                median(runs.shown) - median(demoFloor.shown), median(demoFloor.shown));
    std::printf("    %-22s %6.1f / %6.1f / %6.1f %%   (%.1f ms beyond %.1f ms)  <- target: at most 5 %%\n",
                "processor (all threads)", *std::min_element(processor.begin(), processor.end()), median(processor),
                *std::max_element(processor.begin(), processor.end()),
                median(runs.processor) - median(demoFloor.processor), median(demoFloor.processor));
}

constexpr int kDefaultRuns = 20;

const char* const kHelp =
    "RUNS: launches of each kind (default 20); OTHER_PLAYER: a second demoplayer launched in turn\n"
    "with this build's. For the test demo and a one-pass demo, prints launch to first frame shown,\n"
    "the unavoidable parts measured alone, and what lies beyond one program doing the same work.\n"
    "Needs an X display (xvfb-run works).\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--empty-window")
        return runEmptyWindow(argc, argv, false);
    if (argc > 1 && std::string(argv[1]) == "--demo-floor")
        return runEmptyWindow(argc, argv, true);
    if (argc > 1 && std::string(argv[1]) == "--loaded")
        return 0;
    const BenchCommandLine arguments(argc, argv, "bench_startup", "[RUNS [OTHER_PLAYER]]", kHelp, 2);
    const int runs = arguments.wholeNumber(0, "RUNS", kDefaultRuns, 1);
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "bench_startup: needs an X display (run it under xvfb-run)\n");
        return 1;
    }
    const fs::path source = directoryFromEnvironment("DEMOPLAYER_SOURCE_DIR", DEMOPLAYER_SOURCE_TREE);
    const fs::path binaries = directoryFromEnvironment("DEMOPLAYER_BINARY_DIR",
                                                       fs::read_symlink("/proc/self/exe").parent_path().parent_path());
    std::vector<fs::path> players = {binaries / "demoplayer"};
    if (arguments.has(1))
        players.push_back(fs::absolute(arguments.text(1)));
    if (players.size() > 1 && !fs::is_regular_file(players.back()))
        arguments.refuse("OTHER_PLAYER '" + arguments.text(1) + "' is not a file");
    const fs::path self = fs::read_symlink("/proc/self/exe");
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    ScratchDir dir;
    ScratchDir onePassDir;
    if (!makeDemo(source, binaries, dir.path()) || !makeOnePassDemo(source, binaries, onePassDir.path())) {
        std::fprintf(stderr, "bench_startup: could not make the test demos\n");
        return 1;
    }

    // Every kind of launch, and the measurements in this process, take their
    // turn in each run, so other load falls on all alike.
    gltest::ensureGlContext();
    const std::vector<Mark> playerMarks = {playerDescribed, playerBuilt, playerReported, playerShowedAFrame};
    std::vector<PlayerRuns> launches(players.size()), onePassLaunches(players.size());
    Floor floor;
    DemoFloor demoFloor, onePassFloor;
    std::vector<double> parts, partsProcessor;
    std::vector<double> audioDevice, musicOpen, shaderBuilds, targets, onePassProcessor;
    for (int run = 0; run < runs; ++run) {
        bool shown = true;
        for (std::size_t p = 0; p < players.size(); ++p) {
            shown = shown && addLaunch(launches[p], launch(players[p], nullptr, dir.path(), playerMarks));
            shown = shown && addLaunch(onePassLaunches[p], launch(players[p], nullptr, onePassDir.path(), playerMarks));
            const Launched loaded = launch(players[p], "--version", dir.path(), {});
            shown = shown && !loaded.moments.empty();
            if (shown) {
                launches[p].loaded.push_back(loaded.moments[0]);
                onePassLaunches[p].loaded.push_back(loaded.moments[0]);
            }
        }
        const Launched window = launch(self, "--empty-window", dir.path(), {emptyWindowShowedAFrame});
        const Launched emptyLoaded = launch(self, "--loaded", dir.path(), {});
        shown = shown && addLaunch(demoFloor, launch(self, "--demo-floor", dir.path(), {emptyWindowShowedAFrame}));
        shown = shown &&
                addLaunch(onePassFloor, launch(self, "--demo-floor", onePassDir.path(), {emptyWindowShowedAFrame}));
        if (!shown || window.moments.empty() || emptyLoaded.moments.empty()) {
            std::fprintf(stderr, "bench_startup: a launched program showed no frame\n");
            return 1;
        }
        floor.window.push_back(window.moments[0]);
        floor.windowProcessor.push_back(window.processorMs);
        floor.emptyLoaded.push_back(emptyLoaded.moments[0]);

        if (chdir(dir.path().c_str()) != 0)
            return 1;
        double processorBefore = processorMilliseconds();
        parts.push_back(unavoidableParts(dir.path()));
        partsProcessor.push_back(processorMilliseconds() - processorBefore);

        if (chdir(onePassDir.path().c_str()) != 0)
            return 1;
        processorBefore = processorMilliseconds();
        const StartupParts measured = measureParts(onePassDir.path());
        onePassProcessor.push_back(processorMilliseconds() - processorBefore);
        audioDevice.push_back(measured.audioDevice);
        musicOpen.push_back(measured.musicOpen);
        shaderBuilds.push_back(measured.shaderBuilds);
        targets.push_back(measured.targets);
    }

    const double unavoidable = median(parts);
    std::printf("runs %d, test demo: 3 programs, 1 image\n", runs);
    printFigure("its shaders compiled and drawn, images", parts);
    printFigure("empty window: launch to first frame", floor.window);
    printLaunches("one program doing the same (launched)", demoFloor.shown, demoFloor.processor);
    for (std::size_t p = 0; p < players.size(); ++p) {
        const double launched = median(launches[p].shown);
        std::printf("%s\n", players[p].c_str());
        printLaunches("  launch to first frame shown", launches[p].shown, launches[p].processor);
        std::printf("  %-38s %8.1f ms  = %.1f %% of them (target: under 20 %%)\n", "beyond shaders and images",
                    launched - unavoidable, 100.0 * (launched - unavoidable) / unavoidable);
        printRest(launches[p], floor, unavoidable, median(partsProcessor), demoFloor);
    }

    std::printf("\none-pass demo (a plasma and a copy final pass), where the start-up goes:\n");
    printFigure("  window: empty window's first frame", floor.window);
    // The audio figures of the first run are what a process pays: later runs
    // find SDL's audio subsystem and driver already loaded.
    std::printf("  %-38s %8.1f ms  (the first in this process; later %.1f)\n", "audio device opened alone",
                audioDevice.front(), median(audioDevice));
    std::printf("  %-38s %8.1f ms  (the first in this process; later %.1f)\n", "music open (file, decoder, device)",
                musicOpen.front(), median(musicOpen));
    printFigure("  shader builds (2 programs, first draw)", shaderBuilds);
    printFigure("  render targets (1), made and cleared", targets);
    printLaunches("  one program doing the same (launched)", onePassFloor.shown, onePassFloor.processor);
    for (std::size_t p = 0; p < players.size(); ++p) {
        std::printf("%s\n", players[p].c_str());
        printLaunches("  launch to first frame shown", onePassLaunches[p].shown, onePassLaunches[p].processor);
        printRest(onePassLaunches[p], floor, median(shaderBuilds) + median(targets), median(onePassProcessor),
                  onePassFloor);
    }
    std::printf(
        "The player opens the audio device and the music on a thread of its own while the\n"
        "description loads and its shaders build, so their time is hidden behind those.\n");
    return 0;
}
