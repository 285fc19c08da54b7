// Shaders from other tools drawn for real: each convention draws what the
// same shader written for the player draws, a feedback pass accumulates and
// starts black after a seek, a pass's own format and scale hold, and the
// spectrum texture holds what `fft` samples; the sites' sound and keyboard
// channels read textures of the sites' sizes. Pass outputs are read back as
// floats.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CapturedConsole.h"
#include "GlTestContext.h"
#include "SceneRig.h"
#include "ScratchDir.h"
#include "render/BuiltinTextures.h"
#include "render/DemoShader.h"
#include "render/GlName.h"
#include "render/KeyboardTexture.h"
#include "render/Scene.h"
#include "render/ShaderConvention.h"
#include "render/SpectrumTexture.h"
#include "render/Texture.h"
#include "timeline/SiteSoundAnalyser.h"

namespace {

constexpr const char* kFinalFragment = R"(#version 330
uniform sampler2D finalTarget;
out vec4 color;
void main() { color = texelFetch(finalTarget, ivec2(gl_FragCoord.xy), 0); }
)";

constexpr double kTime = 1.25;
constexpr int kBin = 100;

class ShadersFromElsewhere : public testing::Test {
protected:
    CapturedConsole console; // what the code under test said
    void SetUp() override
    {
        rig = std::make_unique<gltest::SceneRig>(kFinalFragment);
        vertexPath = dir.write("quad.vsh", gltest::kQuadVertexSource);
        console.takeOut();
        spectrum.assign(SpectrumRows::kBins, 0.0f);
        smoothed.assign(SpectrumRows::kBins, 0.0f);
        spectrum[kBin] = 0.375f;
        smoothed[kBin] = 0.125f;
        siteSound.assign(2 * SpectrumTexture::kSiteSoundWidth, 0);
        siteSound[kBin] = 64;                                     // row 0: the sites' spectrum
        siteSound[SpectrumTexture::kSiteSoundWidth + kBin] = 192; // row 1: their waveform
    }

    // A built entry of `source`; with a convention, on the player's vertex
    // shader; with `define`, built with that macro, and with `commonPath`
    // after the demo's common file.
    DemoShader entry(const std::string& name, const std::string& source, const char* convention = nullptr,
                     const std::string& define = "", const std::string& commonPath = "")
    {
        const ShaderConvention* followed = convention ? render::findShaderConvention(convention) : nullptr;
        DemoShader shader(followed ? "" : vertexPath, source.empty() ? dir.file(name) : dir.write(name, source),
                          followed);
        if (!define.empty())
            shader.addDefine(define);
        shader.setCommonPath(commonPath);
        const BuildOutcome outcome = shader.build(BuildReport::Quiet, console.sink);
        EXPECT_TRUE(outcome.built) << outcome.failure;
        console.takeOut();
        return shader;
    }

    // Draws `scene` as frame `frameNumber` of timeline `epoch`, with the spectrum.
    void draw(Scene& scene, uint64_t frameNumber = 0, uint64_t epoch = 0)
    {
        SceneFrame frame = rig->frame(kRow, kTime, spectrum[kBin], 0.0f, nullptr);
        frame.printsFstrLine = false;
        frame.inputs.frameNumber = frameNumber;
        frame.inputs.epoch = epoch;
        frame.inputs.spectrum.magnitudes = spectrum.data();
        frame.inputs.spectrum.smoothed = smoothed.data();
        frame.inputs.spectrum.siteSound = siteSound.data();
        frame.inputs.spectrumTexture = &spectrumTexture;
        scene.render(frame);
    }

    // The colour at (x, y) of what pass `pass` of `scene` drew last.
    glm::vec4 output(const Scene& scene, int pass, int x, int y)
    {
        const GlName framebuffer = GlName::generate(GlName::Kind::Framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer.get());
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                               scene.outputTexture(rig->targets, pass), 0);
        return gltest::readFramebufferPixel(framebuffer.get(), x, y);
    }

    static constexpr int kRow = 3;
    ScratchDir dir;
    std::unique_ptr<gltest::SceneRig> rig;
    std::string vertexPath;
    std::vector<float> spectrum, smoothed;
    std::vector<uint8_t> siteSound; // the sites' sound texture, 512 x 2
    SpectrumTexture spectrumTexture;
};

