// Scenes drawn for real: the pass chain and the final pass read back as
// pixels, and the scene's limits.
//
// Every test pass writes what it received into 16-pixel-wide bands of its
// render target, and the final pass does the same in the window:
//   pass band 0: iResolution.x, iResolution.y, iGlobalTime, fft
//   pass band 1: parameter "speed", pass number + 1, 0, 1
//   pass band 2, 3: tex0, tex1 sampled at their centre
//   pass band 4, 5: iChannel0, iChannel1 sampled at band 1 (which pass they hold)
//   pass band 6: cameraPosition.z, obj_rotation.x, obj_rotation.w, 1
//   final band 0: iResolution / 1000, fft, fstr
//   final band 1: (pass number + 1) / 4 from iChannel0, iChannel1, iChannel2, then 1
//   final band 2: the same from finalTarget, cameraPosition.z / 8, obj_rotation.x / 4, 1
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "CapturedConsole.h"
#include "GlTestContext.h"
#include "SceneRig.h"
#include "ScratchDir.h"
#include "TestFiles.h"
#include "render/DemoShader.h"
#include "render/FinalPass.h"
#include "render/PictureTarget.h"
#include "render/Scene.h"
#include "render/Texture.h"
#include "sync/device.h"
#include "sync/track.h"

namespace {

constexpr int kRow = 5;
constexpr double kTime = 1.5;

std::string passFragment(int pass)
{
    return "#version 330\n#define PASS " + std::to_string(pass) + R"(
uniform sampler2D tex0;
uniform sampler2D tex1;
#if PASS >= 1
uniform sampler2D iChannel0;
#endif
#if PASS >= 2
uniform sampler2D iChannel1;
#endif
uniform vec2 iResolution;
uniform float iGlobalTime;
uniform float fft;
uniform float speed;
uniform vec3 cameraPosition;
uniform vec4 obj_rotation;
out vec4 color;
vec4 band1Of(sampler2D channel) { return texture(channel, vec2(24.0, 8.0) / iResolution); }
void main()
{
    int band = int(gl_FragCoord.x) / 16;
    color = vec4(-1.0);
    if (band == 0) color = vec4(iResolution, iGlobalTime, fft);
    if (band == 1) color = vec4(speed, float(PASS + 1), 0.0, 1.0);
    if (band == 2) color = texture(tex0, vec2(0.5));
    if (band == 3) color = texture(tex1, vec2(0.5));
#if PASS >= 1
    if (band == 4) color = band1Of(iChannel0);
#endif
#if PASS >= 2
    if (band == 5) color = band1Of(iChannel1);
#endif
    if (band == 6) color = vec4(cameraPosition.z, obj_rotation.x, obj_rotation.w, 1.0);
}
)";
}

constexpr const char* kFinalFragment = R"(#version 330
uniform sampler2D iChannel0;
uniform sampler2D iChannel1;
uniform sampler2D iChannel2;
uniform sampler2D finalTarget;
uniform vec2 iResolution;
uniform float fft;
uniform float fstr;
uniform vec3 cameraPosition;
uniform vec4 obj_rotation;
out vec4 color;
float passOf(sampler2D channel) { return texture(channel, vec2(24.0, 8.0) / iResolution).g / 4.0; }
void main()
{
    int band = int(gl_FragCoord.x) / 16;
    color = vec4(0.0);
    if (band == 0) color = vec4(iResolution / 1000.0, fft, fstr);
    if (band == 1) color = vec4(passOf(iChannel0), passOf(iChannel1), passOf(iChannel2), 1.0);
    if (band == 2) color = vec4(passOf(finalTarget), cameraPosition.z / 8.0, obj_rotation.x / 4.0, 1.0);
}
)";

GLint uniformInt(GLuint program, const char* name)
{
    GLint value = -1;
    const GLint location = glGetUniformLocation(program, name);
    EXPECT_GE(location, 0) << name;
    glGetUniformiv(program, location, &value);
    return value;
}

struct SyncDeviceCloser {
    void operator()(SyncDevice* device) const { sync_close(device); }
};

