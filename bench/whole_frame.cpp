// Whole-frame benchmark: a one-pass demo (a plasma) as Scene::render draws it,
// beside a bare program that draws the same plasma straight into the window
// (no target, no final pass) and swaps: the "direct draw". At 640 x 360,
// 1280 x 720 and 1920 x 1080 it prints frames per second of each and the
// ratio of their frame times to the direct draw's, for the demo without a
// final pass ("final_pass": "none": the plasma drawn straight into the
// window; target at most 1.1) and with a plain copy as its final pass (the
// plasma into its render target, then copied; target at most 1.45), and the
// peak memory (VmHWM) of each.
//
// A fourth program shows what the extra read costs by itself: the plasma
// drawn into one RGBA16F texture (the render targets' format, with no depth
// buffer, no clears and no blending) and copied into the window by the same
// copy shader. Its ratio to the bare program is the floor that any player
// with a final pass over targets of that format stands on.
//
// Then the example demo (its build folder, made by the build) at 1280 x 720:
// its scenes in turn, a quarter of a second each, with its own final pass;
// given another build's bench_whole_frame (BEFORE), that build draws the same
// in turn with this one, and the ratio of their frame times is printed.
//
// Every side does the same per-frame work apart from the target and the
// final pass: the same quad, vertex shader and plasma, the same window (its
// size checked), swap interval 0, one window clear, the time as a uniform,
// and glFinish after every swap. Every measurement is a process of its own
// (this program again, with --child), so peak memory belongs to one kind and
// one size; the kinds take turns, round by round, each round in a rotated
// order, and every round gives its own ratios, of which the median is
// printed, so a burst of other load on a shared machine moves one round and
// not the figures. Besides wall-clock frame times, each run measures the CPU
// time of its process (the software renderer's threads included) per frame:
// on a busy machine that ratio stays put where the wall-clock one wanders.
//
//   xvfb-run -s "-screen 0 1920x1080x24" build/release/bench/bench_whole_frame [ROUNDS [SECONDS [BEFORE]]]
//   (defaults: 5 rounds of 2 seconds per kind and size)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "BenchCommandLine.h"
#include "SceneRig.h"
#include "demo/DemoContent.h"
#include "demo/DemoLoader.h"
#include "demo/DescriptionHost.h"
#include "ScratchDir.h"
#include "platform/platform.h"
#include "render/Camera.h"
#include "render/DemoShader.h"
#include "render/GlName.h"
#include "render/QuadMesh.h"
#include "render/RenderTargets.h"
#include "render/Scene.h"
#include "render/SceneQuads.h"
#include "render/Texture.h"
#include "render/VertexArrayObject.h"

namespace {

using Clock = std::chrono::steady_clock;

// A classic plasma: four sine fields, one of them radial around a moving centre.
constexpr const char* kPlasmaFragment = R"(#version 330
uniform vec2 iResolution;
uniform float iGlobalTime;
out vec4 color;
void main()
{
    vec2 p = gl_FragCoord.xy / iResolution * 8.0 - 4.0;
    float t = iGlobalTime;
    float v = sin(p.x + t) + sin((p.y + t) * 0.5) + sin((p.x + p.y + t) * 0.5);
    vec2 c = p + 2.0 * vec2(sin(t / 3.0), cos(t / 2.0));
    v = 0.5 * (v + sin(sqrt(dot(c, c) + 1.0) + t));
    color = vec4(0.5 + 0.5 * sin(3.14159 * v), 0.5 + 0.5 * sin(3.14159 * v + 2.094), 0.5 + 0.5 * sin(3.14159 * v + 4.189), 1.0);
}
)";

constexpr const char* kCopyFragment = R"(#version 330
uniform sampler2D finalTarget;
uniform vec2 iResolution;
out vec4 color;
void main() { color = texture(finalTarget, gl_FragCoord.xy / iResolution); }
)";

struct Size {
    int width;
    int height;
};

constexpr Size kSizes[] = {{640, 360}, {1280, 720}, {1920, 1080}};

// The programs measured, in the order of the first round.
constexpr const char* kKinds[] = {"none", "copy", "bare", "floor"};
constexpr int kKindCount = 4;
enum Kind { kNone, kCopy, kBare, kFloor };

// Peak resident memory of this process in KiB (VmHWM), 0 when unknown.
long peakKibibytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

