// The final pass's program: the demo's own ("test.vsh" and "AA.fsh" in the
// player), or, when that does not build, a built-in pass-through program
// that shows the last pass's output as it is, so the demo's picture still
// reaches the window.
//
// Main thread, GL context current. The caller builds the demo's program
// (and answers its failure) and owns the returned program.
#pragma once

#include <string>

#include "render/ShaderProgram.h"

namespace render {

// The final pass's program from its build: the built program, or, when the
// build failed (a file missing, a compile or the link failing), the built-in
// pass-through program, after one line on `console`'s error stream
// ("vertexPath, fragmentPath: final pass does not build; ...").
ShaderProgram finalPassProgram(ShaderBuild build, const std::string& vertexPath, const std::string& fragmentPath,
                               ConsoleSink& console);

// The built-in pass-through program alone: "finalTarget" sampled at the
// fragment's window position over "iResolution".
ShaderProgram buildPassThroughProgram();

} // namespace render
