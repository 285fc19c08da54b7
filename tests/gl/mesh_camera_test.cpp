// The quad mesh on the GPU and the camera that frames it.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CapturedConsole.h"
#include "GlTestContext.h"
#include "SceneRig.h"
#include "render/Camera.h"
#include "render/QuadMesh.h"
#include "render/SceneQuads.h"
#include "render/ShaderProgram.h"
#include "render/VertexArrayObject.h"

namespace {

std::unique_ptr<VertexArrayObject> makeQuad(ConsoleSink& console, int serial = 0)
{
    return std::make_unique<VertexArrayObject>(serial, kQuadPositions, kQuadTexCoords, kQuadIndices, kQuadVertexCount,
                                               kQuadTexCoordCount, kQuadIndexCount, console);
}

ShaderProgram buildProgram(const char* vertexSource, const char* fragmentSource)
{
    ShaderProgram program = gltest::buildProgram(vertexSource, fragmentSource);
    EXPECT_TRUE(program.isValid());
    return program;
}

void clearWindow()
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, gltest::kWindowWidth, gltest::kWindowHeight);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

class MeshTest : public testing::Test {
protected:
    CapturedConsole console; // what the code under test said
    void SetUp() override { gltest::ensureGlContext(); }
};

} // namespace

TEST_F(MeshTest, QuadBuffersHoldPositionsThenTexCoordsAndTheIndices)
{
    const auto quad = makeQuad(console.sink);
    console.takeOut();

    GLint size = 0;
    glBindBuffer(GL_ARRAY_BUFFER, quad->getVertexBuffer());
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    ASSERT_EQ(size, 80);
    std::vector<float> vertices(20);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, 80, vertices.data());
    EXPECT_EQ(std::vector<float>(vertices.begin(), vertices.begin() + 12),
              std::vector<float>(std::begin(kQuadPositions), std::end(kQuadPositions)));
    EXPECT_EQ(std::vector<float>(vertices.begin() + 12, vertices.end()),
              std::vector<float>(std::begin(kQuadTexCoords), std::end(kQuadTexCoords)));

    glBindVertexArray(quad->getVertexArray());
    GLint elementBuffer = 0;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elementBuffer);
    EXPECT_EQ(static_cast<GLuint>(elementBuffer), quad->getIndexBuffer());
    glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, 24);
}

TEST_F(MeshTest, SceneQuadsReportSerialsZeroToEight)
{
    const ShaderProgram program = buildProgram(gltest::kQuadVertexSource,
                                               "#version 330\nout vec4 color;\nvoid main() { color = vec4(1.0); }\n");
    const SceneQuads quads(program, console.sink);
    std::string expected;
    for (int i = 0; i < 9; ++i)
        expected += "\n[\n Vertex Array Object: " + std::to_string(i) +
                    "\n Number of vertices: 4\n Number of indices: 6\n"
                    " Number of texture coordinates: 4\n]\n";
    EXPECT_EQ(console.takeOut(), expected);
}

TEST_F(MeshTest, RebindingToProgramWithOtherAttributeLocationsStillDraws)
{
    // uv as colour: the centre of the framed quad is uv (0.5, 0.5).
    const char* fragment =
        "#version 330\nin vec2 uv;\nout vec4 color;\n"
        "void main() { color = vec4(uv, 0.0, 1.0); }\n";
    const char* swapped = R"(#version 330
layout(location = 3) in vec2 texCoord;
layout(location = 5) in vec3 s_vPosition;
uniform mat4 transform;
out vec2 uv;
void main() { uv = texCoord; gl_Position = transform * vec4(s_vPosition, 1.0); }
)";
    const ShaderProgram first = buildProgram(gltest::kQuadVertexSource, fragment);
    const ShaderProgram second = buildProgram(swapped, fragment);
    ASSERT_NE(glGetAttribLocation(first.getProgramId(), "s_vPosition"),
              glGetAttribLocation(second.getProgramId(), "s_vPosition"));

    const auto quad = makeQuad(console.sink);
    console.takeOut();
    Camera camera(45.0f, 640.0f / 360.0f, 0.01f, 100.0f);
    camera.setPosition(0.0f, 0.0f, 4.0f);
    for (const ShaderProgram* program : {&first, &second}) {
        quad->bindAttributes(*program);
        clearWindow();
        quad->draw(camera);
        const glm::ivec4 centre = gltest::readWindowPixel(320, 180);
        EXPECT_NEAR(centre.r, 128, 2);
        EXPECT_NEAR(centre.g, 128, 2);
        EXPECT_EQ(centre.b, 0);
    }
}

TEST_F(MeshTest, QuadCoversTheViewportFromBothSceneCameras)
{
    // A fresh mesh sends obj_rotation (1, 1, 1, 1): white wherever it draws.
    const char* fragment =
        "#version 330\nuniform vec4 obj_rotation;\nout vec4 color;\n"
        "void main() { color = obj_rotation; }\n";
    const ShaderProgram program = buildProgram(gltest::kQuadVertexSource, fragment);
    const auto quad = makeQuad(console.sink);
    console.takeOut();
    quad->bindAttributes(program);

    const float aspect = 640.0f / 360.0f;
    Camera passCamera(45.0f, aspect, 0.01f, 1100.0f);
    passCamera.setPosition(0.0f, 0.0f, -0.1f);
    Camera finalCamera(45.0f, aspect, 0.01f, 100.0f);
    finalCamera.setPosition(0.0f, 0.0f, 4.0f);
    for (const Camera& camera : {passCamera, finalCamera}) {
        clearWindow();
        quad->draw(camera);
        for (const glm::ivec2 corner :
             {glm::ivec2(0, 0), glm::ivec2(639, 0), glm::ivec2(0, 359), glm::ivec2(639, 359), glm::ivec2(320, 180)})
            EXPECT_EQ(gltest::readWindowPixel(corner.x, corner.y), glm::ivec4(255)) << corner.x << "," << corner.y;
    }
}