void expectSamePixels(const glm::vec4& expected, const glm::vec4& actual, const char* where)
{
    for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(actual[c], expected[c], 2e-3f) << where << ", component " << c;
}

} // namespace

TEST_F(ShadersFromElsewhere, EachConventionDrawsWhatTheShaderWrittenForThePlayerDraws)
{
    struct Pair {
        const char* convention;
        const char* source;
        const char* handWritten;
    };
    const Pair pairs[] = {
        {"shadertoy",
         "void mainImage(out vec4 fragColor, in vec2 fragCoord)\n"
         "{\n    fragColor = vec4(fragCoord / iResolution.xy, fract(iTime), iResolution.z * 0.5);\n}\n",
         "#version 330\nuniform vec2 iResolution;\nuniform float iGlobalTime;\nout vec4 color;\n"
         "void main() { color = vec4(gl_FragCoord.xy / iResolution, fract(iGlobalTime), 0.5); }\n"},
        // As the live-coding tool's own template declares everything.
        {"bonzomatic",
         "#version 410 core\nuniform float fGlobalTime;\nuniform vec2 v2Resolution;\nuniform sampler1D texFFT;\n"
         "uniform sampler1D texFFTSmoothed;\nin vec2 out_texcoord;\nlayout(location = 0) out vec4 out_color;\n"
         "void main()\n{\n    float bin = (100.0 + 0.5) / 2048.0;\n"
         "    out_color = vec4(out_texcoord.x, gl_FragCoord.y / v2Resolution.y, fract(fGlobalTime),\n"
         "                     texture(texFFT, bin).r + texture(texFFTSmoothed, bin).r);\n}\n",
         "#version 330\nuniform vec2 iResolution;\nuniform float iGlobalTime;\nuniform float fft;\n"
         "uniform sampler2D spectrum;\nout vec4 color;\n"
         "void main() { color = vec4(gl_FragCoord.xy / iResolution, fract(iGlobalTime),\n"
         "                          fft + texelFetch(spectrum, ivec2(100, 1), 0).r); }\n"},
        // Written in the GLSL of OpenGL ES 2, without a #version.
        {"glslviewer",
         "#ifdef GL_ES\nprecision mediump float;\n#endif\nuniform vec2 u_resolution;\nuniform float u_time;\n"
         "varying vec2 v_texcoord;\n"
         "void main() { gl_FragColor = vec4(v_texcoord.x, gl_FragCoord.y / u_resolution.y, fract(u_time), 1.0); }\n",
         "#version 330\nuniform vec2 iResolution;\nuniform float iGlobalTime;\nout vec4 color;\n"
         "void main() { color = vec4(gl_FragCoord.xy / iResolution, fract(iGlobalTime), 1.0); }\n"},
    };
    for (const Pair& pair : pairs) {
        Scene theirs, ours;
        theirs.addShader(entry(std::string(pair.convention) + ".fsh", pair.source, pair.convention));
        ours.addShader(entry(std::string(pair.convention) + "-ours.fsh", pair.handWritten));
        draw(theirs);
        const glm::vec4 theirCorner = output(theirs, 0, 0, 0), theirMiddle = output(theirs, 0, 321, 170);
        draw(ours);
        expectSamePixels(output(ours, 0, 0, 0), theirCorner, pair.convention);
        expectSamePixels(output(ours, 0, 321, 170), theirMiddle, pair.convention);
    }
}

TEST_F(ShadersFromElsewhere, FeedbackPassAccumulatesHoldsWhilePausedAndStartsBlackAfterASeek)
{
    PassSettings feedback;
    feedback.hasChannels = true;
    feedback.channels = {{PassChannel::Source::Previous, 0}};
    Scene scene;
    scene.addShader(
        entry("trail.fsh",
              "void mainImage(out vec4 c, in vec2 p) { c = texture(iChannel0, p / iResolution.xy) + 0.25; }\n",
              "shadertoy"),
        feedback);
    const auto drawn = [&](uint64_t frameNumber, uint64_t epoch) {
        draw(scene, frameNumber, epoch);
        return output(scene, 0, 10, 10).r;
    };
    EXPECT_FLOAT_EQ(drawn(0, 0), 0.25f) << "the first frame reads black";
    EXPECT_FLOAT_EQ(drawn(1, 0), 0.5f);
    EXPECT_FLOAT_EQ(drawn(1, 0), 0.5f) << "the same frame again (paused) reads the same previous frame";
    EXPECT_FLOAT_EQ(drawn(2, 0), 0.75f);
    EXPECT_FLOAT_EQ(drawn(0, 1), 0.25f) << "a seek starts black";
}

