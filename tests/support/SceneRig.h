// What the player's start-up builds around scenes, for GL tests and
// benchmarks: AppState reset and given the window size, the eight render
// targets, an anti-aliasing program, the screen quad and the eight pass
// quads bound to it. Main thread, after ensureGlContext.
#pragma once

#include <string>

namespace gltest {

// A vertex shader that fits every pass and the final pass: the quad through
// "transform", with "texCoord" passed on as `uv`.
inline constexpr const char* kQuadVertexSource = R"(#version 330
in vec3 s_vPosition;
in vec2 texCoord;
uniform mat4 transform;
out vec2 uv;
void main()
{
    uv = texCoord;
    gl_Position = transform * vec4(s_vPosition, 1.0);
}
)";

// Resets AppState and builds the scene machinery, with the anti-aliasing
// program made from kQuadVertexSource and `aaFragmentSource`. The steps'
// console output goes to standard output as in the player.
void setUpSceneRendering(const std::string& aaFragmentSource);

} // namespace gltest
