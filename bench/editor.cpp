// Track editor benchmark, at 1280 x 720 with 16 tracks of 2,000 keys each:
// the frame with the editor closed (a plasma drawn into the window, as a
// demo's picture) against the frame with it open (the same picture drawn
// offscreen at the window's size and copied, scaled, beside the panel, the
// panel drawn by Dear ImGui), in the same
// run, frames alternating so that other load falls on both alike; and the
// editor's own CPU time per frame (the panel built and Dear ImGui's draw
// lists made, without GL). The music plays at 20 rows a second and the
// frames come at 60 a second, so the panel changes every third frame; as
// the edit mode does, the panel is rasterised into a texture only when its
// draw lists changed and copied into the window otherwise. Then the same
// editor time with one track of 100,000 keys, whose worst frame counts.
// Every frame ends with glFinish; buffers are never swapped. Prints medians
// (targets: the editor's time under 1 ms per frame, the open frame within
// 1.5 x the closed one).
//
//   xvfb-run -s "-screen 0 1280x720x24" build/release/bench/bench_editor [FRAMES]
//   (GALLIUM_NOOP=1 makes the drawing itself free, leaving the CPU's share)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <time.h>

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <backends/imgui_impl_glut.h>
#include <backends/imgui_impl_opengl3.h>
#include <imgui.h>

#include "BenchCommandLine.h"
#include "OggTestFile.h"
#include "editor/DrawSignature.h"
#include "editor/EditorPanel.h"
#include "editor/TrackEditor.h"
#include "editor/TuneStrip.h"
#include "render/PictureTarget.h"
#include "render/ShaderProgram.h"
#include "sync/device.h"
#include "sync/track.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
// Where the open editor shows the picture: at its aspect ratio right of the
// panel, which takes 45 % of the width at first.
constexpr int kPanelWidth = kWidth * 45 / 100;
constexpr FrameView kPictureView{0, kPanelWidth, (kHeight - (kWidth - kPanelWidth) * kHeight / kWidth) / 2,
                                 kWidth - kPanelWidth, (kWidth - kPanelWidth) * kHeight / kWidth};

constexpr const char* kVertex = R"(#version 140
in vec2 corner;
void main() { gl_Position = vec4(corner, 0.0, 1.0); }
)";
constexpr const char* kPlasma = R"(#version 140
uniform vec2 iResolution;
uniform float iGlobalTime;
out vec4 colour;
void main()
{
    vec2 p = gl_FragCoord.xy / iResolution;
    float v = sin(p.x * 10.0 + iGlobalTime) + sin(p.y * 7.0 - iGlobalTime);
    colour = vec4(0.5 + 0.5 * sin(v), 0.5 + 0.5 * cos(v * 1.3), 0.5 + 0.5 * sin(v * 0.7), 1.0);
}
)";

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// A demo's picture: the plasma over the whole window.
struct Picture {
    ShaderProgram program;
    GlName vertexArray;
    GlName buffer;

    bool make()
    {
        ShaderBuild build = render::buildProgram(kVertex, kPlasma, "plasma.vsh", "plasma.fsh", BuildReport::Quiet);
        if (!build.outcome.built) {
            std::fprintf(stderr, "bench_editor: the plasma does not build: %s\n", build.outcome.failure.c_str());
            return false;
        }
        program = std::move(build.program);
        const float corners[] = {-1.0f, -1.0f, 3.0f, -1.0f, -1.0f, 3.0f};
        vertexArray = GlName::generate(GlName::Kind::VertexArray);
        glBindVertexArray(vertexArray.get());
        buffer = GlName::generate(GlName::Kind::Buffer);
        glBindBuffer(GL_ARRAY_BUFFER, buffer.get());
        glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
        const GLuint corner = static_cast<GLuint>(glGetAttribLocation(program.getProgramId(), "corner"));
        glEnableVertexAttribArray(corner);
        glVertexAttribPointer(corner, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
        return true;
    }

    // Into the framebuffer bound now.
    void draw(float time) const
    {
        const GLuint id = program.getProgramId();
        glViewport(0, 0, kWidth, kHeight);
        glUseProgram(id);
        glUniform2f(glGetUniformLocation(id, "iResolution"), kWidth, kHeight);
        glUniform1f(glGetUniformLocation(id, "iGlobalTime"), time);
        glBindVertexArray(vertexArray.get());
        glDrawArrays(GL_TRIANGLES, 0, 3);
    }
};

// `tracks` tracks of `keys` keys each, a key every other row, types in turn.
struct Demo {
    SyncDevice* device = sync_open("bench");
    TrackEditor editor;

