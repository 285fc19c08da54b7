// Test images and file times. Main thread only.
#include "TestFiles.h"

#include <sys/stat.h>
#include <utime.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace testsupport {

bool writePng(const std::string& path, int width, int height, int channels,
              const unsigned char* pixels)
{
    return stbi_write_png(path.c_str(), width, height, channels, pixels, width * channels) != 0;
}

bool setFileTime(const std::string& path, long long seconds)
{
    struct utimbuf times;
    times.actime = static_cast<time_t>(seconds);
    times.modtime = static_cast<time_t>(seconds);
    return utime(path.c_str(), &times) == 0;
}

} // namespace testsupport
