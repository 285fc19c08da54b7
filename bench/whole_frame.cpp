// Whole-frame benchmark: a one-pass demo (a plasma drawn into its render
// target, then a copy of it as the final pass, swapped into the window), as
// Scene::render draws it, beside a bare program that draws the same plasma
// straight into the window (no target, no final pass) and swaps. At 640 x 360,
// 1280 x 720 and 1920 x 1080 it prints frames per second of both, the ratio
// of their frame times (target: at most 1.3 on llvmpipe: the final pass is
// one extra full-screen read) and the peak memory (VmHWM) of each.
//
// A third program shows what the extra read costs by itself: the plasma
// drawn into one RGBA16F texture (the render targets' format, with no depth
// buffer, no clears and no blending) and copied into the window by the same
// copy shader. Its ratio to the bare program is the floor that any player
// with a final pass over targets of that format stands on.
//
// Both sides do the same per-frame work apart from the target and the final
// pass: the same quad, vertex shader and plasma, the same window (its size
// checked), swap interval 0, one window clear, the time as a uniform, and
// glFinish after every swap. Every measurement is a process of its own (this
// program again, with --child), so peak memory belongs to one kind and one
// size; the kinds take turns, round by round, each round in a rotated order,
// and every round gives its own ratios, of which the median is printed, so a
// burst of other load on a shared machine moves one round and not the
// figures. Besides wall-clock frame times, each run measures the CPU time
// of its process (the software renderer's threads included) per frame: on a
// busy machine that ratio stays put where the wall-clock one wanders.
//
//   xvfb-run -s "-screen 0 1920x1080x24" build/release/bench/bench_whole_frame [ROUNDS] [SECONDS]
//   (defaults: 5 rounds of 2 seconds per kind and size)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

#include "SceneRig.h"
#include "platform/ConsoleSink.h"
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
constexpr const char* kKinds[] = {"demo", "bare", "floor"};
constexpr int kKindCount = 3;

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

// The one-pass demo through Scene::render, its targets made for one pass.
Run runDemo(Size size, double seconds)
{
    ScratchDir dir;
    ConsoleSink console; // says nothing
    const ShaderProgram finalProgram = gltest::buildProgram(gltest::kQuadVertexSource, kCopyFragment);
    SceneQuads quads(finalProgram, console);
    RenderTargets targets(size.width, size.height, size.width, size.height, 1);
    DemoShader plasma(dir.write("quad.vsh", gltest::kQuadVertexSource), dir.write("plasma.fsh", kPlasmaFragment));
    plasma.build(BuildReport::Console, console);
    Scene scene;
    scene.addShader(plasma);
    return drawFor(seconds, [&](float time) {
        scene.render(SceneFrame{0, time, 0.0f, 0.0f, static_cast<float>(size.width), static_cast<float>(size.height),
                                targets, quads, finalProgram, console, nullptr});
        swapAndFinish();
    });
}

// A quad drawn with the final pass's camera, bound to `program`.
struct CameraQuad {
    ConsoleSink console; // says nothing
    explicit CameraQuad(const ShaderProgram& program, Size size)
        : quad(0, kQuadPositions, kQuadTexCoords, kQuadIndices, kQuadVertexCount, kQuadTexCoordCount, kQuadIndexCount,
               console),
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

    std::fflush(stdout);
    const int result = dup(STDOUT_FILENO);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, STDOUT_FILENO);
    close(devNull);

    if (!openWindow(argc, argv, size))
        return 1;
    Run run;
    if (kind == "demo")
        run = runDemo(size, seconds);
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
bool measure(const std::string& self, const char* kind, Size size, double seconds, Measured& measured)
{
    const std::string command = "'" + self + "' --child " + std::string(kind) + " " + std::to_string(size.width) + " " +
                                std::to_string(size.height) + " " + std::to_string(seconds);
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
    std::vector<double> ratio;      // demo / bare, wall-clock frame time
    std::vector<double> cpuRatio;   // demo / bare, CPU time per frame
    std::vector<double> floorRatio; // floor / bare, wall-clock frame time
    std::vector<double> floorCpuRatio;
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

} // namespace

int main(int argc, char** argv)
{
    if (argc > 5 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "bench_whole_frame: needs an X display (run it under xvfb-run)\n");
        return 1;
    }
    // popen runs a shell, so /proc/self/exe must be read here.
    char selfPath[4096] = {};
    if (readlink("/proc/self/exe", selfPath, sizeof selfPath - 1) <= 0)
        return 1;
    const std::string self = selfPath;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const double seconds = argc > 2 ? std::max(0.1, std::atof(argv[2])) : 2.0;

    std::printf(
        "one-pass demo with a copy final pass against the bare shader; %d rounds of %.1f s each; "
        "medians over the rounds\n",
        rounds, seconds);
    std::printf("%-10s %9s %9s %6s %6s %10s %10s %11s %11s %11s\n", "size", "demo fps", "bare fps", "ratio", "(cpu)",
                "floor fps", "floor rat", "demo peak", "bare peak", "floor peak");
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
            for (int kind = 0; kind < kKindCount; ++kind) {
                figures.fps[kind].push_back(1.0 / frameSeconds(measured[kind].run));
                figures.peakKib[kind] = std::max(figures.peakKib[kind], measured[kind].peakKib);
            }
            const Run& demo = measured[0].run;
            const Run& bare = measured[1].run;
            const Run& floor = measured[2].run;
            figures.ratio.push_back(frameSeconds(demo) / frameSeconds(bare));
            figures.cpuRatio.push_back(frameCpuSeconds(demo) / frameCpuSeconds(bare));
            figures.floorRatio.push_back(frameSeconds(floor) / frameSeconds(bare));
            figures.floorCpuRatio.push_back(frameCpuSeconds(floor) / frameCpuSeconds(bare));
        }
        const std::string name = std::to_string(size.width) + "x" + std::to_string(size.height);
        std::printf("%-10s %9.1f %9.1f %6.2f %6.2f %10.1f %4.2f %4.2f %7.1f MiB %7.1f MiB %7.1f MiB\n", name.c_str(),
                    median(figures.fps[0]), median(figures.fps[1]), median(figures.ratio), median(figures.cpuRatio),
                    median(figures.fps[2]), median(figures.floorRatio), median(figures.floorCpuRatio),
                    figures.peakKib[0] / 1024.0, figures.peakKib[1] / 1024.0, figures.peakKib[2] / 1024.0);
        std::fflush(stdout);
    }
    std::printf(
        "ratio: demo frame time / bare frame time (target: at most 1.3); (cpu): the same in CPU time "
        "per frame;\nfloor rat: the RGBA16F target and plain copy alone / bare, wall clock and CPU time\n");
    return 0;
}
