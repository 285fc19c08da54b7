// Temporary directories and test images. Main thread only.
#include "TestFiles.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>
#include <utime.h>
#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace testsupport {

std::string createTempDirectory()
{
    // The system's temporary folder ($TMPDIR, /tmp, or Windows' %TEMP%), and
    // a random name that nobody else holds: creating it is the claim.
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error)
        throw std::runtime_error("no temporary folder: " + error.message());
    std::random_device seed;
    std::mt19937_64 random((static_cast<uint64_t>(seed()) << 32) ^ seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, "demoplayer-test-%016llx", static_cast<unsigned long long>(random()));
        const std::filesystem::path candidate = base / name;
        if (std::filesystem::create_directory(candidate, error))
            return candidate.generic_u8string();
    }
    throw std::runtime_error("cannot create a temporary directory in " + base.u8string());
}

TempDir::TempDir() : rootPath(createTempDirectory())
{
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::u8path(rootPath), ignored);
}

std::string TempDir::write(const std::string& name, const std::string& content) const
{
    const std::string file = path(name);
    std::ofstream out(std::filesystem::u8path(file), std::ios::out | std::ios::binary | std::ios::trunc);
    out << content;
    if (!out)
        throw std::runtime_error("cannot write " + file);
    return file;
}

bool writePng(const std::string& path, int width, int height, int channels,
              const unsigned char* pixels)
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

int runCommand(const std::string& command)
{
#if defined(_WIN32)
    // cmd /c drops the first and the last quote of a line that starts with
    // one; a pair around the whole line keeps the command's own quotes.
    return std::system(("\"" + command + "\"").c_str()); // the program's own exit code
#else
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : name(name)
{
    const char* old = std::getenv(name);
    hadValue = old != nullptr;
    oldValue = hadValue ? old : "";
    setVariable(this->name, value);
}

ScopedEnvironment::~ScopedEnvironment()
{
    setVariable(name, hadValue ? oldValue.c_str() : nullptr);
}

} // namespace testsupport
