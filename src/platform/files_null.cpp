// Null implementation of the platform's file calls, with only the C++
// standard library: files are examined, opened and timed through
// std::filesystem and std::fopen. Any thread.
#include "platform/platform.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The standard library's file clock need not count from 1970 (libstdc++'s
// does not), and C++17 offers no conversion. Both clocks read the same wall
// time, so their difference, rounded to whole seconds, is the epoch offset.
int64_t fileClockToUnixNanoseconds(fs::file_time_type time)
{
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    using std::chrono::nanoseconds;
    const auto offset = duration_cast<milliseconds>(std::chrono::system_clock::now().time_since_epoch()) -
                        duration_cast<milliseconds>(fs::file_time_type::clock::now().time_since_epoch());
    const int64_t offsetSeconds = (offset.count() + (offset.count() >= 0 ? 500 : -500)) / 1000;
    return duration_cast<nanoseconds>(time.time_since_epoch()).count() + offsetSeconds * 1000000000;
}

const char* notRegularReason(fs::file_type type)
{
    switch (type) {
    case fs::file_type::directory:
        return "is a directory";
    case fs::file_type::fifo:
        return "is a named pipe";
    case fs::file_type::character:
    case fs::file_type::block:
        return "is a device";
    default:
        return "is not a regular file";
    }
}

} // namespace

std::FILE* platform_open_regular_file(const char* path, uint64_t& sizeBytes, std::string& problem)
{
    // The type is read before the file is opened, since opening a named pipe
    // would wait for a writer. (A file swapped for a pipe in between can still
    // block here; the system implementations ask the open file itself.)
    std::error_code error;
    const fs::file_status status = fs::status(fs::u8path(path), error);
    if (error) {
        problem = error.message();
        return nullptr;
    }
    if (status.type() != fs::file_type::regular) {
        problem = notRegularReason(status.type());
        return nullptr;
    }
    const uintmax_t size = fs::file_size(fs::u8path(path), error);
    if (error) {
        problem = error.message();
        return nullptr;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        problem = std::error_code(errno, std::generic_category()).message();
        return nullptr;
    }
    sizeBytes = static_cast<uint64_t>(size);
    return file;
}

bool platform_file_time_ns(const char* path, int64_t& nanoseconds)
{
    std::error_code error;
    const fs::file_time_type modified = fs::last_write_time(fs::u8path(path), error);
    if (error)
        return false;
    nanoseconds = fileClockToUnixNanoseconds(modified);
    return true;
}

bool platform_file_time(const char* path, int32_t& time)
{
    int64_t nanoseconds = 0;
    if (!platform_file_time_ns(path, nanoseconds))
        return false;
    // Floor division: a time before 1970 stays in its second.
    const int64_t seconds = nanoseconds >= 0 ? nanoseconds / 1000000000 : -((999999999 - nanoseconds) / 1000000000);
    time = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(seconds)));
    return true;
}
