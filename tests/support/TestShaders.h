// The smallest shader sources the GL tests build: the player's vertex
// shader contract, a fragment shader that paints white, and one with an
// error on a known line.
#pragma once

namespace testsupport {

// Reads the player's quad attribute, as every vertex shader of a demo does.
inline constexpr const char* kQuadVertexShader =
    "#version 140\nin vec3 s_vPosition;\nvoid main() { gl_Position = vec4(s_vPosition, 1.0); }\n";
// Paints opaque white.
inline constexpr const char* kWhiteFragmentShader =
    "#version 140\nout vec4 colour;\nvoid main() { colour = vec4(1.0); }\n";
// A missing ";" on line 3.
inline constexpr const char* kBrokenFragmentShader =
    "#version 140\nout vec4 colour;\nvoid main() { colour = vec4(1.0) }\n";

} // namespace testsupport
