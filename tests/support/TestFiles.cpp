// Test images, file times, line ends and environment variables. Main thread only.
#include "TestFiles.h"

#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>
#include <sys/types.h>
#include <utime.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace testsupport {

bool writePng(const std::string& path, int width, int height, int channels, const unsigned char* pixels)
{
    return stbi_write_png(path.c_str(), width, height, channels, pixels, width * channels) != 0;
}

bool setFileTime(const std::string& path, long long seconds)
{
#if defined(_WIN32)
    // The wide-character call: the path is UTF-8, the narrow one would read
    // it in the system's code page.
    __utimbuf64 times;
    times.actime = static_cast<__time64_t>(seconds);
    times.modtime = static_cast<__time64_t>(seconds);
    return _wutime64(std::filesystem::u8path(path).wstring().c_str(), &times) == 0;
#else
    struct utimbuf times;
    times.actime = static_cast<time_t>(seconds);
    times.modtime = static_cast<time_t>(seconds);
    return utime(path.c_str(), &times) == 0;
#endif
}

std::string unixLineEnds(std::string text)
{
    size_t kept = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            text[kept++] = text[i];
    text.resize(kept);
    return text;
}

namespace {

void setVariable(const std::string& name, const char* value)
{
#if defined(_WIN32)
    _putenv_s(name.c_str(), value != nullptr ? value : ""); // "" removes it
#else
    if (value != nullptr)
        setenv(name.c_str(), value, 1);
    else
        unsetenv(name.c_str());
#endif
}

} // namespace

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : name_(name)
{
    const char* old = std::getenv(name);
    hadValue_ = old != nullptr;
    oldValue_ = hadValue_ ? old : "";
    setVariable(name_, value);
}

ScopedEnvironment::~ScopedEnvironment()
{
    setVariable(name_, hadValue_ ? oldValue_.c_str() : nullptr);
}

} // namespace testsupport
