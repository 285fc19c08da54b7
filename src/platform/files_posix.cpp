// POSIX implementation of the platform's file calls: opening a file for
// reading only when it is a regular file, and its modification time (in
// whole seconds and at full resolution). No GL, no X: the track code and its
// tool link this without the window system. Any thread.
#include "platform/platform.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::FILE* platform_open_regular_file(const char* path, uint64_t& sizeBytes, std::string& problem)
{
    // O_NONBLOCK: opening a named pipe would otherwise wait for a writer.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        problem = std::strerror(errno);
        return nullptr;
    }
    struct stat status;
    if (fstat(fd, &status) != 0) {
        problem = std::strerror(errno);
        close(fd);
        return nullptr;
    }
    if (!S_ISREG(status.st_mode)) {
        if (S_ISDIR(status.st_mode))
            problem = "is a directory";
        else if (S_ISFIFO(status.st_mode))
            problem = "is a named pipe";
        else if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
            problem = "is a device";
        else
            problem = "is not a regular file";
        close(fd);
        return nullptr;
    }
    // A regular file never blocks; reads go back to the ordinary mode.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr) {
        problem = std::strerror(errno);
        close(fd);
        return nullptr;
    }
    sizeBytes = static_cast<uint64_t>(status.st_size);
    return file;
}

bool platform_file_time(const char* path, int32_t& time)
{
    struct stat status;
    if (stat(path, &status) != 0)
        return false;
    // Keep the low 32 bits of the 64-bit seconds; the comparison only asks
    // whether the time changed, not which is later.
    time = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(status.st_mtime)));
    return true;
}

bool platform_file_time_ns(const char* path, int64_t& nanoseconds)
{
    struct stat status;
    if (stat(path, &status) != 0)
        return false;
    nanoseconds = static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return true;
}
