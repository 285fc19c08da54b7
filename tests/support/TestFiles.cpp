// Test images, file times, line ends and environment variables. Main thread only.
#include "TestFiles.h"

#include <cstdlib>
#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace testsupport {

bool writePng(const std::string& path, int width, int height, int channels, const unsigned char* pixels)
{
    return stbi_write_png(path.c_str(), width, height, channels, pixels, width * channels) != 0;
}

bool setFileTime(const std::string& path, long long seconds, long nanoseconds)
{
#if defined(_WIN32)
    // The wide-character call: the path is UTF-8, the narrow one would read
    // it in the system's code page. File times count 100-nanosecond steps
    // since 1601.
    HANDLE file = CreateFileW(std::filesystem::u8path(path).wstring().c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const unsigned long long ticks = (seconds + 11644473600LL) * 10000000ULL + nanoseconds / 100;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    const bool set = SetFileTime(file, nullptr, &time, &time) != 0;
    CloseHandle(file);
    return set;
#else
    struct timespec times[2];
    times[0].tv_sec = static_cast<time_t>(seconds);
    times[0].tv_nsec = nanoseconds;
    times[1] = times[0];
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
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
