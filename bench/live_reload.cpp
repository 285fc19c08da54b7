// Save-to-screen benchmark of live mode: from the moment a file is renamed
// into place (as editors save) to the first swapped frame that shows its
// effect, read back from the window. Frames are paced at 60 Hz, as vertical
// sync paces them on a display. Prints, for a fragment shader saved 60 times:
// median and p95 of save-to-screen beside the build time of that program
// alone (target: median at most one frame + build + 5 ms); the same for a
// text track saved 60 times (target: at most two frames); and the specified
// reload (one entry examined every 64th frame, whole-second file times) for
// comparison, over 12 saves, each in a new second so that none is lost.
//
//   bench_live_reload                (needs a display; xvfb-run works)
//
// Main thread; the files live in a scratch folder removed at the end.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <GL/glew.h>

#include "BenchCommandLine.h"
#include "GlTestContext.h"
#include "ScratchDir.h"
#include "app/TextTracks.h"
#include "platform/FileWatcher.h"
#include "platform/platform.h"
#include "render/ShaderProgram.h"
#include "sync/track.h"

#include <GL/freeglut.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kFramePeriod = std::chrono::microseconds(16667);
constexpr int kLiveSaves = 60;
constexpr int kSpecifiedSaves = 12;

const char* const kVertex = R"(#version 140
void main()
{
    vec2 corner = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
}
)";

std::string fragment(float green)
{
    return "#version 140\nuniform float level;\nout vec4 colour;\nvoid main() { colour = vec4(level, " +
           std::to_string(green) + ", 0.0, 1.0); }\n";
}

double milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

struct Figures {
    std::vector<double> latencies; // ms
    std::vector<double> builds;    // ms
};

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

// The player's frame, reduced to what the measurement needs: the reload step,
// one full-screen draw, the read-back and the swap at the next 60 Hz tick.
class Rig {
public:
    explicit Rig(const ScratchDir& dir) : dir_(dir)
    {
        gltest::ensureGlContext();
        vertexArray_ = GlName::generate(GlName::Kind::VertexArray);
        dir_.write("quad.vsh", kVertex);
        save("paint.fsh", fragment(0.0f));
        program_ =
            render::buildShaderProgram(dir_.file("quad.vsh"), dir_.file("paint.fsh"), BuildReport::Quiet).program;
        nextFrame_ = Clock::now();
    }

    void save(const std::string& name, const std::string& text)
    {
        dir_.write(name + ".new", text);
        std::rename(dir_.file(name + ".new").c_str(), dir_.file(name).c_str());
    }

    // Rebuilds the program live, returning the build's milliseconds.
    double rebuild()
    {
        const Clock::time_point start = Clock::now();
        ShaderBuild built = render::buildShaderProgram(dir_.file("quad.vsh"), dir_.file("paint.fsh"),
                                                       BuildReport::Quiet);
        const double took = milliseconds(Clock::now() - start);
        if (built.outcome.built)
            program_ = std::move(built.program);
        return took;
    }

    // One frame with `reload` run first; the centre pixel's green, 0..255.
    int frame(const std::function<void()>& reload)
    {
        std::this_thread::sleep_until(nextFrame_);
        nextFrame_ = std::max(nextFrame_ + kFramePeriod, Clock::now());
        reload();
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, gltest::kWindowWidth, gltest::kWindowHeight);
        glUseProgram(program_.getProgramId());
        glUniform1f(glGetUniformLocation(program_.getProgramId(), "level"), sync_track_value(&level_, 0.0));
        glBindVertexArray(vertexArray_.get());
        glDrawArrays(GL_TRIANGLES, 0, 3);
        const int green = gltest::readWindowPixel(gltest::kWindowWidth / 2, gltest::kWindowHeight / 2).g;
        glutSwapBuffers();
        return green;
    }

    SyncTrack& level() { return level_; }
    const ScratchDir& dir() const { return dir_; }

    // Frames until the centre shows `green` (or `red`, for the level track); the time since `saved`.
    double framesUntil(Clock::time_point saved, const std::function<void()>& reload, const std::function<bool()>& shows)
    {
        const Clock::time_point deadline = saved + std::chrono::seconds(3);
        while (Clock::now() < deadline) {
            frame(reload);
            if (shows())
                return milliseconds(Clock::now() - saved);
        }
        return -1.0;
    }

private:
    const ScratchDir& dir_;
    GlName vertexArray_;
    ShaderProgram program_;
    SyncTrack level_;
    Clock::time_point nextFrame_;
};

