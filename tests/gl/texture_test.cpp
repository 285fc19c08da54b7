// Image textures, render-target textures and the eight render targets.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "GlTestContext.h"
#include "ScratchDir.h"
#include "TestFiles.h"
#include "render/RenderTargets.h"
#include "render/Texture.h"

namespace {

std::vector<unsigned char> texels(const Texture& texture, int& width, int& height)
{
    glBindTexture(GL_TEXTURE_2D, texture.getId());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<unsigned char> data(static_cast<size_t>(width * height * 4));
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, data.data());
    return data;
}

GLint parameter(const Texture& texture, GLenum name)
{
    glBindTexture(GL_TEXTURE_2D, texture.getId());
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

// A texture made from `path`, and what making it wrote to the two streams.
struct Loaded {
    Texture texture;
    std::string out;
    std::string err;
};

Loaded load(const std::string& path)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Texture texture(path);
    std::fflush(stdout);
    std::string err = testing::internal::GetCapturedStderr();
    return Loaded{std::move(texture), testing::internal::GetCapturedStdout(), err};
}

class TextureTest : public testing::Test {
protected:
    void SetUp() override
    {
        gltest::ensureGlContext();
        gltest::clearGlErrors();
        const unsigned char pixel[] = {1, 2, 3, 4};
        ASSERT_TRUE(testsupport::writePng(onePixel, 1, 1, 4, pixel));
    }
    ScratchDir dir;
    const std::string onePixel = dir.file("one.png");
};

} // namespace

TEST_F(TextureTest, ImagesArriveAsOpaqueRgbaWithTheTopRowFirst)
{
    // 2 x 2 RGB: top row red, green; bottom row blue, white.
    const unsigned char rgb[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    const std::string rgbPath = dir.file("rgb.png");
    ASSERT_TRUE(testsupport::writePng(rgbPath, 2, 2, 3, rgb));
    const Loaded image = load(rgbPath);
    EXPECT_EQ(image.out, "No errorNo errorNo error");
    EXPECT_EQ(image.err, "");
    int width = 0;
    int height = 0;
    const std::vector<unsigned char> expected = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    EXPECT_EQ(texels(image.texture, width, height), expected);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 2);

    const unsigned char grey[] = {10, 200};
    const std::string greyPath = dir.file("grey.png");
    ASSERT_TRUE(testsupport::writePng(greyPath, 2, 1, 1, grey));
    const std::vector<unsigned char> expectedGrey = {10, 10, 10, 255, 200, 200, 200, 255};
    EXPECT_EQ(texels(load(greyPath).texture, width, height), expectedGrey);
}

TEST_F(TextureTest, EachLoadGetsItsOwnNameAndReportsTheGlErrorState)
{
    glEnable(0xFFFF); // leaves GL_INVALID_ENUM pending
    const Loaded first = load(onePixel);
    const Loaded second = load(onePixel);
    EXPECT_EQ(first.out, "Unknown errorNo errorNo error");
    EXPECT_EQ(second.out, "No errorNo errorNo error");
    EXPECT_NE(first.texture.getId(), 0u);
    EXPECT_NE(first.texture.getId(), second.texture.getId());
}

TEST_F(TextureTest, UndecodableFileWarnsWithItsReasonAndGivesOneOpaqueBlackTexel)
{
    const std::string missing = dir.file("missing.png");
    const std::string garbage = dir.write("garbage.png", "this is not an image");
    const std::pair<std::string, std::string> cases[] = {
        {missing, "cannot open: No such file or directory"},
        {garbage, "not a PNG, JPEG, BMP or TGA image"},
        {dir.path(), "is a directory"},
    };
    for (const auto& [path, reason] : cases) {
        const Loaded loaded = load(path);
        EXPECT_EQ(loaded.err, path + ": " + reason + "\nTexture load fail : " + path + " !!!!!!!!!!!!!!!!\n");
        EXPECT_EQ(loaded.out, "No errorNo errorNo error");
        EXPECT_NE(loaded.texture.getId(), 0u);
        int width = 0;
        int height = 0;
        const std::vector<unsigned char> expected = {0, 0, 0, 255};
        EXPECT_EQ(texels(loaded.texture, width, height), expected) << path;
        EXPECT_EQ(parameter(loaded.texture, GL_TEXTURE_WRAP_S), GL_REPEAT);
        EXPECT_EQ(loaded.texture.loadProblem(), reason);
    }

    EXPECT_EQ(load(onePixel).texture.loadProblem(), "");
}

TEST_F(TextureTest, ImageRepeatsAndFiltersLinearlyTargetsFilterNearest)
{
    const Texture image = load(onePixel).texture;
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), image.getId());

    testing::internal::CaptureStdout();
    const Texture target(4, 2, GL_RGBA);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), target.getId());

    for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) {
        EXPECT_EQ(parameter(image, wrap), GL_REPEAT);
        EXPECT_EQ(parameter(target, wrap), GL_REPEAT);
    }
    for (GLenum filter : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) {
        EXPECT_EQ(parameter(image, filter), GL_LINEAR);
        EXPECT_EQ(parameter(target, filter), GL_NEAREST);
    }

    GLint format = 0;
    GLint width = 0;
    GLint height = 0;
    glBindTexture(GL_TEXTURE_2D, target.getId());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(format, GL_RGBA16F);
    EXPECT_EQ(width, 4);
    EXPECT_EQ(height, 2);
}

TEST_F(TextureTest, RenderTargetsTakeTheirColourAndDepthSizes)
{
    RenderTargets targets(320, 200, gltest::kWindowWidth, gltest::kWindowHeight);
    EXPECT_EQ(targets.depthRenderbuffer(0), 0u) << "made when a pass first needs depth";
    targets.depthBuffer();

    for (int i = 0; i < RenderTargets::kCount; ++i) {
        SCOPED_TRACE(i);
        GLint width = 0;
        GLint height = 0;
        glBindTexture(GL_TEXTURE_2D, targets.colourTexture(i));
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        EXPECT_EQ(width, 320);
        EXPECT_EQ(height, 200);

        glBindRenderbuffer(GL_RENDERBUFFER, targets.depthRenderbuffer(i));
        GLint format = 0;
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &width);
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &height);
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_INTERNAL_FORMAT, &format);
        EXPECT_EQ(width, gltest::kWindowWidth);
        EXPECT_EQ(height, gltest::kWindowHeight);
        EXPECT_EQ(format, GL_DEPTH_COMPONENT32);

        // Nothing is attached until a pass attaches it.
        glBindFramebuffer(GL_FRAMEBUFFER, targets.framebuffer(i));
        GLint type = -1;
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                              GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
        EXPECT_EQ(type, GL_NONE);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        if (i > 0) {
            EXPECT_NE(targets.framebuffer(i), targets.framebuffer(i - 1));
        }
    }
}
