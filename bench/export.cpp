// Export throughput and memory.
//
// 1. Frames per second of an export (render, readback, H.264 + AAC encoding)
//    beside the same scene rendered alone (no readback, no encoder) and the
//    same frames encoded alone (no GL), at 640x360 and 1280x720. Target: the
//    export at least 0.9 of render-only, which the overlap of rendering,
//    readback and encoding reaches wherever the encoder keeps up with the
//    renderer on hardware of its own. On a machine where the renderer is the
//    CPU too (llvmpipe), both share the cores and the export cannot beat
//    1 / (1/render + 1/encode) frames per second: the "overlap" column is the
//    export against that bound, which shows whether the pipeline wastes time.
//    Beside it the same export as an image sequence (PNG frames compressed
//    on the export's worker threads, and the WAV): target at least the video
//    export's frames per second, and its size per frame. The last two
//    columns give the processor time of each export per frame (all its
//    threads, the rendering included): on a shared machine a steadier
//    measure of our own cost than frames per second, which also depend on
//    the share of the processor each run got.
// 2. The warm-up of a range of a feedback demo: the frames before the range
//    drawn unwritten (no readback, no encoder, but the spectrum computed
//    for each) against the range's own exported frames, from one export
//    whose first half is warm-up. The figure a render farm plans with: the
//    seconds of warm-up per second of demo before a segment.
// 3. Peak resident memory of a 10 s and a 78 s export at 60 fps. Frames pass
//    through a fixed set of buffers and the sound is encoded alongside, so
//    the two should be equal: target within 10 MB.
//
// Every measurement runs in a fresh child process on a headless EGL context
// (no display needed), so each peak is its own. Usage:
//   bench_export [PRESET] [FRAMES]   x264 preset (default: the exporter's), frames per throughput run (default 240)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchCommandLine.h"
#include "OggTestFile.h"
#include "platform/ConsoleSink.h"
#include "ScratchDir.h"
#include "export/Exporter.h"
#include "export/VideoFileWriter.h"
#include "platform/headless_gl.h"
#include "render/ShaderProgram.h"

namespace {

const char* kVertexSource = R"(#version 330
void main()
{
    vec2 corner = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);
    gl_Position = vec4(corner, 0.0, 1.0);
}
)";

// A plasma with some arithmetic per pixel, animated by time and the spectrum.
const char* kFragmentSource = R"(#version 330
uniform vec2 iResolution;
uniform float iGlobalTime;
uniform float fft;
out vec4 colour;
void main()
{
    vec2 p = gl_FragCoord.xy / iResolution * 6.0;
    float t = iGlobalTime;
    float v = sin(p.x + t) + sin(p.y * 1.3 - t) + sin(length(p - 3.0) * 2.0 + t * 1.7) + fft;
    colour = vec4(0.5 + 0.5 * sin(v), 0.5 + 0.5 * sin(v + 2.1), 0.5 + 0.5 * sin(v + 4.2), 1.0);
}
)";

struct Scene {
    ShaderProgram built;
    GLuint program = 0;
    GlName vertexArray;
};

Scene buildScene()
{
    Scene scene;
    ConsoleSink console; // says nothing
    scene.built = render::buildProgram(kVertexSource, kFragmentSource, "bench.vsh", "bench.fsh", BuildReport::Quiet,
                                       console)
                      .program;
    scene.program = scene.built.getProgramId();
    scene.vertexArray = GlName::generate(GlName::Kind::VertexArray);
    return scene;
}

void drawScene(const Scene& scene, int width, int height, double seconds, float fft)
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, width, height);
    glUseProgram(scene.program);
    glUniform2f(glGetUniformLocation(scene.program, "iResolution"), static_cast<float>(width),
                static_cast<float>(height));
    glUniform1f(glGetUniformLocation(scene.program, "iGlobalTime"), static_cast<float>(seconds));
    glUniform1f(glGetUniformLocation(scene.program, "fft"), fft);
    glBindVertexArray(scene.vertexArray.get());
    glDrawArrays(GL_TRIANGLES, 0, 3);
}

enum class Mode { Render, Export, Encode };

struct Run {
    Mode mode = Mode::Render;
    int width = 640;
    int height = 360;
    int fps = 60;
    int frames = 240;
    std::string preset;
    std::string tunePath;
    std::string output;
    int warmUpFrames = 0; // Export: frames drawn before the range, not written
};

struct Result {
    bool ok = false;
    double framesPerSecond = 0.0;
    double warmUpMsPerFrame = 0.0; // wall time per warm-up frame, with warmUpFrames
    double cpuMsPerFrame = 0.0;    // processor time of the whole child (all threads) per frame
    double peakMb = 0.0;
};

