// POSIX implementation of the platform contract.
#include "platform/platform.h"

#include <sys/stat.h>

#include <GL/glx.h>

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

bool platform_gl_context_current()
{
    return glXGetCurrentContext() != nullptr;
}
