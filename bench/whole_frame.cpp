// Whole-frame benchmark: a one-pass demo (a plasma drawn into its render
// target, then a copy of it as the final pass, swapped into the window), as
// Scene::render draws it, beside a bare program that draws the same plasma
// straight into the window (no target, no final pass) and swaps. At 640 x 360,
// 1280 x 720 and 1920 x 1080 it prints frames per second of both, the ratio
// of their frame times (target: at most 1.3 on llvmpipe: the final pass is
// one extra full-screen read) and the peak memory (VmHWM) of each.
//
// Every measurement is a process of its own (this program again, with
// --child), so peak memory belongs to one kind and one size; the two kinds
// take turns, round by round, so that other load on the machine falls on
// both alike. Each frame ends with glFinish after the swap.
//
//   xvfb-run -s "-screen 0 1920x1080x24" build/release/bench/bench_whole_frame [ROUNDS] [SECONDS]
//   (defaults: 3 rounds of 2 seconds per kind and size)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "SceneRig.h"
#include "ScratchDir.h"
#include "render/Camera.h"
#include "render/DemoShader.h"
#include "render/QuadMesh.h"
#include "render/RenderTargets.h"
#include "render/Scene.h"
#include "render/SceneQuads.h"
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

void openWindow(int argc, char** argv, Size size)
{
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(size.width, size.height);
    glutInitContextVersion(3, 1);
    glutInitContextProfile(GLUT_CORE_PROFILE);
    glutCreateWindow("bench_whole_frame");
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        std::fprintf(stderr, "bench_whole_frame: GLEW failed\n");
        std::exit(1);
    }
    glDisable(GL_CULL_FACE);
}

// Draws frames with `frame` for `seconds` after a few unmeasured ones;
// returns the frames drawn and the seconds they took.
template <class Frame> std::pair<long, double> drawFor(double seconds, Frame frame)
{
    for (int i = 0; i < 3; ++i)
        frame(0.0f);
    long frames = 0;
    const Clock::time_point start = Clock::now();
    double elapsed = 0.0;
    while (elapsed < seconds) {
        frame(static_cast<float>(elapsed));
        ++frames;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    }
    return {frames, elapsed};
}

void swapAndFinish()
{
    glutSwapBuffers();
    glFinish();
}

// The one-pass demo through Scene::render, its targets made for one pass.
std::pair<long, double> runDemo(Size size, double seconds)
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
        scene.render(SceneFrame{0, time, 0.0f, 0.0f, static_cast<float>(size.width), static_cast<float>(size.height),
                                targets, quads, finalProgram, nullptr});
        swapAndFinish();
    });
}

// The same plasma drawn straight into the window with the same quad.
std::pair<long, double> runBare(Size size, double seconds)
{
    const ShaderProgram program = gltest::buildProgram(gltest::kQuadVertexSource, kPlasmaFragment);
    VertexArrayObject quad(0, kQuadPositions, kQuadTexCoords, kQuadIndices, kQuadVertexCount, kQuadTexCoordCount,
                           kQuadIndexCount);
    quad.bindAttributes(program);
    glUseProgram(program.getProgramId());
    glUniform2f(glGetUniformLocation(program.getProgramId(), "iResolution"), static_cast<float>(size.width),
                static_cast<float>(size.height));
    const GLint timeLocation = glGetUniformLocation(program.getProgramId(), "iGlobalTime");
    Camera camera(45.0f, static_cast<float>(size.width) / static_cast<float>(size.height), 0.01f, 100.0f);
    camera.setPosition(0.0f, 0.0f, 4.0f);
    camera.setTarget(0.0f, 0.0f, 0.0f);
    glViewport(0, 0, size.width, size.height);
    return drawFor(seconds, [&](float time) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glUniform1f(timeLocation, time);
        quad.draw(camera);
        swapAndFinish();
    });
}

// --child KIND WIDTH HEIGHT SECONDS: prints "FRAMES SECONDS PEAK_KIB" on the
// standard output it was started with; everything else written there while
// it runs (build accounts, the scene's per-frame line) goes to /dev/null.
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

    openWindow(argc, argv, size);
    const std::pair<long, double> drawn = kind == "demo" ? runDemo(size, seconds) : runBare(size, seconds);
    std::fflush(stdout);
    const std::string line = std::to_string(drawn.first) + " " + std::to_string(drawn.second) + " " +
                             std::to_string(peakKibibytes()) + "\n";
    return write(result, line.data(), line.size()) == static_cast<ssize_t>(line.size()) ? 0 : 1;
}

struct Measured {
    long frames = 0;
    double seconds = 0.0;
    long peakKib = 0; // the largest of the runs
};

// Runs one child and adds its figures to `total`; false when it failed.
bool measure(const std::string& self, const char* kind, Size size, double seconds, Measured& total)
{
    const std::string command = "'" + self + "' --child " + std::string(kind) + " " + std::to_string(size.width) + " " +
                                std::to_string(size.height) + " " + std::to_string(seconds);
    FILE* child = popen(command.c_str(), "r");
    if (child == nullptr)
        return false;
    long frames = 0, peak = 0;
    double elapsed = 0.0;
    const int fields = std::fscanf(child, "%ld %lf %ld", &frames, &elapsed, &peak);
    if (pclose(child) != 0 || fields != 3)
        return false;
    total.frames += frames;
    total.seconds += elapsed;
    total.peakKib = std::max(total.peakKib, peak);
    return true;
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
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const double seconds = argc > 2 ? std::max(0.1, std::atof(argv[2])) : 2.0;

    std::printf("one-pass demo with a copy final pass against the bare shader; %d rounds of %.1f s each\n", rounds,
                seconds);
    std::printf("%-11s %10s %10s %7s %12s %12s\n", "size", "demo fps", "bare fps", "ratio", "demo peak", "bare peak");
    for (const Size& size : kSizes) {
        Measured demo, bare;
        for (int round = 0; round < rounds; ++round) {
            const bool demoFirst = round % 2 == 0;
            if (!measure(self, demoFirst ? "demo" : "bare", size, seconds, demoFirst ? demo : bare) ||
                !measure(self, demoFirst ? "bare" : "demo", size, seconds, demoFirst ? bare : demo)) {
                std::fprintf(stderr, "bench_whole_frame: a measuring run failed at %dx%d\n", size.width, size.height);
                return 1;
            }
        }
        const double demoFps = demo.frames / demo.seconds;
        const double bareFps = bare.frames / bare.seconds;
        const std::string name = std::to_string(size.width) + "x" + std::to_string(size.height);
        std::printf("%-11s %10.1f %10.1f %7.3f %8.1f MiB %8.1f MiB\n", name.c_str(), demoFps, bareFps,
                    bareFps / demoFps, demo.peakKib / 1024.0, bare.peakKib / 1024.0);
        std::fflush(stdout);
    }
    std::printf("ratio: demo frame time / bare frame time (target: at most 1.3)\n");
    return 0;
}
