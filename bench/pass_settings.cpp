// Pass settings and conventions benchmark, at 640 x 360:
//   - a four-pass blur scene (a plasma, then three blurs, each reading the
//     pass before) with every pass at scale 1, 0.5 and 0.25;
//   - a one-pass scene whose pass reads its own previous output (a feedback
//     pass, two pictures swapped every frame) against the same pass without;
//   - building a program whose fragment shader is in the shader sites'
//     convention against the same shader written by hand (the target: at most
//     5 % more; the compile is the driver's).
// Each frame ends with glFinish; one iteration draws (or builds) one of each
// kind, in turns, so that other load on the machine falls on all alike.
// Prints the median times and the medians of each iteration's ratios.
//
//   bench_pass_settings              (needs a display; xvfb-run works)
//   MESA_SHADER_CACHE_DISABLE=true bench_pass_settings   (builds that compile, not
//                                    found in Mesa's cache of earlier compiles)
//   GALLIUM_NOOP=1 bench_pass_settings   (drawing free: the player's own cost)
#include <benchmark/benchmark.h>

#include <algorithm>
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
#include "render/DemoShader.h"
#include "render/Scene.h"
#include "render/ShaderConvention.h"
#include "render/ShaderSource.h"

namespace {

constexpr const char* kPlasma = R"(#version 330
uniform vec2 iResolution;
uniform float iGlobalTime;
out vec4 color;
void main()
{
    vec2 p = gl_FragCoord.xy / iResolution;
    float v = sin(p.x * 10.0 + iGlobalTime) + sin(p.y * 7.0 - iGlobalTime) + sin((p.x + p.y) * 13.0);
    color = vec4(0.5 + 0.5 * sin(v), 0.5 + 0.5 * cos(v * 1.3), 0.5 + 0.5 * sin(v * 0.7), 1.0);
}
)";

// 13 taps across the pass before.
constexpr const char* kBlur = R"(#version 330
uniform sampler2D iChannel0;
uniform vec2 iResolution;
out vec4 color;
void main()
{
    vec2 p = gl_FragCoord.xy / iResolution;
    vec2 d = vec2(1.0, 0.5) / iResolution;
    vec4 sum = vec4(0.0);
    for (int i = -6; i <= 6; ++i)
        sum += texture(iChannel0, p + float(i) * d) * (7.0 - abs(float(i)));
    color = sum / 49.0;
}
)";

// A trail: what the previous frame showed, faded, under a moving dot.
constexpr const char* kTrail = R"(#version 330
uniform sampler2D iChannel0;
uniform vec2 iResolution;
uniform float iGlobalTime;
out vec4 color;
void main()
{
    vec2 p = gl_FragCoord.xy / iResolution;
    vec2 dot = 0.5 + 0.3 * vec2(cos(iGlobalTime), sin(iGlobalTime));
    color = max(texture(iChannel0, p) * 0.95, vec4(smoothstep(0.05, 0.0, distance(p, dot))));
}
)";

constexpr const char* kFinal = R"(#version 330
uniform sampler2D finalTarget;
uniform vec2 iResolution;
out vec4 color;
void main() { color = texture(finalTarget, gl_FragCoord.xy / iResolution); }
)";

// The same shader twice: in the sites' convention, and as written for the player.
constexpr const char* kSiteShader = R"(// a plasma, as the sites write it
float wave(vec2 p, float t) { return sin(p.x * 10.0 + t) + sin(p.y * 7.0 - t) + sin((p.x + p.y) * 13.0); }
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 p = fragCoord / iResolution.xy;
    float v = wave(p, iTime) + texture(iChannel0, p).r * float(iFrame % 2);
    fragColor = vec4(0.5 + 0.5 * sin(v), 0.5 + 0.5 * cos(v * 1.3), 0.5 + 0.5 * sin(v * iTimeDelta), 1.0);
}
)";
constexpr const char* kHandShader = R"(#version 330 core
uniform vec3 iResolution;
uniform float iTime;
uniform float iTimeDelta;
uniform int iFrame;
uniform sampler2D iChannel0;
out vec4 color;
// a plasma, as the sites write it
float wave(vec2 p, float t) { return sin(p.x * 10.0 + t) + sin(p.y * 7.0 - t) + sin((p.x + p.y) * 13.0); }
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 p = fragCoord / iResolution.xy;
    float v = wave(p, iTime) + texture(iChannel0, p).r * float(iFrame % 2);
    fragColor = vec4(0.5 + 0.5 * sin(v), 0.5 + 0.5 * cos(v * 1.3), 0.5 + 0.5 * sin(v * iTimeDelta), 1.0);
}
void main() { mainImage(color, gl_FragCoord.xy); }
)";