// CPU time of the whole process (every thread) in seconds.
double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Opens the window with the player's display mode and context; false when
// the window did not get the size asked for (a screen too small for it).
bool openWindow(int argc, char** argv, Size size)
{
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(size.width, size.height);
    glutInitWindowPosition(0, 0);
    glutInitContextVersion(3, 1);
    glutInitContextProfile(GLUT_CORE_PROFILE);
    glutCreateWindow("bench_whole_frame");
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        std::fprintf(stderr, "bench_whole_frame: GLEW failed\n");
        std::exit(1);
    }
    // No side waits for a display refresh.
    platform_swap_interval(0);
    glDisable(GL_CULL_FACE);
    // The window is mapped (and its size settled) by the toolkit's events.
    glutDisplayFunc([] {});
    glutMainLoopEvent();
    const int width = glutGet(GLUT_WINDOW_WIDTH);
    const int height = glutGet(GLUT_WINDOW_HEIGHT);
    if (width == size.width && height == size.height)
        return true;
    std::fprintf(stderr, "bench_whole_frame: asked for a %dx%d window, got %dx%d (is the screen large enough?)\n",
                 size.width, size.height, width, height);
    return false;
}

struct Run {
    long frames = 0;
    double seconds = 0.0;    // wall clock
    double cpuSeconds = 0.0; // the process's CPU time
};

// Draws frames with `frame` for `seconds` after a quarter of a second (and
// at least three frames) of unmeasured ones, which also builds every
// variant of the software renderer's shaders.
template <class Frame> Run drawFor(double seconds, Frame frame)
{
    const Clock::time_point warmUp = Clock::now();
    for (int i = 0; i < 3 || Clock::now() - warmUp < std::chrono::milliseconds(250); ++i)
        frame(0.0f);
    Run run;
    const Clock::time_point start = Clock::now();
    const double cpuStart = processCpuSeconds();
    while (run.seconds < seconds) {
        frame(static_cast<float>(run.seconds));
        ++run.frames;
        run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    run.cpuSeconds = processCpuSeconds() - cpuStart;
    return run;
}

void swapAndFinish()
{
    glutSwapBuffers();
    glFinish();
}

// The one-pass demo through Scene::render, its targets made for one pass:
// with a plain copy as its final pass, or with none (`finalPass` false).
Run runDemo(Size size, double seconds, bool finalPass)
{
    ScratchDir dir;
    const ShaderProgram finalProgram = gltest::buildProgram(gltest::kQuadVertexSource, kCopyFragment);
    SceneQuads quads(finalProgram);
    RenderTargets targets(size.width, size.height, size.width, size.height, 1);
    DemoShader plasma(dir.write("quad.vsh", gltest::kQuadVertexSource), dir.write("plasma.fsh", kPlasmaFragment));
    plasma.build();
    Scene scene;
    scene.addShader(plasma);
    return drawFor(seconds, [&](float time) {
        SceneFrame frame{
            0,       time,  0.0f,         0.0f,   static_cast<float>(size.width), static_cast<float>(size.height),
            targets, quads, finalProgram, nullptr};
        frame.finalPass = finalPass;
        scene.render(frame);
        swapAndFinish();
    });
}

struct SyncDeviceCloser {
    void operator()(SyncDevice* device) const { sync_close(device); }
};

// Loads the description quietly, as the player does but without a window to
// retitle.
class QuietHost : public DescriptionHost {
public:
    void enterFullscreen() override {}
    void setTitle(const std::string&) override {}
};

// The example demo in `folder`: its scenes in turn, a quarter of a second
// each, with its own final pass and tracks.
Run runExample(Size size, double seconds, const std::string& folder)
{
    if (chdir(folder.c_str()) != 0) {
        std::fprintf(stderr, "bench_whole_frame: no example folder %s\n", folder.c_str());
        std::exit(1);
    }
    std::unique_ptr<SyncDevice, SyncDeviceCloser> device(sync_open("sync"));
    DemoContent content;
    QuietHost host;
    if (!demo::loadDemoDescription("demo.json", device.get(), content, host, nullptr) || content.scenes.empty()) {
        std::fprintf(stderr, "bench_whole_frame: the example in %s did not load\n", folder.c_str());
        std::exit(1);
    }
    const ShaderProgram finalProgram = render::buildShaderProgram("test.vsh", "AA.fsh", BuildReport::Quiet).program;
    SceneQuads quads(finalProgram);
    RenderTargets targets(size.width, size.height, size.width, size.height, render::longestPassChain(content.scenes));
    const size_t sceneCount = content.scenes.size();
    return drawFor(seconds, [&](float time) {
        Scene& scene = content.scenes[static_cast<size_t>(time * 4.0f) % sceneCount];
        const double row = static_cast<double>(time) * 20.0;
        scene.render(SceneFrame{static_cast<int>(row), time, 0.0f, 0.0f, static_cast<float>(size.width),
                                static_cast<float>(size.height), targets, quads, finalProgram, device.get()});
        swapAndFinish();
    });
}

// A quad drawn with the final pass's camera, bound to `program`.
struct CameraQuad {
    explicit CameraQuad(const ShaderProgram& program, Size size)
        : quad(0, kQuadPositions, kQuadTexCoords, kQuadIndices, kQuadVertexCount, kQuadTexCoordCount, kQuadIndexCount),
          camera(45.0f, static_cast<float>(size.width) / static_cast<float>(size.height), 0.01f, 100.0f)
    {
        quad.bindAttributes(program);
        camera.setPosition(0.0f, 0.0f, 4.0f);
        camera.setTarget(0.0f, 0.0f, 0.0f);
    }
    VertexArrayObject quad;
    Camera camera;
};

// The plasma program with its resolution set; `timeLocation` receives its
// time uniform.
ShaderProgram buildPlasma(Size size, GLint& timeLocation)
{
    ShaderProgram program = gltest::buildProgram(gltest::kQuadVertexSource, kPlasmaFragment);
    glUseProgram(program.getProgramId());
    glUniform2f(glGetUniformLocation(program.getProgramId(), "iResolution"), static_cast<float>(size.width),
                static_cast<float>(size.height));
    timeLocation = glGetUniformLocation(program.getProgramId(), "iGlobalTime");
    return program;
}

// The same plasma drawn straight into the window with the same quad.
Run runBare(Size size, double seconds)
{
    GLint timeLocation = -1;
    const ShaderProgram program = buildPlasma(size, timeLocation);
    CameraQuad plasma(program, size);
    glViewport(0, 0, size.width, size.height);
    return drawFor(seconds, [&](float time) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glUseProgram(program.getProgramId());
        glUniform1f(timeLocation, time);
        plasma.quad.draw(plasma.camera);
        swapAndFinish();
    });
}

