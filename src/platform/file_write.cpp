// Atomic file replacement: a temporary file beside the target, then a rename.
#include "platform/file_write.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

// Creates a new file beside `path` that did not exist before; its name goes to `temp`.
std::FILE* createTemporary(const char* path, std::string& temp)
{
    const unsigned long long seed = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".tmp%06llx", (seed + attempt * 7919ull) & 0xffffffull);
        temp = std::string(path) + suffix;
        std::FILE* file = std::fopen(temp.c_str(), "wbx"); // fails if the name exists
        if (file || errno != EEXIST)
            return file;
    }
    errno = EEXIST;
    return nullptr;
}

} // namespace

bool platform_write_file_atomic(const char* givenPath, const std::string& bytes, std::string& problem)
{
    // A symbolic link stays one: its target is replaced.
    std::error_code error;
    std::string resolved = givenPath;
    if (std::filesystem::is_symlink(givenPath, error)) {
        const std::filesystem::path target = std::filesystem::canonical(givenPath, error);
        if (!error)
            resolved = target.string();
    }
    const char* path = resolved.c_str();
    std::string temp;
    std::FILE* file = createTemporary(path, temp);
    if (!file) {
        problem = std::string("cannot create a file beside it: ") + std::strerror(errno);
        return false;
    }
    errno = 0;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
    int writeError = errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        writeError = errno;
    }
    if (!written) {
        problem = std::string("cannot write: ") + std::strerror(writeError ? writeError : EIO);
        std::remove(temp.c_str());
        return false;
    }
    std::filesystem::rename(temp, path, error);
    if (error) {
        problem = "cannot replace it: " + error.message();
        std::remove(temp.c_str());
        return false;
    }
    return true;
}