class SceneTest : public testing::Test {
protected:
    CapturedConsole console; // what the code under test said
    void SetUp() override
    {
        rig = std::make_unique<gltest::SceneRig>(kFinalFragment);

        // A parameter track "speed" holding 0.75 from row 0 on.
        device.reset(sync_open(dir.file("sync").c_str(), console.sink));
        SyncTrack* speed = sync_obtain_track(device.get(), "speed");
        auto keys = std::make_unique<SyncKey[]>(1);
        keys[0] = SyncKey{0, 0.75f, SYNC_STEP};
        ASSERT_TRUE(sync_set_keys(speed, std::move(keys), 1));

        const unsigned char blue[] = {51, 102, 153, 255};
        const unsigned char pink[] = {255, 0, 128, 255};
        ASSERT_TRUE(testsupport::writePng(dir.file("blue.png"), 1, 1, 4, blue));
        ASSERT_TRUE(testsupport::writePng(dir.file("pink.png"), 1, 1, 4, pink));
        images.push_back(std::make_unique<Texture>(dir.file("blue.png"), console.sink));
        images.push_back(std::make_unique<Texture>(dir.file("pink.png"), console.sink));
        vertexPath = dir.write("quad.vsh", gltest::kQuadVertexSource);
        console.takeOut();
    }

    DemoShader passEntry(int pass)
    {
        DemoShader entry(vertexPath, dir.write("pass" + std::to_string(pass) + ".fsh", passFragment(pass)));
        EXPECT_TRUE(entry.build(BuildReport::Console, console.sink).built);
        entry.addParameter(device.get(), "speed");
        console.takeOut();
        return entry;
    }

    Scene sceneWithTextures(int passes)
    {
        Scene scene;
        for (int pass = 0; pass < passes; ++pass)
            scene.addShader(passEntry(pass));
        for (auto& image : images)
            scene.addTexture(*image);
        return scene;
    }

    // Renders and returns what the render wrote to the account.
    std::string render(Scene& scene)
    {
        scene.render(frame());
        return rig->console.takeOut();
    }

    SceneFrame frame() { return rig->frame(kRow, kTime, 0.25f, 0.5f, device.get()); }

    // frame() drawn with other targets or another final pass.
    SceneFrame frameWith(RenderTargets& targets, const ShaderProgram& finalPass)
    {
        const SceneFrame f = frame();
        return SceneFrame{f.row,   f.seconds,  f.fftValue, f.fstrValue,  f.width,     f.height,
                          targets, rig->quads, finalPass,  console.sink, f.syncDevice};
    }

    GLuint finalProgram() const { return rig->finalProgram.getProgramId(); }

    glm::vec4 targetBand(int target, int band) const
    {
        return gltest::readFramebufferPixel(rig->targets.framebuffer(target), band * 16 + 8, 8);
    }

    static glm::ivec4 windowBand(int band) { return gltest::readWindowPixel(band * 16 + 8, 8); }

    ScratchDir dir;
    std::unique_ptr<gltest::SceneRig> rig;
    std::unique_ptr<SyncDevice, SyncDeviceCloser> device;
    std::vector<std::unique_ptr<Texture>> images;
    std::string vertexPath;
};

void expectNear(glm::vec4 actual, glm::vec4 expected, const std::string& what)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(actual[i], expected[i], 2e-3f) << what << " component " << i;
}

// For the window's pixels: a window without alpha bits reads alpha as 1.
void expectNear(glm::ivec4 actual, glm::vec4 expected, const std::string& what)
{
    if (!gltest::windowHasAlpha())
        expected.a = 1.0f;
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(actual[i], expected[i] * 255.0f, 1.5f) << what << " component " << i;
}

} // namespace

