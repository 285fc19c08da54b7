// Whole-program start-up: the time from launching demoplayer in the test demo
// (tests/e2e/demo, its tracks made with synctrack and a tune with tonefile)
// to its first frame on screen, beside what cannot be avoided, measured in
// the same run: compiling, linking and first drawing each of its programs
// (llvmpipe generates a shader's code at its first draw) and decoding its
// images. Prints both and the overhead of the rest. For scale it also
// launches an empty window (this program again, with the player's window,
// context and extension loader, swapping once): the floor that any GL
// program on this display pays before its first frame.
//
// Then the same for a one-pass demo (a plasma and a copy final pass), with a
// table of where its start-up goes: the window (the empty window), the audio
// device, the music's open, the shader builds and the render targets, each
// measured on its own in this process, and the rest.
//
//   build/release/bench/bench_startup [RUNS]      (default 5; needs $DISPLAY)
//
// The player's first frame counts as shown when it writes anything after that
// frame's "fstr_val" line: the next frame begins only after the swap. Mesa's
// shader disk cache is off for every measurement, so every run compiles.
// Finds the player and the tools beside its own build directory, or in
// $DEMOPLAYER_BINARY_DIR; the demo in $DEMOPLAYER_SOURCE_DIR or beside this file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <stb_image.h>

#include <GL/glew.h>
#include <GL/freeglut.h>

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

// True once the player's output shows its first frame swapped.
bool playerShowedAFrame(const std::string& output)
{
    const std::size_t fstr = output.find("\nfstr_val");
    if (fstr == std::string::npos)
        return false;
    const std::size_t lineEnd = output.find('\n', fstr + 1);
    return lineEnd != std::string::npos && output.size() > lineEnd + 1;
}

// True once the empty window has swapped.
bool emptyWindowShowedAFrame(const std::string& output)
{
    return output.find("swapped\n") != std::string::npos;
}

// Launches `program` (with `argument`, unless empty) in `dir` and returns the
// milliseconds until `shown` says its standard output shows a first frame, or
// a negative number when it never gets there. The program is then killed.
double launchToFirstFrame(const fs::path& program, const char* argument, const fs::path& dir,
                          bool (*shown)(const std::string&))
{
    int output[2];
    if (pipe(output) != 0)
        return -1.0;
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

    double elapsed = -1.0;
    std::string text;
    char buffer[4096];
    pollfd readable{output[0], POLLIN, 0};
    while (elapsed < 0.0 && poll(&readable, 1, 60000) > 0) {
        const ssize_t count = read(output[0], buffer, sizeof buffer);
        if (count <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(count));
        if (shown(text))
            elapsed = millisecondsSince(start);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(output[0]);
    return elapsed;
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
double compileAndFirstDraw(const std::string& vertexPath, const std::string& fragmentPath)
{
    double elapsed = 0.0;
    quietly([&] {
        const Clock::time_point start = Clock::now();
        const ShaderProgram program =
            render::buildShaderProgram(vertexPath, fragmentPath, BuildReport::Console).program;
        VertexArrayObject quad(0, kQuadPositions, kQuadTexCoords, kQuadIndices, kQuadVertexCount, kQuadTexCoordCount,
                               kQuadIndexCount);
        quad.bindAttributes(program);
        Camera camera(45.0f, float(gltest::kWindowWidth) / float(gltest::kWindowHeight), 0.01f, 100.0f);
        camera.setPosition(0.0f, 0.0f, 4.0f);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        quad.draw(camera);
        glFinish();
        elapsed = millisecondsSince(start);
    });
    return elapsed;
}

// Milliseconds to compile the demo's programs and decode its images once.
double unavoidableParts(const fs::path& demo)
{
    std::ifstream file(demo / "demo.json");
    const nlohmann::json description = nlohmann::json::parse(file);
    double total = compileAndFirstDraw("test.vsh", "AA.fsh");
    for (const nlohmann::json& shader : description.at("shaders"))
        total += compileAndFirstDraw(shader.at("vertexsrc"), shader.at("fragmentsrc"));
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
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                      targets.depthRenderbuffer(i));
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        }
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glFinish();
        parts.targets = millisecondsSince(start);
    }
    return parts;
}

// The empty window: the player's display mode, window size, context and
// extension loader, one cleared frame swapped, then waiting to be killed.
int runEmptyWindow(int argc, char** argv)
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
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
    std::printf("swapped\n");
    std::fflush(stdout);
    pause();
    return 0;
}

template <class Measure> std::vector<double> measureRuns(int runs, Measure measure)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const double elapsed = measure();
        if (elapsed < 0.0)
            return {};
        times.push_back(elapsed);
    }
    return times;
}

