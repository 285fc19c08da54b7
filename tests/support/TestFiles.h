// Files for tests and benchmarks: small images written with stb_image_write
// and file times set by hand (ScratchDir.h gives the folder to put them in).
// Main thread only.
#pragma once

#include <string>

namespace testsupport {

// Writes a PNG of width x height pixels with `channels` 8-bit components
// each (1 grey, 3 RGB, 4 RGBA), top row first. False when it could not.
bool writePng(const std::string& path, int width, int height, int channels,
              const unsigned char* pixels);

// Sets the file's modification time to `seconds` since the epoch.
bool setFileTime(const std::string& path, long long seconds);

} // namespace testsupport
