// One real GL context per test (or benchmark) process: a freeglut window of
// 640 x 360 with the player's display mode, a GL 3.1 core-profile context and
// GLEW loaded with its experimental flag, as the player's start-up makes it;
// and the pixel read-backs the GL tests check.
//
// Main thread only. The window lives until the process ends. Tests run one
// per process under CTest, so every test starts from a fresh context.
#pragma once

#include <GL/glew.h>
#include <glm/glm.hpp>

namespace gltest {

inline constexpr int kWindowWidth = 640;
inline constexpr int kWindowHeight = 360;

// Creates the window and context on the first call; later calls only make
// the window current again. Aborts the process when no context can be had.
void ensureGlContext();

// Reads and discards every pending GL error.
void clearGlErrors();

// The colour at (x, y) (from the bottom left) of attachment 0 of
// `framebuffer`, as floats.
glm::vec4 readFramebufferPixel(GLuint framebuffer, int x, int y);

// The colour at (x, y) of the window's back buffer, 0..255 per component.
glm::ivec4 readWindowPixel(int x, int y);

// Whether the window's back buffer keeps alpha. Without alpha bits (Wine's
// windows on Xvfb have none) every read-back gives alpha 255, whatever was
// drawn.
bool windowHasAlpha();

} // namespace gltest
