// Render targets as scenes use them: only as many as the longest scene has
// passes, remade at the window's new size before a frame draws, and shared
// between scenes of different lengths.
//
// Pass 0 writes (x / 1000, y / 1000) of its pixel and 0.125 in blue; every
// later pass copies its predecessor's pixel and adds 0.125 to blue; the final
// pass shows the last output at the same place in the window. So a window
// pixel tells where the chain drew it and through how many passes it came.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "GlTestContext.h"
#include "SceneRig.h"
#include "ScratchDir.h"
#include "render/DemoShader.h"
#include "render/RenderTargets.h"
#include "render/Scene.h"

namespace {

std::string chainFragment(int pass)
{
    std::string source = "#version 330\nuniform vec2 iResolution;\nout vec4 color;\n";
    if (pass == 0)
        return source + "void main() { color = vec4(gl_FragCoord.xy / 1000.0, 0.125, 1.0); }\n";
    return source + "uniform sampler2D iChannel" + std::to_string(pass - 1) +
           ";\nvoid main() { color = texture(iChannel" + std::to_string(pass - 1) +
           ", gl_FragCoord.xy / iResolution) + vec4(0.0, 0.0, 0.125, 0.0); }\n";
}

constexpr const char* kCopyFragment = R"(#version 330
uniform sampler2D finalTarget;
uniform vec2 iResolution;
out vec4 color;
void main() { color = texture(finalTarget, gl_FragCoord.xy / iResolution); }
)";

// The GL textures that look like colour targets of width x height.
int colourTargetsOfSize(int width, int height)
{
    int found = 0;
    for (GLuint name = 1; name < 4096; ++name) {
        if (!glIsTexture(name))
            continue;
        GLint format = 0, textureWidth = 0, textureHeight = 0;
        glBindTexture(GL_TEXTURE_2D, name);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &textureWidth);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &textureHeight);
        if (format == GL_RGBA16F && textureWidth == width && textureHeight == height)
            ++found;
    }
    return found;
}

glm::ivec2 renderbufferSize(GLuint renderbuffer)
{
    glm::ivec2 size(0);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &size.x);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &size.y);
    return size;
}

class RenderTargetsTest : public testing::Test {
protected:
    void SetUp() override
    {
        testing::internal::CaptureStdout();
        rig = std::make_unique<gltest::SceneRig>(kCopyFragment);
        vertexPath = dir.write("quad.vsh", gltest::kQuadVertexSource);
        testing::internal::GetCapturedStdout();
    }

    Scene chain(int passes)
    {
        testing::internal::CaptureStdout();
        Scene scene;
        for (int pass = 0; pass < passes; ++pass) {
            DemoShader entry(vertexPath, dir.write("chain" + std::to_string(pass) + ".fsh", chainFragment(pass)));
            EXPECT_TRUE(entry.build().built);
            scene.addShader(entry);
        }
        testing::internal::GetCapturedStdout();
        return scene;
    }

    // Draws `scene` into `targets` as a frame in a window of width x height.
    void render(Scene& scene, RenderTargets& targets, int width, int height)
    {
        testing::internal::CaptureStdout();
        scene.render(SceneFrame{1, 0.5, 0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height), targets,
                                rig->quads, rig->finalProgram, nullptr});
        testing::internal::GetCapturedStdout();
    }

    // The window pixel (x, y) as the chain of `passes` passes draws it.
    static void expectChainPixel(int x, int y, int passes, const std::string& what)
    {
        const glm::ivec4 pixel = gltest::readWindowPixel(x, y);
        EXPECT_NEAR(pixel.r, (x + 0.5) / 1000.0 * 255.0, 1.5) << what << ": x";
        EXPECT_NEAR(pixel.g, (y + 0.5) / 1000.0 * 255.0, 1.5) << what << ": y";
        EXPECT_NEAR(pixel.b, passes * 0.125 * 255.0, 1.5) << what << ": passes";
    }

    ScratchDir dir;
    std::unique_ptr<gltest::SceneRig> rig;
    std::string vertexPath;
};

} // namespace