TEST_F(ShadersFromElsewhere, APassKeepsItsFormatAndScaleAndReadersSampleItStretched)
{
    PassSettings large;
    large.format = PassFormat::Rgba32f;
    large.scale = 0.5f;
    Scene scene;
    scene.addShader(entry("large.fsh",
                          "#version 330\nuniform vec2 iResolution;\nout vec4 c;\n"
                          "void main() { c = vec4(1e6, iResolution, 1.0); }\n"),
                    large);
    scene.addShader(entry("reader.fsh",
                          "#version 330\nuniform vec2 iResolution;\nuniform sampler2D iChannel0;\n"
                          "out vec4 c;\n"
                          "void main() { c = texture(iChannel0, gl_FragCoord.xy / iResolution); }\n"));
    draw(scene);

    GLint width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, scene.outputTexture(rig->targets, 0));
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(width, gltest::kWindowWidth / 2);
    EXPECT_EQ(height, gltest::kWindowHeight / 2);
    const glm::vec4 large0 = output(scene, 0, 0, 0);
    EXPECT_EQ(large0.r, 1e6f) << "a half float would hold 65504 at most";
    EXPECT_EQ(large0.g, width) << "the pass works in its own pixels";
    EXPECT_EQ(output(scene, 1, gltest::kWindowWidth - 1, gltest::kWindowHeight - 1).b, static_cast<float>(height))
        << "the full-size reader's last pixel reads the half-size pass's last";
}

TEST_F(ShadersFromElsewhere, TheSpectrumTexturesFirstRowIsWhatFftSamples)
{
    Scene scene;
    scene.addShader(entry("spectrum.fsh",
                          "#version 330\nuniform sampler2D spectrum;\nuniform float fft;\nout vec4 c;\n"
                          "void main() { c = vec4(texelFetch(spectrum, ivec2(100, 0), 0).r, fft,\n"
                          "                       texelFetch(spectrum, ivec2(100, 1), 0).r, 1.0); }\n"));
    draw(scene);
    const glm::vec4 read = output(scene, 0, 5, 5);
    EXPECT_EQ(read.r, read.g);
    EXPECT_EQ(read.r, 0.375f);
    EXPECT_EQ(read.b, 0.125f) << "row 1: the smoothed spectrum";
}

TEST_F(ShadersFromElsewhere, GlslEsSourcesDrawAsTheirDesktopTwinsAndErrorsNameTheirLines)
{
    const char* const desktop =
        "#version 330\nuniform vec2 iResolution;\nout vec4 color;\n"
        "void main() { color = vec4(gl_FragCoord.xy / iResolution, 0.5, 1.0); }\n";
    const char* const es3 =
        "#version 300 es\nprecision highp float;\n"
        "void mainImage(out vec4 c, in vec2 p) { c = vec4(p / iResolution.xy, 0.5, 1.0); }\n";
    const char* const es1 =
        "#version 100\n#ifdef GL_ES\nprecision mediump float;\n#endif\nuniform vec2 iResolution;\n"
        "void main() { gl_FragColor = vec4(gl_FragCoord.xy / iResolution, 0.5, 1.0); }\n";
    Scene ours, site, old;
    ours.addShader(entry("desktop.fsh", desktop));
    site.addShader(entry("es3.fsh", es3, "shadertoy"));
    old.addShader(entry("es1.fsh", es1));
    draw(ours);
    const glm::vec4 expected = output(ours, 0, 321, 170);
    draw(site);
    expectSamePixels(expected, output(site, 0, 321, 170), "#version 300 es");
    draw(old);
    expectSamePixels(expected, output(old, 0, 321, 170), "#version 100");

    DemoShader broken(vertexPath, dir.write("broken.fsh",
                                            "#version 300 es\nprecision highp float;\nout vec4 c;\n"
                                            "void main() { c = undeclared; }\n"));
    const BuildOutcome outcome = broken.build(BuildReport::Quiet, console.sink);
    EXPECT_FALSE(outcome.built);
    EXPECT_NE(outcome.failure.find("broken.fsh:4:"), std::string::npos) << outcome.failure;
}