TEST_F(SceneTest, ThreePassesSeeEarlierOutputsTexturesAndValues)
{
    Scene scene = sceneWithTextures(3);
    EXPECT_EQ(render(scene), "fstr_val0.5\n");

    const glm::vec4 blue(0.2f, 0.4f, 0.6f, 1.0f);
    const glm::vec4 pink(1.0f, 0.0f, 128.0f / 255.0f, 1.0f);
    for (int pass = 0; pass < 3; ++pass) {
        const std::string name = "pass " + std::to_string(pass);
        expectNear(targetBand(pass, 0), glm::vec4(640.0f, 360.0f, 1.5f, 0.25f), name + " values");
        expectNear(targetBand(pass, 1), glm::vec4(0.75f, pass + 1.0f, 0.0f, 1.0f), name + " speed");
        expectNear(targetBand(pass, 2), blue, name + " tex0");
        expectNear(targetBand(pass, 3), pink, name + " tex1");
        expectNear(targetBand(pass, 6), glm::vec4(-0.1f, 0.0f, 1.0f, 1.0f), name + " camera");
    }
    // iChannel j holds pass j's output.
    expectNear(targetBand(1, 4), glm::vec4(0.75f, 1.0f, 0.0f, 1.0f), "pass 1 iChannel0");
    expectNear(targetBand(2, 4), glm::vec4(0.75f, 1.0f, 0.0f, 1.0f), "pass 2 iChannel0");
    expectNear(targetBand(2, 5), glm::vec4(0.75f, 2.0f, 0.0f, 1.0f), "pass 2 iChannel1");

    // The units: tex0/tex1 on 0,1 then 3,4 then 7,8; channels on their own number.
    const std::vector<DemoShader>& passes = scene.getPassShaders();
    const int firstUnit[] = {0, 3, 7};
    for (int pass = 0; pass < 3; ++pass) {
        EXPECT_EQ(uniformInt(passes[pass].getProgramId(), "tex0"), firstUnit[pass]) << pass;
        EXPECT_EQ(uniformInt(passes[pass].getProgramId(), "tex1"), firstUnit[pass] + 1) << pass;
    }
    EXPECT_EQ(uniformInt(passes[2].getProgramId(), "iChannel1"), 1);

    // The final pass: every output on its channel, the last one again as finalTarget.
    EXPECT_EQ(uniformInt(finalProgram(), "iChannel2"), 2);
    EXPECT_EQ(uniformInt(finalProgram(), "finalTarget"), 3);
    expectNear(windowBand(0), glm::vec4(0.64f, 0.36f, 0.25f, 0.5f), "final values");
    expectNear(windowBand(1), glm::vec4(0.25f, 0.5f, 0.75f, 1.0f), "final channels");
    expectNear(windowBand(2), glm::vec4(0.75f, 0.5f, 0.375f, 1.0f), "final target and camera");
}

TEST_F(SceneTest, OnePassReachesTheFinalPassTwice)
{
    Scene scene = sceneWithTextures(1);
    render(scene);
    EXPECT_EQ(uniformInt(finalProgram(), "iChannel0"), 0);
    EXPECT_EQ(uniformInt(finalProgram(), "finalTarget"), 1);
    const glm::ivec4 channels = windowBand(1);
    const glm::ivec4 final = windowBand(2);
    EXPECT_NEAR(channels.r, 64, 1.5) << "iChannel0 holds pass 0";
    EXPECT_NEAR(final.r, 64, 1.5) << "finalTarget holds pass 0";
}

TEST_F(SceneTest, PassWithoutProgramLeavesItsTargetClearedAndIsSkipped)
{
    DemoShader unbuilt(vertexPath, dir.write("never.fsh", passFragment(0)));
    console.takeOut();
    Scene scene;
    scene.addShader(unbuilt);
    scene.addShader(passEntry(1));
    for (auto& image : images)
        scene.addTexture(*image);

    // Leave something in target 0 that a skipped clear would show.
    render(scene);
    glBindFramebuffer(GL_FRAMEBUFFER, rig->targets.framebuffer(0));
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    render(scene);
    expectNear(targetBand(0, 1), glm::vec4(0.0f), "target 0");
    expectNear(targetBand(1, 4), glm::vec4(0.0f), "pass 1 reads transparent black");
    // Pass 1 still gets the units it would have with a drawn pass 0.
    EXPECT_EQ(uniformInt(scene.getPassShaders()[1].getProgramId(), "tex0"), 3);
    expectNear(targetBand(1, 2), glm::vec4(0.2f, 0.4f, 0.6f, 1.0f), "pass 1 tex0");
}

TEST_F(SceneTest, SceneWithoutPassesBindsNoFinalTarget)
{
    glUseProgram(finalProgram());
    glUniform1i(glGetUniformLocation(finalProgram(), "finalTarget"), 5);
    Scene scene;
    EXPECT_EQ(render(scene), "fstr_val0.5\n");
    EXPECT_EQ(uniformInt(finalProgram(), "finalTarget"), 5);
    expectNear(windowBand(0), glm::vec4(0.64f, 0.36f, 0.25f, 0.5f), "final values");
}