// The child's side: one run, its frames per second written to `channel`.
int runInChild(const Run& run, int channel)
{
    HeadlessGl gl;
    std::string problem;
    if (!gl.open(run.width, run.height, problem)) {
        std::fprintf(stderr, "bench_export: %s\n", problem.c_str());
        return 1;
    }
    const Scene scene = buildScene();
    // Encoding alone: distinct frames of the scene, read back before the
    // clock starts, handed to the encoder in turn.
    std::vector<std::vector<uint8_t>> pictures;
    if (run.mode == Mode::Encode) {
        const int kPictures = 16;
        for (int k = 0; k < kPictures; ++k) {
            drawScene(scene, run.width, run.height, static_cast<double>(k) * 7.0 / run.fps, 0.0f);
            pictures.emplace_back(static_cast<size_t>(run.width) * run.height * 4);
            glReadPixels(0, 0, run.width, run.height, GL_RGBA, GL_UNSIGNED_BYTE, pictures.back().data());
        }
    }
    const auto start = std::chrono::steady_clock::now();
    auto rangeStart = start; // after the warm-up
    if (run.mode == Mode::Encode) {
        VideoSettings video;
        video.width = run.width;
        video.height = run.height;
        video.fps = run.fps;
        video.preset = run.preset;
        const uint64_t tuneRate = 44100;
        const ExportSound sound{run.tunePath, 0, tuneRate * static_cast<uint64_t>(run.frames) / run.fps};
        VideoFileWriter writer;
        if (!writer.open(run.output, video, sound, problem))
            return 1;
        for (int k = 0; k < run.frames; ++k)
            if (!writer.writeFrame(pictures[static_cast<size_t>(k) % pictures.size()].data(), k, problem))
                return 1;
        if (!writer.finish(problem))
            return 1;
    } else if (run.mode == Mode::Export) {
        ExportSettings settings;
        settings.output = run.output;
        settings.width = run.width;
        settings.height = run.height;
        settings.fps = run.fps;
        settings.preset = run.preset;
        settings.startSeconds = static_cast<double>(run.warmUpFrames) / run.fps;
        settings.endSeconds = static_cast<double>(run.warmUpFrames + run.frames) / run.fps;
        for (int k = 0; k < run.warmUpFrames; ++k)
            settings.warmUpFrames.push_back(static_cast<uint64_t>(k));
        settings.tunePath = run.tunePath;
        settings.progressStream = nullptr;
        bool inRange = false;
        const ExportResult result = Exporter(settings).run([&](const ExportFrame& frame) {
            if (!frame.warmUp && !inRange) {
                glFinish(); // the warm-up's last frame is drawn
                inRange = true;
                rangeStart = std::chrono::steady_clock::now();
            }
            drawScene(scene, run.width, run.height, frame.seconds, frame.spectrum[40]);
        });
        if (result.status != ExportStatus::Done)
            return 1;
    } else {
        for (int k = 0; k < run.frames; ++k) {
            drawScene(scene, run.width, run.height, static_cast<double>(k) / run.fps, 0.0f);
            glFlush();
        }
        glFinish();
    }
    const auto end = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(end - (run.warmUpFrames > 0 ? rangeStart : start)).count();
    const double figures[2] = {
        run.frames / seconds,
        run.warmUpFrames > 0 ? 1000.0 * std::chrono::duration<double>(rangeStart - start).count() / run.warmUpFrames
                             : 0.0};
    return write(channel, figures, sizeof figures) == sizeof figures ? 0 : 1;
}

// Bytes of the files in `folder` whose names end in `suffix`.
uint64_t folderBytes(const std::string& folder, const std::string& suffix)
{
    uint64_t bytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            bytes += entry.file_size();
    }
    return bytes;
}

