// Frame benchmark: a three-pass scene with two textures at 640 x 360, drawn
// by Scene::render, against a minimal loop written here that issues the same
// GL draws into the same targets with the same programs, and none of the
// player's bookkeeping (no attachments per frame, no uniform lookups, no
// camera maths, no console line). Each frame ends with glFinish; buffers are
// never swapped, so vertical sync plays no part. Prints frames per second of
// both and the ratio of their frame times (target: at most 1.05).
//
// One benchmark iteration draws one frame of each kind, in alternating
// order, so that other load on the machine falls on both alike.
//
//   bench_frame                      (needs a display; xvfb-run works)
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BenchCommandLine.h"
#include "GlTestContext.h"
#include "QuietStdout.h"
#include "SceneRig.h"
#include "ScratchDir.h"
#include "TestFiles.h"
#include "render/DemoShader.h"
#include "render/Scene.h"
#include "render/Texture.h"

namespace {

constexpr int kRow = 100;
constexpr double kTime = 5.0;

constexpr const char* kPlasmaFragment = R"(#version 330
uniform vec2 iResolution;
uniform float iGlobalTime;
uniform float fft;
uniform float speed;
out vec4 color;
void main()
{
    vec2 p = gl_FragCoord.xy / iResolution;
    float v = sin(p.x * 10.0 + iGlobalTime * speed) + sin(p.y * 7.0 - iGlobalTime) + fft;
    color = vec4(0.5 + 0.5 * sin(v), 0.5 + 0.5 * cos(v * 1.3), 0.5 + 0.5 * sin(v * 0.7), 1.0);
}
)";

constexpr const char* kBlurFragment = R"(#version 330
uniform sampler2D iChannel0;
uniform sampler2D tex0;
uniform vec2 iResolution;
out vec4 color;
void main()
{
    vec2 p = gl_FragCoord.xy / iResolution;
    vec2 d = 1.0 / iResolution;
    vec4 sum = texture(iChannel0, p) * 4.0 + texture(iChannel0, p + vec2(d.x, 0.0))
             + texture(iChannel0, p - vec2(d.x, 0.0)) + texture(iChannel0, p + vec2(0.0, d.y))
             + texture(iChannel0, p - vec2(0.0, d.y));
    color = mix(sum / 8.0, texture(tex0, p * 4.0), 0.25);
}
)";

constexpr const char* kMixFragment = R"(#version 330
uniform sampler2D iChannel0;
uniform sampler2D iChannel1;
uniform sampler2D tex1;
uniform vec2 iResolution;
uniform float iGlobalTime;
out vec4 color;
void main()
{
    vec2 p = gl_FragCoord.xy / iResolution;
    color = mix(texture(iChannel0, p), texture(iChannel1, p), 0.5 + 0.5 * sin(iGlobalTime))
          * texture(tex1, p * 2.0);
}
)";

constexpr const char* kFinalFragment = R"(#version 330
uniform sampler2D finalTarget;
uniform vec2 iResolution;
uniform float fstr;
out vec4 color;
void main()
{
    vec2 p = gl_FragCoord.xy / iResolution;
    color = texture(finalTarget, p) * (1.0 - 0.1 * fstr);
}
)";

struct SyncDeviceCloser {
    void operator()(SyncDevice* device) const { sync_close(device); }
};

// The scene, its files and textures, made once per process.
struct FrameRig {
    ScratchDir dir;
    std::unique_ptr<gltest::SceneRig> machinery;
    std::unique_ptr<SyncDevice, SyncDeviceCloser> device;
    std::vector<std::unique_ptr<Texture>> images;
    Scene scene;

    SceneFrame frame() { return machinery->frame(kRow, kTime, 0.3f, 0.5f, device.get()); }

    FrameRig()
    {
        QuietStdout quiet;
        machinery = std::make_unique<gltest::SceneRig>(kFinalFragment);
        device.reset(sync_open(dir.file("sync").c_str()));

        std::vector<unsigned char> checker(64 * 64 * 4);
        for (size_t i = 0; i < checker.size(); ++i)
            checker[i] = static_cast<unsigned char>(((i / 4 % 64) / 8 + (i / 4 / 64) / 8) % 2 * 255);
        for (const char* name : {"a.png", "b.png"}) {
            testsupport::writePng(dir.file(name), 64, 64, 4, checker.data());
            images.push_back(std::make_unique<Texture>(dir.file(name)));
        }

        const std::string vertex = dir.write("quad.vsh", gltest::kQuadVertexSource);
        const char* fragments[] = {kPlasmaFragment, kBlurFragment, kMixFragment};
        for (int pass = 0; pass < 3; ++pass) {
            DemoShader entry(vertex, dir.write("pass" + std::to_string(pass) + ".fsh", fragments[pass]));
            entry.build();
            entry.addParameter(device.get(), "speed");
            scene.addShader(entry);
        }
        for (auto& image : images)
            scene.addTexture(*image);

        // One frame sets every uniform, attachment and attribute binding the
        // minimal loop relies on.
        scene.render(frame());
        glFinish();
    }
};