    Demo(int tracks, int keys)
    {
        for (int t = 0; t < tracks; ++t) {
            const std::string name = "track" + std::to_string(t);
            SyncTrack* track = sync_obtain_track(device, name.c_str());
            const size_t column = editor.addTrack(name, track);
            std::vector<EditorKey> list;
            for (int k = 0; k < keys; ++k)
                list.push_back({{k * 2, static_cast<float>((k * 7 + t) % 13), k % 4}, "", 0});
            editor.replaceKeys(column, std::move(list), false);
        }
        editor.setLastRow(keys * 2);
        editor.setCursor(keys, 0, false);
    }
    ~Demo() { sync_close(device); }
};

// This thread's processor time in milliseconds: what the editor costs
// itself, apart from the time others' work on a shared machine takes.
double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// The editor's CPU time for one frame: the panel and Dear ImGui's draw lists.
double panelMilliseconds(EditorPanel& panel, Demo& demo, const TuneStrip& strip, double row)
{
    const double start = threadCpuMilliseconds();
    ImGui::GetIO().DisplaySize = ImVec2(kWidth, kHeight);
    ImGui_ImplGLUT_NewFrame();
    EditorView view;
    view.playRow = row;
    demo.editor.followRow(static_cast<int64_t>(row));
    panel.draw(demo.editor, strip, view, kHeight);
    ImGui::Render();
    return threadCpuMilliseconds() - start;
}

// Dear ImGui's draw lists into the window as the edit mode draws them:
// rasterised into `cache` when they changed since `signature`, then the
// panel's part copied into the window. True when it was rasterised.
bool drawPanelCached(PictureTarget& cache, uint64_t& signature)
{
    ImDrawData& data = *ImGui::GetDrawData();
    const uint64_t now = editor::drawSignature(data);
    const bool changed = now != signature;
    if (changed) {
        cache.bind(kWidth, kHeight);
        glViewport(0, 0, kWidth, kHeight);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui_ImplOpenGL3_RenderDrawData(&data);
        signature = now;
    }
    cache.copyRegionTo(0, 0, 0, kPanelWidth, kHeight);
    return changed;
}

} // namespace