Result measure(const Run& run)
{
    Result result;
    int channel[2];
    if (pipe(channel) != 0)
        return result;
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        // The shader steps report on standard output; the figures matter here.
        if (std::freopen("/dev/null", "w", stdout) == nullptr)
            _exit(1);
        _exit(runInChild(run, channel[1]));
    }
    close(channel[1]);
    double figures[2] = {0.0, 0.0};
    const bool got = read(channel[0], figures, sizeof figures) == sizeof figures;
    close(channel[0]);
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    result.ok = got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.framesPerSecond = figures[0];
    result.warmUpMsPerFrame = figures[1];
    result.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
    const double cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                              static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    result.cpuMsPerFrame = 1000.0 * cpuSeconds / run.frames;
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("EGL_LOG_LEVEL", "fatal", 0);
    const BenchCommandLine arguments(
        argc, argv, "bench_export", "[PRESET [FRAMES]]",
        "PRESET: x264 preset (ultrafast .. placebo; default the exporter's); FRAMES: frames per\n"
        "throughput run (default 240, at least 30). Prints, at 640x360 and 1280x720, frames per\n"
        "second of rendering alone, encoding alone, the export and an image-sequence export, with\n"
        "processor time per frame; the cost of a range's warm-up per frame and per second of demo\n"
        "skipped; then the peak memory of a 10 s and a 78 s export. No display needed.\n",
        2);
    const std::string preset = arguments.has(0) ? arguments.text(0) : ExportSettings().preset;
    const char* const presets[] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                   "medium",    "slow",      "slower",   "veryslow", "placebo"};
    if (std::find(std::begin(presets), std::end(presets), preset) == std::end(presets))
        arguments.refuse("PRESET must be an x264 preset (ultrafast .. placebo), not '" + preset + "'");
    const int frames = arguments.wholeNumber(1, "FRAMES", 240, 30);
    ScratchDir dir;
    OggTestFile tune(OggSignal{80.0, 44100, 2, 440.0, 0.5});
    if (!tune.written()) {
        std::fprintf(stderr, "bench_export: the test tune could not be written\n");
        return 1;
    }

    std::printf("export throughput (x264 preset %s, %d frames, sound from a %s tune)\n", preset.c_str(), frames,
                "44.1 kHz stereo");
    std::printf("%-10s %11s %11s %11s %7s %8s %11s %10s %10s %10s\n", "size", "render fps", "encode fps", "export fps",
                "ratio", "overlap", "images fps", "PNG kB", "export ms", "images ms");
    const int sizes[][2] = {{640, 360}, {1280, 720}};
    for (const auto& size : sizes) {
        Run run;
        run.width = size[0];
        run.height = size[1];
        run.frames = frames;
        run.preset = preset;
        run.tunePath = tune.path();
        run.output = dir.file("throughput.mp4");
        const Result renderOnly = measure(run);
        run.mode = Mode::Encode;
        const Result encodeOnly = measure(run);
        run.mode = Mode::Export;
        const Result exported = measure(run);
        const std::string frames = dir.file("frames");
        std::filesystem::remove_all(frames);
        std::filesystem::create_directory(frames);
        run.output = frames + "/f%05d.png";
        const Result images = measure(run);
        const double pngKb = static_cast<double>(folderBytes(frames, ".png")) / 1024.0 / run.frames;
        const std::string label = std::to_string(size[0]) + "x" + std::to_string(size[1]);
        if (!renderOnly.ok || !encodeOnly.ok || !exported.ok || !images.ok) {
            std::printf("%-10s failed\n", label.c_str());
            continue;
        }
        const double sharedBound = 1.0 / (1.0 / renderOnly.framesPerSecond + 1.0 / encodeOnly.framesPerSecond);
        std::printf("%-10s %11.1f %11.1f %11.1f %7.2f %8.2f %11.1f %10.0f %10.2f %10.2f\n", label.c_str(),
                    renderOnly.framesPerSecond, encodeOnly.framesPerSecond, exported.framesPerSecond,
                    exported.framesPerSecond / renderOnly.framesPerSecond, exported.framesPerSecond / sharedBound,
                    images.framesPerSecond, pngKb, exported.cpuMsPerFrame, images.cpuMsPerFrame);
    }

    std::printf("\nwarm-up before a range of a feedback demo (%d frames drawn unwritten, then %d exported, 60 fps)\n",
                frames, frames);
    std::printf("%-10s %16s %16s %26s\n", "size", "warm-up ms/frame", "export ms/frame", "warm-up s per skipped s");
    for (const auto& size : sizes) {
        Run run;
        run.mode = Mode::Export;
        run.width = size[0];
        run.height = size[1];
        run.frames = frames;
        run.warmUpFrames = frames;
        run.preset = preset;
        run.tunePath = tune.path();
        run.output = dir.file("warmup.mp4");
        const Result result = measure(run);
        const std::string label = std::to_string(size[0]) + "x" + std::to_string(size[1]);
        if (!result.ok) {
            std::printf("%-10s failed\n", label.c_str());
            continue;
        }
        std::printf("%-10s %16.2f %16.2f %26.2f\n", label.c_str(), result.warmUpMsPerFrame,
                    1000.0 / result.framesPerSecond, result.warmUpMsPerFrame * run.fps / 1000.0);
    }

    std::printf("\npeak resident memory of an export at 320x180, 60 fps (target: equal within 10 MB)\n");
    std::printf("%-10s %14s %14s\n", "length", "peak MB", "export fps");
    double peaks[2] = {0.0, 0.0};
    const double lengths[] = {10.0, 78.0};
    for (int i = 0; i < 2; ++i) {
        Run run;
        run.mode = Mode::Export;
        run.width = 320;
        run.height = 180;
        run.frames = static_cast<int>(lengths[i] * run.fps);
        run.preset = preset;
        run.tunePath = tune.path();
        run.output = dir.file("memory.mp4");
        const Result result = measure(run);
        peaks[i] = result.peakMb;
        std::printf("%-10s %14.1f %14.1f%s\n", (std::to_string(static_cast<int>(lengths[i])) + " s").c_str(),
                    result.peakMb, result.framesPerSecond, result.ok ? "" : "  (failed)");
    }
    std::printf("difference %13.1f MB\n", std::fabs(peaks[1] - peaks[0]));
    return 0;
}