TEST_F(ShadersFromElsewhere, GlslViewerBuffersAreOneFileDefinedPerPassWithTheCommonCodeBeforeIt)
{
    const std::string common = dir.write("common.glsl", "const float kBase = 0.25;\n");
    const char* const source =
        "#ifdef GL_ES\nprecision mediump float;\n#endif\nuniform sampler2D u_buffer0;\n"
        "uniform sampler2D u_doubleBuffer0;\nuniform vec2 u_resolution;\nvarying vec2 v_texcoord;\n"
        "void main() {\n#if defined(BUFFER_0)\n    gl_FragColor = vec4(kBase);\n"
        "#elif defined(DOUBLE_BUFFER_0)\n    gl_FragColor = texture2D(u_doubleBuffer0, v_texcoord) + 0.125;\n"
        "#else\n    gl_FragColor = vec4(texture2D(u_buffer0, v_texcoord).r, texture2D(u_doubleBuffer0, v_texcoord).r,"
        " 0.0, 1.0);\n#endif\n}\n";
    dir.write("viewer.frag", source);
    PassSettings buffer, doubleBuffer;
    buffer.define = "BUFFER_0";
    doubleBuffer.define = "DOUBLE_BUFFER_0";
    Scene scene;
    scene.addShader(entry("viewer.frag", "", "glslviewer", "BUFFER_0", common), buffer);
    scene.addShader(entry("viewer.frag", "", "glslviewer", "DOUBLE_BUFFER_0", common), doubleBuffer);
    scene.addShader(entry("viewer.frag", "", "glslviewer", "", common));
    draw(scene, 0);
    EXPECT_FLOAT_EQ(output(scene, 0, 7, 7).r, 0.25f);
    EXPECT_FLOAT_EQ(output(scene, 1, 7, 7).r, 0.125f) << "the double buffer starts black";
    draw(scene, 1);
    EXPECT_FLOAT_EQ(output(scene, 1, 7, 7).r, 0.25f) << "and reads its own previous frame";
    const glm::vec4 main = output(scene, 2, 7, 7);
    EXPECT_FLOAT_EQ(main.r, 0.25f) << "u_buffer0";
    EXPECT_FLOAT_EQ(main.g, 0.25f) << "u_doubleBuffer0, as it drew this frame";
}

TEST_F(ShadersFromElsewhere, APassReadsAnotherPassesPreviousFrameWhichStartsBlackAfterASeek)
{
    // Pass 0 reads pass 1's last frame, as a fluid's Buffer A reads Buffer C.
    PassSettings readsLater;
    readsLater.hasChannels = true;
    readsLater.channels = {{PassChannel::Source::PassPrevious, 1}};
    Scene scene;
    scene.addShader(entry("a.fsh",
                          "void mainImage(out vec4 c, in vec2 p) { c = texture(iChannel0, p / iResolution.xy); }\n",
                          "shadertoy"),
                    readsLater);
    scene.addShader(entry("c.fsh", "void mainImage(out vec4 c, in vec2 p) { c = vec4(float(iFrame + 1) * 0.125); }\n",
                          "shadertoy"));
    draw(scene, 0, 0);
    EXPECT_FLOAT_EQ(output(scene, 0, 3, 3).r, 0.0f) << "no previous frame yet";
    draw(scene, 1, 0);
    EXPECT_FLOAT_EQ(output(scene, 0, 3, 3).r, 0.125f);
    draw(scene, 2, 0);
    EXPECT_FLOAT_EQ(output(scene, 0, 3, 3).r, 0.25f);
    draw(scene, 5, 1);
    EXPECT_FLOAT_EQ(output(scene, 0, 3, 3).r, 0.0f) << "a seek starts black";
}