// The least a final pass can cost: the plasma into one RGBA16F texture
// (colour only: no depth, no clear, no blending), then the copy shader
// reading it into the window, which is cleared as on the other sides.
Run runFloor(Size size, double seconds)
{
    GLint timeLocation = -1;
    const ShaderProgram program = buildPlasma(size, timeLocation);
    const ShaderProgram copy = gltest::buildProgram(gltest::kQuadVertexSource, kCopyFragment);
    glUseProgram(copy.getProgramId());
    glUniform2f(glGetUniformLocation(copy.getProgramId(), "iResolution"), static_cast<float>(size.width),
                static_cast<float>(size.height));
    glUniform1i(glGetUniformLocation(copy.getProgramId(), "finalTarget"), 0);
    CameraQuad plasma(program, size);
    CameraQuad screen(copy, size);

    const Texture target(size.width, size.height, GL_RGBA);
    const GlName framebuffer = GlName::generate(GlName::Kind::Framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer.get());
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target.getId(), 0);
    glViewport(0, 0, size.width, size.height);
    return drawFor(seconds, [&](float time) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer.get());
        glUseProgram(program.getProgramId());
        glUniform1f(timeLocation, time);
        plasma.quad.draw(plasma.camera);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glBindTexture(GL_TEXTURE_2D, target.getId());
        screen.quad.draw(screen.camera);
        swapAndFinish();
    });
}