void print(const char* what, const Figures& figures, const char* target)
{
    std::printf("%-34s median %7.2f ms   p95 %7.2f ms   over %zu saves", what, percentile(figures.latencies, 0.5),
                percentile(figures.latencies, 0.95), figures.latencies.size());
    if (!figures.builds.empty())
        std::printf("   (build alone: median %.2f ms, p95 %.2f ms)", percentile(figures.builds, 0.5),
                    percentile(figures.builds, 0.95));
    std::printf("\n%-34s target %s\n", "", target);
}

} // namespace

int main(int argc, char** argv)
{
    BenchCommandLine(argc, argv, "bench_live_reload", "",
                     "Live mode's save-to-screen time, frames paced at 60 Hz: a fragment shader saved 60\ntimes "
                     "(median and p95 beside the program's build time; target: median at most one\nframe + build + 5 "
                     "ms), a text track saved 60 times (target: at most two frames), and\nthe specified reload for "
                     "comparison. Needs a display (xvfb-run works).\n",
                     0);
    ScratchDir dir;
    Rig rig(dir);
    FileWatcher watcher;
    watcher.add(dir.file("paint.fsh"));
    const std::string levelPath = dir.file("level.txt");
    rig.save("level.txt", "0 0 step");
    watcher.add(levelPath);
    int shown = 0;

    // Live mode: the watcher's changes before each frame.
    Figures shader;
    Figures track;
    double build = 0.0;
    auto liveReload = [&] {
        for (const std::string& path : watcher.changes()) {
            if (path == dir.file("paint.fsh")) {
                build = rig.rebuild();
            } else {
                std::string error;
                app::loadTextTrack(&rig.level(), path, error);
            }
        }
    };
    for (int save = 1; save <= kLiveSaves; ++save) {
        for (int settle = 0; settle < 3 + save % 5; ++settle)
            rig.frame(liveReload);
        const int green = save % 2 == 1 ? 255 : 0;
        rig.save("paint.fsh", fragment(static_cast<float>(green) / 255.0f));
        const double took = rig.framesUntil(Clock::now(), liveReload, [&] {
            shown = gltest::readWindowPixel(gltest::kWindowWidth / 2, gltest::kWindowHeight / 2).g;
            return shown == green;
        });
        if (took >= 0.0) {
            shader.latencies.push_back(took);
            shader.builds.push_back(build);
        }
    }
    for (int save = 1; save <= kLiveSaves; ++save) {
        for (int settle = 0; settle < 3 + save % 5; ++settle)
            rig.frame(liveReload);
        const int red = save % 2 == 1 ? 255 : 0;
        rig.save("level.txt", save % 2 == 1 ? "0 1 step" : "0 0 step");
        const double took = rig.framesUntil(Clock::now(), liveReload, [&] {
            return gltest::readWindowPixel(gltest::kWindowWidth / 2, gltest::kWindowHeight / 2).r == red;
        });
        if (took >= 0.0)
            track.latencies.push_back(took);
    }

    // The specified reload: one entry, examined when the cursor comes round
    // to it every 64th frame, by its whole-second modification time.
    Figures specified;
    uint32_t cursor = 0;
    int32_t recorded = 0;
    platform_file_time(dir.file("paint.fsh").c_str(), recorded);
    auto specifiedReload = [&] {
        cursor = (cursor + 1) & 63u;
        int32_t time = 0;
        if (cursor == 0 && platform_file_time(dir.file("paint.fsh").c_str(), time) && time != recorded) {
            recorded = time;
            build = rig.rebuild();
        }
    };
    for (int save = 1; save <= kSpecifiedSaves; ++save) {
        // A new second, so that the save is not lost to the whole-second comparison.
        const auto second = std::chrono::system_clock::now().time_since_epoch() / std::chrono::seconds(1);
        while (std::chrono::system_clock::now().time_since_epoch() / std::chrono::seconds(1) == second)
            rig.frame(specifiedReload);
        const int green = shown == 255 ? 0 : 255;
        rig.save("paint.fsh", fragment(static_cast<float>(green) / 255.0f));
        const double took = rig.framesUntil(Clock::now(), specifiedReload, [&] {
            shown = gltest::readWindowPixel(gltest::kWindowWidth / 2, gltest::kWindowHeight / 2).g;
            return shown == green;
        });
        if (took >= 0.0) {
            specified.latencies.push_back(took);
            specified.builds.push_back(build);
        }
    }

    std::printf("save to screen, frames paced at 60 Hz (one frame: %.2f ms), watcher: %s\n", milliseconds(kFramePeriod),
                watcher.notifying() ? "notification" : "polling");
    print("live, shader saved", shader, "median <= one frame + build + 5 ms");
    print("live, text track saved", track, "<= two frames (33.3 ms)");
    print("specified reload, shader saved", specified, "none (for comparison)");
    return 0;
}