TEST_F(ShadersFromElsewhere, LiveCodingTexturesNamedTexturesAndEachConventionsWayUp)
{
    // A 2 x 2 image whose top row is red and bottom row green.
    std::string problem;
    Texture image(dir.file("missing.png"), console.sink, &problem);
    const unsigned char rows[] = {255, 0, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255};
    image.replaceImage(rows, 2, 2);
    Texture kept(dir.file("missing.png"), console.sink, &problem);
    kept.replaceImage(rows, 2, 2);
    console.takeOut(); // the loader writes GL error texts
    PassSettings readsImage;
    readsImage.hasChannels = true;
    readsImage.channels = {{PassChannel::Source::Texture, 0}, {PassChannel::Source::Texture, 1}};

    Scene scene;
    scene.addTexture(image, {"texAmiga", std::nullopt});
    scene.addTexture(kept, {"", false});
    scene.addShader(
        entry("bonzo.fsh",
              "#version 410 core\nuniform sampler2D texNoise, texChecker, texTex2, texAmiga, "
              "texPreviousFrame;\nin vec2 out_texcoord;\nout vec4 out_color;\nvoid main() {\n"
              "    if (gl_FragCoord.y < 100.0) out_color = vec4(texture(texNoise, vec2(0.5, 0.5) / 256.0).r,"
              " texture(texChecker, vec2(40.5, 0.5) / 256.0).r, texture(texTex2, vec2(0.0)).r, 1.0);\n"
              "    else if (gl_FragCoord.y < 200.0) out_color = texture(texAmiga, vec2(0.5, 0.25));\n"
              "    else out_color = texture(texPreviousFrame, out_texcoord) + 0.25;\n}\n",
              "bonzomatic"));
    scene.addShader(entry("site.fsh",
                          "void mainImage(out vec4 c, in vec2 p) {\n"
                          "    c = vec4(texture(iChannel0, vec2(0.5, 0.25)).g, texture(iChannel1, vec2(0.5, 0.25)).g,"
                          " iChannelResolution[0].xy);\n}\n",
                          "shadertoy"),
                    readsImage);
    scene.addShader(entry("viewer.frag",
                          "uniform sampler2D u_tex0;\nuniform vec2 u_tex0Resolution;\nvoid main() {\n"
                          "    gl_FragColor = vec4(texture2D(u_tex0, vec2(0.5, 0.25)).g, u_tex0Resolution, 1.0);\n}\n",
                          "glslviewer"));
    draw(scene, 0);
    const glm::vec4 builtins = output(scene, 0, 10, 10);
    EXPECT_NEAR(builtins.r, render::builtinNoisePixels()[0] / 255.0f, 1e-3f) << "texNoise";
    EXPECT_FLOAT_EQ(builtins.g, 0.0f) << "texChecker: the second square is black";
    EXPECT_NEAR(builtins.b, 1.0f, 1e-3f) << "texTex2: a stand-in image, its grid line red";
    EXPECT_EQ(output(scene, 0, 10, 150), glm::vec4(1, 0, 0, 1)) << "named texture: as loaded, top row at t = 0";
    EXPECT_FLOAT_EQ(output(scene, 0, 10, 300).r, 0.25f) << "texPreviousFrame starts black";
    draw(scene, 1);
    EXPECT_FLOAT_EQ(output(scene, 0, 10, 300).r, 0.5f) << "and is the pass's own previous frame";

    EXPECT_EQ(output(scene, 1, 5, 5), glm::vec4(1, 0, 2, 2))
        << "the site's channels show images upright unless \"vflip\": false";
    EXPECT_EQ(output(scene, 2, 5, 5), glm::vec4(1, 2, 2, 1)) << "glslViewer's u_tex0 is upright, with its size";
}

TEST_F(ShadersFromElsewhere, EveryChannelOfTheSiteFollowsTheMusicsTime)
{
    Scene scene;
    scene.addShader(entry("times.fsh",
                          "void mainImage(out vec4 c, in vec2 p) {\n"
                          "    c = vec4(iChannelTime[0], iChannelTime[3], iSampleRate / 100000.0, 1.0);\n}\n",
                          "shadertoy"));
    draw(scene);
    const glm::vec4 read = output(scene, 0, 5, 5);
    EXPECT_FLOAT_EQ(read.r, static_cast<float>(kTime));
    EXPECT_FLOAT_EQ(read.g, static_cast<float>(kTime));
    EXPECT_NEAR(read.b, 0.441f, 1e-3f) << "a half float holds three digits";
}

