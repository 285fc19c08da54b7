// Compiling, linking and building shader entries against a real GL context.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "GlTestContext.h"
#include "SceneRig.h"
#include "ScratchDir.h"
#include "TestFiles.h"
#include "render/Camera.h"
#include "render/DemoShader.h"
#include "render/QuadMesh.h"
#include "render/ShaderProgram.h"
#include "render/UniformContract.h"
#include "render/VertexArrayObject.h"

namespace {

constexpr const char* kBadSource = "#version 330\nvoid main() { this is not glsl; }\n";

std::string fillFragment(const char* rgba)
{
    return std::string("#version 330\nout vec4 color;\nvoid main() { color = vec4(") + rgba + "); }\n";
}

std::string header(const std::string& path)
{
    return "---------------------\nOpening shader file: " + path + "\n---------------------\n\n";
}

std::string takeStdout()
{
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// Draws the quad over the whole window with `program` and returns the
// centre pixel.
glm::ivec4 drawCentre(const ShaderProgram& program)
{
    VertexArrayObject quad(0, kQuadPositions, kQuadTexCoords, kQuadIndices, kQuadVertexCount, kQuadTexCoordCount,
                           kQuadIndexCount);
    quad.bindAttributes(program);
    Camera camera(45.0f, 640.0f / 360.0f, 0.01f, 100.0f);
    camera.setPosition(0.0f, 0.0f, 4.0f);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, gltest::kWindowWidth, gltest::kWindowHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    quad.draw(camera);
    return gltest::readWindowPixel(gltest::kWindowWidth / 2, gltest::kWindowHeight / 2);
}

class ShaderBuild : public testing::Test {
protected:
    void SetUp() override { gltest::ensureGlContext(); }

    // An entry of quad.vsh and fill.fsh filling with `rgba`, built.
    DemoShader builtFillEntry(const char* rgba)
    {
        DemoShader entry(dir.write("quad.vsh", gltest::kQuadVertexSource), dir.write("fill.fsh", fillFragment(rgba)));
        testing::internal::CaptureStdout();
        EXPECT_TRUE(entry.build());
        buildOutput = takeStdout();
        return entry;
    }

    ScratchDir dir;
    std::string buildOutput;
};

} // namespace

TEST_F(ShaderBuild, CompileReportsSuccessOrPrintsTheDriversLogAndNamesTheFile)
{
    testing::internal::CaptureStdout();
    EXPECT_TRUE(render::compileShader(GL_VERTEX_SHADER, gltest::kQuadVertexSource, "quad.vsh"));
    EXPECT_EQ(takeStdout(), "\n COMPILATION SUCCESSFULL \n");

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(render::compileShader(GL_VERTEX_SHADER, kBadSource, "bad.vsh"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "bad.vsh: shader does not compile\n");
    const std::string log = takeStdout();
    EXPECT_NE(log, "");
    EXPECT_EQ(log.find("COMPILATION"), std::string::npos) << log;

    testing::internal::CaptureStdout();
    EXPECT_TRUE(render::compileShader(GL_VERTEX_SHADER, gltest::kQuadVertexSource, "quad.vsh", CompileReport::Quiet));
    EXPECT_EQ(takeStdout(), "") << "a quiet compile reports nothing";
}

TEST_F(ShaderBuild, OnlyAFragmentFailureConsumesOneCharacterOfInput)
{
    ASSERT_NE(std::freopen(dir.write("input", "xy").c_str(), "r", stdin), nullptr);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(render::compileShader(GL_VERTEX_SHADER, kBadSource, "bad.vsh"));
    EXPECT_TRUE(render::compileShader(GL_FRAGMENT_SHADER, fillFragment("1.0").c_str(), "good.fsh"));
    EXPECT_FALSE(render::compileShader(GL_FRAGMENT_SHADER, kBadSource, "bad.fsh"));
    testing::internal::GetCapturedStderr();
    takeStdout();
    // The failed fragment took "x"; the vertex failure and the success took nothing.
    EXPECT_EQ(std::getchar(), 'y');
    EXPECT_EQ(std::getchar(), EOF);
}

TEST_F(ShaderBuild, BadVertexWithGoodFragmentCompilesBothAndFails)
{
    const std::string vertex = dir.write("bad.vsh", kBadSource);
    const std::string fragment = dir.write("good.fsh", fillFragment("1.0"));
    DemoShader entry(vertex, fragment);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(entry.build());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), vertex + ": shader does not compile\n");
    const std::string out = takeStdout();
    EXPECT_EQ(out.rfind(header(vertex) + "\n\n\n", 0), 0u) << out;
    const std::string tail = header(fragment) + "\n\n\n" + "\n COMPILATION SUCCESSFULL \n";
    ASSERT_GE(out.size(), tail.size());
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail) << out;
    EXPECT_EQ(entry.getProgramId(), 0u);
    EXPECT_EQ(entry.getShaderProgram().getProgramId(), 0u);
}

