// Capped reading over platform_open_regular_file. The file's announced size
// only sets how much memory is reserved; the cap is enforced on the bytes
// actually read, so a file that grows while it is read is still bounded.
#include "platform/file_read.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/platform.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

constexpr size_t kChunkBytes = 64 * 1024;

// Opens `path`; on failure says whether the file is simply not there.
PlatformReadStatus openFile(const char* path, File& file, uint64_t& sizeBytes, std::string& problem)
{
    std::string reason;
    file.reset(platform_open_regular_file(path, sizeBytes, reason));
    if (file)
        return PLATFORM_READ_OK;
    // The platform reports the system's own text for a failed open.
    if (reason == std::strerror(ENOENT)) {
        problem = "cannot open: " + reason;
        return PLATFORM_READ_MISSING;
    }
    problem = reason.compare(0, 3, "is ") == 0 ? reason : "cannot open: " + reason;
    return PLATFORM_READ_FAILED;
}

// Appends up to `limit` bytes of `file` to `bytes`, stopping at its end.
bool readUpTo(std::FILE* file, uint64_t limit, std::string& bytes)
{
    char chunk[kChunkBytes];
    uint64_t left = limit;
    while (left > 0) {
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(left, sizeof chunk));
        const size_t got = std::fread(chunk, 1, wanted, file);
        bytes.append(chunk, got);
        left -= got;
        if (got < wanted)
            return std::ferror(file) == 0;
    }
    return true;
}

PlatformReadStatus readFailed(std::string& bytes, std::string& problem)
{
    problem = std::string("cannot read: ") + std::strerror(errno != 0 ? errno : EIO);
    bytes.clear();
    return PLATFORM_READ_FAILED;
}

} // namespace

std::string platform_size_text(uint64_t bytes)
{
    constexpr uint64_t kMegabyte = 1024 * 1024;
    if (bytes >= kMegabyte && bytes % kMegabyte == 0)
        return std::to_string(bytes / kMegabyte) + " MB";
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

PlatformReadStatus platform_read_file(const char* path, uint64_t maxBytes, std::string& bytes, std::string& problem)
{
    bytes.clear();
    File file;
    uint64_t sizeBytes = 0;
    const PlatformReadStatus opened = openFile(path, file, sizeBytes, problem);
    if (opened != PLATFORM_READ_OK)
        return opened;
    const auto tooLarge = [&](uint64_t size, bool atLeast) {
        bytes.clear();
        problem = "too large (" + std::string(atLeast ? "over " : "") + std::to_string(size) + " bytes; at most " +
                  platform_size_text(maxBytes) + ")";
        return PLATFORM_READ_TOO_LARGE;
    };
    if (sizeBytes > maxBytes)
        return tooLarge(sizeBytes, false);
    bytes.reserve(static_cast<size_t>(sizeBytes));
    errno = 0;
    // One byte past the cap tells a file that grew beyond it.
    if (!readUpTo(file.get(), maxBytes + 1, bytes))
        return readFailed(bytes, problem);
    if (bytes.size() > maxBytes)
        return tooLarge(maxBytes, true);
    return PLATFORM_READ_OK;
}

PlatformReadStatus platform_read_file_start(const char* path, uint64_t maxBytes, std::string& bytes,
                                            uint64_t& sizeBytes, std::string& problem)
{
    bytes.clear();
    File file;
    sizeBytes = 0;
    const PlatformReadStatus opened = openFile(path, file, sizeBytes, problem);
    if (opened != PLATFORM_READ_OK)
        return opened;
    bytes.reserve(static_cast<size_t>(std::min(sizeBytes, maxBytes)));
    errno = 0;
    if (!readUpTo(file.get(), std::min(sizeBytes, maxBytes), bytes))
        return readFailed(bytes, problem);
    return PLATFORM_READ_OK;
}
