// The headless GL context: a core context of 3.3 or later with a drawable of
// the requested size, made without any X display on Linux (on Windows the
// X display is Wine's own business).
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <string>

#include "TestFiles.h"
#include "platform/headless_gl.h"

TEST(HeadlessGl, DrawsAtTheRequestedSizeWithoutADisplay)
{
    const testsupport::ScopedEnvironment noDisplay("DISPLAY", nullptr);
    HeadlessGl gl;
    std::string problem;
    ASSERT_TRUE(gl.open(300, 200, problem)) << problem;

    GLint major = 0;
    GLint minor = 0;
    GLint profile = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_GE(major * 10 + minor, 33);
    EXPECT_TRUE(profile & GL_CONTEXT_CORE_PROFILE_BIT);

    // The drawable is framebuffer 0, and its last pixel is there.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, 300, 200);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char pixel[4] = {0, 0, 0, 0};
    glReadPixels(299, 199, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[1], 255);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    gl.close();
    EXPECT_FALSE(gl.isOpen());
}

TEST(HeadlessGl, RefusesSizesTheImplementationCannotHave)
{
    HeadlessGl gl;
    std::string problem;
    EXPECT_FALSE(gl.open(1 << 20, 64, problem));
    EXPECT_NE(problem.find("larger than"), std::string::npos) << problem;
    EXPECT_FALSE(gl.open(0, 64, problem));
    EXPECT_FALSE(gl.isOpen());
}
