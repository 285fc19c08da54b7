// Files for tests and benchmarks: small images written with stb_image_write,
// file times set by hand (ScratchDir.h gives the folder to put them in), and
// what a test needs to read output and set variables the same way on every
// system. Main thread only.
#pragma once

#include <string>

namespace testsupport {

// Writes a PNG of width x height pixels with `channels` 8-bit components
// each (1 grey, 3 RGB, 4 RGBA), top row first. False when it could not.
bool writePng(const std::string& path, int width, int height, int channels, const unsigned char* pixels);

// Sets the file's modification time to `seconds` and `nanoseconds` since
// the epoch (Windows keeps steps of 100 nanoseconds).
bool setFileTime(const std::string& path, long long seconds, long nanoseconds = 0);

// `text` with each "\r\n" turned into "\n": what a program wrote in text
// mode, as it reads on every system (Windows ends lines with both).
std::string unixLineEnds(std::string text);

// Sets an environment variable for as long as it lives, then puts back what
// was there (the old value, or no variable at all). A null `value` removes it.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    bool hadValue_ = false;
    std::string oldValue_;
};

} // namespace testsupport
