// The player's own warnings: one line on standard error each, naming the
// file it is about, "file: message". Standard output is flushed first, so a
// console that shows both streams shows them in the order they happened.
// Main thread (the two streams are not locked against each other).
#pragma once

#include <string>

// Writes "file: message\n" to standard error.
void platform_warn(const std::string& file, const std::string& message);
