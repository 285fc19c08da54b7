// The heads-up display over a picture: readable, and the GL state around it untouched.
#include <gtest/gtest.h>

#include "GlTestContext.h"
#include "render/HeadsUpDisplay.h"

namespace {

void clearWindowTo(float r, float g, float b)
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, gltest::kWindowWidth, gltest::kWindowHeight);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

} // namespace

TEST(HeadsUpDisplay, DrawsTextOnADarkBoxInTheTopLeftCorner)
{
    gltest::ensureGlContext();
    clearWindowTo(1.0f, 0.0f, 0.0f);
    HeadsUpDisplay hud;
    hud.draw({{"row 123.4  12.34 s  scene 2", 255, 255, 255}, {"plasma.fsh:3:1: error: \x01\xff", 255, 80, 80}},
             gltest::kWindowWidth, gltest::kWindowHeight);

    // The box darkens the red picture; somewhere in the first line a white stroke.
    const glm::ivec4 corner = gltest::readWindowPixel(2, gltest::kWindowHeight - 3);
    EXPECT_LT(corner.r, 120) << "the box darkens what is behind it";
    EXPECT_GT(corner.r, 40) << "the picture still shows through";
    int whiteFound = 0;
    for (int x = 6; x < 120; ++x)
        for (int y = gltest::kWindowHeight - 16; y < gltest::kWindowHeight - 6; ++y)
            whiteFound += gltest::readWindowPixel(x, y).g > 200 ? 1 : 0;
    EXPECT_GT(whiteFound, 20) << "the first line's text is drawn in white";
    EXPECT_EQ(gltest::readWindowPixel(gltest::kWindowWidth - 2, 2).r, 255) << "the rest of the picture is untouched";
}

TEST(HeadsUpDisplay, LeavesTheGlStateAsItFoundIt)
{
    gltest::ensureGlContext();
    clearWindowTo(0.0f, 0.0f, 0.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glEnable(GL_DEPTH_TEST);
    glViewport(1, 2, 30, 40);
    glUseProgram(0);

    HeadsUpDisplay hud;
    hud.draw({{"fps 60", 255, 255, 255}}, gltest::kWindowWidth, gltest::kWindowHeight);

    GLint source = 0, destination = 0, program = -1, viewport[4] = {};
    glGetIntegerv(GL_BLEND_SRC_RGB, &source);
    glGetIntegerv(GL_BLEND_DST_RGB, &destination);
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(source, GL_ONE);
    EXPECT_EQ(destination, GL_ZERO);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(program, 0);
    EXPECT_EQ(viewport[2], 30);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
