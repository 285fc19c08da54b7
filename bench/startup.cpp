// Whole-program start-up: the time from launching demoplayer in the test demo
// (tests/e2e/demo, its tracks made with synctrack and a tune with tonefile)
// to its first frame on screen, beside what cannot be avoided, measured in
// the same run: compiling, linking and first drawing each of its programs
// (llvmpipe generates a shader's code at its first draw) and decoding its
// images. Prints both and the overhead of the rest (process start, X and GL
// set-up, audio, the description walk, render targets, quads).
//
//   build/release/bench/bench_startup [RUNS]      (default 5; needs $DISPLAY)
//
// The first frame counts as shown when the player writes anything after that
// frame's "fstr_val" line: the next frame begins only after the swap. Mesa's
// shader disk cache is off for both measurements, so every run compiles.
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

#include "GlTestContext.h"
#include "TestFiles.h"
#include "render/Camera.h"
#include "render/QuadMesh.h"
#include "render/ShaderProgram.h"
#include "render/VertexArrayObject.h"

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

// Launches the player in `demo` and returns the milliseconds until its first
// frame is on screen, or a negative number when it never gets there.
double launchToFirstFrame(const fs::path& player, const fs::path& demo)
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
        if (chdir(demo.c_str()) == 0)
            execl(player.c_str(), player.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(output[1]);

    double elapsed = -1.0;
    std::string text;
    std::size_t firstFrameEnd = std::string::npos;
    char buffer[4096];
    pollfd readable{output[0], POLLIN, 0};
    while (elapsed < 0.0 && poll(&readable, 1, 60000) > 0) {
        const ssize_t count = read(output[0], buffer, sizeof buffer);
        if (count <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(count));
        if (firstFrameEnd == std::string::npos) {
            const std::size_t fstr = text.find("\nfstr_val");
            if (fstr != std::string::npos)
                firstFrameEnd = text.find('\n', fstr + 1);
        }
        if (firstFrameEnd != std::string::npos && text.size() > firstFrameEnd + 1)
            elapsed = millisecondsSince(start);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(output[0]);
    return elapsed;
}

// Runs `work` with standard output sent to /dev/null (the shader and mesh
// code report every step there).
template <class Work>
void quietly(Work work)
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
        const GLuint vertex = compileVertexShader(readShaderSource(vertexPath.c_str()).c_str());
        const GLuint fragment = compileFragmentShader(readShaderSource(fragmentPath.c_str()).c_str());
        ShaderProgram program(fragment, vertex);
        VertexArrayObject quad(kQuadPositions, kQuadTexCoords, kQuadIndices, kQuadVertexCount, kQuadTexCoordCount,
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

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "bench_startup: needs an X display (run it under xvfb-run)\n");
        return 1;
    }
    const fs::path source = directoryFromEnvironment("DEMOPLAYER_SOURCE_DIR", fs::path(__FILE__).parent_path().parent_path());
    const fs::path binaries =
        directoryFromEnvironment("DEMOPLAYER_BINARY_DIR", fs::read_symlink("/proc/self/exe").parent_path().parent_path());
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    testsupport::TempDir dir;
    if (!makeDemo(source, binaries, dir.root())) {
        std::fprintf(stderr, "bench_startup: could not make the test demo\n");
        return 1;
    }

    std::vector<double> launches;
    for (int run = 0; run < runs; ++run) {
        const double elapsed = launchToFirstFrame(binaries / "demoplayer", dir.root());
        if (elapsed < 0.0) {
            std::fprintf(stderr, "bench_startup: the player showed no frame\n");
            return 1;
        }
        launches.push_back(elapsed);
    }

    if (chdir(dir.root().c_str()) != 0)
        return 1;
    gltest::ensureGlContext();
    std::vector<double> parts;
    for (int run = 0; run < runs; ++run)
        parts.push_back(unavoidableParts(dir.root()));

    const double launch = median(launches);
    const double unavoidable = median(parts);
    std::printf("runs                                   %d\n", runs);
    std::printf("launch to first frame shown (median)   %8.1f ms  (min %.1f, max %.1f)\n", launch,
                *std::min_element(launches.begin(), launches.end()), *std::max_element(launches.begin(), launches.end()));
    std::printf("shaders compiled and drawn, images     %8.1f ms  (median)\n", unavoidable);
    std::printf("start-up beyond those                  %8.1f ms\n", launch - unavoidable);
    std::printf("overhead beyond those parts            %8.1f %%   (target: under 20 %%)\n",
                100.0 * (launch - unavoidable) / unavoidable);
    return 0;
}
