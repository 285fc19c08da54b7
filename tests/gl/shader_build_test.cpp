// Compiling, linking and building shader entries against a real GL context.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CapturedConsole.h"
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

// Draws the quad over the whole window with `program` and returns the
// centre pixel.
glm::ivec4 drawCentre(const ShaderProgram& program)
{
    ConsoleSink silent;
    VertexArrayObject quad(0, kQuadPositions, kQuadTexCoords, kQuadIndices, kQuadVertexCount, kQuadTexCoordCount,
                           kQuadIndexCount, silent);
    quad.bindAttributes(program);
    Camera camera(45.0f, 640.0f / 360.0f, 0.01f, 100.0f);
    camera.setPosition(0.0f, 0.0f, 4.0f);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, gltest::kWindowWidth, gltest::kWindowHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    quad.draw(camera);
    return gltest::readWindowPixel(gltest::kWindowWidth / 2, gltest::kWindowHeight / 2);
}

class ShaderBuilding : public testing::Test {
protected:
    CapturedConsole console; // what the code under test said
    void SetUp() override { gltest::ensureGlContext(); }

    // An entry of quad.vsh and fill.fsh filling with `rgba`, built.
    DemoShader builtFillEntry(const char* rgba)
    {
        DemoShader entry(dir.write("quad.vsh", gltest::kQuadVertexSource), dir.write("fill.fsh", fillFragment(rgba)));
        EXPECT_TRUE(entry.build(BuildReport::Console, console.sink).built);
        buildOutput = console.takeOut();
        return entry;
    }

    ScratchDir dir;
    std::string buildOutput;
};

} // namespace

TEST_F(ShaderBuilding, CompileReportsSuccessOrPrintsTheDriversLogAndNamesTheFile)
{
    const std::string good = fillFragment("1.0");
    EXPECT_TRUE(render::buildProgram(gltest::kQuadVertexSource, good.c_str(), "quad.vsh", "good.fsh",
                                     BuildReport::Console, console.sink)
                    .outcome.built);
    EXPECT_EQ(console.takeOut(), "\n COMPILATION SUCCESSFULL \n\n COMPILATION SUCCESSFULL \n");

    const ShaderBuild bad = render::buildProgram(kBadSource, good.c_str(), "bad.vsh", "good.fsh", BuildReport::Console,
                                                 console.sink);
    EXPECT_EQ(console.takeErr(), "bad.vsh: shader does not compile\n");
    const std::string log = console.takeOut();
    EXPECT_FALSE(bad.outcome.built);
    EXPECT_FALSE(bad.outcome.fragmentDidNotCompile);
    EXPECT_EQ(bad.outcome.failure.rfind("bad.vsh:", 0), 0u) << bad.outcome.failure;
    EXPECT_EQ(log.find("COMPILATION"), log.rfind("COMPILATION")) << "only the fragment compiled: " << log;
    EXPECT_GT(log.size(), std::string("\n COMPILATION SUCCESSFULL \n").size()) << "the driver's log: " << log;

    EXPECT_TRUE(render::buildProgram(gltest::kQuadVertexSource, good.c_str(), "quad.vsh", "good.fsh",
                                     BuildReport::Quiet, console.sink)
                    .outcome.built);
    EXPECT_EQ(console.takeOut(), "") << "a quiet build reports nothing";
}

TEST_F(ShaderBuilding, AFailedFragmentIsReportedNeverWaitedFor)
{
    ASSERT_NE(std::freopen(dir.write("input", "xy").c_str(), "r", stdin), nullptr);
    const ShaderBuild build = render::buildProgram(gltest::kQuadVertexSource, kBadSource, "quad.vsh", "bad.fsh",
                                                   BuildReport::Console, console.sink);
    console.takeErr();
    console.takeOut();
    EXPECT_TRUE(build.outcome.fragmentDidNotCompile);
    EXPECT_EQ(std::getchar(), 'x') << "waiting for Enter is the caller's choice";
}

TEST_F(ShaderBuilding, BadVertexWithGoodFragmentCompilesBothAndFails)
{
    const std::string vertex = dir.write("bad.vsh", kBadSource);
    const std::string fragment = dir.write("good.fsh", fillFragment("1.0"));
    DemoShader entry(vertex, fragment);

    EXPECT_FALSE(entry.build(BuildReport::Console, console.sink).built);
    EXPECT_EQ(console.takeErr(), vertex + ": shader does not compile\n");
    const std::string out = console.takeOut();
    EXPECT_EQ(out.rfind(header(vertex) + "\n\n\n", 0), 0u) << out;
    const std::string tail = header(fragment) + "\n\n\n" + "\n COMPILATION SUCCESSFULL \n";
    ASSERT_GE(out.size(), tail.size());
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail) << out;
    EXPECT_EQ(entry.getProgramId(), 0u);
    EXPECT_EQ(entry.getShaderProgram().getProgramId(), 0u);
}

TEST_F(ShaderBuilding, ProgramThatDoesNotLinkIsNotTakenAsSuccess)
{
    // Both compile, but the vertex shader has no main.
    const std::string vertex = dir.write("nomain.vsh", "#version 330\nin vec3 s_vPosition;\n");
    const std::string fragment = dir.write("good.fsh", fillFragment("1.0"));
    DemoShader entry(vertex, fragment);

    EXPECT_FALSE(entry.build(BuildReport::Console, console.sink).built);
    const std::string err = console.takeErr();
    const std::string out = console.takeOut();
    EXPECT_EQ(out.find("{  Compiled"), std::string::npos);
    EXPECT_NE(err.find(vertex + ", " + fragment + ": program does not link"), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "one line: " << err;
    EXPECT_EQ(entry.getProgramId(), 0u);
}

TEST_F(ShaderBuilding, RebuiltCopyDrawsNewProgramWhileOtherCopyKeepsTheOld)
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
    ASSERT_TRUE(copy.build(BuildReport::Console, console.sink).built);
    console.takeOut();
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

TEST_F(ShaderBuilding, FailedRebuildKeepsTheProgramItHad)
{
    DemoShader entry = builtFillEntry("1.0");
    const GLuint program = entry.getProgramId();

    dir.write("quad.vsh", kBadSource);
    EXPECT_FALSE(entry.build(BuildReport::Console, console.sink).built);
    console.takeErr();
    console.takeOut();
    EXPECT_EQ(entry.getProgramId(), program);
    EXPECT_TRUE(glIsProgram(program));
    EXPECT_EQ(drawCentre(entry.getShaderProgram()), glm::ivec4(255, 255, 255, 255));
}

TEST_F(ShaderBuilding, ActiveUniformsAreNamedAndTypedAsGlslDeclaresThem)
{
    const char* fragment =
        "#version 330\nuniform vec3 iResolution;\nuniform sampler2D iChannel1;\n"
        "uniform float bands[4];\nuniform float unused;\nout vec4 color;\n"
        "void main() { color = texture(iChannel1, iResolution.xy) * bands[2]; }\n";
    const ShaderProgram program = render::buildProgram(gltest::kQuadVertexSource, fragment, "quad.vsh", "f.fsh",
                                                       BuildReport::Quiet, console.sink)
                                      .program;
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
