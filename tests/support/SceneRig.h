// What the player's start-up builds around scenes, for GL tests and
// benchmarks: the eight render targets at the test window's size, a final
// pass program, and the screen quad and eight pass quads bound to it. Main
// thread; the rig owns what it makes.
#pragma once

#include <string>

#include "CapturedConsole.h"
#include "render/RenderTargets.h"
#include "render/SceneFrame.h"
#include "render/SceneQuads.h"
#include "render/ShaderProgram.h"
#include "sync/device.h"

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

// `vertexSource` and `fragmentSource` compiled and linked through the
// player's helpers; their console account goes to standard output, for a
// failing test's reader.
ShaderProgram buildProgram(const std::string& vertexSource, const std::string& fragmentSource);

class SceneRig {
public:
    // Makes the GL context when needed, then the targets, the final pass
    // program from kQuadVertexSource and `finalFragmentSource`, and the
    // quads, with their console output as in the player (in `console`).
    explicit SceneRig(const std::string& finalFragmentSource);

    // A frame at `row` and `seconds` with these values, at the window's size.
    SceneFrame frame(int row, double seconds, float fftValue, float fstrValue, SyncDevice* device);

    CapturedConsole console; // what the quads and the frames said
    RenderTargets targets;
    ShaderProgram finalProgram;
    SceneQuads quads;
};

} // namespace gltest