int main(int argc, char** argv)
{
    const BenchCommandLine arguments(
        argc, argv, "bench_editor", "[FRAMES]",
        "FRAMES: frames of each kind (default 200, at least 10). At 1280 x 720 with 16 tracks of 2,000\n"
        "keys, prints the frame with the editor closed against it open (medians; target within 1.1 x),\n"
        "the editor's own CPU time per frame (target under 1 ms), and the same with one track of\n"
        "100,000 keys. Needs a 1280x720 display (xvfb-run -s \"-screen 0 1280x720x24\").\n",
        1);
    const int frames = arguments.wholeNumber(0, "FRAMES", 200, 10);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(kWidth, kHeight);
    glutInitContextVersion(3, 1);
    glutInitContextProfile(GLUT_CORE_PROFILE);
    glutCreateWindow("bench_editor");
    glutDisplayFunc([] {}); // frames are drawn by the loop below
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK || glutGet(GLUT_WINDOW_WIDTH) != kWidth || glutGet(GLUT_WINDOW_HEIGHT) != kHeight) {
        std::fprintf(stderr, "bench_editor: needs a GL context and a %dx%d window (a screen that large)\n", kWidth,
                     kHeight);
        return 1;
    }
    ImGui::CreateContext();
    ImGui::GetIO().IniFilename = nullptr;
    ImGui::StyleColorsDark();
    ImGui::GetStyle().Colors[ImGuiCol_WindowBg].w = 1.0f;
    ImGui_ImplGLUT_Init();
    ImGui_ImplOpenGL3_Init("#version 140");
    ImGui_ImplOpenGL3_NewFrame();

    OggSignal signal;
    signal.seconds = 200.0;
    OggTestFile tune(signal);
    TuneStrip strip;
    strip.start(tune.path(), 20.0);
    while (!strip.ready())
        glutMainLoopEvent(); // the strip's worker decodes meanwhile

    Picture picture;
    if (!picture.make())
        return 1;
    PictureTarget offscreen;
    Demo demo(16, 2000);
    EditorPanel panel;

    // Closed, the picture goes straight into the window; open, through the
    // offscreen picture into its place beside the panel, then the panel.
    std::vector<double> closed, open, editorCpu;
    PictureTarget panelCache;
    uint64_t panelSignature = 0;
    int rasterised = 0;
    for (int frame = 0; frame < frames; ++frame) {
        const float time = frame * 0.016f;
        for (int kind = 0; kind < 2; ++kind) {
            const bool withEditor = (kind + frame) % 2 == 1;
            const Clock::time_point start = Clock::now();
            if (withEditor) {
                offscreen.bind(kWidth, kHeight);
                picture.draw(time);
                offscreen.copyTo(kPictureView);
                editorCpu.push_back(panelMilliseconds(panel, demo, strip, 1000.0 + frame / 3.0));
                rasterised += drawPanelCached(panelCache, panelSignature) ? 1 : 0;
            } else {
                glBindFramebuffer(GL_FRAMEBUFFER, 0);
                picture.draw(time);
            }
            glFinish();
            (withEditor ? open : closed).push_back(millisecondsSince(start));
        }
    }

    // Where the open frame's time goes: each step finished before the next.
    std::vector<double> drawSteps, copySteps, panelSteps, keptSteps;
    for (int frame = 0; frame < frames / 2; ++frame) {
        Clock::time_point start = Clock::now();
        offscreen.bind(kWidth, kHeight);
        picture.draw(frame * 0.016f);
        glFinish();
        drawSteps.push_back(millisecondsSince(start));
        start = Clock::now();
        offscreen.copyTo(kPictureView);
        glFinish();
        copySteps.push_back(millisecondsSince(start));
        panelMilliseconds(panel, demo, strip, 1000.0 + frame);
        start = Clock::now();
        glViewport(0, 0, kWidth, kHeight);
        ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
        glFinish();
        panelSteps.push_back(millisecondsSince(start));
        start = Clock::now();
        panelCache.copyRegionTo(0, 0, 0, kPanelWidth, kHeight);
        glFinish();
        keptSteps.push_back(millisecondsSince(start));
    }

    // One track of 100,000 keys: the editor's worst frame.
    Demo large(1, 100000);
    double worst = 0.0;
    int worstFrame = 0;
    std::vector<double> largeCpu;
    for (int frame = 0; frame < frames; ++frame) {
        largeCpu.push_back(panelMilliseconds(panel, large, strip, 150000.0 + frame * 7));
        if (largeCpu.back() > worst) {
            worst = largeCpu.back();
            worstFrame = frame;
        }
    }
    std::vector<double> sorted = largeCpu;
    std::sort(sorted.begin(), sorted.end());

    const double closedMs = median(closed);
    const double openMs = median(open);
    std::printf("bench_editor: %dx%d, 16 tracks x 2000 keys, %d frames each, medians\n", kWidth, kHeight, frames);
    std::printf("  frame, editor closed      %8.3f ms\n", closedMs);
    std::printf(
        "  frame, editor open        %8.3f ms   ratio %.3f (target <= 1.5); panel rasterised in %d of %d frames\n",
        openMs, openMs / closedMs, rasterised, frames);
    std::printf(
        "    of which: picture drawn offscreen %.3f ms, copied beside the panel %.3f ms, panel rasterised by GL "
        "%.3f ms (when it changed), its kept picture copied %.3f ms (when it did not)\n",
        median(drawSteps), median(copySteps), median(panelSteps), median(keptSteps));
    std::printf("  editor CPU per frame      %8.3f ms   (target < 1 ms)\n", median(editorCpu));
    std::printf(
        "  editor CPU, 100000 keys   %8.3f ms median, %.3f ms at the 99th percentile, %.3f ms worst (frame %d)"
        " (target < 1 ms)\n",
        median(largeCpu), sorted[sorted.size() * 99 / 100], worst, worstFrame);
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplGLUT_Shutdown();
    ImGui::DestroyContext();
    return 0;
}