TEST_F(SceneTest, NinthAndTenthShaderAreRefused)
{
    const DemoShader entry = passEntry(0);
    Scene scene;
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(scene.addShader(entry));
    // The description loader says the refusal (see its tests).
    EXPECT_FALSE(scene.addShader(entry));
    EXPECT_FALSE(scene.addShader(entry));
    EXPECT_EQ(scene.getPassShaders().size(), 8u);
}

TEST_F(SceneTest, TextureUnitsPastTheLimitAreNotBoundAndWarnOnce)
{
    GLint limit = 0;
    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &limit);
    std::vector<Texture> many;
    many.reserve(static_cast<size_t>(limit) + 2);
    for (int i = 0; i < limit + 2; ++i)
        many.emplace_back(1, 1, GL_RGBA);
    Scene scene;
    scene.addShader(passEntry(0));
    for (Texture& texture : many)
        scene.addTexture(texture);

    render(scene);
    render(scene);
    const std::string err = rig->console.takeErr();
    EXPECT_NE(err.find("texture unit " + std::to_string(limit) + " is past"), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "one warning: " << err;
    // The scene still drew its pass.
    expectNear(targetBand(0, 1), glm::vec4(0.75f, 1.0f, 0.0f, 1.0f), "pass 0");
}

TEST_F(SceneTest, IncompleteFramebufferStopsTheFrameAndSaysWhich)
{
    Scene scene = sceneWithTextures(2);
    // A colour texture turned into a depth texture cannot be a colour
    // attachment; its size still fits the window, so nothing remakes it.
    RenderTargets broken(gltest::kWindowWidth, gltest::kWindowHeight, gltest::kWindowWidth, gltest::kWindowHeight);
    glBindTexture(GL_TEXTURE_2D, broken.colourTexture(0));
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32F, gltest::kWindowWidth, gltest::kWindowHeight, 0,
                 GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
    const SceneDrawResult result = scene.render(frameWith(broken, rig->finalProgram));
    EXPECT_EQ(console.takeOut(), "") << "the frame stops before the final pass";
    EXPECT_FALSE(result.drawn);
    EXPECT_EQ(result.problem().rfind("Scene: render target 0: check failed: "
                                     "glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE (status 0x",
                                     0),
              0u)
        << result.problem();
}

TEST_F(SceneTest, APictureInARectangleKeepsItsOwnResolution)
{
    // The window's top right quarter shows the whole picture, drawn at the
    // picture's own size and scaled down; the rest of the window is left alone.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    Scene scene = sceneWithTextures(1);
    PictureTarget picture;
    SceneFrame f = frame();
    f.view = FrameView{0, 320, 180, 320, 180};
    f.picture = &picture;
    EXPECT_TRUE(scene.render(f).drawn);
    console.takeOut();

    // Final band 0 (iResolution / 1000, fft, fstr) lands at half its width.
    expectNear(gltest::readWindowPixel(320 + 4, 180 + 4), glm::vec4(0.64f, 0.36f, 0.25f, 0.5f), "band 0");
    expectNear(gltest::readWindowPixel(100, 100), glm::vec4(0.0f, 0.0f, 1.0f, 1.0f), "outside the rectangle");
}

TEST_F(SceneTest, FinalPassThatDoesNotBuildShowsTheLastPassThroughThePassThrough)
{
    const ShaderProgram finalPass = render::finalPassProgram(
        render::buildShaderProgram(vertexPath, dir.file("missing.fsh"), BuildReport::Console, console.sink), vertexPath,
        dir.file("missing.fsh"), console.sink);
    const std::string err = console.takeErr();
    console.takeOut();
    ASSERT_TRUE(finalPass.isValid());
    EXPECT_EQ(err, dir.file("missing.fsh") + ": cannot open: No such file or directory\n" + vertexPath + ", " +
                       dir.file("missing.fsh") + ": final pass does not build; the last pass is shown as it is\n");

    Scene scene = sceneWithTextures(1);
    rig->quads.screen().bindAttributes(finalPass);
    scene.render(frameWith(rig->targets, finalPass));
    console.takeOut();
    // Pass 0's band 1 holds (speed, pass + 1, 0, 1) and reaches the window as it is.
    expectNear(windowBand(1), glm::vec4(0.75f, 1.0f, 0.0f, 1.0f), "window band 1");
    expectNear(windowBand(2), glm::vec4(0.2f, 0.4f, 0.6f, 1.0f), "window band 2 (tex0)");
}

