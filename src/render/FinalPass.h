// The final pass's program: the demo's own ("test.vsh" and "AA.fsh" in the
// player), or, when that does not build, a built-in pass-through program
// that shows the last pass's output as it is, so the demo's picture still
// reaches the window.
//
// Main thread, GL context current. The caller owns the returned program.
#pragma once

#include <string>

#include "render/ShaderProgram.h"

namespace render {

// Builds the program from the two files with the console account of any
// build. When it does not build (a file missing, a compile or the link
// failing), says so in one line on standard error ("vertexPath,
// fragmentPath: final pass does not build; ...") and returns the built-in
// pass-through program, built quietly. Problems reading the files go to
// `warnings` (see readShaderSource). With `failure`, the demo's program is
// built as live mode builds (see buildShaderProgram) and a failure's reason
// goes there as well.
ShaderProgram buildFinalPassProgram(const std::string& vertexPath, const std::string& fragmentPath,
                                    FileWarnings* warnings = nullptr, std::string* failure = nullptr);

// The built-in pass-through program alone: "finalTarget" sampled at the
// fragment's window position over "iResolution".
ShaderProgram buildPassThroughProgram();

} // namespace render