// The scenes and their files, made once per process.
struct Rig {
    ScratchDir dir;
    std::unique_ptr<gltest::SceneRig> machinery;
    std::unique_ptr<SyncDevice, void (*)(SyncDevice*)> device{nullptr, sync_close};
    std::string vertex;
    std::vector<Scene> blurs; // at scale 1, 0.5, 0.25
    Scene feedback, plain;
    uint64_t frameNumber = 0;

    DemoShader entry(const std::string& name, const char* source)
    {
        DemoShader shader(vertex, dir.write(name, source));
        shader.build(BuildReport::Quiet);
        return shader;
    }

    Rig()
    {
        QuietStdout quiet;
        machinery = std::make_unique<gltest::SceneRig>(kFinal);
        device.reset(sync_open(dir.file("sync").c_str()));
        vertex = dir.write("quad.vsh", gltest::kQuadVertexSource);
        const DemoShader plasma = entry("plasma.fsh", kPlasma);
        const DemoShader blur = entry("blur.fsh", kBlur);
        for (float scale : {1.0f, 0.5f, 0.25f}) {
            PassSettings settings;
            settings.scale = scale;
            settings.filter = PassFilter::Linear;
            Scene scene;
            scene.addShader(plasma, settings);
            for (int pass = 1; pass < 4; ++pass) {
                // Each blur reads the one before it.
                settings.hasChannels = true;
                settings.channels = {{PassChannel::Source::Pass, pass - 1}};
                scene.addShader(blur, settings);
            }
            blurs.push_back(scene);
        }
        PassSettings previous;
        previous.hasChannels = true;
        previous.channels = {{PassChannel::Source::Previous, 0}};
        const DemoShader trail = entry("trail.fsh", kTrail);
        feedback.addShader(trail, previous);
        // The same pass with its channel black instead.
        PassSettings black;
        black.hasChannels = true;
        black.channels = {{PassChannel::Source::Black, 0}};
        plain.addShader(trail, black);
        for (Scene* scene : {&blurs[0], &blurs[1], &blurs[2], &feedback, &plain})
            draw(*scene);
    }

    void draw(Scene& scene)
    {
        SceneFrame frame = machinery->frame(10, 0.01 * static_cast<double>(frameNumber), 0.0f, 0.0f, device.get());
        frame.printsFstrLine = false;
        frame.inputs.frameNumber = ++frameNumber;
        scene.render(frame);
        glFinish();
    }
};

Rig& rig()
{
    static Rig made;
    return made;
}