TEST_F(RenderTargetsTest, ResizedWindowDrawsAtItsNewSize)
{
    Scene scene = chain(2);
    // As at start-up after a switch to full screen: colour textures of the
    // window's first size, the depth buffer of the window's size.
    RenderTargets targets(320, 180, gltest::kWindowWidth, gltest::kWindowHeight, 2);

    render(scene, targets, 640, 360);
    expectChainPixel(636, 356, 2, "grown to 640 x 360");
    EXPECT_EQ(colourTargetsOfSize(640, 360), 8 + 2) << "the rig's eight targets and both of these";
    EXPECT_EQ(colourTargetsOfSize(320, 180), 0) << "the old storage is gone";
    EXPECT_EQ(targets.depthRenderbuffer(0), 0u) << "no pass of the chain needs depth";
    EXPECT_EQ(renderbufferSize(targets.depthBuffer()), glm::ivec2(640, 360));

    render(scene, targets, 320, 180);
    expectChainPixel(316, 176, 2, "shrunk to 320 x 180");
    EXPECT_EQ(renderbufferSize(targets.depthBuffer()), glm::ivec2(320, 180));

    // A minimised window draws nothing and keeps the targets as they are.
    render(scene, targets, 0, 0);
    render(scene, targets, 640, 0);
    EXPECT_EQ(targets.colourWidth(), 320);
    EXPECT_EQ(targets.colourHeight(), 180);
    EXPECT_EQ(targets.count(), 2);
}

TEST_F(RenderTargetsTest, LongestSceneDecidesHowManyAreMade)
{
    std::vector<Scene> scenes;
    scenes.push_back(chain(1));
    scenes.push_back(chain(3));
    scenes.push_back(chain(2));
    ASSERT_EQ(render::longestPassChain(scenes), 3);

    // 400 x 200 tells these targets from the rig's own.
    RenderTargets targets(400, 200, 400, 200, render::longestPassChain(scenes));
    EXPECT_EQ(colourTargetsOfSize(400, 200), 3);
    for (Scene& scene : scenes)
        render(scene, targets, 400, 200);
    EXPECT_EQ(colourTargetsOfSize(400, 200), 3) << "drawing every scene makes no more";
    EXPECT_EQ(targets.count(), 3);
    EXPECT_NE(targets.framebuffer(2), 0u);
    targets.depthBuffer();
    EXPECT_EQ(targets.depthRenderbuffer(0), targets.depthRenderbuffer(2)) << "one depth buffer for all";

    // A longer scene than the targets were made for (a description loaded
    // again, say) gets the targets it needs.
    Scene longer = chain(5);
    render(longer, targets, 400, 200);
    EXPECT_EQ(colourTargetsOfSize(400, 200), 5);
    expectChainPixel(396, 196, 5, "five passes");

    EXPECT_EQ(render::longestPassChain({}), 0);
    const RenderTargets none(400, 200, 400, 200, 0);
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(none.depthRenderbuffer(0), 0u) << "no targets, no depth buffer";
}

TEST_F(RenderTargetsTest, SwitchingBetweenOneAndThreePassScenesDrawsBoth)
{
    Scene one = chain(1);
    Scene three = chain(3);
    RenderTargets targets(gltest::kWindowWidth, gltest::kWindowHeight, gltest::kWindowWidth, gltest::kWindowHeight, 3);

    render(three, targets, 640, 360);
    expectChainPixel(600, 300, 3, "three passes");
    render(one, targets, 640, 360);
    expectChainPixel(600, 300, 1, "then one pass");
    expectChainPixel(10, 20, 1, "then one pass");
    render(three, targets, 640, 360);
    expectChainPixel(600, 300, 3, "three passes again");
    EXPECT_EQ(targets.count(), 3);
}