FrameRig& frameRig()
{
    static FrameRig rig;
    return rig;
}

void renderSceneFrame(FrameRig& rig)
{
    rig.scene.render(rig.frame());
    glFinish();
}

// The same draws with everything set up beforehand: per pass a framebuffer
// bind, a clear, the program, the texture bindings and one indexed draw.
void renderMinimalFrame(FrameRig& rig)
{
    const std::vector<DemoShader>& passes = rig.scene.getPassShaders();
    const int passCount = static_cast<int>(passes.size());
    const int textureCount = static_cast<int>(rig.images.size());

    const RenderTargets& targets = rig.machinery->targets;
    SceneQuads& quads = rig.machinery->quads;
    int textureUnit = 0;
    for (int i = 0; i < passCount; ++i) {
        glBindFramebuffer(GL_FRAMEBUFFER, targets.framebuffer(i));
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glUseProgram(passes[i].getProgramId());
        for (int j = 0; j < i; ++j) {
            glActiveTexture(GL_TEXTURE0 + j);
            glBindTexture(GL_TEXTURE_2D, targets.colourTexture(j));
        }
        textureUnit += i;
        for (int k = 0; k < textureCount; ++k, ++textureUnit) {
            glActiveTexture(GL_TEXTURE0 + textureUnit);
            glBindTexture(GL_TEXTURE_2D, rig.images[k]->getId());
        }
        glBindVertexArray(quads.pass(i).getVertexArray());
        glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glUseProgram(rig.machinery->finalProgram.getProgramId());
    for (int j = 0; j < passCount; ++j) {
        glActiveTexture(GL_TEXTURE0 + j);
        glBindTexture(GL_TEXTURE_2D, targets.colourTexture(j));
    }
    glActiveTexture(GL_TEXTURE0 + passCount);
    glBindTexture(GL_TEXTURE_2D, targets.colourTexture(passCount - 1));
    glBindVertexArray(quads.screen().getVertexArray());
    glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr);
    glFinish();
}

// Wall-clock seconds of one frame: llvmpipe draws on its own threads.
double secondsOf(void (*frame)(FrameRig&), FrameRig& rig)
{
    const auto start = std::chrono::steady_clock::now();
    frame(rig);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct FrameTotals {
    double frames = 0.0;
    double sceneSeconds = 0.0;
    double minimalSeconds = 0.0;
};

FrameTotals& frameTotals()
{
    static FrameTotals totals;
    return totals;
}

void BM_FramePair(benchmark::State& state)
{
    FrameRig& rig = frameRig();
    QuietStdout quiet;
    FrameTotals totals;
    bool sceneFirst = true;
    for (auto _ : state) {
        if (sceneFirst) {
            totals.sceneSeconds += secondsOf(renderSceneFrame, rig);
            totals.minimalSeconds += secondsOf(renderMinimalFrame, rig);
        } else {
            totals.minimalSeconds += secondsOf(renderMinimalFrame, rig);
            totals.sceneSeconds += secondsOf(renderSceneFrame, rig);
        }
        sceneFirst = !sceneFirst;
    }
    totals.frames = static_cast<double>(state.iterations());
    state.counters["scene_fps"] = totals.frames / totals.sceneSeconds;
    state.counters["minimal_fps"] = totals.frames / totals.minimalSeconds;
    state.counters["ratio"] = totals.sceneSeconds / totals.minimalSeconds;
    frameTotals() = totals; // the last (longest) run is the one summed up below
}

BENCHMARK(BM_FramePair)->UseRealTime()->MinTime(5.0);

} // namespace

int main(int argc, char** argv)
{
    return bench::runGoogleBenchmarks(
        argc, argv, "bench_frame",
        "A three-pass scene with two textures at 640 x 360 drawn by Scene::render, against a\nminimal loop issuing the "
        "same GL draws. Prints frames per second of both and the\nratio of their frame times (target: at most 1.05). "
        "Needs a display (xvfb-run works).\n");

    const FrameTotals& totals = frameTotals();
    if (totals.frames == 0.0)
        return 0;
    std::printf("scene frame:  %8.1f frames per second\n", totals.frames / totals.sceneSeconds);
    std::printf("minimal loop: %8.1f frames per second\n", totals.frames / totals.minimalSeconds);
    std::printf("ratio (scene frame time / minimal frame time): %.3f (target: at most 1.05)\n",
                totals.sceneSeconds / totals.minimalSeconds);
    return 0;
}
