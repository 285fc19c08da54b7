// The one owner of GL names: it deletes its object exactly once, when the
// last (moved-to) owner goes, and the player's objects built on it release
// everything they made.
#include <gtest/gtest.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "GlTestContext.h"
#include "SceneRig.h"
#include "platform/headless_gl.h"
#include "platform/gl_context.h"
#include "render/GlName.h"
#include "render/QuadMesh.h"
#include "render/RenderTargets.h"
#include "render/ShaderProgram.h"
#include "render/Texture.h"
#include "render/VertexArrayObject.h"

namespace {

class GlNameTest : public testing::Test {
protected:
    void SetUp() override { gltest::ensureGlContext(); }
};

} // namespace

TEST_F(GlNameTest, DeletesOnceWhenTheLastOwnerGoes)
{
    GLuint name = 0;
    {
        GlName first = GlName::generate(GlName::Kind::Texture);
        name = first.get();
        glBindTexture(GL_TEXTURE_2D, name); // a texture exists once bound
        glBindTexture(GL_TEXTURE_2D, 0);
        ASSERT_TRUE(glIsTexture(name));

        GlName second = std::move(first);
        EXPECT_EQ(first.get(), 0u);
        EXPECT_EQ(second.get(), name);
        {
            GlName moved(std::move(second));
        }
        EXPECT_FALSE(glIsTexture(name)) << "the owner it was moved to deleted it";
    }

    GlName program = GlName::generate(GlName::Kind::Program);
    const GLuint programName = program.get();
    GlName other = GlName::generate(GlName::Kind::Program);
    const GLuint otherName = other.get();
    program = std::move(other);
    EXPECT_FALSE(glIsProgram(programName)) << "assignment deletes what the owner held";
    EXPECT_TRUE(glIsProgram(otherName));
    program.reset();
    EXPECT_FALSE(glIsProgram(otherName));

    GlName fence = GlName::fence();
    const GLsync sync = fence.sync();
    ASSERT_TRUE(glIsSync(sync));
    fence.reset();
    EXPECT_FALSE(glIsSync(sync));
}

TEST_F(GlNameTest, TargetsMeshesTexturesAndProgramsReleaseWhatTheyMade)
{
    std::vector<GLuint> framebuffers, renderbuffers, textures;
    GLuint vertexArray = 0, vertexBuffer = 0, program = 0, shader = 0;
    {
        RenderTargets targets(4, 4, 4, 4);
        targets.depthBuffer();
        for (int i = 0; i < RenderTargets::kCount; ++i) {
            framebuffers.push_back(targets.framebuffer(i));
            renderbuffers.push_back(targets.depthRenderbuffer(i));
            textures.push_back(targets.colourTexture(i));
        }
        std::fflush(stdout);
        testing::internal::CaptureStdout();
        VertexArrayObject quad(0, kQuadPositions, kQuadTexCoords, kQuadIndices, kQuadVertexCount, kQuadTexCoordCount,
                               kQuadIndexCount);
        const ShaderProgram built = gltest::buildProgram(gltest::kQuadVertexSource,
                                                         "#version 330\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n");
        testing::internal::GetCapturedStdout();
        vertexArray = quad.getVertexArray();
        vertexBuffer = quad.getVertexBuffer();
        program = built.getProgramId();
        shader = built.getVertexShader();
        ASSERT_TRUE(glIsVertexArray(vertexArray));
        ASSERT_TRUE(glIsProgram(program));
        for (GLuint framebuffer : framebuffers) {
            glBindFramebuffer(GL_FRAMEBUFFER, framebuffer); // a framebuffer exists once bound
            ASSERT_TRUE(glIsFramebuffer(framebuffer));
        }
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    for (int i = 0; i < RenderTargets::kCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(glIsFramebuffer(framebuffers[static_cast<size_t>(i)]));
        EXPECT_FALSE(glIsRenderbuffer(renderbuffers[static_cast<size_t>(i)]));
        EXPECT_FALSE(glIsTexture(textures[static_cast<size_t>(i)]));
    }
    EXPECT_FALSE(glIsVertexArray(vertexArray));
    EXPECT_FALSE(glIsBuffer(vertexBuffer));
    EXPECT_FALSE(glIsProgram(program));
    EXPECT_FALSE(glIsShader(shader));
}

TEST_F(GlNameTest, ProgramThatDoesNotLinkLeavesNothingBehind)
{
    // Whatever names the build's shaders had lie near the one made here.
    const GlName before = GlName::createShader(GL_VERTEX_SHADER);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const ShaderBuild build = render::buildProgram("#version 330\nin vec3 s_vPosition;\n",
                                                   "#version 330\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n",
                                                   "nomain.vsh", "f.fsh", BuildReport::Console);
    const std::string err = testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(build.program.isValid());
    EXPECT_EQ(err.rfind("nomain.vsh, f.fsh: program does not link: ", 0), 0u) << err;
    EXPECT_EQ(build.outcome.failure, err.substr(0, err.size() - 1)) << "the log returned is the line printed";
    for (GLuint name = 1; name <= before.get() + 16; ++name)
        EXPECT_EQ(glIsShader(name) == GL_TRUE, name == before.get()) << name;
}

TEST(GlNameHeadless, ReleasedObjectsAreGoneUnderTheHeadlessContext)
{
    // The export's context is EGL's (WGL's on Windows), not the window's.
    HeadlessGl gl;
    std::string problem;
    ASSERT_TRUE(gl.open(16, 16, problem)) << problem;
    GlName texture = GlName::generate(GlName::Kind::Texture);
    const GLuint name = texture.get();
    glBindTexture(GL_TEXTURE_2D, name); // a texture exists once bound
    glBindTexture(GL_TEXTURE_2D, 0);
    ASSERT_TRUE(glIsTexture(name));
    texture.reset();
    EXPECT_FALSE(glIsTexture(name));

    // Once the context has gone, an owner lets go without calling GL.
    GlName outlives = GlName::generate(GlName::Kind::Buffer);
    gl.close();
    EXPECT_FALSE(platform_gl_context_current());
    outlives.reset();
}
