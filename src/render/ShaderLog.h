// Compiler logs in the form editors and people read: "file:line:column: message".
// GL drivers name the source string instead of the file ("0:12(3): error: ..."
// from Mesa, "0(12) : error C0000: ..." from others, "ERROR: 0:12: ..." from
// WebGL's ANGLE and from glslang). Pure; any thread.
#pragma once

#include <functional>
#include <string>

namespace render {

// Rewrites one log line that starts with a source reference: gets the line
// number, the column ("" where the driver gives none) and the message after
// the reference (with its leading blank, " error: x"), returns the new line.
using ShaderLogLineRewrite =
    std::function<std::string(int line, const std::string& column, const std::string& message)>;

// `log` with every line that starts with a source reference replaced by
// what `rewrite` makes of it. Lines in other forms stay as they are; a "\r"
// before a line end goes, and trailing blank lines are dropped.
std::string rewriteShaderLog(const std::string& log, const ShaderLogLineRewrite& rewrite);

// The line of a build's `log` that says why it failed: the first error
// ("...: error..."; a warning may come before it), else the first line.
std::string firstErrorLine(const std::string& log);

} // namespace render