// --child KIND WIDTH HEIGHT SECONDS: prints "FRAMES SECONDS CPU_SECONDS
// PEAK_KIB" on the standard output it was started with; everything else
// written there while it runs (build accounts, the scene's per-frame line)
// goes to /dev/null.
int runChild(int argc, char** argv)
{
    const std::string kind = argv[2];
    const Size size{std::atoi(argv[3]), std::atoi(argv[4])};
    const double seconds = std::atof(argv[5]);
    const std::string folder = argc > 6 ? argv[6] : "";

    std::fflush(stdout);
    const int result = dup(STDOUT_FILENO);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, STDOUT_FILENO);
    close(devNull);

    if (!openWindow(argc, argv, size))
        return 1;
    Run run;
    if (kind == "none")
        run = runDemo(size, seconds, false);
    else if (kind == "copy")
        run = runDemo(size, seconds, true);
    else if (kind == "example")
        run = runExample(size, seconds, folder);
    else if (kind == "bare")
        run = runBare(size, seconds);
    else
        run = runFloor(size, seconds);
    std::fflush(stdout);
    const std::string line = std::to_string(run.frames) + " " + std::to_string(run.seconds) + " " +
                             std::to_string(run.cpuSeconds) + " " + std::to_string(peakKibibytes()) + "\n";
    return write(result, line.data(), line.size()) == static_cast<ssize_t>(line.size()) ? 0 : 1;
}

struct Measured {
    Run run;
    long peakKib = 0;
};