TEST_F(ShaderBuild, ProgramThatDoesNotLinkIsNotTakenAsSuccess)
{
    // Both compile, but the vertex shader has no main.
    const std::string vertex = dir.write("nomain.vsh", "#version 330\nin vec3 s_vPosition;\n");
    const std::string fragment = dir.write("good.fsh", fillFragment("1.0"));
    DemoShader entry(vertex, fragment);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(entry.build());
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string out = takeStdout();
    EXPECT_EQ(out.find("{  Compiled"), std::string::npos);
    EXPECT_NE(err.find(vertex + ", " + fragment + ": program does not link"), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "one line: " << err;
    EXPECT_EQ(entry.getProgramId(), 0u);
}

TEST_F(ShaderBuild, RebuiltCopyDrawsNewProgramWhileOtherCopyKeepsTheOld)
{
    DemoShader original = builtFillEntry("1.0, 0.0, 0.0, 1.0");
    const GLuint oldProgram = original.getProgramId();
    const GLuint oldFragment = original.getShaderProgram().getFragmentShader();
    const std::string linkLine = "{  Compiled Shader Program and attached ID number " + std::to_string(oldProgram) +
                                 " to it.  }\n\n\n";
    ASSERT_GE(buildOutput.size(), linkLine.size());
    EXPECT_EQ(buildOutput.substr(buildOutput.size() - linkLine.size()), linkLine);

    DemoShader copy = original;
    dir.write("fill.fsh", fillFragment("0.0, 1.0, 0.0, 1.0"));
    testing::internal::CaptureStdout();
    ASSERT_TRUE(copy.build());
    takeStdout();
    ASSERT_NE(copy.getProgramId(), oldProgram);
    EXPECT_EQ(original.getProgramId(), oldProgram);

    EXPECT_EQ(drawCentre(original.getShaderProgram()), glm::ivec4(255, 0, 0, 255));
    EXPECT_EQ(drawCentre(copy.getShaderProgram()), glm::ivec4(0, 255, 0, 255));

    // Once the last holder of the old program lets go, it is released.
    EXPECT_TRUE(glIsProgram(oldProgram));
    original = copy;
    EXPECT_FALSE(glIsProgram(oldProgram));
    EXPECT_FALSE(glIsShader(oldFragment));
    EXPECT_TRUE(glIsProgram(copy.getProgramId()));
}

TEST_F(ShaderBuild, FailedRebuildKeepsTheProgramItHad)
{
    DemoShader entry = builtFillEntry("1.0");
    const GLuint program = entry.getProgramId();

    dir.write("quad.vsh", kBadSource);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(entry.build());
    testing::internal::GetCapturedStderr();
    takeStdout();
    EXPECT_EQ(entry.getProgramId(), program);
    EXPECT_TRUE(glIsProgram(program));
    EXPECT_EQ(drawCentre(entry.getShaderProgram()), glm::ivec4(255, 255, 255, 255));
}

TEST_F(ShaderBuild, ActiveUniformsAreNamedAndTypedAsGlslDeclaresThem)
{
    const char* fragment =
        "#version 330\nuniform vec3 iResolution;\nuniform sampler2D iChannel1;\n"
        "uniform float bands[4];\nuniform float unused;\nout vec4 color;\n"
        "void main() { color = texture(iChannel1, iResolution.xy) * bands[2]; }\n";
    const ShaderProgram program = ShaderProgram::link(
        render::compileShader(GL_VERTEX_SHADER, gltest::kQuadVertexSource, "quad.vsh", CompileReport::Quiet),
        render::compileShader(GL_FRAGMENT_SHADER, fragment, "f.fsh", CompileReport::Quiet), "quad.vsh", "f.fsh");
    ASSERT_TRUE(program.isValid());
    std::string seen;
    for (const ShaderUniform& uniform : render::activeUniforms(program.getProgramId()))
        if (uniform.name != "transform" && uniform.name != "obj_position")
            seen += uniform.name + ":" + uniform.type + " ";
    EXPECT_EQ(seen.find("unused"), std::string::npos) << "a uniform nothing reads is not the player's concern";
    EXPECT_NE(seen.find("iResolution:vec3 "), std::string::npos) << seen;
    EXPECT_NE(seen.find("iChannel1:sampler2D "), std::string::npos) << seen;
    EXPECT_NE(seen.find("bands:float "), std::string::npos) << seen;
}