TEST_F(ShadersFromElsewhere, TheSitesSoundAndKeyboardChannelsAreTheSitesTextures)
{
    // A sine of peak 0.01 on bin 93, steady: the analyser's level there.
    constexpr int kSoundBin = 93;
    std::vector<float> sine(SiteSoundAnalyser::kFftFrames);
    for (std::size_t i = 0; i < sine.size(); ++i)
        sine[i] = 0.01f * static_cast<float>(std::sin(2.0 * std::acos(-1.0) * kSoundBin * static_cast<double>(i) /
                                                      SiteSoundAnalyser::kFftFrames));
    SiteSoundAnalyser analyser;
    for (int frame = 0; frame < 100; ++frame)
        analyser.analyse(sine.data());
    std::vector<uint8_t> sound(SiteSoundAnalyser::kTextureWidth * SiteSoundAnalyser::kTextureRows);
    analyser.textureRows(sine.data(), sound.data());
    ASSERT_EQ(sound[kSoundBin], 169) << "-53.6 dB";

    PassSettings settings;
    settings.hasChannels = true;
    settings.channels = {{PassChannel::Source::Spectrum, 0}, {PassChannel::Source::Keyboard, 0}};
    Scene scene;
    scene.addShader(
        entry("sound.fsh",
              "void mainImage(out vec4 c, in vec2 p) {\n"
              "    c = vec4(texture(iChannel0, vec2(93.5 / 512.0, 0.25)).x,\n"
              "             texelFetch(iChannel1, ivec2(87, 0), 0).x + texelFetch(iChannel1, ivec2(87, 2), 0).x,\n"
              "             iChannelResolution[0].x / 512.0 + iChannelResolution[0].y / 2.0,\n"
              "             iChannelResolution[1].x / 256.0 + iChannelResolution[1].y / 3.0);\n}\n",
              "shadertoy"),
        settings);
    KeyboardTexture keys;
    keys.press(87); // W
    const auto drawn = [&](KeyboardTexture* keyboard) {
        SceneFrame frame = rig->frame(kRow, kTime, 0.0f, 0.0f, nullptr);
        frame.printsFstrLine = false;
        frame.inputs.spectrum.siteSound = sound.data();
        frame.inputs.spectrumTexture = &spectrumTexture;
        frame.inputs.keyboardTexture = keyboard;
        scene.render(frame);
        return output(scene, 0, 5, 5);
    };
    const glm::vec4 played = drawn(&keys);
    EXPECT_NEAR(played.r, 169.0f / 255.0f, 1e-3f) << "the level a site's shader reads at the sine's bin";
    EXPECT_EQ(played.g, 2.0f) << "W held and toggled on";
    EXPECT_EQ(played.b, 2.0f) << "the sound texture is 512 x 2";
    EXPECT_EQ(played.a, 2.0f) << "the keyboard texture is 256 x 3";
    const glm::vec4 exported = drawn(nullptr);
    EXPECT_EQ(exported.g, 0.0f) << "no keys reach an export's keyboard";
    EXPECT_EQ(exported.a, 2.0f) << "which is still 256 x 3";
}

