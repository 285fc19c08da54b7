// Files that are not regular files are refused without being read: opening a
// named pipe without a writer must not wait, a device must not be read.
#include <cstdint>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "platform/platform.h"

TEST(PlatformOpenRegularFile, RefusesPipesAndDevicesWithoutWaiting)
{
    ScratchDir dir;
    const std::string pipe = dir.file("sync_scene.track");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    uint64_t size = 0;
    std::string problem;
    EXPECT_EQ(platform_open_regular_file(pipe.c_str(), size, problem), nullptr);
    EXPECT_EQ(problem, "is a named pipe");

    EXPECT_EQ(platform_open_regular_file("/dev/zero", size, problem), nullptr);
    EXPECT_EQ(problem, "is a device");
}