void printFigure(const char* what, const std::vector<double>& times)
{
    std::printf("%-40s %8.1f ms  (median; min %.1f, max %.1f)\n", what, median(times),
                *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--empty-window")
        return runEmptyWindow(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "bench_startup: needs an X display (run it under xvfb-run)\n");
        return 1;
    }
    const fs::path source = directoryFromEnvironment("DEMOPLAYER_SOURCE_DIR",
                                                     fs::path(__FILE__).parent_path().parent_path());
    const fs::path binaries = directoryFromEnvironment("DEMOPLAYER_BINARY_DIR",
                                                       fs::read_symlink("/proc/self/exe").parent_path().parent_path());
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    ScratchDir dir;
    ScratchDir onePassDir;
    if (!makeDemo(source, binaries, dir.path()) || !makeOnePassDemo(source, binaries, onePassDir.path())) {
        std::fprintf(stderr, "bench_startup: could not make the test demos\n");
        return 1;
    }

    // The three kinds of launch take turns, so other load falls on all alike.
    std::vector<double> launches, onePassLaunches, emptyWindows;
    for (int run = 0; run < runs; ++run) {
        launches.push_back(launchToFirstFrame(binaries / "demoplayer", nullptr, dir.path(), playerShowedAFrame));
        onePassLaunches.push_back(
            launchToFirstFrame(binaries / "demoplayer", nullptr, onePassDir.path(), playerShowedAFrame));
        emptyWindows.push_back(launchToFirstFrame(fs::read_symlink("/proc/self/exe"), "--empty-window", dir.path(),
                                                  emptyWindowShowedAFrame));
        if (launches.back() < 0.0 || onePassLaunches.back() < 0.0 || emptyWindows.back() < 0.0) {
            std::fprintf(stderr, "bench_startup: a launched program showed no frame\n");
            return 1;
        }
    }

    if (chdir(dir.path().c_str()) != 0)
        return 1;
    gltest::ensureGlContext();
    const std::vector<double> parts = measureRuns(runs, [&] { return unavoidableParts(dir.path()); });

    const double launch = median(launches);
    const double unavoidable = median(parts);
    const double floor = median(emptyWindows);
    std::printf("runs %d, test demo: 3 programs, 1 image\n", runs);
    printFigure("demoplayer: launch to first frame shown", launches);
    printFigure("its shaders compiled and drawn, images", parts);
    printFigure("empty window: launch to first frame", emptyWindows);
    std::printf("overhead beyond shaders and images       %8.1f ms  = %.1f %% of them (target: under 20 %%)\n",
                launch - unavoidable, 100.0 * (launch - unavoidable) / unavoidable);
    std::printf("overhead beyond those and the empty window %6.1f ms  = %.1f %% of them\n",
                launch - unavoidable - floor, 100.0 * (launch - unavoidable - floor) / (unavoidable + floor));

    // The one-pass demo, piece by piece.
    if (chdir(onePassDir.path().c_str()) != 0)
        return 1;
    std::vector<double> audioDevice, musicOpen, shaderBuilds, targets;
    for (int run = 0; run < runs; ++run) {
        const StartupParts measured = measureParts(onePassDir.path());
        audioDevice.push_back(measured.audioDevice);
        musicOpen.push_back(measured.musicOpen);
        shaderBuilds.push_back(measured.shaderBuilds);
        targets.push_back(measured.targets);
    }
    const double onePassLaunch = median(onePassLaunches);
    const double known = floor + audioDevice.front() + musicOpen.front() + median(shaderBuilds) + median(targets);
    std::printf("\none-pass demo (a plasma and a copy final pass), where the start-up goes:\n");
    printFigure("launch to first frame shown", onePassLaunches);
    printFigure("  window: empty window's first frame", emptyWindows);
    // The audio figures of the first run are what a process pays: later runs
    // find SDL's audio subsystem and driver already loaded.
    std::printf("  %-38s %8.1f ms  (the first in this process; later %.1f)\n", "audio device opened alone",
                audioDevice.front(), median(audioDevice));
    std::printf("  %-38s %8.1f ms  (the first in this process; later %.1f)\n", "music open (file, decoder, device)",
                musicOpen.front(), median(musicOpen));
    printFigure("  shader builds (2 programs, first draw)", shaderBuilds);
    printFigure("  render targets (1), made and cleared", targets);
    std::printf("  %-38s %8.1f ms  (description, sync tracks, quads, first frame's own work)\n", "the rest",
                onePassLaunch - known);
    std::printf(
        "The player opens the audio device and the music on a thread of its own while the\n"
        "description loads and its shaders build, so their time is hidden behind those.\n");
    return 0;
}