TEST_F(ShadersFromElsewhere, AChannelsOwnVflipTurnsAnyInputUpsideDown)
{
    // Pass 0 draws its row's height; pass 1 reads it and its own last frame
    // through flipped channels; pass 2 the sound texture both ways and an
    // image the other way up than the site's.
    std::string problem;
    Texture image(dir.file("missing.png"), console.sink, &problem);
    const unsigned char rows[] = {255, 0, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255};
    image.replaceImage(rows, 2, 2); // top row red, bottom row green
    console.takeOut();
    PassSettings passes;
    passes.hasChannels = true;
    passes.channels = {{PassChannel::Source::Pass, 0}, {PassChannel::Source::Previous, 0}};
    passes.channelFlips = {true, true};
    PassSettings others;
    others.hasChannels = true;
    others.channels = {
        {PassChannel::Source::Spectrum, 0}, {PassChannel::Source::Spectrum, 0}, {PassChannel::Source::Texture, 0}};
    others.channelFlips = {true, std::nullopt, false};
    Scene scene;
    scene.addTexture(image);
    scene.addShader(entry("rows.fsh", "void mainImage(out vec4 c, in vec2 p) { c = vec4(p.y); }\n", "shadertoy"));
    scene.addShader(entry("passes.fsh",
                          "void mainImage(out vec4 c, in vec2 p) {\n"
                          "    c = vec4(texelFetch(iChannel0, ivec2(p), 0).r, texelFetch(iChannel1, ivec2(p), 0).g,"
                          " 0.0, 0.0);\n"
                          "    if (p.y > 1.0) c.g = c.r;\n}\n",
                          "shadertoy"),
                    passes);
    scene.addShader(
        entry("others.fsh",
              "void mainImage(out vec4 c, in vec2 p) {\n"
              "    c = vec4(texelFetch(iChannel0, ivec2(100, 0), 0).r, texelFetch(iChannel1, ivec2(100, 1), 0).r,"
              " texelFetch(iChannel1, ivec2(100, 0), 0).r, texture(iChannel2, vec2(0.5, 0.25)).g);\n}\n",
              "shadertoy"),
        others);
    draw(scene, 0);
    draw(scene, 1);
    const float top = static_cast<float>(gltest::kWindowHeight) - 0.5f;
    const glm::vec4 bottomRow = output(scene, 1, 7, 0);
    EXPECT_FLOAT_EQ(bottomRow.r, top) << "the bottom row reads the pass's top row";
    EXPECT_FLOAT_EQ(bottomRow.g, 0.5f) << "its own last frame, flipped: there it held pass 0's bottom row";
    EXPECT_FLOAT_EQ(output(scene, 1, 7, gltest::kWindowHeight - 1).r, 0.5f);
    const glm::vec4 read = output(scene, 2, 7, 7);
    EXPECT_FLOAT_EQ(read.r, read.g) << "the sound texture's rows swap";
    EXPECT_NE(read.r, read.b);
    EXPECT_FLOAT_EQ(read.a, 0.0f) << "the image as loaded (\"vflip\": false), not the site's upright way";
}

TEST_F(ShadersFromElsewhere, OnlyAScenePassThatKeepsItsPreviousPictureMakesTheSceneGrowFromEarlierFrames)
{
    // What decides whether an export's range warms up: feedback, in each of its spellings.
    const std::string counts = "void mainImage(out vec4 c, in vec2 p) { c = vec4(float(iFrame)); }\n";
    Scene byFrame;
    byFrame.addShader(entry("counts.fsh", counts, "shadertoy"));
    EXPECT_FALSE(byFrame.keepsPictures()) << "iFrame alone: a frame depends on the moment alone";

    PassSettings previous;
    previous.hasChannels = true;
    previous.channels = {{PassChannel::Source::Previous, 0}};
    Scene own;
    own.addShader(entry("own.fsh", counts, "shadertoy"), previous);
    EXPECT_TRUE(own.keepsPictures()) << "\"previous\"";

    PassSettings later;
    later.hasChannels = true;
    later.channels = {{PassChannel::Source::PassPrevious, 1}};
    Scene another;
    another.addShader(entry("a.fsh", counts, "shadertoy"), later);
    another.addShader(entry("b.fsh", counts, "shadertoy"));
    EXPECT_TRUE(another.keepsPictures()) << "\"pass:1:previous\"";

    Scene bonzo;
    bonzo.addShader(entry("bonzo.fsh",
                          "#version 410 core\nuniform sampler2D texPreviousFrame;\nin vec2 out_texcoord;\n"
                          "out vec4 out_color;\nvoid main() { out_color = texture(texPreviousFrame, out_texcoord); }\n",
                          "bonzomatic"));
    EXPECT_TRUE(bonzo.keepsPictures()) << "texPreviousFrame";

    PassSettings doubleBuffer;
    doubleBuffer.define = "DOUBLE_BUFFER_0";
    Scene viewer;
    viewer.addShader(
        entry("double.frag", "void main() { gl_FragColor = vec4(1.0); }\n", "glslviewer", "DOUBLE_BUFFER_0"),
        doubleBuffer);
    EXPECT_TRUE(viewer.keepsPictures()) << "glslViewer's DOUBLE_BUFFER_0";
}
