// Compiler logs in the form editors and people read: "file:line:column: message".
// GL drivers name the source string instead of the file ("0:12(3): error: ..."
// from Mesa, "0(12) : error C0000: ..." from others). Pure; any thread.
#pragma once

#include <string>

namespace render {

// `log` with each line's leading source-string reference replaced by `path`
// and the line (and column, where the driver gives one): "0:12(3): error: x"
// becomes "plasma.fsh:12:3: error: x". Lines in other forms stay as they are;
// trailing blank lines are dropped.
std::string shaderLogWithFileName(const std::string& log, const std::string& path);

} // namespace render