// Runs one child; false when it failed.
bool measure(const std::string& self, const char* kind, Size size, double seconds, Measured& measured,
             const std::string& folder = "")
{
    const std::string command = "'" + self + "' --child " + std::string(kind) + " " + std::to_string(size.width) + " " +
                                std::to_string(size.height) + " " + std::to_string(seconds) +
                                (folder.empty() ? "" : " '" + folder + "'");
    FILE* child = popen(command.c_str(), "r");
    if (child == nullptr)
        return false;
    Run& run = measured.run;
    const int fields = std::fscanf(child, "%ld %lf %lf %ld", &run.frames, &run.seconds, &run.cpuSeconds,
                                   &measured.peakKib);
    return pclose(child) == 0 && fields == 4 && run.frames > 0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

// The figures of one size: medians over the rounds.
struct SizeFigures {
    std::vector<double> fps[kKindCount];
    std::vector<double> ratio[kKindCount];    // kind / bare, wall-clock frame time
    std::vector<double> cpuRatio[kKindCount]; // kind / bare, CPU time per frame
    long peakKib[kKindCount] = {};
};

double frameSeconds(const Run& run)
{
    return run.seconds / static_cast<double>(run.frames);
}

double frameCpuSeconds(const Run& run)
{
    return run.cpuSeconds / static_cast<double>(run.frames);
}

const char* const kHelp =
    "ROUNDS: rounds per size (default 5); SECONDS: seconds each kind runs per round (default 2);\n"
    "BEFORE: another build's bench_whole_frame, whose example frame is measured in turn with this one's.\n"
    "At 640x360, 1280x720 and 1920x1080, prints frames per second of the direct draw (the bare shader\n"
    "straight into the window) and of the one-pass demo without a final pass and with a plain copy as\n"
    "its final pass, each one's ratio of frame times to the direct draw in wall clock and processor\n"
    "time (medians over the rounds; targets 1.1 and 1.45), the floor (an RGBA16F target and a plain\n"
    "copy) and each kind's peak memory; then the example demo's frame time at 1280x720. Needs an X\n"
    "display of 1920x1080 (xvfb-run -s \"-screen 0 1920x1080x24\"); GALLIUM_NOOP=1 makes the drawing\n"
    "free, leaving the program's own cost.\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc > 5 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    const BenchCommandLine arguments(argc, argv, "bench_whole_frame", "[ROUNDS [SECONDS [BEFORE]]]", kHelp, 3);
    const int rounds = arguments.wholeNumber(0, "ROUNDS", 5, 1);
    const double seconds = arguments.number(1, "SECONDS", 2.0, 0.1);
    const std::string before = arguments.has(2) ? std::filesystem::absolute(arguments.text(2)).string() : "";
    if (!before.empty() && access(before.c_str(), X_OK) != 0)
        arguments.refuse("BEFORE '" + arguments.text(2) + "' is not a program");
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "bench_whole_frame: needs an X display (run it under xvfb-run)\n");
        return 1;
    }
    // popen runs a shell, so /proc/self/exe must be read here.
    char selfPath[4096] = {};
    if (readlink("/proc/self/exe", selfPath, sizeof selfPath - 1) <= 0)
        return 1;
    const std::string self = selfPath;

    std::printf("one-pass demo (a plasma) against the direct draw; %d rounds of %.1f s each; medians over the rounds\n",
                rounds, seconds);
    std::printf("%-10s %9s | %9s %5s %5s | %9s %5s %5s | %9s %5s %5s | %s\n", "size", "direct", "no final", "ratio",
                "cpu", "copy fin", "ratio", "cpu", "floor", "ratio", "cpu", "peak MiB none/copy/direct/floor");
    for (const Size& size : kSizes) {
        SizeFigures figures;
        for (int round = 0; round < rounds; ++round) {
            Measured measured[kKindCount];
            for (int turn = 0; turn < kKindCount; ++turn) {
                const int kind = (round + turn) % kKindCount;
                if (!measure(self, kKinds[kind], size, seconds, measured[kind])) {
                    std::fprintf(stderr, "bench_whole_frame: a measuring run (%s) failed at %dx%d\n", kKinds[kind],
                                 size.width, size.height);
                    return 1;
                }
            }
            const Run& bare = measured[kBare].run;
            for (int kind = 0; kind < kKindCount; ++kind) {
                const Run& run = measured[kind].run;
                figures.fps[kind].push_back(1.0 / frameSeconds(run));
                figures.peakKib[kind] = std::max(figures.peakKib[kind], measured[kind].peakKib);
                figures.ratio[kind].push_back(frameSeconds(run) / frameSeconds(bare));
                figures.cpuRatio[kind].push_back(frameCpuSeconds(run) / frameCpuSeconds(bare));
            }
        }
        const std::string name = std::to_string(size.width) + "x" + std::to_string(size.height);
        std::printf("%-10s %9.1f | %9.1f %5.2f %5.2f | %9.1f %5.2f %5.2f | %9.1f %5.2f %5.2f | %.0f/%.0f/%.0f/%.0f\n",
                    name.c_str(), median(figures.fps[kBare]), median(figures.fps[kNone]), median(figures.ratio[kNone]),
                    median(figures.cpuRatio[kNone]), median(figures.fps[kCopy]), median(figures.ratio[kCopy]),
                    median(figures.cpuRatio[kCopy]), median(figures.fps[kFloor]), median(figures.ratio[kFloor]),
                    median(figures.cpuRatio[kFloor]), figures.peakKib[kNone] / 1024.0, figures.peakKib[kCopy] / 1024.0,
                    figures.peakKib[kBare] / 1024.0, figures.peakKib[kFloor] / 1024.0);
        std::fflush(stdout);
    }
    std::printf(
        "fps: frames per second; ratio: frame time / the direct draw's (targets: no final pass at most\n"
        "1.1, copy final pass at most 1.45); cpu: the same in processor time per frame\n");

    // The example, beside another build's when given.
    const std::string example = (std::filesystem::path(self).parent_path().parent_path() / "example").string();
    if (access((example + "/demo.json").c_str(), R_OK) != 0) {
        std::printf("\nexample demo: not built (%s)\n", example.c_str());
        return 0;
    }
    const Size size{1280, 720};
    std::vector<double> frameMs, cpuMs, beforeMs, beforeCpuMs, ratio, cpuRatio;
    for (int round = 0; round < rounds; ++round) {
        Measured now, then;
        const bool beforeFirst = !before.empty() && round % 2 == 1;
        if (beforeFirst && !measure(before, "example", size, seconds, then, example))
            return 1;
        if (!measure(self, "example", size, seconds, now, example)) {
            std::fprintf(stderr, "bench_whole_frame: the example's run failed\n");
            return 1;
        }
        if (!before.empty() && !beforeFirst && !measure(before, "example", size, seconds, then, example)) {
            std::fprintf(stderr, "bench_whole_frame: the example's run of %s failed\n", before.c_str());
            return 1;
        }
        frameMs.push_back(1000.0 * frameSeconds(now.run));
        cpuMs.push_back(1000.0 * frameCpuSeconds(now.run));
        if (!before.empty()) {
            beforeMs.push_back(1000.0 * frameSeconds(then.run));
            beforeCpuMs.push_back(1000.0 * frameCpuSeconds(then.run));
            ratio.push_back(frameSeconds(now.run) / frameSeconds(then.run));
            cpuRatio.push_back(frameCpuSeconds(now.run) / frameCpuSeconds(then.run));
        }
    }
    std::printf("\nexample demo at 1280x720 (its scenes in turn): %.2f ms a frame, %.2f ms processor time\n",
                median(frameMs), median(cpuMs));
    if (!before.empty())
        std::printf("  before (%s): %.2f ms a frame, %.2f ms processor time; after / before %.2f, cpu %.2f\n",
                    before.c_str(), median(beforeMs), median(beforeCpuMs), median(ratio), median(cpuRatio));
    return 0;
}