TEST_F(SceneTest, FinalPassThatBuildsIsTheDemosOwn)
{
    const std::string fragment = dir.write("final.fsh", kFinalFragment);
    const ShaderProgram finalPass = render::finalPassProgram(
        render::buildShaderProgram(vertexPath, fragment, BuildReport::Console, console.sink), vertexPath, fragment,
        console.sink);
    EXPECT_EQ(console.takeErr(), "");
    const std::string out = console.takeOut();
    ASSERT_TRUE(finalPass.isValid());
    EXPECT_GE(glGetUniformLocation(finalPass.getProgramId(), "fstr"), 0) << "the demo's own program";
    EXPECT_NE(out.find("Opening shader file: " + fragment), std::string::npos) << out;
}

TEST_F(SceneTest, OutputsReplaceWhatTargetsAndWindowHeldWhateverBlendingWasLeftOn)
{
    DemoShader translucent(vertexPath, dir.write("translucent.fsh", R"(#version 330
out vec4 color;
void main() { color = vec4(2.0, -0.5, 0.25, 0.375); }
)"));
    ASSERT_TRUE(translucent.build(BuildReport::Console, console.sink).built);
    const ShaderProgram passThrough = render::buildPassThroughProgram();
    rig->quads.screen().bindAttributes(passThrough);
    Scene scene;
    scene.addShader(translucent);

    // Blending as other drawing (an overlay) might leave it.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    scene.render(frameWith(rig->targets, passThrough));
    scene.render(frameWith(rig->targets, passThrough));
    console.takeOut();
    glBlendFunc(GL_ONE, GL_ZERO);

    // The target keeps what the pass wrote, out of range and translucent;
    // the window shows it clamped, not mixed with the cleared background.
    expectNear(targetBand(0, 3), glm::vec4(2.0f, -0.5f, 0.25f, 0.375f), "target 0");
    const glm::ivec4 window = gltest::readWindowPixel(400, 200);
    expectNear(window, glm::vec4(1.0f, 0.0f, 0.25f, 0.375f), "window");
}

TEST_F(SceneTest, PassFragmentsOnTheFarPlaneFailTheDepthTest)
{
    // Pass 0 puts its left half at depth 1 through gl_FragDepth; pass 1's
    // vertex shader puts the whole quad on the far plane.
    DemoShader halfFar(vertexPath, dir.write("half.fsh", R"(#version 330
out vec4 color;
void main()
{
    color = vec4(0.5, 0.25, 1.0, 1.0);
    gl_FragDepth = gl_FragCoord.x < 320.0 ? 1.0 : gl_FragCoord.z;
}
)"));
    DemoShader allFar(dir.write("far.vsh", R"(#version 330
in vec3 s_vPosition;
void main() { gl_Position = vec4(s_vPosition.xy, 1.0, 1.0); }
)"),
                      dir.write("far.fsh", "#version 330\nout vec4 color;\nvoid main() { color = vec4(1.0); }\n"));
    ASSERT_TRUE(halfFar.build(BuildReport::Console, console.sink).built);
    ASSERT_TRUE(allFar.build(BuildReport::Console, console.sink).built);
    console.takeOut();
    Scene scene;
    scene.addShader(halfFar);
    scene.addShader(allFar);
    render(scene);

    expectNear(gltest::readFramebufferPixel(rig->targets.framebuffer(0), 100, 100), glm::vec4(0.0f), "pass 0, depth 1");
    expectNear(gltest::readFramebufferPixel(rig->targets.framebuffer(0), 500, 100), glm::vec4(0.5f, 0.25f, 1.0f, 1.0f),
               "pass 0, nearer");
    expectNear(gltest::readFramebufferPixel(rig->targets.framebuffer(1), 320, 180), glm::vec4(0.0f),
               "pass 1, on the far plane");
}

TEST_F(SceneTest, PassesThatMayLeavePixelsUndrawnStillStartFromACleanTarget)
{
    // The left half discards its pixels from the second frame on: they must
    // read transparent black then, not the first frame's colour.
    DemoShader discards(vertexPath, dir.write("discards.fsh", R"(#version 330
uniform float iGlobalTime;
out vec4 color;
void main()
{
    if (iGlobalTime > 2.0 && gl_FragCoord.x < 320.0)
        discard;
    color = vec4(0.25, 0.5, iGlobalTime > 2.0 ? 1.0 : 0.75, 1.0);
}
)"));
    ASSERT_TRUE(discards.build(BuildReport::Console, console.sink).built);
    console.takeOut();
    Scene scene;
    scene.addShader(discards);
    // Read from the texture itself, once the frame has finished: llvmpipe
    // may otherwise answer with what the target held before the frame.
    const auto targetPixel = [&](int x, int y) {
        glFinish();
        std::vector<glm::vec4> pixels(static_cast<size_t>(gltest::kWindowWidth * gltest::kWindowHeight));
        glBindTexture(GL_TEXTURE_2D, rig->targets.colourTexture(0));
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, pixels.data());
        return pixels[static_cast<size_t>(y * gltest::kWindowWidth + x)];
    };
    render(scene);
    expectNear(targetPixel(100, 100), glm::vec4(0.25f, 0.5f, 0.75f, 1.0f), "first frame");

    SceneFrame later = frame();
    later.seconds = 3.0;
    scene.render(later);
    console.takeOut();
    expectNear(targetPixel(100, 100), glm::vec4(0.0f), "discarded");
    expectNear(targetPixel(500, 100), glm::vec4(0.25f, 0.5f, 1.0f, 1.0f), "drawn");
    EXPECT_EQ(rig->targets.depthRenderbuffer(0), 0u) << "the player's quad and no gl_FragDepth: no depth buffer";
}

TEST_F(SceneTest, WithoutAFinalPassTheLastPassDrawsThePictureWhereverItGoes)
{
    // Pass 1's band 2 shows tex0 and its band 4 pass 0's (speed, 1, 0, 1);
    // the rig's final pass would show neither there.
    Scene scene = sceneWithTextures(2);
    SceneFrame f = frame();
    f.finalPass = false;
    const auto renderSaying = [&](const SceneFrame& drawn) {
        EXPECT_TRUE(scene.render(drawn).drawn);
        glFinish();
        return rig->console.takeOut();
    };

    // The window.
    EXPECT_EQ(renderSaying(f), "fstr_val0.5\n") << "the frame's console line stays";
    expectNear(windowBand(2), glm::vec4(0.2f, 0.4f, 0.6f, 1.0f), "window, tex0");
    expectNear(windowBand(4), glm::vec4(0.75f, 1.0f, 0.0f, 1.0f), "window, pass 0");

    // A framebuffer of the picture's size, as the export's.
    const GlName colour = GlName::generate(GlName::Kind::Texture);
    glBindTexture(GL_TEXTURE_2D, colour.get());
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, gltest::kWindowWidth, gltest::kWindowHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    const GlName framebuffer = GlName::generate(GlName::Kind::Framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer.get());
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour.get(), 0);
    SceneFrame exported = f;
    exported.view = FrameView{framebuffer.get()};
    renderSaying(exported);
    expectNear(gltest::readFramebufferPixel(framebuffer.get(), 2 * 16 + 8, 8), glm::vec4(0.2f, 0.4f, 0.6f, 1.0f),
               "export's picture, tex0");
    expectNear(gltest::readFramebufferPixel(framebuffer.get(), 4 * 16 + 8, 8), glm::vec4(0.75f, 1.0f, 0.0f, 1.0f),
               "export's picture, pass 0");

    // The editor's rectangle: the window's top right quarter, the picture
    // drawn at its own size and scaled down into it.
    PictureTarget picture;
    SceneFrame edited = f;
    edited.view = FrameView{0, 320, 180, 320, 180};
    edited.picture = &picture;
    renderSaying(edited);
    expectNear(gltest::readWindowPixel(320 + 2 * 8 + 4, 180 + 4), glm::vec4(0.2f, 0.4f, 0.6f, 1.0f), "rectangle, tex0");
    expectNear(gltest::readWindowPixel(320 + 4 * 8 + 4, 180 + 4), glm::vec4(0.75f, 1.0f, 0.0f, 1.0f),
               "rectangle, pass 0");

    // A last pass with a target of its own is shown by the final program.
    PassSettings half;
    half.scale = 0.5f;
    Scene ownTarget;
    ownTarget.addShader(passEntry(0), half);
    ownTarget.render(f);
    rig->console.takeOut();
    glFinish();
    expectNear(windowBand(0), glm::vec4(0.64f, 0.36f, 0.25f, 0.5f), "the final program's band 0");
}