template <typename Work> double secondsOf(Work work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Seconds of each kind, one sample per iteration, over the last run of each benchmark.
struct Samples {
    std::vector<std::vector<double>> seconds; // [kind][iteration]

    // The median of kind `kind`, in milliseconds.
    double medianMs(std::size_t kind) const { return 1000.0 * median(seconds[kind]); }
    // The median of kind `kind`'s time over kind `base`'s, iteration by iteration.
    double medianRatio(std::size_t kind, std::size_t base) const
    {
        std::vector<double> ratios;
        for (std::size_t i = 0; i < seconds[kind].size(); ++i)
            ratios.push_back(seconds[kind][i] / seconds[base][i]);
        return median(ratios);
    }
    bool empty() const { return seconds.empty() || seconds[0].empty(); }

    static double median(std::vector<double> values)
    {
        std::sort(values.begin(), values.end());
        return values.empty() ? 0.0 : values[values.size() / 2];
    }
};

Samples& scaleSamples()
{
    static Samples samples;
    return samples;
}
Samples& feedbackSamples()
{
    static Samples samples;
    return samples;
}
Samples& buildSamples()
{
    static Samples samples;
    return samples;
}

// One iteration runs each of `kinds` once, starting with a different one each time.
template <typename Run> void inTurns(benchmark::State& state, std::size_t kinds, Run run, Samples& kept)
{
    QuietStdout quiet;
    Samples samples;
    samples.seconds.assign(kinds, {});
    std::size_t first = 0;
    for (auto _ : state) {
        for (std::size_t k = 0; k < kinds; ++k) {
            const std::size_t kind = (first + k) % kinds;
            samples.seconds[kind].push_back(secondsOf([&] { run(kind); }));
        }
        first = (first + 1) % kinds;
    }
    kept = samples; // the last (longest) run is the one printed below
}

void BM_BlurAtScales(benchmark::State& state)
{
    Rig& made = rig();
    inTurns(
        state, made.blurs.size(), [&](std::size_t kind) { made.draw(made.blurs[kind]); }, scaleSamples());
}

void BM_FeedbackAgainstPlain(benchmark::State& state)
{
    Rig& made = rig();
    inTurns(
        state, 2, [&](std::size_t kind) { made.draw(kind == 0 ? made.feedback : made.plain); }, feedbackSamples());
}

// Kinds: 0 a build in the convention, 1 the same by hand, 2 the convention's
// assembly of the source alone (what the player adds to the build).
void BM_ConventionBuild(benchmark::State& state)
{
    Rig& made = rig();
    const std::string site = made.dir.write("site.fsh", kSiteShader);
    const std::string hand = made.dir.write("hand.fsh", kHandShader);
    const ShaderConvention* shadertoy = render::findShaderConvention("shadertoy");
    inTurns(
        state, 3,
        [&](std::size_t kind) {
            if (kind == 2) {
                benchmark::DoNotOptimize(
                    ShaderSource::assemble(site, kSiteShader, shadertoy, render::readShaderFile).text().size());
                return;
            }
            DemoShader shader(made.vertex, kind == 0 ? site : hand, kind == 0 ? shadertoy : nullptr);
            if (!shader.build(BuildReport::Quiet).built)
                state.SkipWithError("a shader did not build");
        },
        buildSamples());
}

BENCHMARK(BM_BlurAtScales)->UseRealTime()->MinTime(4.0);
BENCHMARK(BM_FeedbackAgainstPlain)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_ConventionBuild)->UseRealTime()->MinTime(4.0);

} // namespace

int main(int argc, char** argv)
{
    return bench::runGoogleBenchmarks(
        argc, argv, "bench_pass_settings",
        "At 640 x 360: a four-pass blur scene at pass scales 1, 0.5 and 0.25; a feedback pass\nagainst the same pass "
        "without; a convention shader's build against a hand-written one.\nPrints median times and the medians of each "
        "iteration's ratios. Needs a display.\n");

    const Samples& scales = scaleSamples();
    if (!scales.empty()) {
        const char* names[] = {"1", "0.5", "0.25"};
        for (std::size_t kind = 0; kind < scales.seconds.size(); ++kind)
            std::printf("four-pass blur at scale %-4s: %7.2f ms a frame (%.2f of scale 1)\n", names[kind],
                        scales.medianMs(kind), scales.medianRatio(kind, 0));
    }
    const Samples& feedback = feedbackSamples();
    if (!feedback.empty())
        std::printf("feedback pass: %7.2f ms a frame, plain pass: %7.2f ms (ratio %.3f)\n", feedback.medianMs(0),
                    feedback.medianMs(1), feedback.medianRatio(0, 1));
    const Samples& builds = buildSamples();
    if (!builds.empty())
        std::printf(
            "build in the convention: %7.3f ms, written by hand: %7.3f ms (ratio %.3f; target: at most "
            "1.05); the convention's assembly alone: %.4f ms (%.2f %% of a build)\n",
            builds.medianMs(0), builds.medianMs(1), builds.medianRatio(0, 1), builds.medianMs(2),
            100.0 * builds.medianRatio(2, 1));
    std::printf("(medians; ratios are medians of one iteration's pair)\n");
    return 0;
}
