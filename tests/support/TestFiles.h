// Files for tests and benchmarks: a private temporary directory that is
// removed with its contents, and small images written with stb_image_write.
// Main thread only.
#pragma once

#include <string>

namespace testsupport {

// Creates a new, empty directory in the system's temporary folder and
// returns its path (UTF-8, '/' between names). Throws when it cannot.
std::string createTempDirectory();

class TempDir {
public:
    TempDir();  // a new, empty directory from createTempDirectory()
    ~TempDir(); // removes it and everything in it
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& root() const { return rootPath; }
    std::string path(const std::string& name) const { return rootPath + "/" + name; }
    // Writes `content` byte for byte to `name` and returns its path.
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::string rootPath;
};

// Writes a PNG of width x height pixels with `channels` 8-bit components
// each (1 grey, 3 RGB, 4 RGBA), top row first. False when it could not.
bool writePng(const std::string& path, int width, int height, int channels,
              const unsigned char* pixels);

// Sets the file's modification time to `seconds` since the epoch.
bool setFileTime(const std::string& path, long long seconds);

// Runs `command` through the system's command interpreter (sh, or cmd on
// Windows; quote paths with double quotes) and returns the program's exit
// status, or -1 when it did not end normally.
int runCommand(const std::string& command);

// `text` with each "\r\n" turned into "\n": what a program wrote in text
// mode, as it reads on every system (Windows ends lines with both).
std::string unixLineEnds(std::string text);

// Sets an environment variable for as long as it lives, then puts back what
// was there (the old value, or no variable at all).
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name;
    bool hadValue = false;
    std::string oldValue;
};

} // namespace testsupport
