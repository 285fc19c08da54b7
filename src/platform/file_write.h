// Replacing a file's contents in one step: the bytes go to a new temporary
// file beside the target, which is then renamed over it. A process killed
// or crashing at any moment leaves the target holding either its old bytes
// or all the new ones, never a part; at worst a stray temporary file named
// after the target is left beside it. The track tool and the track editor
// write every file this way.
//
// Standard C++ only (the rename replaces an existing file on every system we
// build for); any thread, as long as no two threads write the same path.
#pragma once

#include <string>

// Writes `bytes` to `path` through a temporary file and a rename. Returns
// false with `problem` saying why (without the file name, fit to follow
// "file: ") when it could not; `path` is then as it was and no temporary
// file is left. When `path` is a symbolic link, its target is replaced and
// the link stays.
bool platform_write_file_atomic(const char* path, const std::string& bytes, std::string& problem);
